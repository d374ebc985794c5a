#include "shell/frm_main.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDockWidget>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "config/global_module.h"
#include "config/object_definition.h"
#include "shell/accessibility.h"
#include "shell/database_files.h"
#include "shell/database_service.h"
#include "shell/database_watch.h"
#include "shell/external_tools.h"
#include "shell/frm_splash.h"
#include "shell/help_windows.h"
#include "shell/message_box.h"
#include "shell/object_deletion.h"
#include "shell/service_windows.h"
#include "shell/twips.h"
#include "shell/window_bar.h"
#include "shell/window_interfaces.h"
#include "shell/window_names.h"
#include "shell/window_provider.h"
#include "shell/working_date.h"
#include "storage/sql_text.h"

namespace balvix::shell {

namespace {

QAction* addItem(QMenu* menu, const QString& caption, const QString& name) {
  QAction* action = menu->addAction(caption);
  action->setObjectName(name);
  return action;
}

QSettings mainSettings() {
  return QSettings(QStringLiteral("Balvix"), QStringLiteral("Balvix"));
}

}  // namespace

frmMain::frmMain(AppState& state, QWidget* parent) : QMainWindow(parent), m_state(state) {
  setObjectName(QStringLiteral("frmMain"));
  installAccessibility();
  m_state.mainWindow = this;

  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  m_mdi = new QMdiArea(central);
  m_mdi->setObjectName(QStringLiteral("mdiArea"));
  m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  m_windowBar = new WindowBar(central);
  layout->addWidget(m_mdi, 1);
  layout->addWidget(m_windowBar);
  setCentralWidget(central);
  connect(m_windowBar, &WindowBar::windowRequested, this, &frmMain::activateWindowByCaption);

  createMenus();
  createToolbars();
  createStatusBar();
  createPanels();

  // The design size is the client area; the frame is added by the window system.
  resize(twipsToPixels(kDesignWidth, kDesignHeight));
  showDatabaseName();
}

void frmMain::showDatabaseName() {
  const QString title = QStringLiteral("Balvix — материальный и финансовый учет");
  setWindowTitle(m_state.db
                     ? title + QStringLiteral(" — ") + QFileInfo(m_state.db->path()).fileName()
                     : title);
}

void frmMain::databaseChanged() {
  showDatabaseName();
  BuildMenus();
  if (!m_structurePanel->isHidden()) BuildConfigTree();
  if (!m_languagePanel->isHidden()) BuildHelpList();
  setStatusText(QStringLiteral("Открыта база данных ") +
                QDir::toNativeSeparators(m_state.db ? m_state.db->path() : QString()));
}

frmMain::~frmMain() {
  if (m_state.mainWindow == this) m_state.mainWindow = nullptr;
}

void frmMain::createMenus() {
  QMenu* operations = menuBar()->addMenu(QStringLiteral("&Операции"));
  operations->setObjectName(QStringLiteral("mnuOperations"));
  QAction* newDocument =
      addItem(operations, QStringLiteral("Новый документ"), QStringLiteral("mnuNew"));
  QAction* openFileAction =
      addItem(operations, QStringLiteral("Открыть файл..."), QStringLiteral("mnuOpenFile"));
  openFileAction->setShortcut(QKeySequence::Open);
  QAction* plan =
      addItem(operations, QStringLiteral("План счетов учета"), QStringLiteral("mnuPlan"));
  m_databaseFiles = new DatabaseFiles(m_state, this);
  m_databaseFiles->addTo(operations, plan);
  connect(m_databaseFiles, &DatabaseFiles::databaseChanged, this, &frmMain::databaseChanged);
  QMenu* setting = operations->addMenu(QStringLiteral("Настройка конфигурации"));
  setting->setObjectName(QStringLiteral("mnuSetting"));
  m_mnuConfig = addItem(setting, QStringLiteral("Описание модулей конфигурации"),
                        QStringLiteral("mnuConfig"));
  m_mnuConfig->setCheckable(true);
  m_mnuConfig->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
  m_mnuLanguage =
      addItem(setting, QStringLiteral("Описание встроенного языка"), QStringLiteral("mnuLanguage"));
  m_mnuLanguage->setCheckable(true);
  m_mnuLanguage->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
  m_mnuDo = operations->addMenu(QStringLiteral("Действия"));
  m_mnuDo->setObjectName(QStringLiteral("mnuDo"));
  m_mnuDo->setAccessibleName(QStringLiteral("Действия"));
  m_mnuDo->setEnabled(false);
  m_mnuOpen = addItem(m_mnuDo, QStringLiteral("Открыть"), QStringLiteral("mnuOpen"));
  m_mnuDel = addItem(m_mnuDo, QStringLiteral("Удалить"), QStringLiteral("mnuDel"));
  operations->addSeparator()->setObjectName(QStringLiteral("sep"));
  QAction* closeAction = addItem(operations, QStringLiteral("Закрыть"), QStringLiteral("mnuClose"));
  closeAction->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));

  const char* menuNames[4][3] = {{"&Справочники", "mnuSpravki", "mnuSIndex"},
                                 {"&Документы", "mnuDocs", "mnuDIndex"},
                                 {"&Журналы", "mnuZurnaly", "mnuZIndex"},
                                 {"О&тчеты", "mnuReports", "itemReports"}};
  for (int kind = 0; kind < 4; ++kind) {
    m_userMenus[kind] = menuBar()->addMenu(QString::fromUtf8(menuNames[kind][0]));
    m_userMenus[kind]->setObjectName(QString::fromUtf8(menuNames[kind][1]));
    // Item 0 is the template: it always exists, with an empty caption and tag.
    QAction* item0 = m_userMenus[kind]->addAction(QString());
    item0->setObjectName(QString::fromUtf8(menuNames[kind][2]));
    item0->setProperty("index", 0);
    m_userItems[kind].push_back(item0);
  }

  QMenu* services = menuBar()->addMenu(QStringLiteral("С&ервис"));
  services->setObjectName(QStringLiteral("mnuServices"));
  QAction* calculator =
      addItem(services, QStringLiteral("Калькулятор"), QStringLiteral("mnuCalculator"));
  QAction* notepad =
      addItem(services, QStringLiteral("Текстовый редактор"), QStringLiteral("mnuBloknot"));
  QAction* calendar = addItem(services, QStringLiteral("Календарь"), QStringLiteral("mnuCalendar"));
  services->addSeparator()->setObjectName(QStringLiteral("ss"));
  QAction* importAction =
      addItem(services, QStringLiteral("Загрузка данных…"), QStringLiteral("mnuImport"));
  QAction* settingsAction =
      addItem(services, QStringLiteral("Настройка программы..."), QStringLiteral("mnuSettings"));
  (new DatabaseService(m_state, this))->addTo(services);

  QMenu* windows = menuBar()->addMenu(QStringLiteral("&Окна"));
  windows->setObjectName(QStringLiteral("mnuWindow"));
  connect(windows, &QMenu::aboutToShow, this, [this, windows] {
    windows->clear();
    windows->addAction(QStringLiteral("Каскадом"), m_mdi, &QMdiArea::cascadeSubWindows);
    windows->addAction(QStringLiteral("Мозаикой"), m_mdi, &QMdiArea::tileSubWindows);
    windows->addSeparator();
    int n = 1;
    // Windows that share a caption are told apart by what they show (a window may name
    // itself for this menu) and, failing that, by their order.
    QHash<QString, int> seen;
    for (QMdiSubWindow* sub : m_mdi->subWindowList()) {
      QString name = sub->windowTitle().trimmed();
      if (QWidget* w = sub->widget(); w && !w->property(kWindowMenuName).toString().isEmpty())
        name = w->property(kWindowMenuName).toString();
      if (const int same = ++seen[name]; same > 1) name += QStringLiteral(" (%1)").arg(same);
      QAction* a = windows->addAction(QStringLiteral("&%1 %2").arg(n++).arg(name));
      a->setCheckable(true);
      a->setChecked(sub == m_mdi->activeSubWindow());
      connect(a, &QAction::triggered, this, [this, sub] { m_mdi->setActiveSubWindow(sub); });
    }
  });
  m_mnuHelp = menuBar()->addMenu(QStringLiteral("&Помощь"));
  m_mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
  QAction* guide =
      addItem(m_mnuHelp, QStringLiteral("Руководство пользователя"), QStringLiteral("mnuGuide"));
  // F1 reaches the guide from every window of the program, at that window's section.
  guide->setShortcut(QKeySequence::HelpContents);
  guide->setShortcutContext(Qt::ApplicationShortcut);
  connect(guide, &QAction::triggered, this, [this] { showGuideForActiveWindow(); });
  connect(addItem(m_mnuHelp, QStringLiteral("Справка по встроенному языку"),
                  QStringLiteral("mnuLanguageHelp")),
          &QAction::triggered, this, [this] { showLanguageHelp(); });
  m_mnuHelp->addSeparator();
  connect(addItem(m_mnuHelp, QStringLiteral("О программе"), QStringLiteral("mnuAbout")),
          &QAction::triggered, this, &frmMain::showAbout);

  // Pop-up menus that are never in the menu bar.
  m_mnuOperators = new QMenu(QStringLiteral("Операции с документом"), this);
  m_mnuOperators->setObjectName(QStringLiteral("mnuOperators"));
  // A pop-up menu is told by its accessible name: it shows no title.
  m_mnuOperators->setAccessibleName(m_mnuOperators->title());
  m_mnuKillProvodka = addItem(m_mnuOperators, QStringLiteral("Сделать не проведенным"),
                              QStringLiteral("mnuKillProvodka"));
  connect(m_mnuKillProvodka, &QAction::triggered, this, [this] {
    // The journal asks its question naming the document; without one, as before.
    bool done = false;
    if (!m_state.journalWindow ||
        !QMetaObject::invokeMethod(m_state.journalWindow, "unpostSelected",
                                   Q_RETURN_ARG(bool, done)))
      unpostSelectedDocument(m_state);
  });
  m_mnuCont = new QMenu(QStringLiteral("Элемент формы"), this);
  m_mnuCont->setObjectName(QStringLiteral("mnuCont"));
  m_mnuCont->setAccessibleName(m_mnuCont->title());
  QAction* delItem = addItem(m_mnuCont, QStringLiteral("Удалить"), QStringLiteral("mnuDelItem"));
  QAction* newNameItem =
      addItem(m_mnuCont, QStringLiteral("Новое имя"), QStringLiteral("mnuNewNameItem"));
  connect(delItem, &QAction::triggered, this, &frmMain::removeContextElement);
  connect(newNameItem, &QAction::triggered, this, &frmMain::renameContextElement);

  connect(newDocument, &QAction::triggered, this, [this] { startTextEditor(); });
  connect(notepad, &QAction::triggered, this, [this] { startTextEditor(); });
  connect(calculator, &QAction::triggered, this, [this] { startCalculator(); });
  connect(openFileAction, &QAction::triggered, this, &frmMain::openFile);
  connect(plan, &QAction::triggered, this, [this] { showShared(window_names::kChartOfAccounts); });
  connect(m_mnuConfig, &QAction::triggered, this, &frmMain::toggleStructurePanel);
  connect(m_mnuLanguage, &QAction::triggered, this, &frmMain::toggleLanguagePanel);
  connect(m_mnuOpen, &QAction::triggered, this, &frmMain::openSelectedObject);
  connect(m_mnuDel, &QAction::triggered, this, [this] {
    if (m_state.objectNodeSelected)
      deleteConfigurationObject(m_state, m_state.currentObjectType, m_state.currentObjectName);
  });
  connect(closeAction, &QAction::triggered, this, &QWidget::close);
  connect(calendar, &QAction::triggered, this, [this] {
    if (!m_calendar) m_calendar = new frmCalendar(this);
    m_calendar->show();
    m_calendar->raise();
  });
  connect(importAction, &QAction::triggered, this, [this] {
    // Each opening is a fresh dialog: the file and the mapping belong to one load.
    QWidget* dialog = m_state.windows ? m_state.windows->newWindow(window_names::kImport) : nullptr;
    if (!dialog) return;
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
  });
  connect(settingsAction, &QAction::triggered, this, [this] {
    if (!m_setting) {
      m_setting = new frmSetting(this);
      connect(m_setting, &frmSetting::saved, this, &frmMain::showWorkingDate);
    }
    m_setting->show();
    m_setting->raise();
  });
}

