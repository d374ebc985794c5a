#include "runtime/report_window.h"

#include <QAction>
#include <QDateEdit>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <QToolBar>

#include "config/global_module.h"
#include "configurator/report_designer.h"
#include "runtime/catalog_list.h"
#include "runtime/chart_of_accounts.h"
#include "runtime/form_control.h"
#include "runtime/report_model.h"
#include "runtime_fixture.h"
#include "shell/window_names.h"

namespace balvix::runtime::testing {
namespace {

namespace names = shell::window_names;

QString layoutText() {
  ReportSheet s;
  CellStyle bold;
  bold.bold = true;
  const int b = s.styleIndex(bold);
  s.cellRef(0, 0) = {"Отчет за [С] - [По]", b};
  s.cellRef(1, 0) = {"[Товар]"};
  s.cellRef(1, 1) = {"[Количество]"};
  s.cellRef(1, 2) = {"[Дата]"};
  s.merges << QRect(0, 0, 3, 1);
  s.sections << ReportSection{"Шапка", 0, 0} << ReportSection{"Строка", 1, 1};
  return ReportLayoutText::write(s);
}

class ReportWindowTest : public RuntimeTest {
 protected:
  void addReport(const QString& name, const QString& layout, const QString& module,
                 const QString& dialog = QString()) {
    db().execute(QStringLiteral("INSERT INTO form_items (type,name,descript,code,item,table_) "
                                "VALUES ('Отчет',%1,%2,%3,%4,%5)")
                     .arg(storage::quote(name), storage::quote(name), storage::quote(module),
                          layout.isNull() ? QStringLiteral("NULL") : storage::quote(layout),
                          dialog.isNull() ? QStringLiteral("NULL") : storage::quote(dialog)));
    main()->BuildMenus();
  }
  QString stored(const QString& column, const QString& name) {
    return value(QStringLiteral("SELECT ") + column +
                 QStringLiteral(" FROM form_items WHERE type='Отчет' AND name=") +
                 storage::quote(name));
  }
  frmReport* openFromMenu(const QString& name) { return clickMenu<frmReport>(3, name); }
  static shell::WindowArguments arguments(const QString& name) {
    shell::WindowArguments a;
    a.kind = config::ObjectKind::Report;
    a.objectName = name;
    return a;
  }
  static QString cell(frmReport* w, int row, int column) {
    return w->grid()->cellText(row, column);
  }
  const QString rows = QStringLiteral(
      "Отчет.Параметр(\"С\") = \"01.01.2026\"\nОтчет.Параметр(\"По\") = "
      "\"31.01.2026\"\nОтчет.Вывести(\"Шапка\")\n"
      "Для Н = 1 До 3\n  Отчет.Параметр(\"Товар\") = \"Товар \" & Н\n  "
      "Отчет.Параметр(\"Количество\") = Н * 10\n"
      "  Отчет.Параметр(\"Дата\") = \"0\" & Н & \".02.2026\"\n  "
      "Отчет.Вывести(\"Строка\")\nДалее\n");
};

TEST_F(ReportWindowTest, MenuOpensOneWindowThatRunsTheModule) {
  addReport(QStringLiteral("Итоги"), layoutText(), rows);
  frmReport* w = openFromMenu(QStringLiteral("Итоги"));
  ASSERT_TRUE(w);
  EXPECT_EQ(w->windowTitle(), QStringLiteral("Отчет.Итоги"));
  EXPECT_EQ(state.reportWindow, w);
  EXPECT_EQ(w->grid()->model()->rowCount(), 4) << messages.last().toStdString();
  EXPECT_EQ(cell(w, 1, 1), QStringLiteral("Отчет за 01.01.2026 - 31.01.2026"));
  EXPECT_EQ(cell(w, 4, 2), QStringLiteral("30"));
  EXPECT_FALSE(w->findChild<QAction*>(QStringLiteral("actParameters"))->isEnabled());
  EXPECT_TRUE(w->findChild<QAction*>(QStringLiteral("actPdf"))->isEnabled());
  openFromMenu(QStringLiteral("Итоги"));
  EXPECT_EQ(openWindows<frmReport>().size(), 1);
  // Rebuilding gives the same output, not twice the rows.
  w->findChild<QAction*>(QStringLiteral("actRebuild"))->trigger();
  EXPECT_EQ(w->grid()->model()->rowCount(), 4);
  EXPECT_TRUE(messages.texts().isEmpty());
  // The toolbar's saves write what the grid shows; a folder that does not exist is reported.
  QTemporaryDir dir;
  ASSERT_TRUE(w->saveAs(QStringLiteral("csv"), dir.filePath(QStringLiteral("итоги.csv"))));
  QFile csv(dir.filePath(QStringLiteral("итоги.csv")));
  ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
  EXPECT_EQ(QString::fromUtf8(csv.readAll()).split(QStringLiteral("\r\n")).value(3),
            QStringLiteral("Товар 3;30;03.02.2026"));
  EXPECT_TRUE(w->saveAs(QStringLiteral("xlsx"), dir.filePath(QStringLiteral("итоги.xlsx"))));
  EXPECT_TRUE(w->saveAs(QStringLiteral("pdf"), dir.filePath(QStringLiteral("итоги.pdf"))));
  EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("итоги.pdf"))));
  // The preview shows the pages of the output (one here) and closes without printing.
  int previewPages = -1;
  QTimer::singleShot(50, [&] {
    auto* preview = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget());
    if (!preview) return;
    if (auto* widget = preview->findChild<QPrintPreviewWidget*>())
      previewPages = widget->pageCount();
    preview->reject();
  });
  w->findChild<QAction*>(QStringLiteral("actPreview"))->trigger();
  EXPECT_EQ(previewPages, 1);
  EXPECT_FALSE(w->saveAs(QStringLiteral("xlsx"), dir.filePath(QStringLiteral("нет/итоги.xlsx"))));
  EXPECT_EQ(messages.texts().size(), 1);
}

