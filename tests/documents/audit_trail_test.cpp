#include "config/audit_trail.h"

#include "config/closed_periods.h"
#include "config/global_module.h"
#include "documents/audit_journal.h"
#include "period_fixture.h"
#include "storage/session.h"

namespace balvix::documents::testing {
namespace {

namespace audit = config::audit;

QStringList events(storage::Session& db) {
  QStringList out;
  for (storage::Recordset rs =
           db.openRecordset(QStringLiteral("SELECT Событие,Объект FROM ") + audit::auditTable() +
                            QStringLiteral(" ORDER BY Номер"));
       !rs.eof(); rs.moveNext())
    out << rs.text(0) + u' ' + rs.text(1);
  return out;
}

TEST_F(PeriodTest, EveryChangeIsRecordedInItsOwnTransaction) {
  const script::DocumentKey key = posted(QDate(2026, 10, 1));
  script::posting::unpost(db(), receipt.name, key);
  save(QDate(2026, 10, 2), key, false);
  const QString moved = QStringLiteral("02.10.2026 10:00:00");
  script::posting::remove(db(), receipt.name, {QStringLiteral("02.10.2026"), "10:00:00"});
  config::writeModule(db(), config::ObjectKind::Document, receipt.name,
                      receipt.module + QStringLiteral("' конец\n"));
  config::writeGlobalModule(db(), QStringLiteral("Перем А;\n"));
  config::periods::closePeriod(db(), QDate(2026, 9, 30));
  EXPECT_EQ(events(db()), (QStringList{
                              "Начало журнала База данных",
                              "Проведение Документ.Приход",
                              "Отмена проведения Документ.Приход",
                              "Запись документа Документ.Приход",
                              "Удаление Документ.Приход",
                              "Изменение конфигурации Документ.Приход",
                              "Изменение конфигурации Глобальный модуль",
                              "Закрытие периода Период",
                          }));
  EXPECT_TRUE(value("SELECT Подробности FROM ЖурналРегистрации WHERE Номер=4")
                  .contains(QStringLiteral("было 01.10.2026 10:00:00")));
  EXPECT_EQ(value("SELECT Ссылка FROM ЖурналРегистрации WHERE Номер=5"), moved);
  EXPECT_TRUE(value("SELECT Подробности FROM ЖурналРегистрации WHERE Номер=6")
                  .contains(QStringLiteral("+' конец")));
  // A posting rolled back leaves no record.
  const int before = rows("SELECT count(*) FROM ЖурналРегистрации");
  balvix::testing::failWrites(db(), "INSERT", "itogi", "диск полон");
  EXPECT_EQ(save(QDate(2026, 10, 5)).outcome, script::PostOutcome::Aborted);
  EXPECT_EQ(rows("SELECT count(*) FROM ЖурналРегистрации"), before);
}

TEST_F(PeriodTest, AnEditedOrRemovedRecordBreaksTheChainFromThere) {
  for (int day = 1; day <= 4; ++day) posted(QDate(2026, 10, day));
  ASSERT_TRUE(audit::verify(db()).ok()) << audit::verify(db()).text().toStdString();
  EXPECT_EQ(audit::verify(db()).records, 5);
  // The table refuses both, through the program and past it.
  EXPECT_THROW(db().execute("UPDATE ЖурналРегистрации SET Пользователь='x'"), storage::DbError);
  EXPECT_NE(outside("DELETE FROM ЖурналРегистрации WHERE Номер=5"), QString());
  const struct {
    const char* what;
    const char* sql;
    qint64 broken;
  } cases[] = {
      {"details edited", "UPDATE ЖурналРегистрации SET Подробности='№ 7' WHERE Номер=3", 3},
      {"hash recomputed by hand", "UPDATE ЖурналРегистрации SET Хеш='00' WHERE Номер=2", 2},
      {"a record removed", "DELETE FROM ЖурналРегистрации WHERE Номер=4", 5},
  };
  for (const auto& c : cases) {
    // A copy of the database for each case: an outside tool drops the guards first.
    const QString copy = m_dir.filePath(QString::fromUtf8(c.what) + ".mdb");
    ASSERT_EQ(outside(QStringLiteral("VACUUM INTO '%1'").arg(copy)), QString());
    std::unique_ptr<storage::Session> edited = storage::Session::open(copy);
    edited->execute("DROP TRIGGER guard_audit_update");
    edited->execute("DROP TRIGGER guard_audit_delete");
    edited->execute(QString::fromUtf8(c.sql));
    const audit::Verification result = audit::verify(*edited);
    EXPECT_EQ(result.firstBroken, c.broken) << c.what;
    EXPECT_TRUE(result.text().contains(QStringLiteral("запись № %1").arg(c.broken)))
        << result.text().toStdString();
  }
  // The command line names it too, and the database check fails with it.
  const QString copy = m_dir.filePath("cli.mdb");
  ASSERT_EQ(outside(QStringLiteral("VACUUM INTO '%1'").arg(copy)), QString());
  {
    std::unique_ptr<storage::Session> edited = storage::Session::open(copy);
    edited->execute("DROP TRIGGER guard_audit_update");
    edited->execute("UPDATE ЖурналРегистрации SET Пользователь='кто-то' WHERE Номер=2");
  }
  QString error, output;
  EXPECT_EQ(balvix::testing::runProgram({"--verify-audit", "--db", copy}, &error), 1);
  EXPECT_TRUE(error.contains(QStringLiteral("запись № 2"))) << error.toStdString();
  EXPECT_EQ(balvix::testing::runProgram({"--check", "--db", copy}, &error, &output), 1);
  EXPECT_TRUE(output.contains(QStringLiteral("запись № 2"))) << output.toStdString();
}

TEST(AuditTrail, AnOldDatabaseOpensAndStartsItsChain) {
  balvix::testing::TempDatabase old;
  EXPECT_FALSE(old.db().tableExists(audit::auditTable()));
  // Before the program has opened it nothing is recorded, and nothing fails.
  audit::append(old.db(), audit::event::kImport, "Справочник.Товары", {}, {});
  EXPECT_EQ(config::ensureControlTables(old.db()), QString());
  EXPECT_EQ(events(old.db()), QStringList{"Начало журнала База данных"});
  audit::append(old.db(), audit::event::kImport, "Справочник.Товары", {}, "x");
  const audit::Verification result = audit::verify(old.db());
  EXPECT_TRUE(result.ok()) << result.text().toStdString();
  EXPECT_EQ(result.records, 2);
  // Opened again, it keeps its chain.
  EXPECT_EQ(config::ensureControlTables(old.db()), QString());
  EXPECT_EQ(audit::verify(old.db()).records, 2);
}

TEST(AuditTrail, ChangesAreTextsOfWhatDiffers) {
  EXPECT_EQ(audit::fieldChanges({{"Наименование", "Стол"}, {"Цена", "10"}, {"Код", "1"}},
                                {{"наименование", "Стол"}, {"Цена", "12"}, {"Новое", "a'b"}}),
            QStringLiteral("Цена: «10» → «12»\nНовое: «» → «a'b»"));
  const struct {
    const char* before;
    const char* after;
    const char* diff;
  } diffs[] = {
      {"a\nb\nc", "a\nb\nc", ""},
      {"a\nb\nc", "a\nx\nc", "@@ -2,1 +2,1 @@\n-b\n+x"},
      {"a\nc", "a\nb\nc", "@@ -2,0 +2,1 @@\n+b"},
      {"a\nb\nc\nd", "a\nd", "@@ -2,2 +2,0 @@\n-b\n-c"},
      {"x\na\ny", "a\nz", "@@ -1,3 +1,2 @@\n-x\n a\n-y\n+z"},
  };
  for (const auto& d : diffs)
    EXPECT_EQ(audit::lineDiff(QString::fromUtf8(d.before), QString::fromUtf8(d.after)),
              QString::fromUtf8(d.diff))
        << d.before << " -> " << d.after;
}

TEST(AuditTrail, TheJournalReadsInPortionsUnderItsFilter) {
  balvix::testing::TempDatabase base;
  ASSERT_EQ(config::ensureControlTables(base.db()), QString());
  const int total = AuditJournalModel::kPortion * 2 + 10;
  {
    storage::Transaction transaction(base.db());
    for (int i = 0; i < total; ++i)
      audit::append(base.db(), i % 3 == 0 ? audit::event::kPosting : audit::event::kDeletion,
                    QStringLiteral("Документ.Приход"), QString::number(i), {});
    transaction.commit();
  }
  AuditJournalModel model(base.db());
  EXPECT_EQ(model.rowCount(), AuditJournalModel::kPortion);
  EXPECT_EQ(model.record(0).reference, QString::number(total - 1));  // newest first
  int fetched = 0;
  while (model.canFetchMore({})) {
    model.fetchMore({});
    ++fetched;
  }
  EXPECT_EQ(fetched, 2);
  EXPECT_EQ(model.rowCount(), total + 1);
  EXPECT_EQ(model.record(total).event, audit::event::kStart);
  const struct {
    AuditFilter filter;
    int rows;
  } filters[] = {
      {{{}, {}, {}, {}, QStringLiteral("Проведение")}, (total + 2) / 3},
      {{{}, {}, {}, QStringLiteral("приход"), {}}, total},
      {{{}, {}, QStringLiteral("нет такого"), {}, {}}, 0},
      {{QDate::currentDate().addDays(1), {}, {}, {}, {}}, 0},
      {{{}, QDate::currentDate(), {}, {}, {}}, total + 1},
  };
  for (const auto& f : filters) {
    model.setFilter(f.filter);
    EXPECT_EQ(static_cast<int>(model.table().rows.size()), f.rows) << f.filter.event.toStdString();
  }
}

}  // namespace
}  // namespace balvix::documents::testing
