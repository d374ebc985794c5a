#include "documents/sole_user.h"

#include "storage/db_error.h"
#include "storage/object_locks.h"
#include "storage/row_guards.h"

namespace balvix::documents {

void requireSoleUser(storage::ObjectLocks* locks) {
  if (!locks) return;
  const QStringList others = locks->otherUsers();
  if (others.isEmpty()) return;
  throw storage::DbError(
      storage::ErrorCode::Refused,
      QStringLiteral("Конфигурацию нельзя изменить, пока с базой данных работают другие "
                     "пользователи: %1. Изменение не сохранено и не отложено: повторите его, "
                     "когда они завершат работу.")
          .arg(others.join(QStringLiteral(", "))));
}

}  // namespace balvix::documents
