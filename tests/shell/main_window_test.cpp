#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QMenuBar>
#include <QProcess>
#include <QScreen>
#include <QSettings>
#include <QToolBar>

#include "shell/startup.h"
#include "shell/twips.h"
#include "shell_fixture.h"
#include "storage/table_indexes.h"

using namespace balvix;

namespace {

// The main window's settings group.
struct Settings : QSettings {
  Settings() : QSettings(QStringLiteral("Balvix"), QStringLiteral("Balvix")) {
    beginGroup(QStringLiteral("Setting"));
  }
};

}  // namespace

TEST_F(ShellTest, MenuBarHasTheDocumentedMenusAndItems) {
  QStringList titles;
  for (QAction* a : m_main->menuBar()->actions()) titles << a->text().remove(QLatin1Char('&'));
  EXPECT_EQ(titles, (QStringList{"Операции", "Справочники", "Документы", "Журналы", "Отчеты",
                                 "Сервис", "Окна", "Помощь"}));
  for (const char* name :
       {"mnuNew", "mnuOpenFile", "mnuPlan", "mnuConfig", "mnuLanguage", "mnuOpen", "mnuDel",
        "mnuClose", "mnuCalculator", "mnuBloknot", "mnuCalendar", "mnuSettings", "mnuKillProvodka",
        "mnuDelItem", "mnuNewNameItem"})
    EXPECT_NE(m_main->findChild<QAction*>(QString::fromUtf8(name)), nullptr) << name;
  EXPECT_EQ(m_main->findChild<QAction*>(QStringLiteral("mnuKillProvodka"))->text(),
            QStringLiteral("Сделать не проведенным"));
  EXPECT_FALSE(m_main->actionsMenu()->isEnabled());
  EXPECT_FALSE(m_main->moduleButton()->isEnabled());
  EXPECT_EQ(m_main->statusText(), QStringLiteral("Для получения подсказки нажмите F1"));
}

TEST_F(ShellTest, PaletteButtonsChooseTheControlType) {
  const QList<QAction*> buttons = m_main->palette()->actions();
  ASSERT_EQ(buttons.size(), 9);
  const QStringList expected{"", "Надпись", "Текст", "Кнопка", "Флажок", "Выбор", "", "", ""};
  for (int i = 0; i < 9; ++i) {
    m_state.pendingControlType = QStringLiteral("прежний");
    buttons[i]->trigger();
    EXPECT_EQ(m_state.pendingControlType, expected[i]) << "button " << i + 1;
  }
}

TEST_F(ShellTest, FirstRunOpensAtDesignSizeAndMaximisedStateComesBack) {
  Settings().remove(QString());
  m_main->load();
  EXPECT_NEAR(shell::pixelsToTwips(m_main->width()), shell::frmMain::kDesignWidth, 30);
  EXPECT_FALSE(m_main->isMaximized());
  m_main->showMaximized();
  m_main->close();
  EXPECT_EQ(Settings().value(QStringLiteral("FormMainState")).toString(), QStringLiteral("2"));
  EXPECT_FALSE(Settings().value(QStringLiteral("FormMainWidth")).toString().isEmpty());

  shell::AppState state;
  state.db = m_db.get();
  shell::frmMain again(state);
  again.load();
  EXPECT_TRUE(again.windowState() & Qt::WindowMaximized);
}

TEST_F(ShellTest, NonNumericSettingsFallBackToDefaults) {
  Settings().setValue(QStringLiteral("FormMainWidth"), QStringLiteral("широкое"));
  Settings().setValue(QStringLiteral("FormMainState"), QStringLiteral("x"));
  m_main->load();
  EXPECT_NEAR(shell::pixelsToTwips(m_main->width()), shell::frmMain::kDesignWidth, 30);
  EXPECT_FALSE(m_main->isMaximized());
}

TEST_F(ShellTest, ModuleButtonNeverStoresEmptyCodeOverExistingCode) {
  addObject(QStringLiteral("Документ"), QStringLiteral("Приход"));
  m_db->execute(QStringLiteral("UPDATE form_items SET code='sub MAIN' WHERE name='Приход'"));
  m_state.moduleEditorOpen = true;
  m_state.currentObjectType = QStringLiteral("Документ");
  m_state.currentObjectName = QStringLiteral("Приход");
  QString text = QStringLiteral("  \r\n");
  m_main->setModuleTextSource([&text] { return text; });
  m_main->storeModuleCode();
  auto rs = m_db->openRecordset(QStringLiteral("SELECT code FROM form_items WHERE name='Приход'"));
  EXPECT_EQ(rs.text(0), QStringLiteral("sub MAIN"));
  EXPECT_EQ(m_messages.messages().size(), 1u);

  text = QStringLiteral("sub MAIN\r\n' это комментарий\r\nend sub\r\n");
  m_main->storeModuleCode();
  rs = m_db->openRecordset(QStringLiteral("SELECT code FROM form_items WHERE name='Приход'"));
  EXPECT_EQ(rs.text(0), text);

  m_state.currentObjectType = QStringLiteral("Глобальный модуль");
  m_main->storeModuleCode();
  rs = m_db->openRecordset(QStringLiteral("SELECT код FROM ГлобальныйМодуль"));
  EXPECT_EQ(rs.text(0), text);
}

