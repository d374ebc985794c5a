#include "storage/sqlite_session.h"

#include <sqlite3.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

#include "storage/database_file.h"
#include "storage/engine_error.h"
#include "storage/initial_content.h"
#include "storage/recordset_data.h"
#include "storage/schema_cache.h"
#include "storage/sql_scanner.h"
#include "storage/sql_text.h"
#include "storage/statement_cache.h"
#include "storage/vector_state.h"

namespace balvix::storage {

namespace {

constexpr int kStatementCacheSize = 64;
constexpr int kDefaultBusyTimeoutMs = 2000;

QVariant columnValue(sqlite3_stmt* stmt, int column) {
  switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_NULL:
      return {};
    case SQLITE_INTEGER:
      return QVariant(static_cast<qlonglong>(sqlite3_column_int64(stmt, column)));
    case SQLITE_FLOAT:
      return QVariant(sqlite3_column_double(stmt, column));
    case SQLITE_BLOB: {
      const auto* data = static_cast<const char*>(sqlite3_column_blob(stmt, column));
      return QVariant(QByteArray(data, sqlite3_column_bytes(stmt, column)));
    }
    default: {
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
      return QVariant(storedText(text, sqlite3_column_bytes(stmt, column)));
    }
  }
}

void removeDatabaseFiles(const QString& path) {
  QFile::remove(path);
  QFile::remove(path + QStringLiteral("-wal"));
  QFile::remove(path + QStringLiteral("-shm"));
  QFile::remove(path + QStringLiteral("-journal"));
}

}  // namespace

SqliteSession::SqliteSession(sqlite3* db, QString path)
    : Session(std::move(path), false),
      m_db(db),
      m_schema(std::make_unique<SchemaCache>(db)),
      m_statements(std::make_unique<StatementCache>(kStatementCacheSize)) {}

SqliteSession::~SqliteSession() {
  m_statements.reset();
  m_schema.reset();
  sqlite3_close_v2(m_db);
}

sqlite3* SqliteSession::openHandle(const QString& path, int flags) {
  sqlite3* db = nullptr;
  const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, nullptr);
  if (rc != SQLITE_OK) {
    const DbError error = engineError(db, rc, path);
    sqlite3_close_v2(db);
    throw error;
  }
  sqlite3_extended_result_codes(db, 1);
  sqlite3_busy_timeout(db, kDefaultBusyTimeoutMs);
  // A double-quoted name that names nothing would otherwise be read as a text value, and a
  // mistyped column compare with its own name instead of failing.
  sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
  sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
  return db;
}

std::unique_ptr<Session> SqliteSession::open(const QString& path) {
  const QFileInfo info(path);
  const QString file = info.absoluteFilePath();
  if (!info.exists()) throw DbError(ErrorCode::FileNotFound, fileNotFoundText(file));
  if (info.isDir())
    throw DbError(ErrorCode::CannotOpen, QStringLiteral("«%1» — это папка, а не файл базы данных.")
                                             .arg(QDir::toNativeSeparators(file)));
  // The engine would take an empty file for an empty database and start writing to it.
  if (info.size() == 0) throw DbError(ErrorCode::NotADatabase, notADatabaseText(file));
  // Nothing may write the file before it is known to be ours: the engine would roll back
  // another program's unfinished transaction or fold its change log into the file.
  verifyOwnDatabase(file);
  verifyWritable(file);

  std::unique_ptr<SqliteSession> session(
      new SqliteSession(openHandle(file, SQLITE_OPEN_READWRITE), file));
  // The engine opens files lazily: this first read is what finds a file that is not a
  // database, and a database of another program is refused before anything is written to it.
  sqlite3_stmt* probe = nullptr;
  int rc = sqlite3_prepare_v2(session->m_db,
                              "SELECT count(*) FROM sqlite_master WHERE type='table' AND "
                              "name='form_items'",
                              -1, &probe, nullptr);
  bool ours = false;
  if (rc == SQLITE_OK) {
    rc = sqlite3_step(probe);
    ours = rc == SQLITE_ROW && sqlite3_column_int(probe, 0) > 0;
  }
  if (rc != SQLITE_ROW && rc != SQLITE_OK) {
    const DbError failure = engineError(session->m_db, rc, file);
    sqlite3_finalize(probe);
    if (failure.number() == ErrorCode::Locked) throw failure;
    throw DbError(ErrorCode::NotADatabase, notADatabaseText(file));
  }
  sqlite3_finalize(probe);
  if (!ours) throw DbError(ErrorCode::NotADatabase, notADatabaseText(file));
  if (sqlite3_db_readonly(session->m_db, "main") == 1)
    throw DbError(ErrorCode::ReadOnly,
                  QStringLiteral("База данных «%1» доступна только для чтения; программа не "
                                 "может работать с ней.")
                      .arg(QDir::toNativeSeparators(file)));
  session->configure();
  session->refreshTables();
  return session;
}