TEST_F(ReportWindowTest, SavingAWorkbookThatChangedCellsSaysHowManyInTheStatusLine) {
  addReport(QStringLiteral("Коды"), layoutText(),
            QStringLiteral("Отчет.Параметр(\"Товар\") = \"a\" & Chr(0) & \"b\"\n"
                           "Отчет.Вывести(\"Строка\")\n"));
  frmReport* w = openFromMenu(QStringLiteral("Коды"));
  ASSERT_TRUE(w);
  QTemporaryDir dir;
  ASSERT_TRUE(w->saveAs(QStringLiteral("xlsx"), dir.filePath(QStringLiteral("коды.xlsx"))));
  EXPECT_TRUE(Contains(main()->statusText(), QStringLiteral("Изменено ячеек в книге Excel: 1")));
  ASSERT_TRUE(w->saveAs(QStringLiteral("csv"), dir.filePath(QStringLiteral("коды.csv"))));
  EXPECT_FALSE(main()->statusText().contains(QStringLiteral("Изменено")));
}

TEST_F(ReportWindowTest, MissingReportWithoutLayoutAndTrueFalseWords) {
  auto* missing = qobject_cast<frmReport*>(
      windows().newWindowWith(names::kReport, arguments(QStringLiteral("Нет"))));
  ASSERT_TRUE(missing);
  ASSERT_EQ(messages.messages().size(), 1u);
  EXPECT_EQ(messages.messages()[0].text,
            QStringLiteral("Отчет не найден, возможно он был удален."));
  EXPECT_EQ(messages.messages()[0].title, QStringLiteral("Нет"));
  EXPECT_EQ(missing->grid()->model()->rowCount(), 0);
  delete missing;
  messages.clear();
  // Without a layout the module does not run.
  addReport(QStringLiteral("Пусто"), QString(), QStringLiteral("Сообщить(\"запущен\")\n"));
  frmReport* empty = openFromMenu(QStringLiteral("Пусто"));
  ASSERT_TRUE(empty);
  EXPECT_TRUE(messages.texts().isEmpty());
  ReportSheet page;
  page.cellRef(0, 0).text = QStringLiteral("Истина или Ложь");
  addReport(QStringLiteral("Слова"), ReportLayoutText::write(page),
            QStringLiteral("Сообщить(\"запущен\")\n"));
  frmReport* words = openFromMenu(QStringLiteral("Слова"));
  ASSERT_TRUE(words);
  EXPECT_EQ(cell(words, 1, 1), QStringLiteral("True или False"));
  EXPECT_EQ(messages.texts(), QStringList{"запущен"});
  EXPECT_TRUE(
      stored(QStringLiteral("item"), QStringLiteral("Слова")).contains(QStringLiteral("Истина")));
}

