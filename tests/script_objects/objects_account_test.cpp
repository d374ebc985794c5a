#include <QRandomGenerator>

#include "object_fixture.h"
#include "script/objects/account_totals.h"

using namespace balvix::script;
using namespace balvix::script::testing;

namespace {

class AccountObjectTest : public ObjectTest {
 protected:
  void SetUp() override {
    ObjectTest::SetUp();
    startPosting(QStringLiteral("Приход"), QDate(2026, 2, 3), QStringLiteral("10:15:00"));
  }
  void post(const QString& code, const QString& debit, const QString& credit, const QString& date) {
    exec(QStringLiteral("INSERT INTO itogi (Код,Дебет,Кредит,cDATE,cTIME,Документ) VALUES "
                        "('%1',%2,%3,'%4','','Д')")
             .arg(code, debit.isEmpty() ? QStringLiteral("NULL") : u'\'' + debit + u'\'',
                  credit.isEmpty() ? QStringLiteral("NULL") : u'\'' + credit + u'\'', date));
  }
  const QString header = QStringLiteral("Объект Сч = СоздатьОбъект(\"Счет\")\n");
};

TEST_F(AccountObjectTest, PostingsWrittenByTheModuleGiveTheAccountsTotals) {
  run(header +
      QStringLiteral("Сч.Вид = \"41\"\nСч.ПриходВыполнить(100)\nСч.ПриходВыполнить(\"50\")\n"
                     "Сч.РасходВыполнить(30)\n"));
  EXPECT_EQ(
      column(QStringLiteral("SELECT Код||'/'||coalesce(Дебет,'-')||'/'||coalesce(Кредит,'-')||'/'||"
                            "cDATE||'/'||cTIME||'/'||Документ FROM itogi")),
      (QStringList{QStringLiteral("41/100/-/03.02.2026/10:15:00/Приход"),
                   QStringLiteral("41/50/-/03.02.2026/10:15:00/Приход"),
                   QStringLiteral("41/-/30/03.02.2026/10:15:00/Приход")}));
  EXPECT_EQ(host.eventPumps, 3);
  const QStringList out =
      run(header + QStringLiteral("Сч.Вид = \"41\"\nСч.ВыбратьСчета()\nСч.Получить()\n"
                                  "Сообщить(Сч.Код & \" \" & Сч.Наименование & \" \" & Сч.СКД & \" "
                                  "\" & Сч.СКК & \" \" & Сч.СНД & "
                                  "\" \" & Сч.СНК & \" \" & TypeName(Сч.СКД))\n"
                                  "Сообщить(Сч.Итог(\"СКД\") & \" \" & Сч.Итог(\"Кредит\") & \" \" "
                                  "& TypeName(Сч.Итог(\"СНК\")))\n"));
  EXPECT_EQ(out, (QStringList{QStringLiteral("41 Товары 150 30 0 0 Double"),
                              QStringLiteral("150 30 String")}));
}

// The date the document's postings get, for its module to total its own month.
TEST_F(AccountObjectTest, DocumentDateIsTheDateOfThePostings) {
  EXPECT_EQ(run(header + QStringLiteral("Сообщить(Сч.ДатаДокумента)\n")),
            QStringList{QStringLiteral("03.02.2026")});
  host.windowDate.reset();
  EXPECT_EQ(run(header + QStringLiteral("Сообщить(\"[\" & Сч.ДатаДокумента & \"]\")\n")),
            QStringList{QStringLiteral("[]")});
}

TEST_F(AccountObjectTest, TotalsOverAllAccountsAndOfAnAccountWithoutPostings) {
  post(QStringLiteral("41"), QStringLiteral("100"), QString(), QStringLiteral("01.01.2026"));
  post(QStringLiteral("50"), QStringLiteral("2,5"), QString(), QStringLiteral("01.01.2026"));
  post(QStringLiteral("50"), QString(), QStringLiteral(""), QStringLiteral("01.01.2026"));
  const QStringList out = run(
      header +
      QStringLiteral("Сообщить(Сч.Итог(\"СНД\"))\nСч.Вид = \"51\"\nСообщить(\"[\" & "
                     "Сч.Итог(\"СКД\") & \"]\")\n"
                     "Сч.Вид = \"\"\nСч.ВыбратьИтоги()\n"
                     "Делать Пока Сч.Получить() = 1\n  Сообщить(Сч.Код & \":\" & Сч.СКД)\nЦикл\n"));
  EXPECT_EQ(out, (QStringList{QStringLiteral("102.5"), QStringLiteral("[]"),
                              QStringLiteral("41:100"), QStringLiteral("50:2.5")}));
}

TEST_F(AccountObjectTest, NameAfterSelectingTotalsIsAnError) {
  post(QStringLiteral("41"), QStringLiteral("1"), QString(), QStringLiteral("01.01.2026"));
  const QString error = runError(
      header +
      QStringLiteral(
          "Сч.ВыбратьИтоги()\nСч.Получить()\nСообщить(Сч.Код)\nСообщить(Сч.Наименование)\n"));
  EXPECT_EQ(host.messages, QStringList{QStringLiteral("41")});
  EXPECT_TRUE(error.startsWith(QStringLiteral("5: "))) << error.toStdString();
}

TEST_F(AccountObjectTest, PostingOutsideADocumentOnlyShowsTheMessage) {
  context.currentObjectType = QStringLiteral("Отчет");
  run(header + QStringLiteral("Сч.Вид = \"41\"\nСч.ПриходВыполнить(1)\nСч.РасходВыполнить(1)\n"));
  EXPECT_EQ(host.programMessages,
            (QStringList{QStringLiteral("Приход может выполняться только движением документа!"),
                         QStringLiteral("Расход может выполняться только движением документа!")}));
  EXPECT_TRUE(column(QStringLiteral("SELECT Код FROM itogi")).isEmpty());
}

TEST_F(AccountObjectTest, PostingWithoutADateOrWithABadAmountIsRefusedWithAnError) {
  host.windowDate.reset();
  EXPECT_TRUE(runError(header + QStringLiteral("Сч.Вид = \"41\"\nСч.РасходВыполнить(1)\n"))
                  .startsWith(QStringLiteral("3: РасходВыполнить: нет проводимого документа")));
  host.windowDate = QDate(2026, 1, 1);
  EXPECT_TRUE(runError(header + QStringLiteral("Сч.Вид = \"41\"\nСч.ПриходВыполнить(\"сто\")\n"))
                  .contains(QStringLiteral("«сто» не является числом")));
  EXPECT_TRUE(column(QStringLiteral("SELECT Код FROM itogi")).isEmpty());
}

TEST_F(AccountObjectTest, QuotesRoundTripThroughAPosting) {
  context.currentObjectName = QStringLiteral("Акт 'А'");
  run(header + QStringLiteral("Сч.Вид = \"41'1\"\nСч.ПриходВыполнить(7)\n"));
  EXPECT_EQ(column(QStringLiteral("SELECT Код||'|'||Документ FROM itogi")),
            QStringList{QStringLiteral("41'1|Акт 'А'")});
  EXPECT_EQ(run(header + QStringLiteral("Сч.Вид = \"41'1\"\nСообщить(Сч.Итог(\"Дебет\"))\n"
                                        "Сч.ВыбратьИтоги()\nСч.Получить()\nСообщить(Сч.СКД)\n")),
            (QStringList{QStringLiteral("7"), QStringLiteral("7")}));
}

TEST_F(AccountObjectTest, PeriodGivesNetOpeningBalancesTurnoversAndBoundedClosingSums) {
  post(QStringLiteral("50"), QStringLiteral("100"), QString(), QStringLiteral("20.12.2025"));
  post(QStringLiteral("50"), QString(), QStringLiteral("30"), QStringLiteral("15.01.2026"));
  post(QStringLiteral("50"), QStringLiteral("40"), QString(), QStringLiteral("01.02.2026"));
  post(QStringLiteral("50"), QString(), QStringLiteral("150"), QStringLiteral("20.02.2026"));
  post(QStringLiteral("50"), QStringLiteral("5"), QString(), QStringLiteral("01.03.2026"));
  const QString print = QStringLiteral(
      "Сч.Вид = \"50\"\nСч.ВыбратьСчета()\nСч.Получить()\n"
      "Сообщить(Сч.СНД & \" \" & Сч.СНК & \" \" & Сч.ОборотД & \" \" & Сч.ОборотК & \" \" & Сч.СКД "
      "& "
      "\" \" & Сч.СКК)\n");
  EXPECT_EQ(run(header + print), QStringList{QStringLiteral("0 0 145 180 145 180")});
  EXPECT_EQ(run(header + QStringLiteral("Сч.Период(\"01.01.2026\", \"31.01.2026\")\n") + print),
            QStringList{QStringLiteral("100 0 0 30 100 30")});
  EXPECT_EQ(run(header + QStringLiteral("Сч.Период(\"01.03.2026\", \"31.03.2026\")\n") + print),
            QStringList{QStringLiteral("0 40 5 0 145 180")});
}

}  // namespace

