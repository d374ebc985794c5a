#include "shell/external_tools.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSettings>
#include <QThread>

#include "shell_fixture.h"

using namespace balvix;
using balvix::testing::writeFile;

namespace {

// Outside programs stood in by shell scripts on a PATH of the test's own: each writes its
// name and arguments into a marker file.
class ExternalToolsTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    m_path = qgetenv("PATH");
    m_dataHome = qgetenv("XDG_DATA_HOME");
    QDir(m_tools.path()).mkdir(QStringLiteral("bin"));
    qputenv("PATH", bin().toLocal8Bit());
    qputenv("XDG_DATA_HOME", m_tools.filePath(QStringLiteral("data")).toLocal8Bit());
    setCommand(QStringLiteral("EditorCommand"), QString());
    setCommand(QStringLiteral("CalculatorCommand"), QString());
  }
  void TearDown() override {
    qputenv("PATH", m_path);
    qputenv("XDG_DATA_HOME", m_dataHome);
    setCommand(QStringLiteral("EditorCommand"), QString());
    setCommand(QStringLiteral("CalculatorCommand"), QString());
    ShellTest::TearDown();
  }
  QString bin() const { return m_tools.filePath(QStringLiteral("bin")); }
  QString marker() const { return m_tools.filePath(QStringLiteral("marker")); }
  void fakeCommand(const QString& name) {
    const QString file = QDir(bin()).filePath(name);
    writeFile(file,
              QStringLiteral("#!/bin/sh\necho \"%1 $*\" > '%2'\n").arg(name, marker()).toUtf8());
    QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  }
  static void setCommand(const QString& key, const QString& command) {
    QSettings settings(QStringLiteral("Balvix"), QStringLiteral("Balvix"));
    settings.beginGroup(QStringLiteral("Setting"));
    settings.setValue(key, command);
  }
  // What the started program wrote; it runs on its own, so it is waited for.
  QString started() {
    QElapsedTimer waited;
    waited.start();
    while (!QFile::exists(marker()) && waited.elapsed() < 10000) QThread::msleep(20);
    QThread::msleep(50);
    QFile file(marker());
    if (!file.open(QIODevice::ReadOnly)) return QString();
    const QString text = QString::fromUtf8(file.readAll()).trimmed();
    file.close();
    QFile::remove(marker());
    return text;
  }
  QString newFilesFolder() const {
    return m_tools.filePath(QStringLiteral("data/Balvix/Документы"));
  }

  QTemporaryDir m_tools;
  QByteArray m_path;
  QByteArray m_dataHome;
};

TEST_F(ExternalToolsTest, TheCalculatorIsTheSettingsCommandOrTheFirstKnownOneFound) {
  fakeCommand(QStringLiteral("xcalc"));
  fakeCommand(QStringLiteral("kcalc"));
  m_main->findChild<QAction*>(QStringLiteral("mnuCalculator"))->trigger();
  EXPECT_EQ(started(), QStringLiteral("kcalc"));
  fakeCommand(QStringLiteral("мой-калькулятор"));
  setCommand(QStringLiteral("CalculatorCommand"), QStringLiteral("мой-калькулятор --простой"));
  EXPECT_TRUE(m_main->startCalculator());
  EXPECT_EQ(started(), QStringLiteral("мой-калькулятор --простой"));
  EXPECT_TRUE(m_messages.texts().isEmpty()) << m_messages.last().toStdString();
}

TEST_F(ExternalToolsTest, WithoutACalculatorTheMessageNamesWhatWasTriedAndWhereToSetOne) {
  EXPECT_FALSE(m_main->startCalculator());
  for (const QString& name : shell::knownCalculators())
    EXPECT_TRUE(Contains(m_messages.last(), QStringLiteral("«%1»").arg(name)));
  EXPECT_TRUE(Contains(m_messages.last(), QStringLiteral("Сервис → Настройка программы...")));
  EXPECT_TRUE(Contains(m_messages.last(), QStringLiteral("Калькулятор:")));
  EXPECT_FALSE(Contains(m_messages.last(), QStringLiteral("Объект не обнаружен")));

  setCommand(QStringLiteral("CalculatorCommand"), QStringLiteral("нет-такого-калькулятора"));
  EXPECT_FALSE(m_main->startCalculator());
  EXPECT_TRUE(Contains(m_messages.last(), QStringLiteral("«нет-такого-калькулятора»")));
}

// «Новый документ» makes an empty text file of its own and has the desktop open it.
TEST_F(ExternalToolsTest, ANewDocumentIsAnEmptyTextFileOpenedTheDesktopsWay) {
  fakeCommand(QStringLiteral("xdg-open"));
  for (int n = 1; n <= 2; ++n) {
    SCOPED_TRACE(n);
    m_main->findChild<QAction*>(QStringLiteral("mnuNew"))->trigger();
    const QString file =
        QDir(newFilesFolder()).filePath(QStringLiteral("Новый документ %1.txt").arg(n));
    EXPECT_EQ(started(), QStringLiteral("xdg-open ") + file);
    EXPECT_TRUE(QFile::exists(file));
    EXPECT_EQ(QFileInfo(file).size(), 0);
  }
  // The editor of the settings gets the file instead.
  fakeCommand(QStringLiteral("редактор"));
  setCommand(QStringLiteral("EditorCommand"), QStringLiteral("редактор -n"));
  EXPECT_TRUE(m_main->startTextEditor());
  EXPECT_EQ(started(), QStringLiteral("редактор -n ") +
                           QDir(newFilesFolder()).filePath(QStringLiteral("Новый документ 3.txt")));
  EXPECT_TRUE(m_messages.texts().isEmpty()) << m_messages.last().toStdString();
}

TEST_F(ExternalToolsTest, WithoutAnEditorTheMessageNamesWhatWasTriedAndNoFileIsLeft) {
  EXPECT_FALSE(m_main->startTextEditor());
  EXPECT_TRUE(Contains(m_messages.last(), QStringLiteral("«xdg-open»")));
  EXPECT_TRUE(Contains(m_messages.last(), QStringLiteral("«gedit»")));
  EXPECT_TRUE(Contains(m_messages.last(), QStringLiteral("Текстовый редактор:")));
  EXPECT_TRUE(QDir(newFilesFolder()).entryList(QDir::Files).isEmpty());
}

}  // namespace