TEST_F(ReportWindowTest, DesignerLayoutButtonEditsWithoutRunningAndStoresQuotedOnClose) {
  addReport(QStringLiteral("Итоги"), layoutText(), QStringLiteral("Сообщить(\"запущен\")\n"));
  state.currentObjectType = QStringLiteral("Отчет");
  state.currentObjectName = QStringLiteral("Итоги");
  state.selectedConfigNode = QStringLiteral("Отчет.Итоги");
  auto* designer =
      qobject_cast<configurator::frmRepFrm*>(windows().sharedWindow(names::kReportDesigner));
  ASSERT_TRUE(designer);
  designer->show();
  auto* layoutButton = designer->findChild<QPushButton*>(QStringLiteral("Command2"));
  ASSERT_TRUE(layoutButton->isEnabled());
  layoutButton->click();
  processEvents();
  auto* w = qobject_cast<frmReport*>(windows().existingSharedWindow(names::kReport));
  ASSERT_TRUE(w);
  EXPECT_TRUE(w->designMode());
  EXPECT_TRUE(messages.texts().isEmpty());  // the module did not run
  EXPECT_EQ(w->grid()->cellText(2, 1), QStringLiteral("[Товар]"));
  ReportModel* m = w->grid()->model();
  m->setData(m->index(2, 0), QStringLiteral("Товар 'Стол'"), Qt::EditRole);

  // A refused update keeps the window open with its layout.
  balvix::testing::failWrites(db(), "UPDATE", "form_items", "запрещено");
  EXPECT_FALSE(w->close());
  ASSERT_EQ(messages.texts().size(), 1);
  EXPECT_TRUE(messages.last().contains(QStringLiteral("Макет отчета не сохранен")));
  db().execute(QStringLiteral("DROP TRIGGER fail_writes"));
  EXPECT_TRUE(w->close());
  const auto back = ReportLayoutText::read(stored(QStringLiteral("item"), QStringLiteral("Итоги")));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->cell(2, 0)->text, QStringLiteral("Товар 'Стол'"));
  EXPECT_EQ(back->sections.size(), 2);
  // The shared window, still designing, asked for the chart's report stores first.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  layoutButton->click();
  processEvents();
  w = qobject_cast<frmReport*>(windows().existingSharedWindow(names::kReport));
  ASSERT_TRUE(w && w->designMode());
  w->grid()->model()->setData(w->grid()->model()->index(2, 1), QStringLiteral("Склад"),
                              Qt::EditRole);
  shell::WindowArguments plan = arguments(QStringLiteral("ПланСчетов"));
  EXPECT_EQ(windows().sharedWindowWith(names::kReport, plan), w);
  EXPECT_FALSE(w->designMode());
  EXPECT_EQ(ReportLayoutText::read(stored(QStringLiteral("item"), QStringLiteral("Итоги")))
                ->cell(2, 1)
                ->text,
            QStringLiteral("Склад"));
  designer->close();
}

