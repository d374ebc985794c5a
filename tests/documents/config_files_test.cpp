#include "documents/config_files.h"

#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFileInfo>
#include <QTemporaryDir>

#include "documents/config_diff.h"
#include "documents/config_import.h"
#include "storage/db_error.h"
#include "test_helpers.h"

namespace balvix::documents {
namespace {

using config::Requisite;
using config::RequisiteType;

ConfigObject catalog(const QString& name) {
  ConfigObject object;
  object.definition.kind = ObjectKind::Catalog;
  object.definition.name = name;
  object.definition.module = QStringLiteral("_");
  object.definition.description = name;
  object.definition.requisites = {
      {QStringLiteral("Наименование"), RequisiteType::ofKind(RequisiteType::Kind::Text)}};
  return object;
}

QString failure(const ConfigFiles& files) {
  try {
    parseConfigFiles(files);
  } catch (const storage::DbError& e) {
    return e.description();
  }
  return QString();
}

TEST(ConfigFilesTest, HostileNamesNeverWriteOutsideTheFolder) {
  const QStringList names = {QStringLiteral("../../вне"),
                             QStringLiteral("/etc/passwd"),
                             QStringLiteral("a\\..\\b"),
                             QStringLiteral("\"кавычки\" и 'апостроф'"),
                             QStringLiteral("CON"),
                             QStringLiteral("nul"),
                             QStringLiteral("Com1"),
                             QStringLiteral(".скрытый"),
                             QStringLiteral(".."),
                             QStringLiteral(" пробел "),
                             QStringLiteral("-опция"),
                             QString(),
                             QStringLiteral("Ж").repeated(300),
                             QStringLiteral("строка\nвторая")};
  ConfigTree tree;
  for (const QString& name : names) {
    ConfigObject object = catalog(name);
    // Print forms take any text as their name: their files must be just as safe.
    object.definition.kind = ObjectKind::Document;
    object.printForms = {{name, QStringLiteral("name=lbl;\r\n"), QString()}};
    tree.objects << object;
  }
  QTemporaryDir root;
  const QString dir = root.filePath(QStringLiteral("выгрузка"));
  writeConfigDirectory(renderConfigFiles(tree), dir);

  QDirIterator all(root.path(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                   QDirIterator::Subdirectories);
  while (all.hasNext()) {
    const QString path = all.next();
    EXPECT_TRUE(path.startsWith(dir + u'/') || path == dir) << path.toStdString();
    EXPECT_LE(QFileInfo(path).fileName().toUtf8().size(), 200) << path.toStdString();
  }
  for (const QString& name : names) {
    const QString stem = safeFileStem(name);
    SCOPED_TRACE(name.left(20).toStdString());
    EXPECT_FALSE(stem.contains(u'/') || stem.contains(u'\\') || stem.contains(u'.') ||
                 stem.contains(u'"') || stem.contains(u'\n') || stem.startsWith(u' ') ||
                 stem.startsWith(u'-'));
    EXPECT_NE(stem.toUpper(), QStringLiteral("CON"));
    EXPECT_NE(stem.toUpper(), QStringLiteral("NUL"));
    EXPECT_NE(stem.toUpper(), QStringLiteral("COM1"));
  }
  // The names come back whole from inside the files.
  tree.sort();
  EXPECT_EQ(parseConfigFiles(readConfigDirectory(dir)), tree);
}

TEST(ConfigFilesTest, ValuesThatNeedQuotingComeBackUnchanged) {
  ConfigObject object = catalog(QStringLiteral("Товары"));
  ObjectDefinition& d = object.definition;
  d.description = QStringLiteral(" \"Товары\": склад, розница\\опт\t");
  d.requisites << Requisite{QStringLiteral("Вид"),
                            RequisiteType::parse(QStringLiteral("Чужой, обязательный")), true}
               << Requisite{QStringLiteral("Пустой"), RequisiteType(), true}
               << Requisite{QStringLiteral("Без типа"), RequisiteType(), false};
  d.size = QString(QStringLiteral(""));
  d.layout = QStringLiteral("name=txt;index=1;caption=Вид;\r\n");
  d.module = QStringLiteral("Процедура А\r\nКонецПроцедуры\r\n");
  ConfigObject values;
  values.definition.kind = ObjectKind::Enumeration;
  values.definition.name = QStringLiteral("Виды");
  values.definition.setEnumerationValues(
      {QStringLiteral(" с пробелом"), QStringLiteral("\"в кавычках\"")});
  ConfigTree tree{{object, values}, QStringLiteral("Перем Общая\r\n")};
  tree.sort();
  const ConfigFiles files = renderConfigFiles(tree);
  EXPECT_EQ(parseConfigFiles(files), tree);
  EXPECT_EQ(renderConfigFiles(parseConfigFiles(files)), files);
  for (const QByteArray& bytes : files) EXPECT_FALSE(bytes.contains('\r'));
}

TEST(ConfigFilesTest, ATreeItCannotReadIsRefusedWithTheReason) {
  ConfigObject journal;
  journal.definition.kind = ObjectKind::Journal;
  journal.definition.name = QStringLiteral("Склад");
  journal.definition.columns = {QStringLiteral("Склад")};
  ConfigTree tree{{catalog(QStringLiteral("Товары")), journal}, QString()};
  const ConfigFiles good = renderConfigFiles(tree);
  const QString file = QStringLiteral("Справочники/Товары.txt");
  struct Case {
    const char* what;
    std::function<void(ConfigFiles&)> edit;
    QString message;
  };
  const QList<Case> cases = {
      {"a newer format", [](ConfigFiles& f) { f[kConfigRootFile] = "формат: 7\n"; },
       QStringLiteral("в формате версии 7")},
      {"an object file of a newer format",
       [&](ConfigFiles& f) { f[file].replace("формат: 1", "формат: 12"); },
       QStringLiteral("в формате версии 12")},
      {"no root file", [](ConfigFiles& f) { f.remove(kConfigRootFile); },
       QStringLiteral("не выгрузка конфигурации")},
      {"a misspelt key", [&](ConfigFiles& f) { f[file] += "мню: Товары\n"; },
       QStringLiteral("строка 7: неизвестный ключ «мню»")},
      {"a stray file",
       [](ConfigFiles& f) { f[QStringLiteral("Справочники/Товар.модуль.txt")] = "x"; },
       QStringLiteral("«Справочники/Товар.модуль.txt» не относится")},
      {"a renamed object", [&](ConfigFiles& f) { f[file].replace("имя: Товары", "имя: Товар"); },
       QStringLiteral("должен называться «Справочники/Товар.txt»")},
      {"a wrong kind", [&](ConfigFiles& f) { f[file].replace("вид: Справочник", "вид: Документ"); },
       QStringLiteral("описывает вид «Документ»")},
      {"a journal column twice",
       [](ConfigFiles& f) { f[QStringLiteral("Журналы/Склад.txt")] += "  Склад\n"; },
       QStringLiteral("строка 6: «Склад» указано дважды")},
      {"an open quote", [&](ConfigFiles& f) { f[file].replace("меню: Товары", "меню: \"Товары"); },
       QStringLiteral("не закрыта кавычка")},
  };
  ASSERT_TRUE(failure(good).isEmpty());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ConfigFiles files = good;
    c.edit(files);
    EXPECT_TRUE(Contains(failure(files), c.message));
  }
}

class ConfigImportTest : public ::testing::Test, public balvix::testing::TempDatabase {};

TEST_F(ConfigImportTest, HostileNamesAreRefusedBeforeAnythingIsStored) {
  ConfigTree tree = readConfigTree(db());
  tree.objects << catalog(QStringLiteral("Товары"))
               << catalog(QStringLiteral("x; DROP TABLE form_items"));
  ConfigObject requisite = catalog(QStringLiteral("Склады"));
  requisite.definition.requisites << Requisite{QStringLiteral("a'b"), RequisiteType()};
  tree.objects << requisite;
  tree.sort();
  const ImportPlan plan = planImport(db(), tree);
  const QString problems = plan.problems.join(u'\n');
  EXPECT_TRUE(Contains(problems, QStringLiteral("Справочник.x; DROP TABLE form_items: ")));
  EXPECT_TRUE(Contains(problems, QStringLiteral("Справочник.Склады: ")));
  EXPECT_EQ(plan.problems.size(), 2);
  const ConfigTree before = readConfigTree(db());
  EXPECT_THROW(applyImport(db(), tree, plan, true), storage::DbError);
  EXPECT_EQ(readConfigTree(db()), before);
  EXPECT_FALSE(db().tableExists(QStringLiteral("items_Справочник_Товары")));
}

TEST(ConfigFilesTest, UnifiedDiffShowsChangedLinesWithContext) {
  const QString before = QStringLiteral("1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n12\n");
  QString after = before;
  after.replace(QStringLiteral("\n2\n"), QStringLiteral("\n2а\n"));
  after += QStringLiteral("13\n");
  EXPECT_EQ(unifiedDiff(before, after),
            QStringList({"@@ -1,5 +1,5 @@", " 1", "-2", "+2а", " 3", " 4", " 5",
                         "@@ -10,3 +10,4 @@", " 10", " 11", " 12", "+13"}));
  EXPECT_TRUE(unifiedDiff(before, before).isEmpty());
}

}  // namespace
}  // namespace balvix::documents
