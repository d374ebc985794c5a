#include <QAction>
#include <QMenu>
#include <QTreeWidget>

#include "shell_fixture.h"

using namespace balvix;

namespace {

QTreeWidgetItem* findNode(QTreeWidget* tree, const QString& text) {
  const auto found = tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
  return found.isEmpty() ? nullptr : found.first();
}

QStringList childTexts(QTreeWidgetItem* item) {
  QStringList texts;
  for (int i = 0; i < item->childCount(); ++i) texts << item->child(i)->text(0);
  return texts;
}

}  // namespace

TEST_F(ShellTest, TreeListsFixedNodesGroupsAndObjectsInOrder) {
  addObject(QStringLiteral("Справочник"), QStringLiteral("Товары"));
  addObject(QStringLiteral("Справочник"), QStringLiteral("Клиенты"));
  addObject(QStringLiteral("Документ"), QStringLiteral("Приход"));
  m_main->BuildConfigTree();
  QTreeWidget* tree = m_main->configTree();
  ASSERT_EQ(tree->topLevelItemCount(), 1);
  QTreeWidgetItem* root = tree->topLevelItem(0);
  EXPECT_EQ(root->text(0), QStringLiteral("Описание форм:"));
  EXPECT_EQ(childTexts(root),
            (QStringList{"Глобальный модуль", "Константы", "План счетов", "Документы",
                         "Справочники", "Журналы", "Перечисления", "Регистры", "Отчеты"}));
  // The new-object node first, then the objects in the order the query returns them.
  QStringList catalogs = childTexts(findNode(tree, QStringLiteral("Справочники")));
  ASSERT_EQ(catalogs.size(), 3);
  EXPECT_EQ(catalogs.takeFirst(), QStringLiteral("Справочник.Новый"));
  catalogs.sort();
  EXPECT_EQ(catalogs, (QStringList{"Справочник.Клиенты", "Справочник.Товары"}));
  EXPECT_EQ(childTexts(findNode(tree, QStringLiteral("Журналы"))),
            (QStringList{"Журнал.Новый", "Журнал.Полный"}));
  // A kind with no objects shows only its new-object node.
  EXPECT_EQ(childTexts(findNode(tree, QStringLiteral("Регистры"))), QStringList{"Регистр.Новый"});
  // Only the document group is open after a fresh build.
  EXPECT_TRUE(root->isExpanded());
  EXPECT_FALSE(findNode(tree, QStringLiteral("Справочники"))->isExpanded());
  EXPECT_EQ(findNode(tree, QStringLiteral("Регистры"))->data(0, Qt::UserRole).toInt(), 10);
}

TEST_F(ShellTest, NodeClickSetsCurrentObjectAndMenuStates) {
  addObject(QStringLiteral("Справочник"), QStringLiteral("Товары"));
  m_main->BuildConfigTree();
  QTreeWidget* tree = m_main->configTree();
  EXPECT_FALSE(m_main->actionsMenu()->isEnabled());

  m_main->configNodeClicked(findNode(tree, QStringLiteral("Справочник.Товары")), false);
  EXPECT_EQ(m_state.currentObjectType, QStringLiteral("Справочник"));
  EXPECT_EQ(m_state.currentObjectName, QStringLiteral("Товары"));
  EXPECT_TRUE(m_state.objectNodeSelected);
  EXPECT_TRUE(m_main->actionsMenu()->isEnabled());
  EXPECT_TRUE(m_main->openAction()->isEnabled());
  EXPECT_TRUE(m_main->deleteAction()->isEnabled());

  m_main->configNodeClicked(findNode(tree, QStringLiteral("Документ.Новый")), false);
  EXPECT_TRUE(m_main->openAction()->isEnabled());
  EXPECT_FALSE(m_main->deleteAction()->isEnabled());

  m_main->configNodeClicked(findNode(tree, QStringLiteral("Журнал.Полный")), false);
  EXPECT_FALSE(m_main->openAction()->isEnabled());
  EXPECT_FALSE(m_main->deleteAction()->isEnabled());

  // A fixed node after Полный: the last object's name still decides the items.
  m_main->configNodeClicked(findNode(tree, QStringLiteral("Константы")), false);
  EXPECT_FALSE(m_state.objectNodeSelected);
  EXPECT_FALSE(m_main->actionsMenu()->isEnabled());
  EXPECT_FALSE(m_main->openAction()->isEnabled());
  EXPECT_FALSE(m_main->deleteAction()->isEnabled());
  EXPECT_EQ(m_state.currentObjectName, QStringLiteral("Полный"));
  EXPECT_EQ(m_state.selectedConfigNode, QStringLiteral("Константы"));
}

TEST_F(ShellTest, RebuildReopensTheGroupOfTheSelectedKindOnly) {
  addObject(QStringLiteral("Справочник"), QStringLiteral("Товары"));
  m_main->BuildConfigTree();
  m_main->configNodeClicked(findNode(m_main->configTree(), QStringLiteral("Справочник.Товары")),
                            false);
  addObject(QStringLiteral("Справочник"), QStringLiteral("Склады"));
  m_main->BuildConfigTree();
  QTreeWidget* tree = m_main->configTree();
  EXPECT_TRUE(findNode(tree, QStringLiteral("Справочники"))->isExpanded());
  EXPECT_NE(findNode(tree, QStringLiteral("Справочник.Склады")), nullptr);
  EXPECT_FALSE(findNode(tree, QStringLiteral("Отчеты"))->isExpanded());
  // The shared selection survives the rebuild.
  EXPECT_EQ(m_state.currentObjectName, QStringLiteral("Товары"));

  // A fixed node selected: no group but Документы is open.
  m_main->configNodeClicked(findNode(tree, QStringLiteral("План счетов")), false);
  m_main->BuildConfigTree();
  EXPECT_FALSE(findNode(m_main->configTree(), QStringLiteral("Справочники"))->isExpanded());
}