TEST_F(ReportWindowTest, DialogIsDesignedFromTheDesignerAndItsValuesReachTheModule) {
  addReport(QStringLiteral("Склад"), layoutText(),
            QStringLiteral(
                "Отчет.Параметр(\"С\") = Диалог.НачалоПериода\nОтчет.Параметр(\"По\") = "
                "Диалог.КонецПериода\n"
                "Отчет.Вывести(\"Шапка\")\nОтчет.Параметр(\"Товар\") = Диалог.Значение(\"склад\")\n"
                "Отчет.Вывести(\"Строка\")\n"));
  // The designer's dialog button: the dialog in design mode, its layout stored on closing.
  state.currentObjectType = QStringLiteral("Отчет");
  state.currentObjectName = QStringLiteral("Склад");
  state.selectedConfigNode = QStringLiteral("Отчет.Склад");
  auto* designer =
      qobject_cast<configurator::frmRepFrm*>(windows().sharedWindow(names::kReportDesigner));
  designer->show();
  designer->findChild<QPushButton*>(QStringLiteral("Command4"))->click();
  processEvents();
  auto* design = qobject_cast<frmRepDialog*>(windows().existingSharedWindow(names::kReportDialog));
  ASSERT_TRUE(design);
  EXPECT_TRUE(design->form()->designMode());
  EXPECT_FALSE(design->buildButton()->isEnabled());
  design->form()->setPlacePoint(QPoint(20, 20));
  const QString caption = design->form()->PlaceControl(QStringLiteral("Текст"));
  ASSERT_FALSE(caption.isEmpty());
  ASSERT_TRUE(design->form()->RenameElement(caption, QStringLiteral("Склад")));
  design->close();
  designer->close();
  processEvents();
  ASSERT_TRUE(
      stored(QStringLiteral("table_"), QStringLiteral("Склад")).contains(QStringLiteral("Склад")));
  EXPECT_FALSE(state.formDesignMode);

  // From the menu the dialog comes first; "Сформировать" builds with its values.
  frmReport* w = openFromMenu(QStringLiteral("Склад"));
  ASSERT_TRUE(w);
  EXPECT_EQ(w->grid()->model()->rowCount(), 0);
  const auto dialogs = openWindows<frmRepDialog>();
  ASSERT_EQ(dialogs.size(), 1);
  frmRepDialog* dialog = dialogs.first();
  // The dialog is above its report, and the «Окна» menu names it by its report.
  ASSERT_TRUE(main()->mdiArea()->activeSubWindow());
  EXPECT_EQ(main()->mdiArea()->activeSubWindow()->widget(), dialog);
  auto* windowsMenu = main()->findChild<QMenu*>(QStringLiteral("mnuWindow"));
  ASSERT_TRUE(windowsMenu);
  emit windowsMenu->aboutToShow();
  QStringList items;
  for (QAction* a : windowsMenu->actions()) items << a->text();
  EXPECT_TRUE(items.contains(QStringLiteral("&2 Форма ввода: Склад")))
      << items.join(u'|').toStdString();
  dialog->periodStart()->setDate(QDate(2026, 3, 1));
  dialog->periodEnd()->setDate(QDate(2026, 3, 31));
  dialog->form()->setValue(QStringLiteral("Склад"), QStringLiteral("Главный 'А'"));
  dialog->buildButton()->click();
  EXPECT_EQ(cell(w, 1, 1), QStringLiteral("Отчет за 01.03.2026 - 31.03.2026"));
  EXPECT_EQ(cell(w, 2, 1), QStringLiteral("Главный 'А'"));
  // A reversed period is refused; "Сформировать и закрыть" builds and closes.
  dialog->periodStart()->setDate(QDate(2026, 4, 1));
  dialog->buildButton()->click();
  EXPECT_EQ(messages.last(), QStringLiteral("Начало периода позже его конца."));
  dialog->periodEnd()->setDate(QDate(2026, 4, 30));
  dialog->buildAndCloseButton()->click();
  processEvents();
  EXPECT_EQ(cell(w, 1, 1), QStringLiteral("Отчет за 01.04.2026 - 30.04.2026"));
  EXPECT_TRUE(openWindows<frmRepDialog>().isEmpty());
  // The parameters button shows the dialog again; rebuilding keeps the last values.
  QAction* parameters = w->findChild<QAction*>(QStringLiteral("actParameters"));
  ASSERT_TRUE(parameters->isEnabled());
  parameters->trigger();
  processEvents();
  EXPECT_EQ(openWindows<frmRepDialog>().size(), 1);
  w->findChild<QAction*>(QStringLiteral("actRebuild"))->trigger();
  EXPECT_EQ(cell(w, 2, 1), QStringLiteral("Главный 'А'"));
  // The dialog of a report not saved yet says so and stores nothing.
  messages.clear();
  auto* unsaved = qobject_cast<frmRepDialog*>(windows().sharedWindowWith(names::kReportDialog, [] {
    shell::WindowArguments a = arguments(QStringLiteral("Новый"));
    a.designMode = true;
    return a;
  }()));
  ASSERT_TRUE(unsaved);
  EXPECT_TRUE(messages.last().contains(QStringLiteral("еще не сохранен")));
  EXPECT_TRUE(unsaved->close());
}

