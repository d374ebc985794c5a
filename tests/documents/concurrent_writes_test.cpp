// Two sessions on one database file: postings retried whole when they meet the other's lock,
// and writes refused over a version someone else wrote meanwhile.
#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "config/object_definition.h"
#include "config/row_versions.h"
#include "config/table_names.h"
#include "documents/document_service.h"
#include "documents/element_save.h"
#include "message_host.h"
#include "script/objects/document_content_objects.h"
#include "script/objects/object_factory.h"
#include "test_helpers.h"

namespace balvix::documents::testing {
namespace {

using config::ObjectDefinition;
using config::ObjectKind;
using config::RequisiteType;

// Keeps the boxes asked for during a posting until its transaction has ended, as the windows do.
class HoldingHost : public script::MessageHost {
 public:
  int showMessage(const QString& text, int buttons, const QString& title) override {
    int answer = 0;
    if (keepWhileHeld(text, buttons, title, answer)) return answer;
    return MessageHost::showMessage(text, buttons, title);
  }
};

class ConcurrentWrites : public ::testing::Test, public balvix::testing::TempDatabase {
 protected:
  void SetUp() override {
    ObjectDefinition goods;
    goods.kind = ObjectKind::Catalog;
    goods.name = QStringLiteral("Товары");
    goods.requisites = {{QStringLiteral("Наименование"), RequisiteType::ofKind(Kind::Text)},
                        {QStringLiteral("Цена"), RequisiteType::ofKind(Kind::Text)}};
    config::insertDefinition(db(), goods);
    db().execute(config::createTableStatement(config::TableRole::Elements, goods.name,
                                              goods.requisiteNames()));
    db().execute(QStringLiteral("INSERT INTO items_Справочник_Товары VALUES ('Стол','1')"));
    ObjectDefinition receipt;
    receipt.kind = ObjectKind::Document;
    receipt.name = QStringLiteral("Приход");
    receipt.requisites = {{QStringLiteral("Наименование"), RequisiteType::ofKind(Kind::Text)}};
    receipt.module = QStringLiteral(
        "Sub ПриСохранении()\r\n  MsgBox \"Проведение\"\r\n  Форма.Значение(\"Наименование\") = "
        "Форма.Значение(\"Наименование\") & \"+\"\r\nEnd Sub\r\n");
    config::insertDefinition(db(), receipt);
    db().execute(config::createTableStatement(config::TableRole::Header, receipt.name,
                                              receipt.requisiteNames()));
    context.db = &db();
  }

  // Holds the write lock of the file in another session until `release` is set.
  std::thread holdLock(std::promise<void>& ready, std::shared_future<void> release) {
    return std::thread([this, &ready, release] {
      auto other = storage::Session::open(dbAddress());
      storage::Transaction t(*other);
      ready.set_value();
      release.wait();
      t.commit();
    });
  }

