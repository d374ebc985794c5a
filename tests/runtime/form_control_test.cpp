#include "runtime/form_control.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "runtime/design_overlay.h"
#include "runtime/form_host.h"
#include "runtime/form_table.h"
#include "runtime/toolbar_control.h"
#include "runtime/value_field.h"
#include "runtime_fixture.h"
#include "script/engine.h"
#include "script/objects/object_factory.h"

namespace balvix::runtime::testing {
namespace {

using shell::MsgAnswer;

const QString kComposed = QStringLiteral(
    "name=txt;index=1;top=700;left=250;caption=Наименование;type=Текст;\r\n"
    "name=txt;index=2;top=1200;left=250;caption=Цена;type=Число;\r\n");

class FormControlTest : public ::testing::Test {
 protected:
  FormControlTest() : host([this](const QString& text) { statuses << text; }) {
    window.resize(600, 400);
    form = new FormControl(&window);
    form->setHost(&host);
    window.show();
  }
  QWidget window;
  FormControl* form = nullptr;
  QStringList statuses;
  // Loads a module with the global functions a form's module gets.
  bool load(const QString& module) {
    return form->LoadModule(module, script::createGlobalFunctions(host, nullptr));
  }
  FormHost host;
  shell::MessageRecorder messages;
};

TEST_F(FormControlTest, ComposedLayoutLoadsAndRoundTripsByteForByte) {
  form->LoadLayout(kComposed);
  EXPECT_EQ(form->elementNames(), (QStringList{"Наименование", "Цена"}));
  EXPECT_EQ(form->elementRectTwips(QStringLiteral("Цена")).topLeft(), QPoint(250, 1200));
  // Missing sizes get defaults that are not written back.
  EXPECT_GT(form->elementRectTwips(QStringLiteral("Цена")).width(), 1000);
  EXPECT_EQ(form->GetLayout(), kComposed);
  EXPECT_TRUE(statuses.isEmpty());
}

TEST_F(FormControlTest, UnknownKeysAndOddSpellingAreKeptUnchanged) {
  const QString text = QStringLiteral(
      "name=txt;index=1;top=700;left=250;caption=Поле;type=Текст;color=red;font=Arial 10;\r\n"
      "name=lbl;index=2;top=100;left=100;width=2000;height=300;caption=Заголовок;align= center "
      ";\r\n"
      "name=btn;index=3;top=1500;left=250;caption=Пересчитать;proc=Пересчет;\r\n");
  form->LoadLayout(text);
  EXPECT_EQ(form->GetLayout(), text);
  // A text without a final line end gets one; LF-only lines come back with CR LF.
  form->LoadLayout(QStringLiteral("name=chk;caption=А;\nname=cmb;caption=Б;"));
  EXPECT_EQ(form->GetLayout(), QStringLiteral("name=chk;caption=А;\r\nname=cmb;caption=Б;\r\n"));
  // A moved element keeps its unknown keys and its place among the lines.
  form->LoadLayout(text);
  form->setDesignMode(true);
  form->selectElement(QStringLiteral("Поле"));
  QTest::keyClick(form->findChild<DesignOverlay*>(), Qt::Key_Down);
  EXPECT_EQ(
      form->GetLayout().split(QStringLiteral("\r\n")).at(0),
      QStringLiteral(
          "name=txt;index=1;top=760;left=250;caption=Поле;type=Текст;color=red;font=Arial 10;"));
  EXPECT_EQ(form->GetLayout().split(QStringLiteral("\r\n")).at(1),
            QStringLiteral("name=lbl;index=2;top=100;left=100;width=2000;height=300;caption="
                           "Заголовок;align= center ;"));
}

TEST_F(FormControlTest, MalformedLinesAreSkippedReportedOnceAndKept) {
  const QString text = QStringLiteral(
      "name=txt;caption=А;type=Текст;\r\n"
      "это не элемент\r\n"
      "caption=без имени;\r\n"
      "name=txt;caption=Б;type=Число;\r\n");
  form->LoadLayout(text);
  EXPECT_EQ(form->elementNames(), (QStringList{"А", "Б"}));
  ASSERT_EQ(statuses.size(), 1);
  EXPECT_TRUE(Contains(statuses[0], QStringLiteral("2")));
  EXPECT_EQ(form->GetLayout(), text);
}

TEST_F(FormControlTest, FieldsFollowTheirTypeAndCarryTheirCaption) {
  form->LoadLayout(
      QStringLiteral("name=txt;index=1;top=100;left=100;caption=Наименование;type=Текст;\r\n"
                     "name=txt;index=2;top=600;left=100;caption=Цена;type=Число;\r\n"
                     "name=txt;index=3;top=1100;left=100;caption=Дата;type=Дата;\r\n"
                     "name=txt;index=4;top=1600;left=100;caption=Товар;type=Справочник.Товары;\r\n"
                     "name=chk;index=5;top=2100;left=100;caption=Оплачено;\r\n"));
  ValueField* price = form->field(QStringLiteral("Цена"));
  ASSERT_TRUE(price);
  EXPECT_EQ(price->kind(), FieldKind::Number);
  auto* priceEdit = qobject_cast<QLineEdit*>(price->focusWidget());
  ASSERT_TRUE(priceEdit);
  EXPECT_EQ(priceEdit->accessibleName(), QStringLiteral("Цена"));
  priceEdit->setFocus();
  QTest::keyClicks(priceEdit, QStringLiteral("12a,5b"));
  EXPECT_EQ(form->value(QStringLiteral("Цена")), QStringLiteral("12,5"));
  priceEdit->clear();
  QTest::keyClicks(priceEdit, QStringLiteral("3.25"));
  EXPECT_EQ(form->value(QStringLiteral("цена")), QStringLiteral("3.25"));

  ValueField* date = form->field(QStringLiteral("Дата"));
  ASSERT_TRUE(qobject_cast<QDateEdit*>(date->focusWidget()));
  EXPECT_TRUE(qobject_cast<QDateEdit*>(date->focusWidget())->calendarPopup());
  EXPECT_EQ(form->value(QStringLiteral("Дата")), QString());
  form->setValue(QStringLiteral("Дата"), QStringLiteral("05.03.2024"));
  EXPECT_EQ(form->value(QStringLiteral("Дата")), QStringLiteral("05.03.2024"));

  form->setValue(QStringLiteral("Оплачено"), QStringLiteral("1"));
  EXPECT_EQ(form->value(QStringLiteral("Оплачено")), QStringLiteral("1"));

  // The label beside each field reads its caption and is its buddy.
  auto* label = form->elementWidget(QStringLiteral("Цена"))->findChild<QLabel*>();
  ASSERT_TRUE(label);
  EXPECT_EQ(label->text(), QStringLiteral("Цена"));
  EXPECT_EQ(label->buddy(), priceEdit);

  // Tab goes through the fields in layout order.
  QStringList order;
  QWidget* w = form->field(QStringLiteral("Наименование"))->focusWidget();
  for (int i = 0; i < 40 && order.size() < 5; ++i, w = w->nextInFocusChain())
    if ((w->focusPolicy() & Qt::TabFocus) && !w->accessibleName().isEmpty() &&
        !order.contains(w->accessibleName()))
      order << w->accessibleName();
  EXPECT_EQ(order, (QStringList{"Наименование", "Цена", "Дата", "Товар", "Оплачено"}));
}

TEST_F(FormControlTest, ReferenceFieldAsksForAChoiceWithF4AndOpensOnDoubleClick) {
  form->LoadLayout(QStringLiteral(
      "name=txt;index=1;top=100;left=100;caption=Товар;type=Справочник.Товары;\r\n"));
  QSignalSpy choose(form, &FormControl::chooseValue);
  QSignalSpy open(form, &FormControl::openObject);
  auto* edit = qobject_cast<QLineEdit*>(form->field(QStringLiteral("Товар"))->focusWidget());
  ASSERT_TRUE(edit);
  QTest::keyClick(edit, Qt::Key_F4);
  ASSERT_EQ(choose.size(), 1);
  EXPECT_EQ(choose[0][0].toString(), QStringLiteral("Справочник.Товары"));
  EXPECT_EQ(choose[0][1].toString(), QStringLiteral("Товар"));
  QTest::mouseDClick(edit, Qt::LeftButton);
  ASSERT_EQ(open.size(), 1);
  EXPECT_EQ(open[0][0].toString(), QStringLiteral("Справочник.Товары"));

  // Offered choices end in the field that asked.
  form->AddChoice(QStringLiteral("Да"));
  form->AddChoice(QStringLiteral("Нет"));
  form->ShowChoices();
  ASSERT_TRUE(form->choiceMenu());
  ASSERT_EQ(form->choiceMenu()->actions().size(), 2);
  form->choiceMenu()->actions().at(1)->trigger();
  EXPECT_EQ(form->value(QStringLiteral("Товар")), QStringLiteral("Нет"));
}

TEST_F(FormControlTest, DesignModePlacesMovesResizesRenamesAndRemoves) {
  form->LoadLayout(kComposed);
  form->setDesignMode(true);
  auto* overlay = form->findChild<DesignOverlay*>();
  ASSERT_TRUE(overlay && overlay->isVisible());
  QSignalSpy place(form, &FormControl::placeRequest);
  QSignalSpy menu(form, &FormControl::elementMenu);

  QTest::mouseClick(overlay, Qt::LeftButton, {}, QPoint(200, 200));
  ASSERT_EQ(place.size(), 1);
  EXPECT_EQ(form->PlaceControl(QStringLiteral("Кнопка")), QStringLiteral("Кнопка1"));
  EXPECT_EQ(form->PlaceControl(QString()), QString());
  const QRect placed = form->elementRectTwips(QStringLiteral("Кнопка1"));
  EXPECT_EQ(placed.topLeft(), QPoint(3000, 3000));

  QTest::keyClick(overlay, Qt::Key_Right);
  EXPECT_EQ(form->elementRectTwips(QStringLiteral("Кнопка1")).left(),
            3000 + FormControl::kGridTwips);
  QTest::keyClick(overlay, Qt::Key_Right, Qt::ShiftModifier);
  EXPECT_EQ(form->elementRectTwips(QStringLiteral("Кнопка1")).width(),
            placed.width() + FormControl::kGridTwips);

  // Dragging with the mouse moves an element by grid steps.
  const QPoint inside = form->elementWidget(QStringLiteral("Цена"))->geometry().center();
  QTest::mousePress(overlay, Qt::LeftButton, {}, inside);
  QTest::mouseMove(overlay, inside + QPoint(40, 20));
  QTest::mouseRelease(overlay, Qt::LeftButton, {}, inside + QPoint(40, 20));
  EXPECT_EQ(form->elementRectTwips(QStringLiteral("Цена")).topLeft(),
            QPoint(250 + 600, 1200 + 300));

  QTest::mouseClick(overlay, Qt::RightButton, {},
                    form->elementWidget(QStringLiteral("Наименование"))->geometry().center());
  ASSERT_EQ(menu.size(), 1);
  EXPECT_EQ(menu[0][0].toString(), QStringLiteral("Наименование"));

  EXPECT_FALSE(form->RenameElement(QStringLiteral("Кнопка1"), QStringLiteral("цена")));
  EXPECT_TRUE(Contains(messages.last(), QStringLiteral("уже есть")));
  EXPECT_FALSE(form->RenameElement(QStringLiteral("Кнопка1"), QStringLiteral("  ")));
  EXPECT_TRUE(form->RenameElement(QStringLiteral("Кнопка1"), QStringLiteral("Записать")));
  EXPECT_TRUE(form->RemoveElement(QStringLiteral("Наименование")));
  EXPECT_FALSE(form->RemoveElement(QStringLiteral("Наименование")));

  const QString layout = form->GetLayout();
  EXPECT_FALSE(layout.contains(QStringLiteral("caption=Наименование;")));
  EXPECT_TRUE(layout.contains(QStringLiteral("name=btn;index=3;top=3000;left=3060;")));
  EXPECT_TRUE(layout.contains(QStringLiteral("caption=Записать;")));
  // What design produced loads again unchanged.
  FormControl again;
  again.setHost(&host);
  again.LoadLayout(layout);
  EXPECT_EQ(again.GetLayout(), layout);
  EXPECT_EQ(again.elementNames(), (QStringList{"Цена", "Записать"}));
}

TEST_F(FormControlTest, ModuleRunsOnOpeningAndFromButtonsAndSurvivesErrors) {
  form->LoadLayout(
      kComposed +
      QStringLiteral("name=btn;index=3;top=1700;left=250;caption=Показать;proc=Показать;\r\n") +
      QStringLiteral("name=btn;index=4;top=2200;left=250;caption=Сломать;proc=Сломать;\r\n"));
  window.setWindowTitle(QStringLiteral("Справочник.Товары"));
  const QString module = QStringLiteral(
      "Sub ПриОткрытии\r\n"
      "  Форма.Значение(\"Цена\") = \"5\"\r\n"
      "  Форма.Заголовок = Форма.Заголовок & \".Открыт\"\r\n"
      "End Sub\r\n"
      "Sub Показать\r\n"
      "  Сообщить(\"Цена: \" & Форма.Значение(\"Цена\"))\r\n"
      "End Sub\r\n"
      "Sub Сломать\r\n"
      "  Dim x\r\n"
      "  x = 1 / 0\r\n"
      "End Sub\r\n");
  ASSERT_TRUE(load(module));
  EXPECT_EQ(form->value(QStringLiteral("Цена")), QStringLiteral("5"));
  EXPECT_EQ(window.windowTitle(), QStringLiteral("Справочник.Товары.Открыт"));

  auto* show = qobject_cast<QPushButton*>(form->elementWidget(QStringLiteral("Показать")));
  ASSERT_TRUE(show);
  EXPECT_EQ(show->accessibleName(), QStringLiteral("Показать"));
  show->click();
  EXPECT_EQ(messages.texts(), QStringList{"Цена: 5"});

  messages.clear();
  form->setModuleName(QStringLiteral("Справочник.Товары"));
  qobject_cast<QPushButton*>(form->elementWidget(QStringLiteral("Сломать")))->click();
  ASSERT_EQ(messages.texts().size(), 1);
  EXPECT_TRUE(Contains(messages.last(), QStringLiteral("строка 10")));
  EXPECT_TRUE(messages.last().contains(QStringLiteral("Справочник.Товары")));

  // The form stays usable after the error.
  messages.clear();
  EXPECT_TRUE(form->RunThis(QStringLiteral("Показать")));
  EXPECT_EQ(messages.texts(), QStringList{"Цена: 5"});
  // A syntax error is reported with its line and leaves nothing running.
  messages.clear();
  EXPECT_FALSE(form->LoadModule(QStringLiteral("Sub А\r\n  If 1 Then\r\nEnd Sub\r\n"), nullptr));
  EXPECT_EQ(messages.texts().size(), 1);
}

TEST_F(FormControlTest, AModulesRunEndsWhenItIsReplacedOrEnded) {
  form->LoadLayout(kComposed);
  const QString module = QStringLiteral(
      "Class Запись\r\n"
      "  Public Имя\r\n"
      "  Private Sub Class_Terminate\r\n"
      "    Сообщить(\"конец \" & Имя & \" \" & Форма.Значение(\"Цена\"))\r\n"
      "  End Sub\r\n"
      "End Class\r\n"
      "Dim з\r\n"
      "Set з = New Запись\r\n"
      "з.Имя = \"%1\"\r\n"
      "Форма.Значение(\"Цена\") = \"%1\"\r\n");
  ASSERT_TRUE(load(module.arg(QStringLiteral("первый"))));
  EXPECT_TRUE(messages.texts().isEmpty());
  ASSERT_TRUE(load(module.arg(QStringLiteral("второй"))));
  EXPECT_EQ(messages.texts(), QStringList{"конец первый первый"});
  messages.clear();
  form->endModule();
  EXPECT_EQ(messages.texts(), QStringList{"конец второй второй"});
}

TEST_F(FormControlTest, AMessageTheModuleRaisesItselfIsShownAsWrittenOtherErrorsSayWhere) {
  form->LoadLayout(kComposed);
  form->setModuleName(QStringLiteral("Документ.Расход"));
  ASSERT_TRUE(
      load(QStringLiteral("Sub Своя\r\n"
                          "  Err.Raise vbObjectError + 7, \"Расход\", \"Товара не хватает.\"\r\n"
                          "End Sub\r\n"
                          "Sub Номер\r\n"
                          "  Err.Raise 1000, , \"Остаток меньше нуля\"\r\n"
                          "End Sub\r\n"
                          "Sub Системная\r\n"
                          "  Err.Raise 11, , \"Делить на остаток нельзя\"\r\n"
                          "End Sub\r\n"
                          "Sub БезТекста\r\n"
                          "  Err.Raise vbObjectError + 8\r\n"
                          "End Sub\r\n"
                          "Sub ВнутриExecute\r\n"
                          "  Execute \"Err.Raise vbObjectError + 9, , \"\"Из Execute\"\"\"\r\n"
                          "End Sub\r\n")));
  const auto shown = [&](const char* procedure) {
    messages.clear();
    EXPECT_FALSE(form->RunThis(QString::fromUtf8(procedure)));
    return messages.texts().value(0);
  };
  EXPECT_EQ(shown("Своя"), QStringLiteral("Товара не хватает."));
  EXPECT_EQ(shown("Номер"), QStringLiteral("Остаток меньше нуля"));
  EXPECT_EQ(shown("ВнутриExecute"), QStringLiteral("Из Execute"));
  // The language's own numbers, and errors without a text, still say where they happened.
  EXPECT_EQ(
      shown("Системная"),
      QStringLiteral("Ошибка в модуле «Документ.Расход», строка 8:\nДелить на остаток нельзя"));
  EXPECT_TRUE(shown("БезТекста")
                  .startsWith(QStringLiteral("Ошибка в модуле «Документ.Расход», строка 11:")));
}

TEST_F(FormControlTest, EscapeInterruptsALongModule) {
  form->LoadLayout(kComposed);
  // The module asks the host to process events, during which Escape arrives.
  QTimer::singleShot(50, [this] {
    QTest::keyClick(form->field(QStringLiteral("Цена"))->focusWidget(), Qt::Key_Escape);
  });
  const bool ok = load(QStringLiteral("Do\r\n  Состояние(\"работа\")\r\nLoop\r\n"));
  EXPECT_FALSE(ok);
  ASSERT_EQ(messages.texts().size(), 1);
  EXPECT_TRUE(Contains(messages.last(), QStringLiteral("прерван")));
}

TEST_F(FormControlTest, TablePartThroughTheModule) {
  form->LoadLayout(kComposed);
  form->table()->addColumn(QStringLiteral("Товар"));
  form->table()->setStatus(QStringLiteral("Справочник.Товары"));
  form->setTablePart(true);
  EXPECT_TRUE(form->tablePart());
  const QString module = QStringLiteral(
      "Таблица.ДобавитьКолонку \"Количество\"\r\n"
      "Таблица.Status = \"Число\"\r\n"
      "Сообщить(Таблица.Status)\r\n"
      "Таблица.НоваяСтрока\r\n"
      "Таблица.ДобавитьЗначение \"Стол\", \"Товар\"\r\n"
      "Таблица.ДобавитьЗначение \"2\", \"количество\"\r\n"
      "Таблица.НоваяСтрока\r\n"
      "Таблица.ДобавитьЗначение \"Стул 'венский'\", \"Товар\"\r\n"
      "Сообщить(Таблица.КоличествоСтрок)\r\n"
      "Таблица.ВыбратьСтроки\r\n"
      "Do While Таблица.ПолучитьСтроку() = 1\r\n"
      "  Сообщить(Таблица.ЗначениеКолонки(\"Товар\") & \"|\" & "
      "Таблица.ЗначениеКолонки(\"Количество\"))\r\n"
      "Loop\r\n"
      "Таблица.ОчиститьТаблицу\r\n"
      "Сообщить(Таблица.КоличествоСтрок)\r\n"
      "Таблица.ДобавитьЗначение \"x\", \"Нет такой\"\r\n");
  EXPECT_FALSE(load(module));
  EXPECT_EQ(messages.texts().mid(0, 5),
            (QStringList{"Число", "2", "Стол|2", "Стул 'венский'|", "0"}));
  EXPECT_TRUE(messages.last().contains(QStringLiteral("Нет такой")));
  EXPECT_EQ(form->table()->columnType(0), QStringLiteral("Справочник.Товары"));
}

TEST_F(FormControlTest, TableViewAddsDeletesAndChoosesInTheCurrentCell) {
  form->table()->addColumn(QStringLiteral("Товар"));
  form->table()->setStatus(QStringLiteral("Справочник.Товары"));
  form->table()->addColumn(QStringLiteral("Количество"));
  form->setTablePart(true);
  FormTableView* view = form->tableView();
  view->setFocus();
  QTest::keyClick(view, Qt::Key_Insert);
  QTest::keyClick(view, Qt::Key_Insert);
  EXPECT_EQ(form->table()->rows(), 2);
  QSignalSpy choose(form, &FormControl::chooseValue);
  view->setCurrentIndex(form->table()->index(1, 0));
  QTest::keyClick(view, Qt::Key_F4);
  ASSERT_EQ(choose.size(), 1);
  EXPECT_EQ(choose[0][1].toString(), QStringLiteral("table"));
  form->setValue(QStringLiteral("table"), QStringLiteral("Шкаф"));
  EXPECT_EQ(form->table()->cell(1, 0), QStringLiteral("Шкаф"));
  EXPECT_EQ(form->value(QStringLiteral("table")), QStringLiteral("Шкаф"));

  messages.reply(MsgAnswer::No);
  QTest::keyClick(view, Qt::Key_Delete);
  EXPECT_EQ(form->table()->rows(), 2);
  messages.reply(MsgAnswer::Yes);
  QTest::keyClick(view, Qt::Key_Delete);
  EXPECT_EQ(form->table()->rows(), 1);
  EXPECT_EQ(messages.texts().size(), 2);
}

TEST(ToolBarControlTest, NumberedButtonsReportClicksOnlyWhileAvailable) {
  ToolBarControl bar;
  bar.addButton(1, QStringLiteral("Новый"), QIcon(), QStringLiteral("Новый элемент"));
  bar.addButton(4, QStringLiteral("&Удалить"));
  QSignalSpy clicks(&bar, &ToolBarControl::ButtonClick);
  EXPECT_EQ(bar.button(1)->toolTip(), QStringLiteral("Новый элемент"));
  EXPECT_EQ(bar.button(4)->toolTip(), QStringLiteral("Удалить"));
  bar.DisableButton(4);
  bar.click(4);
  EXPECT_EQ(clicks.size(), 0);
  bar.EnableButton(4);
  bar.click(4);
  bar.click(1);
  bar.click(7);
  ASSERT_EQ(clicks.size(), 2);
  EXPECT_EQ(clicks[0][0].toInt(), 4);
  EXPECT_EQ(clicks[1][0].toInt(), 1);
}

}  // namespace
}  // namespace balvix::runtime::testing