TEST_F(ReportWindowTest, ChartOfAccountsPrintsThroughItsReport) {
  auto* plan = qobject_cast<frmPlan*>(windows().sharedWindow(names::kChartOfAccounts));
  ASSERT_TRUE(plan);
  plan->printButton()->click();
  processEvents();
  auto* w = qobject_cast<frmReport*>(windows().existingSharedWindow(names::kReport));
  ASSERT_TRUE(w);
  EXPECT_EQ(w->windowTitle(), QStringLiteral("Отчет.ПланСчетов"));
  storage::Recordset rs = db().openRecordset(QStringLiteral("SELECT Код, Наименование FROM plan"));
  QStringList expected{"План счетов|", "Код|Наименование"};
  for (; !rs.eof(); rs.moveNext()) expected << rs.text(0) + QLatin1Char('|') + rs.text(1);
  QStringList shown;
  for (int r = 1; r <= w->grid()->sheet().rowCount(); ++r)
    shown << cell(w, r, 1) + QLatin1Char('|') + cell(w, r, 2);
  EXPECT_EQ(shown, expected);
  EXPECT_TRUE(messages.texts().isEmpty()) << messages.last().toStdString();
  w->close();
  processEvents();
  // Without the report the not-found message is titled with its name.
  db().execute(QStringLiteral("DELETE FROM form_items WHERE name='ПланСчетов'"));
  plan->printButton()->click();
  ASSERT_FALSE(messages.messages().empty());
  EXPECT_EQ(messages.messages().back().title, QStringLiteral("ПланСчетов"));
  EXPECT_EQ(messages.last(), QStringLiteral("Отчет не найден, возможно он был удален."));
}

TEST_F(ReportWindowTest, AnErrorInTheGlobalModuleNamesItAndItsOwnLineInReportsAndForms) {
  // The procedure divides by zero on line 3 of the global module; the callers' own lines
  // differ, so a module glued to the global module would name the wrong module and line.
  config::writeGlobalModule(db(), QStringLiteral("Sub Сломать()\r\n  x = 1\r\n  y = x / 0\r\n"
                                                 "End Sub\r\n"));
  const QString expected = QStringLiteral(
      "Ошибка в модуле «Глобальный модуль», строка 3:\n"
      "Деление на ноль");
  addReport(QStringLiteral("Сломанный"), layoutText(), QStringLiteral("a = 1\r\nСломать\r\n"));
  ASSERT_TRUE(openFromMenu(QStringLiteral("Сломанный")));
  EXPECT_EQ(messages.last(), expected);

  messages.clear();
  createCatalog(QStringLiteral("Услуги"), {{"Наименование", "Текст"}},
                QStringLiteral("a = 1\r\nb = 2\r\nc = 3\r\nd = 4\r\nСломать\r\n"));
  db().execute(QStringLiteral("INSERT INTO items_Справочник_Услуги VALUES ('Доставка')"));
  main()->BuildMenus();
  auto* list = clickMenu<frmSprList>(0, QStringLiteral("Услуги"));
  ASSERT_TRUE(list);
  list->rowDoubleClicked(0);
  processEvents();
  EXPECT_EQ(messages.last(), expected);
}

}  // namespace
}  // namespace balvix::runtime::testing
