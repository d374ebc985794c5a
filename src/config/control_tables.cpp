#include "config/control_tables.h"

#include "config/audit_trail.h"
#include "config/closed_periods.h"
#include "storage/session.h"

namespace balvix::config {

QString ensureControlTables(storage::Session& db) {
  try {
    storage::Transaction transaction(db);
    audit::ensure(db);
    periods::ensure(db);
    transaction.commit();
  } catch (const storage::DbError& e) {
    return QStringLiteral("Не удалось подготовить журнал регистрации и закрытие периода: %1")
        .arg(e.description());
  }
  return QString();
}

}  // namespace balvix::config
