#include "shell/database_files.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QProgressDialog>
#include <QSettings>
#include <exception>

#include "shell/app_state.h"
#include "shell/frm_main.h"
#include "shell/message_box.h"
#include "shell/server_dialog.h"
#include "shell/startup.h"
#include "shell/window_interfaces.h"

namespace balvix::shell {

namespace {

const QString kFilter = QStringLiteral("Базы данных (*.mdb);;Все файлы (*)");
const QString kRecentKey = QStringLiteral("RecentDatabases");

// The program's settings group.
struct Settings : QSettings {
  Settings() : QSettings(QStringLiteral("Balvix"), QStringLiteral("Balvix")) {
    beginGroup(QStringLiteral("Setting"));
  }
};

QString absolute(const QString& path) {
  // A server's address is not a file path to complete.
  if (storage::Session::isServerAddress(path)) return path;
  return QFileInfo(path).absoluteFilePath();
}

QString display(const QString& path) {
  return QDir::toNativeSeparators(path);
}

// The windows a database change closes: child windows and windows of their own, but not
// the main window itself nor the menus.
QList<QWidget*> workWindows(QWidget* main) {
  QList<QWidget*> windows;
  if (auto* frm = qobject_cast<frmMain*>(main))
    for (QMdiSubWindow* sub : frm->mdiArea()->subWindowList())
      if (sub->widget()) windows << sub->widget();
  for (QWidget* top : QApplication::topLevelWidgets())
    if (top != main && top->isVisible() && !top->inherits("QMenu") && top->isWindow())
      windows << top;
  return windows;
}

}  // namespace

DatabaseFiles::DatabaseFiles(AppState& state, QWidget* window)
    : QObject(window), m_state(state), m_window(window) {}

DatabaseFiles::~DatabaseFiles() {
  if (m_session && m_state.db == m_session.get()) {
    m_state.sharedRecordset.close();
    m_state.db = nullptr;
  }
}

void DatabaseFiles::addTo(QMenu* menu, QAction* before) {
  auto* open = new QAction(QStringLiteral("Открыть базу данных…"), menu);
  open->setObjectName(QStringLiteral("mnuOpenDatabase"));
  auto* create = new QAction(QStringLiteral("Создать базу данных…"), menu);
  create->setObjectName(QStringLiteral("mnuNewDatabase"));
  auto* server = new QAction(QStringLiteral("Открыть базу данных на сервере…"), menu);
  server->setObjectName(QStringLiteral("mnuOpenServerDatabase"));
  menu->insertAction(before, open);
  menu->insertAction(before, server);
  menu->insertAction(before, create);
  m_recentMenu = new QMenu(QStringLiteral("Последние базы данных"), menu);
  m_recentMenu->setObjectName(QStringLiteral("mnuRecentDatabases"));
  m_recentMenu->setAccessibleName(QStringLiteral("Последние базы данных"));
  menu->insertMenu(before, m_recentMenu);
  menu->insertSeparator(before)->setObjectName(QStringLiteral("sepDatabases"));
  connect(open, &QAction::triggered, this, &DatabaseFiles::openWithDialog);
  connect(server, &QAction::triggered, this, &DatabaseFiles::openServerWithDialog);
  connect(create, &QAction::triggered, this, &DatabaseFiles::createWithDialog);
  connect(m_recentMenu, &QMenu::aboutToShow, this, &DatabaseFiles::fillRecentMenu);
  fillRecentMenu();
}

void DatabaseFiles::fillRecentMenu() {
  m_recentMenu->clear();
  const QString current = m_state.db ? absolute(m_state.db->path()) : QString();
  int n = 0;
  for (const QString& path : recentDatabases()) {
    const bool missing = !storage::Session::isServerAddress(path) && !QFileInfo::exists(path);
    QString caption = QStringLiteral("&%1 %2").arg(++n).arg(display(path));
    if (missing) caption += QStringLiteral(" (файл не найден)");
    QAction* item = m_recentMenu->addAction(caption);
    item->setObjectName(QStringLiteral("mnuRecentDatabase%1").arg(n));
    item->setData(path);
    item->setEnabled(!missing);
    item->setCheckable(path == current);
    item->setChecked(path == current);
    connect(item, &QAction::triggered, this, [this, path] {
      if (path != (m_state.db ? absolute(m_state.db->path()) : QString())) open(path);
    });
  }
  if (n == 0) m_recentMenu->addAction(QStringLiteral("(нет)"))->setEnabled(false);
}

void DatabaseFiles::adopt(std::unique_ptr<storage::Session> session) {
  m_session = std::move(session);
  if (m_session) {
    m_state.db = m_session.get();
    noteOpened(m_session->path());
  }
}

void DatabaseFiles::openWithDialog() {
  const QString start = m_state.db ? QFileInfo(m_state.db->path()).path() : QDir::homePath();
  const QString file =
      QFileDialog::getOpenFileName(m_window, QStringLiteral("Открыть базу данных"), start, kFilter);
  if (!file.isEmpty()) open(file);
}

void DatabaseFiles::openServerWithDialog() {
  frmServerConnection dialog(m_window);
  m_serverDialog = &dialog;
  const bool accepted = dialog.exec() == QDialog::Accepted;
  m_serverDialog = nullptr;
  if (!accepted) return;
  dialog.remember();
  open(dialog.address());
}

void DatabaseFiles::createWithDialog() {
  const QString start = m_state.db ? QFileInfo(m_state.db->path()).path() : QDir::homePath();
  QFileDialog dialog(m_window, QStringLiteral("Создать базу данных"), start, kFilter);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(QStringLiteral("mdb"));
  // The database is never written over: the question about replacing a file would mislead.
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  const QString file = dialog.selectedFiles().constFirst();
  bool demo = false;
  if (canCreateDemo()) {
    const MsgAnswer answer = MessageBoxes::show(
        QStringLiteral("Заполнить новую базу данных примером торговой фирмы (справочники, "
                       "документы, отчеты и история за три месяца)?\n«Да» — с примером, "
                       "«Нет» — пустая база данных."),
        MsgButtons::YesNoCancel, QStringLiteral("Создать базу данных"), MsgIcon::Question);
    if (answer == MsgAnswer::Cancel) return;
    demo = answer == MsgAnswer::Yes;
  }
  create(file, demo);
}

bool DatabaseFiles::create(const QString& path, bool demo) {
  const QString file = absolute(path);
  if (QFileInfo::exists(file)) {
    MessageBoxes::show(QStringLiteral("Файл «%1» уже существует; новая база данных не создана, "
                                      "чтобы не затереть его. Выберите другое имя файла.")
                           .arg(display(file)),
                       MsgButtons::Ok, QStringLiteral("Создать базу данных"), MsgIcon::Warning);
    return false;
  }
  QString error;
  {
    QProgressDialog progress(QStringLiteral("Создание базы данных «%1»...").arg(display(file)),
                             QString(), 0, 0, m_window);
    progress.setWindowTitle(QStringLiteral("Создать базу данных"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(300);
    progress.setCancelButton(nullptr);
    const Progress step = [&progress](int done, int total) {
      if (total > 0) {
        progress.setMaximum(total);
        progress.setValue(done);
        progress.setLabelText(
            QStringLiteral("Проведено документов примера: %1 из %2").arg(done).arg(total));
      }
      QApplication::processEvents();
    };
    try {
      if (demo && m_creator)
        m_creator(file, true, step);
      else if (m_creator)
        m_creator(file, false, step);
      else
        storage::Session::createNew(file);
    } catch (const storage::DbError& e) {
      error = e.description();
    } catch (const std::exception& e) {
      error = QString::fromUtf8(e.what());
    }
  }
  if (!error.isEmpty()) {
    MessageBoxes::show(
        QStringLiteral("Не удалось создать базу данных «%1».\n%2").arg(display(file), error),
        MsgButtons::Ok, QStringLiteral("Создать базу данных"), MsgIcon::Critical);
    return false;
  }
  return open(file);
}

bool DatabaseFiles::closeWindows() {
  // Every window is asked before any is closed: «Отмена» in one keeps them all.
  const QList<QWidget*> windows = workWindows(m_window);
  for (QWidget* window : windows) {
    auto* work = dynamic_cast<UnsavedWork*>(window);
    if (work && window->isVisible() && !work->confirmClose()) return false;
  }
  for (QWidget* window : windows) window->close();
  if (auto* frm = qobject_cast<frmMain*>(m_window)) frm->mdiArea()->closeAllSubWindows();
  QApplication::processEvents();
  // A window that refused to close still shows the old database.
  for (QWidget* window : workWindows(m_window))
    if (window->isVisible()) return false;
  return true;
}

bool DatabaseFiles::open(const QString& path) {
  const QString file = absolute(path);
  if (m_state.db && absolute(m_state.db->path()) == file) {
    MessageBoxes::show(QStringLiteral("База данных «%1» уже открыта.").arg(display(file)),
                       MsgButtons::Ok, QStringLiteral("Открыть базу данных"), MsgIcon::Information);
    return true;
  }
  QApplication::setOverrideCursor(Qt::WaitCursor);
  QString error;
  // Opened as at start-up (the check for damage, missing indexes and totals), before
  // anything of the current database is closed.
  std::unique_ptr<storage::Session> next = openDatabaseAtStartup(nullptr, file, &error);
  QApplication::restoreOverrideCursor();
  if (!next) {
    MessageBoxes::show(error + QStringLiteral("\nОткрытой остается база данных «%1».")
                                   .arg(m_state.db ? display(m_state.db->path()) : QString()),
                       MsgButtons::Ok, QStringLiteral("Открыть базу данных"), MsgIcon::Critical);
    return false;
  }
  if (!closeWindows()) return false;
  m_state.sharedRecordset.close();
  m_state.documentWindow = nullptr;
  m_state.choiceWindow = nullptr;
  m_state.journalWindow = nullptr;
  m_state.reportWindow = nullptr;
  m_state.currentObjectType.clear();
  m_state.currentObjectName.clear();
  m_state.currentElementName.clear();
  m_state.selectedJournalItem.clear();
  m_state.objectNodeSelected = false;
  m_state.pendingTotals.reset();
  m_state.documentDate.reset();
  // The session replaced is closed here; one handed in by whoever made the window stays
  // theirs.
  m_state.db = next.get();
  m_session = std::move(next);
  noteOpened(file);
  emit databaseChanged(file);
  return true;
}

QStringList DatabaseFiles::recentDatabases() {
  QStringList list = Settings().value(kRecentKey).toStringList();
  list.removeAll(QString());
  list.removeDuplicates();
  return list.mid(0, kRecentCount);
}

void DatabaseFiles::noteOpened(const QString& path) {
  const QString file = absolute(path);
  QStringList list = recentDatabases();
  list.removeAll(file);
  list.prepend(file);
  Settings().setValue(kRecentKey, QStringList(list.mid(0, kRecentCount)));
}

}  // namespace balvix::shell