TEST_F(ShellTest, CenterFormKeepsWindowsTooLargeForTheAreaInView) {
  m_main->resize(800, 600);
  m_main->show();
  QWidget child;
  m_main->addChildWindow(&child);
  child.parentWidget()->resize(4000, 4000);
  shell::CenterForm(m_state, &child);
  EXPECT_EQ(child.parentWidget()->pos(), QPoint(0, 0));
  child.parentWidget()->resize(200, 100);
  shell::CenterForm(m_state, &child);
  EXPECT_GT(child.parentWidget()->x(), 0);
  EXPECT_GT(child.parentWidget()->y(), 0);
  child.setParent(nullptr);

  // A top-level window wider than the main window stays on the screen.
  QWidget wide;
  wide.resize(m_main->screen()->availableGeometry().width() + 200, 300);
  wide.show();
  shell::CenterForm(m_state, &wide);
  EXPECT_GE(wide.x(), m_main->screen()->availableGeometry().left());
}

TEST_F(ShellTest, SplashShowsBothStartupTextsAndClosesWhenTheMainWindowLoads) {
  auto* splash = new shell::frmSplash;
  splash->setAttribute(Qt::WA_DeleteOnClose);
  QPointer<shell::frmSplash> watch(splash);
  splash->show();
  QString error;
  auto db = shell::openDatabaseAtStartup(splash, m_db->path(), &error);
  ASSERT_TRUE(db) << error.toStdString();
  EXPECT_EQ(splash->status(), QStringLiteral("Открытие базы данных..."));
  m_main->setSplash(splash);
  m_main->BuildMenus();
  EXPECT_EQ(splash->status(), QStringLiteral("Построение списка меню..."));
  m_main->load();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(watch.isNull() || !watch->isVisible());
  EXPECT_TRUE(m_main->isVisible());
}

TEST_F(ShellTest, StartupReportsAMissingFileByName) {
  QString error;
  const QString path = m_dir.filePath(QStringLiteral("нет-такой.mdb"));
  EXPECT_EQ(shell::openDatabaseAtStartup(nullptr, path, &error), nullptr);
  EXPECT_TRUE(Contains(error, QStringLiteral("нет-такой.mdb")));
  EXPECT_FALSE(QFile::exists(path));
}

TEST_F(ShellTest, StartupGivesAnOlderDatabaseKeyIndexesNumbersAndRegisterTotals) {
  m_db->execute(QStringLiteral("DROP INDEX idx_itogi"));
  m_db->execute(
      QStringLiteral("CREATE TABLE items_Документ_Приход(Наименование TEXT(50),cDATE TEXT(10),"
                     "cTIME TEXT(10),Проводка TEXT(10))"));
  m_db->execute(
      QStringLiteral("INSERT INTO items_Документ_Приход VALUES ('Б','02.01.2026',"
                     "'10:00:00','1'),('А','01.02.2025','10:00:00','1')"));
  m_db->execute(
      QStringLiteral("CREATE TABLE items_Регистр_Остатки(Товар TEXT(50),Количество "
                     "TEXT(50),cDATE TEXT(10),cTIME TEXT(10),Документ TEXT(50),Флаг "
                     "TEXT(5))"));
  m_db->execute(
      QStringLiteral("INSERT INTO items_Регистр_Остатки VALUES "
                     "('Стол','5','02.01.2026','','Д','+'),('Стол','2','03.01.2026','',"
                     "'Д','-')"));
  const QString path = m_db->path();
  m_main.reset();
  m_state.db = nullptr;
  m_db.reset();
  QString error;
  auto db = shell::openDatabaseAtStartup(nullptr, path, &error);
  ASSERT_TRUE(db) << error.toStdString();
  const QStringList key = {"cDATE", "cTIME"};
  EXPECT_TRUE(storage::hasIndexOn(*db, QStringLiteral("itogi"), key));
  EXPECT_TRUE(storage::hasIndexOn(*db, QStringLiteral("items_Документ_Приход"), key));
  EXPECT_EQ(balvix::testing::firstText(
                *db, QStringLiteral("SELECT group_concat(Наименование || Номер) FROM "
                                    "items_Документ_Приход")),
            QStringLiteral("Б1,А1"));
  // The register gets its monthly totals.
  EXPECT_EQ(balvix::testing::firstText(*db, QStringLiteral("SELECT ИтогМесяц||':'||(ИтогПриход-"
                                                           "ИтогРасход) FROM "
                                                           "totals_Регистр_Остатки")),
            QStringLiteral("202601:3.0"));
  EXPECT_TRUE(m_messages.messages().empty());
}