namespace {

// Postings written and removed at random: the totals kept beside them answer every sum of a
// period exactly as reading the postings does, and equal a recomputation.
TEST_F(AccountObjectTest, KeptTotalsAnswerAsThePostingsDoThroughRandomPostingsAndRemovals) {
  account_totals::rebuild(*session);
  const QStringList codes = column(QStringLiteral("SELECT Код FROM plan ORDER BY Код LIMIT 4"));
  ASSERT_EQ(codes.size(), 4);
  const QStringList amounts = {QStringLiteral("100"), QStringLiteral("2,5"), QStringLiteral("0.25"),
                               QStringLiteral("7"), QString()};
  QRandomGenerator random(20261208);
  const auto day = [&] {
    return QDate(2024, 1, 1).addMonths(random.bounded(36)).addDays(random.bounded(28));
  };
  const QString sums = QStringLiteral(
      "Делать Пока Сч.Получить() = 1\n  Сообщить(Сч.Код & \" \" & Сч.СНД & \" \" & Сч.СНК & \" \" "
      "& Сч.ОборотД & \" \" & Сч.ОборотК & \" \" & Сч.СКД & \" \" & Сч.СКК)\nЦикл\n"
      "Сообщить(\"[\" & Сч.Итог(\"СКД\") & \"] [\" & Сч.Итог(\"Кредит\") & \"]\")\n");
  int times = 0;
  for (int op = 0; op < 400; ++op) {
    if (random.bounded(4) > 0 || times == 0) {
      startPosting(QStringLiteral("Приход"), day(), QString::number(++times));
      run(header + QStringLiteral("Сч.Вид = \"%1\"\nСч.%2(\"%3\")\n")
                       .arg(codes[random.bounded(codes.size())],
                            random.bounded(2) ? QStringLiteral("ПриходВыполнить")
                                              : QStringLiteral("РасходВыполнить"),
                            amounts[random.bounded(amounts.size())]));
    } else {
      balvix::storage::Transaction transaction(*session);
      account_totals::deletePostings(
          *session, QStringLiteral(" WHERE cTIME='%1'").arg(1 + random.bounded(times)));
      transaction.commit();
    }
    if (op % 100 != 99) continue;
    ASSERT_EQ(account_totals::compare(*session), QStringList()) << "op " << op;
    for (int q = 0; q < 4; ++q) {
      QDate from = day(), to = day();
      if (from > to) std::swap(from, to);
      if (q == 3) {  // whole months: bounds on a month's first and last day
        from = from.addDays(1 - from.day());
        to = to.addDays(to.daysInMonth() - to.day());
      }
      const QString module = header +
                             (q == 0 ? QString()
                                     : QStringLiteral("Сч.Период(\"%1\", \"%2\")\n")
                                           .arg(from.toString(QStringLiteral("dd.MM.yyyy")),
                                                to.toString(QStringLiteral("dd.MM.yyyy")))) +
                             QStringLiteral("Сч.ВыбратьСчета()\n") + sums;
      host.messages.clear();
      const QStringList kept = run(module);
      exec(QStringLiteral("ALTER TABLE totals_Счета RENAME TO totals_в_стороне"));
      host.messages.clear();
      const QStringList walked = run(module);
      exec(QStringLiteral("ALTER TABLE totals_в_стороне RENAME TO totals_Счета"));
      ASSERT_EQ(kept, walked) << "op " << op << " query " << q;
    }
  }
  // An amount that is not a number is named, as when the postings are read.
  post(codes[0], QStringLiteral("много"), QString(), QStringLiteral("01.01.2026"));
  account_totals::rebuild(*session);
  EXPECT_TRUE(runError(header + QStringLiteral("Сч.ВыбратьСчета()\n") + sums)
                  .contains(QStringLiteral("«много»")));
}

}  // namespace
