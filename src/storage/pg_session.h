#pragma once

#include <QHash>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "storage/session.h"

struct pg_conn;

namespace balvix::storage {

class SchemaCache;

// True for the server's number types (its values need no round trip through their spelling).
bool isNumericType(unsigned int typeOid);

// The session over a database on a PostgreSQL server, through libpq. Statements are resolved
// as on a file, then rewritten for the server (pg_dialect.h). One server transaction per
// outermost transaction, at READ COMMITTED; a failing statement inside it is undone alone
// (a savepoint around it), as the file engine undoes a failing statement, so the transaction
// goes on.
class PgSession final : public Session {
 public:
  static std::unique_ptr<Session> open(const QString& address);
  static std::unique_ptr<Session> createNew(const QString& address);
  ~PgSession() override;

  void execute(const QString& sql) override;
  void executeEach(const QString& sql, const std::vector<QStringList>& rows) override;
  Recordset openRecordset(const QString& sql) override;
  Recordset openColumns(const QString& sql) override;
  void forEachRow(const QString& sql, const std::function<void(const RowView&)>& visit,
                  QStringList* columns = nullptr) override;
  void beginTransaction() override;
  void commit() override;
  void rollback() override;
  void refreshTables() override;
  bool tableExists(const QString& name) override;
  QStringList columns(const QString& table) override;
  TableVersion tableVersion(const QString& table) override;
  int schemaVersion() override;
  QString resolveIdentifiers(const QString& sql) override;
  int changes() const override { return m_changes; }
  void setBusyTimeout(int milliseconds) override;

  // Like executeEach, with values of any type: Null stays Null, numbers stay numbers (for
  // copies between databases).
  void executeValues(const QString& sql, const std::vector<std::vector<QVariant>>& rows);

  // Runs server text as it is, past resolution and rewriting (storage's own PL/pgSQL).
  void runServerText(const std::string& sql);
  Recordset serverRecordset(const std::string& sql);
  // Runs a statement of the program's dialect with its names as written, not resolved: what
  // another program (or an older version of this one) would have sent.
  void executeUnresolved(const QString& sql);
  // The first column of a catalog query with one text parameter ($1).
  QStringList serverColumn(const char* sql, const QString& parameter);

  // A name as the server keeps it: cut to its 63 bytes (or `bytes`), on a letter's boundary.
  static QString serverName(const QString& name, int bytes = 63);

  // The address the session was opened with, for another connection of the same program.
  const QString& connectionAddress() const { return m_address; }
  // How many commits of other connections to the database this session has been told of (each
  // writing commit announces itself on a channel every session listens to); -1 inside a
  // transaction.
  qint64 othersCommits();
  // Waits for the transaction lock of a posting key (posting_locks.h) and holds it to the end
  // of the transaction.
  void takePostingLock(const QString& key);

 private:
  struct Result;
  struct Statement {
    std::string text;
    int params = 0;
    bool definition = false;
  };

  PgSession(pg_conn* connection, QString address, QString shown);
  static pg_conn* connect(const QString& address, const QString& shown);
  void prepareConnection();
  void runSetup();
  void ensureConnected();
  const Statement& statement(const QString& sql);
  Result run(const Statement& statement, int count = 0, const char* const* values = nullptr,
             const int* lengths = nullptr);
  Result runPlain(const std::string& sql);
  [[noreturn]] void fail(struct pg_result* result);
  void afterDefinition(const QString& sql);
  // The names of `sql` longer than the server keeps: each as the server cuts it, and whole.
  static std::vector<std::pair<QString, QString>> longNames(const QString& sql);
  // Refuses a definition whose long name the server would cut into another's.
  void checkLongNames(const QString& sql);
  // A name of the server's answer, whole again when the server cut it.
  QString wholeName(const char* serverName) const;
  void noticeOtherChanges() override;
  void wrote();
  void takeNotices();
  void loadTables(std::vector<std::pair<QString, QStringList>>& tables);
  Recordset toRecordset(struct pg_result* result, bool withRows);

  pg_conn* m_conn = nullptr;
  QString m_address;  // as given, for reconnecting
  std::unique_ptr<SchemaCache> m_schema;
  QHash<QString, Statement> m_statements;  // rewritten texts by the text as written
  int m_changes = 0;
  int m_tablesVersion = -1;
  int m_lockTimeoutMs = 2000;
  bool m_hasCounter = false;  // balvix_schema exists (not yet while a database is being made)
  bool m_wrote = false;       // the open transaction changed something: its commit announces it
  qint64 m_othersCommits = 0;
  // The posting keys the open transaction holds, and those a transaction that was rolled back
  // held: a retry takes those first, in one fixed order, so two postings that deadlocked once
  // queue behind each other the next time.
  std::set<QString> m_postingKeys;
  std::set<QString> m_learntKeys;
  QHash<QString, QString> m_longNames;  // long names by the form the server cuts them to
};

}  // namespace balvix::storage
