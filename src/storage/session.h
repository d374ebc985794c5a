#pragma once

#include <QString>
#include <QStringEncoder>
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

namespace balvix::storage {

class SchemaCache;
class StatementCache;

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
  friend class Session;
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
  friend class Session;
  RowView(sqlite3_stmt* statement, int columns) : m_statement(statement), m_columns(columns) {}
  sqlite3_stmt* m_statement;
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

// The one session over a database file. Every statement goes through here: identifiers
// are resolved to their stored spelling (letter case ignored for every alphabet) before
// the engine sees them, and failures come back as DbError with a number and a Russian
// description.
class Session {
 public:
  // Opens an existing file. Throws DbError FileNotFound when it is missing (nothing is
  // created) and NotADatabase when it is not a database.
  static std::unique_ptr<Session> open(const QString& path);
  // Creates a new file with the fixed tables and their initial content. Throws DbError
  // when the file already exists or cannot be written.
  static std::unique_ptr<Session> createNew(const QString& path);

  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  const QString& path() const { return m_path; }

  // Runs a data-definition or data-manipulation statement.
  void execute(const QString& sql);
  // Runs one statement with `?` placeholders once for every row of `rows`, the row's texts
  // bound in order: many rows written for the cost of one statement's preparation.
  void executeEach(const QString& sql, const std::vector<QStringList>& rows);
  // Runs a SELECT and returns all of its rows.
  Recordset openRecordset(const QString& sql);
  // The columns a SELECT would give, without reading a single row: an open recordset at EOF
  // with its field names (for a designer that learns a table's columns).
  Recordset openColumns(const QString& sql);

  // Runs a SELECT and hands its rows to `visit` one at a time without keeping them: for
  // walks over more rows than are worth holding in a Recordset. The column names come
  // first into `columns` when it is given. An exception from `visit` ends the walk; `visit`
  // must not run statements on this session.
  void forEachRow(const QString& sql, const std::function<void(const RowView&)>& visit,
                  QStringList* columns = nullptr);

  // Statements that must stand or fall together. Nested calls are counted; only the
  // outermost commit writes. rollback() undoes everything since the outermost begin.
  void beginTransaction();
  void commit();
  void rollback();
  bool inTransaction() const { return m_transactionDepth > 0; }

  // Table list, as the engine last reported it; refreshTables() reads it anew.
  void refreshTables();
  int tableCount() const { return static_cast<int>(m_tables.size()); }
  const TableDef& table(int index) const { return m_tables.at(static_cast<std::size_t>(index)); }
  bool tableExists(const QString& name);  // letter case ignored, always current

  // Column names of a table in column order, stored spelling; empty when no such table.
  QStringList columns(const QString& table);

  // What a table looked like at one moment, to learn later whether it was changed meanwhile,
  // by this program or another one working on the same file.
  struct TableVersion {
    QString table;  // the name asked for
    bool exists = false;
    QString definition;  // the engine's stored CREATE text
    QStringList columns;
  };
  TableVersion tableVersion(const QString& table);
  // Empty when the table is as it was in `before`; otherwise a Russian sentence naming the
  // change ("в таблице «…» появилось поле «Цвет»", "таблица «…» удалена", …).
  QString tableChangedSince(const TableVersion& before);
  // The engine's counter of schema changes of the database, including other programs'.
  int schemaVersion();

  // Why `name` cannot become a new table or column name beside the names the database has
  // (empty when it can): a name the database already spells otherwise, letter case aside, is
  // refused, so that each name is written one way throughout the database. The tables in
  // `ownTables` (the object's own, about to be re-created) do not count. `what` begins the
  // message ("Имя реквизита").
  QString nameConflict(const QString& name, const QString& what, const QStringList& ownTables = {});

  // Rewrites the identifiers of a statement to their stored spelling; exposed for tests.
  QString resolveIdentifiers(const QString& sql);

  // Rows changed by the last INSERT, UPDATE or DELETE.
  int changes() const;

  sqlite3* handle() const { return m_db; }

  // How long a statement waits for a lock held by another program before it fails with
  // Locked (2 seconds unless changed).
  void setBusyTimeout(int milliseconds);

 private:
  struct Prepared {
    sqlite3_stmt* statement = nullptr;
    bool cached = false;
    bool definition = false;
    bool created = false;  // a CREATE statement
  };

  Session(sqlite3* db, QString path);
  static sqlite3* openHandle(const QString& path, int flags);
  void configure();
  [[noreturn]] void throwError(int rc, const QString& sql) const;
  void invalidateSchema();
  Prepared prepare(const QString& sql, bool reusable);
  char* encodeUtf8(const QString& text, char* out);
  void release(const Prepared& prepared);
  void runInternal(const char* sql);
  void afterDefinition(bool created);
  void noticeOtherChanges();

  sqlite3* m_db = nullptr;
  QString m_path;
  std::vector<TableDef> m_tables;
  std::unique_ptr<SchemaCache> m_schema;
  int m_transactionDepth = 0;
  int m_tablesVersion = -1;      // schema version the table list and the cache were read at
  bool m_schemaChecked = false;  // the schema version was checked in the engine's transaction
  std::unique_ptr<StatementCache> m_statements;
  std::string m_resolvedText;  // reused buffer of the statement being prepared
  std::string m_utf8Text;      // the same for the statement as written
  QStringEncoder m_encoder{QStringEncoder::Utf8, QStringConverter::Flag::Stateless};
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