GuideWindow* frmMain::showGuide(const QString& section) {
  QWidget* asking = QApplication::focusWidget();
  if (!m_guide) m_guide = new GuideWindow(this);
  m_guide->setReturnFocus(asking);
  m_guide->show();
  m_guide->raise();
  m_guide->activateWindow();
  if (!section.isEmpty()) m_guide->showSection(section);
  return m_guide;
}

GuideWindow* frmMain::showGuideForActiveWindow() {
  QWidget* active = QApplication::activeWindow();
  if (m_guide && active == m_guide) return m_guide;
  if (!active || active == this) {
    QMdiSubWindow* sub = m_mdi->activeSubWindow();
    active = sub && sub->widget() ? sub->widget() : this;
  }
  const QString cls = QString::fromLatin1(active->metaObject()->className()).section(u':', -1);
  return showGuide(GuideWindow::sectionFor(cls));
}

LanguageHelpWindow* frmMain::showLanguageHelp() {
  QWidget* asking = QApplication::focusWidget();
  if (!m_languageHelp) m_languageHelp = new LanguageHelpWindow(m_state, this);
  m_languageHelp->setReturnFocus(asking);
  m_languageHelp->show();
  m_languageHelp->raise();
  m_languageHelp->activateWindow();
  return m_languageHelp;
}

