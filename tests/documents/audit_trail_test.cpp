#include "config/audit_trail.h"

#include "config/audit_archive.h"
#include "config/closed_periods.h"
#include "config/global_module.h"
#include "documents/audit_journal.h"
#include "period_fixture.h"
#include "storage/row_guards.h"
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
  const int before = value("SELECT count(*) FROM ЖурналРегистрации").toInt();
  balvix::testing::failWrites(db(), "INSERT", "itogi", "диск полон");
  EXPECT_EQ(save(QDate(2026, 10, 5)).outcome, script::PostOutcome::Aborted);
  EXPECT_EQ(value("SELECT count(*) FROM ЖурналРегистрации").toInt(), before);
}

TEST_F(PeriodTest, AnEditedOrRemovedRecordBreaksTheChainFromThere) {
  for (int day = 1; day <= 4; ++day) posted(QDate(2026, 10, day));
  ASSERT_TRUE(audit::verify(db()).ok()) << audit::verify(db()).text().toStdString();
  EXPECT_EQ(audit::verify(db()).records, 5);
  // The table refuses both, through the program and past it.
  EXPECT_THROW(db().execute("UPDATE ЖурналРегистрации SET Пользователь='x'"), storage::DbError);
  EXPECT_NE(outside("DELETE FROM ЖурналРегистрации WHERE Номер=5"), QString());
  // A sixth record written past the program, with a hash that fits the chain.
  audit::Record added;
  added.number = 6;
  added.event = QStringLiteral("Проведение");
  added.previousHash = value("SELECT Хеш FROM ЖурналРегистрации WHERE Номер=5");
  added.hash = audit::recordHash(added);
  const struct {
    const char* what;
    QString sql;
    qint64 broken;
    const char* says;
  } cases[] = {
      {"details edited", "UPDATE ЖурналРегистрации SET Подробности='№ 7' WHERE Номер=3", 3,
       "запись изменена"},
      {"hash recomputed by hand", "UPDATE ЖурналРегистрации SET Хеш='00' WHERE Номер=2", 2,
       "запись изменена"},
      {"a record removed", "DELETE FROM ЖурналРегистрации WHERE Номер=4", 5, "нет записи № 4"},
      {"the last record removed", "DELETE FROM ЖурналРегистрации WHERE Номер=5", 5,
       "после записи № 4 нет записи № 5"},
      {"the last records removed", "DELETE FROM ЖурналРегистрации WHERE Номер>3", 4,
       "нет записей № 4–5"},
      {"a record added past the program",
       QStringLiteral("INSERT INTO ЖурналРегистрации (Номер,Событие,ПредыдущийХеш,Хеш) VALUES "
                      "(6,'Проведение','%1','%2')")
           .arg(added.previousHash, added.hash),
       6, "мимо программы"},
  };
  for (const auto& c : cases) {
    // Each case in a transaction undone after it: an outside tool drops the guards first.
    storage::Transaction scratch(db());
    storage::dropRowGuard(db(), QStringLiteral("guard_audit_update"));
    storage::dropRowGuard(db(), QStringLiteral("guard_audit_delete"));
    db().execute(c.sql);
    const audit::Verification result = audit::verify(db());
    EXPECT_EQ(result.firstBroken, c.broken) << c.what;
    EXPECT_TRUE(result.text().contains(QStringLiteral("запись № %1").arg(c.broken)) &&
                result.text().contains(QString::fromUtf8(c.says)))
        << result.text().toStdString();
    // Work goes on after it, and the break stays in sight.
    audit::append(db(), audit::event::kImport, "Справочник.Товары", {}, {});
    EXPECT_FALSE(audit::verify(db()).ok()) << c.what;
  }
  ASSERT_TRUE(audit::verify(db()).ok());
  // The state's end cannot be moved back to hide them, even through the program.
  EXPECT_THROW(db().execute("UPDATE ЖурналРегистрацииСостояние SET ПоследнийНомер=4"),
               storage::DbError);
  EXPECT_THROW(db().execute("DELETE FROM ЖурналРегистрацииСостояние"), storage::DbError);
  // The command line names it too, and the database check fails with it.
  storage::dropRowGuard(db(), QStringLiteral("guard_audit_update"));
  db().execute("UPDATE ЖурналРегистрации SET Пользователь='кто-то' WHERE Номер=2");
  const QString copy = dbAddress();
  m_db.reset();
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
  // A trail begun before its state was kept gets its state from its records.
  for (const char* guard :
       {"guard_audit_state_insert", "guard_audit_state_update", "guard_audit_state_delete"})
    storage::dropRowGuard(old.db(), QString::fromUtf8(guard));
  old.db().execute("DROP TABLE ЖурналРегистрацииСостояние");
  EXPECT_EQ(config::ensureControlTables(old.db()), QString());
  EXPECT_EQ(audit::readState(old.db()).lastNumber, 2);
  audit::append(old.db(), audit::event::kImport, "Справочник.Товары", {}, "y");
  EXPECT_TRUE(audit::verify(old.db()).ok());
  EXPECT_EQ(audit::verify(old.db()).records, 3);
}

