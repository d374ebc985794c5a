#include "config/form_layout.h"

#include <gtest/gtest.h>

using namespace balvix::config;

namespace {

const QString kStored = QStringLiteral(
    "name=txt;index=1;top=700;left=250;caption=Наименование;type=Текст;\r\n"
    "name=lbl;top=100;left=250;width=3000;height=300;caption=Приходная накладная;font=Arial;\r\n"
    "name=btn;index=2;top=1200;left=250;caption=Пересчитать;proc=Пересчет;color=&H00FF;\r\n"
    "name=chk;caption=Оплачено;x-unknown=1=2;\r\n"
    "name=cmb;caption=Вид;type=Перечисление.Виды;\r\n");

}  // namespace

TEST(FormLayoutText, UnchangedLayoutIsWrittenBackByteForByte) {
  const LayoutParseResult result = parseLayout(kStored);
  EXPECT_TRUE(result.problems.isEmpty());
  ASSERT_EQ(result.layout.elements.size(), 5);
  EXPECT_EQ(result.layout.text(), kStored);

  // Elements without ";" after their last pair stay as they were too.
  const QString loose = QStringLiteral("name=txt;caption=А\r\nname=lbl;caption=Б;\r\n");
  EXPECT_EQ(parseLayout(loose).layout.text(), loose);
}

TEST(FormLayoutText, KnownKeysAreReadAndUnknownKeysKeptInOrder) {
  const FormLayout layout = parseLayout(kStored).layout;
  const LayoutElement& field = layout.elements[0];
  EXPECT_EQ(field.kind(), LayoutElement::Kind::Field);
  EXPECT_EQ(field.index(), 1);
  EXPECT_EQ(field.top(), 700);
  EXPECT_EQ(field.left(), 250);
  EXPECT_EQ(field.caption(), QStringLiteral("Наименование"));
  EXPECT_EQ(field.type().kind, RequisiteType::Kind::Text);

  const LayoutElement& label = layout.elements[1];
  EXPECT_EQ(label.kind(), LayoutElement::Kind::Label);
  EXPECT_EQ(label.width(), 3000);
  EXPECT_EQ(label.height(), 300);
  EXPECT_EQ(label.value(QStringLiteral("font")), QStringLiteral("Arial"));

  EXPECT_EQ(layout.elements[2].kind(), LayoutElement::Kind::Button);
  EXPECT_EQ(layout.elements[2].proc(), QStringLiteral("Пересчет"));
  EXPECT_EQ(layout.elements[3].kind(), LayoutElement::Kind::CheckBox);
  // A value keeps everything after the first "=".
  EXPECT_EQ(layout.elements[3].value(QStringLiteral("x-unknown")), QStringLiteral("1=2"));
  EXPECT_EQ(layout.elements[4].kind(), LayoutElement::Kind::ChoiceList);
  EXPECT_EQ(layout.elements[4].type(), RequisiteType::enumeration(QStringLiteral("Виды")));
  EXPECT_EQ(layout.elements[4].width(), 0);
}

TEST(FormLayoutText, ChangedElementIsRewrittenKeepingUnknownKeys) {
  FormLayout layout = parseLayout(kStored).layout;
  LayoutElement* button = layout.findByCaption(QStringLiteral("Пересчитать"));
  ASSERT_NE(button, nullptr);
  button->setTop(1700);
  button->setWidth(1200);
  ASSERT_TRUE(layout.removeByCaption(QStringLiteral("Оплачено")));
  EXPECT_FALSE(layout.removeByCaption(QStringLiteral("Нет такого")));
  const QStringList lines = layout.text().split(QStringLiteral("\r\n"));
  ASSERT_EQ(lines.size(), 5);  // four lines and the empty text after the last CR LF
  EXPECT_EQ(lines[2], QStringLiteral("name=btn;index=2;top=1700;left=250;caption=Пересчитать;"
                                     "proc=Пересчет;color=&H00FF;width=1200;"));
  EXPECT_EQ(lines[3], QStringLiteral("name=cmb;caption=Вид;type=Перечисление.Виды;"));
  EXPECT_TRUE(lines[4].isEmpty());

  // A value cannot end its pair or its line.
  LayoutElement label(LayoutElement::Kind::Label);
  label.setCaption(QStringLiteral("Итого; с НДС\r\nвсего"));
  EXPECT_EQ(label.line(), QStringLiteral("name=lbl;caption=Итого, с НДС  всего;"));
  EXPECT_EQ(parseLayout(label.line()).layout.elements.size(), 1);
}

