#include "storage/pg_session.h"

#include <libpq-fe.h>

#include <QRegularExpression>
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "storage/initial_content.h"
#include "storage/pg_dialect.h"
#include "storage/pg_error.h"
#include "storage/recordset_data.h"
#include "storage/schema_cache.h"
#include "storage/sql_text.h"

namespace balvix::storage {

namespace {

constexpr int kMaxKeptStatements = 2000;

// The server keeps names of at most 63 bytes (31 Cyrillic letters) and cuts longer ones, in
// statements and in its catalog alike: a name of the program's that is longer is kept whole
// here by its cut form, and the catalog is read back through it.
constexpr const char* kNamesTable =
    "CREATE TABLE IF NOT EXISTS balvix_names(cut text PRIMARY KEY, whole text NOT NULL)";
constexpr int kServerNameBytes = 63;

// What the program keeps in a database of its own on the server beside its tables: the schema
// counter every definition moves (the server keeps none that other sessions could read), the
// guards' trigger function, and sums over texts the way the file engine sums them.
const char* const kServerSetup[] = {
    "CREATE TABLE balvix_schema(version bigint NOT NULL)",
    "INSERT INTO balvix_schema VALUES (0)",
    kNamesTable,
    "CREATE OR REPLACE FUNCTION balvix_refuse() RETURNS trigger LANGUAGE plpgsql AS "
    "$$BEGIN RAISE EXCEPTION USING MESSAGE = TG_ARGV[0], ERRCODE = 'P0001'; END$$",
    "CREATE OR REPLACE FUNCTION balvix_number(text) RETURNS numeric LANGUAGE sql IMMUTABLE AS "
    "$$SELECT CASE WHEN $1 ~ '^\\s*[-+]?([0-9]+\\.?[0-9]*|\\.[0-9]+)([eE][-+]?[0-9]+)?\\s*$' "
    "THEN trim($1)::numeric ELSE 0 END$$",
    "CREATE OR REPLACE FUNCTION balvix_sum_step(numeric, text) RETURNS numeric LANGUAGE sql "
    "IMMUTABLE AS $$SELECT CASE WHEN $2 IS NULL THEN $1 ELSE coalesce($1, 0) + "
    "balvix_number($2) END$$",
    "CREATE OR REPLACE FUNCTION balvix_total_final(numeric) RETURNS double precision LANGUAGE "
    "sql IMMUTABLE AS $$SELECT coalesce($1, 0)::double precision$$",
    "CREATE AGGREGATE sum(text) (SFUNC = balvix_sum_step, STYPE = numeric)",
    "CREATE AGGREGATE total(text) (SFUNC = balvix_sum_step, STYPE = numeric, FINALFUNC = "
    "balvix_total_final)",
    // group_concat(x[, separator]) as the file engine has it: the texts that are not Null,
    // joined by the separator (a comma when none is given); Null when there are none.
    "CREATE OR REPLACE FUNCTION balvix_concat_step(text, text, text) RETURNS text LANGUAGE sql "
    "IMMUTABLE AS $$SELECT CASE WHEN $2 IS NULL THEN $1 WHEN $1 IS NULL THEN $2 "
    "ELSE $1 || $3 || $2 END$$",
    "CREATE OR REPLACE FUNCTION balvix_concat_step(text, text) RETURNS text LANGUAGE sql "
    "IMMUTABLE AS $$SELECT balvix_concat_step($1, $2, ',')$$",
    "CREATE AGGREGATE group_concat(text, text) (SFUNC = balvix_concat_step, STYPE = text)",
    "CREATE AGGREGATE group_concat(text) (SFUNC = balvix_concat_step, STYPE = text)",
};

// The file engine reads a number out of a text column wherever arithmetic meets it, and
// compares a number with a text column as text; the server gets operators that do the same,
// so that the program's statements mean the same on both.
std::vector<std::string> serverSetup() {
  std::vector<std::string> statements(std::begin(kServerSetup), std::end(kServerSetup));
  const char* const arithmetic[][2] = {{"+", "add"}, {"-", "sub"}, {"*", "mul"}, {"/", "div"}};
  const char* const sides[][3] = {
      {"text", "numeric", "t_n"}, {"numeric", "text", "n_t"}, {"text", "text", "t_t"}};
  auto operand = [](const char* type, const char* arg) {
    return std::string(type) == "text" ? std::string("balvix_number(") + arg + ")"
                                       : std::string(arg);
  };
  for (const auto& op : arithmetic) {
    for (const auto& side : sides) {
      const std::string name = std::string("balvix_") + op[1] + '_' + side[2];
      statements.push_back("CREATE OR REPLACE FUNCTION " + name + "(" + side[0] + ", " + side[1] +
                           ") RETURNS numeric LANGUAGE sql IMMUTABLE AS $$SELECT " +
                           operand(side[0], "$1") + ' ' + op[0] + ' ' + operand(side[1], "$2") +
                           "$$");
      statements.push_back(std::string("CREATE OPERATOR ") + op[0] + " (LEFTARG = " + side[0] +
                           ", RIGHTARG = " + side[1] + ", FUNCTION = " + name + ")");
    }
  }
  // A sign before a text column: -Количество is the number negated, as on the file.
  for (const auto& op : {std::pair{"-", "neg"}, std::pair{"+", "pos"}}) {
    const std::string name = std::string("balvix_") + op.second + "_t";
    statements.push_back("CREATE OR REPLACE FUNCTION " + name +
                         "(text) RETURNS numeric LANGUAGE sql IMMUTABLE AS $$SELECT " + op.first +
                         "balvix_number($1)$$");
    statements.push_back(std::string("CREATE OPERATOR ") + op.first +
                         " (RIGHTARG = text, FUNCTION = " + name + ")");
  }
  const char* const comparisons[][2] = {{"=", "eq"}, {"<>", "ne"}, {"<", "lt"},
                                        {">", "gt"}, {"<=", "le"}, {">=", "ge"}};
  for (const auto& op : comparisons) {
    for (int left = 0; left < 2; ++left) {
      const std::string name = std::string("balvix_") + op[1] + (left ? "_t_n" : "_n_t");
      const std::string args = left ? "text, numeric" : "numeric, text";
      statements.push_back("CREATE OR REPLACE FUNCTION " + name + "(" + args +
                           ") RETURNS boolean LANGUAGE sql IMMUTABLE AS $$SELECT " +
                           (left ? "$1 " : "$1::text ") + op[0] + (left ? " $2::text" : " $2") +
                           "$$");
      statements.push_back(
          std::string("CREATE OPERATOR ") + op[0] + " (LEFTARG = " + (left ? "text" : "numeric") +
          ", RIGHTARG = " + (left ? "numeric" : "text") + ", FUNCTION = " + name + ")");
    }
  }
  return statements;
}

// The address as shown to the user: a password written into it is left out.
QString shownAddress(const QString& address) {
  QString shown = address;
  static const QRegularExpression password(QStringLiteral("^([a-z]+://[^:@/]*):[^@/]*@"));
  shown.replace(password, QStringLiteral("\\1@"));
  static const QRegularExpression option(QStringLiteral("([?&])password=[^&]*&?"));
  shown.replace(option, QStringLiteral("\\1"));
  return shown;
}

QVariant serverValue(const PGresult* result, int row, int column) {
  if (PQgetisnull(result, row, column)) return {};
  const char* value = PQgetvalue(result, row, column);
  const int length = PQgetlength(result, row, column);
  switch (PQftype(result, column)) {
    case 20:
    case 21:
    case 23:
    case 26:
      return QVariant(static_cast<qlonglong>(std::strtoll(value, nullptr, 10)));
    case 700:
    case 701:
      return QVariant(std::strtod(value, nullptr));
    case 1700:
      // A sum of whole numbers stays whole, as the file engine's does.
      if (!std::strpbrk(value, ".eEN"))
        return QVariant(static_cast<qlonglong>(std::strtoll(value, nullptr, 10)));
      return QVariant(std::strtod(value, nullptr));
    case 16:
      return QVariant(static_cast<qlonglong>(value[0] == 't' ? 1 : 0));
    case 17: {
      std::size_t size = 0;
      unsigned char* bytes = PQunescapeBytea(reinterpret_cast<const unsigned char*>(value), &size);
      QByteArray data(reinterpret_cast<const char*>(bytes), static_cast<qsizetype>(size));
      PQfreemem(bytes);
      return QVariant(data);
    }
    default:
      return QVariant(storedText(value, length));
  }
}

}  // namespace

bool isNumericType(unsigned int typeOid) {
  return typeOid == 20 || typeOid == 21 || typeOid == 23 || typeOid == 700 || typeOid == 701 ||
         typeOid == 1700;
}

struct PgSession::Result {
  PGresult* r = nullptr;
  explicit Result(PGresult* result = nullptr) : r(result) {}
  Result(Result&& other) noexcept : r(other.r) { other.r = nullptr; }
  Result& operator=(Result&& other) noexcept {
    std::swap(r, other.r);
    return *this;
  }
  ~Result() { PQclear(r); }
};

PgSession::PgSession(pg_conn* connection, QString address, QString shown)
    : Session(std::move(shown), true),
      m_conn(connection),
      m_address(std::move(address)),
      m_schema(std::make_unique<SchemaCache>(
          [this](std::vector<std::pair<QString, QStringList>>& tables) { loadTables(tables); })) {}

PgSession::~PgSession() {
  m_schema.reset();
  PQfinish(m_conn);
}

pg_conn* PgSession::connect(const QString& address, const QString& shown) {
  PGconn* conn = PQconnectdb(address.toUtf8().constData());
  if (PQstatus(conn) != CONNECTION_OK) {
    const QString reason = QString::fromUtf8(PQerrorMessage(conn)).trimmed();
    PQfinish(conn);
    throw DbError(ErrorCode::CannotOpen,
                  QStringLiteral("Не удается подключиться к серверу базы данных «%1»: %2")
                      .arg(shown, reason));
  }
  return conn;
}

void PgSession::prepareConnection() {
  PQsetClientEncoding(m_conn, "UTF8");
  PQsetNoticeProcessor(
      m_conn, [](void*, const char*) {}, nullptr);
  runPlain("SET client_min_messages = warning");
  runPlain("SET standard_conforming_strings = on");
  runPlain("SET lock_timeout = " + std::to_string(m_lockTimeoutMs));
  // Every writing commit is announced here, to let other programs' lists follow it.
  runPlain("LISTEN balvix_changes");
}

void PgSession::wrote() {
  if (m_transactionDepth > 0) {
    m_wrote = true;
    return;
  }
  runPlain("NOTIFY balvix_changes");
}

void PgSession::takeNotices() {
  if (!m_conn || PQstatus(m_conn) != CONNECTION_OK) return;
  PQconsumeInput(m_conn);
  const int own = PQbackendPID(m_conn);
  while (PGnotify* notice = PQnotifies(m_conn)) {
    if (notice->be_pid != own) ++m_othersCommits;
    PQfreemem(notice);
  }
}

void PgSession::takePostingLock(const QString& key) {
  if (m_transactionDepth == 0 || m_postingKeys.count(key)) return;
  std::set<QString> wanted = std::move(m_learntKeys);
  m_learntKeys.clear();
  wanted.insert(key);
  for (const QString& each : wanted) {
    if (m_postingKeys.count(each)) continue;
    try {
      serverColumn("SELECT pg_catalog.pg_advisory_xact_lock(hashtextextended($1, 0))", each);
    } catch (const DbError&) {
      // Refused by a deadlock or the lock timeout: the retry waits for it with the others.
      m_learntKeys = wanted;
      m_learntKeys.insert(m_postingKeys.begin(), m_postingKeys.end());
      throw;
    }
    m_postingKeys.insert(each);
  }
}

qint64 PgSession::othersCommits() {
  if (m_transactionDepth > 0) return -1;
  takeNotices();
  return m_othersCommits;
}

std::unique_ptr<Session> PgSession::open(const QString& address) {
  const QString shown = shownAddress(address);
  std::unique_ptr<PgSession> session(new PgSession(connect(address, shown), address, shown));
  session->prepareConnection();
  const Result ours = session->runPlain(
      "SELECT count(*) FROM pg_catalog.pg_tables WHERE schemaname = current_schema() AND "
      "tablename = 'form_items'");
  if (std::atoi(PQgetvalue(ours.r, 0, 0)) == 0)
    throw DbError(ErrorCode::NotADatabase,
                  QStringLiteral("База данных «%1» на сервере не является базой данных "
                                 "программы: в ней нет ее таблиц.")
                      .arg(shown));
  const Result setUp = session->runPlain(
      "SELECT count(*) FROM pg_catalog.pg_tables WHERE schemaname = current_schema() AND "
      "tablename = 'balvix_schema'");
  if (std::atoi(PQgetvalue(setUp.r, 0, 0)) == 0) {
    Transaction transaction(*session);
    session->runSetup();
    transaction.commit();
  } else if (PQgetisnull(session->runPlain("SELECT to_regclass('balvix_names')").r, 0, 0)) {
    session->runPlain(kNamesTable);
  }
  session->m_hasCounter = true;
  session->refreshTables();
  return session;
}

std::unique_ptr<Session> PgSession::createNew(const QString& address) {
  const QString shown = shownAddress(address);
  std::unique_ptr<PgSession> session(new PgSession(connect(address, shown), address, shown));
  session->prepareConnection();
  const Result tables = session->runPlain(
      "SELECT count(*) FROM pg_catalog.pg_class c JOIN pg_catalog.pg_namespace n ON n.oid = "
      "c.relnamespace WHERE n.nspname = current_schema() AND c.relkind IN ('r','v','p','m')");
  if (std::atoi(PQgetvalue(tables.r, 0, 0)) > 0)
    throw DbError(ErrorCode::FileExists,
                  QStringLiteral("База данных «%1» на сервере уже содержит таблицы; новая база "
                                 "данных в ней не создана, чтобы не затереть их.")
                      .arg(shown));
  Transaction transaction(*session);
  session->runSetup();
  session->m_hasCounter = true;
  createFixedTables(*session);
  transaction.commit();
  session->refreshTables();
  return session;
}

void PgSession::setBusyTimeout(int milliseconds) {
  m_lockTimeoutMs = std::max(0, milliseconds);
  runPlain("SET lock_timeout = " + std::to_string(m_lockTimeoutMs));
}

void PgSession::fail(pg_result* result) {
  const DbError error = serverError(result, m_conn, m_path);
  PQclear(result);
  if (error.number() == ErrorCode::ConnectionLost) m_transactionDepth = 0;
  throw error;
}

void PgSession::ensureConnected() {
  if (PQstatus(m_conn) == CONNECTION_OK) return;
  PQreset(m_conn);
  if (PQstatus(m_conn) != CONNECTION_OK)
    throw connectionLost(m_path, QString::fromUtf8(PQerrorMessage(m_conn)).trimmed());
  m_transactionDepth = 0;
  prepareConnection();
  refreshTables();
}

PgSession::Result PgSession::runPlain(const std::string& sql) {
  PGresult* result = PQexec(m_conn, sql.c_str());
  const ExecStatusType status = PQresultStatus(result);
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) fail(result);
  return Result(result);
}

