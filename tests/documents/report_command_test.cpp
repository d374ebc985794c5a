#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include "config/global_module.h"
#include "storage/session.h"
#include "storage/sql_text.h"
#include "test_helpers.h"

namespace balvix::documents::testing {
namespace {

// `--report` run as a scheduled job would run it: no display and no platform named.
int runBare(const QStringList& args, QString* error) {
  QProcessEnvironment bare;
  bare.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
  QProcess p;
  p.setProcessEnvironment(bare);
  p.start(QStringLiteral(BALVIX_BINARY), args);
  const bool ended = p.waitForFinished(120000);
  EXPECT_TRUE(ended) << "the program did not end";
  *error = QString::fromUtf8(p.readAllStandardError());
  return ended && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

class ReportCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_path = m_dir.filePath(QStringLiteral("отчеты.mdb"));
    auto db = storage::Session::createNew(m_path);
    const QString layout = QStringLiteral(
        "BalvixReport 1\r\ncolumns 2\r\ncell 0 0 0 Текст\r\ncell 0 1 0 [Текст]\r\n"
        "section Строка 0 0\r\n");
    add(*db, QStringLiteral("Тексты"), layout,
        QStringLiteral("Отчет.Параметр(\"Текст\") = \"a\" & Chr(0) & \"b\"\r\n"
                       "Отчет.Вывести(\"Строка\")\r\n"
                       "Отчет.Параметр(\"Текст\") = String(40000, \"я\")\r\n"
                       "Отчет.Вывести(\"Строка\")\r\n"));
    add(*db, QStringLiteral("Бесконечный"), layout,
        QStringLiteral("Do\r\nОтчет.Вывести(\"Строка\")\r\nLoop\r\n"));
  }
  static void add(storage::Session& db, const QString& name, const QString& layout,
                  const QString& code) {
    db.execute(QStringLiteral("INSERT INTO form_items (type,name,code,item) VALUES ('Отчет',") +
               storage::quote(name) + QLatin1Char(',') + storage::quote(code) + QLatin1Char(',') +
               storage::quote(layout) + QLatin1Char(')'));
  }
  QString file(const char* name) const { return m_dir.filePath(QString::fromUtf8(name)); }

  QTemporaryDir m_dir;
  QString m_path;
};

TEST_F(ReportCommandTest, WritesPdfCsvAndXlsxWithoutADisplayAndCountsChangedCells) {
  QString error;
  ASSERT_EQ(runBare({"--report", "Тексты", "--db", m_path, "--pdf", file("т.pdf"), "--csv",
                     file("т.csv"), "--xlsx", file("т.xlsx")},
                    &error),
            0)
      << error.toStdString();
  QFile pdf(file("т.pdf")), csv(file("т.csv"));
  ASSERT_TRUE(pdf.open(QIODevice::ReadOnly) && csv.open(QIODevice::ReadOnly));
  EXPECT_TRUE(pdf.read(5) == "%PDF-");
  EXPECT_TRUE(Contains(QString::fromUtf8(csv.readAll()), QStringLiteral("Текст;a") + QChar(0)));
  QXmlStreamReader xml(balvix::testing::zipEntry(file("т.xlsx"), "xl/sharedStrings.xml"));
  while (!xml.atEnd()) xml.readNext();
  EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  // Both texts had to change: the NUL coded, the long text cut.
  EXPECT_TRUE(Contains(error, QStringLiteral("Изменено ячеек в книге Excel: 2")));
}

TEST_F(ReportCommandTest, AnOutputBeyondTheBoundEndsTheRunWithTheLimitNamed) {
  QString error;
  EXPECT_EQ(runBare({"--report", "Бесконечный", "--db", m_path, "--csv", file("б.csv")}, &error),
            1);
  EXPECT_TRUE(Contains(error, QStringLiteral("Отчет превысил предел"))) << error.toStdString();
  EXPECT_TRUE(Contains(error, QStringLiteral("строка 2")));
  EXPECT_FALSE(QFile::exists(file("б.csv")));
}

TEST_F(ReportCommandTest, AnErrorInTheGlobalModuleNamesItAndItsOwnLine) {
  {
    auto db = storage::Session::open(m_path);
    config::writeGlobalModule(*db, QStringLiteral("Sub Сломать()\r\n  x = 1\r\n  y = x / 0\r\n"
                                                  "End Sub\r\n"));
    add(*db, QStringLiteral("Сломанный"), QString(), QStringLiteral("a = 1\r\nСломать\r\n"));
  }
  QString error;
  EXPECT_EQ(runBare({"--report", "Сломанный", "--db", m_path, "--csv", file("с.csv")}, &error), 1);
  EXPECT_TRUE(Contains(error, QStringLiteral("«Глобальный модуль», строка 3: Деление на ноль")))
      << error.toStdString();
}

}  // namespace
}  // namespace balvix::documents::testing
