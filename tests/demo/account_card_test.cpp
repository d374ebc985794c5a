#include <QApplication>
#include <QHeaderView>

#include "config/object_definition.h"
#include "demo_windows_fixture.h"
#include "documents/document_service.h"
#include "documents/report_engine.h"
#include "runtime/chart_of_accounts.h"
#include "script/engine.h"
#include "script/objects/object_factory.h"
#include "script/objects/program_host.h"

namespace balvix::runtime::testing {
namespace {

using documents::ReportEngine;

// A host without windows that keeps the reports a module asks to open.
class RecordingHost : public script::ProgramHost {
 public:
  int showMessage(const QString& text, int, const QString&) override {
    messages << text;
    return script::MsgBoxCode::AnswerOk;
  }
  void setStatus(const QString&) override {}
  void startProgram(const QString&) override {}
  void openReport(const script::ReportRequest& request) override { requests << request; }
  QStringList messages;
  QList<script::ReportRequest> requests;
};

// A report of the demo built as the command line builds it: the engine and its output.
struct Built {
  std::shared_ptr<ReportEngine> report = std::make_shared<ReportEngine>();
  std::unique_ptr<script::Engine> engine;
};

Built build(storage::Session& db, script::SharedContext& context, RecordingHost& host,
            const QString& name, const ReportDialogValues& values) {
  Built b;
  const auto definition = config::readDefinition(db, config::ObjectKind::Report, name);
  EXPECT_TRUE(definition) << name.toStdString();
  if (!definition) return b;
  b.report->loadLayout(definition->layout.value_or(QString()));
  b.report->restartOutput();
  b.engine = std::make_unique<script::Engine>(host);
  b.engine->setGlobalObject(script::createGlobalFunctions(host, context));
  ReportEngine::addObjects(b.report, *b.engine, values);
  b.engine->load(documents::moduleSources(db, definition->path(), definition->module));
  return b;
}

double number(const documents::ReportSheet& s, int row, int column) {
  const documents::ReportCell* c = s.cell(row, column);
  return c ? c->number : 0.0;
}

// The trial balance's rows by account: the closing balance, debit positive.
QMap<QString, double> closingOf(const documents::ReportSheet& s) {
  QMap<QString, double> closing;
  for (int r = 0; r < s.rowCount(); ++r)
    if (s.rowSections.value(r) == QStringLiteral("Строка") ||
        s.rowSections.value(r) == QStringLiteral("Группа"))
      closing.insert(s.cell(r, 0)->text, number(s, r, 6) - number(s, r, 7));
  return closing;
}

// A balance of the card: the amount and its side («Д», «К»).
double signedBalance(const documents::ReportSheet& s, int row) {
  const documents::ReportCell* side = s.cell(row, 7);
  return side && side->text == QStringLiteral("К") ? -number(s, row, 6) : number(s, row, 6);
}

class AccountCardTest : public DemoWindowsTest {
 protected:
  ReportDialogValues period() const {
    ReportDialogValues v;
    v.start = QDate::currentDate().addDays(-60);
    v.end = QDate::currentDate().addDays(-5);
    return v;
  }
  script::SharedContext m_context;
  RecordingHost m_recorder;
};

// Every account of the trial balance drills down to its card for the same period, and the
// card's last running balance is the sheet's closing balance of that account; a parent's
// card holds its subaccounts' postings.
TEST_F(AccountCardTest, EachCardEndsOnTheTrialBalancesClosingBalance) {
  m_context.db = &db();
  const ReportDialogValues values = period();
  Built sheet =
      build(db(), m_context, m_recorder, QStringLiteral("ОборотноСальдоваяВедомость"), values);
  const documents::ReportSheet& out = sheet.report->output();
  const QMap<QString, double> closing = closingOf(out);
  ASSERT_GE(closing.size(), 4);
  int cards = 0;
  for (int r = 0; r < out.rowCount(); ++r) {
    if (!closing.contains(out.cell(r, 0)->text) || out.rowSections.value(r).isEmpty()) continue;
    const QString code = out.cell(r, 0)->text;
    const documents::CellDrill* drill = sheet.report->drillAt(r, 4);
    ASSERT_TRUE(drill) << code.toStdString();
    m_recorder.requests.clear();
    ASSERT_TRUE(ReportEngine::runDrill(*sheet.engine, *drill));
    ASSERT_EQ(m_recorder.requests.size(), 1);
    const script::ReportRequest& asked = m_recorder.requests.first();
    EXPECT_EQ(asked.name, QStringLiteral("КарточкаСчета"));
    EXPECT_EQ(asked.start, values.start);
    EXPECT_EQ(asked.end, values.end);
    ASSERT_EQ(asked.fields.size(), 1);
    EXPECT_EQ(asked.fields.first(), qMakePair(QStringLiteral("Счет"), code));

    ReportDialogValues cardValues = values;
    cardValues.fields.insert(QStringLiteral("счет"), code);
    Built card = build(db(), m_context, m_recorder, asked.name, cardValues);
    const documents::ReportSheet& c = card.report->output();
    int last = -1, end = -1;
    QSet<QString> accounts;
    for (int i = 0; i < c.rowCount(); ++i) {
      if (c.rowSections.value(i) == QStringLiteral("Строка")) {
        last = i;
        accounts << c.cell(i, 2)->text;
        EXPECT_TRUE(card.report->drillAt(i, 1) && card.report->drillAt(i, 1)->namesDocument());
      }
      if (c.rowSections.value(i) == QStringLiteral("Конец")) end = i;
    }
    ASSERT_GE(end, 0) << code.toStdString();
    if (last >= 0) {
      EXPECT_NEAR(signedBalance(c, last), closing.value(code), 0.005) << code.toStdString();
    }
    EXPECT_NEAR(signedBalance(c, end), closing.value(code), 0.005) << code.toStdString();
    for (const QString& a : accounts)
      EXPECT_TRUE(a == code || a.startsWith(code + u'.')) << a.toStdString();
    ++cards;
  }
  EXPECT_EQ(cards, closing.size());
  EXPECT_TRUE(m_recorder.messages.isEmpty()) << m_recorder.messages.join(u'\n').toStdString();
}

// A double click on a figure of the trial balance opens the card of that row's account for
// the sheet's period; closing it gives the focus back to the sheet. Enter on a posting of
// the card opens its document.
TEST_F(AccountCardTest, ADoubleClickOnAFigureOpensTheCardOfItsAccount) {
  clickMenu<frmRepDialog>(3, QStringLiteral("ОборотноСальдоваяВедомость"));
  const auto dialogs = openWindows<frmRepDialog>();
  ASSERT_EQ(dialogs.size(), 1);
  const ReportDialogValues values = period();
  dialogs.first()->periodStart()->setDate(values.start);
  dialogs.first()->periodEnd()->setDate(values.end);
  dialogs.first()->buildAndCloseButton()->click();
  processEvents();
  ASSERT_EQ(openWindows<frmReport>().size(), 1);
  frmReport* sheet = openWindows<frmReport>().first();
  QTableView* view = sheet->grid()->view();
  const documents::ReportSheet& out = sheet->grid()->sheet();
  int row = -1;
  for (int r = 0; r < out.rowCount() && row < 0; ++r)
    if (out.rowSections.value(r) == QStringLiteral("Группа")) row = r;
  ASSERT_GE(row, 0);
  const QString code = out.cell(row, 0)->text;
  const QModelIndex figure = view->model()->index(row, 4);
  EXPECT_FALSE(figure.data(Qt::AccessibleDescriptionRole).toString().isEmpty());
  view->scrollTo(figure);
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(figure).center());
  QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(figure).center());
  processEvents();
  const auto reports = openWindows<frmReport>();
  ASSERT_EQ(reports.size(), 2);
  frmReport* card = reports.last() == sheet ? reports.first() : reports.last();
  EXPECT_EQ(card->reportName(), QStringLiteral("КарточкаСчета"));
  ASSERT_TRUE(card->lastValues());
  EXPECT_EQ(card->lastValues()->fields.value(QStringLiteral("счет")), code);
  EXPECT_EQ(card->lastValues()->start, values.start);
  EXPECT_EQ(card->lastValues()->end, values.end);
  EXPECT_TRUE(card->grid()->sheet().cell(0, 0)->text.contains(code));