void PgSession::runSetup() {
  std::string script;
  for (const std::string& sql : serverSetup()) script += sql + ";\n";
  runServerText(script);
}

void PgSession::runServerText(const std::string& sql) {
  ensureConnected();
  runPlain(sql);
}

Recordset PgSession::serverRecordset(const std::string& sql) {
  ensureConnected();
  Result result = runPlain(sql);
  return toRecordset(result.r, true);
}

QStringList PgSession::serverColumn(const char* sql, const QString& parameter) {
  ensureConnected();
  const QByteArray text = parameter.toUtf8();
  const char* values[] = {text.constData()};
  Result result(PQexecParams(m_conn, sql, 1, nullptr, values, nullptr, nullptr, 0));
  if (PQresultStatus(result.r) != PGRES_TUPLES_OK) fail(std::exchange(result.r, nullptr));
  QStringList out;
  for (int r = 0; r < PQntuples(result.r); ++r)
    out << QString::fromUtf8(PQgetvalue(result.r, r, 0));
  return out;
}

void PgSession::executeUnresolved(const QString& sql) {
  ensureConnected();
  const QByteArray utf8 = sql.toUtf8();
  Statement prepared;
  serverStatement(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())),
                  prepared.text);
  run(prepared);
  const QString word = sql.trimmed().section(u' ', 0, 0).toLower();
  if (word == QLatin1String("create") || word == QLatin1String("drop") ||
      word == QLatin1String("alter"))
    afterDefinition(sql);
}

