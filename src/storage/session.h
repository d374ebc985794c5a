#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "storage/db_error.h"

struct sqlite3;
struct sqlite3_stmt;
struct pg_result;

namespace balvix::storage {

// The result of a SELECT, read forward only. Rows are fetched when the statement is
// opened, so a recordset never holds a lock on the tables it read: the program keeps
// one recordset around between events and may drop or re-create its tables meanwhile.
// Copies share the same rows and cursor.
class Recordset {
 public:
  Recordset();  // a closed, empty recordset (EOF is true)
  // An open recordset over rows computed by the program rather than read by a query
  // (balances summed in one pass); `values` holds `rows` rows of `names.size()` values.
  static Recordset fromRows(const QStringList& names, std::vector<QVariant> values, int rows);

  bool eof() const;
  void moveNext();  // past the last row: no effect
  void close();     // drops the rows; EOF becomes true
  bool isOpen() const;

  int fieldCount() const;
  QString fieldName(int index) const;  // the stored spelling of the column
  // Index of a column by name, letter case ignored for every alphabet; -1 when absent.
  int fieldIndex(const QString& name) const;

  // Value of the current row: an invalid QVariant is Null (distinct from the empty
  // text). Throws DbError ItemNotFound for an unknown name or an index out of range,
  // NoCurrentRecord at EOF.
  QVariant value(int index) const;
  QVariant value(const QString& name) const;
  // The value as text: Null gives the empty text.
  QString text(int index) const { return value(index).toString(); }
  QString text(const QString& name) const { return value(name).toString(); }
  bool isNull(const QString& name) const { return value(name).isNull(); }

  int rowCount() const;  // rows fetched in all (not part of the forward-only interface)
  // True when both are copies of one result (the same rows and cursor).
  bool isSameResult(const Recordset& other) const { return d == other.d; }

 private:
  friend class SqliteSession;
  friend class PgSession;
  struct Data;
  std::shared_ptr<Data> d;
};

// One row of a query read by Session::forEachRow: valid only while the callback runs.
class RowView {
 public:
  int columnCount() const { return m_columns; }
  bool isNull(int column) const;
  // The value as UTF-8 text; empty for Null (tell the two apart with isNull).
  std::string_view text(int column) const;
  // The value when the engine holds it as a number (not as text or Null): numbers need no
  // round trip through their spelling.
  std::optional<double> number(int column) const;

 private:
  friend class SqliteSession;
  friend class PgSession;
  RowView(sqlite3_stmt* statement, int columns) : m_statement(statement), m_columns(columns) {}
  RowView(const pg_result* result, int columns) : m_result(result), m_columns(columns) {}
  sqlite3_stmt* m_statement = nullptr;
  const pg_result* m_result = nullptr;  // the server's rows; m_row is the current one
  int m_row = 0;
  int m_columns;
};

// Table list entry: attributes are 0 for the program's own tables and non-zero for
// the engine's system tables.
struct TableDef {
  // The attributes of the engine's own tables (a system object, as the program's table
  // walks expect: anything but 0).
  static constexpr int SystemObject = static_cast<int>(0x80000002u);

  QString name;
  int attributes = 0;
};

// The one session over a database: a file, or a database on a server. Every statement goes
// through here: identifiers are resolved to their stored spelling (letter case ignored for
// every alphabet) before the engine sees them, and failures come back as DbError with a number
// and a Russian description. Which engine serves the session is known only inside storage.
// Where a database on a server is, as a user names it: the server (a host name or address,
// or the folder of a local socket), its port, the database and the user to connect as.
struct ServerPlace {
  QString host;
  int port = 5432;
  QString database;
  QString user;
};
// The connection address of `place`: "postgresql://user@host:port/name", or for a socket
// folder "postgresql:///name?host=/dir&port=…&user=…"; every part percent-encoded. The
// password is never part of it: libpq takes it from PGPASSWORD or ~/.pgpass.
QString serverAddress(const ServerPlace& place);

class Session {
 public:
  // Opens an existing database: a file path, or a server's connection address
  // ("postgresql://user@host:port/name", "postgresql:///name?host=/socket/dir"). Throws DbError
  // FileNotFound when a file is missing (nothing is created) and NotADatabase when it is not a
  // database of the program.
  static std::unique_ptr<Session> open(const QString& path);
  // Creates a new database with the fixed tables and their initial content: a new file, or an
  // empty database on a server. Throws DbError when the file already exists or cannot be
  // written, or when the server's database already holds tables.
  static std::unique_ptr<Session> createNew(const QString& path);
  // True when `path` is a server's connection address rather than a file.
  static bool isServerAddress(const QString& path);

