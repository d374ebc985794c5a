#include <QRandomGenerator>

#include "object_fixture.h"
#include "script/coerce.h"
#include "script/objects/register_totals.h"
#include "storage/sql_text.h"

using namespace balvix::script;
using namespace balvix::script::testing;

namespace {

const QString kPrintBalances = QStringLiteral(
    "Делать Пока Рег.Получить() = 1\n"
    "  Сообщить(Рег.Реквизит(\"Товар\") & \"|\" & Рег.Реквизит(\"Склад\") & \"|\" & "
    "Рег.Реквизит(\"Количество\") & \"|\" & Рег.Реквизит(\"Документ\"))\n"
    "Цикл\n");

class RegisterObjectTest : public ObjectTest {
 protected:
  void SetUp() override {
    ObjectTest::SetUp();
    addRegister(QStringLiteral("Остатки"),
                {QStringLiteral("Товар"), QStringLiteral("Склад"), QStringLiteral("Количество")});
    startPosting(QStringLiteral("Приход"), QDate(2026, 2, 3), QStringLiteral("10:15:00"));
  }
  // One movement written through the object.
  QString move(const QString& goods, const QString& store, const QString& quantity,
               const QString& flag) {
    return QStringLiteral(
               "Рег.Реквизит(\"Товар\") = \"%1\"\nРег.Реквизит(\"Склад\") = \"%2\"\n"
               "Рег.Реквизит(\"Количество\") = \"%3\"\nРег.ДвижениеВыполнить(\"%4\")\n")
        .arg(goods, store, quantity, flag);
  }
  const QString header =
      QStringLiteral("Объект Рег = СоздатьОбъект(\"Регистр\")\nРег.Вид = \"Остатки\"\n");
};

TEST_F(RegisterObjectTest, MovementsAddUpToOneBalanceGroup) {
  run(header + move("Стол", "Главный", "5", "+") + move("Стол", "Главный", "3", "+") +
      move("Стол", "Главный", "2", "-"));
  EXPECT_EQ(column(QStringLiteral("SELECT Товар||','||Склад||','||Количество||','||cDATE||','||"
                                  "cTIME||','||Документ||','||Флаг FROM items_Регистр_Остатки")),
            (QStringList{QStringLiteral("Стол,Главный,5,03.02.2026,10:15:00,Приход,+"),
                         QStringLiteral("Стол,Главный,3,03.02.2026,10:15:00,Приход,+"),
                         QStringLiteral("Стол,Главный,2,03.02.2026,10:15:00,Приход,-")}));
  const QStringList out = run(header + QStringLiteral("Рег.ВыбратьОстатки()\n") + kPrintBalances +
                              QStringLiteral("Сообщить(Рег.Получить())\n"));
  EXPECT_EQ(out, (QStringList{QStringLiteral("Стол|Главный|6|Приход"), QStringLiteral("0")}));
}

TEST_F(RegisterObjectTest, FilterThatMatchesNothingGivesNoGroupAndIsGoneAfterAFetch) {
  run(header + move("Стол", "Главный", "5", "+") + move("Стул", "Малый", "1", "+"));
  EXPECT_EQ(run(header + QStringLiteral("Рег.Реквизит(\"Склад\") = \"Нет\"\nРег.ВыбратьОстатки()\n"
                                        "Сообщить(Рег.Получить())\n")),
            QStringList{QStringLiteral("0")});
  EXPECT_EQ(
      run(header +
          QStringLiteral("Рег.Реквизит(\"склад\") = \"Малый\"\nРег.ВыбратьОстатки()\n"
                         "Сообщить(Рег.Реквизит(\"Склад\"))\n") +
          kPrintBalances + QStringLiteral("Сообщить(\"[\" & Рег.Реквизит(\"Склад\") & \"]\")\n")),
      (QStringList{QStringLiteral("Малый"), QStringLiteral("Стул|Малый|1|Приход"),
                   QStringLiteral("[Малый]")}));
}

TEST_F(RegisterObjectTest, AnyFlagButPlusIsAnIssueAndTheFirstMovementNamesTheDocument) {
  run(header + move("Стол", "Главный", "10", "x"));
  context.currentObjectName = QStringLiteral("Расход");
  run(header + move("Стол", "Главный", "2,5", "+") + move("Стол", "Главный", "", "+"));
  EXPECT_EQ(run(header + QStringLiteral("Рег.ВыбратьОстатки()\n") + kPrintBalances),
            QStringList{QStringLiteral("Стол|Главный|-7.5|Приход")});
}

TEST_F(RegisterObjectTest, EmptyFlagOnlyShowsTheMessageAndKeepsTheRequisites) {
  const QStringList out =
      run(header + move("Стол", "Главный", "5", "") +
          QStringLiteral("Сообщить(Рег.Реквизит(\"Товар\"))\n"
                         "Рег.ДвижениеВыполнить(\"+\")\n"
                         "Сообщить(\"[\" & Рег.Реквизит(\"Товар\") & \"]\")\n"));
  EXPECT_EQ(host.programMessages,
            QStringList{QStringLiteral(
                "Не указан признак движения: (+ ПРИХОД, - РАСХОД). Движение не выполнено.")});
  EXPECT_EQ(out, (QStringList{QStringLiteral("Стол"), QStringLiteral("[]")}));
  EXPECT_EQ(column(QStringLiteral("SELECT Товар||Количество FROM items_Регистр_Остатки")),
            QStringList{QStringLiteral("Стол5")});
}

TEST_F(RegisterObjectTest, RequisiteNeverSetIsWrittenAsEmptyText) {
  run(header +
      QStringLiteral("Рег.Реквизит(\"Товар\") = \"Стол\"\nРег.ДвижениеВыполнить(\"+\")\n"));
  EXPECT_EQ(column(QStringLiteral("SELECT '['||Склад||']' FROM items_Регистр_Остатки")),
            QStringList{QStringLiteral("[]")});
}

TEST_F(RegisterObjectTest, ValueWithAQuoteRoundTripsThroughAMovementAndAFilter) {
  run(header + move("Стул \"\"Ам'ур\"\"", "Склад 'Б'", "4", "+") +
      move("Стол", "Склад 'Б'", "1", "+"));
  EXPECT_EQ(column(QStringLiteral("SELECT Товар FROM items_Регистр_Остатки")),
            (QStringList{QStringLiteral("Стул \"Ам'ур\""), QStringLiteral("Стол")}));
  EXPECT_EQ(run(header +
                QStringLiteral("Рег.Реквизит(\"Товар\") = \"Стул \"\"Ам'ур\"\"\"\n"
                               "Рег.ВыбратьОстатки()\n") +
                kPrintBalances),
            QStringList{QStringLiteral("Стул \"Ам'ур\"|Склад 'Б'|4|Приход")});
}

TEST_F(RegisterObjectTest, NullGroupValueBelongsToTheGroupOfTheEmptyText) {
  exec(QStringLiteral(
      "INSERT INTO items_Регистр_Остатки VALUES ('Стол',NULL,'2','01.01.2026','','Д1','+'),"
      "('Стол','','3','01.01.2026','','Д2','+'),('Стол','А','1','01.01.2026','','Д3','+')"));
  EXPECT_EQ(run(header + QStringLiteral("Рег.ВыбратьОстатки()\n") + kPrintBalances),
            (QStringList{QStringLiteral("Стол||5|Д1"), QStringLiteral("Стол|А|1|Д3")}));
}

TEST_F(RegisterObjectTest, NonNumericQuantityFailsAtItsOwnGroup) {
  exec(QStringLiteral(
      "INSERT INTO items_Регистр_Остатки VALUES ('А','','2','01.01.2026','','Д','+'),"
      "('Б','','много','01.01.2026','','Д','+')"));
  const QString error =
      runError(header + QStringLiteral("Рег.ВыбратьОстатки()\n") + kPrintBalances);
  EXPECT_EQ(host.messages, QStringList{QStringLiteral("А||2|Д")});
  EXPECT_TRUE(error.contains(QStringLiteral("«много»"))) << error.toStdString();
}

TEST_F(RegisterObjectTest, RegisterWithoutAQuantityFailsOnFetch) {
  addRegister(QStringLiteral("Учет"), {QStringLiteral("Товар"), QStringLiteral("Цена")});
  exec(QStringLiteral("INSERT INTO items_Регистр_Учет VALUES ('А','2','01.01.2026','','Д','+')"));
  const QString error = runError(QStringLiteral(
      "Объект Рег = СоздатьОбъект(\"Регистр\")\nРег.Вид = \"Учет\"\nРег.ВыбратьОстатки()\n"
      "Рег.Получить()\n"));
  EXPECT_TRUE(error.startsWith(QStringLiteral("4: ")) &&
              error.contains(QStringLiteral("Количество")))
      << error.toStdString();
}

// The requisites from the first named Количество or Сумма on are resources: summed per
// group of the requisites before them, each under its name, and with a period its opening,
// receipts and issues too.
TEST_F(RegisterObjectTest, ResourcesAfterTheQuantityAreSummedPerGroup) {
  struct Case {
    QStringList requisites;
    QString fetch;
    QStringList expected;
  };
  const QString cost = QStringLiteral("Рег.Реквизит(\"Сумма\")");
  const QList<Case> cases = {
      {{"Товар", "Склад", "Количество", "Сумма"},
       "Рег.Реквизит(\"Товар\") & \"|\" & Рег.Реквизит(\"Количество\") & \"|\" & " + cost,
       {"Стол|4|40.5", "Стул|1|3"}},
      {{"Товар", "Сумма"}, "Рег.Реквизит(\"Товар\") & \"|\" & " + cost, {"Стол|40.5", "Стул|3"}},
      {{"Товар", "Склад", "Количество", "Сумма"},
       "Рег.Реквизит(\"НачальныйОстатокСумма\") & \"|\" & Рег.Реквизит(\"ПриходСумма\") & "
       "\"|\" & Рег.Реквизит(\"РасходСумма\") & \"|\" & Рег.Реквизит(\"Приход\")",
       {"50|0|9.5|0", "3|0|0|0"}},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.requisites.join(u',').toStdString());
    const QString name = QStringLiteral("Р%1").arg(++n);
    addRegister(name, c.requisites);
    const bool store = c.requisites.contains(QStringLiteral("Склад"));
    const bool quantity = c.requisites.contains(QStringLiteral("Количество"));
    QStringList rows;
    for (const auto& [goods, count, sum, flag, date] :
         {std::tuple{"Стол", "5", "50", "+", "01.01.2026"},
          std::tuple{"Стул", "1", "3", "+", "01.01.2026"},
          std::tuple{"Стол", "1", "9.5", "-", "10.02.2026"}}) {
      QStringList values{QString::fromUtf8(goods)};
      if (store) values << QStringLiteral("Главный");
      if (quantity) values << QString::fromUtf8(count);
      values << QString::fromUtf8(sum) << QString::fromUtf8(date) << QString()
             << QStringLiteral("Д") << QString::fromUtf8(flag);
      for (QString& v : values) v = balvix::storage::quote(v);
      rows << u'(' + values.join(u',') + u')';
    }
    exec(QStringLiteral("INSERT INTO items_Регистр_") + name + QStringLiteral(" VALUES ") +
         rows.join(u','));
    const bool period = c.fetch.contains(QStringLiteral("Приход"));
    EXPECT_EQ(
        run(QStringLiteral("Объект Рег = СоздатьОбъект(\"Регистр\")\nРег.Вид = \"") + name +
            QStringLiteral("\"\n") +
            (period ? QStringLiteral("Рег.Период(\"01.02.2026\", \"28.02.2026\")\n") : QString()) +
            QStringLiteral("Рег.ВыбратьОстатки()\nДелать Пока Рег.Получить() = 1\n  Сообщить(") +
            c.fetch + QStringLiteral(")\nЦикл\n")),
        c.expected);
  }
}

