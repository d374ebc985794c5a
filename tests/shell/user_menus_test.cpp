#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QToolButton>

#include "shell/window_bar.h"
#include "shell/window_provider.h"
#include "shell_fixture.h"

using namespace balvix;

namespace {

QStringList captions(const std::vector<QAction*>& items) {
  QStringList list;
  for (QAction* a : items) list << a->text();
  return list;
}

// Hands out plain widgets for the runtime window classes and counts them.
class FakeWindows : public shell::WindowProvider {
 public:
  QWidget* sharedWindow(const QString&) override { return nullptr; }
  QWidget* newWindow(const QString& className) override {
    created << className;
    auto* w = new QWidget;
    if (className == QLatin1String("frmSprList"))
      w->setWindowTitle(QStringLiteral("Справочник.") + catalog);
    return w;
  }
  QStringList created;
  QString catalog;
};

}  // namespace

TEST_F(ShellTest, MenusListObjectsOfEachKindWithTemplateItemFirst) {
  // Without the chart of accounts' report, which every new database has.
  m_state.db->execute(QStringLiteral("DELETE FROM form_items WHERE type='Отчет'"));
  addObject(QStringLiteral("Справочник"), QStringLiteral("Товары"),
            QStringLiteral("Товары и услуги"));
  addObject(QStringLiteral("Справочник"), QStringLiteral("Клиенты"), QStringLiteral("Клиенты"));
  addObject(QStringLiteral("Документ"), QStringLiteral("Приход"),
            QStringLiteral("Приходная накладная"));
  m_main->BuildMenus();
  QStringList catalogs = captions(m_main->userMenuItems(0));
  catalogs.sort();
  EXPECT_EQ(catalogs, (QStringList{"Клиенты", "Товары и услуги"}));
  for (QAction* item : m_main->userMenuItems(0))
    EXPECT_EQ(item->data().toString(), item->text() == QStringLiteral("Клиенты")
                                           ? QStringLiteral("Клиенты")
                                           : QStringLiteral("Товары"));
  EXPECT_EQ(captions(m_main->userMenuItems(1)), QStringList{"Приходная накладная"});
  // The full journal comes with every database; reports: none, one empty item.
  EXPECT_EQ(m_main->userMenuItems(2).size(), 1u);
  EXPECT_EQ(m_main->userMenuItems(2)[0]->data().toString(), QStringLiteral("Полный"));
  ASSERT_EQ(m_main->userMenuItems(3).size(), 1u);
  EXPECT_TRUE(m_main->userMenuItems(3)[0]->text().isEmpty());
  EXPECT_TRUE(m_main->userMenuItems(3)[0]->data().toString().isEmpty());

  // Choosing the empty item does nothing at all.
  m_main->reportClicked(0);
  EXPECT_TRUE(m_messages.messages().empty());
  EXPECT_TRUE(m_state.currentObjectType.isEmpty());

  // Deleting the last catalog and rebuilding leaves no stale items anywhere.
  m_db->execute(
      QStringLiteral("DELETE FROM form_items WHERE type='Справочник' AND name='Клиенты'"));
  m_main->BuildMenus();
  EXPECT_EQ(captions(m_main->userMenuItems(0)), QStringList{"Товары и услуги"});
  m_db->execute(QStringLiteral("DELETE FROM form_items"));
  m_main->BuildMenus();
  for (int kind = 0; kind < 4; ++kind) {
    ASSERT_EQ(m_main->userMenuItems(kind).size(), 1u);
    EXPECT_TRUE(m_main->userMenuItems(kind)[0]->text().isEmpty());
  }
}

TEST_F(ShellTest, MenusSurviveAMissingFormItemsTable) {
  m_db->execute(QStringLiteral("DROP TABLE form_items"));
  m_main->BuildMenus();
  for (int kind = 0; kind < 4; ++kind) EXPECT_EQ(m_main->userMenuItems(kind).size(), 1u);
}

TEST_F(ShellTest, ConfigurationModeRefusesToOpenRuntimeWindows) {
  FakeWindows windows;
  m_state.windows = &windows;
  addObject(QStringLiteral("Документ"), QStringLiteral("Приход"));
  m_main->BuildMenus();
  m_main->setConfigurationMode(true);
  m_main->documentClicked(0);
  EXPECT_EQ(m_messages.texts(), QStringList{"Режим конфигурирования"});
  EXPECT_TRUE(windows.created.isEmpty());
  EXPECT_TRUE(m_state.currentObjectName.isEmpty());
}