  // Enter on the first posting opens the document that made it.
  const documents::ReportSheet& lines = card->grid()->sheet();
  int posting = -1;
  for (int r = 0; r < lines.rowCount() && posting < 0; ++r)
    if (lines.rowSections.value(r) == QStringLiteral("Строка")) posting = r;
  ASSERT_GE(posting, 0);
  QTableView* cardView = card->grid()->view();
  cardView->setFocus();
  cardView->setCurrentIndex(cardView->model()->index(posting, 1));
  QTest::keyClick(cardView, Qt::Key_Return);
  processEvents();
  ASSERT_EQ(openWindows<frmUniDoc>().size(), 1);
  openWindows<frmUniDoc>().first()->close();
  processEvents();

  card->close();
  processEvents();
  processEvents();
  EXPECT_EQ(openWindows<frmReport>().size(), 1);
  ASSERT_TRUE(QApplication::focusWidget());
  EXPECT_TRUE(sheet->isAncestorOf(QApplication::focusWidget()));
}

// The chart lists each account's balance on the working date, the trial balance's closing
// balance up to that date, and opens the account's card on a double click.
TEST_F(AccountCardTest, TheChartShowsEachAccountsBalanceAndOpensItsCard) {
  main()->findChild<QAction*>(QStringLiteral("mnuPlan"))->trigger();
  processEvents();
  auto* plan = qobject_cast<frmPlan*>(windows().existingSharedWindow(QStringLiteral("frmPlan")));
  ASSERT_TRUE(plan);
  const QDate on = plan->model()->balanceDate();
  ASSERT_TRUE(on.isValid());
  EXPECT_EQ(plan->model()->headerData(3, Qt::Horizontal, Qt::DisplayRole).toString(),
            QStringLiteral("Сальдо на ") + on.toString(QStringLiteral("dd.MM.yyyy")));
  m_context.db = &db();
  ReportDialogValues values;
  values.start = QDate(on.year(), 1, 1);
  values.end = on;
  Built sheet =
      build(db(), m_context, m_recorder, QStringLiteral("ОборотноСальдоваяВедомость"), values);
  const QMap<QString, double> closing = closingOf(sheet.report->output());
  int compared = 0, withBalance = -1;
  for (int r = 0; r < plan->model()->rowCount(); ++r) {
    const QString code = plan->model()->account(r)->code;
    const double shown = plan->model()->index(r, 3).data(Qt::UserRole).toDouble();
    EXPECT_NEAR(shown, closing.value(code), 0.005) << code.toStdString();
    if (std::fabs(shown) < 0.005) continue;
    ++compared;
    if (withBalance < 0) withBalance = r;
    const QString text = plan->model()->index(r, 3).data().toString();
    EXPECT_TRUE(text.endsWith(shown > 0 ? QStringLiteral(" Д") : QStringLiteral(" К")))
        << text.toStdString();
  }
  EXPECT_GE(compared, 3);
  ASSERT_GE(withBalance, 0);
  auto* card = qobject_cast<frmReport*>(plan->rowDoubleClicked(withBalance));
  ASSERT_TRUE(card);
  EXPECT_EQ(card->reportName(), QStringLiteral("КарточкаСчета"));
  EXPECT_EQ(card->lastValues()->fields.value(QStringLiteral("счет")),
            plan->model()->account(withBalance)->code);
  EXPECT_EQ(card->lastValues()->end, on);
}

