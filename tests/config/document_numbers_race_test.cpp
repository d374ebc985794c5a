// Two users' programs numbering documents of one kind at once: every number once, none missed.
#include <algorithm>
#include <thread>

#include "config/document_numbers.h"
#include "storage/db_error.h"
#include "test_helpers.h"

using namespace balvix;

namespace {

class DocumentNumbersRace : public ::testing::Test, public balvix::testing::TempDatabase {};

TEST_F(DocumentNumbersRace, TwoSessionsTakeEveryNumberOnce) {
  constexpr int kEach = 300;
  config::ensureDocumentNumbersTable(db());
  std::unique_ptr<storage::Session> sessions[] = {storage::Session::open(dbAddress()),
                                                  storage::Session::open(dbAddress())};
  std::vector<int> taken[2];
  auto clerk = [&](int who) {
    storage::Session& session = *sessions[who];
    session.setBusyTimeout(10000);
    for (int i = 0; i < kEach; ++i) {
      for (int attempt = 0;; ++attempt) {
        try {
          storage::Transaction transaction(session);
          const int number = config::takeDocumentNumber(session, QStringLiteral("Счет"), 2026);
          transaction.commit();
          taken[who].push_back(number);
          break;
        } catch (const storage::DbError& e) {
          if ((e.number() != storage::ErrorCode::Conflict &&
               e.number() != storage::ErrorCode::Locked) ||
              attempt > 5)
            throw;
        }
      }
    }
  };
  std::thread a(clerk, 0);
  std::thread b(clerk, 1);
  a.join();
  b.join();
  std::vector<int> all = taken[0];
  all.insert(all.end(), taken[1].begin(), taken[1].end());
  std::sort(all.begin(), all.end());
  ASSERT_EQ(all.size(), 2u * kEach);
  for (int i = 0; i < 2 * kEach; ++i) ASSERT_EQ(all[static_cast<std::size_t>(i)], i + 1);
}

}  // namespace
