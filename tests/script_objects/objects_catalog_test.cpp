#include "object_fixture.h"

using namespace balvix::script;
using namespace balvix::script::testing;

namespace {

const QStringList kGoods = {QStringLiteral("Наименование"), QStringLiteral("Цена")};

class CatalogObjectTest : public ObjectTest {
 protected:
  void SetUp() override {
    ObjectTest::SetUp();
    addCatalog(QStringLiteral("Товары"), kGoods,
               {{QStringLiteral("Стол"), QStringLiteral("10")},
                {QStringLiteral("Стул"), QStringLiteral("<null>")},
                {QStringLiteral("Шкаф"), QStringLiteral("20")}});
  }
};

TEST_F(CatalogObjectTest, WalksTheElementsInTurnAndReadsFieldsAsText) {
  const QStringList out = run(QStringLiteral(
      "Объект Спр = СоздатьОбъект(\"Справочник\")\n"
      "Спр.Вид = \"Товары\"\n"
      "Спр.Выбрать()\n"
      "Для i = 1 До 4\n"
      "  р = Спр.Получить()\n"
      "  Сообщить(TypeName(р) & \" \" & р & \" \" & Спр.Значение(\"наименование\") & \"|\" & "
      "Спр.Значение(\"Цена\") & \"|\" & Спр.Значение(\"НетТакого\") & \"|\" & Спр.Вид)\n"
      "Далее\n"));
  EXPECT_EQ(out, (QStringList{QStringLiteral("Integer 1 Стол|10||Товары"),
                              QStringLiteral("Integer 1 Стул|||Товары"),
                              QStringLiteral("Integer 1 Шкаф|20||Товары"),
                              QStringLiteral("Integer 0 |||Товары")}));
}

TEST_F(CatalogObjectTest, FirstFetchFlagIsNeverClearedSoASecondWalkStartsAtTheSecondElement) {
  const QStringList out =
      run(QStringLiteral("Объект Спр = СоздатьОбъект(\"Справочник\")\n"
                         "Спр.Вид = \"Товары\"\n"
                         "Спр.Выбрать()\n"
                         "Делать Пока Спр.Получить() = 1\n"
                         "Цикл\n"
                         "Спр.Выбрать()\n"
                         "Делать Пока Спр.Получить() = 1\n"
                         "  Сообщить(Спр.Значение(\"Наименование\"))\n"
                         "Цикл\n"));
  EXPECT_EQ(out, (QStringList{QStringLiteral("Стул"), QStringLiteral("Шкаф")}));
}

TEST_F(CatalogObjectTest, EmptyCatalogGivesZeroAndAFetchPastTheEndIsAnError) {
  addCatalog(QStringLiteral("Пусто"), {QStringLiteral("Наименование")});
  const QString error =
      runError(QStringLiteral("Объект Спр = СоздатьОбъект(\"Справочник\")\n"
                              "Спр.Вид = \"Пусто\"\n"
                              "Спр.Выбрать()\n"
                              "Сообщить(Спр.Получить())\n"
                              "Сообщить(Спр.Получить())\n"));
  EXPECT_EQ(host.messages, QStringList{QStringLiteral("0")});
  EXPECT_TRUE(error.startsWith(QStringLiteral("5: Нет текущей записи"))) << error.toStdString();
}

TEST_F(CatalogObjectTest, EmptyKindWalksEveryCatalogSkippingThoseWithoutElements) {
  addCatalog(QStringLiteral("Пусто"), {QStringLiteral("Наименование")});
  addCatalog(QStringLiteral("Склады"), {QStringLiteral("Наименование")},
             {{QStringLiteral("Главный")}});
  const QStringList out =
      run(QStringLiteral("Объект Спр = СоздатьОбъект(\"Справочник\")\n"
                         "Спр.Выбрать()\n"
                         "Делать Пока Спр.Получить() = 1\n"
                         "  Сообщить(Спр.Вид & \":\" & Спр.Значение(\"Наименование\"))\n"
                         "Цикл\n"
                         "Сообщить(\"конец \" & Спр.Вид)\n"));
  // In the order of the list of kinds (by name).
  EXPECT_EQ(out, (QStringList{QStringLiteral("Склады:Главный"), QStringLiteral("Товары:Стол"),
                              QStringLiteral("Товары:Стул"), QStringLiteral("Товары:Шкаф"),
                              QStringLiteral("конец Товары")}));
}

TEST_F(CatalogObjectTest, WalkOverNoCatalogsDoesNotReadWhatWasQueriedBefore) {
  exec(QStringLiteral("DELETE FROM form_items WHERE type='Справочник'"));
  const QStringList out =
      run(QStringLiteral("Объект Сч = СоздатьОбъект(\"Счет\")\n"
                         "Сч.ВыбратьСчета()\n"
                         "Объект Спр = СоздатьОбъект(\"Справочник\")\n"
                         "Спр.Выбрать()\n"
                         "Сообщить(Спр.Получить())\n"));
  EXPECT_EQ(out, QStringList{QStringLiteral("0")});
}

TEST_F(CatalogObjectTest, LoopInterruptedByARegisterQueryContinuesOnTheRegistersGroups) {
  addRegister(QStringLiteral("Остатки"), {QStringLiteral("Товар"), QStringLiteral("Количество")});
  exec(QStringLiteral(
      "INSERT INTO items_Регистр_Остатки VALUES ('А','1','01.01.2026','10:00:00','Д','+'),"
      "('Б','2','01.01.2026','10:00:00','Д','+'),('В','3','01.01.2026','10:00:00','Д','+')"));
  const QStringList out = run(
      QStringLiteral("Объект Спр = СоздатьОбъект(\"Справочник\")\n"
                     "Объект Рег = СоздатьОбъект(\"Регистр\")\n"
                     "Рег.Вид = \"Остатки\"\n"
                     "Спр.Вид = \"Товары\"\n"
                     "Спр.Выбрать()\n"
                     "Делать Пока Спр.Получить() = 1\n"
                     "  Сообщить(Спр.Значение(\"Наименование\") & Спр.Значение(\"Товар\"))\n"
                     "  Если Спр.Значение(\"Наименование\") = \"Стол\" Тогда Рег.ВыбратьОстатки()\n"
                     "Цикл\n"));
  EXPECT_EQ(out, (QStringList{QStringLiteral("Стол"), QStringLiteral("Б"), QStringLiteral("В")}));
}

TEST_F(CatalogObjectTest, KindsThatAreNoTablesAreRunTimeErrors) {
  EXPECT_TRUE(runError(QStringLiteral("Объект Спр = СоздатьОбъект(\"Справочник\")\n"
                                      "Спр.Вид = \"Нет\"\nСпр.Выбрать()\n"))
                  .startsWith(QStringLiteral("3: ")));
  const QString injected =
      runError(QStringLiteral("Объект Спр = СоздатьОбъект(\"Справочник\")\n"
                              "Спр.Вид = \"Товары WHERE 1=0\"\nСпр.Выбрать()\n"));
  EXPECT_TRUE(injected.contains(QStringLiteral("не может быть именем"))) << injected.toStdString();
}

// A set names Стол by a requisite typed to Товары; the stock register's column of the same
// name (in other letter case) counts as a reference too.
TEST_F(CatalogObjectTest, DeletingAnElementTheBooksNameIsRefusedAndAnUnusedOneIsDeleted) {
  addCatalog(QStringLiteral("Комплекты"),
             {QStringLiteral("Наименование"), QStringLiteral("Состав")},
             {{QStringLiteral("Набор"), QStringLiteral("Стол")}});
  exec(QStringLiteral(
      "UPDATE form_items SET items_type='Текст;Справочник.Товары;' WHERE name='Комплекты'"));
  addRegister(QStringLiteral("Остатки"), {QStringLiteral("состав")});
  for (const char* when : {"01.02.2026", "02.02.2026"})
    exec(QStringLiteral("INSERT INTO items_Регистр_Остатки VALUES ('Стол','%1','','','1')")
             .arg(QString::fromUtf8(when)));
  const QString remove = QStringLiteral(
      "Объект Спр = СоздатьОбъект(\"Справочник\")\n"
      "Спр.Вид = \"Товары\"\nСпр.Удалить(\"%1\")\n");
  EXPECT_EQ(runError(remove.arg(QStringLiteral("Стол"))),
            QStringLiteral("3: Элемент «Стол» используется: 2 движения регистра «Остатки», 1 "
                           "элемент справочника «Комплекты». Удаление невозможно."));
  run(remove.arg(QStringLiteral("Шкаф")));
  EXPECT_EQ(column(QStringLiteral("SELECT Наименование FROM items_Справочник_Товары")),
            (QStringList{QStringLiteral("Стол"), QStringLiteral("Стул")}));
}

TEST_F(CatalogObjectTest, ARenameCarriesThroughTheReferencesAndATakenNameIsRefused) {
  addCatalog(QStringLiteral("Комплекты"),
             {QStringLiteral("Наименование"), QStringLiteral("Состав")},
             {{QStringLiteral("Набор"), QStringLiteral("Стол")}});
  exec(QStringLiteral(
      "UPDATE form_items SET items_type='Текст;Справочник.Товары;' WHERE name='Комплекты'"));
  addRegister(QStringLiteral("Остатки"), {QStringLiteral("Состав")});
  exec(QStringLiteral("INSERT INTO items_Регистр_Остатки VALUES ('Стол','01.02.2026','','','1')"));
  const QString rename = QStringLiteral(
      "Объект Спр = СоздатьОбъект(\"Справочник\")\n"
      "Спр.Вид = \"Товары\"\nСпр.Переименовать(\"%1\", \"%2\")\n");
  EXPECT_EQ(runError(rename.arg(QStringLiteral("Стол"), QStringLiteral("Шкаф"))),
            QStringLiteral("3: Элемент «Шкаф» уже есть в справочнике «Товары»."));
  run(rename.arg(QStringLiteral("Стол"), QStringLiteral("Стол письменный")));
  EXPECT_EQ(column(QStringLiteral("SELECT Наименование FROM items_Справочник_Товары ORDER BY 1")),
            (QStringList{QStringLiteral("Стол письменный"), QStringLiteral("Стул"),
                         QStringLiteral("Шкаф")}));
  EXPECT_EQ(column(QStringLiteral("SELECT Состав FROM items_Справочник_Комплекты UNION ALL "
                                  "SELECT Состав FROM items_Регистр_Остатки")),
            (QStringList{QStringLiteral("Стол письменный"), QStringLiteral("Стол письменный")}));
}

class DocumentObjectTest : public ObjectTest {
 protected:
  void SetUp() override {
    ObjectTest::SetUp();
    const QStringList header = {QStringLiteral("Наименование"), QStringLiteral("Сумма"),
                                QStringLiteral("cDATE"),        QStringLiteral("cTIME"),
                                QStringLiteral("Проводка"),     QStringLiteral("Номер")};
    exec(
        QStringLiteral("INSERT INTO form_items (name,type) VALUES ('Приход','Документ'),"
                       "('Пустой','Документ'),('Расход','Документ')"));
    addTable(QStringLiteral("items_Документ_Приход"), header,
             {{QStringLiteral("П1"), QStringLiteral("100"), QStringLiteral("01.02.2026"),
               QStringLiteral("10:00:00"), QStringLiteral("1"), QStringLiteral("1")},
              {QStringLiteral("П2"), QStringLiteral("<null>"), QStringLiteral("02.02.2026"),
               QStringLiteral("11:00:00"), QStringLiteral("1"), QStringLiteral("2")}});
    addTable(QStringLiteral("items_Документ_Пустой"), header, {});
    addTable(QStringLiteral("items_Документ_Расход"), header,
             {{QStringLiteral("Р1"), QStringLiteral("5"), QStringLiteral("03.02.2026"),
               QStringLiteral("12:00:00"), QStringLiteral("1"), QStringLiteral("1")}});
    addTable(QStringLiteral("table_Документ_Приход"),
             {QStringLiteral("Товар"), QStringLiteral("cDATE"), QStringLiteral("cTIME")},
             {{QStringLiteral("Стол"), QStringLiteral("01.02.2026"), QStringLiteral("10:00:00")},
              {QStringLiteral("Стул"), QStringLiteral("02.02.2026"), QStringLiteral("11:00:00")}});
  }
};

TEST_F(DocumentObjectTest, WalksHeadersAndTheCurrentDocumentViewReadsThem) {
  const QStringList out = run(QStringLiteral(
      "Объект Док = СоздатьОбъект(\"Документ\")\n"
      "Объект Тек = СоздатьОбъект(\"ТекущийДокумент\")\n"
      "Док.Вид = \"Приход\"\n"
      "Док.ВыбратьДокументы()\n"
      "Делать Пока Док.ПолучитьДокумент() = 1\n"
      "  Сообщить(Тек.Наименование & \" \" & Тек.Дата & \" \" & Тек.Время & \" [\" & "
      "Тек.ПолучитьЗначение(\"Сумма\") & Тек.ПолучитьЗначение(\"Нет\") & \"] №\" & Тек.Номер & "
      "\"/\" & Док.Номер)\n"
      "Цикл\n"));
  EXPECT_EQ(out, (QStringList{QStringLiteral("П1 01.02.2026 10:00:00 [100] №1/1"),
                              QStringLiteral("П2 02.02.2026 11:00:00 [] №2/2")}));
}

TEST_F(DocumentObjectTest, CurrentDocumentWithoutACurrentRecordRaisesWhileGetValueIsEmpty) {
  const QString error =
      runError(QStringLiteral("Объект Тек = СоздатьОбъект(\"ТекущийДокумент\")\n"
                              "Сообщить(\"[\" & Тек.ПолучитьЗначение(\"Наименование\") & \"]\")\n"
                              "Сообщить(Тек.Наименование)\n"));
  EXPECT_EQ(host.messages, QStringList{QStringLiteral("[]")});
  EXPECT_TRUE(error.startsWith(QStringLiteral("3: "))) << error.toStdString();
}

TEST_F(DocumentObjectTest, EmptyKindWalksEveryDocumentKindNamingEach) {
  const QStringList out = run(QStringLiteral(
      "Объект Док = СоздатьОбъект(\"Документ\")\n"
      "Док.ВыбратьДокументы()\n"
      "Делать Пока Док.ПолучитьДокумент() = 1\n"
      "  Сообщить(Док.Вид & \":\" & СоздатьОбъект(\"ТекущийДокумент\").Наименование)\n"
      "Цикл\n"));
  EXPECT_EQ(out, (QStringList{QStringLiteral("Приход:П1"), QStringLiteral("Приход:П2"),
                              QStringLiteral("Расход:Р1")}));
}

TEST_F(DocumentObjectTest, FindsKindsByTheirExactName) {
  const QStringList out =
      run(QStringLiteral("Объект Док = СоздатьОбъект(\"Документ\")\n"
                         "Сообщить(Док.НайтиДокумент(\"Приход\") & Док.НайтиДокумент(\"приход\") & "
                         "Док.НайтиДокумент(\"Нет\"))\n"));
  EXPECT_EQ(out, QStringList{QStringLiteral("100")});
}

TEST_F(DocumentObjectTest, RowsOfEveryDocumentOfTheKindInASelectionOfTheirOwn) {
  const QStringList out =
      run(QStringLiteral("Объект Док = СоздатьОбъект(\"Документ\")\n"
                         "Док.Вид = \"Приход\"\n"
                         "Сообщить(\"[\" & Док.Колонка(\"Товар\") & \"]\")\n"
                         "Док.ВыбратьДокументы()\n"
                         "Док.ПолучитьДокумент()\n"
                         "Док.ВыбратьСтроки()\n"
                         "Делать Пока Док.ПолучитьСтроку() = 1\n"
                         "  Сообщить(Док.Колонка(\"товар\") & \" \" & "
                         "СоздатьОбъект(\"ТекущийДокумент\").Наименование)\n"
                         "Цикл\n"));
  EXPECT_EQ(out, (QStringList{QStringLiteral("[]"), QStringLiteral("Стол П1"),
                              QStringLiteral("Стул П1")}));
}

TEST_F(DocumentObjectTest, JournalObjectHasNoOperations) {
  const QString error = runError(QStringLiteral(
      "Объект Ж = СоздатьОбъект(\"Журнал\")\nСообщить(TypeName(Ж))\nЖ.Вид = \"Полный\"\n"));
  EXPECT_EQ(host.messages, QStringList{QStringLiteral("clsЖурнал")});
  EXPECT_TRUE(error.startsWith(QStringLiteral("3: Объект не поддерживает"))) << error.toStdString();
}

}  // namespace