std::vector<std::pair<QString, QString>> PgSession::longNames(const QString& sql) {
  std::vector<std::pair<QString, QString>> names;
  // Most statements hold no word that long: a count of word characters in a row tells.
  qsizetype run = 0, longest = 0;
  for (const QChar c : sql) {
    run = c.isLetterOrNumber() || c == u'_' ? run + (c.unicode() < 0x80    ? 1
                                                     : c.unicode() < 0x800 ? 2
                                                                           : 3)
                                            : 0;
    longest = std::max(longest, run);
  }
  if (longest <= kServerNameBytes) return names;
  static const QRegularExpression word(QStringLiteral("[\\p{L}\\p{N}_]+"));
  for (auto it = word.globalMatch(sql); it.hasNext();) {
    const QString whole = it.next().captured();
    const QString cut = serverName(whole);
    if (cut.size() < whole.size() &&
        std::none_of(names.begin(), names.end(), [&](const auto& n) { return n.second == whole; }))
      names.emplace_back(cut, whole);
  }
  return names;
}

QString PgSession::wholeName(const char* serverName) const {
  const QString name = QString::fromUtf8(serverName);
  return m_longNames.isEmpty() || std::strlen(serverName) < kServerNameBytes - 3
             ? name
             : m_longNames.value(name, name);
}

