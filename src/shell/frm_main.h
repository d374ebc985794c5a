#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <functional>
#include <vector>

#include "shell/app_state.h"
#include "shell/frm_splash.h"

class QAction;
class QMenu;
class QMdiArea;
class QMdiSubWindow;
class QTreeWidget;
class QTreeWidgetItem;
class QToolBar;
class QStatusBar;
class QLabel;
class QFrame;
class QWidget;
class QPlainTextEdit;
class QToolButton;
class QAbstractButton;

namespace balvix::shell {

class DatabaseWatch;

// The dynamic property by which a child window names itself in the «Окна» menu when its
// caption does not tell it from others (" Форма ввода..." of every report's dialog).
inline constexpr char kWindowMenuName[] = "windowMenuName";

class WindowBar;
class GuideWindow;
class LanguageHelpWindow;
class frmSplash;
class frmCalendar;
class frmSetting;
class DatabaseFiles;

// The main window: menus, toolbar, status bar, the structure and language panels, the
// window bar, and the multiple-document area the runtime windows open in.
class frmMain : public QMainWindow {
  Q_OBJECT

 public:
  // Who works with the database, and what other programs wrote to it.
  DatabaseWatch* databaseWatch() const { return m_watch; }
  explicit frmMain(AppState& state, QWidget* parent = nullptr);
  ~frmMain() override;

  AppState& state() { return m_state; }

  // The rest of start-up once the menus are built: restore the saved size and state,
  // close the splash window and show the main window.
  void load();
  void setSplash(frmSplash* splash) { m_splash = splash; }

  // Rebuild the configuration tree and the help tree from the database.
  void BuildConfigTree();
  void BuildHelpList();
  // Rebuild the four user menus from form_items.
  void BuildMenus();
  // Keeps the window bar in step with the runtime windows: action is "load",
  // "unload", "active" or "inactive".
  void WindowRegistry(const QString& caption, const QString& action);

  // The palette frame's enabled state is the configuration mode flag.
  bool configurationMode() const;
  void setConfigurationMode(bool on);

  // Toolbar button 4 (store module code) follows the module editor.
  void setModuleButtonEnabled(bool on);
  // Hook for toolbar button 4: returns the module editor's current text.
  void setModuleTextSource(std::function<QString()> source) {
    m_moduleTextSource = std::move(source);
  }
  // When the editor offers its own save (it knows which module it holds and clears its
  // unsaved marker), button 4 uses it instead of writing the text itself.
  void setModuleSaver(std::function<bool()> saver) { m_moduleSaver = std::move(saver); }

  // First panel of the status bar.
  void setStatusText(const QString& text);
  QString statusText() const;

  QMdiArea* mdiArea() const { return m_mdi; }
  // Adds a runtime window as a child of the multiple-document area and shows it.
  QMdiSubWindow* addChildWindow(QWidget* window);
  // Shows a window the factory made and brings it forward: a window of its own (a
  // designer) as it is, any other in the multiple-document area.
  void showRuntimeWindow(QWidget* window);
  // Size of the client area, in twips, as CenterForm uses it.
  QSize clientSizeTwips() const;

  // Inspection for tests and for the windows that cooperate with the main window.
  QTreeWidget* configTree() const { return m_configTree; }
  QTreeWidget* helpTree() const { return m_helpTree; }
  QString helpDescription() const;
  QMenu* actionsMenu() const { return m_mnuDo; }
  QAction* openAction() const { return m_mnuOpen; }
  QAction* deleteAction() const { return m_mnuDel; }
  QAction* structurePanelAction() const { return m_mnuConfig; }
  QAction* languagePanelAction() const { return m_mnuLanguage; }
  QAction* moduleButton() const { return m_moduleButton; }
  QToolBar* palette() const { return m_palette; }
  // The element menu of forms in layout design (mnuCont).
  QMenu* elementMenu() const { return m_mnuCont; }
  // The journal's pop-up menu (mnuOperators) and its "Сделать не проведенным".
  QMenu* operatorsMenu() const { return m_mnuOperators; }
  QAction* unpostAction() const { return m_mnuKillProvodka; }
  // "Удалить" and "Новое имя" of the element menu: act on ContextItemName of the form
  // that ContextFormKind names.
  void removeContextElement();
  void renameContextElement();
  WindowBar* windowBar() const { return m_windowBar; }
  const std::vector<QAction*>& userMenuItems(int kind) const { return m_userItems[kind]; }
  // Tree events as the user makes them (by mouse or keyboard).
  void configNodeClicked(QTreeWidgetItem* item, bool rightButton);
  void configNodeDoubleClicked();
  void openSelectedObject();
  void helpNodeClicked(QTreeWidgetItem* item);
  void toggleStructurePanel();
  void toggleLanguagePanel();
  void storeModuleCode();

