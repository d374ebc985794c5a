// Documents entered without windows (--document), and the command line's refusals, on the demo.
#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QTemporaryDir>

#include "config/global_module.h"
#include "config/table_names.h"
#include "demo/demo_database.h"
#include "storage/session.h"
#include "test_helpers.h"

using namespace balvix;
using balvix::testing::runProgram;
using balvix::testing::writeFile;

namespace {

class DocumentCommandTest : public ::testing::Test {
 protected:
  void SetUp() override { demo::createDemoDatabase(m_db); }

  int rows(const QString& table) {
    auto db = storage::Session::open(m_db);
    return balvix::testing::rowCount(*db, QStringLiteral("SELECT * FROM ") + table);
  }
  QString file(const QString& name, const QByteArray& content) {
    const QString path = m_dir.filePath(name);
    writeFile(path, content);
    return path;
  }

  QTemporaryDir m_dir;
  const QString m_db = m_dir.filePath(QStringLiteral("basa.mdb"));
};

QByteArray document(const char* kind, const char* quantity) {
  return QByteArray(R"({"kind": ")") + kind +
         R"(", "date": "07.12.2026", "header": {"Контрагент": "ИП Петров А. В.", "Склад": )"
         R"("Центральный склад"}, "rows": [{"Товар": "Лак паркетный", "Количество": ")" +
         quantity + R"(", "Цена": "600"}]})";
}

TEST_F(DocumentCommandTest, ADocumentIsPostedOrRefusedWholeAsByItsWindow) {
  const QString sales = config::documentHeaderTable(QStringLiteral("РасходнаяНакладная"));
  const QString stock = config::registerTable(QStringLiteral("ОстаткиТоваров"));
  const int salesBefore = rows(sales), movesBefore = rows(stock);
  // The demo's history ends today; receipts of the file's year are numbered before it.
  const int receipts = [&] {
    auto db = storage::Session::open(m_db);
    return balvix::testing::firstText(
               *db, QStringLiteral("SELECT COUNT(*) FROM %1 WHERE cDATE LIKE '%.2026'")
                        .arg(config::documentHeaderTable(QStringLiteral("ПриходнаяНакладная"))))
        .toInt();
  }();
  QString error, output;
  // Beyond the stock: the module's own message, nothing written.
  EXPECT_EQ(runProgram({"--document", file("sale.json", document("РасходнаяНакладная", "100000")),
                        "--db", m_db, "--post"},
                       &error),
            1);
  EXPECT_TRUE(Contains(error, QStringLiteral("Недостаточно товара «Лак паркетный»")));
  EXPECT_EQ(rows(sales), salesBefore);
  EXPECT_EQ(rows(stock), movesBefore);
  // A good the catalog does not have: refused before the module runs, nothing written.
  const QByteArray unknown =
      document("РасходнаяНакладная", "1").replace("Лак паркетный", "Несуществующий товар");
  EXPECT_EQ(
      runProgram({"--document", file("unknown.json", unknown), "--db", m_db, "--post"}, &error), 1);
  EXPECT_TRUE(
      Contains(error, QStringLiteral("unknown.json: Строка 1, поле «Товар»: «Несуществующий "
                                     "товар» нет в справочнике «Товары».")));
  EXPECT_EQ(rows(sales), salesBefore);
  EXPECT_EQ(rows(stock), movesBefore);

  // A receipt and then a sale of part of it, two files in one run: each one posted, its key
  // printed, the movements written by the modules (the table part's sums by its handler).
  EXPECT_EQ(
      runProgram({"--document", file("in.json", document("ПриходнаяНакладная", "5")),
                  file("out.json", document("РасходнаяНакладная", "3")), "--db", m_db, "--post"},
                 &error, &output),
      0)
      << error.toStdString();
  EXPECT_EQ(output.count(QStringLiteral("07.12.2026 ")), 2) << output.toStdString();
  // Each with the number it was given, the next of its kind in the year.
  EXPECT_TRUE(Contains(output, QStringLiteral(" № %1\n").arg(receipts + 1)));
  EXPECT_EQ(rows(sales), salesBefore + 1);
  EXPECT_EQ(rows(stock), movesBefore + 2);
  // The sale is found by the key printed for it: the demo's history has sales of that day too.
  const QRegularExpressionMatch key =
      QRegularExpression(
          QStringLiteral("07\\.12\\.2026 (\\d\\d:\\d\\d:\\d\\d)[^\\n]*\\n[^\\n]*07\\.12\\.2026 "
                         "(\\d\\d:\\d\\d:\\d\\d)"))
          .match(output);
  ASSERT_TRUE(key.hasMatch()) << output.toStdString();
  auto db = storage::Session::open(m_db);
  EXPECT_EQ(balvix::testing::firstText(
                *db, QStringLiteral("SELECT Сумма FROM %1 WHERE cDATE='07.12.2026' AND cTIME='%2'")
                         .arg(config::documentTablePartTable(QStringLiteral("РасходнаяНакладная")),
                              key.captured(2))),
            QStringLiteral("1800"));
}

TEST_F(DocumentCommandTest, AnErrorInTheGlobalModuleNamesItAndItsOwnLine) {
  {
    auto db = storage::Session::open(m_db);
    config::writeGlobalModule(*db, QStringLiteral("Sub Сломать()\r\n  x = 0\r\n  y = 1 / x\r\n"
                                                  "End Sub\r\n"));
  }
  // Called from a module run as a posting and from one run against the database: the error
  // is the global module's, at its own line 3.
  const QString module = file("m.txt", "a = 1\r\nСломать\r\n");
  for (const QStringList& post : {QStringList{"--post", "ПриходнаяНакладная"}, QStringList{}}) {
    QString error;
    EXPECT_NE(runProgram(QStringList{"--run", module, "--db", m_db} + post, &error), 0);
    EXPECT_TRUE(Contains(error, QStringLiteral("Глобальный модуль:3: Деление на ноль")))
        << error.toStdString();
  }
}

TEST_F(DocumentCommandTest, AnUnknownOptionIsRefusedBeforeAnythingOpens) {
  QString error;
  EXPECT_EQ(runProgram({"--frobnicate", "--db", m_db}, &error), 2);
  EXPECT_TRUE(Contains(error, QStringLiteral("Неизвестный параметр: --frobnicate")));
}

}  // namespace
