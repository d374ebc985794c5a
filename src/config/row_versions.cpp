#include "config/row_versions.h"

#include <algorithm>

#include "storage/session.h"
#include "storage/sql_text.h"

namespace balvix::config {

namespace {

using storage::quote;

QString rowCondition(const QString& objectPath, const QString& key) {
  return QStringLiteral(" WHERE object=") + quote(objectPath) + QStringLiteral(" AND rowkey=") +
         quote(key);
}

void insertVersion(storage::Session& db, const QString& objectPath, const QString& key,
                   qint64 version) {
  db.execute(QStringLiteral("INSERT INTO ") + rowVersionsTable() +
             QStringLiteral(" (object,rowkey,version) VALUES (") + quote(objectPath) +
             QLatin1Char(',') + quote(key) + QLatin1Char(',') + QString::number(version) +
             QLatin1Char(')'));
}

}  // namespace

QString rowVersionsTable() {
  return QStringLiteral("row_versions");
}

QString elementVersionKey(const QString& elementName) {
  return elementName;
}

QString documentVersionKey(const QString& date, const QString& time) {
  return date + u' ' + time;
}

QString editingLockKey(const QString& objectPath, const QString& key) {
  return objectPath + u'\n' + key;
}

qint64 rowVersion(storage::Session& db, const QString& objectPath, const QString& key) {
  if (!db.tableExists(rowVersionsTable())) return 0;
  storage::Recordset rs = db.openRecordset(QStringLiteral("SELECT version FROM ") +
                                           rowVersionsTable() + rowCondition(objectPath, key));
  return rs.eof() ? 0 : rs.value(0).toLongLong();
}

qint64 raiseRowVersion(storage::Session& db, const QString& objectPath, const QString& key,
                       const QString& previousKey) {
  if (!db.tableExists(rowVersionsTable()))
    db.execute(QStringLiteral("CREATE TABLE ") + rowVersionsTable() +
               QStringLiteral("(object TEXT(50),rowkey TEXT(50),version INTEGER,"
                              "PRIMARY KEY(object,rowkey))"));
  if (previousKey.isEmpty() || previousKey == key) {
    // The update comes first: it takes the row's lock before its value is read, on every
    // engine.
    db.execute(QStringLiteral("UPDATE ") + rowVersionsTable() +
               QStringLiteral(" SET version=version+1") + rowCondition(objectPath, key));
    if (db.changes() > 0) return rowVersion(db, objectPath, key);
    insertVersion(db, objectPath, key, 1);
    return 1;
  }
  // A row of the new key left by a document removed there keeps counting upwards.
  const qint64 version =
      std::max(rowVersion(db, objectPath, previousKey), rowVersion(db, objectPath, key)) + 1;
  for (const QString& old : {previousKey, key})
    db.execute(QStringLiteral("DELETE FROM ") + rowVersionsTable() + rowCondition(objectPath, old));
  insertVersion(db, objectPath, key, version);
  return version;
}

}  // namespace balvix::config
