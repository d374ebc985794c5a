#include "configurator/config_files_menu.h"

#include <QMenuBar>
#include <QPlainTextEdit>

#include "config/object_definition.h"
#include "documents/config_files.h"
#include "fixture.h"

namespace balvix::configurator::testing {
namespace {

class ConfigFilesMenuTest : public ConfiguratorTest {
 protected:
  ConfigFilesMenuTest() : m_menu(state, mainWindow()) {
    m_menu.chooseFolder = [this](const QString&) { return m_folder.path(); };
  }
  void trigger(const char* action) { m_menu.menu()->findChild<QAction*>(action)->trigger(); }
  frmConfigChanges* shownChanges() {
    return mainWindow()->findChild<frmConfigChanges*>(frmConfigChanges::kWindowName);
  }
  // The full journal's menu caption, edited in its file.
  void editJournalFile() {
    const QString file = m_folder.filePath(QStringLiteral("Журналы/Полный.txt"));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QByteArray text = f.readAll();
    f.close();
    text.replace("меню: Полный журнал", "меню: Все документы");
    balvix::testing::writeFile(file, text);
  }

  QTemporaryDir m_folder;
  ConfigFilesMenu m_menu;
};

TEST_F(ConfigFilesMenuTest, TheMenuExportsComparesAndLoadsAfterShowingTheChanges) {
  QStringList items;
  for (QAction* action : m_menu.menu()->actions()) items << action->text();
  EXPECT_EQ(items,
            QStringList({"Выгрузить в файлы…", "Загрузить из файлов…", "Сравнить с файлами…"}));
  EXPECT_EQ(m_menu.menu()->accessibleName(), QStringLiteral("Конфигурация"));
  EXPECT_TRUE(mainWindow()->menuBar()->actions().contains(m_menu.menu()->menuAction()));

  trigger("mnuExportConfig");
  EXPECT_TRUE(QFile::exists(m_folder.filePath(documents::kConfigRootFile)));
  editJournalFile();

  trigger("mnuCompareConfig");
  frmConfigChanges* compare = shownChanges();
  ASSERT_TRUE(compare);
  auto* text = child<QPlainTextEdit>(compare, "txtChanges");
  EXPECT_EQ(text->accessibleName(), QStringLiteral("Изменения конфигурации"));
  EXPECT_TRUE(
      Contains(text->toPlainText(), QStringLiteral("меню: «Полный журнал» → «Все документы»")));
  EXPECT_FALSE(child(compare, "cmdLoad")->isVisibleTo(compare));
  child(compare, "cmdClose")->click();
  processEvents();

  trigger("mnuImportConfig");
  frmConfigChanges* load = shownChanges();
  ASSERT_TRUE(load);
  EXPECT_EQ(config::readDefinition(*state.db, config::ObjectKind::Journal, config::kFullJournalName)
                ->description,
            QStringLiteral("Полный журнал"));
  child(load, "cmdLoad")->click();
  EXPECT_EQ(config::readDefinition(*state.db, config::ObjectKind::Journal, config::kFullJournalName)
                ->description,
            QStringLiteral("Все документы"));
  EXPECT_TRUE(Contains(messages.texts().join(u'|'), QStringLiteral("Конфигурация загружена")));
}

}  // namespace
}  // namespace balvix::configurator::testing
