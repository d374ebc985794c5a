#include <QAction>
#include <QDate>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include "config/print_forms.h"
#include "runtime/document_form.h"
#include "runtime/journal.h"
#include "runtime/print_window.h"
#include "runtime/toolbar_control.h"
#include "runtime_fixture.h"
#include "shell/window_names.h"

namespace balvix::runtime::testing {
namespace {

const QString kLayout = QStringLiteral(
    "BalvixReport 1\r\ncolumns 2\r\ncell 0 0 0 [Форма]\\s№\\s[Номер]\r\ncell 1 0 0 [Товар]\r\n"
    "cell 1 1 0 [Количество]\r\nsection Шапка 0 0\r\nsection Строка 1 1\r\n");

QString formModule(const QString& title) {
  return QStringLiteral(
             "Отчет.Параметр(\"Форма\") = \"%1\"\r\n"
             "Отчет.Параметр(\"Номер\") = Документ.Номер\r\n"
             "Отчет.Вывести(\"Шапка\")\r\n"
             "Таблица.ВыбратьСтроки()\r\n"
             "Делать Пока Таблица.ПолучитьСтроку() = 1\r\n"
             "  Отчет.Параметр(\"Товар\") = Таблица.ЗначениеКолонки(\"Товар\")\r\n"
             "  Отчет.Параметр(\"Количество\") = Таблица.ЗначениеКолонки(\"Количество\")\r\n"
             "  Отчет.Вывести(\"Строка\")\r\n"
             "Цикл\r\n")
      .arg(title);
}

// A sale stored with two rows under number 5, in a journal, and its print forms.
class PrintWindowsTest : public RuntimeTest {
 protected:
  PrintWindowsTest() {
    db().execute(QStringLiteral(
        "INSERT INTO form_items (name,descript,type) VALUES ('Основной','Основной','Журнал')"));
    db().execute(QStringLiteral(
        "INSERT INTO form_items (name,descript,code,type,zurnal,items_type,table_,TableItemsType) "
        "VALUES ('Продажа','Продажа','_','Документ','Основной','Текст;','1','Текст;Число;')"));
    db().execute(
        QStringLiteral("CREATE TABLE items_Документ_Продажа(Наименование TEXT(50),"
                       "cDATE TEXT(10),cTIME TEXT(10),Проводка TEXT(10),Номер TEXT(10))"));
    db().execute(
        QStringLiteral("CREATE TABLE table_Документ_Продажа(Товар TEXT(50),"
                       "Количество TEXT(50),cDATE TEXT(10),cTIME TEXT(10))"));
    const QString key = storage::quote(m_date) + QStringLiteral(",'10:00:00'");
    db().execute(QStringLiteral("INSERT INTO items_Документ_Продажа VALUES ('П-5',") + key +
                 QStringLiteral(",'1','5')"));
    for (const char* row : {"'Стол','2'", "'Стул','6'"})
      db().execute(QStringLiteral("INSERT INTO table_Документ_Продажа VALUES (") +
                   QString::fromUtf8(row) + u',' + key + u')');
    addForm(QStringLiteral("Накладная"));
    main()->BuildMenus();
  }
  void addForm(const QString& name) {
    ASSERT_TRUE(
        config::addPrintForm(db(), QStringLiteral("Продажа"), {name, kLayout, formModule(name)}));
  }
  frmZurnal* journal() {
    frmZurnal* j = clickMenu<frmZurnal>(2, QStringLiteral("Основной"));
    EXPECT_TRUE(j);
    if (!j) return nullptr;
    j->list()->setCurrentIndex(j->list()->model()->index(0, 0));
    processEvents();
    return j;
  }
  static QStringList texts(frmPrint* window) {
    QStringList out;
    const documents::ReportSheet& s = window->grid()->sheet();
    for (int r = 0; r < s.rowCount(); ++r) {
      QStringList cells;
      for (int c = 0; c < s.columns; ++c) cells << (s.cell(r, c) ? s.cell(r, c)->text : QString());
      out << cells.join(u'|');
    }
    return out;
  }

