// The locks of objects open for editing, and the programs at work, on a database server: the
// server's session advisory locks, taken on a connection of their own, so that they last exactly
// as long as the program (a killed program's connection ends, and its locks with it) and no
// transaction of the program's own session touches them.
#include <libpq-fe.h>

#include <QCryptographicHash>
#include <QRandomGenerator>
#include <algorithm>
#include <map>
#include <string>

#include "storage/object_locks.h"

namespace balvix::storage {
namespace {

// The table of the programs' names: the server keeps only Latin letters in a connection's
// application name, so a connection carries a token and the name is looked up by it. A row
// whose connection is gone means nothing (the list joins the server's list of connections).
constexpr const char* kUsersTable =
    "CREATE TABLE IF NOT EXISTS balvix_users(token text PRIMARY KEY, name text NOT NULL, "
    "present boolean NOT NULL DEFAULT false)";
constexpr const char* kApplicationPrefix = "balvix:";

// The posting locks use the one-number form of the server's advisory locks; these use the
// two-number form, which the server keeps apart from it.
struct LockKeys {
  int first = 0;
  int second = 0;
};

LockKeys keysOf(const QString& key) {
  const QByteArray digest = QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1);
  const auto part = [&](int at) {
    quint32 value = 0;
    for (int i = 0; i < 4; ++i) value = (value << 8) | static_cast<unsigned char>(digest[at + i]);
    return static_cast<int>(value & 0x7fffffffU);
  };
  return {part(0), part(4)};
}

class ServerObjectLocks final : public ObjectLocks {
 public:
  explicit ServerObjectLocks(QString address) : m_address(std::move(address)) {
    m_token = QString::number(QRandomGenerator::system()->generate64(), 16) +
              QString::number(QRandomGenerator::system()->generate64(), 16);
  }
  ~ServerObjectLocks() override {
    if (!m_conn) return;
    // Given back before the connection closes: the server ends a closed connection's session a
    // moment later, and another program asking meanwhile would still find them held.
    if (PQstatus(m_conn) == CONNECTION_OK) {
      command("SELECT pg_catalog.pg_advisory_unlock_all()");
      query("DELETE FROM balvix_users WHERE token = $1", {m_token});
    }
    PQfinish(m_conn);
  }

  QString tryLock(const QString& key, const QString& who) override {
    if (auto it = m_held.find(key); it != m_held.end()) {
      ++it->second.count;
      return {};
    }
    // Without the server's locks the program works on: the versions checked at a save still
    // keep one user from overwriting another.
    if (!connection(who)) return {};
    const LockKeys keys = keysOf(key);
    const QStringList numbers{QString::number(keys.first), QString::number(keys.second)};
    for (int attempt = 0; attempt < 3; ++attempt) {
      if (query("SELECT pg_try_advisory_lock($1::int4, $2::int4)", numbers) ==
          QStringLiteral("t")) {
        m_held[key] = {keys, 1};
        return {};
      }
      const QString holder = query(
          "SELECT coalesce(u.name, a.usename::text) FROM pg_catalog.pg_locks l JOIN "
          "pg_catalog.pg_stat_activity a ON a.pid = l.pid LEFT JOIN balvix_users u ON "
          "a.application_name = 'balvix:' || u.token WHERE l.locktype = 'advisory' AND l.granted "
          "AND l.objsubid = 2 AND l.classid = $1::int4::oid AND l.objid = $2::int4::oid AND "
          "l.database = (SELECT oid FROM pg_catalog.pg_database WHERE datname = "
          "current_database()) LIMIT 1",
          numbers);
      // Given back between the two questions: asked again.
      if (!holder.isEmpty()) return holder;
    }
    return {};
  }

  void unlock(const QString& key) override {
    auto it = m_held.find(key);
    if (it == m_held.end() || --it->second.count > 0) return;
    const LockKeys keys = it->second.keys;
    m_held.erase(it);
    if (m_conn && PQstatus(m_conn) == CONNECTION_OK)
      query("SELECT pg_advisory_unlock($1::int4, $2::int4)",
            {QString::number(keys.first), QString::number(keys.second)});
  }

  void registerPresence(const QString& who) override {
    m_present = true;
    if (connection(who)) announce(who);
  }