QString PgSession::serverName(const QString& name, int bytes) {
  QByteArray utf8 = name.toUtf8();
  if (utf8.size() <= bytes) return name;
  qsizetype end = bytes;
  while (end > 0 && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80) --end;
  utf8.truncate(end);
  return QString::fromUtf8(utf8);
}

void PgSession::checkLongNames(const QString& sql) {
  for (const auto& [cut, whole] : longNames(sql)) {
    const QStringList kept = serverColumn("SELECT whole FROM balvix_names WHERE cut = $1", cut);
    if (!kept.isEmpty() && foldName(kept.first()) != foldName(whole))
      throw DbError(ErrorCode::Other,
                    QStringLiteral("Имя «%1» слишком длинное для базы данных на сервере: сервер "
                                   "хранит только первые %2 байт имени, а они совпадают с "
                                   "началом имени «%3». Выберите имя короче.")
                        .arg(whole)
                        .arg(kServerNameBytes)
                        .arg(kept.first()));
  }
}

void PgSession::noticeOtherChanges() {
  if (schemaVersion() != m_tablesVersion) refreshTables();
}

const PgSession::Statement& PgSession::statement(const QString& sql) {
  ensureConnected();
  // Inside a transaction the schema was looked at when it began; the program's own
  // definitions refresh it themselves.
  if (m_transactionDepth == 0) noticeOtherChanges();
  if (auto it = m_statements.constFind(sql); it != m_statements.constEnd()) return it.value();
  const QByteArray utf8 = sql.toUtf8();
  // The server's texts cannot hold the zero character: refused rather than cut short there.
  if (utf8.contains('\0'))
    throw DbError(ErrorCode::Other,
                  QStringLiteral("Текст содержит нулевой символ, который база данных на сервере "
                                 "хранить не может; изменения не внесены."));
  std::string_view text(utf8.constData(), static_cast<std::size_t>(utf8.size()));
  std::string resolved;
  StatementKind kind = StatementKind::Data;
  if (m_schema->resolve(text, resolved, kind)) text = resolved;
  Statement prepared;
  prepared.params = serverStatement(text, prepared.text);
  // A long name the statement writes comes back cut in the names of its result.
  for (auto& [cut, whole] : longNames(sql)) m_longNames.insert(cut, whole);
  prepared.definition = kind == StatementKind::Definition;
  if (prepared.text.find_first_not_of(" \t\r\n;") == std::string::npos)
    throw DbError(ErrorCode::SyntaxError, QStringLiteral("Инструкция SQL пуста."));
  if (m_statements.size() >= kMaxKeptStatements) m_statements.clear();
  return m_statements.insert(sql, std::move(prepared)).value();
}

