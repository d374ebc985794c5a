#pragma once

#include <QStringEncoder>
#include <memory>
#include <string>

#include "storage/session.h"

namespace balvix::storage {

class SchemaCache;
class StatementCache;

// The session over a database file.
class SqliteSession final : public Session {
 public:
  static std::unique_ptr<Session> open(const QString& path);
  static std::unique_ptr<Session> createNew(const QString& path);
  ~SqliteSession() override;

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
  int changes() const override;
  sqlite3* handle() const override { return m_db; }
  void setBusyTimeout(int milliseconds) override;

  // Like executeEach, with values of any type: Null stays Null, numbers stay numbers (for
  // copies between databases).
  void executeValues(const QString& sql, const std::vector<std::vector<QVariant>>& rows);

 private:
  struct Prepared {
    sqlite3_stmt* statement = nullptr;
    bool cached = false;
    bool definition = false;
    bool created = false;  // a CREATE statement
  };

  SqliteSession(sqlite3* db, QString path);
  static sqlite3* openHandle(const QString& path, int flags);
  void configure();
  [[noreturn]] void throwError(int rc, const QString& sql) const;
  void invalidateSchema();
  Prepared prepare(const QString& sql, bool reusable);
  char* encodeUtf8(const QString& text, char* out);
  void release(const Prepared& prepared);
  void runInternal(const char* sql);
  void afterDefinition(bool created);
  void noticeOtherChanges() override;

  sqlite3* m_db = nullptr;
  std::unique_ptr<SchemaCache> m_schema;
  int m_tablesVersion = -1;      // schema version the table list and the cache were read at
  bool m_schemaChecked = false;  // the schema version was checked in the engine's transaction
  std::unique_ptr<StatementCache> m_statements;
  std::string m_resolvedText;  // reused buffer of the statement being prepared
  std::string m_utf8Text;      // the same for the statement as written
  QStringEncoder m_encoder{QStringEncoder::Utf8, QStringConverter::Flag::Stateless};
};

}  // namespace balvix::storage
