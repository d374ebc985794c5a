#include <sqlite3.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "runtime/catalog_list.h"
#include "runtime/document_form.h"
#include "runtime/form_control.h"
#include "runtime/form_table.h"
#include "runtime/journal.h"
#include "runtime/table_totals.h"
#include "runtime/toolbar_control.h"
#include "runtime_fixture.h"
#include "shell/help_windows.h"
#include "shell/object_deletion.h"
#include "shell/window_names.h"

namespace balvix::runtime::testing {
namespace {

using shell::MsgAnswer;

// Goods received: one register movement per table row, a posting of the sum. A sum of
// "ошибка" makes the module fail after its movements.
const QString kModule = QStringLiteral(
    "Процедура ПриСохранении()\r\n"
    "  Объект Рег = СоздатьОбъект(\"Регистр\")\r\n"
    "  Рег.Вид = \"Остатки\"\r\n"
    "  Таблица.ВыбратьСтроки()\r\n"
    "  Делать Пока Таблица.ПолучитьСтроку() = 1\r\n"
    "    Рег.Реквизит(\"Товар\") = Таблица.ЗначениеКолонки(\"Товар\")\r\n"
    "    Рег.Реквизит(\"Количество\") = Таблица.ЗначениеКолонки(\"Количество\")\r\n"
    "    Рег.ДвижениеВыполнить(\"+\")\r\n"
    "  Цикл\r\n"
    "  Объект Сч = СоздатьОбъект(\"Счет\")\r\n"
    "  Сч.Вид = \"41\"\r\n"
    "  Если Форма.Значение(\"Сумма\") = \"ошибка\" Тогда\r\n"
    "    Сч.ПриходВыполнить(\"много\")\r\n"
    "  КонецЕсли\r\n"
    "  Сч.ПриходВыполнить(Форма.Значение(\"Сумма\"))\r\n"
    "КонецПроцедуры\r\n");

template <class T>
T* byName(QWidget* root, const QString& name) {
  for (T* w : root->findChildren<T*>())
    if (w->accessibleName() == name) return w;
  return nullptr;
}

class DocumentWindowsTest : public RuntimeTest {
 protected:
  DocumentWindowsTest() {
    createCatalog(QStringLiteral("Товары"), {{"Наименование", "Текст"}});
    addElement(QStringLiteral("Товары"), QStringLiteral("Стол"));
    addElement(QStringLiteral("Товары"), QStringLiteral("Стул"));
    db().execute(QStringLiteral("INSERT INTO form_items (name,type) VALUES ('Остатки','Регистр')"));
    db().execute(
        QStringLiteral("CREATE TABLE items_Регистр_Остатки(Товар TEXT(50),Количество TEXT(50),"
                       "cDATE TEXT(10),cTIME TEXT(10),Документ TEXT(50),Флаг TEXT(5))"));
    db().execute(QStringLiteral(
        "INSERT INTO form_items (name,descript,type) VALUES ('Основной','Основной','Журнал')"));
    createDocument(QStringLiteral("Приход"), QStringLiteral("Основной"), kModule, true);
    createDocument(QStringLiteral("Заметка"), QString(), QStringLiteral("_"), false);
    main()->BuildMenus();
  }

  void createDocument(const QString& name, const QString& journal, const QString& code,
                      bool table) {
    db().execute(QStringLiteral(
                     "INSERT INTO form_items "
                     "(name,descript,code,type,zurnal,items_type,table_,TableItemsType) "
                     "VALUES (%1,%1,%2,'Документ',%3,'Текст;Текст;',%4,'Справочник.Товары;Число;')")
                     .arg(storage::quote(name), storage::quote(code), storage::quote(journal),
                          storage::quote(table ? QStringLiteral("1") : QStringLiteral("0"))));
    db().execute(QStringLiteral("CREATE TABLE items_Документ_") + name +
                 QStringLiteral("(Наименование TEXT(50),Сумма TEXT(50),cDATE TEXT(10),cTIME "
                                "TEXT(10),Проводка TEXT(10),Номер TEXT(10))"));
    if (table)
      db().execute(
          QStringLiteral("CREATE TABLE table_Документ_") + name +
          QStringLiteral("(Товар TEXT(50),Количество TEXT(50),cDATE TEXT(10),cTIME TEXT(10))"));
  }

  frmUniDoc* newDocument(const QString& kind = QStringLiteral("Приход")) {
    return clickMenu<frmUniDoc>(1, kind);
  }
  frmZurnal* openJournal(const QString& name = QStringLiteral("Основной")) {
    return clickMenu<frmZurnal>(2, name);
  }