TEST_F(RegisterObjectTest, RegisterOfOnlyAQuantityHasOneTotalGroup) {
  addRegister(QStringLiteral("Касса"), {QStringLiteral("Количество")});
  const QString module = QStringLiteral(
      "Объект Рег = СоздатьОбъект(\"Регистр\")\nРег.Вид = \"Касса\"\nРег.ВыбратьОстатки()\n"
      "Делать Пока Рег.Получить() = 1\n  Сообщить(Рег.Реквизит(\"Количество\"))\nЦикл\n"
      "Сообщить(\"конец\")\n");
  EXPECT_EQ(run(module), QStringList{QStringLiteral("конец")});
  exec(
      QStringLiteral("INSERT INTO items_Регистр_Касса VALUES ('7','01.01.2026','','Д','+'),"
                     "('2','01.01.2026','','Д','-')"));
  // Movements written past the register object reach its totals when they are rebuilt.
  totals::rebuild(*session, QStringLiteral("Касса"));
  EXPECT_EQ(run(module), (QStringList{QStringLiteral("5"), QStringLiteral("конец")}));
}

TEST_F(RegisterObjectTest, FetchOnAnotherRegistersGroupsSumsItsOwnMovementsForThem) {
  addRegister(QStringLiteral("Резерв"),
              {QStringLiteral("Товар"), QStringLiteral("Склад"), QStringLiteral("Количество")});
  exec(QStringLiteral(
      "INSERT INTO items_Регистр_Остатки VALUES ('Стол','Г','5','01.01.2026','','Д1','+')"));
  exec(QStringLiteral(
      "INSERT INTO items_Регистр_Резерв VALUES ('Стол','Г','1','01.01.2026','','Р1','+'),"
      "('Стул','Г','2','01.01.2026','','Р2','+')"));
  const QStringList out = run(
      header + QStringLiteral("Объект Рез = СоздатьОбъект(\"Регистр\")\nРез.Вид = \"Резерв\"\n"
                              "Рег.ВыбратьОстатки()\nРез.ВыбратьОстатки()\n"
                              "Рег.Получить()\nРез.Получить()\n"
                              "Сообщить(Рег.Реквизит(\"Товар\") & Рег.Реквизит(\"Количество\") & "
                              "Рег.Реквизит(\"Документ\"))\n"
                              "Сообщить(Рез.Реквизит(\"Товар\") & Рез.Реквизит(\"Количество\") & "
                              "Рез.Реквизит(\"Документ\"))\n"));
  EXPECT_EQ(out, (QStringList{QStringLiteral("Стол5Д1"), QStringLiteral("Стул2Р2")}));
}

