#pragma once

#include <functional>

namespace balvix::documents {

// How many times a posting that met another session's change or lock is tried again.
constexpr int kPostingRetries = 5;

// Runs `attempt`, a whole transaction, and again after a short random pause, growing from
// tens of milliseconds, while it fails with DbError Conflict or Locked: up to kPostingRetries
// times. `beforeRetry` puts back what the failed attempt changed outside the database. The last
// failure passes through with a description that says the action was refused after the retries.
void retryWhenBusy(const std::function<void()>& attempt,
                   const std::function<void()>& beforeRetry = {});

}  // namespace balvix::documents