  virtual ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // The file, or the server address (without its password).
  const QString& path() const { return m_path; }
  bool isServer() const { return m_server; }
  // The folder the database file is in; empty on a server, where a database has none.
  QString folder() const;

  // Runs a data-definition or data-manipulation statement.
  virtual void execute(const QString& sql) = 0;
  // Runs one statement with `?` placeholders once for every row of `rows`, the row's texts
  // bound in order: many rows written for the cost of one statement's preparation.
  virtual void executeEach(const QString& sql, const std::vector<QStringList>& rows) = 0;
  // Runs a SELECT and returns all of its rows.
  virtual Recordset openRecordset(const QString& sql) = 0;
  // The columns a SELECT would give, without reading a single row: an open recordset at EOF
  // with its field names (for a designer that learns a table's columns).
  virtual Recordset openColumns(const QString& sql) = 0;

  // Runs a SELECT and hands its rows to `visit` one at a time without keeping them: for
  // walks over more rows than are worth holding in a Recordset. The column names come
  // first into `columns` when it is given. An exception from `visit` ends the walk; `visit`
  // must not run statements on this session.
  virtual void forEachRow(const QString& sql, const std::function<void(const RowView&)>& visit,
                          QStringList* columns = nullptr) = 0;

  // Statements that must stand or fall together. Nested calls are counted; only the
  // outermost commit writes. rollback() undoes everything since the outermost begin.
  virtual void beginTransaction() = 0;
  virtual void commit() = 0;
  virtual void rollback() = 0;
  bool inTransaction() const { return m_transactionDepth > 0; }

  // Table list, as the engine last reported it; refreshTables() reads it anew.
  virtual void refreshTables() = 0;
  int tableCount() const { return static_cast<int>(m_tables.size()); }
  const TableDef& table(int index) const { return m_tables.at(static_cast<std::size_t>(index)); }
  virtual bool tableExists(const QString& name) = 0;  // letter case ignored, always current

  // Column names of a table in column order, stored spelling; empty when no such table.
  virtual QStringList columns(const QString& table) = 0;

  // What a table looked like at one moment, to learn later whether it was changed meanwhile,
  // by this program or another one working on the same database.
  struct TableVersion {
    QString table;  // the name asked for
    bool exists = false;
    QString definition;  // the engine's stored description of the table
    QStringList columns;
  };
  virtual TableVersion tableVersion(const QString& table) = 0;
  // Empty when the table is as it was in `before`; otherwise a Russian sentence naming the
  // change ("в таблице «…» появилось поле «Цвет»", "таблица «…» удалена", …).
  QString tableChangedSince(const TableVersion& before);
  // The engine's counter of schema changes of the database, including other programs'.
  virtual int schemaVersion() = 0;

  // Why `name` cannot become a new table or column name beside the names the database has
  // (empty when it can): a name the database already spells otherwise, letter case aside, is
  // refused, so that each name is written one way throughout the database. The tables in
  // `ownTables` (the object's own, about to be re-created) do not count. `what` begins the
  // message ("Имя реквизита").
  QString nameConflict(const QString& name, const QString& what, const QStringList& ownTables = {});

  // Rewrites the identifiers of a statement to their stored spelling (and, on a server, into
  // the statement the server runs); exposed for tests.
  virtual QString resolveIdentifiers(const QString& sql) = 0;

  // Rows changed by the last INSERT, UPDATE or DELETE.
  virtual int changes() const = 0;

  // The file engine's handle; null on a server.
  virtual sqlite3* handle() const { return nullptr; }

  // How long a statement waits for a lock held by another program before it fails with
  // Locked (2 seconds unless changed).
  virtual void setBusyTimeout(int milliseconds) = 0;

 protected:
  Session(QString path, bool server) : m_path(std::move(path)), m_server(server) {}
  // Reads the table list anew when another program changed the schema meanwhile.
  virtual void noticeOtherChanges() = 0;

  QString m_path;
  bool m_server = false;
  std::vector<TableDef> m_tables;
  int m_transactionDepth = 0;
};

// Commits on commit(), rolls back when destroyed without it (an exception passing by).
class Transaction {
 public:
  explicit Transaction(Session& session) : m_session(session) { m_session.beginTransaction(); }
  ~Transaction() {
    if (!m_done) {
      try {
        m_session.rollback();
      } catch (...) {
      }
    }
  }
  void commit() {
    m_session.commit();
    m_done = true;
  }
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

 private:
  Session& m_session;
  bool m_done = false;
};

}  // namespace balvix::storage