PgSession::Result PgSession::run(const Statement& statement, int count, const char* const* values,
                                 const int* lengths) {
  if (statement.params != count)
    throw DbError(ErrorCode::ValueCountMismatch,
                  QStringLiteral("Число значений (%1) не совпадает с числом параметров "
                                 "инструкции (%2).")
                      .arg(count)
                      .arg(statement.params));
  if (m_transactionDepth == 0 || PQtransactionStatus(m_conn) != PQTRANS_INTRANS) {
    PGresult* result =
        PQexecParams(m_conn, statement.text.c_str(), count, nullptr, values, lengths, nullptr, 0);
    const ExecStatusType status = PQresultStatus(result);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) fail(result);
    return Result(result);
  }
  // In a transaction the statement runs under a savepoint, all three in one round trip: a
  // failing statement is undone alone and the transaction goes on, as on a file.
  PQenterPipelineMode(m_conn);
  PQsendQueryParams(m_conn, "SAVEPOINT balvix_statement", 0, nullptr, nullptr, nullptr, nullptr, 0);
  PQsendQueryParams(m_conn, statement.text.c_str(), count, nullptr, values, lengths, nullptr, 0);
  PQsendQueryParams(m_conn, "RELEASE SAVEPOINT balvix_statement", 0, nullptr, nullptr, nullptr,
                    nullptr, 0);
  PQpipelineSync(m_conn);
  Result results[3];
  PGresult* failure = nullptr;
  for (Result& slot : results) {
    PGresult* r = PQgetResult(m_conn);
    slot = Result(r);
    if (!failure && r && PQresultStatus(r) == PGRES_FATAL_ERROR) {
      failure = r;
      slot.r = nullptr;
    }
    while (PGresult* rest = PQgetResult(m_conn)) PQclear(rest);
  }
  while (PGresult* sync = PQgetResult(m_conn)) {
    const bool done = PQresultStatus(sync) == PGRES_PIPELINE_SYNC;
    PQclear(sync);
    if (done) break;
  }
  PQexitPipelineMode(m_conn);
  if (failure || !results[1].r) {
    if (PQstatus(m_conn) == CONNECTION_OK)
      PQclear(PQexec(m_conn, "ROLLBACK TO SAVEPOINT balvix_statement"));
    fail(failure);
  }
  return std::move(results[1]);
}