TEST_F(ShellTest, DoubleClickOpensNothingForFullJournalAndFixedNodes) {
  m_main->BuildConfigTree();
  QTreeWidget* tree = m_main->configTree();
  m_main->configNodeClicked(findNode(tree, QStringLiteral("Журнал.Полный")), false);
  m_main->configNodeDoubleClicked();  // no window provider: must simply do nothing
  m_main->configNodeClicked(findNode(tree, QStringLiteral("Константы")), false);
  m_main->configNodeDoubleClicked();
  EXPECT_TRUE(m_messages.messages().empty());
  m_main->configNodeClicked(findNode(tree, QStringLiteral("Глобальный модуль")), false);
  m_main->configNodeDoubleClicked();
  EXPECT_EQ(m_state.currentObjectType, QStringLiteral("Глобальный модуль"));
}

TEST_F(ShellTest, StructurePanelRebuildsTreeEachTimeItOpens) {
  m_main->toggleStructurePanel();
  EXPECT_TRUE(m_main->structurePanelAction()->isChecked());
  EXPECT_NE(findNode(m_main->configTree(), QStringLiteral("Журнал.Полный")), nullptr);
  m_main->toggleStructurePanel();
  EXPECT_FALSE(m_main->structurePanelAction()->isChecked());
  addObject(QStringLiteral("Отчет"), QStringLiteral("Итоги"));
  m_main->toggleStructurePanel();
  EXPECT_NE(findNode(m_main->configTree(), QStringLiteral("Отчет.Итоги")), nullptr);
}

TEST_F(ShellTest, HelpTreeGroupsConsecutiveClassesAndShowsDescriptions) {
  m_db->execute(QStringLiteral("DELETE FROM ОписаниеЯзыка"));
  const char* rows[][3] = {{"Альфа", "Один", "Первый."},
                           {"Альфа", "Два", nullptr},
                           {"Бета", "Три", "Третий."},
                           {"Альфа", "Четыре", "Четвертый."}};
  for (const auto& r : rows) {
    m_db->execute(QStringLiteral("INSERT INTO ОписаниеЯзыка (класс,значение,описание) VALUES (") +
                  storage::quote(QString::fromUtf8(r[0])) + QLatin1Char(',') +
                  storage::quote(QString::fromUtf8(r[1])) + QLatin1Char(',') +
                  (r[2] ? storage::quote(QString::fromUtf8(r[2])) : QStringLiteral("NULL")) +
                  QLatin1Char(')'));
  }
  m_main->BuildHelpList();
  QTreeWidgetItem* root = m_main->helpTree()->topLevelItem(0);
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->text(0), QStringLiteral("Описание объектов:"));
  // A class that comes back after another class gets a second node.
  EXPECT_EQ(childTexts(root), (QStringList{"Альфа", "Бета", "Альфа"}));
  EXPECT_EQ(childTexts(root->child(0)), (QStringList{"Один", "Два"}));

  m_main->helpNodeClicked(root->child(0)->child(0));
  EXPECT_EQ(m_main->helpDescription(), QStringLiteral("Первый."));
  m_main->helpNodeClicked(root->child(0)->child(1));
  EXPECT_EQ(m_main->helpDescription(), QStringLiteral("нет описания!"));
  // Class nodes and the root change nothing.
  m_main->helpNodeClicked(root->child(1));
  EXPECT_EQ(m_main->helpDescription(), QStringLiteral("нет описания!"));
}

TEST_F(ShellTest, HelpTreeOfANewDatabaseDescribesEveryKeyword) {
  m_main->BuildHelpList();
  QTreeWidget* tree = m_main->helpTree();
  for (const char* keyword :
       {"Процедура", "КонецПроцедуры", "Если", "Далее", "Перем", "Сообщить"}) {
    QTreeWidgetItem* node = findNode(tree, QString::fromUtf8(keyword));
    ASSERT_NE(node, nullptr) << keyword;
    m_main->helpNodeClicked(node);
    EXPECT_GT(m_main->helpDescription().size(), 20) << keyword;
    EXPECT_NE(m_main->helpDescription(), QStringLiteral("нет описания!")) << keyword;
  }
}

TEST_F(ShellTest, HelpQueryKeepsApostrophesInNames) {
  m_db->execute(
      QStringLiteral("INSERT INTO ОписаниеЯзыка (класс,значение,описание) VALUES "
                     "('Кл''асс','Чл''ен','Работает.')"));
  m_main->BuildHelpList();
  QTreeWidgetItem* node = findNode(m_main->helpTree(), QStringLiteral("Чл'ен"));
  ASSERT_NE(node, nullptr);
  m_main->helpNodeClicked(node);
  EXPECT_EQ(m_main->helpDescription(), QStringLiteral("Работает."));
}