void frmMain::showAbout() {
  MessageBoxes::show(aboutText(m_state), MsgButtons::Ok, QStringLiteral("О программе"),
                     MsgIcon::Information);
}

void frmMain::createToolbars() {
  m_toolbar = addToolBar(QStringLiteral("Стандартная"));
  m_toolbar->setObjectName(QStringLiteral("Toolbar1"));
  m_toolbar->setToolButtonStyle(Qt::ToolButtonIconOnly);
  QStyle* s = style();
  const struct {
    QStyle::StandardPixmap icon;
    const char* tip;
  } buttons[5] = {{QStyle::SP_FileIcon, "Балвикс"},
                  {QStyle::SP_FileDialogNewFolder, "Новый документ"},
                  {QStyle::SP_DialogOpenButton, "Открыть файл"},
                  {QStyle::SP_DialogSaveButton, "Сохранить модуль"},
                  {QStyle::SP_MessageBoxQuestion, "Справка"}};
  for (int i = 0; i < 5; ++i) {
    QAction* a =
        m_toolbar->addAction(s->standardIcon(buttons[i].icon), QString::fromUtf8(buttons[i].tip));
    a->setObjectName(QStringLiteral("Toolbar1_%1").arg(i + 1));
    if (i == 1) connect(a, &QAction::triggered, this, [this] { startTextEditor(); });
    if (i == 2) connect(a, &QAction::triggered, this, &frmMain::openFile);
    if (i == 4) connect(a, &QAction::triggered, this, [this] { showGuideForActiveWindow(); });
    if (i == 3) {
      m_moduleButton = a;
      a->setEnabled(false);
      connect(a, &QAction::triggered, this, &frmMain::storeModuleCode);
    }
  }
  nameToolbarOverflow(m_toolbar);
}