  static void type(QWidget* window, const QString& field, const QString& text) {
    auto* edit = byName<QLineEdit>(window, field);
    ASSERT_TRUE(edit) << field.toStdString();
    edit->setFocus();
    edit->selectAll();
    // Typed as the keyboard would (QTest types ASCII only).
    edit->insert(text);
  }
  static void click(QWidget* window, const QString& button) {
    auto* b = byName<QPushButton>(window, button);
    ASSERT_TRUE(b) << button.toStdString();
    QTest::mouseClick(b, Qt::LeftButton);
    processEvents();
  }
  // A table row as the user makes it: "Добавить строку", the good chosen from the
  // catalog list (F4), the quantity typed.
  void addRow(frmUniDoc* doc, int goodRow, const QString& quantity) {
    doc->toolbar()->click(2);
    FormTableView* view = doc->form()->tableView();
    FormTable* table = doc->form()->table();
    const int row = table->rows() - 1;
    view->setCurrentIndex(table->index(row, 0));
    QTest::keyClick(view, Qt::Key_F4);
    processEvents();
    frmSprList* list = openWindows<frmSprList>().value(0);
    ASSERT_TRUE(list && list->choiceMode());
    list->rowDoubleClicked(goodRow);
    processEvents();
    table->setData(table->index(row, 1), quantity, Qt::EditRole);
  }
  QStringList rows(frmZurnal* journal) {
    QStringList out;
    QAbstractItemModel* m = journal->list()->model();
    for (int r = 0; r < m->rowCount(); ++r) {
      QStringList cells;
      for (int c = 0; c < m->columnCount(); ++c)
        if (c != JournalModel::Time) cells << m->index(r, c).data().toString();
      out << cells.join(QLatin1Char('|'));
    }
    return out;
  }
  QStringList column(const QString& sql) {
    QStringList out;
    for (storage::Recordset rs = db().openRecordset(sql); !rs.eof(); rs.moveNext())
      out << rs.text(0);
    return out;
  }
  int count(const QString& table) {
    return value(QStringLiteral("SELECT COUNT(*) FROM ") + table).toInt();
  }
  // No document, line, movement or posting anywhere.
  void expectNothingStored() {
    for (const QString table :
         {"items_Документ_Приход", "table_Документ_Приход", "items_Регистр_Остатки", "itogi"})
      EXPECT_EQ(count(table), 0) << table.toStdString();
  }
  void selectRow(frmZurnal* journal, int row) {
    journal->list()->setCurrentIndex(journal->list()->model()->index(row, 0));
    processEvents();
  }
};

TEST_F(DocumentWindowsTest, NewDocumentOpensWithTodayTheTablePartAndItsToolbar) {
  frmUniDoc* doc = newDocument();
  ASSERT_TRUE(doc);
  EXPECT_EQ(doc->windowTitle(), QStringLiteral("Приход (новый)"));
  EXPECT_EQ(doc->datePicker()->date(), QDate::currentDate());
  EXPECT_EQ(doc->datePicker()->accessibleName(), QStringLiteral("Дата документа:"));
  EXPECT_TRUE(byName<QLineEdit>(doc, QStringLiteral("Наименование")));
  EXPECT_TRUE(byName<QPushButton>(doc, QStringLiteral("Провести")));
  EXPECT_EQ(doc->form()->table()->columnNames(), (QStringList{"Товар", "Количество"}));
  EXPECT_EQ(doc->form()->table()->columnType(0), QStringLiteral("Справочник.Товары"));
  doc->toolbar()->click(2);
  doc->toolbar()->click(2);
  EXPECT_EQ(doc->form()->table()->rows(), 2);
  doc->toolbar()->click(3);
  EXPECT_EQ(doc->form()->table()->rows(), 0);

  // A kind without a table part: the buttons do nothing.
  frmUniDoc* note = newDocument(QStringLiteral("Заметка"));
  ASSERT_TRUE(note && note != doc);
  EXPECT_FALSE(note->hasTable());
  note->toolbar()->click(2);
  EXPECT_EQ(note->form()->table()->rows(), 0);
}

TEST_F(DocumentWindowsTest, ClosingTheWindowEndsItsModulesRun) {
  createDocument(QStringLiteral("Учет"), QString(),
                 QStringLiteral("Class Сеанс\r\n"
                                "  Private Sub Class_Terminate\r\n"
                                "    Сообщить(\"Сеанс закрыт: \" & Форма.Значение(\"Сумма\"))\r\n"
                                "  End Sub\r\n"
                                "End Class\r\n"
                                "Dim сеанс\r\n"
                                "Set сеанс = New Сеанс\r\n"),
                 false);
  main()->BuildMenus();
  frmUniDoc* doc = newDocument(QStringLiteral("Учет"));
  ASSERT_TRUE(doc);
  doc->form()->setValue(QStringLiteral("Сумма"), QStringLiteral("15"));
  messages.clear();
  delete doc;
  EXPECT_EQ(messages.texts(), QStringList{"Сеанс закрыт: 15"});
}

TEST_F(DocumentWindowsTest, ModuleErrorAfterMovementsWritesNothingAndKeepsTheWindowWithTheInput) {
  frmUniDoc* doc = newDocument();
  ASSERT_TRUE(doc);
  type(doc, QStringLiteral("Наименование"), QStringLiteral("П-1"));
  type(doc, QStringLiteral("Сумма"), QStringLiteral("ошибка"));
  addRow(doc, 0, QStringLiteral("2"));
  addRow(doc, 1, QStringLiteral("3"));
  // While the error is on the screen, another program can write: the posting's transaction
  // has ended before the box was shown.
  QStringList shown;
  bool writableWhileShown = false;
  shell::MessageBoxes::setResponder([&](const shell::Message& m) {
    shown << m.text;
    sqlite3* other = nullptr;
    sqlite3_open(QFile::encodeName(db().path()).constData(), &other);
    writableWhileShown =
        sqlite3_exec(other, "BEGIN IMMEDIATE; ROLLBACK", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(other);
    return MsgAnswer::Ok;
  });
  click(doc, QStringLiteral("Провести"));
  ASSERT_FALSE(shown.isEmpty());
  EXPECT_TRUE(writableWhileShown);
  EXPECT_TRUE(Contains(shown.last(), QStringLiteral("строка 13")));
  EXPECT_TRUE(Contains(shown.last(), QStringLiteral("много")));
  expectNothingStored();
  ASSERT_TRUE(openWindows<frmUniDoc>().contains(doc));
  EXPECT_EQ(doc->form()->value(QStringLiteral("Наименование")), QStringLiteral("П-1"));
  EXPECT_EQ(doc->form()->table()->rows(), 2);
  EXPECT_EQ(doc->form()->table()->cell(1, 0), QStringLiteral("Стул"));
}

TEST_F(DocumentWindowsTest, ChoiceGoesToTheWindowThatAskedAmongSeveral) {
  frmUniDoc* first = newDocument();
  processEvents();
  state.currentObjectName = QStringLiteral("Приход");
  state.pickedDocumentDate.clear();
  state.pickedDocumentTime.clear();
  auto* second = qobject_cast<frmUniDoc*>(windows().newWindow(shell::window_names::kDocumentForm));
  ASSERT_TRUE(first && second);
  showChild(state, second);
  processEvents();
  addRow(first, 1, QStringLiteral("1"));
  EXPECT_EQ(first->form()->table()->cell(0, 0), QStringLiteral("Стул"));
  EXPECT_EQ(second->form()->table()->rows(), 0);
  // A module's ОткрытьФорму feeds the document window it runs for.
  second->toolbar()->click(2);
  second->form()->tableView()->setCurrentIndex(second->form()->table()->index(0, 0));
  state.documentWindow = second;
  ASSERT_TRUE(state.host);
  state.host->openChoiceWindow(QStringLiteral("Справочник"), QStringLiteral("Товары"));
  processEvents();
  openWindows<frmSprList>().value(0)->rowDoubleClicked(0);
  EXPECT_EQ(second->form()->table()->cell(0, 0), QStringLiteral("Стол"));
  EXPECT_EQ(state.host->documentWindowDate(), second->datePicker()->date());
}

TEST_F(DocumentWindowsTest, RoadOfADocumentThroughTheWindows) {
  frmZurnal* journal = openJournal();
  ASSERT_TRUE(journal);
  EXPECT_EQ(journal->windowTitle(), QStringLiteral("Журнал.Основной"));
  EXPECT_TRUE(rows(journal).isEmpty());

  // New → post.
  frmUniDoc* doc = newDocument();
  ASSERT_TRUE(doc);
  type(doc, QStringLiteral("Наименование"), QStringLiteral("Пр'иход 1"));
  type(doc, QStringLiteral("Сумма"), QStringLiteral("100"));
  addRow(doc, 0, QStringLiteral("2"));
  addRow(doc, 1, QStringLiteral("3"));
  const QString today = QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy"));
  click(doc, QStringLiteral("Провести"));
  EXPECT_FALSE(openWindows<frmUniDoc>().contains(doc));
  EXPECT_EQ(rows(journal), QStringList{"1|" + today + "|Приход|Пр'иход 1|100,00|Проведен"});
  EXPECT_EQ(column(QStringLiteral("SELECT Товар||Количество FROM items_Регистр_Остатки")),
            (QStringList{"Стол2", "Стул3"}));
  EXPECT_EQ(column(QStringLiteral("SELECT Дебет FROM itogi")), QStringList{"100"});

  // A kind with posted documents cannot be deleted.
  messages.reply(MsgAnswer::Yes);
  EXPECT_FALSE(shell::deleteConfigurationObject(state, QStringLiteral("Документ"),
                                                QStringLiteral("Приход")));
  EXPECT_EQ(messages.last(),
            QStringLiteral("Удаляемый объект имеет движения, удаление невозможно!"));

  // Journal → open: the stored document, read-only while posted.
  selectRow(journal, 0);
  journal->toolbar()->click(2);
  processEvents();
  doc = openWindows<frmUniDoc>().value(0);
  ASSERT_TRUE(doc);
  const QString title = QStringLiteral("Приход № 1 от ") + today;
  EXPECT_EQ(doc->windowTitle(), title);
  EXPECT_EQ(doc->form()->value(QStringLiteral("Наименование")), QStringLiteral("Пр'иход 1"));
  EXPECT_EQ(doc->form()->table()->rows(), 2);
  EXPECT_TRUE(byName<QLineEdit>(doc, QStringLiteral("Наименование"))->isReadOnly());
  EXPECT_FALSE(doc->form()->table()->flags(doc->form()->table()->index(0, 1)) & Qt::ItemIsEditable);
  for (const char* button : {"Провести", "Записать"})
    EXPECT_FALSE(byName<QPushButton>(doc, QString::fromUtf8(button))->isEnabled()) << button;
  EXPECT_TRUE(byName<QPushButton>(doc, QStringLiteral("Отменить проведение"))->isVisible());
  const std::size_t before = messages.messages().size();
  click(doc, QStringLiteral("Закрыть"));
  EXPECT_EQ(messages.messages().size(), before) << "nothing to save in a posted document";

  // Unpost from the right-click menu, after the question naming what goes.
  selectRow(journal, 0);
  journal->showContextMenu(QPoint(10, 10));
  EXPECT_TRUE(main()->unpostAction()->isEnabled());
  main()->operatorsMenu()->close();
  main()->unpostAction()->trigger();
  processEvents();
  EXPECT_EQ(messages.last(), QStringLiteral("Отменить проведение ") + title +
                                 QStringLiteral("? Будут удалены 2 движения и 1 проводка."));
  EXPECT_EQ(rows(journal), QStringList{"1|" + today + "|Приход|Пр'иход 1|100,00|Не проведен"});
  EXPECT_EQ(count(QStringLiteral("items_Регистр_Остатки")), 0);
  EXPECT_EQ(count(QStringLiteral("itogi")), 0);
  journal->showContextMenu(QPoint(10, 10));
  EXPECT_FALSE(main()->unpostAction()->isEnabled());
  main()->operatorsMenu()->close();

  // Open → edit → post again.
  QTest::keyClick(journal->list(), Qt::Key_Return);
  processEvents();
  doc = openWindows<frmUniDoc>().value(0);
  ASSERT_TRUE(doc);
  type(doc, QStringLiteral("Сумма"), QStringLiteral("150"));
  doc->form()->table()->setData(doc->form()->table()->index(1, 1), QStringLiteral("7"),
                                Qt::EditRole);
  click(doc, QStringLiteral("Провести"));
  EXPECT_EQ(rows(journal), QStringList{"1|" + today + "|Приход|Пр'иход 1|150,00|Проведен"});
  EXPECT_EQ(count(QStringLiteral("items_Документ_Приход")), 1);
  EXPECT_EQ(column(QStringLiteral("SELECT Товар||Количество FROM table_Документ_Приход")),
            (QStringList{"Стол2", "Стул7"}));
  EXPECT_EQ(column(QStringLiteral("SELECT Дебет FROM itogi")), QStringList{"150"});

  // Delete: the whole document goes.
  selectRow(journal, 0);
  messages.reply(MsgAnswer::Yes);
  journal->toolbar()->click(4);
  EXPECT_EQ(messages.messages().back().title, QStringLiteral("Удаление..."));
  EXPECT_EQ(messages.last(),
            QStringLiteral("Удалить ") + title +
                QStringLiteral("? Будут удалены 2 строки, 2 движения и 1 проводка."));
  EXPECT_TRUE(rows(journal).isEmpty());
  expectNothingStored();
}

TEST_F(DocumentWindowsTest, ADraftIsListedReopenedAndPostedUnderItsNumberAndClosingAsksFirst) {
  frmZurnal* journal = openJournal();
  ASSERT_TRUE(journal);
  const QString today = QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy"));
  const QString title = QStringLiteral("Приход № 1 от ") + today;
  const QString stored = QStringLiteral(
      "SELECT Номер||'|'||cDATE||cTIME||'|'||Сумма||'|'||"
      "Проводка FROM items_Документ_Приход");

  // Written, not posted: numbered, listed as a draft, nothing moved.
  journal->toolbar()->click(1);
  processEvents();
  frmUniDoc* doc = openWindows<frmUniDoc>().value(0);
  ASSERT_TRUE(doc);
  EXPECT_EQ(doc->windowTitle(), QStringLiteral("Приход (новый)"));
  type(doc, QStringLiteral("Наименование"), QStringLiteral("Черновик"));
  addRow(doc, 0, QStringLiteral("2"));
  click(doc, QStringLiteral("Записать"));
  EXPECT_EQ(doc->windowTitle(), title);
  EXPECT_EQ(rows(journal), QStringList{"1|" + today + "|Приход|Черновик|0,00|Не проведен"});
  EXPECT_EQ(count(QStringLiteral("items_Регистр_Остатки")), 0);
  const QStringList draft = column(stored);
  ASSERT_EQ(draft.size(), 1);

  // Closing with a change asks: Отмена keeps the window and the input, Нет drops the change,
  // Да (from the window's close box) writes it.
  struct Close {
    MsgAnswer answer;
    bool stays;
    QString sum;
  };
  for (const Close& c :
       {Close{MsgAnswer::Cancel, true, QString()}, Close{MsgAnswer::No, false, QString()},
        Close{MsgAnswer::Yes, false, QStringLiteral("7")}}) {
    if (!openWindows<frmUniDoc>().contains(doc)) {
      selectRow(journal, 0);
      journal->toolbar()->click(2);
      processEvents();
      doc = openWindows<frmUniDoc>().value(0);
      ASSERT_TRUE(doc);
    }
    type(doc, QStringLiteral("Сумма"), QStringLiteral("7"));
    messages.clear();
    messages.reply(c.answer);
    doc->frame()->close();
    processEvents();
    EXPECT_EQ(messages.texts(), QStringList{QStringLiteral("Сохранить изменения?")});
    EXPECT_EQ(openWindows<frmUniDoc>().contains(doc), c.stays);
    if (c.stays) {
      EXPECT_EQ(doc->form()->value(QStringLiteral("Сумма")), QStringLiteral("7"));
    }
    EXPECT_EQ(column(stored).value(0).section(QLatin1Char('|'), 2, 2), c.sum);
  }
  EXPECT_EQ(column(stored).value(0).section(QLatin1Char('|'), 0, 1),
            draft.value(0).section(QLatin1Char('|'), 0, 1));

  // Posted later: the same number and key; a closed window without changes asks nothing.
  selectRow(journal, 0);
  journal->toolbar()->click(2);
  processEvents();
  doc = openWindows<frmUniDoc>().value(0);
  ASSERT_TRUE(doc);
  messages.clear();
  click(doc, QStringLiteral("Провести"));
  EXPECT_TRUE(messages.texts().isEmpty());
  EXPECT_EQ(rows(journal), QStringList{"1|" + today + "|Приход|Черновик|7,00|Проведен"});
  EXPECT_EQ(column(stored).value(0).section(QLatin1Char('|'), 0, 1),
            draft.value(0).section(QLatin1Char('|'), 0, 1));
  EXPECT_EQ(count(QStringLiteral("items_Регистр_Остатки")), 1);

  // Копировать: a new draft with the header and rows, the next number once written.
  selectRow(journal, 0);
  journal->toolbar()->click(3);
  processEvents();
  doc = openWindows<frmUniDoc>().value(0);
  ASSERT_TRUE(doc);
  EXPECT_EQ(doc->windowTitle(), QStringLiteral("Приход (новый)"));
  EXPECT_EQ(doc->form()->value(QStringLiteral("Наименование")), QStringLiteral("Черновик"));
  EXPECT_EQ(doc->form()->table()->rows(), 1);
  click(doc, QStringLiteral("Записать"));
  EXPECT_EQ(doc->windowTitle(), QStringLiteral("Приход № 2 от ") + today);
  EXPECT_EQ(column(QStringLiteral("SELECT Номер FROM items_Документ_Приход ORDER BY 0+Номер")),
            (QStringList{"1", "2"}));
  EXPECT_EQ(count(QStringLiteral("table_Документ_Приход")), 2);

  // Closing the program asks for each window with changes; Отмена keeps both.
  type(doc, QStringLiteral("Наименование"), QStringLiteral("Изменено"));
  messages.clear();
  messages.reply(MsgAnswer::Cancel);
  main()->close();
  processEvents();
  EXPECT_EQ(messages.texts(), QStringList{QStringLiteral("Сохранить изменения?")});
  EXPECT_TRUE(openWindows<frmUniDoc>().contains(doc));
  EXPECT_TRUE(main()->isVisible());
}

// The focus goes back to the window and the cell that asked for a choice, never to another
// open window: what is typed next belongs to the document.
TEST_F(DocumentWindowsTest, AfterAChoiceTheFocusIsBackInTheCellThatAsked) {
  frmZurnal* journal = openJournal();
  frmUniDoc* doc = newDocument();
  ASSERT_TRUE(journal && doc);
  QMdiArea* area = main()->mdiArea();
  struct Way {
    const char* name;
    bool byKeyboard;  // Enter in the list, or a double click
  };
  for (const Way& way : {Way{"enter", true}, Way{"double click", false}}) {
    SCOPED_TRACE(way.name);
    doc->toolbar()->click(2);
    FormTableView* view = doc->form()->tableView();
    const int row = doc->form()->table()->rows() - 1;
    view->setCurrentIndex(doc->form()->table()->index(row, 0));
    view->setFocus();
    QTest::keyClick(view, Qt::Key_F4);
    processEvents();
    frmSprList* list = openWindows<frmSprList>().value(0);
    ASSERT_TRUE(list);
    if (way.byKeyboard) {
      list->list()->setCurrentIndex(list->list()->model()->index(1, 0));
      QTest::keyClick(list->list(), Qt::Key_Return);
    } else {
      list->rowDoubleClicked(1);
    }
    processEvents();
    EXPECT_EQ(doc->form()->table()->cell(row, 0), QStringLiteral("Стул"));
    ASSERT_TRUE(area->activeSubWindow());
    EXPECT_EQ(area->activeSubWindow()->widget(), doc);
    EXPECT_EQ(QApplication::focusWidget(), view);
    EXPECT_EQ(view->currentIndex(), doc->form()->table()->index(row, 0));
    // A maximized document stays so once the choice is made.
    doc->frame()->showMaximized();
    processEvents();
  }
  EXPECT_TRUE(doc->frame()->isMaximized());
}

// Ctrl+F4 and Esc close the document, asking first when it was changed; the journal stays.
TEST_F(DocumentWindowsTest, CtrlF4AndEscCloseTheDocumentAskingAboutChanges) {
  frmZurnal* journal = openJournal();
  ASSERT_TRUE(journal);
  for (const QKeyCombination key :
       {Qt::ControlModifier | Qt::Key_F4, QKeyCombination(Qt::Key_Escape)}) {
    SCOPED_TRACE(QKeySequence(key).toString().toStdString());
    messages.clear();
    frmUniDoc* doc = newDocument();
    ASSERT_TRUE(doc);
    type(doc, QStringLiteral("Наименование"), QStringLiteral("Черновик"));
    auto* field = byName<QLineEdit>(doc, QStringLiteral("Наименование"));
    messages.reply(MsgAnswer::Cancel);
    QTest::keyClick(field, key.key(), key.keyboardModifiers());
    processEvents();
    EXPECT_EQ(messages.texts(), QStringList{QStringLiteral("Сохранить изменения?")});
    EXPECT_TRUE(openWindows<frmUniDoc>().contains(doc));
    messages.reply(MsgAnswer::No);
    QTest::keyClick(field, key.key(), key.keyboardModifiers());
    processEvents();
    EXPECT_FALSE(openWindows<frmUniDoc>().contains(doc));
    EXPECT_TRUE(openWindows<frmZurnal>().contains(journal));
  }
}

// The working date set in the settings is shown in the status line and dates new
// documents; «Текущая дата» brings back today.
TEST_F(DocumentWindowsTest, ANewDocumentStartsOnTheWorkingDateOfTheSettings) {
  const QDate today = QDate::currentDate();
  const QDate set = today.addDays(-6);
  auto* status = main()->findChild<QLabel*>(QStringLiteral("Status_2"));
  auto* settingsItem = main()->findChild<QAction*>(QStringLiteral("mnuSettings"));
  ASSERT_TRUE(status && settingsItem);
  for (const QDate& date : {set, QDate()}) {
    settingsItem->trigger();
    processEvents();
    auto* settings = main()->findChild<QWidget*>(QStringLiteral("frmSetting"));
    ASSERT_TRUE(settings);
    auto* todayBox = settings->findChild<QCheckBox*>(QStringLiteral("chkToday"));
    todayBox->setChecked(!date.isValid());
    if (date.isValid()) settings->findChild<QDateEdit*>(QStringLiteral("DTWork"))->setDate(date);
    settings->findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
    processEvents();
    const QDate expected = date.isValid() ? date : today;
    EXPECT_EQ(status->text(),
              QStringLiteral("Рабочая дата: ") + expected.toString(QStringLiteral("dd.MM.yyyy")));
    frmUniDoc* doc = newDocument();
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->datePicker()->date(), expected);
    doc->close();
    processEvents();
  }
}

// The line under the table part adds up its number columns as they are edited.
TEST_F(DocumentWindowsTest, TheTotalsLineFollowsTheRows) {
  frmUniDoc* doc = newDocument();
  ASSERT_TRUE(doc);
  FormTable* table = doc->form()->table();
  TableTotals* totals = doc->form()->totals();
  ASSERT_TRUE(totals && totals->isVisible());
  EXPECT_EQ(totals->accessibleName(), QStringLiteral("Итого"));
  struct Step {
    QStringList quantities;
    const char* total;
  };
  const QChar gap(0x00A0);
  for (const Step& step : {Step{{"2", "3,5"}, "5,5"}, Step{{"2", "3,5", "1495858.50"}, ""},
                           Step{{"7"}, "7"}, Step{{}, "0"}}) {
    table->clearRows();
    for (const QString& q : step.quantities) {
      table->newRow();
      table->setData(table->index(table->rows() - 1, 1), q, Qt::EditRole);
    }
    const QString expected = *step.total ? QString::fromUtf8(step.total)
                                         : QStringLiteral("1") + gap + QStringLiteral("495") + gap +
                                               QStringLiteral("864,00");
    EXPECT_EQ(totals->total(1), expected) << step.quantities.join(u' ').toStdString();
    EXPECT_EQ(totals->total(0), QString()) << "a good is not added up";
  }
}

TEST_F(DocumentWindowsTest, JournalListsItsKindsWithinThePeriodBothEndsIncluded) {
  db().execute(QStringLiteral(
      "INSERT INTO items_Документ_Приход VALUES ('А','1','01.02.2026','10:00:00','1','12')"));
  db().execute(QStringLiteral(
      "INSERT INTO items_Документ_Приход VALUES ('Б','1','28.02.2026','10:00:00','0','3')"));
  db().execute(QStringLiteral(
      "INSERT INTO items_Документ_Приход VALUES ('В','1','01.03.2026','10:00:00','1','13')"));
  db().execute(QStringLiteral(
      "INSERT INTO items_Документ_Заметка VALUES ('Г','','15.02.2026','09:00:00','0','1')"));
  frmZurnal* journal = openJournal();
  ASSERT_TRUE(journal);
  journal->periodStart()->setDate(QDate(2026, 2, 1));
  journal->periodEnd()->setDate(QDate(2026, 2, 28));
  // «№» is each document's own number.
  EXPECT_EQ(rows(journal), (QStringList{"12|01.02.2026|Приход|А|1,00|Проведен",
                                        "3|28.02.2026|Приход|Б|1,00|Не проведен"}));
  EXPECT_FALSE(journal->toolbar()->isButtonEnabled(2));
  EXPECT_FALSE(journal->toolbar()->isButtonEnabled(4));
  selectRow(journal, 1);
  EXPECT_TRUE(journal->toolbar()->isButtonEnabled(2));
  EXPECT_EQ(state.selectedJournalItem.mid(1, 3), (QStringList{"Приход", "28.02.2026", "10:00:00"}));

  // Sorting by date puts the latest first when asked; by number, 3 comes before 12.
  for (auto [column, order] : {std::pair{JournalModel::Date, Qt::DescendingOrder},
                               std::pair{JournalModel::Number, Qt::AscendingOrder}}) {
    journal->list()->sortByColumn(column, order);
    EXPECT_EQ(journal->list()->model()->index(0, JournalModel::Name).data().toString(),
              QStringLiteral("Б"));
  }

  frmZurnal* full = openJournal(QStringLiteral("Полный"));
  if (!full) {
    // The full journal is listed in the menu when the database holds its row.
    db().execute(QStringLiteral(
        "INSERT INTO form_items (name,descript,type) VALUES ('Полный','Полный','Журнал')"));
    main()->BuildMenus();
    full = openJournal(QStringLiteral("Полный"));
  }
  ASSERT_TRUE(full && full != journal);
  full->periodStart()->setDate(QDate(2026, 1, 1));
  full->periodEnd()->setDate(QDate(2026, 12, 31));
  EXPECT_EQ(full->model()->size(), 4);
}

TEST_F(DocumentWindowsTest, RepostRerunsTheCorrectedModuleAndReportsFailures) {
  frmZurnal* journal = openJournal();
  for (const QString sum : {"10", "20"}) {
    frmUniDoc* doc = newDocument();
    ASSERT_TRUE(doc);
    type(doc, QStringLiteral("Наименование"), QStringLiteral("Д") + sum);
    type(doc, QStringLiteral("Сумма"), sum);
    addRow(doc, 0, QStringLiteral("1"));
    click(doc, QStringLiteral("Провести"));
  }
  ASSERT_EQ(journal->model()->size(), 2);
  // The module is corrected: sums are now posted twice over; the second document's
  // stored sum makes it fail.
  QString corrected = kModule;
  corrected.replace(QStringLiteral("Сч.ПриходВыполнить(Форма.Значение(\"Сумма\"))"),
                    QStringLiteral("Сч.ПриходВыполнить(Форма.Значение(\"Сумма\") * 2)"));
  db().execute(QStringLiteral("UPDATE form_items SET code=") + storage::quote(corrected) +
               QStringLiteral(" WHERE name='Приход'"));
  db().execute(
      QStringLiteral("UPDATE items_Документ_Приход SET Сумма='ошибка' WHERE Наименование='Д20'"));
  journal->toolbar()->click(5);
  EXPECT_TRUE(messages.last().startsWith(QStringLiteral("Перепроведено документов: 1 из 2.")))
      << messages.last().toStdString();
  EXPECT_TRUE(Contains(messages.last(), QStringLiteral("строка 13")));
  EXPECT_EQ(column(QStringLiteral("SELECT Дебет FROM itogi ORDER BY cTIME")),
            (QStringList{"20", "20"}));
  EXPECT_EQ(count(QStringLiteral("items_Регистр_Остатки")), 2);
  EXPECT_EQ(column(QStringLiteral("SELECT Проводка FROM items_Документ_Приход")),
            (QStringList{"1", "1"}));
}

TEST_F(DocumentWindowsTest, RepostCanBeCancelledBetweenDocuments) {
  for (int i = 0; i < 3; ++i)
    db().execute(QStringLiteral("INSERT INTO items_Документ_Приход VALUES "
                                "('Д%1','5','02.03.2026','10:00:0%1','1','%1')")
                     .arg(i));
  frmZurnal* journal = openJournal();
  ASSERT_TRUE(journal);
  journal->periodStart()->setDate(QDate(2026, 1, 1));
  ASSERT_EQ(journal->model()->size(), 3);
  // Cancel as soon as the progress dialog lets events run, after the first document.
  QTimer::singleShot(0, journal, [journal] {
    if (auto* progress = journal->findChild<QProgressDialog*>(QStringLiteral("RepostProgress")))
      progress->cancel();
  });
  journal->toolbar()->click(5);
  EXPECT_TRUE(messages.last().startsWith(QStringLiteral("Перепроведено документов: 1 из 3.")))
      << messages.last().toStdString();
  EXPECT_TRUE(Contains(messages.last(), QStringLiteral("прервано")));
  // Only the first document was posted again.
  EXPECT_EQ(column(QStringLiteral("SELECT DISTINCT cTIME FROM itogi")), QStringList{"10:00:00"});
}

TEST_F(DocumentWindowsTest, RepostReadsTheStoredHeaderWholeWhateverTheLayoutShows) {
  // The stored layout has no field for Сумма: the module still reads the stored 100.
  db().execute(QStringLiteral("UPDATE form_items SET item=") +
               storage::quote(QStringLiteral("name=txt;index=1;top=300;left=250;"
                                             "caption=Наименование;type=Текст;\r\n")) +
               QStringLiteral(" WHERE name='Приход'"));
  db().execute(QStringLiteral(
      "INSERT INTO items_Документ_Приход VALUES ('Д','100','02.03.2026','10:00:00','1','1')"));
  db().execute(QStringLiteral(
      "INSERT INTO table_Документ_Приход VALUES ('Стол','3','02.03.2026','10:00:00')"));
  frmZurnal* journal = openJournal();
  ASSERT_TRUE(journal);
  journal->periodStart()->setDate(QDate(2026, 1, 1));
  journal->toolbar()->click(5);
  EXPECT_TRUE(messages.last().startsWith(QStringLiteral("Перепроведено документов: 1 из 1.")))
      << messages.last().toStdString();
  EXPECT_EQ(column(QStringLiteral("SELECT Дебет FROM itogi")), QStringList{"100"});
  EXPECT_EQ(column(QStringLiteral("SELECT Количество FROM items_Регистр_Остатки")),
            QStringList{"3"});
}

// F1 opens the guide at the section of the window in front.
TEST_F(DocumentWindowsTest, F1OpensTheGuideAtTheActiveWindowsSection) {
  main()->show();
  frmUniDoc* doc = newDocument();
  frmZurnal* journal = openJournal();
  ASSERT_TRUE(doc && journal);
  const struct {
    QWidget* window;
    const char* heading;
  } cases[] = {{doc, "3. Ввод и проведение"}, {journal, "4. Журнал"}};
  for (const auto& c : cases) {
    main()->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(c.window->parentWidget()));
    shell::GuideWindow* guide = main()->showGuideForActiveWindow();
    ASSERT_TRUE(guide);
    EXPECT_EQ(guide->currentSection(), QString::fromUtf8(c.heading));
    guide->hide();
  }
}

// A designer keeps its layout open while the user works: what the menus open is a
// working document all the same.
TEST_F(DocumentWindowsTest, ADocumentFromTheMenuOpensNormallyWhileALayoutIsDesigned) {
  state.formDesignMode = true;  // as every open designer leaves it
  state.currentObjectName = QStringLiteral("Приход");
  shell::WindowArguments arguments;
  arguments.designMode = true;
  auto* design = qobject_cast<frmUniDoc*>(
      windows().sharedWindowWith(shell::window_names::kDocumentForm, arguments));
  ASSERT_TRUE(design && design->form()->designMode());
  showChild(state, design);
  processEvents();

  frmUniDoc* doc = newDocument();
  ASSERT_TRUE(doc && doc != design);
  EXPECT_FALSE(doc->form()->designMode());
  auto* field = byName<QLineEdit>(doc, QStringLiteral("Наименование"));
  ASSERT_TRUE(field);
  EXPECT_FALSE(field->isReadOnly());
  type(doc, QStringLiteral("Наименование"), QStringLiteral("П-7"));
  EXPECT_EQ(doc->form()->value(QStringLiteral("Наименование")), QStringLiteral("П-7"));
  QPointer<frmUniDoc> alive(doc);
  messages.reply(MsgAnswer::No);  // not saved: the typed number is thrown away
  click(doc, QStringLiteral("Закрыть"));
  processEvents();
  EXPECT_TRUE(!alive || !alive->isVisible());
  EXPECT_TRUE(design->form()->designMode());
}

TEST_F(DocumentWindowsTest, LayoutDesignFromTheDesignerStoresTheArrangementOnClose) {
  state.formDesignMode = true;
  state.currentObjectName = QStringLiteral("Приход");
  shell::WindowArguments arguments;
  arguments.designMode = true;
  auto* doc = qobject_cast<frmUniDoc*>(
      windows().sharedWindowWith(shell::window_names::kDocumentForm, arguments));
  ASSERT_TRUE(doc);
  showChild(state, doc);
  processEvents();
  EXPECT_TRUE(doc->form()->designMode());
  EXPECT_TRUE(doc->removeElement(QStringLiteral("Сумма")));
  click(doc, QStringLiteral("Провести"));
  EXPECT_EQ(count(QStringLiteral("items_Документ_Приход")), 0);
  messages.reply(MsgAnswer::Yes);
  doc->frame()->close();
  processEvents();
  state.formDesignMode = false;
  EXPECT_EQ(messages.last(), QStringLiteral("Сохранить элементы на форме?"));
  const QString layout =
      column(QStringLiteral("SELECT item FROM form_items WHERE name='Приход'")).value(0);
  EXPECT_TRUE(layout.contains(QStringLiteral("Наименование")));
  EXPECT_FALSE(layout.contains(QStringLiteral("Сумма")));
}

// Tab goes as the user reads the form: the header fields in layout order, the table part,
// then the date and the buttons of the bottom row.
TEST_F(DocumentWindowsTest, TabGoesThroughTheFieldsThenTheTableThenTheButtons) {
  frmUniDoc* doc = newDocument();
  ASSERT_TRUE(doc);
  QWidget* first = byName<QLineEdit>(doc, QStringLiteral("Наименование"));
  ASSERT_TRUE(first);
  QStringList order;
  QWidget* w = first;
  for (int step = 0; step < 200; ++step) {
    const bool tabStop = (w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(doc) &&
                         w->isEnabled() && doc->isAncestorOf(w) && !w->focusProxy();
    if (tabStop) {
      QWidget* named = w;
      while (named && named != doc && named->accessibleName().isEmpty())
        named = named->parentWidget();
      const QString name =
          named && named != doc ? named->accessibleName() : w->metaObject()->className();
      if (order.isEmpty() || order.last() != name) order << name;
    }
    w = w->nextInFocusChain();
    if (w == first) break;
  }
  const QStringList expected{"Наименование", "Сумма",    "Таблица",  "Дата документа:",
                             "Печать",       "Записать", "Провести", "Закрыть"};
  EXPECT_EQ(order.mid(0, expected.size()), expected) << order.join(u'|').toStdString();
}

}  // namespace
}  // namespace balvix::runtime::testing
