#include <gtest/gtest.h>

#include <QDate>
#include <QSet>
#include <vector>

#include "script/coerce.h"
#include "script/engine.h"

using namespace balvix::script;

// Built-in functions whose results are not plain output lines: what reaches the host, the
// repeatable random sequence, and values read back as numbers.
namespace {

class AnsweringHost : public Host {
 public:
  int showMessage(const QString& text, int buttons, const QString& title) override {
    texts << text;
    buttonSets.push_back(buttons);
    titles << title;
    return answer;
  }
  void setStatus(const QString&) override {}
  void startProgram(const QString&) override {}

  QStringList texts;
  std::vector<int> buttonSets;
  QStringList titles;
  int answer = MsgBoxCode::AnswerNo;
};

class BuiltinsTest : public ::testing::Test {
 protected:
  Value run(const QString& module, const QString& variable) {
    Engine engine(host);
    engine.load(module);
    return engine.variable(variable);
  }
  QString text(const QString& expression) {
    return toText(run(QStringLiteral("x = ") + expression, QStringLiteral("x")));
  }

  AnsweringHost host;
};

TEST_F(BuiltinsTest, MsgBoxAsksTheHostAndReturnsItsAnswer) {
  const Value answer =
      run(QStringLiteral("x = MsgBox(\"Удалить?\", vbYesNo + vbQuestion, \"Удаление\")\n"
                         "MsgBox \"Готово\""),
          QStringLiteral("x"));
  EXPECT_EQ(answer.type(), Value::Type::Integer);
  EXPECT_EQ(answer.asInt(), MsgBoxCode::AnswerNo);
  ASSERT_EQ(host.texts.size(), 2);
  EXPECT_EQ(host.texts[0], QStringLiteral("Удалить?"));
  EXPECT_EQ(host.buttonSets[0], 4 + 32);
  EXPECT_EQ(host.titles[0], QStringLiteral("Удаление"));
  EXPECT_EQ(host.buttonSets[1], MsgBoxCode::OkOnly);
  EXPECT_TRUE(host.titles[1].isEmpty());
}

TEST_F(BuiltinsTest, RandomSequenceRepeatsAfterTheSameSeed) {
  const QString module = QStringLiteral(
      "x = Rnd(-1)\nRandomize 7\ns = \"\"\nFor i = 1 To 5 : s = s & Rnd & \";\" : Next");
  const QString first = toText(run(module, QStringLiteral("s")));
  const QString second = toText(run(module, QStringLiteral("s")));
  EXPECT_EQ(first, second);
  const QStringList parts = first.split(u';', Qt::SkipEmptyParts);
  ASSERT_EQ(parts.size(), 5);
  for (const QString& p : parts) {
    const double d = p.toDouble();
    EXPECT_GE(d, 0.0);
    EXPECT_LT(d, 1.0);
  }
  EXPECT_GT(QSet<QString>(parts.begin(), parts.end()).size(), 3);
}

TEST_F(BuiltinsTest, RegionalFormatting) {
  const QString nbsp(QChar(0x00A0));
  EXPECT_EQ(text(QStringLiteral("FormatCurrency(1234.5)")),
            "1" + nbsp + "234,50" + nbsp + QChar(0x20BD));
  EXPECT_EQ(text(QStringLiteral("FormatPercent(0.256, 1)")), QStringLiteral("25,6%"));
  EXPECT_EQ(text(QStringLiteral("FormatNumber(-0.001)")), QStringLiteral("0,00"));
  EXPECT_EQ(text(QStringLiteral("FormatDateTime(DateSerial(2026, 12, 6), vbLongDate)")),
            QStringLiteral("6 декабря 2026 г."));
  EXPECT_EQ(text(QStringLiteral("FormatDateTime(TimeSerial(9, 5, 0), vbShortTime)")),
            QStringLiteral("09:05"));
  EXPECT_EQ(text(QStringLiteral("WeekdayName(1, True, vbMonday)")), QStringLiteral("Пн"));
}

TEST_F(BuiltinsTest, WeeksAndHoursAreCountedByBoundaries) {
  // 06.12.2026 is a Sunday: one Sunday boundary is crossed to reach Monday 07.12 only
  // when the week starts on Monday.
  EXPECT_EQ(text(QStringLiteral("DateDiff(\"ww\", DateSerial(2026,12,6), DateSerial(2026,12,7))")),
            QStringLiteral("0"));
  EXPECT_EQ(text(QStringLiteral(
                "DateDiff(\"ww\", DateSerial(2026,12,6), DateSerial(2026,12,7), vbMonday)")),
            QStringLiteral("1"));
  EXPECT_EQ(text(QStringLiteral(
                "DateDiff(\"h\", CDate(\"06.12.2026 10:59:59\"), CDate(\"06.12.2026 11:00:00\"))")),
            QStringLiteral("1"));
  EXPECT_EQ(text(QStringLiteral("DateDiff(\"s\", CDate(\"06.12.2026 23:59:59\"), "
                                "DateSerial(2026, 12, 7))")),
            QStringLiteral("1"));
  EXPECT_EQ(text(QStringLiteral("DatePart(\"ww\", DateSerial(2026, 1, 4))")), QStringLiteral("2"));
  EXPECT_EQ(text(QStringLiteral("DatePart(\"q\", DateSerial(2026, 8, 1))")), QStringLiteral("3"));
  EXPECT_EQ(text(QStringLiteral("DatePart(\"y\", DateSerial(2026, 2, 1))")), QStringLiteral("32"));
}

TEST_F(BuiltinsTest, TodayComesFromTheSystemClock) {
  const Value today = run(QStringLiteral("x = Date"), QStringLiteral("x"));
  ASSERT_EQ(today.type(), Value::Type::Date);
  EXPECT_EQ(fromSerial(today.asDouble()).date(), QDate::currentDate());
  const Value now = run(QStringLiteral("x = Now - Date"), QStringLiteral("x"));
  EXPECT_GE(toDouble(now), 0.0);
  EXPECT_LT(toDouble(now), 1.0);
}

}  // namespace