void frmMain::createStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName(QStringLiteral("Status"));
  const QString texts[4] = {QStringLiteral("Для получения подсказки нажмите F1"),
                            QStringLiteral("Рабочая дата:"), QStringLiteral("CAPS"),
                            QStringLiteral("NUM")};
  for (int i = 0; i < 4; ++i) {
    m_statusPanels[i] = new QLabel(texts[i], bar);
    m_statusPanels[i]->setObjectName(QStringLiteral("Status_%1").arg(i + 1));
    m_statusPanels[i]->setFrameShape(QFrame::Panel);
    m_statusPanels[i]->setFrameShadow(QFrame::Sunken);
    if (i == 0) {
      m_statusPanels[i]->setToolTip(texts[i]);
      bar->addWidget(m_statusPanels[i], 1);
    } else {
      bar->addPermanentWidget(m_statusPanels[i]);
    }
  }
  showWorkingDate();
  m_usersPanel = new QLabel(bar);
  m_usersPanel->setObjectName(QStringLiteral("Status_Users"));
  m_usersPanel->setFrameShape(QFrame::Panel);
  m_usersPanel->setFrameShadow(QFrame::Sunken);
  bar->addPermanentWidget(m_usersPanel);
  m_watch = new DatabaseWatch(m_state, this);
  connect(m_watch, &DatabaseWatch::usersChanged, this, [this](const QString& text) {
    m_usersPanel->setText(text);
    m_usersPanel->setAccessibleName(text);
    m_usersPanel->setVisible(!text.isEmpty());
  });
  m_usersPanel->hide();
  QTimer::singleShot(0, m_watch, &DatabaseWatch::poll);
}