std::unique_ptr<Session> SqliteSession::createNew(const QString& path) {
  const QString file = QFileInfo(path).absoluteFilePath();
  if (QFileInfo::exists(file))
    throw DbError(ErrorCode::FileExists,
                  QStringLiteral("Файл «%1» уже существует; новая база данных не создана, чтобы "
                                 "не затереть его.")
                      .arg(QDir::toNativeSeparators(file)));
  // The database is built under a temporary name and takes its own only when complete: an
  // interrupted creation leaves no file that would be refused or could not be replaced.
  const QString temp =
      file + QStringLiteral(".creating-") + QString::number(QCoreApplication::applicationPid());
  removeAbandonedWork(file, QStringLiteral(".creating-"));
  removeDatabaseFiles(temp);
  sqlite3* db = nullptr;
  try {
    db = openHandle(temp, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
  } catch (const DbError&) {
    removeDatabaseFiles(temp);
    throw DbError(ErrorCode::CannotOpen,
                  QStringLiteral("Не удается создать файл базы данных «%1»: папка не существует "
                                 "или недоступна для записи.")
                      .arg(QDir::toNativeSeparators(file)));
  }
  std::unique_ptr<SqliteSession> session(new SqliteSession(db, temp));
  try {
    // A file that is not finished is removed anyway, so its writing needs no waits for the
    // disk; the finished content is made durable once, by the checkpoint below.
    session->runInternal("PRAGMA synchronous=OFF");
    session->runInternal("PRAGMA journal_mode=WAL");
    Transaction transaction(*session);
    createFixedTables(*session);
    transaction.commit();
    session->configure();
    session->runInternal("PRAGMA wal_checkpoint(TRUNCATE)");
    session.reset();
  } catch (...) {
    session.reset();
    removeDatabaseFiles(temp);
    throw;
  }
  QFile::remove(temp + QStringLiteral("-wal"));
  QFile::remove(temp + QStringLiteral("-shm"));
  if (!QFile::rename(temp, file)) {
    removeDatabaseFiles(temp);
    throw DbError(ErrorCode::FileExists,
                  QStringLiteral("Файл «%1» появился, пока создавалась новая база данных; он не "
                                 "затерт.")
                      .arg(QDir::toNativeSeparators(file)));
  }
  return open(file);
}

void SqliteSession::configure() {
  // WAL lets a reader and the writer work side by side and makes commits cheap; with it,
  // NORMAL synchronisation still keeps the database consistent after a crash.
  if (sqlite3_db_readonly(m_db, "main") != 1) runInternal("PRAGMA journal_mode=WAL");
  runInternal("PRAGMA synchronous=NORMAL");
  runInternal("PRAGMA foreign_keys=ON");
}

void SqliteSession::setBusyTimeout(int milliseconds) {
  sqlite3_busy_timeout(m_db, milliseconds);
}

void SqliteSession::throwError(int rc, [[maybe_unused]] const QString& sql) const {
  throw engineError(m_db, rc, m_path);
}

void SqliteSession::runInternal(const char* sql) {
  const int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) throwError(rc, QString::fromUtf8(sql));
}

void SqliteSession::invalidateSchema() {
  m_statements->clear();
  m_schema->invalidate();
}

void SqliteSession::noticeOtherChanges() {
  // Inside a transaction the engine reads one snapshot, so one look at its start is enough;
  // that keeps long runs of statements in a transaction free of the extra read.
  const bool inEngineTransaction = !sqlite3_get_autocommit(m_db);
  if (inEngineTransaction && m_schemaChecked) return;
  m_schemaChecked = inEngineTransaction;
  if (m_schema->schemaVersion() != m_tablesVersion) refreshTables();
}