TEST_F(RegisterObjectTest, MovementWithoutADocumentBeingPostedIsAnErrorNamingTheOperation) {
  host.windowDate.reset();
  const QString error = runError(header + move("Стол", "Главный", "5", "+"));
  EXPECT_TRUE(error.startsWith(QStringLiteral("6: ДвижениеВыполнить: нет проводимого документа")))
      << error.toStdString();
  EXPECT_TRUE(column(QStringLiteral("SELECT Товар FROM items_Регистр_Остатки")).isEmpty());
  // The posting's own date wins over the window's.
  context.documentDate = QDate(2026, 5, 6);
  run(header + move("Стол", "Главный", "5", "+"));
  EXPECT_EQ(column(QStringLiteral("SELECT cDATE FROM items_Регистр_Остатки")),
            QStringList{QStringLiteral("06.05.2026")});
}

// The register's balances group by group as the straightforward algorithm gets them: one
// query for the groups, then one query per group over its movements in table order.
QStringList referenceBalances(balvix::storage::Session& db, const QString& store) {
  QStringList lines;
  const QString filter =
      store.isEmpty() ? QString() : QStringLiteral(" WHERE Склад=") + balvix::storage::quote(store);
  balvix::storage::Recordset groups = db.openRecordset(
      QStringLiteral("SELECT coalesce(Товар,''),coalesce(Склад,'') FROM items_Регистр_Остатки") +
      filter + QStringLiteral(" GROUP BY 1,2 ORDER BY 1,2"));
  for (; !groups.eof(); groups.moveNext()) {
    const QString goods = groups.text(0), place = groups.text(1);
    balvix::storage::Recordset movements = db.openRecordset(
        QStringLiteral("SELECT * FROM items_Регистр_Остатки WHERE coalesce(Товар,'')=%1 AND "
                       "coalesce(Склад,'')=%2")
            .arg(balvix::storage::quote(goods), balvix::storage::quote(place)));
    const QString document = movements.text(QStringLiteral("Документ"));
    double sum = 0;
    for (; !movements.eof(); movements.moveNext()) {
      double q = 0;
      const QString text = movements.text(QStringLiteral("количество"));
      if (!text.isEmpty()) {
        EXPECT_TRUE(parseNumber(text, q));
      }
      sum += movements.text(QStringLiteral("флаг")) == QStringLiteral("+") ? q : -q;
    }
    lines << goods + u'|' + place + u'|' + formatDouble(sum) + u'|' + document;
  }
  return lines;
}