void frmMain::showWorkingDate() {
  // A date the user set stands out: documents entered meanwhile are dated by it.
  const QString date = workingDate().toString(QStringLiteral("dd.MM.yyyy"));
  m_statusPanels[1]->setText(QStringLiteral("Рабочая дата: ") + date);
  m_statusPanels[1]->setStyleSheet(workingDateIsSet() ? QStringLiteral("font-weight: bold")
                                                      : QString());
  m_statusPanels[1]->setToolTip(workingDateIsSet()
                                    ? QStringLiteral("Рабочая дата задана в настройках программы")
                                    : QStringLiteral("Рабочая дата — текущая дата"));
}

void frmMain::createPanels() {
  // The structure panel: configuration tree, close button and the control palette.
  auto* structureDock = new QDockWidget(this);
  structureDock->setObjectName(QStringLiteral("Picture3"));
  structureDock->setFeatures(QDockWidget::DockWidgetMovable);
  structureDock->setTitleBarWidget(new QWidget(structureDock));
  auto* structureTabs = new QTabWidget(structureDock);
  structureTabs->setObjectName(QStringLiteral("SSTab2"));
  auto* structurePage = new QWidget(structureTabs);
  auto* structureLayout = new QVBoxLayout(structurePage);
  structureLayout->setContentsMargins(4, 4, 4, 4);
  auto* closeRow = new QHBoxLayout;
  auto* close1 = new QPushButton(QStringLiteral("x"), structurePage);
  close1->setObjectName(QStringLiteral("Command1"));
  close1->setAccessibleName(QStringLiteral("Закрыть панель структуры"));
  close1->setFixedWidth(24);
  closeRow->addStretch();
  closeRow->addWidget(close1);
  m_configTree = new QTreeWidget(structurePage);
  m_configTree->setObjectName(QStringLiteral("TreeView1"));
  m_configTree->setHeaderHidden(true);
  m_configTree->setAccessibleName(QStringLiteral("Структура объектов"));
  m_configTree->viewport()->installEventFilter(this);
  m_configTree->installEventFilter(this);
  m_paletteFrame = new QGroupBox(QStringLiteral("Элементы управления:"), structurePage);
  m_paletteFrame->setObjectName(QStringLiteral("Frame1"));
  m_paletteFrame->setEnabled(false);
  m_paletteFrame->setFixedHeight(twipsToPixels(1000));
  auto* paletteLayout = new QVBoxLayout(m_paletteFrame);
  m_palette = new QToolBar(m_paletteFrame);
  m_palette->setObjectName(QStringLiteral("Toolbar2"));
  m_palette->setIconSize(QSize(16, 16));
  const struct {
    QStyle::StandardPixmap icon;
    const char* tip;
    const char* type;
  } controls[9] = {{QStyle::SP_ArrowUp, "Указатель", ""},
                   {QStyle::SP_FileDialogDetailedView, "Надпись", "Надпись"},
                   {QStyle::SP_FileDialogContentsView, "Текст", "Текст"},
                   {QStyle::SP_DialogOkButton, "Кнопка", "Кнопка"},
                   {QStyle::SP_DialogApplyButton, "Флажок", "Флажок"},
                   {QStyle::SP_FileDialogListView, "Выбор", "Выбор"},
                   {QStyle::SP_DirIcon, "Рамка", ""},
                   {QStyle::SP_DriveHDIcon, "Таблица", ""},
                   {QStyle::SP_ComputerIcon, "Рисунок", ""}};
  for (const auto& control : controls) {
    QAction* a =
        m_palette->addAction(style()->standardIcon(control.icon), QString::fromUtf8(control.tip));
    const QString type = QString::fromUtf8(control.type);
    connect(a, &QAction::triggered, this, [this, type] { m_state.pendingControlType = type; });
  }
  paletteLayout->addWidget(m_palette);
  structureLayout->addLayout(closeRow);
  structureLayout->addWidget(m_configTree, 1);
  structureLayout->addWidget(m_paletteFrame);
  structureTabs->addTab(structurePage, QStringLiteral("Структура объектов:"));
  structureDock->setWidget(structureTabs);
  structureDock->setMinimumWidth(220);
  addDockWidget(Qt::LeftDockWidgetArea, structureDock);
  structureDock->hide();
  m_structurePanel = structureDock;

  // The language panel: help tree and the description of the selected entry.
  auto* languageDock = new QDockWidget(this);
  languageDock->setObjectName(QStringLiteral("Picture2"));
  languageDock->setFeatures(QDockWidget::DockWidgetMovable);
  languageDock->setTitleBarWidget(new QWidget(languageDock));
  auto* languageTabs = new QTabWidget(languageDock);
  languageTabs->setObjectName(QStringLiteral("SSTab1"));
  auto* languagePage = new QWidget(languageTabs);
  auto* languageLayout = new QVBoxLayout(languagePage);
  languageLayout->setContentsMargins(4, 4, 4, 4);
  auto* closeRow2 = new QHBoxLayout;
  auto* close2 = new QPushButton(QStringLiteral("x"), languagePage);
  close2->setObjectName(QStringLiteral("Command2"));
  close2->setAccessibleName(QStringLiteral("Закрыть панель встроенного языка"));
  close2->setFixedWidth(24);
  closeRow2->addStretch();
  closeRow2->addWidget(close2);
  m_helpTree = new QTreeWidget(languagePage);
  m_helpTree->setObjectName(QStringLiteral("Tree1"));
  m_helpTree->setHeaderHidden(true);
  m_helpTree->setAccessibleName(QStringLiteral("Встроенный язык"));
  m_helpText = new QPlainTextEdit(languagePage);
  m_helpText->setObjectName(QStringLiteral("Label1"));
  m_helpText->setReadOnly(true);
  m_helpText->setAccessibleName(QStringLiteral("Описание"));
  m_helpText->setFixedHeight(twipsToPixels(2000));
  languageLayout->addLayout(closeRow2);
  languageLayout->addWidget(m_helpTree, 1);
  languageLayout->addWidget(m_helpText);
  languageTabs->addTab(languagePage, QStringLiteral("Встроенный язык:"));
  languageDock->setWidget(languageTabs);
  languageDock->setMinimumWidth(220);
  addDockWidget(Qt::RightDockWidgetArea, languageDock);
  languageDock->hide();
  m_languagePanel = languageDock;

  connect(close1, &QPushButton::clicked, this, &frmMain::toggleStructurePanel);
  connect(close2, &QPushButton::clicked, this, &frmMain::toggleLanguagePanel);
  connect(m_configTree, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* item) { configNodeClicked(item, false); });
  connect(m_configTree, &QTreeWidget::itemClicked, this,
          [this](QTreeWidgetItem* item) { configNodeClicked(item, false); });
  connect(m_configTree, &QTreeWidget::itemDoubleClicked, this,
          [this] { configNodeDoubleClicked(); });
  connect(m_helpTree, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* item) { helpNodeClicked(item); });
}

