#include "app/config_commands.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>

#include "documents/config_import.h"
#include "documents/sole_user.h"
#include "storage/object_locks.h"
#include "storage/session.h"

namespace balvix::app {

namespace {

void printError(const QString& text) {
  std::fprintf(stderr, "balvix: %s\n", text.toUtf8().constData());
}

void printLine(const QString& text) {
  std::printf("%s\n", text.toUtf8().constData());
}

// The rows a rebuild copies, told on the error stream so that the report stays clean.
class ConsoleProgress : public storage::RebuildProgress {
 public:
  void start(const QString& table, qint64 totalRows) override {
    m_table = table;
    m_total = totalRows;
  }
  void advance(qint64 copiedRows) override {
    if (m_total > 0)
      std::fprintf(stderr, "Перенос записей таблицы %s: %lld из %lld\n",
                   m_table.toUtf8().constData(), static_cast<long long>(copiedRows),
                   static_cast<long long>(m_total));
  }
  void finish() override {}

 private:
  QString m_table;
  qint64 m_total = 0;
};

}  // namespace

int exportConfigCommand(const QString& dbPath, const QString& dir) {
  try {
    const std::unique_ptr<storage::Session> db = storage::Session::open(dbPath);
    const int files = documents::exportConfiguration(*db, dir);
    printLine(QStringLiteral("Конфигурация базы %1 выгружена в папку %2, файлов: %3")
                  .arg(dbPath, dir)
                  .arg(files));
  } catch (const storage::DbError& e) {
    printError(e.description());
    return 1;
  }
  return 0;
}

int importConfigCommand(const ImportConfigCommand& command) {
  const bool created = command.newDatabase && !command.dryRun;
  try {
    const documents::ConfigTree files = documents::readConfigurationFiles(command.dir);
    std::unique_ptr<storage::Session> db;
    QTemporaryDir scratch;
    if (created) {
      db = storage::Session::createNew(command.dbPath);
    } else if (command.newDatabase) {
      // A dry run into a database that does not exist yet compares with a new empty one.
      if (QFileInfo::exists(command.dbPath))
        throw storage::DbError(storage::ErrorCode::FileExists,
                               QStringLiteral("Файл «%1» уже существует.").arg(command.dbPath));
      db = storage::Session::createNew(scratch.filePath(QStringLiteral("empty.mdb")));
    } else {
      db = storage::Session::open(command.dbPath);
    }
    try {
      const documents::ImportPlan plan = documents::planImport(*db, files);
      for (const QString& line : plan.lines()) printLine(line);
      if (!plan.problems.isEmpty())
        throw storage::DbError(storage::ErrorCode::Other,
                               QStringLiteral("Конфигурация не загружена."));
      if (command.dryRun || plan.isEmpty()) return 0;
      if (plan.losesData && !command.allowDataLoss)
        throw storage::DbError(
            storage::ErrorCode::Other,
            QStringLiteral("Конфигурация не загружена: загрузка удалила бы данные (см. "
                           "«Последствия для данных»). Чтобы загрузить ее все равно, укажите "
                           "--allow-data-loss."));
      documents::requireSoleUser(storage::objectLocksFor(*db).get());
      ConsoleProgress progress;
      documents::applyImport(*db, files, plan, command.allowDataLoss, &progress);
      printLine(QStringLiteral("Конфигурация загружена в базу %1, объектов изменено: %2")
                    .arg(command.dbPath)
                    .arg(plan.diff.objects.size()));
    } catch (...) {
      if (created) {
        db.reset();
        for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
          QFile::remove(command.dbPath + suffix);
      }
      throw;
    }
  } catch (const storage::DbError& e) {
    printError(e.description());
    return 1;
  }
  return 0;
}

}  // namespace balvix::app
