#include "documents/posting_retry.h"

#include <QRandomGenerator>
#include <QThread>

#include "storage/db_error.h"

namespace balvix::documents {

namespace {

bool retryable(const storage::DbError& e) {
  return e.number() == storage::ErrorCode::Conflict || e.number() == storage::ErrorCode::Locked;
}

storage::DbError refusal(const storage::DbError& e) {
  const QString tries = QStringLiteral("попыток: %1").arg(kPostingRetries + 1);
  if (e.number() == storage::ErrorCode::Locked)
    return storage::DbError(e.number(), e.description() + QStringLiteral(" (") + tries + u')');
  return storage::DbError(
      e.number(),
      QStringLiteral("Изменения не внесены: те же данные в это время изменяли другие "
                     "пользователи (%1). Повторите действие.")
              .arg(tries) +
          (e.description().isEmpty() ? QString() : QStringLiteral(" ") + e.description()));
}

}  // namespace

void retryWhenBusy(const std::function<void()>& attempt, const std::function<void()>& beforeRetry) {
  for (int retry = 0;; ++retry) {
    try {
      attempt();
      return;
    } catch (const storage::DbError& e) {
      if (!retryable(e)) throw;
      if (retry == kPostingRetries) throw refusal(e);
    }
    // Two sessions that met once would meet again if they waited alike.
    const int base = 10 << retry;
    QThread::msleep(static_cast<unsigned long>(base + QRandomGenerator::global()->bounded(base)));
    if (beforeRetry) beforeRetry();
  }
}

}  // namespace balvix::documents
