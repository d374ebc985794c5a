#include "config/global_module.h"

#include "config/configuration_audit.h"
#include "storage/session.h"
#include "storage/sql_text.h"

namespace balvix::config {

QString readGlobalModule(storage::Session& db) {
  storage::Recordset rs = db.openRecordset(QStringLiteral("SELECT код FROM ГлобальныйМодуль"));
  return rs.eof() ? QString() : rs.text(0);
}

void writeGlobalModule(storage::Session& db, const QString& text) {
  storage::Transaction transaction(db);
  recordGlobalModuleChange(db, readGlobalModule(db), text);
  db.execute(QStringLiteral("UPDATE ГлобальныйМодуль SET код=") + storage::quote(text));
  if (db.changes() == 0)
    db.execute(QStringLiteral("INSERT INTO ГлобальныйМодуль (код) VALUES (") +
               storage::quote(text) + QLatin1Char(')'));
  transaction.commit();
}

}  // namespace balvix::config