SqliteSession::Prepared SqliteSession::prepare(const QString& sql, bool reusable) {
  noticeOtherChanges();
  if (reusable) {
    if (sqlite3_stmt* cached = m_statements->find(sql)) {
      clearVectorUpperState();
      return {cached, true, false};
    }
  }

  // Encoded into a buffer kept between statements: one allocation less per statement.
  m_utf8Text.resize(static_cast<std::size_t>(m_encoder.requiredSpace(sql.size())));
  const char* end = encodeUtf8(sql, m_utf8Text.data());
  std::string_view text(m_utf8Text.data(), static_cast<std::size_t>(end - m_utf8Text.data()));
  StatementKind kind = StatementKind::Data;
  if (m_schema->resolve(text, m_resolvedText, kind)) text = m_resolvedText;

  sqlite3_stmt* statement = nullptr;
  const char* tail = nullptr;
  clearVectorUpperState();
  const int rc =
      sqlite3_prepare_v2(m_db, text.data(), static_cast<int>(text.size()), &statement, &tail);
  if (rc != SQLITE_OK) throwError(rc, sql);
  if (!statement) throw DbError(ErrorCode::SyntaxError, QStringLiteral("Инструкция SQL пуста."));
  // One call runs one statement: a second one glued on (by a value written unquoted, say)
  // is refused rather than ignored or run.
  if (skipStatementGap(text, static_cast<std::size_t>(tail - text.data())) != text.size()) {
    sqlite3_finalize(statement);
    throw DbError(ErrorCode::TrailingText,
                  QStringLiteral("После конца инструкции SQL есть лишний текст: за один раз "
                                 "выполняется только одна инструкция."));
  }
  const bool definition = kind == StatementKind::Definition;
  const bool created = definition && text.size() >= 6 && isAsciiWord(text.substr(0, 6), "create");
  if (!reusable || definition || !m_statements->seenBefore(sql))
    return {statement, false, definition, created};
  m_statements->insert(sql, statement);
  return {statement, true, false, false};
}

// Statements are Latin and Cyrillic text: those characters are encoded in one pass here, and
// a text with anything else (surrogate pairs, characters above U+07FF) goes to the general
// encoder. `out` has room for three bytes per character.
char* SqliteSession::encodeUtf8(const QString& text, char* out) {
  const char16_t* p = reinterpret_cast<const char16_t*>(text.constData());
  const char16_t* const end = p + text.size();
  char* o = out;
  for (; p != end; ++p) {
    const char16_t c = *p;
    if (c < 0x80) {
      *o++ = static_cast<char>(c);
    } else if (c < 0x800) {
      *o++ = static_cast<char>(0xC0 | (c >> 6));
      *o++ = static_cast<char>(0x80 | (c & 0x3F));
    } else {
      return m_encoder.appendToBuffer(out, text);
    }
  }
  return o;
}

void SqliteSession::release(const Prepared& prepared) {
  if (prepared.cached)
    sqlite3_reset(prepared.statement);
  else
    sqlite3_finalize(prepared.statement);
}

void SqliteSession::execute(const QString& sql) {
  // Data changes carry their values in the text and almost never repeat: not worth keeping.
  const Prepared prepared = prepare(sql, false);
  int rc;
  while ((rc = sqlite3_step(prepared.statement)) == SQLITE_ROW) {
  }
  if (rc != SQLITE_DONE) {
    const DbError error = engineError(m_db, rc, m_path);
    release(prepared);
    throw error;
  }
  release(prepared);
  if (prepared.definition) afterDefinition(prepared.created);
}

void SqliteSession::executeEach(const QString& sql, const std::vector<QStringList>& rows) {
  if (rows.empty()) return;
  // The values are bound, so the same text comes again: it is kept once seen twice, and a
  // table's triggers are compiled into it once, not at every row written.
  const Prepared prepared = prepare(sql, true);
  sqlite3_stmt* stmt = prepared.statement;
  // A row's texts are encoded one after another into one buffer kept for all rows and bound
  // where they lie: no allocation and no copy per value.
  std::string buffer;
  std::vector<std::size_t> ends;
  for (const QStringList& row : rows) {
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
    std::size_t room = 0;
    for (const QString& value : row)
      room += static_cast<std::size_t>(m_encoder.requiredSpace(value.size()));
    if (buffer.size() < room + 1) buffer.resize(room + 1);
    ends.clear();
    char* out = buffer.data();
    for (const QString& value : row) {
      out = encodeUtf8(value, out);
      ends.push_back(static_cast<std::size_t>(out - buffer.data()));
    }
    std::size_t start = 0;
    for (int i = 0; i < row.size(); ++i) {
      const std::size_t end = ends[static_cast<std::size_t>(i)];
      sqlite3_bind_text(stmt, i + 1, buffer.data() + start, static_cast<int>(end - start),
                        SQLITE_STATIC);
      start = end;
    }
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) {
      const DbError error = engineError(m_db, rc, m_path);
      sqlite3_clear_bindings(stmt);
      release(prepared);
      throw error;
    }
  }
  // A kept statement must not point at the buffer once it is gone.
  sqlite3_clear_bindings(stmt);
  release(prepared);
  if (prepared.definition) afterDefinition(prepared.created);
}

