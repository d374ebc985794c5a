#include "storage/object_locks.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSysInfo>
#include <algorithm>
#include <map>

#include "storage/pg_session.h"
#include "storage/session.h"

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace balvix::storage {

namespace {

#ifdef Q_OS_UNIX

// What a lock file says of its holder: the user's name and the host, one a line.
struct Holder {
  QString name;
  QString host;
};

Holder readHolder(int fd) {
  QByteArray text;
  char buffer[512];
  ssize_t got = 0;
  off_t at = 0;
  while ((got = ::pread(fd, buffer, sizeof buffer, at)) > 0) {
    text.append(buffer, got);
    at += got;
  }
  const QStringList lines = QString::fromUtf8(text).split(u'\n');
  return {lines.value(0).trimmed(), lines.value(1).trimmed()};
}

QString holderText(const Holder& holder) {
  const QString name = holder.name.isEmpty() ? QStringLiteral("другой пользователь") : holder.name;
  if (holder.host.isEmpty() || holder.host == QSysInfo::machineHostName()) return name;
  return QStringLiteral("%1 (компьютер %2)").arg(name, holder.host);
}

// Opens `path` and takes its lock without waiting: the descriptor, or -1 when someone else holds
// it (their name in `holder`), or -2 when the file cannot be made. A file removed by its last
// holder between the open and the lock is opened anew, so two programs never hold two files of
// one name.
int acquire(const QString& path, Holder* holder) {
  const QByteArray name = QFile::encodeName(path);
  for (int attempt = 0; attempt < 10; ++attempt) {
    const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return -2;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      if (holder) *holder = readHolder(fd);
      ::close(fd);
      return -1;
    }
    struct stat opened {
    }, named{};
    if (::fstat(fd, &opened) == 0 && ::stat(name.constData(), &named) == 0 &&
        opened.st_ino == named.st_ino && opened.st_dev == named.st_dev)
      return fd;
    ::close(fd);
  }
  return -2;
}

void writeHolder(int fd, const QString& who) {
  const QByteArray text = (who + u'\n' + QSysInfo::machineHostName() + u'\n' +
                           QString::number(QCoreApplication::applicationPid()) + u'\n')
                              .toUtf8();
  if (::ftruncate(fd, 0) == 0) {
    const ssize_t written = ::pwrite(fd, text.constData(), static_cast<size_t>(text.size()), 0);
    (void)written;
  }
}

// The file goes while it is still locked: whoever opens the name afterwards makes a new one.
void release(int fd, const QString& path) {
  QFile::remove(path);
  ::close(fd);
}

class FileObjectLocks : public ObjectLocks {
 public:
  explicit FileObjectLocks(const QString& databaseFile)
      : m_locks(databaseFile + QStringLiteral(".locks")),
        m_users(databaseFile + QStringLiteral(".users")) {}

  ~FileObjectLocks() override {
    for (const auto& [key, held] : m_held) release(held.fd, lockFile(key));
    if (m_presence >= 0) release(m_presence, m_presenceFile);
  }

  QString tryLock(const QString& key, const QString& who) override {
    if (const auto it = m_held.find(key); it != m_held.end()) {
      ++it->second.count;
      return {};
    }
    // Where no folder can be made beside the database, nobody can lock anything there.
    if (!QDir().mkpath(m_locks)) return {};
    Holder holder;
    const int fd = acquire(lockFile(key), &holder);
    if (fd == -1) return holderText(holder);
    if (fd < 0) return {};
    writeHolder(fd, who);
    m_held.emplace(key, Held{fd, 1});
    return {};
  }

  void unlock(const QString& key) override {
    const auto it = m_held.find(key);
    if (it == m_held.end() || --it->second.count > 0) return;
    release(it->second.fd, lockFile(key));
    m_held.erase(it);
  }

  void registerPresence(const QString& who) override {
    if (m_presence >= 0) {
      writeHolder(m_presence, who);
      return;
    }
    if (!QDir().mkpath(m_users)) return;
    m_presenceFile =
        QDir(m_users).filePath(QStringLiteral("%1-%2")
                                   .arg(QCoreApplication::applicationPid())
                                   .arg(QRandomGenerator::global()->generate64(), 0, 16));
    m_presence = acquire(m_presenceFile, nullptr);
    if (m_presence >= 0) writeHolder(m_presence, who);
  }

  QStringList otherUsers() override {
    QStringList users;
    const QDir dir(m_users);
    for (const QString& entry : dir.entryList(QDir::Files | QDir::Hidden)) {
      const QString path = dir.filePath(entry);
      if (path == m_presenceFile) continue;
      const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
      if (fd < 0) continue;
      if (::flock(fd, LOCK_SH | LOCK_NB) != 0) {
        users << holderText(readHolder(fd));
        ::close(fd);
        continue;
      }
      // Nobody holds it: the program that made it has ended. Each program's file has a name of
      // its own, so no one else is about to take it.
      release(fd, path);
    }
    std::sort(users.begin(), users.end());
    return users;
  }

 private:
  QString lockFile(const QString& key) const {
    return QDir(m_locks).filePath(QString::fromLatin1(
        QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex()));
  }

  struct Held {
    int fd;
    int count;  // windows of this program that took it
  };
  QString m_locks;
  QString m_users;
  std::map<QString, Held> m_held;
  int m_presence = -1;
  QString m_presenceFile;
};

#endif

// Where nothing is known of the other programs: every lock is granted, nobody else is listed.
class NoObjectLocks : public ObjectLocks {
 public:
  QString tryLock(const QString&, const QString&) override { return {}; }
  void unlock(const QString&) override {}
  void registerPresence(const QString&) override {}
  QStringList otherUsers() override { return {}; }
};

}  // namespace

std::unique_ptr<ObjectLocks> fileObjectLocks(const QString& databaseFile) {
#ifdef Q_OS_UNIX
  return std::make_unique<FileObjectLocks>(databaseFile);
#else
  Q_UNUSED(databaseFile);
  return std::make_unique<NoObjectLocks>();
#endif
}

std::unique_ptr<ObjectLocks> objectLocksFor(Session& db) {
  if (auto* server = dynamic_cast<PgSession*>(&db))
    return serverObjectLocks(server->connectionAddress());
  if (!db.handle()) return std::make_unique<NoObjectLocks>();
  return fileObjectLocks(db.path());
}

QString currentUserName() {
#ifdef Q_OS_UNIX
  if (const passwd* entry = ::getpwuid(::geteuid()); entry && entry->pw_name)
    return QString::fromLocal8Bit(entry->pw_name);
#endif
  const QString name = qEnvironmentVariable("USER", qEnvironmentVariable("USERNAME"));
  return name.isEmpty() ? QStringLiteral("пользователь") : name;
}

}  // namespace balvix::storage
