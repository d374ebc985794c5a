#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include "config/audit_trail.h"
#include "config/closed_periods.h"
#include "config/control_tables.h"
#include "documents/audit_journal.h"
#include "shell/audit_window.h"
#include "shell/period_dialog.h"
#include "shell_fixture.h"

using namespace balvix;

namespace {

class PeriodWindows : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    ASSERT_EQ(config::ensureControlTables(*m_db), QString());
  }
};

TEST_F(PeriodWindows, TheDialogClosesReopensWithAReasonAndLocks) {
  m_main->findChild<QAction*>(QStringLiteral("mnuClosePeriod"))->trigger();
  auto* dialog = m_main->findChild<shell::frmClosePeriod*>();
  ASSERT_TRUE(dialog);
  // Every control is found by what the user reads.
  for (const char* name : {"Закрыть по", "Оставить закрытым по", "Открыть все периоды", "Причина",
                           "Закрыть период", "Открыть период", "Запретить изменение", "Закрыть"}) {
    bool found = false;
    for (QWidget* w : dialog->findChildren<QWidget*>())
      found = found || w->accessibleName() == QString::fromUtf8(name);
    EXPECT_TRUE(found) << name;
  }
  dialog->closeDate()->setDate(QDate(2026, 9, 30));
  QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("cmdClosePeriod")),
                    Qt::LeftButton);
  EXPECT_EQ(config::periods::readState(*m_db).closedTo, QDate(2026, 9, 30));
  EXPECT_TRUE(
      dialog->stateText()->text().startsWith(QStringLiteral("Период по 30.09.2026 закрыт.")));

  // Without a reason nothing is reopened; with one the date moves back.
  dialog->reopenDate()->setDate(QDate(2026, 8, 31));
  EXPECT_FALSE(dialog->reopenPeriod());
  EXPECT_TRUE(m_messages.last().contains(QStringLiteral("причину")));
  dialog->reason()->setText(QStringLiteral("исправление цены"));
  EXPECT_TRUE(dialog->reopenPeriod());
  EXPECT_EQ(config::periods::readState(*m_db).closedTo, QDate(2026, 8, 31));

  m_messages.reply(shell::MsgAnswer::Yes);
  EXPECT_TRUE(dialog->lockPeriod());
  dialog->reopenAll()->setChecked(true);
  dialog->reason()->setText(QStringLiteral("x"));
  EXPECT_FALSE(dialog->reopenPeriod());
  EXPECT_TRUE(m_messages.last().contains(QStringLiteral("нельзя открыть")));
  EXPECT_EQ(config::periods::readState(*m_db).lockedTo, QDate(2026, 8, 31));
}

TEST_F(PeriodWindows, TheJournalFiltersShowsTheWholeRecordAndExports) {
  config::audit::append(*m_db, config::audit::event::kElementChange, "Справочник.Товары", "Стол",
                        "Цена: «10» → «12»\nЕдиница: «шт» → «кг»");
  config::periods::closePeriod(*m_db, QDate(2026, 9, 30));
  m_main->findChild<QAction*>(QStringLiteral("mnuAuditJournal"))->trigger();
  auto* window = m_main->findChild<shell::frmAuditJournal*>();
  ASSERT_TRUE(window);
  EXPECT_EQ(window->model()->rowCount(), 3);
  window->objectFilter()->setText(QStringLiteral("товары"));
  QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("cmdAuditFilter")),
                    Qt::LeftButton);
  ASSERT_EQ(window->model()->rowCount(), 1);
  window->list()->setCurrentIndex(window->model()->index(0, 0));
  EXPECT_TRUE(window->details()->toPlainText().contains(QStringLiteral("Единица: «шт» → «кг»")));
  const QString file = m_dir.filePath(QStringLiteral("журнал.csv"));
  ASSERT_TRUE(window->exportTo(file));
  QFile csv(file);
  ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
  const QString text = QString::fromUtf8(csv.readAll());
  EXPECT_TRUE(text.contains(QStringLiteral("Изменение элемента"))) << text.toStdString();
  EXPECT_FALSE(text.contains(QStringLiteral("Закрытие периода")));
}

}  // namespace