TEST_F(RegisterObjectTest, OnePassBalancesEqualThePerGroupAlgorithmOnRandomMovements) {
  QRandomGenerator random(20261206);
  const QStringList goods = {QStringLiteral("<null>"),   QString(),
                             QStringLiteral("Стол"),     QStringLiteral("стол"),
                             QStringLiteral("Стул"),     QStringLiteral("Шкаф"),
                             QStringLiteral("Ящик 'М'"), QStringLiteral("A"),
                             QStringLiteral("b")};
  const QStringList stores = {QStringLiteral("<null>"), QString(), QStringLiteral("Главный"),
                              QStringLiteral("Малый"), QStringLiteral("Дальний")};
  const QStringList flags = {QStringLiteral("+"), QStringLiteral("-"),      QStringLiteral("x"),
                             QString(),           QStringLiteral("<null>"), QStringLiteral("+ ")};
  const QStringList quantities = {QString(),
                                  QStringLiteral("<null>"),
                                  QStringLiteral("1"),
                                  QStringLiteral("2,5"),
                                  QStringLiteral("0.1"),
                                  QStringLiteral("-3"),
                                  QStringLiteral("1000000"),
                                  QStringLiteral(" 7 ")};
  auto value = [](const QString& v) {
    return v == QStringLiteral("<null>") ? QStringLiteral("NULL") : balvix::storage::quote(v);
  };
  session->beginTransaction();
  for (int i = 0; i < 4000; ++i) {
    exec(QStringLiteral("INSERT INTO items_Регистр_Остатки VALUES (%1,%2,%3,'01.01.2026','',%4,%5)")
             .arg(value(goods[random.bounded(goods.size())]),
                  value(stores[random.bounded(stores.size())]),
                  value(quantities[random.bounded(quantities.size())]),
                  value(QStringLiteral("Д%1").arg(i)), value(flags[random.bounded(flags.size())])));
  }
  session->commit();

  const QStringList all = referenceBalances(*session, QString());
  EXPECT_GT(all.size(), 30);
  EXPECT_EQ(run(header + QStringLiteral("Рег.ВыбратьОстатки()\n") + kPrintBalances), all);
  const QStringList filtered = referenceBalances(*session, QStringLiteral("Малый"));
  EXPECT_GT(filtered.size(), 5);
  EXPECT_EQ(
      run(header + QStringLiteral("Рег.Реквизит(\"Склад\") = \"Малый\"\nРег.ВыбратьОстатки()\n") +
          kPrintBalances),
      filtered);
}