void frmMain::load() {
  if (m_state.db) DatabaseFiles::noteOpened(m_state.db->path());
  restoreSettings();
  if (m_splash) m_splash->close();
  show();
}

void frmMain::restoreSettings() {
  QSettings settings = mainSettings();
  settings.beginGroup(QStringLiteral("Setting"));
  bool okWidth = false;
  bool okHeight = false;
  bool okState = false;
  const float width = settings.value(QStringLiteral("FormMainWidth")).toString().toFloat(&okWidth);
  const float height =
      settings.value(QStringLiteral("FormMainHeight")).toString().toFloat(&okHeight);
  const short state = settings.value(QStringLiteral("FormMainState")).toString().toShort(&okState);
  // A stored value that is not a number falls back to the default, as an absent one does.
  // Without a stored size the window takes a good share of the screen (never less than
  // its design size), so the runtime windows fit beside the side panels.
  QSize first = size();
  if (QScreen* screen = this->screen()) {
    const QSize room = screen->availableGeometry().size();
    first = first.expandedTo(room * 0.8).boundedTo(room);
  }
  const double w = okWidth && width > 0 ? width : pixelsToTwips(first.width());
  const double h = okHeight && height > 0 ? height : pixelsToTwips(first.height());
  resize(twipsToPixels(w, h));
  if (!(okWidth && okHeight) && screen()) {
    const QRect room = screen()->availableGeometry();
    move(room.center() - QPoint(this->width() / 2, this->height() / 2));
  }
  const short windowState = okState ? state : 0;
  if (windowState == 2)
    setWindowState(Qt::WindowMaximized);
  else if (windowState == 1)
    setWindowState(Qt::WindowMinimized);
}

