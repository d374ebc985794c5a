#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include "config/object_kind.h"
#include "config/row_versions.h"
#include "documents/element_save.h"
#include "runtime/catalog_form.h"
#include "runtime/catalog_list.h"
#include "runtime/form_control.h"
#include "runtime/toolbar_control.h"
#include "runtime/value_field.h"
#include "runtime_fixture.h"
#include "shell/database_watch.h"
#include "shell/twips.h"
#include "shell/window_bar.h"
#include "storage/object_locks.h"

namespace balvix::runtime::testing {
namespace {

using shell::MsgAnswer;

class CatalogWindowsTest : public RuntimeTest {
 protected:
  CatalogWindowsTest() {
    createCatalog(QStringLiteral("Товары"), {{"Наименование", "Текст"}, {"Цена", "Число"}});
    main()->BuildMenus();
  }
  // The catalog list as the "Справочники" menu opens it.
  frmSprList* openList(const QString& catalog = QStringLiteral("Товары")) {
    return clickMenu<frmSprList>(0, catalog);
  }
  frmUniSpr* lastForm() {
    processEvents();
    const auto forms = openWindows<frmUniSpr>();
    return forms.isEmpty() ? nullptr : forms.last();
  }
  static void type(FormControl* form, const QString& field, const QString& text) {
    auto* edit = qobject_cast<QLineEdit*>(form->field(field)->focusWidget());
    ASSERT_TRUE(edit);
    edit->setText(text);
  }
  // Elements of "Товары", with a price when given as "name=price".
  void addGoods(std::initializer_list<const char*> goods) {
    for (const char* good : goods) {
      const QStringList parts = QString::fromUtf8(good).split(QLatin1Char('='));
      addElement(QStringLiteral("Товары"), parts[0], parts.value(1));
    }
  }
  static QStringList listRows(frmSprList* list) {
    QStringList rows;
    for (int r = 0; r < list->model()->rowCount(); ++r)
      rows << list->model()->index(r, 0).data().toString() + QLatin1Char(' ') +
                  list->model()->index(r, 1).data().toString();
    return rows;
  }
};

TEST_F(CatalogWindowsTest, MenuOpensOneListOfTheCatalog) {
  addGoods({"Стол"});
  frmSprList* list = openList();
  ASSERT_TRUE(list);
  EXPECT_EQ(list->windowTitle(), QStringLiteral("Справочник.Товары"));
  EXPECT_EQ(listRows(list), QStringList{"1 Стол"});
  EXPECT_TRUE(list->toolbar()->isButtonEnabled(1));
  // The focus is in the list, on its first element, which Открыть and Удалить then take.
  EXPECT_EQ(QApplication::focusWidget(), list->list());
  EXPECT_EQ(list->list()->currentIndex().row(), 0);
  EXPECT_TRUE(list->toolbar()->isButtonEnabled(2));
  EXPECT_TRUE(list->toolbar()->isButtonEnabled(4));
  EXPECT_FALSE(list->toolbar()->isButtonEnabled(3));
  EXPECT_EQ(list->list()->accessibleName(), QStringLiteral("Элементы справочника"));
  // The list has its button on the window bar until it closes.
  const auto barTags = [this] {
    QStringList tags;
    for (int i : main()->windowBar()->indexes())
      if (i > 0) tags << main()->windowBar()->tag(i);
    return tags;
  };
  EXPECT_EQ(barTags(), QStringList{"Справочник.Товары"});
  // The same catalog chosen again opens nothing more.
  openList();
  EXPECT_EQ(openWindows<frmSprList>().size(), 1);
  list->rowClicked(0);
  EXPECT_TRUE(list->toolbar()->isButtonEnabled(2));
  EXPECT_TRUE(list->toolbar()->isButtonEnabled(4));
  EXPECT_FALSE(list->toolbar()->isButtonEnabled(3));
  list->findChild<QPushButton*>(QStringLiteral("cmdCancel"))->click();
  processEvents();
  EXPECT_TRUE(barTags().isEmpty());
  EXPECT_TRUE(openWindows<frmSprList>().isEmpty());
}

TEST_F(CatalogWindowsTest, ChildWindowsNeverOpenLargerThanTheAreaThatShowsThem) {
  main()->resize(500, 380);
  processEvents();
  frmSprList* list = openList();
  ASSERT_TRUE(list);
  const QSize room = main()->mdiArea()->viewport()->size();
  EXPECT_LE(list->frame()->width(), room.width());
  EXPECT_LE(list->frame()->height(), room.height());
  EXPECT_GE(list->frame()->x(), 0);
  EXPECT_GE(list->frame()->y(), 0);
}

TEST_F(CatalogWindowsTest, NewElementWithQuotesIsSavedAndReopensUnchanged) {
  frmSprList* list = openList();
  ASSERT_TRUE(list);
  list->toolbar()->click(1);
  frmUniSpr* form = lastForm();
  ASSERT_TRUE(form);
  EXPECT_EQ(form->windowTitle(), QStringLiteral("Справочник.Товары.Новый"));
  // No stored layout: the composed one, at 7905 by 4875 twips.
  EXPECT_EQ(form->form()->GetLayout(),
            QStringLiteral("name=txt;index=1;top=700;left=250;caption=Наименование;type=Текст;\r\n"
                           "name=txt;index=2;top=1200;left=250;caption=Цена;type=Число;\r\n"));
  EXPECT_NEAR(form->sizeTwips().width(), 7905, 15);
  EXPECT_NEAR(form->sizeTwips().height(), 4875, 15);

  type(form->form(), QStringLiteral("Наименование"), QStringLiteral("Стол 'дубовый'"));
  type(form->form(), QStringLiteral("Цена"), QStringLiteral("12,5"));
  form->findChild<QPushButton*>(QStringLiteral("cmdSave"))->click();
  EXPECT_EQ(messages.texts(), QStringList{"Элемент записан успешно."});
  EXPECT_EQ(elementNames(QStringLiteral("Товары")), QStringList{"Стол 'дубовый'"});
  EXPECT_EQ(listRows(list), QStringList{"1 Стол 'дубовый'"});
  processEvents();
  EXPECT_TRUE(openWindows<frmUniSpr>().isEmpty());

  list->rowDoubleClicked(0);
  form = lastForm();
  ASSERT_TRUE(form);
  EXPECT_EQ(form->windowTitle(), QStringLiteral("Справочник.Товары.Стол 'дубовый'"));
  EXPECT_EQ(form->form()->value(QStringLiteral("Наименование")), QStringLiteral("Стол 'дубовый'"));
  EXPECT_EQ(form->form()->value(QStringLiteral("Цена")), QStringLiteral("12,5"));
}

TEST_F(CatalogWindowsTest, EmptyAndDuplicateNamesAreRefusedAndTheInputStays) {
  addGoods({"Стол", "Стул"});
  frmSprList* list = openList();
  list->toolbar()->click(1);
  frmUniSpr* form = lastForm();
  type(form->form(), QStringLiteral("Наименование"), QStringLiteral("  "));
  EXPECT_FALSE(form->save());
  EXPECT_TRUE(messages.last().contains(QStringLiteral("наименование")));
  type(form->form(), QStringLiteral("Наименование"), QStringLiteral("Стол"));
  type(form->form(), QStringLiteral("Цена"), QStringLiteral("7"));
  EXPECT_FALSE(form->save());
  EXPECT_TRUE(Contains(messages.last(), QStringLiteral("уже есть")));
  processEvents();
  ASSERT_EQ(openWindows<frmUniSpr>().size(), 1);
  EXPECT_EQ(form->form()->value(QStringLiteral("Цена")), QStringLiteral("7"));
  EXPECT_EQ(elementNames(QStringLiteral("Товары")), (QStringList{"Стол", "Стул"}));

  // Renaming an existing element onto another's name is refused too; keeping its own
  // name is not a duplicate.
  form->close();
  list->rowDoubleClicked(1);
  form = lastForm();
  type(form->form(), QStringLiteral("Наименование"), QStringLiteral("Стол"));
  EXPECT_FALSE(form->save());
  type(form->form(), QStringLiteral("Наименование"), QStringLiteral("Стул"));
  type(form->form(), QStringLiteral("Цена"), QStringLiteral("3"));
  EXPECT_TRUE(form->save());
}

TEST_F(CatalogWindowsTest, AFailedSaveShowsTheDatabaseErrorAndKeepsTheInput) {
  frmSprList* list = openList();
  list->toolbar()->click(1);
  frmUniSpr* form = lastForm();
  type(form->form(), QStringLiteral("Наименование"), QStringLiteral("Стол"));
  db().execute(QStringLiteral("DROP TABLE items_Справочник_Товары"));
  db().execute(
      QStringLiteral("CREATE TABLE items_Справочник_Товары(Наименование TEXT(50) CHECK "
                     "(Наименование <> 'Стол'), Цена TEXT(50))"));
  EXPECT_FALSE(form->save());
  EXPECT_TRUE(messages.last().startsWith(QStringLiteral("Элемент не записан: ")))
      << messages.last().toStdString();
  processEvents();
  ASSERT_EQ(openWindows<frmUniSpr>().size(), 1);
  EXPECT_EQ(form->form()->value(QStringLiteral("Наименование")), QStringLiteral("Стол"));
  EXPECT_TRUE(listRows(list).isEmpty());
}

TEST_F(CatalogWindowsTest, RenameUpdatesOnlyThatElementAndItsListRow) {
  addGoods({"Стол=10", "Шкаф=20"});
  frmSprList* list = openList();
  list->rowClicked(0);
  list->toolbar()->click(2);
  frmUniSpr* form = lastForm();
  ASSERT_TRUE(form);
  type(form->form(), QStringLiteral("Наименование"), QStringLiteral("Стол письменный"));
  ASSERT_TRUE(form->save());
  EXPECT_EQ(listRows(list), (QStringList{"1 Стол письменный", "2 Шкаф"}));
  EXPECT_EQ(value(QStringLiteral(
                "SELECT group_concat(Наименование||'='||Цена) FROM items_Справочник_Товары")),
            QStringLiteral("Стол письменный=10,Шкаф=20"));
}

TEST_F(CatalogWindowsTest, ElementDeletedMeanwhileGivesAMessageInsteadOfAnEmptyForm) {
  addGoods({"Стол"});
  frmSprList* list = openList();
  db().execute(QStringLiteral("DELETE FROM items_Справочник_Товары"));
  list->rowClicked(0);
  list->toolbar()->click(2);
  processEvents();
  EXPECT_TRUE(openWindows<frmUniSpr>().isEmpty());
  EXPECT_TRUE(Contains(messages.last(), QStringLiteral("не найден")));
}

TEST_F(CatalogWindowsTest, DeleteAsksWithTheNameAndRenumbers) {
  addGoods({"А", "Б", "В"});
  frmSprList* list = openList();
  list->rowClicked(1);
  // Delete acts at once: the list opens with the focus in it.
  messages.reply(MsgAnswer::No);
  ASSERT_TRUE(QApplication::focusWidget());
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Delete);
  EXPECT_EQ(messages.last(), QStringLiteral("Удалить данный элемент справочника Б ?"));
  EXPECT_EQ(listRows(list).size(), 3);
  messages.reply(MsgAnswer::Yes);
  list->toolbar()->click(4);
  EXPECT_EQ(listRows(list), (QStringList{"1 А", "2 В"}));
  EXPECT_EQ(elementNames(QStringLiteral("Товары")), (QStringList{"А", "В"}));
  EXPECT_FALSE(list->toolbar()->isButtonEnabled(2));
  EXPECT_FALSE(list->toolbar()->isButtonEnabled(4));
}

TEST_F(CatalogWindowsTest, TypingInTheListJumpsToTheElementByName) {
  addGoods({"Стол", "Стул", "Шкаф", "Табурет"});
  frmSprList* list = openList();
  QApplication::setKeyboardInputInterval(1);
  list->list()->keyboardSearch(QStringLiteral("Ш"));
  EXPECT_EQ(list->list()->currentIndex().row(), 2);
  QTest::qWait(20);
  list->list()->keyboardSearch(QStringLiteral("т"));
  EXPECT_EQ(list->list()->currentIndex().row(), 3);
}

TEST_F(CatalogWindowsTest, ChoiceFromACatalogListGoesToTheWindowThatAsked) {
  createCatalog(QStringLiteral("Заказы"),
                {{"Наименование", "Текст"}, {"Товар", "Справочник.Товары"}});
  addGoods({"Стол", "Шкаф"});
  main()->BuildMenus();
  frmSprList* orders = openList(QStringLiteral("Заказы"));
  ASSERT_TRUE(orders);
  ASSERT_EQ(orders->catalog(), QStringLiteral("Заказы"));
  orders->toolbar()->click(1);
  frmUniSpr* first = lastForm();
  orders->toolbar()->click(1);
  frmUniSpr* second = lastForm();
  ASSERT_TRUE(first && second && first != second);

  for (frmUniSpr* form : {second, first}) {
    QTest::keyClick(form->form()->field(QStringLiteral("Товар"))->focusWidget(), Qt::Key_F4);
    processEvents();
    frmSprList* chooser = qobject_cast<frmSprList*>(state.choiceWindow.data());
    ASSERT_TRUE(chooser);
    EXPECT_TRUE(chooser->choiceMode());
    EXPECT_EQ(chooser->catalog(), QStringLiteral("Товары"));
    EXPECT_EQ(chooser->windowTitle(), QStringLiteral("Выбор: Товары"));
    // The second form chooses by a double click, the first by «Выбрать» on the current row.
    if (form == second) {
      chooser->rowDoubleClicked(1);
    } else {
      auto* choose = chooser->findChild<QPushButton*>(QStringLiteral("cmdChoose"));
      ASSERT_TRUE(choose && choose->isVisible());
      EXPECT_EQ(choose->accessibleName(), QStringLiteral("Выбрать"));
      chooser->list()->setCurrentIndex(chooser->list()->model()->index(0, 0));
      choose->click();
    }
    processEvents();
  }
  EXPECT_FALSE(orders->findChild<QPushButton*>(QStringLiteral("cmdChoose"))->isVisible());
  EXPECT_EQ(second->form()->value(QStringLiteral("Товар")), QStringLiteral("Шкаф"));
  EXPECT_EQ(first->form()->value(QStringLiteral("Товар")), QStringLiteral("Стол"));
  // Both choice lists closed after their double click.
  EXPECT_EQ(openWindows<frmSprList>().size(), 1);

  // A requester closed meanwhile gets nothing and the list still closes.
  QTest::keyClick(first->form()->field(QStringLiteral("Товар"))->focusWidget(), Qt::Key_F4);
  processEvents();
  QPointer<frmSprList> chooser = qobject_cast<frmSprList*>(state.choiceWindow.data());
  first->close();
  processEvents();
  ASSERT_TRUE(chooser);
  chooser->rowDoubleClicked(0);
  processEvents();
  EXPECT_TRUE(chooser.isNull());
}

TEST_F(CatalogWindowsTest, EnumerationChoicesFollowTheValueList) {
  db().execute(QStringLiteral(
      "INSERT INTO form_items (name,type,code) VALUES ('ДаНет','Перечисление','Да;Нет;')"));
  db().execute(QStringLiteral(
      "INSERT INTO form_items (name,type,code) VALUES ('Обрыв','Перечисление','Да;Нет')"));
  createCatalog(QStringLiteral("Клиенты"), {{"Наименование", "Текст"},
                                            {"Активен", "Перечисление.ДаНет"},
                                            {"Старый", "Перечисление.Обрыв"}});
  state.currentObjectName = QStringLiteral("Клиенты");
  state.currentElementName.clear();
  auto* form = qobject_cast<frmUniSpr*>(windows().newWindow(QStringLiteral("frmUniSpr")));
  ASSERT_TRUE(form);
  showChild(state, form);
  QTest::keyClick(form->form()->field(QStringLiteral("Активен"))->focusWidget(), Qt::Key_F4);
  ASSERT_TRUE(form->form()->choiceMenu());
  QStringList offered;
  for (QAction* a : form->form()->choiceMenu()->actions()) offered << a->text();
  EXPECT_EQ(offered, (QStringList{"Да", "Нет"}));
  form->form()->choiceMenu()->actions().at(1)->trigger();
  EXPECT_EQ(form->form()->value(QStringLiteral("Активен")), QStringLiteral("Нет"));
  QTest::keyClick(form->form()->field(QStringLiteral("Старый"))->focusWidget(), Qt::Key_F4);
  EXPECT_EQ(form->form()->choiceMenu()->actions().size(), 1);
}

TEST_F(CatalogWindowsTest, StoredSizeAndLayoutAreUsedAndTheMinimumHolds) {
  db().execute(QStringLiteral("UPDATE form_items SET size='8000-5000', item=") +
               storage::quote(QStringLiteral(
                   "name=txt;index=1;top=300;left=250;caption=Наименование;type=Текст;\r\n")) +
               QStringLiteral(" WHERE name='Товары'"));
  addGoods({"Стол=99"});
  frmSprList* list = openList();
  list->rowDoubleClicked(0);
  frmUniSpr* form = lastForm();
  ASSERT_TRUE(form);
  EXPECT_NEAR(form->sizeTwips().width(), 8000, 15);
  EXPECT_NEAR(form->sizeTwips().height(), 5000, 15);
  EXPECT_EQ(form->form()->elementNames(), QStringList{"Наименование"});
  form->frame()->resize(100, 100);
  processEvents();
  EXPECT_GE(form->sizeTwips().width(), frmUniSpr::kMinWidth - 15);
  EXPECT_GE(form->sizeTwips().height(), frmUniSpr::kMinHeight - 15);
  // The price has no field in this layout: saving keeps it.
  ASSERT_TRUE(form->save());
  EXPECT_EQ(value(QStringLiteral("SELECT Цена FROM items_Справочник_Товары")),
            QStringLiteral("99"));
}

TEST_F(CatalogWindowsTest, ModuleButtonOnACatalogFormCallsСообщить) {
  createCatalog(QStringLiteral("Услуги"), {{"Наименование", "Текст"}},
                QStringLiteral("Sub Показать\r\n  Сообщить(\"Услуга: \" & "
                               "Форма.Значение(\"Наименование\"))\r\nEnd Sub\r\n"));
  db().execute(QStringLiteral("UPDATE form_items SET size='7905-4875', item=") +
               storage::quote(QStringLiteral(
                   "name=txt;index=1;top=300;left=250;caption=Наименование;type=Текст;\r\n"
                   "name=btn;index=2;top=900;left=250;caption=Показать;proc=Показать;\r\n")) +
               QStringLiteral(" WHERE name='Услуги'"));
  addElement(QStringLiteral("Услуги"), QStringLiteral("Доставка"));
  main()->BuildMenus();
  frmSprList* list = openList(QStringLiteral("Услуги"));
  ASSERT_TRUE(list);
  list->rowDoubleClicked(0);
  frmUniSpr* form = lastForm();
  ASSERT_TRUE(form);
  qobject_cast<QPushButton*>(form->form()->elementWidget(QStringLiteral("Показать")))->click();
  EXPECT_EQ(messages.last(), QStringLiteral("Услуга: Доставка"));
}

// An element is not saved with a required requisite empty or a reference to nothing; the
// field gets the focus and nothing is written.
TEST_F(CatalogWindowsTest, AnElementWithAnEmptyRequiredFieldOrAMissingReferenceIsNotSaved) {
  createCatalog(
      QStringLiteral("Заказы"),
      {{"Наименование", "Текст"}, {"Товар", "Справочник.Товары"}, {"Количество", "Число!"}});
  addGoods({"Стол"});
  main()->BuildMenus();
  frmSprList* orders = openList(QStringLiteral("Заказы"));
  ASSERT_TRUE(orders);
  orders->toolbar()->click(1);
  frmUniSpr* form = lastForm();
  ASSERT_TRUE(form);
  const struct {
    const char* good;
    const char* quantity;
    const char* message;  // empty: saved
    const char* focus;
  } cases[] = {
      {"Стол", " ", "Не заполнено обязательное поле «Количество».", "Количество"},
      {"Шкаф", "2", "Поле «Товар»: «Шкаф» нет в справочнике «Товары».", "Товар"},
      {"", "2", "", ""},
  };
  for (const auto& c : cases) {
    messages.clear();
    type(form->form(), QStringLiteral("Наименование"), QStringLiteral("Заказ 1"));
    type(form->form(), QStringLiteral("Товар"), QString::fromUtf8(c.good));
    type(form->form(), QStringLiteral("Количество"), QString::fromUtf8(c.quantity));
    const bool saved = form->save();
    if (*c.message == 0) {
      EXPECT_TRUE(saved) << messages.texts().join('|').toStdString();
      break;
    }
    EXPECT_FALSE(saved) << c.message;
    EXPECT_EQ(messages.texts(), QStringList{QString::fromUtf8(c.message)});
    EXPECT_EQ(form->focusWidget(), form->form()->field(QString::fromUtf8(c.focus))->focusWidget());
    EXPECT_TRUE(elementNames(QStringLiteral("Заказы")).isEmpty());
  }
  EXPECT_EQ(elementNames(QStringLiteral("Заказы")), QStringList{"Заказ 1"});
}

}  // namespace
}  // namespace balvix::runtime::testing