void PgSession::afterDefinition(const QString& sql) {
  for (const auto& [cut, whole] : longNames(sql)) {
    const QByteArray c = cut.toUtf8(), w = whole.toUtf8();
    const char* values[] = {c.constData(), w.constData()};
    PGresult* result = PQexecParams(
        m_conn, "INSERT INTO balvix_names VALUES ($1, $2) ON CONFLICT (cut) DO NOTHING", 2, nullptr,
        values, nullptr, nullptr, 0);
    if (PQresultStatus(result) != PGRES_COMMAND_OK) fail(result);
    PQclear(result);
  }
  runPlain("UPDATE balvix_schema SET version = version + 1");
  std::vector<TableDef> before = std::move(m_tables);
  refreshTables();
  // Names that differ only in letter case are different names to the server but one name to
  // the program: a new table with "Поле" and "поле" could never be read right.
  for (const TableDef& table : m_tables) {
    if (std::any_of(before.begin(), before.end(),
                    [&](const TableDef& old) { return old.name == table.name; }))
      continue;
    QStringList seen;
    for (const QString& column : m_schema->columns(table.name)) {
      const QString folded = foldName(column);
      if (!seen.contains(folded)) {
        seen << folded;
        continue;
      }
      // Kept apart: the refresh below replaces the list `table` lives in.
      const QString name = table.name;
      std::string drop = "DROP TABLE \"";
      for (QChar c : name) drop += c == u'"' ? std::string("\"\"") : QString(c).toStdString();
      runPlain(drop + '"');
      runPlain("UPDATE balvix_schema SET version = version + 1");
      refreshTables();
      throw DbError(ErrorCode::DuplicateField,
                    QStringLiteral("Поле «%1» указано в описании таблицы «%2» более одного раза.")
                        .arg(column, name));
    }
  }
}

void PgSession::execute(const QString& sql) {
  const Statement& prepared = statement(sql);
  const bool definition = prepared.definition;
  if (definition) checkLongNames(sql);
  const Result result = run(prepared);
  m_changes = std::atoi(PQcmdTuples(result.r));
  if (definition) afterDefinition(sql);
  if (definition || PQresultStatus(result.r) == PGRES_COMMAND_OK) wrote();
}

void PgSession::executeEach(const QString& sql, const std::vector<QStringList>& rows) {
  if (rows.empty()) return;
  const Statement prepared = statement(sql);
  std::vector<QByteArray> texts;
  std::vector<const char*> values;
  std::vector<int> lengths;
  for (const QStringList& row : rows) {
    texts.clear();
    values.clear();
    lengths.clear();
    for (const QString& value : row) texts.push_back(value.toUtf8());
    for (const QByteArray& text : texts) {
      values.push_back(text.constData());
      lengths.push_back(static_cast<int>(text.size()));
    }
    const Result result =
        run(prepared, static_cast<int>(row.size()), values.data(), lengths.data());
    m_changes = std::atoi(PQcmdTuples(result.r));
  }
  if (prepared.definition) afterDefinition(sql);
  wrote();
}

void PgSession::executeValues(const QString& sql, const std::vector<std::vector<QVariant>>& rows) {
  if (rows.empty()) return;
  const Statement prepared = statement(sql);
  std::vector<QByteArray> texts;
  std::vector<const char*> values;
  for (const std::vector<QVariant>& row : rows) {
    texts.clear();
    values.clear();
    for (const QVariant& value : row) {
      if (value.typeId() == QMetaType::QByteArray) {
        std::size_t size = 0;
        const QByteArray bytes = value.toByteArray();
        unsigned char* escaped =
            PQescapeByteaConn(m_conn, reinterpret_cast<const unsigned char*>(bytes.constData()),
                              static_cast<std::size_t>(bytes.size()), &size);
        texts.emplace_back(reinterpret_cast<const char*>(escaped));
        PQfreemem(escaped);
      } else {
        texts.push_back(value.toString().toUtf8());
      }
    }
    for (std::size_t i = 0; i < row.size(); ++i)
      values.push_back(row[i].isNull() ? nullptr : texts[i].constData());
    run(prepared, static_cast<int>(row.size()), values.data(), nullptr);
  }
  wrote();
}