TEST_F(ShellTest, MenuClicksSetSharedStateAndOpenOneWindowPerCaption) {
  FakeWindows windows;
  windows.catalog = QStringLiteral("Товары");
  m_state.windows = &windows;
  addObject(QStringLiteral("Справочник"), QStringLiteral("Товары"));
  addObject(QStringLiteral("Документ"), QStringLiteral("Приход"));
  addObject(QStringLiteral("Отчет"), QStringLiteral("Итоги"));
  m_main->BuildMenus();

  m_main->documentClicked(0);
  EXPECT_EQ(m_state.currentObjectType, QStringLiteral("Документ"));
  EXPECT_EQ(m_state.currentObjectName, QStringLiteral("Приход"));
  ASSERT_TRUE(m_state.documentWindow);
  EXPECT_EQ(m_state.documentWindow->windowTitle(), QStringLiteral("Приход (новый)"));
  // The same document kind again while its new form is open: nothing happens.
  m_main->documentClicked(0);
  EXPECT_EQ(windows.created, QStringList{"frmUniDoc"});

  m_main->spravkaClicked(0);
  EXPECT_EQ(m_state.contextFormKind, QStringLiteral("spr"));
  EXPECT_TRUE(m_state.currentElementName.isEmpty());
  m_main->spravkaClicked(0);
  m_main->journalClicked(0);
  EXPECT_EQ(m_state.contextFormKind, QStringLiteral("zur"));
  EXPECT_EQ(m_state.currentObjectName, QStringLiteral("Полный"));
  m_main->reportClicked(0);
  EXPECT_EQ(m_state.reportWindow->windowTitle(), QStringLiteral("Отчет.Итоги"));
  EXPECT_EQ(windows.created, (QStringList{"frmUniDoc", "frmSprList", "frmZurnal", "frmReport"}));
  EXPECT_EQ(m_main->mdiArea()->subWindowList().size(), 4);
}

TEST(WindowBar, CaptionsAreShortenedFromTwentyCharacters) {
  EXPECT_EQ(shell::WindowBar::shortCaption(QStringLiteral("Справочник.Товары12")),
            QStringLiteral("Справочник.Товары12"));  // 19 characters
  EXPECT_EQ(shell::WindowBar::shortCaption(QStringLiteral("Справочник.Товары123")),
            QStringLiteral("Справочник.Товар..."));  // 20 characters
}

TEST(WindowBar, ButtonsAreLaidOutAndReLaidOnUnload) {
  shell::WindowBar bar;
  bar.registerWindow(QStringLiteral("Справочник.А"), QStringLiteral("load"));
  bar.registerWindow(QStringLiteral("Справочник.Б"), QStringLiteral("load"));
  bar.registerWindow(QStringLiteral("Справочник.В"), QStringLiteral("load"));
  bar.registerWindow(QStringLiteral("Справочник.Б"), QStringLiteral("load"));  // already there
  EXPECT_EQ(bar.indexes(), (QList<int>{0, 1, 2, 3}));
  EXPECT_EQ(bar.leftTwips(0), -2000);
  EXPECT_EQ(bar.leftTwips(1), 0);
  EXPECT_EQ(bar.leftTwips(3), 4000);
  EXPECT_EQ(bar.button(2)->toolTip(), QStringLiteral("Справочник.Б"));

  bar.registerWindow(QStringLiteral("Справочник.Б"), QStringLiteral("unload"));
  EXPECT_EQ(bar.indexes(), (QList<int>{0, 1, 3}));
  EXPECT_EQ(bar.leftTwips(3), 2000);

  // New items take the highest index + 1 and land after the last one.
  bar.registerWindow(QStringLiteral("Справочник.Г"), QStringLiteral("load"));
  EXPECT_EQ(bar.indexes(), (QList<int>{0, 1, 3, 4}));
  EXPECT_EQ(bar.leftTwips(4), 4000);

  bar.registerWindow(QStringLiteral("Справочник.А"), QStringLiteral("active"));
  EXPECT_TRUE(bar.button(1)->isChecked());
  bar.registerWindow(QStringLiteral("Справочник.А"), QStringLiteral("inactive"));
  EXPECT_FALSE(bar.button(1)->isChecked());
  bar.registerWindow(QStringLiteral("Справочник.А"), QStringLiteral("перерисовать"));
  EXPECT_EQ(bar.indexes().size(), 4);
}

TEST_F(ShellTest, WindowBarButtonBringsItsWindowForward) {
  auto* first = new QWidget;
  first->setWindowTitle(QStringLiteral("Журнал.Полный"));
  auto* second = new QWidget;
  second->setWindowTitle(QStringLiteral("Отчет.Итоги"));
  m_main->addChildWindow(first);
  m_main->addChildWindow(second);
  m_main->WindowRegistry(QStringLiteral("Журнал.Полный"), QStringLiteral("load"));
  m_main->WindowRegistry(QStringLiteral("Отчет.Итоги"), QStringLiteral("load"));
  m_main->show();
  m_main->mdiArea()->setActiveSubWindow(m_main->mdiArea()->subWindowList().at(1));
  emit m_main->windowBar()->button(1)->pressed();
  ASSERT_NE(m_main->mdiArea()->activeSubWindow(), nullptr);
  EXPECT_EQ(m_main->mdiArea()->activeSubWindow()->widget(), first);
}
