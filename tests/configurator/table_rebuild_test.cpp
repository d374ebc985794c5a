#include "configurator/table_rebuild.h"

#include <gtest/gtest.h>

namespace balvix::configurator {
namespace {

TEST(RequisiteNamesProblem, NamesTheFirstProblem) {
  EXPECT_EQ(requisiteNamesProblem({"Наименование", "Цена", "Кол_во2"}), QString());
  EXPECT_TRUE(requisiteNamesProblem({"Наименование", "Цена товара"}).contains("Цена товара"));
  EXPECT_TRUE(requisiteNamesProblem({"2шт"}).contains("2шт"));
  EXPECT_TRUE(requisiteNamesProblem({"Наименование", "Новый"}).contains("зарезервировано"));
  EXPECT_EQ(requisiteNamesProblem({"Цена", "Наименование", "цена"}),
            QStringLiteral("Реквизит «цена» указан дважды."));
  EXPECT_TRUE(requisiteNamesProblem({"Товар", "cdate"}, {"cDATE", "cTIME"}).contains("служебная"));
  EXPECT_EQ(requisiteNamesProblem({"Товар", "Документ"}), QString());
  EXPECT_EQ(requisiteColumns({"А", "Б"}), QStringLiteral("А TEXT(50),Б TEXT(50),"));
}

}  // namespace
}  // namespace balvix::configurator