  QStringList otherUsers() override {
    if (!connection(m_name)) return {};
    QStringList users;
    PGresult* result =
        run("SELECT u.name FROM balvix_users u JOIN pg_catalog.pg_stat_activity a ON "
            "a.application_name = 'balvix:' || u.token WHERE u.present AND u.token <> $1 AND "
            "a.datname = current_database()",
            {m_token});
    if (PQresultStatus(result) == PGRES_TUPLES_OK)
      for (int r = 0; r < PQntuples(result); ++r)
        users << QString::fromUtf8(PQgetvalue(result, r, 0));
    PQclear(result);
    std::sort(users.begin(), users.end());
    return users;
  }

 private:
  struct Held {
    LockKeys keys;
    int count = 0;  // windows of this program that took it
  };

  // The connection of the locks, made (or made again after it was lost, with the locks this
  // program held taken again) when needed; null when the server cannot be reached.
  PGconn* connection(const QString& who) {
    if (m_conn && PQstatus(m_conn) == CONNECTION_OK) return m_conn;
    if (m_conn) PQfinish(m_conn);
    m_conn = PQconnectdb(m_address.toUtf8().constData());
    if (PQstatus(m_conn) != CONNECTION_OK) {
      PQfinish(m_conn);
      m_conn = nullptr;
      return nullptr;
    }
    PQsetClientEncoding(m_conn, "UTF8");
    PQsetNoticeProcessor(
        m_conn, [](void*, const char*) {}, nullptr);
    PQclear(PQexec(m_conn, "SET client_min_messages = warning"));
    command("SET application_name = '" + std::string(kApplicationPrefix) + m_token.toStdString() +
            '\'');
    // Two programs starting at once may both make the table: the loser asks again.
    for (int attempt = 0; attempt < 3 && !command(kUsersTable); ++attempt) {
    }
    // Rows of programs that have ended are of no use to anyone.
    command(
        "DELETE FROM balvix_users WHERE 'balvix:' || token NOT IN (SELECT application_name FROM "
        "pg_catalog.pg_stat_activity WHERE application_name IS NOT NULL)");
    announce(who.isEmpty() ? m_name : who);
    for (auto& [key, held] : m_held)
      query("SELECT pg_try_advisory_lock($1::int4, $2::int4)",
            {QString::number(held.keys.first), QString::number(held.keys.second)});
    return m_conn;
  }

  void announce(const QString& who) {
    if (!who.isEmpty()) m_name = who;
    query(
        "INSERT INTO balvix_users (token, name, present) VALUES ($1, $2, $3::boolean) ON "
        "CONFLICT (token) DO UPDATE SET name = EXCLUDED.name, present = EXCLUDED.present",
        {m_token, m_name, m_present ? QStringLiteral("true") : QStringLiteral("false")});
  }

  PGresult* run(const char* sql, const QStringList& parameters) {
    std::vector<QByteArray> texts;
    std::vector<const char*> values;
    for (const QString& p : parameters) texts.push_back(p.toUtf8());
    for (const QByteArray& t : texts) values.push_back(t.constData());
    return PQexecParams(m_conn, sql, static_cast<int>(values.size()), nullptr, values.data(),
                        nullptr, nullptr, 0);
  }
  // The first value of the answer; empty when there is none or the statement failed.
  QString query(const char* sql, const QStringList& parameters) {
    PGresult* result = run(sql, parameters);
    QString value;
    if (PQresultStatus(result) == PGRES_TUPLES_OK && PQntuples(result) > 0)
      value = QString::fromUtf8(PQgetvalue(result, 0, 0));
    PQclear(result);
    return value;
  }
  bool command(const std::string& sql) {
    PGresult* result = PQexec(m_conn, sql.c_str());
    const bool ok = PQresultStatus(result) == PGRES_COMMAND_OK;
    PQclear(result);
    return ok;
  }

  QString m_address;
  QString m_token;
  QString m_name;
  bool m_present = false;
  PGconn* m_conn = nullptr;
  std::map<QString, Held> m_held;
};

}  // namespace

std::unique_ptr<ObjectLocks> serverObjectLocks(const QString& address) {
  return std::make_unique<ServerObjectLocks>(address);
}

}  // namespace balvix::storage
