#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QMenu;
class QWidget;

namespace balvix::shell {

struct AppState;

// The "Сервис" commands that look after the database file: the check for damage, the
// backup copy taken while the program runs, and the restore from such a copy. Every
// outcome is told through the message facade.
class DatabaseService : public QObject {
  Q_OBJECT

 public:
  DatabaseService(AppState& state, QWidget* window);

  // Adds the commands, after a separator, to the menu.
  void addTo(QMenu* menu);

  // "Проверка базы данных…": a full check, with progress and a way to stop it.
  void checkDatabase();
  // "Пересчитать итоги": every register's totals made anew from its movements, in one
  // transaction, with progress.
  void rebuildTotals();
  // "Резервная копия…" and "Восстановить из копии…": ask for the file, then go on below.
  void backup();
  void restore();
  // The work of the two commands once the file is known; true when it was done.
  bool backupTo(const QString& file);
  bool restoreFrom(const QString& file);
  // "Закрытие периода…" and "Журнал регистрации" (period_dialog, audit_window).
  void closePeriod();
  void auditJournal();

 private:
  // Closes the windows that show the old content and rebuilds what lists the objects.
  void reopen();

  AppState& m_state;
  QWidget* m_window;
  QPointer<QWidget> m_periodDialog;
  QPointer<QWidget> m_auditWindow;
};

}  // namespace balvix::shell