TEST_F(RegisterObjectTest, PeriodGivesOpeningReceiptsAndIssuesOverThreeMonths) {
  // January: +10, -4; February: +5, -1, +2; March: +7 (and -3 in April, after the period).
  exec(QStringLiteral(
      "INSERT INTO items_Регистр_Остатки VALUES "
      "('Стол','Г','10','15.01.2026','','Д1','+'),('Стол','Г','4','31.01.2026','','Д2','-'),"
      "('Стол','Г','5','01.02.2026','','Д3','+'),('Стол','Г','1','10.02.2026','','Д4','-'),"
      "('Стол','Г','2','28.02.2026','','Д5','+'),('Стол','Г','7','02.03.2026','','Д6','+'),"
      "('Стол','Г','3','01.04.2026','','Д7','-'),('Стул','Г','9','05.03.2026','','Д8','+')"));
  const QString print = QStringLiteral(
      "Делать Пока Рег.Получить() = 1\n"
      "  Сообщить(Рег.Реквизит(\"Товар\") & \" \" & Рег.Реквизит(\"НачальныйОстаток\") & \" +\" & "
      "Рег.Реквизит(\"Приход\") & \" -\" & Рег.Реквизит(\"Расход\") & \" = \" & "
      "Рег.Реквизит(\"Количество\"))\n"
      "Цикл\n");
  // February: the text order of the dates would put 01.02 before 15.01.
  EXPECT_EQ(run(header +
                QStringLiteral("Рег.Период(\"01.02.2026\", \"28.02.2026\")\n"
                               "Рег.ВыбратьОстатки()\n") +
                print),
            QStringList{QStringLiteral("Стол 6 +7 -1 = 12")});
  EXPECT_EQ(
      run(header +
          QStringLiteral("Рег.Период(\"01.01.2026\", \"31.03.2026\")\n"
                         "Рег.ВыбратьОстатки()\n") +
          print),
      (QStringList{QStringLiteral("Стол 0 +24 -5 = 19"), QStringLiteral("Стул 0 +9 -0 = 9")}));
  // Without a period nothing else is stored, and every movement counts.
  EXPECT_EQ(run(header + QStringLiteral("Рег.ВыбратьОстатки()\n") + print),
            (QStringList{QStringLiteral("Стол  + - = 16"), QStringLiteral("Стул  + - = 9")}));
  EXPECT_TRUE(runError(header + QStringLiteral("Рег.Период(\"31.02.2026\", \"01.03.2026\")\n"))
                  .contains(QStringLiteral("не является датой")));
}

