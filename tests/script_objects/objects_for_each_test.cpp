#include "object_fixture.h"

using namespace balvix::script;
using namespace balvix::script::testing;

namespace {

// For Each over the program's objects makes the object's selection and walks it from
// its first record, the object itself positioned on each.
class ForEachObjectTest : public ObjectTest {
 protected:
  void SetUp() override {
    ObjectTest::SetUp();
    addCatalog(QStringLiteral("Товары"), {QStringLiteral("Наименование")},
               {{QStringLiteral("Стол")}, {QStringLiteral("Стул")}, {QStringLiteral("Шкаф")}});
  }
};

TEST_F(ForEachObjectTest, CatalogIsWalkedWholeEveryTimeAndExitForStops) {
  const QStringList out = run(QStringLiteral(
      "Объект Спр = СоздатьОбъект(\"Справочник\")\n"
      "Спр.Вид = \"Товары\"\n"
      "For Each э In Спр\n"
      "  s = s & э.Значение(\"Наименование\") & \",\"\n"
      "Next\n"
      "Сообщить(s)\n"
      "For Each э In Спр\n"
      "  Сообщить(TypeName(э) & \" \" & (э Is Спр) & \" \" & Спр.Значение(\"Наименование\"))\n"
      "  Exit For\n"
      "Next\n"));
  EXPECT_EQ(out, (QStringList{QStringLiteral("Стол,Стул,Шкаф,"),
                              QStringLiteral("clsСправочник True Стол")}));
}

TEST_F(ForEachObjectTest, RegisterYieldsItsBalanceGroups) {
  addRegister(QStringLiteral("Остатки"), {QStringLiteral("Товар"), QStringLiteral("Количество")});
  exec(
      QStringLiteral("INSERT INTO items_Регистр_Остатки VALUES "
                     "('Стол','5','01.01.2026','','Д1','+'),('Стол','2','01.01.2026','','Д2','-'),"
                     "('Стул','1','01.01.2026','','Д3','+')"));
  const QStringList out =
      run(QStringLiteral("Объект Рег = СоздатьОбъект(\"Регистр\")\n"
                         "Рег.Вид = \"Остатки\"\n"
                         "For Each г In Рег\n"
                         "  Сообщить(г.Реквизит(\"Товар\") & \"=\" & г.Реквизит(\"Количество\"))\n"
                         "Next\n"));
  EXPECT_EQ(out, (QStringList{QStringLiteral("Стол=3"), QStringLiteral("Стул=1")}));
}

TEST_F(ForEachObjectTest, AccountsOfTheChartAreWalked) {
  const QStringList codes = column(QStringLiteral("SELECT код FROM plan WHERE код='41'"));
  ASSERT_EQ(codes, QStringList{QStringLiteral("41")});
  const QStringList out =
      run(QStringLiteral("Объект Сч = СоздатьОбъект(\"Счет\")\n"
                         "Сч.Вид = \"41\"\n"
                         "For Each с In Сч\n"
                         "  Сообщить(с.Код)\n"
                         "Next\n"));
  EXPECT_EQ(out, QStringList{QStringLiteral("41")});
}

TEST_F(ForEachObjectTest, ObjectsWithoutElementsAreNoCollection) {
  EXPECT_EQ(runError(QStringLiteral("Объект ф = СоздатьОбъект(\"ФС\")\n"
                                    "For Each x In ф\n"
                                    "Next\n")),
            QStringLiteral("2: Объект не является коллекцией"));
  EXPECT_EQ(runError(QStringLiteral("Set n = Nothing\nFor Each x In n\nNext\n")),
            QStringLiteral("2: Объектная переменная не задана"));
}

}  // namespace
