// Times the numbering of a database made before documents had numbers (the start-up step)
// against its anchor in the same run: the raw SQLite C API adding the column and writing
// the same numbers by key in one transaction, from a copy of the same file.
#include <QDate>
#include <QFile>
#include <QTemporaryDir>
#include <QTime>
#include <cstdio>

#include "bench_support.h"
#include "config/document_numbers.h"
#include "storage/session.h"
#include "storage/sql_text.h"

using namespace balvix;

namespace {

double rawNumberingMs(const QString& path, int documents, int year) {
  sqlite3* db = nullptr;
  sqlite3_open(QFile::encodeName(path).constData(), &db);
  const auto start = bench::Clock::now();
  sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
  sqlite3_exec(db, "ALTER TABLE items_Документ_Приход ADD COLUMN Номер TEXT(10)", nullptr, nullptr,
               nullptr);
  sqlite3_stmt* update = nullptr;
  sqlite3_prepare_v2(db, "UPDATE items_Документ_Приход SET Номер=? WHERE cDATE=? AND cTIME=?", -1,
                     &update, nullptr);
  for (int i = 0; i < documents; ++i) {
    const QByteArray date = QDate(year, 1, 1).addDays(i % 365).toString("dd.MM.yyyy").toUtf8();
    const QByteArray time = QTime(0, 0).addSecs(i % 86400).toString("hh:mm:ss").toUtf8();
    const QByteArray number = QByteArray::number(i + 1);
    sqlite3_bind_text(update, 1, number.constData(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(update, 2, date.constData(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(update, 3, time.constData(), -1, SQLITE_TRANSIENT);
    sqlite3_step(update);
    sqlite3_reset(update);
  }
  sqlite3_finalize(update);
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  const double ms = bench::millisecondsSince(start);
  sqlite3_close(db);
  return ms;
}

}  // namespace

int main(int argc, char** argv) {
  const int documents = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100000;
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("basa.mdb"));
  const int year = 2026;
  {
    auto db = storage::Session::createNew(path);
    db->execute(QStringLiteral(
        "CREATE TABLE items_Документ_Приход(Наименование TEXT(50),Сумма TEXT(50),cDATE TEXT(10),"
        "cTIME TEXT(10),Проводка TEXT(10))"));
    db->execute(
        QStringLiteral("CREATE INDEX idx_items_Документ_Приход ON items_Документ_Приход(cDATE,"
                       "cTIME)"));
    storage::Transaction t(*db);
    for (int i = 0; i < documents; ++i)
      db->execute(
          QStringLiteral("INSERT INTO items_Документ_Приход VALUES (%1,'100',%2,%3,'1')")
              .arg(storage::quote(QStringLiteral("Документ %1").arg(i)),
                   storage::quote(
                       QDate(year, 1, 1).addDays(i % 365).toString(QStringLiteral("dd.MM.yyyy"))),
                   storage::quote(
                       QTime(0, 0).addSecs(i % 86400).toString(QStringLiteral("hh:mm:ss")))));
    t.commit();
  }
  int numbered = 0;
  const double ours = bench::bestOf(3, [&] {
    const QString copy = dir.filePath(QStringLiteral("ours.mdb"));
    QFile::remove(copy);
    QFile::copy(path, copy);
    auto db = storage::Session::open(copy);
    const auto start = bench::Clock::now();
    storage::Transaction t(*db);
    numbered = config::numberAllDocuments(*db);
    t.commit();
    return bench::millisecondsSince(start);
  });
  const double raw = bench::bestOf(3, [&] {
    const QString copy = dir.filePath(QStringLiteral("raw.mdb"));
    QFile::remove(copy);
    QFile::copy(path, copy);
    return rawNumberingMs(copy, documents, year);
  });
  std::printf("start-up numbering of %d old documents: %.1f ms (best of 3)\n", numbered, ours);
  std::printf(
      "anchor raw SQLite, column added and the same rows updated by key: %.1f ms; "
      "ratio %.2f\n",
      raw, ours / raw);
  return numbered == documents ? 0 : 1;
}