void SqliteSession::executeValues(const QString& sql,
                                  const std::vector<std::vector<QVariant>>& rows) {
  if (rows.empty()) return;
  const Prepared prepared = prepare(sql, false);
  sqlite3_stmt* stmt = prepared.statement;
  for (const std::vector<QVariant>& row : rows) {
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
    for (int i = 0; i < static_cast<int>(row.size()); ++i) {
      const QVariant& value = row[static_cast<std::size_t>(i)];
      switch (value.typeId()) {
        case QMetaType::UnknownType:
          sqlite3_bind_null(stmt, i + 1);
          break;
        case QMetaType::LongLong:
        case QMetaType::Int:
          sqlite3_bind_int64(stmt, i + 1, value.toLongLong());
          break;
        case QMetaType::Double:
          sqlite3_bind_double(stmt, i + 1, value.toDouble());
          break;
        case QMetaType::QByteArray: {
          const QByteArray bytes = value.toByteArray();
          sqlite3_bind_blob(stmt, i + 1, bytes.constData(), static_cast<int>(bytes.size()),
                            SQLITE_TRANSIENT);
          break;
        }
        default: {
          const QByteArray text = value.toString().toUtf8();
          sqlite3_bind_text(stmt, i + 1, text.constData(), static_cast<int>(text.size()),
                            SQLITE_TRANSIENT);
        }
      }
    }
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) {
      const DbError error = engineError(m_db, rc, m_path);
      release(prepared);
      throw error;
    }
  }
  release(prepared);
}

Recordset SqliteSession::openRecordset(const QString& sql) {
  const Prepared prepared = prepare(sql, true);
  sqlite3_stmt* stmt = prepared.statement;
  Recordset recordset;
  Recordset::Data& data = *recordset.d;
  data.columns = sqlite3_column_count(stmt);
  for (int c = 0; c < data.columns; ++c)
    data.names << QString::fromUtf8(sqlite3_column_name(stmt, c));
  int rc;
  while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    for (int c = 0; c < data.columns; ++c) data.values.push_back(columnValue(stmt, c));
    ++data.rows;
  }
  if (rc != SQLITE_DONE) {
    const DbError error = engineError(m_db, rc, m_path);
    release(prepared);
    throw error;
  }
  release(prepared);
  if (prepared.definition) afterDefinition(prepared.created);
  data.open = true;
  return recordset;
}

Recordset SqliteSession::openColumns(const QString& sql) {
  const Prepared prepared = prepare(sql, true);
  Recordset recordset;
  Recordset::Data& data = *recordset.d;
  data.columns = sqlite3_column_count(prepared.statement);
  for (int c = 0; c < data.columns; ++c)
    data.names << QString::fromUtf8(sqlite3_column_name(prepared.statement, c));
  release(prepared);
  data.open = true;
  return recordset;
}

void SqliteSession::forEachRow(const QString& sql, const std::function<void(const RowView&)>& visit,
                               QStringList* columns) {
  const Prepared prepared = prepare(sql, true);
  struct Release {
    SqliteSession& session;
    const Prepared& prepared;
    ~Release() { session.release(prepared); }
  } release{*this, prepared};
  sqlite3_stmt* stmt = prepared.statement;
  const int count = sqlite3_column_count(stmt);
  if (columns) {
    columns->clear();
    for (int c = 0; c < count; ++c) *columns << QString::fromUtf8(sqlite3_column_name(stmt, c));
  }
  const RowView row(stmt, count);
  int rc;
  // The visitor may hash texts between rows.
  while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    visit(row);
    clearVectorUpperState();
  }
  if (rc != SQLITE_DONE) throw engineError(m_db, rc, m_path);
}

void SqliteSession::afterDefinition(bool created) {
  std::vector<TableDef> before = std::move(m_tables);
  refreshTables();
  if (!created) return;
  // The engine tells column names apart by letter case outside the Latin alphabet, the
  // program does not: a new table with "Поле" and "поле" could never be read right.
  QStringList added;
  for (const TableDef& table : m_tables) {
    const bool isNew = std::none_of(before.begin(), before.end(),
                                    [&](const TableDef& old) { return old.name == table.name; });
    if (isNew) added << table.name;
  }
  for (const QString& table : std::as_const(added)) {
    QStringList seen;
    for (const QString& column : columns(table)) {
      const QString folded = foldName(column);
      if (!seen.contains(folded)) {
        seen << folded;
        continue;
      }
      const QByteArray drop = "DROP TABLE \"" + table.toUtf8().replace('"', "\"\"") + '"';
      sqlite3_exec(m_db, drop.constData(), nullptr, nullptr, nullptr);
      refreshTables();
      throw DbError(ErrorCode::DuplicateField,
                    QStringLiteral("Поле «%1» указано в описании таблицы «%2» более одного раза.")
                        .arg(column, table));
    }
  }
}