  const QString m_date = QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy"));
};

TEST_F(PrintWindowsTest, TheJournalPrintsTheSelectedDocumentThroughItsOnlyForm) {
  frmZurnal* j = journal();
  ASSERT_TRUE(j);
  j->toolbar()->click(7);
  processEvents();
  frmPrint* printed = openWindows<frmPrint>().value(0);
  ASSERT_TRUE(printed) << messages.last().toStdString();
  EXPECT_EQ(printed->windowTitle(), QStringLiteral("Накладная № 5 от ") + m_date);
  EXPECT_EQ(texts(printed), (QStringList{QStringLiteral("Накладная № 5|"), QStringLiteral("Стол|2"),
                                         QStringLiteral("Стул|6")}));
  const QString pdf = m_dir.filePath(QStringLiteral("н.pdf"));
  EXPECT_TRUE(printed->saveAs(QStringLiteral("pdf"), pdf));
  EXPECT_TRUE(QFile::exists(pdf));
}

TEST_F(PrintWindowsTest, OfSeveralFormsTheOneChosenFromTheMenuIsPrinted) {
  addForm(QStringLiteral("Счет"));
  frmZurnal* j = journal();
  ASSERT_TRUE(j);
  j->printSelected();
  processEvents();
  EXPECT_TRUE(openWindows<frmPrint>().isEmpty());
  auto* menu = j->toolbar()->findChild<QMenu*>(QStringLiteral("mnuPrint"));
  ASSERT_TRUE(menu);
  QStringList names;
  for (QAction* a : menu->actions()) names << a->text();
  EXPECT_EQ(names, (QStringList{QStringLiteral("Накладная"), QStringLiteral("Счет")}));
  menu->hide();
  menu->actions().at(1)->trigger();
  processEvents();
  frmPrint* printed = openWindows<frmPrint>().value(0);
  ASSERT_TRUE(printed);
  EXPECT_EQ(texts(printed).value(0), QStringLiteral("Счет № 5|"));
}

TEST_F(PrintWindowsTest, TheDocumentWindowPrintsOnlyWhatIsStored) {
  frmZurnal* j = journal();
  ASSERT_TRUE(j);
  j->openDocument();
  processEvents();
  frmUniDoc* doc = openWindows<frmUniDoc>().value(0);
  ASSERT_TRUE(doc && doc->printButton());
  EXPECT_EQ(doc->printButton()->accessibleName(), QStringLiteral("Печать"));
  QTest::mouseClick(doc->printButton(), Qt::LeftButton);
  processEvents();
  ASSERT_EQ(openWindows<frmPrint>().size(), 1) << messages.last().toStdString();
  EXPECT_EQ(texts(openWindows<frmPrint>().value(0)).size(), 3);

  frmUniDoc* fresh = clickMenu<frmUniDoc>(1, QStringLiteral("Продажа"));
  ASSERT_TRUE(fresh && fresh != doc);
  fresh->print();
  EXPECT_EQ(messages.last(),
            QStringLiteral("Документ не записан: запишите его, чтобы напечатать."));
  config::deletePrintForm(db(), QStringLiteral("Продажа"), QStringLiteral("Накладная"));
  doc->print();
  EXPECT_TRUE(Contains(messages.last(), QStringLiteral("нет печатных форм")));
  EXPECT_EQ(openWindows<frmPrint>().size(), 1);
}

TEST_F(PrintWindowsTest, TheLayoutEditedInDesignIsStoredWithTheFormWhenTheWindowCloses) {
  shell::WindowArguments a;
  a.kind = config::ObjectKind::Document;
  a.objectName = QStringLiteral("Продажа");
  a.elementName = QStringLiteral("Накладная");
  a.designMode = true;
  auto* design =
      qobject_cast<frmPrint*>(windows().newWindowWith(shell::window_names::kPrintForm, a));
  ASSERT_TRUE(design && design->designMode());
  QAbstractItemModel* model = design->grid()->view()->model();
  ASSERT_TRUE(model->setData(model->index(0, 1), QStringLiteral("Дата: [Дата]"), Qt::EditRole));
  design->close();
  processEvents();
  const auto form =
      config::readPrintForm(db(), QStringLiteral("Продажа"), QStringLiteral("Накладная"));
  ASSERT_TRUE(form);
  EXPECT_TRUE(Contains(form->layout, QStringLiteral("cell 0 1 0 Дата:\\s[Дата]")));
  EXPECT_TRUE(Contains(form->layout, QStringLiteral("section Строка 1 1")));
  EXPECT_EQ(form->module, formModule(QStringLiteral("Накладная")));
}

}  // namespace
}  // namespace balvix::runtime::testing
