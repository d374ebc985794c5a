#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>

#include "storage/db_error.h"
#include "storage/pg_session.h"
#include "storage/session.h"
#include "test_helpers.h"

// A fresh database made the way the program makes one, in its own temporary folder.
class StorageTest : public ::testing::Test, public balvix::testing::TempDatabase {
 protected:
  QString path(const QString& name) const { return m_dir.filePath(name); }

  // The catalog "Товары" as the catalog designer creates it.
  void createGoods() {
    db().execute(
        QStringLiteral("CREATE TABLE items_Справочник_Товары(Наименование TEXT(50),Цена "
                       "TEXT(50),Количество TEXT(50))"));
  }

  // All values of one column of a query, in the order returned.
  QStringList column(const QString& sql, const QString& field) {
    QStringList values;
    auto rs = db().openRecordset(sql);
    for (; !rs.eof(); rs.moveNext()) values << rs.text(field);
    return values;
  }

  // Runs straight on the engine, past the session: schema and rows as another program (or
  // an older version of this one) could have left them.
  void raw(const QByteArray& sql) {
    if (auto* server = dynamic_cast<balvix::storage::PgSession*>(&db())) {
      server->executeUnresolved(QString::fromUtf8(sql));
      return;
    }
    char* message = nullptr;
    ASSERT_EQ(sqlite3_exec(db().handle(), sql.constData(), nullptr, nullptr, &message), SQLITE_OK)
        << (message ? message : "") << " in " << sql.constData();
  }

  int count(const QString& table) {
    return db().openRecordset(QStringLiteral("SELECT count(*) FROM ") + table).value(0).toInt();
  }
};

// The number of the DbError that `action` throws; 0 when it throws none.
inline int errorNumber(const std::function<void()>& action, QString* description = nullptr) {
  try {
    action();
  } catch (const balvix::storage::DbError& error) {
    if (description) *description = error.description();
    return error.number();
  }
  return 0;
}
