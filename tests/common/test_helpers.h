#pragma once

#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <sqlite3.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <ostream>

#include "storage/pg_session.h"
#include "storage/session.h"

// Readable failure output for texts (GoogleTest finds these by argument-dependent lookup).
inline void PrintTo(const QString& text, std::ostream* os) {
  *os << '"' << text.toStdString() << '"';
}

// Whether `text` holds `part`; a failure shows the whole text.
inline ::testing::AssertionResult Contains(const QString& text, const QString& part) {
  if (text.contains(part)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << '"' << text.toStdString() << "\" does not contain \"" << part.toStdString() << '"';
}

namespace balvix::testing {

// The number of rows a query returns.
inline int rowCount(storage::Session& db, const QString& sql) {
  return db.openRecordset(sql).rowCount();
}

// The first column of the first row a query returns; empty when there is none.
inline QString firstText(storage::Session& db, const QString& sql) {
  storage::Recordset rs = db.openRecordset(sql);
  return rs.eof() ? QString() : rs.text(0);
}

// Makes every `event` ("INSERT", "UPDATE") on `table` fail with `message`, the way a
// locked or damaged file would, so that a test can see what a failed write leaves.
inline void failWrites(storage::Session& db, const char* event, const char* table,
                       const char* message) {
  if (auto* server = dynamic_cast<storage::PgSession*>(&db)) {
    server->runServerText(std::string("CREATE FUNCTION fail_writes() RETURNS trigger LANGUAGE "
                                      "plpgsql AS $$BEGIN RAISE EXCEPTION '") +
                          message + "'; END$$");
    server->runServerText(std::string("CREATE TRIGGER fail_writes BEFORE ") + event + " ON \"" +
                          table + "\" FOR EACH ROW EXECUTE FUNCTION fail_writes()");
    return;
  }
  const QByteArray sql = QByteArray("CREATE TRIGGER fail_writes BEFORE ") + event + " ON " + table +
                         " BEGIN SELECT RAISE(ABORT, '" + message + "'); END";
  ASSERT_EQ(sqlite3_exec(db.handle(), sql.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
}

// Writes `content` as the whole of `file`: a text, or something else that is no database.
inline void writeFile(const QString& file, const QByteArray& content) {
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << file.toStdString();
  f.write(content);
}

// Runs the program with `args` (not ending in time is a failure): its exit code (-1 when it
// crashed), what it wrote to stderr in `error` and to stdout in `output`.
inline int runProgram(const QStringList& args, QString* error = nullptr,
                      QString* output = nullptr) {
  QProcess p;
  p.start(QStringLiteral(BALVIX_BINARY), args);
  const bool ended = p.waitForFinished(120000);
  EXPECT_TRUE(ended) << "the program did not end";
  if (error) *error = QString::fromUtf8(p.readAllStandardError());
  if (output) *output = QString::fromUtf8(p.readAllStandardOutput());
  return ended && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

// One file of a zip archive (a part of an .xlsx), read by Python's zipfile as an
// independent reader; a failure is reported and gives an empty text.
inline QString zipEntry(const QString& archive, const QString& entry) {
  QProcess p;
  p.start(
      QStringLiteral("python3"),
      {"-c",
       QStringLiteral("import zipfile,sys; "
                      "sys.stdout.write(zipfile.ZipFile(sys.argv[1]).read(sys.argv[2]).decode())"),
       archive, entry});
  EXPECT_TRUE(p.waitForFinished(30000) && p.exitCode() == 0)
      << p.readAllStandardError().toStdString();
  return QString::fromUtf8(p.readAllStandardOutput());
}

// A new database made the way the program makes one, in its own temporary folder.
// The server the suites run against a second time (scripts/test.sh): the address of a
// database there that may create others (BALVIX_TEST_DATABASE); empty when they run on files.
inline QString testServer() {
  return qEnvironmentVariable("BALVIX_TEST_DATABASE");
}

// `address` naming the database `name` instead of its own.
inline QString serverAddress(const QString& address, const QString& name) {
  QString result = address;
  static const QRegularExpression database(QStringLiteral("^(postgres(?:ql)?://[^/?]*)(/[^?]*)?"));
  return result.replace(database, QStringLiteral("\\1/") + name);
}

// An empty database of its own on the test server for one test, dropped when it ends.
class ServerDatabase {
 public:
  ServerDatabase() {
    if (testServer().isEmpty()) return;
    static int counter = 0;
    m_name =
        QStringLiteral("balvix_test_%1_%2").arg(QCoreApplication::applicationPid()).arg(++counter);
    admin("CREATE DATABASE " + m_name.toUtf8());
  }
  ~ServerDatabase() {
    if (!m_name.isEmpty()) admin("DROP DATABASE IF EXISTS " + m_name.toUtf8() + " WITH (FORCE)");
  }
  ServerDatabase(const ServerDatabase&) = delete;
  ServerDatabase& operator=(const ServerDatabase&) = delete;
  bool active() const { return !m_name.isEmpty(); }
  QString address() const { return serverAddress(testServer(), m_name); }

 private:
  static void admin(const QByteArray& sql) {
    PGconn* conn = PQconnectdb(testServer().toUtf8().constData());
    PGresult* result = PQexec(conn, sql.constData());
    EXPECT_EQ(PQresultStatus(result), PGRES_COMMAND_OK)
        << sql.constData() << ": " << PQerrorMessage(conn);
    PQclear(result);
    PQfinish(conn);
  }
  QString m_name;
};

// Skips a test that checks what only a database file has (its change log, the copy API,
// file locks) when the suites run on the server.
#define BALVIX_FILE_ONLY(why)                                          \
  do {                                                                 \
    if (!balvix::testing::testServer().isEmpty()) GTEST_SKIP() << why; \
  } while (false)

class TempDatabase {
 public:
  storage::Session& db() { return *m_db; }
  QString dbPath() const { return m_dir.filePath(QStringLiteral("basa.mdb")); }
  // Where the test's database lives: the file, or its database on the test server.
  QString dbAddress() const { return m_server.active() ? m_server.address() : dbPath(); }
  int rows(const QString& sql) { return rowCount(db(), sql); }
  QString value(const QString& sql) { return firstText(db(), sql); }

 protected:
  QTemporaryDir m_dir;
  ServerDatabase m_server;
  std::unique_ptr<storage::Session> m_db = storage::Session::createNew(dbAddress());
};

}  // namespace balvix::testing
