#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTreeWidget>

#include "shell/help_windows.h"
#include "shell_fixture.h"

using namespace balvix;

namespace {

QStringList itemTexts(QMenu* menu) {
  QStringList out;
  for (QAction* a : menu->actions())
    if (!a->isSeparator()) out << a->text();
  return out;
}

}  // namespace

TEST_F(ShellTest, HelpMenuOffersTheGuideTheLanguageAndAbout) {
  EXPECT_EQ(
      itemTexts(m_main->helpMenu()),
      (QStringList{"Руководство пользователя", "Справка по встроенному языку", "О программе"}));
  m_main->findChild<QAction*>(QStringLiteral("mnuAbout"))->trigger();
  ASSERT_EQ(m_messages.messages().size(), 1u);
  EXPECT_EQ(m_messages.messages().back().title, QStringLiteral("О программе"));
  const QString about = m_messages.last();
  EXPECT_TRUE(about.contains(QStringLiteral("Версия "))) << about.toStdString();
  EXPECT_TRUE(about.contains(QFileInfo(m_db->path()).fileName())) << about.toStdString();
  EXPECT_TRUE(about.contains(QStringLiteral("Размер: "))) << about.toStdString();

  m_main->findChild<QAction*>(QStringLiteral("mnuLanguageHelp"))->trigger();
  shell::LanguageHelpWindow* language = m_main->findChild<shell::LanguageHelpWindow*>();
  ASSERT_TRUE(language && language->isVisible());
  QTreeWidget* tree = language->tree();
  ASSERT_GT(tree->topLevelItemCount(), 0);
  ASSERT_GT(tree->topLevelItem(0)->childCount(), 0);
  tree->setCurrentItem(tree->topLevelItem(0)->child(0));
  EXPECT_FALSE(language->description().isEmpty());
  EXPECT_EQ(tree->accessibleName(), QStringLiteral("Встроенный язык"));
}

TEST_F(ShellTest, F1OpensTheCompiledGuideWithItsPicturesContentsAndSearch) {
  m_main->show();
  m_main->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(m_main.get()));
  m_main->configTree()->setFocus();
  QTest::keyClick(m_main.get(), Qt::Key_F1);
  auto* guide = m_main->findChild<shell::GuideWindow*>();
  ASSERT_TRUE(guide && guide->isVisible());
  EXPECT_EQ(guide->currentSection(), QStringLiteral("Режим конфигурации"));
  EXPECT_EQ(guide->contents()->currentItem()->text(0), QStringLiteral("Режим конфигурации"));
  for (const char* heading : {"1. Справочник", "Выбор в ячейках таблицы (F4)", "Номера документов",
                              "Печать", "Отмена проведения и удаление",
                              "Резервная копия и восстановление", "Если модуль сообщает об ошибке"})
    EXPECT_FALSE(guide->contents()
                     ->findItems(QString::fromUtf8(heading), Qt::MatchExactly | Qt::MatchRecursive)
                     .isEmpty())
        << heading;
  // The pictures come from the program itself.
  const QVariant picture = guide->browser()->document()->resource(
      QTextDocument::ImageResource, QUrl(QStringLiteral("images/05-zhurnal-sklad.png")));
  EXPECT_TRUE(picture.isValid());
  EXPECT_TRUE(guide->find(QStringLiteral("Ctrl+G")));
  EXPECT_FALSE(guide->find(QStringLiteral("нет такого текста в руководстве")));
  for (QWidget* w :
       {static_cast<QWidget*>(guide->searchField()), static_cast<QWidget*>(guide->contents()),
        static_cast<QWidget*>(guide->browser())})
    EXPECT_FALSE(w->accessibleName().isEmpty());

  guide->close();
  EXPECT_EQ(QApplication::focusWidget(), m_main->configTree());
}

TEST_F(ShellTest, EveryWindowKindHasAGuideSection) {
  const struct {
    const char* window;
    const char* heading;
  } cases[] = {{"frmUniDoc", "3. Ввод и проведение"},
               {"frmZurnal", "4. Журнал"},
               {"frmRepDialog", "5. Отчет"},
               {"frmEdit", "Если модуль сообщает об ошибке"},
               {"НетТакогоОкна", "Balvix: руководство пользователя"}};
  shell::GuideWindow* guide = m_main->showGuide();
  for (const auto& c : cases) {
    const QString heading = shell::GuideWindow::sectionFor(QString::fromUtf8(c.window));
    EXPECT_EQ(heading, QString::fromUtf8(c.heading)) << c.window;
    EXPECT_TRUE(guide->showSection(heading)) << c.heading;
    EXPECT_EQ(guide->currentSection(), heading);
  }
}