TEST_F(PeriodTest, OldRecordsMoveToAChainedArchiveAndNeverVanish) {
  for (int i = 0; i < 10; ++i)
    audit::append(db(), audit::event::kImport, "Справочник.Товары", QString::number(i), {});
  const QString archive = audit::defaultArchivePath(dbPath());
  EXPECT_TRUE(archive.endsWith(QStringLiteral(".журнал-архив.mdb"))) << archive.toStdString();
  const QDate tomorrow = QDate::currentDate().addDays(1);
  // Stopped midway, nothing is moved.
  EXPECT_THROW(audit::moveToArchive(db(), tomorrow, archive, [](qint64, qint64) { return false; }),
               storage::DbError);
  EXPECT_EQ(value("SELECT count(*) FROM ЖурналРегистрации").toInt(), 11);

  audit::ArchiveOutcome outcome = audit::moveToArchive(db(), tomorrow, archive);
  EXPECT_EQ(outcome.moved, 10);  // the last record stays
  EXPECT_EQ(outcome.lastMoved, 10);
  EXPECT_EQ(value("SELECT min(Номер) FROM ЖурналРегистрации").toInt(), 11);
  EXPECT_EQ(value("SELECT Событие FROM ЖурналРегистрации WHERE Номер=12"), audit::event::kArchive);
  EXPECT_TRUE(audit::verify(db()).ok()) << audit::verify(db()).text().toStdString();
  // Moved again later, the archive's chain runs on.
  for (int i = 0; i < 3; ++i)
    audit::append(db(), audit::event::kImport, "Справочник.Товары", {}, {});
  EXPECT_EQ(audit::moveToArchive(db(), tomorrow, archive).moved, 4);
  {
    std::unique_ptr<storage::Session> kept = storage::Session::open(archive);
    const audit::Verification check = audit::verify(*kept);
    EXPECT_TRUE(check.ok()) << check.text().toStdString();
    EXPECT_EQ(check.records, 14);
    EXPECT_EQ(audit::readState(*kept).lastHash, audit::readState(db()).hashBeforeFirst);
  }
  EXPECT_TRUE(audit::verify(db()).ok()) << audit::verify(db()).text().toStdString();
  EXPECT_EQ(audit::verify(db()).records, 2);
  // The first record left, removed past the program, is missed.
  storage::dropRowGuard(db(), QStringLiteral("guard_audit_delete"));
  EXPECT_EQ(outside("DELETE FROM ЖурналРегистрации WHERE Номер=15"), QString());
  EXPECT_EQ(audit::verify(db()).firstBroken, 16);
  // Another database's archive is refused.
  balvix::testing::TempDatabase other;
  ASSERT_EQ(config::ensureControlTables(other.db()), QString());
  audit::append(other.db(), audit::event::kImport, "Справочник.Товары", {}, {});
  EXPECT_THROW(
      {
        try {
          audit::moveToArchive(other.db(), tomorrow, archive);
        } catch (const storage::DbError& e) {
          EXPECT_TRUE(e.description().contains(QStringLiteral("не продолжает")))
              << e.description().toStdString();
          throw;
        }
      },
      storage::DbError);
}

TEST_F(PeriodTest, TheRetentionMovesWhatIsOlderAndTheCommandsSayWhat) {
  const QString path = dbAddress();
  QString error, output;
  EXPECT_EQ(balvix::testing::runProgram({"--archive-audit", "--db", path}, &error), 1);
  EXPECT_TRUE(error.contains(QStringLiteral("не задан"))) << error.toStdString();
  EXPECT_EQ(balvix::testing::runProgram({"--audit-retention", "2", "--db", path}, &error), 0);
  EXPECT_EQ(audit::retentionYears(db()), 2);
  // Nothing is two years old yet; three years on, all but the last record are.
  EXPECT_EQ(audit::applyRetention(db(), QDate::currentDate(), m_dir.filePath("a.mdb")).moved, 0);
  const qint64 before = value("SELECT count(*) FROM ЖурналРегистрации").toInt();
  EXPECT_EQ(
      audit::applyRetention(db(), QDate::currentDate().addYears(3), m_dir.filePath("a.mdb")).moved,
      before - 1);
  EXPECT_EQ(balvix::testing::runProgram({"--archive-audit", "--db", path, "--before",
                                         QDate::currentDate().addDays(1).toString("dd.MM.yyyy"),
                                         "--archive", m_dir.filePath("a.mdb")},
                                        &error, &output),
            0)
      << error.toStdString();
  EXPECT_TRUE(output.contains(QStringLiteral("перенесено записей: 1"))) << output.toStdString();
  // A copy made from the command line is in the trail too.
  EXPECT_EQ(balvix::testing::runProgram({"--backup", path, m_dir.filePath("copy.mdb")}, &error), 0);
  EXPECT_EQ(value("SELECT Событие FROM ЖурналРегистрации ORDER BY Номер DESC LIMIT 1"),
            audit::event::kBackup);
  EXPECT_TRUE(audit::verify(db()).ok());
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