TEST(FormLayoutText, MalformedLinesAreReportedAndSkipped) {
  const QString text = QStringLiteral(
      "name=txt;caption=А;\r\n"
      "name=txt;caption\r\n"
      "=5;name=lbl;\r\n"
      "caption=Без вида;\r\n"
      "\r\n"
      "name=txt;;caption=Б;\r\n"
      "name=lbl;caption=В;\n"
      "name=btn;caption=Г;");
  const LayoutParseResult result = parseLayout(text);
  ASSERT_EQ(result.layout.elements.size(), 3);
  EXPECT_EQ(result.layout.elements[0].caption(), QStringLiteral("А"));
  EXPECT_EQ(result.layout.elements[1].caption(), QStringLiteral("В"));
  EXPECT_EQ(result.layout.elements[2].caption(), QStringLiteral("Г"));
  ASSERT_EQ(result.problems.size(), 4);
  EXPECT_EQ(result.problems[0].line, 2);
  EXPECT_EQ(result.problems[0].text, QStringLiteral("name=txt;caption"));
  EXPECT_EQ(result.problems[1].line, 3);
  EXPECT_EQ(result.problems[2].line, 4);
  EXPECT_EQ(result.problems[3].line, 6);
  EXPECT_TRUE(result.problems[0].message().startsWith(QStringLiteral("Строка 2 макета формы")));
  // What is written back has every line ended by CR LF.
  EXPECT_EQ(
      result.layout.text(),
      QStringLiteral("name=txt;caption=А;\r\nname=lbl;caption=В;\r\nname=btn;caption=Г;\r\n"));

  EXPECT_TRUE(parseLayout(QString()).layout.elements.isEmpty());
  EXPECT_TRUE(parseLayout(QStringLiteral(";;;\r\n===")).layout.elements.isEmpty());
}

TEST(FormLayoutText, DefaultLayoutIsComposedFromTheRequisites) {
  const FormLayout layout =
      composeDefaultLayout({{"Наименование", RequisiteType::parse(QStringLiteral("Текст"))},
                            {"Цена", RequisiteType::parse(QStringLiteral("Число"))},
                            {"Склад", RequisiteType()}});
  EXPECT_EQ(layout.text(),
            QStringLiteral("name=txt;index=1;top=700;left=250;caption=Наименование;type=Текст;\r\n"
                           "name=txt;index=2;top=1200;left=250;caption=Цена;type=Число;\r\n"
                           "name=txt;index=3;top=1700;left=250;caption=Склад;type=;\r\n"));
  EXPECT_TRUE(composeDefaultLayout({}).text().isEmpty());
  EXPECT_EQ(defaultFormSize().text(), QStringLiteral("7905-4875"));
}

TEST(FormLayoutText, SizeTextReadsWidthBeforeTheFirstDash) {
  EXPECT_EQ(FormSize::parse(QStringLiteral("8000-5000")), (FormSize{8000, 5000}));
  EXPECT_EQ(FormSize::parse(QStringLiteral("7905.5-4875")), (FormSize{7905.5, 4875}));
  EXPECT_EQ(FormSize::parse(QStringLiteral("8000")), std::nullopt);
  EXPECT_EQ(FormSize::parse(QStringLiteral("широко-высоко")), std::nullopt);
  EXPECT_EQ(FormSize::parse(QString()), std::nullopt);
  EXPECT_EQ((FormSize{8000, 5000}).text(), QStringLiteral("8000-5000"));
}

// The layout keeps where a field is; the definition says what it holds.
TEST(FormLayoutText, AFieldTakesItsRequisitesCurrentType) {
  const QList<Requisite> requisites{{QStringLiteral("Цена"), RequisiteType::amount()},
                                    {QStringLiteral("Склад"), RequisiteType::parse("Текст")},
                                    {QStringLiteral("Прочее"), RequisiteType{}}};
  const struct {
    const char* line;
    bool changed;
    const char* type;
  } cases[] = {
      {"name=txt;top=700;caption=Цена;type=Число;width=900;", true, "Число.Сумма"},
      {"name=txt;caption=цена;", true, "Число.Сумма"},
      {"name=txt;caption=Склад;type=Текст;", false, "Текст"},
      {"name=txt;caption=Склад;type=Справочник.Склады;", true, "Текст"},
      {"name=txt;caption=Прочее;type=Дата;", false, "Дата"},  // no type to take
      {"name=txt;caption=Чужое;type=Дата;", false, "Дата"},
      {"name=lbl;caption=Цена;", false, ""},
  };
  for (const auto& c : cases) {
    LayoutElement element = parseLayout(QString::fromUtf8(c.line)).layout.elements.value(0);
    EXPECT_EQ(takeRequisiteType(element, requisites), c.changed) << c.line;
    EXPECT_EQ(element.value(QStringLiteral("type")).toStdString(), std::string(c.type)) << c.line;
  }
  LayoutElement moved = parseLayout(QString::fromUtf8(cases[0].line)).layout.elements.value(0);
  takeRequisiteType(moved, requisites);
  EXPECT_EQ(moved.line(),
            QStringLiteral("name=txt;top=700;caption=Цена;type=Число.Сумма;width=900;"));
}
