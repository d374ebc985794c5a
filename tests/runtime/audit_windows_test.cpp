#include <QKeyEvent>
#include <QSpinBox>
#include <QTableView>

#include "config/audit_archive.h"
#include "config/audit_trail.h"
#include "config/closed_periods.h"
#include "config/control_tables.h"
#include "documents/audit_journal.h"
#include "runtime/catalog_form.h"
#include "runtime/document_commands.h"
#include "runtime/document_form.h"
#include "runtime/form_control.h"
#include "runtime_fixture.h"
#include "shell/audit_window.h"

namespace balvix::runtime::testing {
namespace {

namespace audit = config::audit;

class AuditWindowsTest : public RuntimeTest {
 protected:
  AuditWindowsTest() {
    createCatalog(QStringLiteral("Товары"), {{QStringLiteral("Наименование"), "Текст"}});
    addElement(QStringLiteral("Товары"), QStringLiteral("Стол"));
    addReceiptDocument(QStringLiteral("_"));
    db().execute(
        "INSERT INTO items_Документ_Приход VALUES ('Приход стола','5','01.10.2026',"
        "'10:00:00','1')");
    EXPECT_EQ(config::ensureControlTables(db()), QString());
  }
  shell::frmAuditJournal* open() {
    auto* window = shell::showAuditWindow(state, main());
    processEvents();
    return window;
  }
  static void select(shell::frmAuditJournal* window, int row) {
    window->list()->setCurrentIndex(window->model()->index(row, 0));
  }
};

TEST_F(AuditWindowsTest, ARecordOpensTheDocumentOrElementItNames) {
  const struct {
    const QString& event;
    const char* object;
    const char* reference;
    int documents;  // document windows open after it
    int elements;
    const char* message;  // what the window says, when anything
  } records[] = {
      {audit::event::kPosting, "Документ.Приход", "01.10.2026 10:00:00", 1, 0, ""},
      {audit::event::kElementChange, "Справочник.Товары", "Стол", 1, 1, ""},
      {audit::event::kDeletion, "Документ.Приход", "02.10.2026 10:00:00", 1, 1, "не найден"},
      {audit::event::kPeriodClose, "Период", "30.09.2026", 1, 1, ""},
  };
  for (const auto& r : records)
    audit::append(db(), r.event, QString::fromUtf8(r.object), QString::fromUtf8(r.reference), {});
  shell::frmAuditJournal* window = open();
  const int count = window->model()->rowCount();
  for (int i = 0; i < 4; ++i) {
    const auto& r = records[i];
    messages.clear();
    // Newest first: the first record written is the fourth from the top.
    select(window, count - 2 - i);
    if (i % 2 == 0) {
      window->openNamed();
    } else {
      QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
      QApplication::sendEvent(window->list(), &enter);
    }
    processEvents();
    EXPECT_EQ(openWindows<frmUniDoc>().size(), r.documents) << r.object;
    EXPECT_EQ(openWindows<frmUniSpr>().size(), r.elements) << r.object;
    const QString said = messages.texts().join(u'|');
    EXPECT_TRUE(*r.message ? said.contains(QString::fromUtf8(r.message)) : said.isEmpty())
        << r.object << ": " << said.toStdString();
  }
  EXPECT_EQ(openWindows<frmUniDoc>().first()->form()->value(QStringLiteral("Наименование")),
            QStringLiteral("Приход стола"));
}

TEST_F(AuditWindowsTest, TheRetentionIsKeptAndOldRecordsGoToTheArchiveAfterAsking) {
  shell::frmAuditJournal* window = open();
  // Without a retention the user is asked for one first.
  EXPECT_FALSE(window->moveOldToArchive());
  EXPECT_TRUE(messages.texts().join(u' ').contains(QStringLiteral("Хранить лет")));
  window->retention()->setValue(1);
  messages.reply(shell::MsgAnswer::No);
  EXPECT_FALSE(window->moveOldToArchive(m_dir.filePath(QStringLiteral("архив.mdb"))));
  EXPECT_EQ(audit::retentionYears(db()), 1);
  EXPECT_FALSE(QFile::exists(m_dir.filePath(QStringLiteral("архив.mdb"))));
  // Today's records are younger than a year: nothing goes, and the user is told so.
  messages.clear();
  messages.reply(shell::MsgAnswer::Yes);
  EXPECT_FALSE(window->moveOldToArchive(m_dir.filePath(QStringLiteral("архив.mdb"))));
  EXPECT_TRUE(messages.texts().last().contains(QStringLiteral("нет")))
      << messages.texts().join(u'|').toStdString();
  EXPECT_TRUE(audit::verify(db()).ok());
}

TEST_F(AuditWindowsTest, ADocumentOfTheClosedPeriodIsRefusedBeforeAnyQuestion) {
  config::periods::closePeriod(db(), QDate(2026, 10, 31));
  const script::DocumentKey key{QStringLiteral("01.10.2026"), QStringLiteral("10:00:00")};
  for (bool removing : {true, false}) {
    messages.clear();
    EXPECT_FALSE(removing ? removeDocument(state, QStringLiteral("Приход"), key)
                          : unpostDocument(state, QStringLiteral("Приход"), key));
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(messages.texts().first().startsWith(QStringLiteral("Период по 31.10.2026 закрыт")))
        << messages.texts().first().toStdString();
  }
  EXPECT_EQ(value("SELECT count(*) FROM items_Документ_Приход").toInt(), 1);
}

}  // namespace
}  // namespace balvix::runtime::testing
