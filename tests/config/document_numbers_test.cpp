#include "config/document_numbers.h"

#include <gtest/gtest.h>

#include "config/table_names.h"
#include "storage/session.h"
#include "test_helpers.h"

using namespace balvix;
using namespace balvix::config;

namespace {

class DocumentNumbersTest : public ::testing::Test, public balvix::testing::TempDatabase {
 protected:
  // A header table as databases made before numbers have it.
  void oldTable(const QString& kind) {
    db().execute(QStringLiteral("CREATE TABLE ") + documentHeaderTable(kind) +
                 QStringLiteral("(Наименование TEXT(50),cDATE TEXT(10),cTIME TEXT(10),"
                                "Проводка TEXT(10))"));
  }
  void add(const QString& kind, const QString& name, const QString& date, const QString& time) {
    db().execute(QStringLiteral("INSERT INTO %1 (Наименование,cDATE,cTIME,Проводка) VALUES "
                                "('%2','%3','%4','1')")
                     .arg(documentHeaderTable(kind), name, date, time));
  }
  // "name=number" of every document of the kind, by name.
  QString numbers(const QString& kind) {
    return value(QStringLiteral("SELECT group_concat(n, ' ') FROM (SELECT Наименование || '=' || "
                                "ifnull(Номер, '') AS n FROM %1 ORDER BY Наименование) AS d")
                     .arg(documentHeaderTable(kind)));
  }
};

TEST_F(DocumentNumbersTest, NumbersRunPerKindAndYearAndARolledBackOneIsGivenAgain) {
  struct Take {
    const char* kind;
    int year;
    int expected;
  };
  const Take takes[] = {{"Приход", 2026, 1}, {"Приход", 2026, 2}, {"Расход", 2026, 1},
                        {"Приход", 2027, 1}, {"Приход", 2026, 3}, {"Расход", 2027, 1}};
  for (const Take& t : takes)
    EXPECT_EQ(takeDocumentNumber(db(), QString::fromUtf8(t.kind), t.year), t.expected)
        << t.kind << ' ' << t.year;
  {
    storage::Transaction failed(db());
    EXPECT_EQ(takeDocumentNumber(db(), QStringLiteral("Приход"), 2026), 4);
  }
  EXPECT_EQ(takeDocumentNumber(db(), QStringLiteral("Приход"), 2026), 4);
  forgetDocumentNumbers(db(), QStringLiteral("Приход"));
  EXPECT_EQ(takeDocumentNumber(db(), QStringLiteral("Приход"), 2026), 1);
  EXPECT_EQ(takeDocumentNumber(db(), QStringLiteral("Расход"), 2026), 2);
}

TEST_F(DocumentNumbersTest, AnOlderTableIsNumberedInDateAndTimeOrderOnceAndTheCounterGoesOn) {
  oldTable(QStringLiteral("Приход"));
  // Out of order in the table; dd.MM.yyyy sorted as a date, not as text.
  add(QStringLiteral("Приход"), QStringLiteral("г"), QStringLiteral("05.01.2027"),
      QStringLiteral("09:00:00"));
  add(QStringLiteral("Приход"), QStringLiteral("в"), QStringLiteral("01.03.2026"),
      QStringLiteral("10:00:00"));
  add(QStringLiteral("Приход"), QStringLiteral("а"), QStringLiteral("02.01.2026"),
      QStringLiteral("12:00:00"));
  add(QStringLiteral("Приход"), QStringLiteral("б"), QStringLiteral("01.03.2026"),
      QStringLiteral("09:30:00"));
  oldTable(QStringLiteral("Расход"));
  add(QStringLiteral("Расход"), QStringLiteral("д"), QStringLiteral("01.03.2026"),
      QStringLiteral("09:00:00"));

  EXPECT_EQ(numberAllDocuments(db()), 5);
  EXPECT_EQ(numbers(QStringLiteral("Приход")), QStringLiteral("а=1 б=2 в=3 г=1"));
  EXPECT_EQ(numbers(QStringLiteral("Расход")), QStringLiteral("д=1"));
  EXPECT_EQ(numberAllDocuments(db()), 0);
  EXPECT_EQ(numbers(QStringLiteral("Приход")), QStringLiteral("а=1 б=2 в=3 г=1"));
  EXPECT_EQ(takeDocumentNumber(db(), QStringLiteral("Приход"), 2026), 4);
  EXPECT_EQ(takeDocumentNumber(db(), QStringLiteral("Приход"), 2027), 2);

  // A document stored without a number (by a program that did not give one) comes after
  // the year's highest; so does a counter that fell behind the stored numbers.
  add(QStringLiteral("Приход"), QStringLiteral("е"), QStringLiteral("01.01.2026"),
      QStringLiteral("08:00:00"));
  db().execute(QStringLiteral("UPDATE %1 SET Номер='7' WHERE Наименование='в'")
                   .arg(documentHeaderTable(QStringLiteral("Приход"))));
  EXPECT_EQ(numberDocuments(db(), QStringLiteral("Приход")), 1);
  EXPECT_EQ(numbers(QStringLiteral("Приход")), QStringLiteral("а=1 б=2 в=7 г=1 е=8"));
  EXPECT_EQ(takeDocumentNumber(db(), QStringLiteral("Приход"), 2026), 9);
  EXPECT_EQ(documentNumber(db(), QStringLiteral("Приход"), QStringLiteral("01.01.2026"),
                           QStringLiteral("08:00:00")),
            QStringLiteral("8"));
  EXPECT_EQ(numberDocuments(db(), QStringLiteral("Нет")), 0);
}

}  // namespace