// Each row of the settlements, stock and sales reports drills down to the report of its
// documents, and that report ends on the row's figures; each of its lines opens a document.
TEST_F(AccountCardTest, TheBooksReportsDrillDownToDocumentsThatAddUpToTheirRows) {
  struct Case {
    QString report, detail;
    QStringList fields;     // what the detail is asked for, in order
    QList<int> keyColumns;  // the source row's cells that hold those values
    QList<int> figures;     // the source row's figures...
    QString endSection;     // ...equal to the detail's in this section
    QList<int> endFigures;
    bool signedSettlement;  // the source's debit and credit against the detail's balance
  };
  const QList<Case> cases = {
      {QStringLiteral("ВзаиморасчетыСКонтрагентами"),
       QStringLiteral("РасчетыСКонтрагентом"),
       {QStringLiteral("Контрагент")},
       {0},
       {1, 2},
       QStringLiteral("Конец"),
       {5, 6},
       true},
      {QStringLiteral("ОстаткиТоваров"),
       QStringLiteral("ДвиженияТовара"),
       {QStringLiteral("Товар"), QStringLiteral("Склад")},
       {0, 1},
       {3, 4},
       QStringLiteral("Конец"),
       {6, 7},
       false},
      {QStringLiteral("Продажи"),
       QStringLiteral("ПродажиТовара"),
       {QStringLiteral("Товар")},
       {0},
       {1, 2, 3},
       QStringLiteral("Итог"),
       {2, 3, 4},
       false},
  };
  m_context.db = &db();
  const ReportDialogValues values = period();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.report.toStdString());
    Built sheet = build(db(), m_context, m_recorder, c.report, values);
    const documents::ReportSheet& out = sheet.report->output();
    int drilled = 0, documentLines = 0;
    for (int r = 0; r < out.rowCount() && drilled < 8; ++r) {
      if (out.rowSections.value(r) != QStringLiteral("Строка")) continue;
      const documents::CellDrill* drill = sheet.report->drillAt(r, 0);
      ASSERT_TRUE(drill) << r;
      m_recorder.requests.clear();
      ASSERT_TRUE(ReportEngine::runDrill(*sheet.engine, *drill));
      ASSERT_EQ(m_recorder.requests.size(), 1);
      const script::ReportRequest asked = m_recorder.requests.first();
      EXPECT_EQ(asked.name, c.detail);
      ASSERT_EQ(asked.fields.size(), c.fields.size());
      ReportDialogValues detailValues{asked.start, asked.end, {}};
      for (qsizetype f = 0; f < c.fields.size(); ++f) {
        EXPECT_EQ(asked.fields[f].first, c.fields[f]);
        EXPECT_EQ(asked.fields[f].second, out.cell(r, c.keyColumns[f])->text);
        detailValues.fields.insert(asked.fields[f].first.toLower(), asked.fields[f].second);
      }
      Built detail = build(db(), m_context, m_recorder, asked.name, detailValues);
      const documents::ReportSheet& d = detail.report->output();
      int end = -1, lines = 0;
      for (int i = 0; i < d.rowCount(); ++i) {
        if (d.rowSections.value(i) == c.endSection) end = i;
        if (d.rowSections.value(i) != QStringLiteral("Строка")) continue;
        ++lines;
        EXPECT_TRUE(detail.report->drillAt(i, 1) && detail.report->drillAt(i, 1)->namesDocument());
      }
      ASSERT_GE(end, 0);
      documentLines += lines;  // a good may lie untouched through the period
      if (c.signedSettlement) {
        const double balance = number(d, end, c.endFigures[0]);
        const double owed =
            d.cell(end, c.endFigures[1])->text == QStringLiteral("К") ? -balance : balance;
        EXPECT_NEAR(owed, number(out, r, c.figures[0]) - number(out, r, c.figures[1]), 0.005);
      } else {
        for (qsizetype f = 0; f < c.figures.size(); ++f)
          EXPECT_NEAR(number(d, end, c.endFigures[f]), number(out, r, c.figures[f]), 0.005) << f;
      }
      ++drilled;
    }
    EXPECT_GT(drilled, 0);
    EXPECT_GT(documentLines, 0);
  }
  EXPECT_TRUE(m_recorder.messages.isEmpty()) << m_recorder.messages.join(u'\n').toStdString();
}

}  // namespace
}  // namespace balvix::runtime::testing