// The movements themselves: the groups' filter and the period as for balances, in the order
// of dates (not of their texts) and then of the documents' times; each with its date, time,
// kind of document, its title and its flag.
TEST_F(RegisterObjectTest, MovementsAreWalkedInTheOrderOfTheirDocumentsUnderTheFilters) {
  exec(
      QStringLiteral("INSERT INTO items_Регистр_Остатки VALUES "
                     "('Стол','Г','5','01.02.2026','12:00:00','Приход','+'),"
                     "('Стол','Г','4','15.01.2026','09:00:00','Расход','-'),"
                     "('Стол','М','2','01.02.2026','08:30:00','Приход','+'),"
                     "('Стул','Г','9','20.01.2026','10:00:00','Приход','+'),"
                     "('Стол','Г','3','01.04.2026','10:00:00','Расход','-')"));
  const QString print = QStringLiteral(
      "Рег.ВыбратьДвижения()\n"
      "Делать Пока Рег.Получить() = 1\n"
      "  Сообщить(Рег.Реквизит(\"Дата\") & \" \" & Рег.Реквизит(\"Время\") & \" \" & "
      "Рег.Реквизит(\"Склад\") & Рег.Реквизит(\"Флаг\") & Рег.Реквизит(\"Количество\") & \" \" & "
      "Рег.Реквизит(\"Документ\") & \" / \" & Рег.Реквизит(\"НазваниеДокумента\"))\n"
      "Цикл\n");
  const QString table = QStringLiteral("Рег.Реквизит(\"Товар\") = \"Стол\"\n");
  EXPECT_EQ(
      run(header + table + QStringLiteral("Рег.Период(\"01.01.2026\", \"31.03.2026\")\n") + print),
      (QStringList{QStringLiteral("15.01.2026 09:00:00 Г-4 Расход / Расход от 15.01.2026"),
                   QStringLiteral("01.02.2026 08:30:00 М+2 Приход / Приход от 01.02.2026"),
                   QStringLiteral("01.02.2026 12:00:00 Г+5 Приход / Приход от 01.02.2026")}));
  EXPECT_EQ(
      run(header + table + QStringLiteral("Рег.Реквизит(\"Склад\") = \"Г\"\n") + print).size(), 3);
  EXPECT_TRUE(
      run(header + QStringLiteral("Рег.Реквизит(\"Товар\") = \"Шкаф\"\n") + print).isEmpty());
}

}  // namespace
