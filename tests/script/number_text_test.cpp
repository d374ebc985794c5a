#include "script/number_text.h"

#include <gtest/gtest.h>

using namespace balvix::script;

namespace {
const QString nb = QString(QChar(0x00A0));
}

TEST(NumberText, TypedFormsAreReadAsTheSameNumber) {
  const struct {
    QString typed;
    std::optional<double> value;
    int decimals;
  } cases[] = {
      {"1 495 864,00", 1495864.0, 2}, {"1" + nb + "495" + nb + "864,00", 1495864.0, 2},
      {"1495864,00", 1495864.0, 2},   {"1495864.00", 1495864.0, 2},
      {" -12,5 ", -12.5, 1},          {"7", 7.0, 0},
      {"", std::nullopt, 0},          {"12,5,1", std::nullopt, 0},
      {"12 кг", std::nullopt, 0},     {"1,5 0", std::nullopt, 0},
      {"-", std::nullopt, 0},
  };
  for (const auto& c : cases) {
    int decimals = -1;
    EXPECT_EQ(readNumber(c.typed, &decimals), c.value) << c.typed.toStdString();
    if (c.value) {
      EXPECT_EQ(decimals, c.decimals) << c.typed.toStdString();
    }
  }
}

TEST(NumberText, MoneyShowsTwoDecimalsAndQuantitiesTheirOwn) {
  const struct {
    QString stored;
    bool money;
    QString shown;
  } cases[] = {
      {"1495864", true, "1" + nb + "495" + nb + "864,00"},
      {"1495864.5", true, "1" + nb + "495" + nb + "864,50"},
      {"180", true, "180,00"},
      {"1500", false, "1" + nb + "500"},
      {"2,25", false, "2,25"},
      {"0.125", false, "0,125"},
      {"-1234567.125", false, "-1" + nb + "234" + nb + "567,125"},
      {"007", false, "7"},
      {",5", true, "0,50"},
      {"-0", true, "0,00"},
      {"12.345", true, "12,35"},
      {"", true, ""},
      {"нет цены", true, "нет цены"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(shownNumber(c.stored, c.money), c.shown) << c.stored.toStdString();
}

TEST(NumberText, ATypedNumberKeepsItsTextWithoutTheGroupBlanks) {
  EXPECT_EQ(plainNumber("1 495 864,00"), QStringLiteral("1495864,00"));
  EXPECT_EQ(plainNumber("1" + nb + "495,5"), QStringLiteral("1495,5"));
  EXPECT_EQ(plainNumber("1495864.00"), QStringLiteral("1495864.00"));
  EXPECT_EQ(plainNumber("12 кг"), QStringLiteral("12 кг"));
  // The shown text of an amount, typed back, is the amount.
  EXPECT_EQ(readNumber(plainNumber(shownNumber("1495864", true))), 1495864.0);
}
