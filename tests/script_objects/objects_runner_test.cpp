#include <QFile>
#include <QProcess>

#include "object_fixture.h"

using namespace balvix::script::testing;

namespace {

// The headless runner over a database: postings with --post, messages on their streams.
class RunnerObjectsTest : public ObjectTest {
 protected:
  struct Result {
    int code = -1;
    QString out;
    QString err;
  };
  Result runner(const QString& module, QStringList extra = {}) {
    const QString path = dir.filePath(QStringLiteral("модуль.vbs"));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(module.toUtf8());
    file.close();
    session.reset();  // the runner opens the file itself
    QProcess process;
    process.start(
        QStringLiteral(BALVIX_BINARY),
        QStringList{QStringLiteral("--run"), path, QStringLiteral("--db"), address()} + extra);
    EXPECT_TRUE(process.waitForFinished(30000));
    session = balvix::storage::Session::open(address());
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
  }
  const QString movement = QStringLiteral(
      "Объект Рег = СоздатьОбъект(\"Регистр\")\nРег.Вид = \"Остатки\"\n"
      "Рег.Реквизит(\"Товар\") = \"Стол\"\nРег.Реквизит(\"Количество\") = \"5\"\n"
      "Рег.ДвижениеВыполнить(\"+\")\n"
      "Объект Сч = СоздатьОбъект(\"Счет\")\nСч.Вид = \"41\"\nСч.ПриходВыполнить(5)\n");
};

TEST_F(RunnerObjectsTest, PostsAsTheDocumentNamedOnTheCommandLine) {
  addRegister(QStringLiteral("Остатки"), {QStringLiteral("Товар"), QStringLiteral("Количество")});
  const Result result = runner(
      movement, {QStringLiteral("--post"), QStringLiteral("Приход"), QStringLiteral("--commit"),
                 QStringLiteral("--date"), QStringLiteral("03.02.2026")});
  EXPECT_EQ(result.code, 0) << result.err.toStdString();
  EXPECT_EQ(column(QStringLiteral(
                "SELECT Товар||Количество||cDATE||Документ||Флаг FROM items_Регистр_Остатки")),
            QStringList{QStringLiteral("Стол503.02.2026Приход+")});
  EXPECT_EQ(column(QStringLiteral("SELECT Код||Дебет||cDATE||Документ FROM itogi")),
            QStringList{QStringLiteral("41503.02.2026Приход")});
}

TEST_F(RunnerObjectsTest, FailedPostingWritesNothing) {
  addRegister(QStringLiteral("Остатки"), {QStringLiteral("Товар"), QStringLiteral("Количество")});
  const Result result = runner(movement + QStringLiteral("Сч.ПриходВыполнить(\"много\")\n"),
                               {QStringLiteral("--post"), QStringLiteral("Приход")});
  EXPECT_EQ(result.code, 1);
  EXPECT_TRUE(result.err.contains(QStringLiteral(":9: ПриходВыполнить: сумма «много»")))
      << result.err.toStdString();
  EXPECT_TRUE(column(QStringLiteral("SELECT Товар FROM items_Регистр_Остатки")).isEmpty());
  EXPECT_TRUE(column(QStringLiteral("SELECT Код FROM itogi")).isEmpty());
}

TEST_F(RunnerObjectsTest, WithoutADocumentPostingsAreRefusedAndProgramMessagesGoToStderr) {
  addRegister(QStringLiteral("Остатки"), {QStringLiteral("Товар"), QStringLiteral("Количество")});
  const Result result =
      runner(QStringLiteral("Объект Сч = СоздатьОбъект(\"Счет\")\nСч.Вид = \"41\"\n"
                            "Сч.ПриходВыполнить(5)\nСообщить(\"дальше\")\n") +
             movement);
  EXPECT_EQ(result.code, 1);
  EXPECT_EQ(result.out, QStringLiteral("дальше\n"));
  EXPECT_TRUE(result.err.startsWith(
      QStringLiteral("Приход может выполняться только движением документа!\n")))
      << result.err.toStdString();
  EXPECT_TRUE(
      result.err.contains(QStringLiteral(":9: ДвижениеВыполнить: нет проводимого документа")))
      << result.err.toStdString();
}

}  // namespace
