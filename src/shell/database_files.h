#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "storage/session.h"

class QAction;
class QMenu;
class QWidget;

namespace balvix::shell {

struct AppState;
class frmServerConnection;

// «Открыть базу данных…», «Создать базу данных…» and the last databases opened: the
// program changes its database without a restart. The session of the open database is
// owned here, so that the one it replaces is closed.
class DatabaseFiles : public QObject {
  Q_OBJECT

 public:
  static constexpr int kRecentCount = 5;
  // Progress of a new database's making: steps done, steps in all.
  using Progress = std::function<void(int done, int total)>;
  // Makes a new database file, with the demo business or empty; throws on failure.
  using Creator = std::function<void(const QString& path, bool demo, const Progress& progress)>;

  DatabaseFiles(AppState& state, QWidget* window);
  ~DatabaseFiles() override;

  // Adds the commands and the submenu of the last databases to the menu, before `before`.
  void addTo(QMenu* menu, QAction* before);
  QMenu* recentMenu() const { return m_recentMenu; }

  // The program's start-up hands over the session it opened.
  void adopt(std::unique_ptr<storage::Session> session);
  // Without one, only empty databases are made.
  void setCreator(Creator creator) { m_creator = std::move(creator); }
  bool canCreateDemo() const { return static_cast<bool>(m_creator); }

  // The commands as the menu runs them: they ask for the file first.
  void openWithDialog();
  void createWithDialog();
  // «Открыть базу данных на сервере…»: asks for the server, the database and the user.
  void openServerWithDialog();
  // The server dialog while it is open (for the tests that fill it).
  frmServerConnection* serverDialog() const { return m_serverDialog; }

  // Opens the file instead of the current database. The current one's windows are closed
  // first (asking about unsaved changes); a file that cannot be opened, or «Отмена», leaves
  // everything as it was. True when the new database is open.
  bool open(const QString& path);
  // Makes a new database at `path` (with the demo, or empty) and opens it.
  bool create(const QString& path, bool demo);

  // Most recent first, at most kRecentCount; the current database among them.
  static QStringList recentDatabases();
  static void noteOpened(const QString& path);

 signals:
  // Another database is open: the windows that list its objects are built again.
  void databaseChanged(const QString& path);

 private:
  bool closeWindows();
  void fillRecentMenu();

  AppState& m_state;
  QWidget* m_window;
  QMenu* m_recentMenu = nullptr;
  Creator m_creator;
  std::unique_ptr<storage::Session> m_session;
  frmServerConnection* m_serverDialog = nullptr;
};

}  // namespace balvix::shell
