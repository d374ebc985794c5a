#include <sqlite3.h>

#include <QFile>
#include <QFileInfo>

#include "storage_fixture.h"

using namespace balvix::storage;

namespace {

using Errors = StorageTest;

TEST_F(Errors, MissingTableIs3371WhateverTheStatement) {
  const QStringList statements = {
      "SELECT * FROM items_Справочник_Нет",
      "INSERT INTO items_Справочник_Нет (Наименование) VALUES ('а')",
      "UPDATE items_Справочник_Нет SET Наименование='б'",
      "DELETE FROM items_Справочник_Нет WHERE Наименование='а'",
      "DROP TABLE items_Справочник_Нет",
  };
  for (const QString& sql : statements) {
    QString description;
    EXPECT_EQ(errorNumber([&] { db().execute(sql); }, &description), ErrorCode::TableNotFound)
        << sql.toStdString();
    EXPECT_TRUE(Contains(description, QStringLiteral("items_Справочник_Нет")));
  }
  EXPECT_EQ(errorNumber([&] { db().openRecordset(statements.first()); }), ErrorCode::TableNotFound);
}

TEST_F(Errors, OtherFailuresHaveTheirOwnNumbers) {
  createGoods();
  EXPECT_EQ(errorNumber([&] { createGoods(); }), ErrorCode::TableExists);
  struct Case {
    const char* sql;
    int number;
    bool query;  // through openRecordset rather than execute
  };
  const Case cases[] = {
      {"SELECT Вес FROM items_Справочник_Товары", ErrorCode::ColumnNotFound, true},
      {"INSERT INTO items_Справочник_Товары (Вес) VALUES ('1')", ErrorCode::ColumnNotFound, false},
      {"SELEC * FROM plan", ErrorCode::SyntaxError, false},
      {"SELECT * FROM plan WHERE", ErrorCode::SyntaxError, false},
      {"", ErrorCode::SyntaxError, false},
      // The fixed key on (type, name) keeps two objects of one kind from sharing a name.
      {"INSERT INTO form_items (name,type) VALUES ('Полный','Журнал')", ErrorCode::DuplicateKey,
       false},
      {"INSERT INTO items_Справочник_Товары (Наименование,Цена) VALUES ('а')",
       ErrorCode::ValueCountMismatch, false},
      {"CREATE TABLE items_Справочник_Х(Поле TEXT(50),поле TEXT(50))", ErrorCode::DuplicateField,
       false},
      {"SELECT Сумма(Цена) FROM items_Справочник_Товары", ErrorCode::UndefinedFunction, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sql);
    const QString sql = QString::fromUtf8(c.sql);
    EXPECT_EQ(errorNumber([&] { c.query ? void(db().openRecordset(sql)) : db().execute(sql); }),
              c.number);
  }
}

TEST_F(Errors, SecondStatementInOneTextIsRefused) {
  createGoods();
  EXPECT_EQ(
      errorNumber([&] {
        db().execute(QStringLiteral(
            "INSERT INTO items_Справочник_Товары (Наименование) VALUES ('а'); DROP TABLE plan"));
      }),
      ErrorCode::TrailingText);
  EXPECT_TRUE(db().tableExists(QStringLiteral("plan")));
  EXPECT_EQ(count(QStringLiteral("items_Справочник_Товары")), 0);
  // A closing semicolon or comment is not a second statement.
  db().execute(QStringLiteral("DELETE FROM items_Справочник_Товары; -- все"));
}

TEST_F(Errors, LockedByAnotherProgram) {
  BALVIX_FILE_ONLY("a file lock held by another process");
  createGoods();
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(QFile::encodeName(db().path()).constData(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE; DELETE FROM plan", nullptr, nullptr, nullptr),
            SQLITE_OK);
  db().setBusyTimeout(50);
  QString description;
  EXPECT_EQ(errorNumber(
                [&] {
                  db().execute(QStringLiteral(
                      "INSERT INTO items_Справочник_Товары (Наименование) VALUES ('а')"));
                },
                &description),
            ErrorCode::Locked);
  EXPECT_TRUE(description.contains(QStringLiteral("basa.mdb")));
  sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(other);
  db().execute(QStringLiteral("INSERT INTO items_Справочник_Товары (Наименование) VALUES ('а')"));
}

TEST_F(Errors, OpenMissingFileCreatesNothing) {
  const QString missing = path(QStringLiteral("нет.mdb"));
  QString description;
  EXPECT_EQ(errorNumber([&] { Session::open(missing); }, &description), ErrorCode::FileNotFound);
  EXPECT_TRUE(description.contains(QStringLiteral("нет.mdb")));
  EXPECT_FALSE(QFileInfo::exists(missing));
}

TEST_F(Errors, OpenOfWhatIsNotOurDatabaseLeavesItUntouched) {
  const QString textFile = path(QStringLiteral("заметки.txt"));
  balvix::testing::writeFile(textFile,
                             QByteArray("Это не база данных, а просто текст.\n").repeated(200));
  const QString empty = path(QStringLiteral("пустой.mdb"));
  QFile(empty).open(QIODevice::WriteOnly);
  const QString foreign = path(QStringLiteral("чужая.db"));
  {
    sqlite3* raw = nullptr;
    sqlite3_open(QFile::encodeName(foreign).constData(), &raw);
    sqlite3_exec(raw, "CREATE TABLE t(a)", nullptr, nullptr, nullptr);
    sqlite3_close(raw);
  }
  const qint64 foreignSize = QFileInfo(foreign).size();

  for (const QString& file : {textFile, empty, foreign}) {
    QString description;
    EXPECT_EQ(errorNumber([&] { Session::open(file); }, &description), ErrorCode::NotADatabase);
    EXPECT_TRUE(Contains(description, QFileInfo(file).fileName()));
  }
  EXPECT_EQ(QFileInfo(empty).size(), 0);
  EXPECT_EQ(QFileInfo(foreign).size(), foreignSize);
  EXPECT_FALSE(QFileInfo::exists(foreign + QStringLiteral("-wal")));
}

TEST_F(Errors, CreateNewRefusesToOverwriteOrToWriteNowhere) {
  const QString existing = db().path();
  const qint64 size = QFileInfo(existing).size();
  EXPECT_EQ(errorNumber([&] { Session::createNew(existing); }), ErrorCode::FileExists);
  EXPECT_EQ(QFileInfo(existing).size(), size);

  const QString nowhere = path(QStringLiteral("нет/basa.mdb"));
  EXPECT_EQ(errorNumber([&] { Session::createNew(nowhere); }), ErrorCode::CannotOpen);
  EXPECT_FALSE(QFileInfo::exists(nowhere));
}

TEST_F(Errors, ReopenedDatabaseKeepsDataAndRunsInWal) {
  BALVIX_FILE_ONLY("the file engine's change log");
  createGoods();
  db().execute(
      QStringLiteral("INSERT INTO items_Справочник_Товары (Наименование) VALUES ('Гвозди')"));
  const QString file = db().path();
  m_db.reset();
  m_db = Session::open(file);
  EXPECT_EQ(column(QStringLiteral("SELECT Наименование FROM items_Справочник_Товары"),
                   QStringLiteral("Наименование")),
            QStringList{"Гвозди"});
  EXPECT_EQ(value(QStringLiteral("PRAGMA journal_mode")), QStringLiteral("wal"));
}

}  // namespace
