#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <memory>

#include "config/object_definition.h"
#include "config/table_names.h"
#include "demo/demo_database.h"
#include "documents/config_files.h"
#include "documents/config_import.h"
#include "storage/session.h"
#include "test_helpers.h"

namespace balvix::documents {
namespace {

using config::ObjectKind;

// The demo database is built once (it posts 200 documents); every test works on a copy.
class ConfigFilesDemoTest : public ::testing::Test {
 public:
  int rows(const QString& sql) { return testing::firstText(*m_db, sql).toInt(); }
  int schemaVersion() { return rows(QStringLiteral("PRAGMA schema_version")); }
  int schemaBefore = 0;

 protected:
  static void SetUpTestSuite() {
    s_dir = new QTemporaryDir;
    s_demo = s_dir->filePath(QStringLiteral("demo.mdb"));
    demo::createDemoDatabase(s_demo, QDate(2026, 11, 30));
  }
  static void TearDownTestSuite() {
    delete s_dir;
    s_dir = nullptr;
  }
  void SetUp() override {
    const QString copy = m_dir.filePath(QStringLiteral("copy.mdb"));
    ASSERT_TRUE(QFile::copy(s_demo, copy));
    m_db = storage::Session::open(copy);
  }
  ConfigFiles exported() { return renderConfigFiles(readConfigTree(*m_db)); }