namespace balvix::runtime::testing {
namespace {

class SharedCatalogTest : public CatalogWindowsTest {
 protected:
  frmUniSpr* openTable() {
    frmSprList* list = openList();
    list->rowClicked(0);
    list->toolbar()->click(2);
    return lastForm();
  }
  const QString key = config::editingLockKey(
      config::objectPath(config::ObjectKind::Catalog, QStringLiteral("Товары")),
      QStringLiteral("Стол"));
};

TEST_F(SharedCatalogTest, AnElementOpenInAnotherProgramIsShownOnlyToView) {
  addGoods({"Стол=10"});
  auto other = storage::fileObjectLocks(dbPath());
  ASSERT_EQ(other->tryLock(key, QStringLiteral("petr")), QString());
  frmUniSpr* form = openTable();
  ASSERT_TRUE(form);
  EXPECT_EQ(form->editedBy(), QStringLiteral("petr"));
  EXPECT_TRUE(Contains(messages.last(), QStringLiteral("Открыт для изменения пользователем petr")));
  EXPECT_FALSE(form->save());
  // Once it is closed here, another program gets the element; its editor sees who has it.
  form->close();
  processEvents();
  other->unlock(key);
  form = openTable();
  EXPECT_EQ(form->editedBy(), QString());
  EXPECT_EQ(other->tryLock(key, QStringLiteral("petr")), state.userName);
  // The status line names both programs' users.
  other->registerPresence(QStringLiteral("petr"));
  main()->databaseWatch()->poll();
  EXPECT_EQ(main()->databaseWatch()->usersText(),
            QStringLiteral("Пользователи: %1, petr").arg(state.userName));
}

TEST_F(SharedCatalogTest, AWriteOverAnotherSessionsChangeOffersTheChoice) {
  addGoods({"Стол=10"});
  auto other = storage::Session::open(dbPath());
  const auto theyWrite = [&](const QString& price) {
    documents::ElementWrite element{QStringLiteral("Товары"),
                                    QStringLiteral("Стол"),
                                    {"Наименование", "Цена"},
                                    {"Стол", price},
                                    {},
                                    std::nullopt};
    ASSERT_EQ(documents::saveElement(*other, element).status, documents::ElementStatus::Saved);
  };
  const struct {
    MsgAnswer answer;
    const char* stored;
    const char* shown;
    bool saved;
  } cases[] = {
      {MsgAnswer::No, "20", "20", false},  // «Взять их версию»: their price in the field
      {MsgAnswer::Yes, "7", nullptr, true},  // «Записать мою»
  };
  for (const auto& c : cases) {
    frmUniSpr* form = openTable();
    ASSERT_TRUE(form);
    theyWrite(QStringLiteral("20"));
    type(form->form(), QStringLiteral("Цена"), QStringLiteral("7"));
    messages.clear();
    messages.reply(c.answer);
    EXPECT_EQ(form->save(), c.saved);
    ASSERT_FALSE(messages.messages().empty());
    EXPECT_EQ(messages.messages().front().text.left(40),
              QStringLiteral("Элемент изменен другим пользователем после").left(40));
    EXPECT_EQ(messages.messages().front().captions,
              (QStringList{"Записать мою", "Взять их версию", "Показать обе версии"}));
    EXPECT_EQ(value(QStringLiteral("SELECT Цена FROM items_Справочник_Товары")),
              QString::fromUtf8(c.stored));
    if (c.shown) {
      EXPECT_EQ(form->form()->value(QStringLiteral("Цена")), QString::fromUtf8(c.shown));
      // Read again, the element is written over their version without a question.
      messages.clear();
      EXPECT_TRUE(form->save());
      EXPECT_EQ(messages.last(), QStringLiteral("Элемент записан успешно."));
    }
    processEvents();
    for (frmUniSpr* left : openWindows<frmUniSpr>()) left->close();
    processEvents();
  }
}

}  // namespace
}  // namespace balvix::runtime::testing
