#include "config/closed_periods.h"

#include "config/audit_trail.h"
#include "period_fixture.h"
#include "script/engine.h"
#include "script/objects/object_factory.h"
#include "storage/row_guards.h"
#include "storage/session.h"

namespace balvix::documents::testing {
namespace {

using config::periods::PeriodState;

const QString kClosed = QStringLiteral("Период по 30.09.2026 закрыт.");
const QDate kSeptember(2026, 9, 15);
const QDate kOctober(2026, 10, 15);

class ClosedPeriod : public PeriodTest {
 protected:
  void SetUp() override {
    PeriodTest::SetUp();
    september = posted(kSeptember);
    october = posted(kOctober);
    config::periods::closePeriod(db(), QDate(2026, 9, 30));
  }
  script::DocumentKey september, october;
};

TEST_F(ClosedPeriod, TheServiceRefusesEveryChangeThatTouchesIt) {
  // Drafts to re-save: unposted while their period was open.
  config::periods::reopenPeriod(db(), {}, QStringLiteral("проба"));
  script::posting::unpost(db(), receipt.name, september);
  script::posting::unpost(db(), receipt.name, october);
  const script::DocumentKey posted = PeriodTest::posted(QDate(2026, 9, 1));
  config::periods::closePeriod(db(), QDate(2026, 9, 30));
  const struct {
    const char* what;
    std::function<void()> change;
  } cases[] = {
      {"post a new one", [&] { save(QDate(2026, 9, 20)); }},
      {"save a draft", [&] { save(QDate(2026, 9, 20), {}, false); }},
      {"unpost", [&] { script::posting::unpost(db(), receipt.name, posted); }},
      {"delete", [&] { script::posting::remove(db(), receipt.name, posted); }},
      {"delete a draft", [&] { script::posting::remove(db(), receipt.name, september); }},
      {"re-save a draft", [&] { save(kSeptember, september, false); }},
      {"post a draft", [&] { save(kSeptember, september); }},
      {"re-date into", [&] { save(QDate(2026, 9, 20), october); }},
      {"re-date out of", [&] { save(kOctober, september); }},
  };
  for (const auto& c : cases) {
    const QString before = snapshot();
    try {
      c.change();
      ADD_FAILURE() << c.what << ": not refused";
    } catch (const storage::DbError& e) {
      EXPECT_EQ(e.number(), storage::ErrorCode::Refused) << c.what;
      // Said by the service, which names the document, before the database's guard is met.
      EXPECT_TRUE(e.description().startsWith(kClosed + QStringLiteral(" Документ «Приход»")))
          << c.what << ": " << e.description().toStdString();
    }
    EXPECT_EQ(snapshot(), before) << c.what;
  }
  // The open period takes documents as before.
  EXPECT_EQ(save(QDate(2026, 10, 1)).outcome, script::PostOutcome::Posted);
}

TEST_F(ClosedPeriod, TheRepostSkipsClosedDocumentsAndSaysSo) {
  const QStringList registers = script::posting::registerTables(db());
  const QString before = snapshot();
  bool reposted = true, closed = false;
  const QString said = service->repost(september, registers, &reposted, &closed);
  EXPECT_TRUE(said.startsWith(kClosed)) << said.toStdString();
  EXPECT_TRUE(closed);
  EXPECT_FALSE(reposted);
  EXPECT_EQ(snapshot(), before);
  EXPECT_EQ(service->repost(october, registers, &reposted, &closed), QString());
  EXPECT_TRUE(reposted);
  EXPECT_FALSE(closed);
}

TEST_F(ClosedPeriod, AModuleWritesNoMovementIntoIt) {
  script::Engine engine(host);
  engine.setGlobalObject(script::createGlobalFunctions(host, context));
  engine.load(receipt.module);
  const QString before = snapshot();
  // As a posting of a document dated in it: refused before the module runs.
  EXPECT_THROW(script::posting::runAsPosting(context, receipt.name, kSeptember,
                                             {QStringLiteral("20.09.2026"), "11:00:00"},
                                             [&] {
                                               engine.runThis(QStringLiteral("ПриСохранении"));
                                               return true;
                                             }),
               storage::DbError);
  // A module that writes past the posting meets the database's own guard.
  context.currentObjectType = QStringLiteral("Документ");
  context.currentObjectName = receipt.name;
  context.documentDate = kSeptember;
  try {
    engine.runThis(QStringLiteral("ПриСохранении"));
    ADD_FAILURE() << "the movement was written";
  } catch (const script::ScriptError& e) {
    EXPECT_TRUE(e.message().contains(kClosed)) << e.message().toStdString();
  }
  EXPECT_EQ(snapshot(), before);
}

TEST_F(ClosedPeriod, RawStatementsAreRefusedByTheDatabase) {
  const QString header = config::documentHeaderTable(receipt.name);
  const QString movements = config::registerTable(QStringLiteral("Остатки"));
  const QString totals = config::registerTotalsTable(QStringLiteral("Остатки"));
  const struct {
    QString sql;
    bool refused;
  } cases[] = {
      {"INSERT INTO itogi (Код,Дебет,cDATE,cTIME,Документ) VALUES ('41','1','01.09.2026','1','x')",
       true},
      {"UPDATE " + movements + " SET Количество='9' WHERE cDATE='15.09.2026'", true},
      {"DELETE FROM " + header + " WHERE cDATE='15.09.2026'", true},
      {"UPDATE " + config::documentTablePartTable(receipt.name) + " SET Товар='Стул'", true},
      {"UPDATE " + header + " SET cDATE='20.09.2026' WHERE cDATE='15.10.2026'", true},
      {"DELETE FROM " + totals + " WHERE ИтогМесяц=202609", true},
      {"DELETE FROM " + config::accountTotalsTable() + " WHERE ИтогМесяц=202609", true},
      // The open period and a month closed only in part take changes.
      {"UPDATE " + movements + " SET Количество='3' WHERE cDATE='15.10.2026'", false},
      {"DELETE FROM " + totals + " WHERE ИтогМесяц=202610", false},
  };
  for (const auto& c : cases) {
    const QString error = outside(c.sql);
    EXPECT_EQ(error.startsWith(kClosed), c.refused)
        << c.sql.toStdString() << ": " << error.toStdString();
  }
  // Through the program's own session the refusal is a DbError of its kind.
  try {
    db().execute("DELETE FROM " + movements);
    ADD_FAILURE() << "not refused";
  } catch (const storage::DbError& e) {
    EXPECT_EQ(e.number(), storage::ErrorCode::Refused);
  }
}

TEST_F(ClosedPeriod, TablesMadeLaterAndOlderDatabasesAreGuardedToo) {
  db().execute(config::createTableStatement(config::TableRole::Movements, QStringLiteral("Новый"),
                                            {QStringLiteral("Товар")}));
  const QString insert = "INSERT INTO " + config::registerTable(QStringLiteral("Новый")) +
                         " (Товар,cDATE) VALUES ('Стол','01.09.2026')";
  // Guarded when the designer is done with it, or when the database is opened next.
  config::periods::guardTables(db());
  EXPECT_TRUE(outside(insert).startsWith(kClosed));
  storage::dropRowGuard(db(),
                        "guard_period_" + config::registerTable(QStringLiteral("Новый")) + "_i");
  EXPECT_EQ(outside(insert), QString());
  EXPECT_EQ(config::ensureControlTables(db()), QString());
  EXPECT_TRUE(outside(insert).startsWith(kClosed));
}

TEST_F(PeriodTest, ReopeningNeedsAReasonAndALockIsForGood) {
  using namespace config::periods;
  const auto date = [](const char* text) {
    return QDate::fromString(QString::fromLatin1(text), QStringLiteral("dd.MM.yyyy"));
  };
  const struct {
    const char* what;
    std::function<void()> command;
    bool refused;
    const char* closedTo;
    const char* lockedTo;
  } steps[] = {
      {"close", [&] { closePeriod(db(), date("30.09.2026")); }, false, "30.09.2026", ""},
      {"close earlier", [&] { closePeriod(db(), date("31.08.2026")); }, true, "30.09.2026", ""},
      {"reopen without a reason", [&] { reopenPeriod(db(), date("31.08.2026"), " "); }, true,
       "30.09.2026", ""},
      {"reopen later", [&] { reopenPeriod(db(), date("31.10.2026"), "x"); }, true, "30.09.2026",
       ""},
      {"reopen", [&] { reopenPeriod(db(), date("31.08.2026"), "ошибка в цене"); }, false,
       "31.08.2026", ""},
      {"lock", [&] { lockPeriod(db()); }, false, "31.08.2026", "31.08.2026"},
      {"reopen all", [&] { reopenPeriod(db(), {}, "x"); }, true, "31.08.2026", "31.08.2026"},
      {"reopen before the lock", [&] { reopenPeriod(db(), date("31.07.2026"), "x"); }, true,
       "31.08.2026", "31.08.2026"},
      {"lock earlier", [&] { lockPeriod(db(), date("31.07.2026")); }, true, "31.08.2026",
       "31.08.2026"},
      {"close later", [&] { closePeriod(db(), date("31.10.2026")); }, false, "31.10.2026",
       "31.08.2026"},
      {"reopen to the lock", [&] { reopenPeriod(db(), date("31.08.2026"), "x"); }, false,
       "31.08.2026", "31.08.2026"},
      {"lock later closes", [&] { lockPeriod(db(), date("30.11.2026")); }, false, "30.11.2026",
       "30.11.2026"},
  };
  for (const auto& step : steps) {
    bool refused = false;
    try {
      step.command();
    } catch (const storage::DbError& e) {
      refused = true;
      EXPECT_EQ(e.number(), storage::ErrorCode::Refused) << step.what;
    }
    EXPECT_EQ(refused, step.refused) << step.what;
    const PeriodState state = readState(db());
    EXPECT_EQ(state.closedTo, date(step.closedTo)) << step.what;
    EXPECT_EQ(state.lockedTo, date(step.lockedTo)) << step.what;
  }
  // Nor does an outside tool undo the lock.
  for (const char* sql :
       {"UPDATE ЗакрытиеПериода SET Запрещено='', ПоДату=''",
        "UPDATE ЗакрытиеПериода SET ПоДату='01.01.2026'", "DELETE FROM ЗакрытиеПериода"})
    EXPECT_NE(outside(QString::fromUtf8(sql)), QString()) << sql;
  EXPECT_EQ(readState(db()).lockedTo, date("30.11.2026"));
}

TEST_F(PeriodTest, TheCommandLineClosesReopensAndLocks) {
  const QString file = dbAddress();
  m_db.reset();
  const struct {
    QStringList args;
    int code;
  } runs[] = {
      {{"--close-period", "30.09.2026", "--db", file}, 0},
      {{"--close-period", "31.02.2026", "--db", file}, 1},
      {{"--reopen-period", "31.08.2026", "--db", file}, 2},
      {{"--reopen-period", "31.08.2026", "--reason", "исправление", "--db", file}, 0},
      {{"--lock-period", "--db", file}, 0},
      {{"--reopen-period", "--reason", "x", "--db", file}, 1},
      {{"--verify-audit", "--db", file}, 0},
  };
  for (const auto& run : runs) {
    QString error;
    EXPECT_EQ(balvix::testing::runProgram(run.args, &error), run.code)
        << run.args.join(' ').toStdString() << ": " << error.toStdString();
  }
  m_db = storage::Session::open(file);
  const PeriodState state = config::periods::readState(db());
  EXPECT_EQ(state.closedTo, QDate(2026, 8, 31));
  EXPECT_EQ(state.lockedTo, QDate(2026, 8, 31));
}

}  // namespace
}  // namespace balvix::documents::testing
