#include "storage/database_file.h"

#include <sqlite3.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QUrl>
#ifdef Q_OS_UNIX
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#endif
#include <atomic>
#include <chrono>
#include <cstdio>
#include <exception>
#include <thread>

#include "storage/database_copy.h"
#include "storage/db_error.h"
#include "storage/engine_error.h"
#include "storage/session.h"

namespace balvix::storage {

namespace {

constexpr int kPagesPerStep = 256;
constexpr int kBusyWaitMs = 50;
constexpr int kBusyWaits = 200;  // ten seconds for another program to let go of the file
constexpr int kShownProblems = 10;

QString display(const QString& file) {
  return QDir::toNativeSeparators(file);
}

bool hasContent(const QString& file) {
  const QFileInfo info(file);
  return info.exists() && info.size() > 0;
}

// Whether this process may write the file or create files in the folder, as the system
// decides it (a read-only medium refuses even the superuser).
bool writable(const QString& path) {
#ifdef Q_OS_UNIX
  return ::access(QFile::encodeName(path).constData(), W_OK) == 0;
#else
  return QFileInfo(path).isWritable();
#endif
}

// A handle that is closed however the function using it ends.
class Handle {
 public:
  explicit Handle(sqlite3* db = nullptr) : m_db(db) {}
  ~Handle() { sqlite3_close_v2(m_db); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  sqlite3* get() const { return m_db; }

 private:
  sqlite3* m_db;
};

// Opens a file for reading only. An immutable file is read as it lies on disk: its
// journal and change log are ignored and no lock is taken, so nothing at all is written,
// not even a recovery the engine would otherwise run on its own.
sqlite3* openForReading(const QString& file, bool immutable) {
  QByteArray uri = QUrl::fromLocalFile(file).toEncoded();
  if (immutable) uri += "?immutable=1";
  sqlite3* db = nullptr;
  const int rc =
      sqlite3_open_v2(uri.constData(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
  if (rc != SQLITE_OK) {
    const DbError error = engineError(db, rc, file);
    sqlite3_close_v2(db);
    throw error;
  }
  sqlite3_extended_result_codes(db, 1);
  sqlite3_busy_timeout(db, kBusyWaits * kBusyWaitMs);
  return db;
}

// A copy or a file found elsewhere is read immutable unless a change log lies beside it,
// whose content belongs to the database.
sqlite3* openCopy(const QString& file) {
  return openForReading(file, !hasContent(file + QStringLiteral("-wal")));
}

// 1 when form_items is there, 0 when the file holds no such table, -1 when it cannot be read.
int formItemsProbe(sqlite3* db) {
  sqlite3_stmt* probe = nullptr;
  int rc = sqlite3_prepare_v2(
      db, "SELECT count(*) FROM sqlite_master WHERE type='table' AND name='form_items'", -1, &probe,
      nullptr);
  int result = -1;
  if (rc == SQLITE_OK && sqlite3_step(probe) == SQLITE_ROW)
    result = sqlite3_column_int(probe, 0) > 0 ? 1 : 0;
  sqlite3_finalize(probe);
  return result;
}

IntegrityReport runCheck(sqlite3* db, const QString& file, bool thorough) {
  IntegrityReport report;
  sqlite3_stmt* stmt = nullptr;
  int rc = sqlite3_prepare_v2(
      db, thorough ? "PRAGMA integrity_check(100)" : "PRAGMA quick_check(100)", -1, &stmt, nullptr);
  if (rc == SQLITE_OK) {
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
      const QString line =
          QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
      if (line != QLatin1String("ok")) report.problems << line;
    }
  }
  sqlite3_finalize(stmt);
  const int primary = rc & 0xff;
  if (rc == SQLITE_DONE) return report;
  if (primary == SQLITE_INTERRUPT) {
    report.complete = false;
    report.problems.clear();
    return report;
  }
  if (primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB || primary == SQLITE_IOERR) {
    report.problems << QString::fromUtf8(sqlite3_errmsg(db));
    return report;
  }
  throw engineError(db, rc, file);
}

IntegrityReport boundedCheck(sqlite3* reader, const QString& file, bool thorough, int timeLimitMs,
                             const WorkProgress& progress) {
  if (progress && !progress(0, 0)) return IntegrityReport{false, {}};
  // The check runs in a worker thread on a connection of its own: the caller keeps serving
  // its windows meanwhile, and stops the check at any moment by interrupting the engine
  // (the engine's own progress callback is not called inside the page walk).
  IntegrityReport report;
  std::exception_ptr failure;
  std::atomic<bool> finished{false};
  std::thread worker([&] {
    try {
      report = runCheck(reader, file, thorough);
    } catch (...) {
      failure = std::current_exception();
    }
    finished = true;
  });
  QElapsedTimer timer;
  timer.start();
  bool stopped = false;
  while (!finished) {
    if (!stopped &&
        ((timeLimitMs > 0 && timer.elapsed() >= timeLimitMs) || (progress && !progress(0, 0)))) {
      sqlite3_interrupt(reader);
      stopped = true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  worker.join();
  if (stopped) return IntegrityReport{false, {}};
  if (failure) std::rethrow_exception(failure);
  return report;
}

// Copies every page of `from` into `to` with the engine's online backup. Another
// connection's change to the source makes the engine start over, so what arrives is
// always one state of the source.
void copyPages(sqlite3* from, sqlite3* to, const QString& toFile, const WorkProgress& progress) {
  sqlite3_backup* backup = sqlite3_backup_init(to, "main", from, "main");
  if (!backup) throw engineError(to, sqlite3_errcode(to), toFile);
  int rc = SQLITE_OK;
  int waits = 0;
  bool cancelled = progress && !progress(0, 0);
  while (!cancelled) {
    rc = sqlite3_backup_step(backup, progress ? kPagesPerStep : -1);
    const int primary = rc & 0xff;
    if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED) {
      if (++waits > kBusyWaits) break;
      sqlite3_sleep(kBusyWaitMs);
    } else if (rc != SQLITE_OK && rc != SQLITE_DONE) {
      break;
    } else {
      waits = 0;
    }
    if (progress) {
      const qint64 total = sqlite3_backup_pagecount(backup);
      // Once everything is copied there is nothing left to stop.
      cancelled = !progress(total - sqlite3_backup_remaining(backup), total) && rc != SQLITE_DONE;
    }
    if (rc == SQLITE_DONE) break;
  }
  // Finishing before the end rolls back whatever was written to the destination.
  const int finish = sqlite3_backup_finish(backup);
  if (cancelled) throw DbError(ErrorCode::Other, QStringLiteral("Копирование прервано."));
  if (rc != SQLITE_DONE) throw engineError(to, finish != SQLITE_OK ? finish : rc, toFile);
}

void removeWithSidecars(const QString& file) {
  QFile::remove(file);
  for (const char* suffix : {"-wal", "-shm", "-journal"})
    QFile::remove(file + QLatin1String(suffix));
}

void requireDifferentFiles(const QString& a, const QString& b, const QString& message) {
  const QString ca = QFileInfo(a).canonicalFilePath();
  if (QFileInfo(a).absoluteFilePath() == QFileInfo(b).absoluteFilePath() ||
      (!ca.isEmpty() && ca == QFileInfo(b).canonicalFilePath()))
    throw DbError(ErrorCode::FileExists, message);
}

bool startsLikeADatabase(const QString& file) {
  QFile f(file);
  return f.open(QIODevice::ReadOnly) && f.read(16) == QByteArray("SQLite format 3\0", 16);
}

// A database that a copy is about to replace, locked so that no program opens it until the copy
// has taken its place. Refused while some program has it open, and unless `force` is given.
// An empty handle when the target is no database (or is not there): nothing to keep.
std::unique_ptr<Handle> holdTarget(const QString& target, bool force) {
  if (!QFileInfo::exists(target)) return nullptr;
  const bool logged = hasContent(target + QStringLiteral("-wal"));
  if (!startsLikeADatabase(target) && !logged) return nullptr;
  sqlite3* raw = nullptr;
  if (sqlite3_open_v2(QFile::encodeName(target).constData(), &raw, SQLITE_OPEN_READWRITE,
                      nullptr) != SQLITE_OK) {
    sqlite3_close_v2(raw);
    throw DbError(ErrorCode::CannotOpen,
                  QStringLiteral("Файл «%1» не удается заменить копией: он недоступен для записи.")
                      .arg(display(target)));
  }
  auto held = std::make_unique<Handle>(raw);
  sqlite3_extended_result_codes(raw, 1);
  // In exclusive mode the first transaction takes the file for as long as the connection
  // lives, and it cannot while any other connection has the file open.
  sqlite3_exec(raw, "PRAGMA locking_mode=EXCLUSIVE", nullptr, nullptr, nullptr);
  const int rc = sqlite3_exec(raw, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr);
  const int primary = rc & 0xff;
  if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED) {
    const QString holder = lockHolder(target);
    throw DbError(
        ErrorCode::Locked,
        QStringLiteral("Файл «%1» — база данных, открытая сейчас %2; копия не "
                       "записана поверх нее.")
            .arg(display(target), holder.isEmpty()
                                      ? QStringLiteral("другой программой")
                                      : QStringLiteral("другой программой (%1)").arg(holder)));
  }
  // Not a database after all (a file that merely begins like one): it is replaced as any file.
  if (rc != SQLITE_OK) return nullptr;
  if (!force)
    throw DbError(ErrorCode::FileExists,
                  QStringLiteral("Файл «%1» уже содержит базу данных; копия не записана поверх "
                                 "нее. Выберите другой файл или укажите --force, чтобы заменить "
                                 "его.")
                      .arg(display(target)));
  return held;
}

// Writes the copy under a temporary name beside the target, checks it, and only then
// gives it the target's name, so a target never holds half a copy.
void writeCopy(sqlite3* source, const QString& sourceFile, const QString& target,
               const WorkProgress& progress, bool force) {
  requireDifferentFiles(sourceFile, target,
                        QStringLiteral("Копию нельзя записать в сам файл базы данных «%1».")
                            .arg(display(sourceFile)));
  const std::unique_ptr<Handle> held = holdTarget(target, force);
  const QString marker = QStringLiteral(".part-");
  removeAbandonedWork(target, marker);
  // The process id in the name tells a later copy whether this one is still being written.
  const QString temp = target + marker + QString::number(QCoreApplication::applicationPid()) +
                       QLatin1Char('-') +
                       QString::number(QRandomGenerator::global()->generate(), 16);
  sqlite3* raw = nullptr;
  if (sqlite3_open_v2(QFile::encodeName(temp).constData(), &raw,
                      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
    sqlite3_close_v2(raw);
    removeWithSidecars(temp);
    throw DbError(ErrorCode::CannotOpen,
                  QStringLiteral("Не удается создать файл копии «%1»: папка не существует или "
                                 "недоступна для записи.")
                      .arg(display(target)));
  }
  try {
    Handle copy(raw);
    sqlite3_extended_result_codes(raw, 1);
    try {
      copyPages(source, raw, target, progress);
    } catch (const DbError& e) {
      // Pages the engine could not read are the source's damage, not the copy's.
      const int read = sqlite3_errcode(source) & 0xff;
      if (e.number() == ErrorCode::NotADatabase || read == SQLITE_CORRUPT || read == SQLITE_NOTADB)
        throw DbError(ErrorCode::NotADatabase,
                      QStringLiteral("База данных «%1» повреждена; копия не записана.")
                          .arg(display(sourceFile)));
      throw;
    }
    const IntegrityReport check = runCheck(raw, target, false);
    if (check.damaged())
      throw DbError(ErrorCode::NotADatabase,
                    QStringLiteral("База данных «%1» повреждена; копия не записана.\n")
                            .arg(display(sourceFile)) +
                        check.problems.join(QLatin1Char('\n')));
  } catch (...) {
    removeWithSidecars(temp);
    throw;
  }
  for (const char* suffix : {"-wal", "-shm", "-journal"}) {
    QFile::remove(temp + QLatin1String(suffix));
    // What lies beside the target belongs to the file being replaced (held above, or no
    // database at all); left there, it would be applied to the copy.
    QFile::remove(target + QLatin1String(suffix));
  }
  if (std::rename(QFile::encodeName(temp).constData(), QFile::encodeName(target).constData()) !=
      0) {
    QFile::remove(temp);
    throw DbError(ErrorCode::CannotOpen,
                  QStringLiteral("Не удается записать копию в файл «%1».").arg(display(target)));
  }
}

}  // namespace

void verifyOwnDatabase(const QString& file) {
  QFile f(file);
  if (!f.open(QIODevice::ReadOnly))
    throw DbError(
        ErrorCode::CannotOpen,
        QStringLiteral("Файл базы данных «%1» недоступен для чтения.").arg(display(file)));
  if (f.read(16) != QByteArray("SQLite format 3\0", 16))
    throw DbError(ErrorCode::NotADatabase, notADatabaseText(file));
  f.close();

  // The file is read as it lies; a probe that fails for want of a consistent read is tried
  // again, since another copy of the program may be writing pages into the file meanwhile.
  const bool logged = hasContent(file + QStringLiteral("-wal"));
  for (int attempt = 0; attempt < 3; ++attempt) {
    int probe = -1;
    try {
      Handle db(openForReading(file, true));
      probe = formItemsProbe(db.get());
    } catch (const DbError&) {
    }
    if (probe == 1) return;
    if (probe == 0 && !logged) throw DbError(ErrorCode::NotADatabase, notADatabaseText(file));
    if (probe == 0) break;
    sqlite3_sleep(kBusyWaitMs);
  }
  if (logged) {
    // A crash (or the power) may have caught the engine folding its change log into the file:
    // the file alone is then a mixture of old and new pages, and only read through the log
    // is it the database. A read-only connection replays the log in memory and writes
    // nothing into either file; the index of the log it makes is removed again.
    const QString shm = file + QStringLiteral("-shm");
    const bool shmBefore = QFileInfo::exists(shm);
    int probe = -1;
    try {
      Handle db(openForReading(file, false));
      probe = formItemsProbe(db.get());
    } catch (const DbError&) {
    }
    if (!shmBefore) QFile::remove(shm);
    if (probe == 1) return;
    throw DbError(ErrorCode::NotADatabase, notADatabaseText(file));
  }
  // Unreadable as it lies: only with no journal beside it may the engine open it normally
  // (and then say what is wrong), since then nothing would be written.
  if (hasContent(file + QStringLiteral("-journal")))
    throw DbError(ErrorCode::NotADatabase, notADatabaseText(file));
}

void verifyWritable(const QString& file) {
  const QFileInfo info(file);
  const QFileInfo folder(info.absolutePath());
  const QFileInfo wal(file + QStringLiteral("-wal"));
  const QFileInfo shm(file + QStringLiteral("-shm"));
  const bool logsReady =
      wal.exists() && writable(wal.filePath()) && shm.exists() && writable(shm.filePath());
  // The folder first: on a read-only medium the file is read-only too, and the folder (or
  // the medium) is what the user has to change.
  if (!writable(folder.filePath()) && !logsReady)
    throw DbError(ErrorCode::ReadOnly,
                  QStringLiteral("База данных «%1» находится в папке или на носителе, доступных "
                                 "только для чтения. Программа ведет рядом с базой журнал "
                                 "изменений и не может работать с ней там. Скопируйте базу в "
                                 "папку, доступную для записи.")
                      .arg(display(file)));
  if (!writable(file))
    throw DbError(ErrorCode::ReadOnly,
                  QStringLiteral("Файл базы данных «%1» доступен только для чтения (защищен от "
                                 "записи). Программа записывает в базу каждое изменение и не "
                                 "может работать с ней. Снимите с файла защиту от записи или "
                                 "скопируйте его в папку, доступную для записи.")
                      .arg(display(file)));
}

QString IntegrityReport::description(const QString& file) const {
  QStringList shown = problems.mid(0, kShownProblems);
  if (problems.size() > kShownProblems)
    shown << QStringLiteral("... и еще %1").arg(problems.size() - kShownProblems);
  return QStringLiteral(
             "База данных «%1» повреждена. Проверка нашла:\n%2\nВосстановите базу из "
             "резервной копии (Сервис → Восстановить из копии…).")
      .arg(display(file), shown.join(QLatin1Char('\n')));
}

IntegrityReport checkIntegrity(Session& db, bool thorough, int timeLimitMs,
                               const WorkProgress& progress) {
  // The server keeps its pages whole itself; there is no file here to look through.
  if (db.isServer()) return {};
  Handle reader(openForReading(db.path(), false));
  return boundedCheck(reader.get(), db.path(), thorough, timeLimitMs, progress);
}

void backupDatabase(Session& db, const QString& target, const WorkProgress& progress, bool force) {
  if (db.isServer()) {
    copyServerDatabase(db, QFileInfo(target).absoluteFilePath(), progress, force);
    return;
  }
  writeCopy(db.handle(), db.path(), QFileInfo(target).absoluteFilePath(), progress, force);
}

void backupDatabaseFile(const QString& source, const QString& target, const WorkProgress& progress,
                        bool force) {
  const QString file = QFileInfo(source).absoluteFilePath();
  if (!QFileInfo::exists(file)) throw DbError(ErrorCode::FileNotFound, fileNotFoundText(file));
  verifyOwnDatabase(file);
  // Where nobody can write beside the file, no change log can be there either.
  const bool immutable =
      !writable(QFileInfo(file).absolutePath()) && !hasContent(file + QStringLiteral("-wal"));
  const QString wal = file + QStringLiteral("-wal");
  const QString shm = file + QStringLiteral("-shm");
  const bool sidecarsBefore = QFileInfo::exists(wal) || QFileInfo::exists(shm);
  try {
    Handle db(openForReading(file, immutable));
    writeCopy(db.get(), file, QFileInfo(target).absoluteFilePath(), progress, force);
  } catch (...) {
    // A reader leaves an empty change log and its index behind; when it made them, and no
    // other program has the file open meanwhile, they go with it.
    if (!sidecarsBefore && !hasContent(wal) && lockHolder(file).isEmpty()) {
      QFile::remove(wal);
      QFile::remove(shm);
    }
    throw;
  }
  if (!sidecarsBefore && !hasContent(wal) && lockHolder(file).isEmpty()) {
    QFile::remove(wal);
    QFile::remove(shm);
  }
}

void restoreDatabase(Session& db, const QString& copy, const QString& aside,
                     const WorkProgress& progress) {
  if (db.isServer())
    throw DbError(ErrorCode::Other,
                  QStringLiteral("База данных на сервере не заменяется копией из программы, пока "
                                 "с ней работают другие пользователи: создайте на сервере пустую "
                                 "базу данных и скопируйте в нее копию (balvix --copy-database "
                                 "КОПИЯ АДРЕС)."));
  const QString file = QFileInfo(copy).absoluteFilePath();
  if (!QFileInfo::exists(file)) throw DbError(ErrorCode::FileNotFound, fileNotFoundText(file));
  requireDifferentFiles(file, db.path(),
                        QStringLiteral("База данных не может быть восстановлена из самой себя."));
  if (db.inTransaction())
    throw DbError(ErrorCode::Other,
                  QStringLiteral("Идет запись в базу данных; повторите восстановление позже."));
  verifyOwnDatabase(file);
  Handle source(openCopy(file));
  const IntegrityReport check = boundedCheck(source.get(), file, true, 0, progress);
  if (!check.complete)
    throw DbError(ErrorCode::Other,
                  QStringLiteral("Проверка копии прервана; база данных не изменена."));
  if (check.damaged())
    throw DbError(
        ErrorCode::NotADatabase,
        QStringLiteral("Копия «%1» повреждена; база данных не изменена.\n%2")
            .arg(display(file), check.problems.mid(0, kShownProblems).join(QLatin1Char('\n'))));
  auto pageSize = [](sqlite3* handle) {
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(handle, "PRAGMA page_size", -1, &stmt, nullptr);
    const int size = sqlite3_step(stmt) == SQLITE_ROW ? sqlite3_column_int(stmt, 0) : 0;
    sqlite3_finalize(stmt);
    return size;
  };
  // A database in WAL mode takes pages of its own size only.
  if (pageSize(source.get()) != pageSize(db.handle()))
    throw DbError(ErrorCode::Other,
                  QStringLiteral("Копия «%1» записана с другим размером страницы и не может "
                                 "заменить открытую базу данных; база данных не изменена.")
                      .arg(display(file)));

  backupDatabase(db, aside, progress, true);
  try {
    copyPages(source.get(), db.handle(), db.path(), progress);
  } catch (...) {
    db.refreshTables();
    throw;
  }
  db.refreshTables();
}

void removeAbandonedWork(const QString& file, const QString& marker) {
  const QFileInfo info(file);
  const QString prefix = info.fileName() + marker;
  const QDir dir = info.dir();
  for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden)) {
    if (!name.startsWith(prefix)) continue;
    qsizetype end = prefix.size();
    while (end < name.size() && name.at(end).isDigit()) ++end;
    bool number = false;
    const qint64 pid = name.mid(prefix.size(), end - prefix.size()).toLongLong(&number);
    if (!number || pid <= 0) continue;
#ifdef Q_OS_UNIX
    if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM) continue;
#endif
    QFile::remove(dir.filePath(name));
  }
}

QString lockHolder(const QString& file) {
#ifdef Q_OS_LINUX
  // The system's table of file locks names the process of each lock by device and inode; the
  // engine locks the database file itself and the index of its change log.
  QList<QPair<quint64, quint64>> inodes;
  for (const QString& path : {file, file + QStringLiteral("-shm")}) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) == 0)
      inodes.append({static_cast<quint64>(st.st_dev), static_cast<quint64>(st.st_ino)});
  }
  QFile locks(QStringLiteral("/proc/locks"));
  if (inodes.isEmpty() || !locks.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
  qint64 holder = 0;
  bool writer = false;
  for (const QByteArray& line : locks.readAll().split('\n')) {
    const QList<QByteArray> f = line.simplified().split(' ');
    // "1: POSIX  ADVISORY  WRITE 1234 08:01:5678 0 EOF"
    if (f.size() < 6 || f.at(1) == "->") continue;
    const qint64 pid = f.at(4).toLongLong();
    const QList<QByteArray> id = f.at(5).split(':');
    if (pid <= 0 || pid == QCoreApplication::applicationPid() || id.size() != 3) continue;
    const quint64 dev = makedev(id.at(0).toUInt(nullptr, 16), id.at(1).toUInt(nullptr, 16));
    if (!inodes.contains(qMakePair(dev, id.at(2).toULongLong()))) continue;
    const bool write = f.at(3) == "WRITE";
    if (holder == 0 || (write && !writer)) {
      holder = pid;
      writer = write;
    }
  }
  if (holder == 0) return {};
  QFile comm(QStringLiteral("/proc/%1/comm").arg(holder));
  const QString name =
      comm.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(comm.readAll()).trimmed() : QString();
  return name.isEmpty() ? QStringLiteral("процесс %1").arg(holder)
                        : QStringLiteral("%1, процесс %2").arg(name).arg(holder);
#else
  Q_UNUSED(file);
  return {};
#endif
}

QString asideFileName(const QString& file, const QDateTime& moment) {
  const QFileInfo info(file);
  QString name = info.completeBaseName() + QStringLiteral(" до восстановления ") +
                 moment.toString(QStringLiteral("yyyy-MM-dd HH-mm-ss"));
  if (!info.suffix().isEmpty()) name += QLatin1Char('.') + info.suffix();
  return info.dir().filePath(name);
}

}  // namespace balvix::storage
