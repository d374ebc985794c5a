#include "app/database_commands.h"

#include <QDir>
#include <cstdio>

#include "app/console_host.h"
#include "config/audit_trail.h"
#include "config/closed_periods.h"
#include "script/objects/register_totals.h"
#include "storage/database_copy.h"
#include "storage/database_file.h"
#include "storage/session.h"

namespace balvix::app {

namespace {

void printError(const QString& text) {
  std::fprintf(stderr, "balvix: %s\n", text.toUtf8().constData());
}

std::unique_ptr<storage::Session> openDatabase(const QString& dbPath) {
  return openCommandDatabase(dbPath);
}

}  // namespace

int checkCommand(const QString& dbPath) {
  const std::unique_ptr<storage::Session> db = openDatabase(dbPath);
  if (!db) return 2;
  try {
    const storage::IntegrityReport report = storage::checkIntegrity(*db, true);
    if (report.damaged()) {
      std::printf("%s\n", report.description(db->path()).toUtf8().constData());
      return 1;
    }
    const QStringList differences = script::totals::compareAll(*db);
    for (const QString& line : differences)
      std::printf("Итоги не совпадают с движениями: %s\n", line.toUtf8().constData());
    const config::audit::Verification audit = config::audit::verify(*db);
    if (!audit.ok()) std::printf("%s\n", audit.text().toUtf8().constData());
    if (!differences.isEmpty() || !audit.ok()) return 1;
  } catch (const storage::DbError& e) {
    printError(e.description());
    return 1;
  }
  std::printf("Проверка базы данных %s закончена: повреждений не найдено.\n",
              dbPath.toUtf8().constData());
  return 0;
}

int rebuildTotalsCommand(const QString& dbPath) {
  const std::unique_ptr<storage::Session> db = openDatabase(dbPath);
  if (!db) return 2;
  int registers = 0;
  try {
    registers = script::totals::rebuildAll(*db);
    // The totals tables are made anew: so are their guards of the closed period.
    config::periods::guardTables(*db);
  } catch (const storage::DbError& e) {
    printError(e.description());
    return 1;
  }
  std::printf("Итоги пересчитаны по движениям, регистров: %d\n", registers);
  return 0;
}

int backupCommand(const QString& database, const QString& file, bool force) {
  try {
    // A database on a server is written into the file through a session of its own.
    if (storage::Session::isServerAddress(database))
      storage::copyServerDatabase(*storage::Session::open(database), file, {}, force);
    else
      storage::backupDatabaseFile(database, file, {}, force);
  } catch (const storage::DbError& e) {
    printError(e.description());
    return 1;
  }
  // The record goes in after the copy, as the window's backup does: the copy is the state the
  // record speaks of.
  try {
    std::unique_ptr<storage::Session> db = storage::Session::open(database);
    config::audit::append(*db, config::audit::event::kBackup, QStringLiteral("База данных"),
                          QString(),
                          QStringLiteral("Резервная копия записана в файл «%1» (командой).")
                              .arg(QDir::toNativeSeparators(file)));
  } catch (const storage::DbError& e) {
    printError(QStringLiteral("копия записана, но в журнал регистрации не внесена: ") +
               e.description());
  }
  std::printf("Резервная копия базы данных %s записана в %s\n", database.toUtf8().constData(),
              file.toUtf8().constData());
  return 0;
}

int copyDatabaseCommand(const QString& from, const QString& to) {
  const std::unique_ptr<storage::Session> db = openDatabase(from);
  if (!db) return 2;
  try {
    storage::copyDatabase(*db, to);
  } catch (const storage::DbError& e) {
    printError(e.description());
    return 1;
  }
  std::printf("База данных %s скопирована в %s; число строк каждой таблицы сверено.\n",
              db->path().toUtf8().constData(), to.toUtf8().constData());
  return 0;
}

}  // namespace balvix::app
