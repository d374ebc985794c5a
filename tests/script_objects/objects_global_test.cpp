#include <QDir>
#include <QFile>

#include "object_fixture.h"
#include "script/objects/file_system_object.h"

using namespace balvix::script;
using namespace balvix::script::testing;

namespace {

using GlobalObjectsTest = ObjectTest;

TEST_F(GlobalObjectsTest, CreateObjectKnowsSevenWordsExactly) {
  const QStringList out = run(
      QStringLiteral(
          "Для Каждого В In Array(\"Справочник\", \"Документ\", \"Журнал\", \"Регистр\", \"Счет\", "
          "\"ФС\", \"ТекущийДокумент\", \"справочник\", \"Счет \", \"\")\n"
          "  Объект О = СоздатьОбъект(В)\n"
          "  Сообщить(TypeName(О))\n"
          "Далее\n")
          .replace(QStringLiteral("Для Каждого"), QStringLiteral("For Each")));
  EXPECT_EQ(out, (QStringList{QStringLiteral("clsСправочник"), QStringLiteral("clsДокумент"),
                              QStringLiteral("clsЖурнал"), QStringLiteral("clsРегистр"),
                              QStringLiteral("clsСчет"), QStringLiteral("clsФС"),
                              QStringLiteral("ТекущийДокумент"), QStringLiteral("Nothing"),
                              QStringLiteral("Nothing"), QStringLiteral("Nothing")}));
  EXPECT_EQ(host.programMessages, QStringList(3, QStringLiteral("Объект не существует!")));
}

TEST_F(GlobalObjectsTest, ObjectsOfOneModuleShareTheProgramsRecordset) {
  addCatalog(QStringLiteral("Товары"), {QStringLiteral("Наименование")},
             {{QStringLiteral("Стол")}, {QStringLiteral("Стул")}});
  run(
      QStringLiteral("Объект Спр = СоздатьОбъект(\"Справочник\")\nСпр.Вид = \"Товары\"\n"
                     "Спр.Выбрать()\nСпр.Получить()\n"));
  ASSERT_FALSE(context.sharedRecordset.eof());
  EXPECT_EQ(context.sharedRecordset.text(QStringLiteral("Наименование")), QStringLiteral("Стол"));
}

TEST_F(GlobalObjectsTest, OpenFormStoresTheNameAndOpensChoiceListsThroughTheHost) {
  host.windowDate = QDate(2026, 1, 1);
  run(
      QStringLiteral("ОткрытьФорму(\"Справочник.Товары\")\nОткрытьФорму(\"Справочник.Товары\")\n"
                     "ОткрытьФорму(\"Счет.План.Основной\")\nОткрытьФорму(\"\")\n"));
  EXPECT_EQ(host.choices,
            (QStringList{QStringLiteral("Справочник.Товары"), QStringLiteral("Справочник.Товары"),
                         QStringLiteral("Счет.План.Основной")}));
  EXPECT_EQ(context.currentObjectName, QStringLiteral("План.Основной"));
  run(QStringLiteral("ОткрытьФорму(\"Отчет.Итоги\")\nОткрытьФорму(\"справочник.Склады\")\n"));
  EXPECT_EQ(host.choices.size(), 3);
  EXPECT_EQ(context.currentObjectName, QStringLiteral("Склады"));
}

TEST_F(GlobalObjectsTest, OpenFormRefusesPathsWithoutAKindAndNeedsADocumentWindow) {
  EXPECT_TRUE(
      runError(QStringLiteral("ОткрытьФорму(\"Товары\")\n")).contains(QStringLiteral("Вид.Имя")));
  EXPECT_TRUE(
      runError(QStringLiteral("ОткрытьФорму(\".Товары\")\n")).startsWith(QStringLiteral("1: ")));
  EXPECT_EQ(runError(QStringLiteral("ОткрытьФорму(\"Счет.ПланСчетов\")\n")),
            QStringLiteral("1: нет окна документа"));
  EXPECT_TRUE(host.choices.isEmpty());
}

// A program host that overrides nothing and a host of the language alone answer alike: no
// document window, no choice list.
TEST(HostDefaults, ChoiceWindowsAndProgramMessagesHaveDefaults) {
  class Plain : public Host {
   public:
    int showMessage(const QString& text, int buttons, const QString& title) override {
      shown << QStringLiteral("%1|%2|%3").arg(text).arg(buttons).arg(title);
      return MsgBoxCode::AnswerOk;
    }
    void setStatus(const QString&) override {}
    void startProgram(const QString&) override {}
    QStringList shown;
  } plain;
  class Program : public ProgramHost {
   public:
    int showMessage(const QString&, int, const QString&) override { return MsgBoxCode::AnswerOk; }
    void setStatus(const QString&) override {}
    void startProgram(const QString&) override {}
  } program;
  plain.showProgramMessage(QStringLiteral("Объект не существует!"));
  EXPECT_EQ(plain.shown, QStringList{QStringLiteral("Объект не существует!|0|")});
  for (Host* host : {static_cast<Host*>(&plain), static_cast<Host*>(&program)}) {
    EXPECT_FALSE(ProgramHost::documentWindowDateOf(*host).has_value());
    try {
      ProgramHost::openChoiceWindowOf(*host, QStringLiteral("Справочник"),
                                      QStringLiteral("Товары"));
      ADD_FAILURE() << "no error";
    } catch (const ScriptError& e) {
      EXPECT_TRUE(e.description().contains(QStringLiteral("Справочник.Товары")));
    }
  }
}

class FileSystemObjectTest : public ObjectTest {
 protected:
  void SetUp() override {
    ObjectTest::SetUp();
    previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
  }
  void TearDown() override { QDir::setCurrent(previous); }
  QByteArray contents(const QString& name) {
    QFile f(dir.filePath(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<нет файла>");
  }
  QString previous;
  const QString header = QStringLiteral("Объект ФС = СоздатьОбъект(\"ФС\")\n");
};

TEST_F(FileSystemObjectTest, FileWrittenInTheDatabaseFolderIsReadBackAsItsFirstItem) {
  BALVIX_FILE_ONLY("the folder of a database file; a server's database has none");
  QDir::setCurrent(QDir::tempPath());
  const QStringList out = run(
      header +
      QStringLiteral(
          "ФС.СоздатьФайл(\"отчет.txt\", \"Итого 5\")\nСообщить(ФС.ОткрытьФайл(\"отчет.txt\"))\n"
          "ФС.СоздатьФайл(\"отчет.txt\", \"a,b\" & vbCrLf & "
          "\"c\")\nСообщить(ФС.ОткрытьФайл(\"отчет.txt\"))\n"
          "ФС.СоздатьФайл(\"кав.txt\", \"  \"\"x, "
          "y\"\",z\")\nСообщить(ФС.ОткрытьФайл(\"кав.txt\"))\n"));
  EXPECT_EQ(out,
            (QStringList{QStringLiteral("Итого 5"), QStringLiteral("a"), QStringLiteral("x, y")}));
  EXPECT_EQ(QString::fromUtf8(contents(QStringLiteral("отчет.txt"))).remove(u'\r'),
            QStringLiteral("a,b\nc\n"));
  EXPECT_EQ(clsФС::firstItem(QStringLiteral("  слово  \nещё")), QStringLiteral("слово"));
}

TEST_F(FileSystemObjectTest, FoldersAreMadeAndRemovedAndTheCurrentFolderChanges) {
  const QStringList out = run(
      header + QStringLiteral("ФС.СоздатьКаталог(\"архив\")\nФС.ТекущийКаталог = \"архив\"\n"
                              "Сообщить(Right(ФС.ТекущийКаталог, 5))\nФС.ТекущийКаталог = \"..\"\n"
                              "ФС.УдалитьКаталог(\"архив\")\nСообщить(\"ок\")\n"));
  EXPECT_EQ(out, (QStringList{QStringLiteral("архив"), QStringLiteral("ок")}));
  EXPECT_FALSE(QDir(dir.filePath(QStringLiteral("архив"))).exists());
  EXPECT_TRUE(runError(header + QStringLiteral("ФС.ТекущийКаталог = \"нет\"\n"))
                  .contains(QStringLiteral("Путь не найден")));
  EXPECT_TRUE(
      runError(header + QStringLiteral("ФС.СоздатьКаталог(\"а\")\nФС.СоздатьКаталог(\"а\")\n"))
          .startsWith(QStringLiteral("3: ")));
  QFile(dir.filePath(QStringLiteral("а/ф.txt"))).open(QIODevice::WriteOnly);
  EXPECT_TRUE(runError(header + QStringLiteral("ФС.УдалитьКаталог(\"а\")\n"))
                  .contains(QStringLiteral("не пуста")));
}

TEST_F(FileSystemObjectTest, FilesAreDeletedByNameOrPatternAndAMissingOneIsAnError) {
  for (const char* name : {"a1.log", "a2.log", "b.txt"})
    QFile(dir.filePath(QString::fromUtf8(name))).open(QIODevice::WriteOnly);
  run(header + QStringLiteral("ФС.УдалитьФайл(\"a?.log\")\nФС.УдалитьФайл(\"b.txt\")\n"));
  EXPECT_TRUE(QDir(dir.path())
                  .entryList({QStringLiteral("*.log"), QStringLiteral("*.txt")}, QDir::Files)
                  .isEmpty());
  EXPECT_TRUE(runError(header + QStringLiteral("ФС.УдалитьФайл(\"*.log\")\n"))
                  .startsWith(QStringLiteral("2: Файл не найден")));
  EXPECT_TRUE(runError(header + QStringLiteral("Сообщить(ФС.ОткрытьФайл(\"нет.txt\"))\n"))
                  .startsWith(QStringLiteral("2: Файл не найден")));
}

}  // namespace
