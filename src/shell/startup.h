#pragma once

#include <QString>
#include <memory>

#include "storage/session.h"

namespace balvix::shell {

class frmSplash;

// The database file the program opens: basa.mdb in the executable's folder.
QString defaultDatabasePath();

// Where the program's database is when no --db is given. A program run from a folder it
// may write (its build folder, say) keeps basa.mdb beside itself, and a missing file there
// stays an error. An installed program's folder is not writable: it uses basa.mdb in the
// user's data folder (~/.local/share/Balvix), which is created with the demo on first start.
struct DefaultDatabase {
  QString path;
  bool createWithDemo = false;
};
DefaultDatabase chooseDefaultDatabase(const QString& programDir, const QString& userDataDir);
// ~/.local/share/Balvix (the platform's data folder for the user).
QString userDataFolder();

// Opens the database while the splash window shows the progress, then keeps the
// splash up for the rest of its second. On failure returns nullptr and fills `error`
// with a message naming the file; nothing is created.
std::unique_ptr<storage::Session> openDatabaseAtStartup(frmSplash* splash, const QString& path,
                                                        QString* error);

// How long start-up looks for damaged pages. A larger file is checked as far as that
// time allows, the rest is left to "Сервис → Проверка базы данных…".
constexpr int kStartupCheckMs = 3000;

// Looks for damage in the database just opened (within kStartupCheckMs) and reports
// damage as a warning: the program still starts, so that a copy can be restored.
void checkDatabaseAtStartup(storage::Session& db);

// A start-up failure: always a line on stderr, and a message box when there is a
// display to show it on.
void reportStartupFailure(const QString& message);
// The same for a problem that does not stop start-up.
void reportStartupWarning(const QString& message);

// Loads Qt's own Russian translations, so standard buttons read «Да», «Нет», «Отмена».
void installRussianTranslations();

}  // namespace balvix::shell