void frmMain::saveSettings() {
  QSettings settings = mainSettings();
  settings.beginGroup(QStringLiteral("Setting"));
  const short state = isMaximized() ? 2 : isMinimized() ? 1 : 0;
  settings.setValue(QStringLiteral("FormMainWidth"),
                    QString::number(static_cast<float>(pixelsToTwips(width()))));
  settings.setValue(QStringLiteral("FormMainHeight"),
                    QString::number(static_cast<float>(pixelsToTwips(height()))));
  settings.setValue(QStringLiteral("FormMainState"), QString::number(state));
  settings.sync();
}

void frmMain::closeEvent(QCloseEvent* event) {
  // Every window with unsaved work is asked first; «Отмена» in any of them keeps the program.
  QList<QWidget*> windows = findChildren<QWidget*>();
  for (QWidget* top : QApplication::topLevelWidgets())
    if (top != this) windows << top;
  for (QWidget* window : windows) {
    auto* work = dynamic_cast<UnsavedWork*>(window);
    if (work && window->isVisible() && !work->confirmClose()) {
      event->ignore();
      return;
    }
  }
  saveSettings();
  m_state.sharedRecordset.close();
  m_state.documentWindow = nullptr;
  m_state.choiceWindow = nullptr;
  m_state.journalWindow = nullptr;
  event->accept();
  // Closing the main window ends the program; the windows were asked above.
  QCoreApplication::quit();
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_configTree->viewport() && event->type() == QEvent::MouseButtonPress) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    m_rightButtonDown = mouse->button() == Qt::RightButton;
    if (m_rightButtonDown) {
      QTreeWidgetItem* item = m_configTree->itemAt(mouse->position().toPoint());
      if (item) {
        m_configTree->setCurrentItem(item);
        configNodeClicked(item, true);
      }
      m_rightButtonDown = false;
      return true;
    }
  }
  if (watched == m_configTree && event->type() == QEvent::KeyPress) {
    // Keyboard equivalents of the mouse: Enter opens like a double click, the menu key
    // shows the context menu like a right click.
    auto* key = static_cast<QKeyEvent*>(event);
    QTreeWidgetItem* item = m_configTree->currentItem();
    if (item && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
      configNodeClicked(item, false);
      configNodeDoubleClicked();
      return true;
    }
    if (item && key->key() == Qt::Key_Menu) {
      configNodeClicked(item, false);
      if (m_state.objectNodeSelected)
        m_mnuDo->popup(
            m_configTree->viewport()->mapToGlobal(m_configTree->visualItemRect(item).center()));
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

bool frmMain::configurationMode() const {
  return m_paletteFrame->isEnabled();
}

void frmMain::setConfigurationMode(bool on) {
  m_paletteFrame->setEnabled(on);
}

void frmMain::setModuleButtonEnabled(bool on) {
  m_moduleButton->setEnabled(on);
}

void frmMain::setStatusText(const QString& text) {
  m_statusPanels[0]->setText(text);
}

QString frmMain::statusText() const {
  return m_statusPanels[0]->text();
}

QString frmMain::helpDescription() const {
  return m_helpText->toPlainText();
}

QMdiSubWindow* frmMain::addChildWindow(QWidget* window) {
  QMdiSubWindow* sub = m_mdi->addSubWindow(window);
  sub->setAttribute(Qt::WA_DeleteOnClose);
  window->show();
  return sub;
}

void frmMain::showRuntimeWindow(QWidget* window) {
  if (!window) return;
  if (auto* sub = qobject_cast<QMdiSubWindow*>(window->parentWidget())) {
    window->show();
    sub->show();
    m_mdi->setActiveSubWindow(sub);
    return;
  }
  if (window->isWindow() && window->parentWidget()) {
    window->show();
    window->raise();
    window->activateWindow();
    return;
  }
  addChildWindow(window);
}

QSize frmMain::clientSizeTwips() const {
  return QSize(static_cast<int>(pixelsToTwips(m_mdi->width())),
               static_cast<int>(pixelsToTwips(m_mdi->height())));
}

void frmMain::toggleStructurePanel() {
  if (m_structurePanel->isHidden()) {
    m_structurePanel->show();
    m_mnuConfig->setChecked(true);
    QCoreApplication::processEvents();
    BuildConfigTree();
  } else {
    m_structurePanel->hide();
    m_mnuConfig->setChecked(false);
  }
}

void frmMain::toggleLanguagePanel() {
  if (m_languagePanel->isHidden()) {
    m_languagePanel->show();
    m_mnuLanguage->setChecked(true);
    QCoreApplication::processEvents();
    BuildHelpList();
  } else {
    m_languagePanel->hide();
    m_mnuLanguage->setChecked(false);
  }
}

bool frmMain::startTextEditor(const QString& file) {
  QString target = file;
  if (target.isEmpty()) {
    // «Новый документ»: an empty text file of the user's, opened the desktop's own way.
    QString error;
    target = createNewTextFile(newTextFilesFolder(), &error);
    if (target.isEmpty()) {
      MessageBoxes::show(error, MsgButtons::Ok, QStringLiteral("Новый документ"), MsgIcon::Warning);
      return false;
    }
  }
  const QString problem = startTextEditorTool(target);
  if (problem.isEmpty()) {
    setStatusText(QStringLiteral("Открыт в текстовом редакторе: ") +
                  QDir::toNativeSeparators(target));
    return true;
  }
  if (file.isEmpty()) QFile::remove(target);
  MessageBoxes::show(problem, MsgButtons::Ok, QStringLiteral("Текстовый редактор"),
                     MsgIcon::Warning);
  return false;
}

bool frmMain::startCalculator() {
  const QString problem = startCalculatorTool();
  if (problem.isEmpty()) return true;
  MessageBoxes::show(problem, MsgButtons::Ok, QStringLiteral("Калькулятор"), MsgIcon::Warning);
  return false;
}

void frmMain::openFile() {
  QFileDialog dialog(this, QStringLiteral("Открыть файл..."));
  dialog.setObjectName(QStringLiteral("CommonDialog1"));
  dialog.setNameFilter(QStringLiteral("Текстовые (*.txt *.code *.form)"));
  dialog.setFileMode(QFileDialog::ExistingFile);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  startTextEditor(dialog.selectedFiles().constFirst());
}

void frmMain::storeModuleCode() {
  if (!m_state.moduleEditorOpen || !m_moduleTextSource || !m_state.db) return;
  const QString code = m_moduleTextSource();
  if (code.trimmed().isEmpty()) {
    MessageBoxes::show(
        QStringLiteral("Текст модуля пуст: сохраненный модуль оставлен без изменений."));
    return;
  }
  if (m_moduleSaver) {
    if (m_moduleSaver()) setStatusText(QStringLiteral("Модуль сохранен."));
    return;
  }
  try {
    if (m_state.currentObjectType == config::kGlobalModuleName) {
      config::writeGlobalModule(*m_state.db, code);
    } else {
      if (m_state.currentObjectName.isEmpty() ||
          m_state.currentObjectName == config::kNewObjectName)
        return;
      // A type word of no kind has no row to store the module in, as a vanished object.
      if (const std::optional<config::ObjectKind> kind =
              config::kindFromWord(m_state.currentObjectType))
        config::writeModule(*m_state.db, *kind, m_state.currentObjectName, code);
    }
    setStatusText(QStringLiteral("Модуль сохранен."));
  } catch (const storage::DbError& e) {
    MessageBoxes::show(e.description());
  }
}

void frmMain::showShared(const QString& className) {
  QWidget* window = m_state.windows ? m_state.windows->sharedWindow(className) : nullptr;
  showRuntimeWindow(window);
}

void frmMain::activateWindowByCaption(const QString& caption) {
  for (QMdiSubWindow* sub : m_mdi->subWindowList()) {
    if (sub->windowTitle() == caption ||
        (sub->widget() && sub->widget()->windowTitle() == caption)) {
      m_mdi->setActiveSubWindow(sub);
      if (sub->widget()) sub->widget()->setFocus();
    }
  }
}

void frmMain::WindowRegistry(const QString& caption, const QString& action) {
  m_windowBar->registerWindow(caption, action);
}

}  // namespace balvix::shell