  using Kind = RequisiteType::Kind;
  HoldingHost host;
  script::SharedContext context;
};

TEST_F(ConcurrentWrites, APostingThatMeetsAConflictIsRunAgainWholeShowingOnlyTheLastBoxes) {
  script::DocumentContent content;
  content.kind = QStringLiteral("Приход");
  content.date = QDate(2026, 12, 7);
  content.header = {{QStringLiteral("Наименование"), QStringLiteral("П")}};
  script::Engine engine(host);
  engine.setGlobalObject(script::createGlobalFunctions(host, context));
  engine.addObject(QStringLiteral("Форма"),
                   std::make_shared<script::ContentForm>(content, QStringLiteral("Приход")));
  engine.load(
      moduleSources(db(), QStringLiteral("Документ.Приход"),
                    config::readDefinition(db(), ObjectKind::Document, content.kind)->module));
  // The first attempt fails after its module ran, showed its box and wrote into the form.
  int attempts = 0;
  SaveOptions options;
  options.reread = [&] {
    if (++attempts == 1)
      throw storage::DbError(storage::ErrorCode::Conflict, QStringLiteral("could not serialize"));
  };
  options.restore = [&](const script::DocumentContent& before) { content = before; };
  const SaveOutcome outcome =
      saveAndPost(context, host, content, std::nullopt, &engine, QTime(10, 0, 0), true, options);
  EXPECT_EQ(attempts, 2);
  EXPECT_EQ(outcome.outcome, script::PostOutcome::Posted);
  // The number the failed attempt took went back with it.
  EXPECT_EQ(outcome.number, QStringLiteral("1"));
  EXPECT_EQ(host.messages, QStringList{QStringLiteral("Проведение")});
  EXPECT_EQ(value(QStringLiteral("SELECT Наименование FROM ") +
                  config::documentHeaderTable(content.kind)),
            QStringLiteral("П+"));
}

TEST_F(ConcurrentWrites, APostingWaitsOutAnotherProgramsLockOrIsRefusedNamingIt) {
  BALVIX_FILE_ONLY("the file's one write lock; on a server postings run side by side");
  db().setBusyTimeout(20);
  auto service = DocumentService::open(context, host, QStringLiteral("Приход"));
  ASSERT_TRUE(service);
  ASSERT_FALSE(service->load());
  for (const bool released : {true, false}) {
    std::promise<void> ready, release;
    std::thread holder = holdLock(ready, release.get_future().share());
    ready.get_future().wait();
    // Let go soon after the first attempt, or only once the posting has given up.
    std::thread letGo;
    if (released)
      letGo = std::thread([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
        release.set_value();
      });
    host.messages.clear();
    service->startNew(QDate(2026, 12, 7));
    try {
      const SaveOutcome outcome = service->saveAndPost(std::nullopt, QTime(12, 0, 0));
      EXPECT_TRUE(released);
      EXPECT_EQ(outcome.outcome, script::PostOutcome::Posted);
      EXPECT_EQ(outcome.number, QStringLiteral("1"));
      EXPECT_EQ(host.messages, QStringList{QStringLiteral("Проведение")});
    } catch (const storage::DbError& e) {
      EXPECT_FALSE(released);
      EXPECT_EQ(e.number(), storage::ErrorCode::Locked);
      EXPECT_TRUE(Contains(e.description(), QStringLiteral("заблокирована другой программой")));
      EXPECT_TRUE(Contains(e.description(), QStringLiteral("попыток: 6")));
      EXPECT_TRUE(host.messages.isEmpty());
    }
    if (letGo.joinable())
      letGo.join();
    else
      release.set_value();
    holder.join();
  }
  EXPECT_EQ(rows(QStringLiteral("SELECT * FROM ") +
                 config::documentHeaderTable(QStringLiteral("Приход"))),
            1);
}

TEST_F(ConcurrentWrites, TheSecondEditorOfAnElementIsRefusedUntilItChooses) {
  auto other = storage::Session::open(dbAddress());
  const QString goods = QStringLiteral("Товары");
  // Both windows read the element at version 0 (a database that never wrote one).
  const qint64 read = elementVersion(db(), goods, QStringLiteral("Стол"));
  EXPECT_EQ(read, 0);
  EXPECT_EQ(elementVersion(*other, goods, QStringLiteral("Стол")), read);
  auto write = [&](storage::Session& session, const QString& name, const QString& price,
                   std::optional<qint64> version) {
    ElementWrite element{
        goods, QStringLiteral("Стол"), {"Наименование", "Цена"}, {name, price}, {}, version};
    return saveElement(session, element);
  };
  ElementOutcome first = write(*other, QStringLiteral("Стол"), QStringLiteral("5"), read);
  EXPECT_EQ(first.status, ElementStatus::Saved);
  EXPECT_EQ(first.version, 1);
  ElementOutcome second = write(db(), QStringLiteral("Стол"), QStringLiteral("7"), read);
  EXPECT_EQ(second.status, ElementStatus::ChangedElsewhere);
  EXPECT_EQ(second.version, 1);
  EXPECT_EQ(value(QStringLiteral("SELECT Цена FROM items_Справочник_Товары")), QStringLiteral("5"));
  // «Записать мою»: over whatever is stored, the version raised.
  second = write(db(), QStringLiteral("Стол"), QStringLiteral("7"), std::nullopt);
  EXPECT_EQ(second.status, ElementStatus::Saved);
  EXPECT_EQ(second.version, 2);
  // A rename carries the version to the new name.
  second = write(db(), QStringLiteral("Стол большой"), QStringLiteral("7"), 2);
  EXPECT_EQ(second.status, ElementStatus::Saved);
  EXPECT_EQ(elementVersion(*other, goods, QStringLiteral("Стол большой")), 3);
  EXPECT_EQ(write(*other, QStringLiteral("Стол"), QStringLiteral("9"), 1).status,
            ElementStatus::ChangedElsewhere);
}

TEST_F(ConcurrentWrites, ADraftSavedOverAnotherSessionsSaveIsRefused) {
  auto other = storage::Session::open(dbAddress());
  script::SharedContext otherContext;
  otherContext.db = other.get();
  script::DocumentContent draft;
  draft.kind = QStringLiteral("Приход");
  draft.date = QDate(2026, 12, 7);
  draft.header = {{QStringLiteral("Наименование"), QStringLiteral("черновик")}};
  const script::PostResult saved =
      script::posting::saveAndPost(context, draft, std::nullopt, {}, QTime(9, 0, 0), false);
  ASSERT_EQ(saved.version, 1);
  draft.header[0].second = QStringLiteral("их");
  const script::PostResult theirs = script::posting::saveAndPost(
      otherContext, draft, saved.key, {}, QTime(9, 0, 0), false, saved.version);
  EXPECT_EQ(theirs.outcome, script::PostOutcome::Posted);
  EXPECT_EQ(theirs.version, 2);
  draft.header[0].second = QStringLiteral("мой");
  const script::PostResult mine = script::posting::saveAndPost(
      context, draft, saved.key, {}, QTime(9, 0, 0), false, saved.version);
  EXPECT_EQ(mine.outcome, script::PostOutcome::ChangedElsewhere);
  EXPECT_EQ(mine.version, 2);
  EXPECT_EQ(mine.number, saved.number);
  EXPECT_EQ(
      value(QStringLiteral("SELECT Наименование FROM ") + config::documentHeaderTable(draft.kind)),
      QStringLiteral("их"));
}

}  // namespace
}  // namespace balvix::documents::testing