  // Settings keys and defaults: exposed for tests.
  static constexpr double kDesignWidth = 10455;
  static constexpr double kDesignHeight = 7185;

  // Menu-click handlers of the user menus (index into the array); public for tests.
  void spravkaClicked(int index);
  void documentClicked(int index);
  void journalClicked(int index);
  void reportClicked(int index);

  // «Помощь»: the guide at a section (F1: the section of the active window), the
  // language help rows, and what the program and its database are.
  GuideWindow* showGuide(const QString& section = QString());
  GuideWindow* showGuideForActiveWindow();
  LanguageHelpWindow* showLanguageHelp();
  void showAbout();
  QMenu* helpMenu() const { return m_mnuHelp; }

  // «Открыть базу данных…», «Создать базу данных…» and the last databases.
  DatabaseFiles* databaseFiles() const { return m_databaseFiles; }

  // Program commands that start external tools; public for tests.
  bool startTextEditor(const QString& file = QString());
  bool startCalculator();

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void createMenus();
  void createToolbars();
  void createStatusBar();
  void showWorkingDate();
  // The caption names the open database's file; the windows that list its objects are
  // built again when another one is opened.
  void showDatabaseName();
  void databaseChanged();
  void createPanels();
  void restoreSettings();
  void saveSettings();
  void openFile();
  void showShared(const QString& className);
  void showDesigner(const QString& type, const QString& name, bool fromOpenMenu);
  void activateWindowByCaption(const QString& caption);
  bool windowWithCaptionExists(const QString& caption) const;
  QWidget* openRuntimeWindow(const QString& className, const QString& caption);
  void buildUserMenu(int kind);
  // «Приходная накладная (новый)»: the caption of a new document's window.
  QString newDocumentCaption(const QString& kind) const;
  QString userMenuTarget(int kind, int index, const QString& captionPrefix,
                         const QString& captionSuffix = QString());

  AppState& m_state;
  std::function<QString()> m_moduleTextSource;
  std::function<bool()> m_moduleSaver;

  QMdiArea* m_mdi = nullptr;
  QToolBar* m_toolbar = nullptr;         // Toolbar1
  QToolBar* m_palette = nullptr;         // Toolbar2
  QWidget* m_paletteFrame = nullptr;     // Frame1
  QWidget* m_structurePanel = nullptr;   // Picture3
  QWidget* m_languagePanel = nullptr;    // Picture2
  QTreeWidget* m_configTree = nullptr;   // TreeView1
  QTreeWidget* m_helpTree = nullptr;     // Tree1
  QPlainTextEdit* m_helpText = nullptr;  // Label1
  WindowBar* m_windowBar = nullptr;      // Picture1 with Check1
  QLabel* m_statusPanels[4] = {};
  QLabel* m_usersPanel = nullptr;  // who works with the database
  DatabaseWatch* m_watch = nullptr;

  QMenu* m_mnuDo = nullptr;
  QAction* m_mnuOpen = nullptr;
  QAction* m_mnuDel = nullptr;
  QAction* m_mnuConfig = nullptr;
  QAction* m_mnuLanguage = nullptr;
  QMenu* m_userMenus[4] = {};            // mnuSpravki, mnuDocs, mnuZurnaly, mnuReports
  std::vector<QAction*> m_userItems[4];  // mnuSIndex, mnuDIndex, mnuZIndex, itemReports
  QMenu* m_mnuOperators = nullptr;
  QAction* m_mnuKillProvodka = nullptr;
  QMenu* m_mnuCont = nullptr;
  QMenu* m_mnuHelp = nullptr;
  QPointer<GuideWindow> m_guide;
  QPointer<LanguageHelpWindow> m_languageHelp;
  QAction* m_moduleButton = nullptr;  // toolbar button 4
  QPointer<frmSplash> m_splash;
  frmCalendar* m_calendar = nullptr;
  frmSetting* m_setting = nullptr;
  DatabaseFiles* m_databaseFiles = nullptr;
  bool m_rightButtonDown = false;
};

}  // namespace balvix::shell