Recordset PgSession::toRecordset(pg_result* result, bool withRows) {
  Recordset recordset;
  Recordset::Data& data = *recordset.d;
  data.columns = PQnfields(result);
  for (int c = 0; c < data.columns; ++c) data.names << wholeName(PQfname(result, c));
  if (withRows) {
    data.rows = PQntuples(result);
    data.values.reserve(static_cast<std::size_t>(data.rows) *
                        static_cast<std::size_t>(data.columns));
    for (int r = 0; r < data.rows; ++r) {
      for (int c = 0; c < data.columns; ++c) data.values.push_back(serverValue(result, r, c));
    }
  }
  data.open = true;
  return recordset;
}

Recordset PgSession::openRecordset(const QString& sql) {
  const Statement& prepared = statement(sql);
  const bool definition = prepared.definition;
  const Result result = run(prepared);
  if (definition) afterDefinition(sql);
  return toRecordset(result.r, true);
}

Recordset PgSession::openColumns(const QString& sql) {
  const Statement& prepared = statement(sql);
  ensureConnected();
  Result described(PQprepare(m_conn, "", prepared.text.c_str(), 0, nullptr));
  if (PQresultStatus(described.r) != PGRES_COMMAND_OK) fail(std::exchange(described.r, nullptr));
  Result result(PQdescribePrepared(m_conn, ""));
  if (PQresultStatus(result.r) != PGRES_COMMAND_OK) fail(std::exchange(result.r, nullptr));
  return toRecordset(result.r, false);
}

void PgSession::forEachRow(const QString& sql, const std::function<void(const RowView&)>& visit,
                           QStringList* columns) {
  const Result result = run(statement(sql));
  const int count = PQnfields(result.r);
  if (columns) {
    columns->clear();
    for (int c = 0; c < count; ++c) *columns << wholeName(PQfname(result.r, c));
  }
  RowView row(result.r, count);
  const int rows = PQntuples(result.r);
  for (row.m_row = 0; row.m_row < rows; ++row.m_row) visit(row);
}

void PgSession::beginTransaction() {
  if (m_transactionDepth == 0) {
    ensureConnected();
    runPlain("BEGIN ISOLATION LEVEL READ COMMITTED");
    m_wrote = false;
    try {
      noticeOtherChanges();
    } catch (...) {
      PQclear(PQexec(m_conn, "ROLLBACK"));
      throw;
    }
  }
  ++m_transactionDepth;
}

void PgSession::commit() {
  if (m_transactionDepth == 0)
    throw DbError(ErrorCode::NoTransaction,
                  QStringLiteral("Нет начатой транзакции: подтверждать нечего."));
  if (m_transactionDepth > 1) {
    --m_transactionDepth;
    return;
  }
  m_transactionDepth = 0;
  if (PQstatus(m_conn) != CONNECTION_OK) throw connectionLost(m_path, QString());
  if (PQtransactionStatus(m_conn) != PQTRANS_INTRANS) {
    m_learntKeys.insert(m_postingKeys.begin(), m_postingKeys.end());
    m_postingKeys.clear();
    PQclear(PQexec(m_conn, "ROLLBACK"));
    refreshTables();
    throw DbError(ErrorCode::Other,
                  QStringLiteral("Транзакция была отменена из-за ошибки базы данных; изменения "
                                 "не сохранены."));
  }
  // The announcement goes in the commit's own round trip; the server delivers it only if the
  // commit succeeds.
  m_postingKeys.clear();
  m_learntKeys.clear();
  runPlain(m_wrote ? "NOTIFY balvix_changes; COMMIT" : "COMMIT");
  m_wrote = false;
  takeNotices();
}

void PgSession::rollback() {
  if (m_transactionDepth == 0)
    throw DbError(ErrorCode::NoTransaction,
                  QStringLiteral("Нет начатой транзакции: отменять нечего."));
  m_transactionDepth = 0;
  m_learntKeys.insert(m_postingKeys.begin(), m_postingKeys.end());
  m_postingKeys.clear();
  if (PQstatus(m_conn) != CONNECTION_OK) return;
  if (PQtransactionStatus(m_conn) != PQTRANS_IDLE) runPlain("ROLLBACK");
  // A rolled-back CREATE or DROP leaves the schema as it was before.
  refreshTables();
}