  static inline QTemporaryDir* s_dir = nullptr;
  static inline QString s_demo;
  QTemporaryDir m_dir;
  std::unique_ptr<storage::Session> m_db;
};

TEST_F(ConfigFilesDemoTest, ExportImportExportIsByteIdenticalAndASecondImportChangesNothing) {
  const QString first = m_dir.filePath(QStringLiteral("first"));
  exportConfiguration(*m_db, first);
  const std::unique_ptr<storage::Session> empty =
      storage::Session::createNew(m_dir.filePath(QStringLiteral("empty.mdb")));
  const ConfigTree tree = readConfigurationFiles(first);
  const ImportPlan plan = planImport(*empty, tree);
  EXPECT_TRUE(plan.problems.isEmpty()) << plan.problems.join(u'\n').toStdString();
  applyImport(*empty, tree, plan, false);

  EXPECT_EQ(renderConfigFiles(readConfigTree(*empty)), readConfigDirectory(first));
  EXPECT_TRUE(planImport(*empty, tree).isEmpty());
  // The files from the demo itself compare equal to the demo database.
  EXPECT_TRUE(planImport(*m_db, tree).isEmpty());
}

TEST_F(ConfigFilesDemoTest, TheCommandLineExportsComparesAndLoadsIntoANewDatabase) {
  const QString first = m_dir.filePath(QStringLiteral("first"));
  const QString second = m_dir.filePath(QStringLiteral("second"));
  const QString fresh = m_dir.filePath(QStringLiteral("fresh.mdb"));
  QString error, output;
  ASSERT_EQ(testing::runProgram({"--export-config", s_demo, first}, &error), 0)
      << error.toStdString();
  ASSERT_EQ(testing::runProgram({"--import-config", first, s_demo, "--dry-run"}, &error, &output),
            0);
  EXPECT_TRUE(Contains(output, QStringLiteral("совпадает с файлами")));
  ASSERT_EQ(testing::runProgram({"--import-config", first, fresh, "--new-database"}, &error), 0)
      << error.toStdString();
  ASSERT_EQ(testing::runProgram({"--export-config", fresh, second}, &error), 0);
  EXPECT_EQ(readConfigDirectory(second), readConfigDirectory(first));

  testing::writeFile(QDir(first).filePath(kConfigRootFile), "формат: 2\n");
  EXPECT_EQ(testing::runProgram({"--import-config", first, fresh, "--dry-run"}, &error), 1);
  EXPECT_TRUE(Contains(error, QStringLiteral("в формате версии 2")));
}

struct Change {
  const char* name;
  std::function<void(ConfigFiles&)> edit;
  QStringList shown;  // lines the dry run holds
  std::function<void(ConfigFilesDemoTest&, storage::Session&)> check;
};

TEST_F(ConfigFilesDemoTest, EachChangeIsShownByTheDryRunThenApplied) {
  const QString receipt = QStringLiteral("Документы/ПриходнаяНакладная.txt");
  const QString goods = QStringLiteral("Справочники/Товары.txt");
  const QString saleModule = QStringLiteral("Документы/РасходнаяНакладная.модуль.txt");
  const QList<Change> changes = {
      {"a changed module",
       [&](ConfigFiles& f) { f[saleModule] += "' Проверено ревизором\n"; },
       {QStringLiteral("* Документ.РасходнаяНакладная (изменен)"), QStringLiteral("  модуль:"),
        QStringLiteral("    +' Проверено ревизором")},
       [](ConfigFilesDemoTest& t, storage::Session& db) {
         EXPECT_TRUE(
             config::readModule(db, ObjectKind::Document, QStringLiteral("РасходнаяНакладная"))
                 ->endsWith(QStringLiteral("' Проверено ревизором\r\n")));
         // A module changes no table: nothing was rebuilt for it.
         EXPECT_EQ(t.schemaVersion(), t.schemaBefore);
       }},
      {"an added requisite",
       [&](ConfigFiles& f) {
         f[goods].replace("  Цена: Число.Сумма\n", "  Цена: Число.Сумма\n  Примечание: Текст\n");
       },
       {QStringLiteral("  реквизит «Примечание» добавлен: Текст"),
        QStringLiteral("  в таблицу «items_Справочник_Товары» будут добавлены поля «Примечание»")},
       [](ConfigFilesDemoTest& t, storage::Session& db) {
         EXPECT_TRUE(db.columns(config::catalogTable(QStringLiteral("Товары")))
                         .contains(QStringLiteral("Примечание")));
         EXPECT_GT(t.rows(QStringLiteral("SELECT COUNT(*) FROM items_Справочник_Товары "
                                         "WHERE Наименование<>''")),
                   0);
       }},
      {"a removed catalog",
       [](ConfigFiles& f) {
         f.remove(QStringLiteral("Справочники/Склады.txt"));
         f.remove(QStringLiteral("Справочники/Склады.форма.txt"));
       },
       {QStringLiteral("- Справочник.Склады (удален)"),
        QStringLiteral("  будет удалена таблица «items_Справочник_Склады» (записей: "),
        QStringLiteral("ссылаются реквизиты «Документ.ПриходнаяНакладная.Склад», "
                       "«Документ.РасходнаяНакладная.Склад»")},
       [](ConfigFilesDemoTest&, storage::Session& db) {
         EXPECT_FALSE(db.tableExists(config::catalogTable(QStringLiteral("Склады"))));
         EXPECT_FALSE(config::readFormItemRow(db, ObjectKind::Catalog, QStringLiteral("Склады")));
       }},
      {"a document bound to another journal",
       [&](ConfigFiles& f) { f[receipt].replace("журнал: Склад\n", "журнал: Полный\n"); },
       {QStringLiteral("  журнал: «Склад» → «Полный»")},
       [](ConfigFilesDemoTest&, storage::Session& db) {
         EXPECT_EQ(
             config::readDefinition(db, ObjectKind::Document, QStringLiteral("ПриходнаяНакладная"))
                 ->journal,
             config::kFullJournalName);
       }},
  };
  const ConfigFiles original = exported();
  for (const Change& change : changes) {
    SCOPED_TRACE(change.name);
    m_db.reset();
    QFile::remove(m_dir.filePath(QStringLiteral("copy.mdb")));
    SetUp();
    ConfigFiles files = original;
    change.edit(files);
    const ConfigTree tree = parseConfigFiles(files);
    const ImportPlan plan = planImport(*m_db, tree);
    const QString shown = plan.lines().join(u'\n');
    for (const QString& line : change.shown) EXPECT_TRUE(Contains(shown, line));
    EXPECT_EQ(plan.diff.objects.size(), 1);
    schemaBefore = schemaVersion();
    applyImport(*m_db, tree, plan, true);
    change.check(*this, *m_db);
    EXPECT_EQ(exported(), files);
  }
}

TEST_F(ConfigFilesDemoTest, ARemovalThatDropsRowsNeedsConsent) {
  ConfigFiles files = exported();
  files.remove(QStringLiteral("Справочники/Контрагенты.txt"));
  files.remove(QStringLiteral("Справочники/Контрагенты.форма.txt"));
  const ConfigTree tree = parseConfigFiles(files);
  const ImportPlan plan = planImport(*m_db, tree);
  EXPECT_TRUE(plan.losesData);
  EXPECT_THROW(applyImport(*m_db, tree, plan, false), storage::DbError);
  EXPECT_TRUE(m_db->tableExists(config::catalogTable(QStringLiteral("Контрагенты"))));
}

TEST_F(ConfigFilesDemoTest, AFailureInTheMiddleLeavesTheDatabaseAsItWas) {
  ConfigFiles files = exported();
  files[QStringLiteral("Справочники/Товары.txt")].replace("  Цена: Число.Сумма\n",
                                                          "  Цена: Число.Сумма\n  Вес: Число\n");
  files[QStringLiteral("Документы/ПриходнаяНакладная.модуль.txt")] += "' новая строка\n";
  files.remove(QStringLiteral("Справочники/Склады.txt"));
  files.remove(QStringLiteral("Справочники/Склады.форма.txt"));
  // Reports are stored last: the new one fails after everything else has been written.
  files[QStringLiteral("Отчеты/Ломкий.txt")] = "формат: 1\nвид: Отчет\nимя: Ломкий\nменю: Ломкий\n";
  const ConfigTree tree = parseConfigFiles(files);
  const ImportPlan plan = planImport(*m_db, tree);
  const ConfigFiles before = exported();
  const int goods = rows(QStringLiteral("SELECT COUNT(*) FROM items_Справочник_Товары"));
  // Only the new report's row is refused: every other write goes through first.
  ASSERT_EQ(sqlite3_exec(m_db->handle(),
                         "CREATE TRIGGER fail_writes BEFORE INSERT ON form_items WHEN "
                         "NEW.name='Ломкий' BEGIN SELECT RAISE(ABORT, 'диск переполнен'); END",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  EXPECT_THROW(applyImport(*m_db, tree, plan, true), storage::DbError);
  EXPECT_EQ(exported(), before);
  EXPECT_EQ(rows(QStringLiteral("SELECT COUNT(*) FROM items_Справочник_Товары")), goods);
  EXPECT_TRUE(m_db->tableExists(config::catalogTable(QStringLiteral("Склады"))));
}

}  // namespace
}  // namespace balvix::documents