void SqliteSession::beginTransaction() {
  if (m_transactionDepth == 0) {
    // Every transaction of the program writes: taking the write lock at once makes it wait for
    // another writer (up to the busy timeout) instead of failing when a read is upgraded.
    runInternal("BEGIN IMMEDIATE");
    m_schemaChecked = false;
  }
  ++m_transactionDepth;
}

void SqliteSession::commit() {
  if (m_transactionDepth == 0)
    throw DbError(ErrorCode::NoTransaction,
                  QStringLiteral("Нет начатой транзакции: подтверждать нечего."));
  if (m_transactionDepth > 1) {
    --m_transactionDepth;
    return;
  }
  if (sqlite3_get_autocommit(m_db)) {
    // The engine has already rolled the transaction back after a failure of its own.
    m_transactionDepth = 0;
    refreshTables();
    throw DbError(ErrorCode::Other,
                  QStringLiteral("Транзакция была отменена из-за ошибки базы данных; изменения "
                                 "не сохранены."));
  }
  runInternal("COMMIT");
  m_transactionDepth = 0;
}

void SqliteSession::rollback() {
  if (m_transactionDepth == 0)
    throw DbError(ErrorCode::NoTransaction,
                  QStringLiteral("Нет начатой транзакции: отменять нечего."));
  m_transactionDepth = 0;
  if (!sqlite3_get_autocommit(m_db)) {
    // Statements still stepping would make the rollback fail; none of ours is kept active.
    runInternal("ROLLBACK");
  }
  // A rolled-back CREATE or DROP leaves the schema as it was before.
  refreshTables();
}

void SqliteSession::refreshTables() {
  invalidateSchema();
  m_tablesVersion = m_schema->schemaVersion();
  m_tables.clear();
  sqlite3_stmt* stmt = nullptr;
  const int rc = sqlite3_prepare_v2(m_db, "SELECT name FROM sqlite_master WHERE type='table'", -1,
                                    &stmt, nullptr);
  if (rc != SQLITE_OK) throwError(rc, QString());
  while (sqlite3_step(stmt) == SQLITE_ROW) {
    TableDef def;
    def.name = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
    def.attributes = def.name.startsWith(QLatin1String("sqlite_"), Qt::CaseInsensitive)
                         ? TableDef::SystemObject
                         : 0;
    m_tables.push_back(def);
  }
  sqlite3_finalize(stmt);
}

bool SqliteSession::tableExists(const QString& name) {
  noticeOtherChanges();
  return !m_schema->tableName(name).isEmpty();
}

QStringList SqliteSession::columns(const QString& table) {
  noticeOtherChanges();
  return m_schema->columns(table);
}

QString SqliteSession::resolveIdentifiers(const QString& sql) {
  noticeOtherChanges();
  const QByteArray utf8 = sql.toUtf8();
  StatementKind kind = StatementKind::Data;
  std::string out;
  if (!m_schema->resolve(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())),
                         out, kind))
    return sql;
  return QString::fromStdString(out);
}

SqliteSession::TableVersion SqliteSession::tableVersion(const QString& table) {
  TableVersion version;
  version.table = table;
  noticeOtherChanges();
  const QString stored = m_schema->tableName(table);
  if (stored.isEmpty()) return version;
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(m_db, "SELECT sql FROM sqlite_master WHERE name=?1", -1, &stmt, nullptr) !=
      SQLITE_OK)
    throwError(sqlite3_errcode(m_db), QString());
  const QByteArray name = stored.toUtf8();
  sqlite3_bind_text(stmt, 1, name.constData(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
  if (sqlite3_step(stmt) == SQLITE_ROW) {
    version.exists = true;
    version.definition = QString::fromUtf8(
        reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)), sqlite3_column_bytes(stmt, 0));
  }
  sqlite3_finalize(stmt);
  version.columns = m_schema->columns(table);
  return version;
}

int SqliteSession::schemaVersion() {
  return m_schema->schemaVersion();
}

int SqliteSession::changes() const {
  return sqlite3_changes(m_db);
}

}  // namespace balvix::storage