void PgSession::loadTables(std::vector<std::pair<QString, QStringList>>& tables) {
  const Result names = runPlain("SELECT cut, whole FROM balvix_names");
  for (int r = 0; r < PQntuples(names.r); ++r)
    m_longNames.insert(QString::fromUtf8(PQgetvalue(names.r, r, 0)),
                       QString::fromUtf8(PQgetvalue(names.r, r, 1)));
  const Result result = runPlain(
      "SELECT coalesce(nt.whole, c.relname::text), coalesce(na.whole, a.attname::text) FROM "
      "pg_catalog.pg_class c JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace LEFT JOIN "
      "pg_catalog.pg_attribute a ON a.attrelid = c.oid AND a.attnum > 0 AND NOT a.attisdropped "
      "LEFT JOIN balvix_names nt ON nt.cut = c.relname::text LEFT JOIN balvix_names na ON "
      "na.cut = a.attname::text WHERE n.nspname = current_schema() AND c.relkind IN "
      "('r','v','p','m') AND c.relname NOT IN ('balvix_schema', 'balvix_users', 'balvix_names') "
      "ORDER BY c.oid, a.attnum");
  const int rows = PQntuples(result.r);
  for (int r = 0; r < rows; ++r) {
    const QString table = QString::fromUtf8(PQgetvalue(result.r, r, 0));
    if (tables.empty() || tables.back().first != table) tables.emplace_back(table, QStringList());
    if (!PQgetisnull(result.r, r, 1))
      tables.back().second << QString::fromUtf8(PQgetvalue(result.r, r, 1));
  }
}

void PgSession::refreshTables() {
  m_statements.clear();
  m_schema->invalidate();
  m_tablesVersion = schemaVersion();
  m_tables.clear();
  const Result result = runPlain(
      "SELECT coalesce(nt.whole, c.relname::text) FROM pg_catalog.pg_class c JOIN "
      "pg_catalog.pg_namespace n ON n.oid = c.relnamespace LEFT JOIN balvix_names nt ON nt.cut = "
      "c.relname::text WHERE n.nspname = current_schema() AND c.relkind IN ('r','p') AND "
      "c.relname NOT IN ('balvix_schema', 'balvix_users', 'balvix_names') ORDER BY c.oid");
  for (int r = 0; r < PQntuples(result.r); ++r)
    m_tables.push_back({QString::fromUtf8(PQgetvalue(result.r, r, 0)), 0});
}

bool PgSession::tableExists(const QString& name) {
  ensureConnected();
  noticeOtherChanges();
  return !m_schema->tableName(name).isEmpty();
}

QStringList PgSession::columns(const QString& table) {
  ensureConnected();
  noticeOtherChanges();
  return m_schema->columns(table);
}

Session::TableVersion PgSession::tableVersion(const QString& table) {
  TableVersion version;
  version.table = table;
  ensureConnected();
  noticeOtherChanges();
  const QString stored = m_schema->tableName(table);
  if (stored.isEmpty()) return version;
  const QByteArray name = stored.toUtf8();
  const char* values[] = {name.constData()};
  Result result(PQexecParams(m_conn,
                             "SELECT column_name, data_type FROM information_schema.columns WHERE "
                             "table_schema = current_schema() AND table_name = $1 ORDER BY "
                             "ordinal_position",
                             1, nullptr, values, nullptr, nullptr, 0));
  if (PQresultStatus(result.r) != PGRES_TUPLES_OK) fail(std::exchange(result.r, nullptr));
  QStringList parts;
  for (int r = 0; r < PQntuples(result.r); ++r)
    parts << QString::fromUtf8(PQgetvalue(result.r, r, 0)) + u' ' +
                 QString::fromUtf8(PQgetvalue(result.r, r, 1));
  version.exists = true;
  version.definition = stored + u'(' + parts.join(u',') + u')';
  version.columns = m_schema->columns(table);
  return version;
}

int PgSession::schemaVersion() {
  if (!m_hasCounter) return -1;
  ensureConnected();
  PGresult* result = PQexec(m_conn, "SELECT version FROM balvix_schema");
  int version = -1;
  if (PQresultStatus(result) == PGRES_TUPLES_OK && PQntuples(result) > 0)
    version = std::atoi(PQgetvalue(result, 0, 0));
  PQclear(result);
  return version;
}

QString PgSession::resolveIdentifiers(const QString& sql) {
  return QString::fromStdString(statement(sql).text);
}

}  // namespace balvix::storage
