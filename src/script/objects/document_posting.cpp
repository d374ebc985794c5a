#include "script/objects/document_posting.h"

#include <QHash>

#include "config/audit_trail.h"
#include "config/closed_periods.h"
#include "config/document_numbers.h"
#include "config/object_kind.h"
#include "config/row_versions.h"
#include "config/table_names.h"
#include "script/objects/account_totals.h"
#include "script/objects/register_totals.h"
#include "script/script_error.h"
#include "storage/posting_locks.h"
#include "storage/session.h"
#include "storage/sql_text.h"

namespace balvix::script::posting {

namespace {

using storage::quote;

const QString kTimeFormat = QStringLiteral("hh:mm:ss");
const QString kDateFormat = QStringLiteral("dd.MM.yyyy");

// Kinds come from form_items; one that is not an identifier cannot name a table of ours,
// and is never pasted into a statement.
void checkKind(const QString& kind) {
  if (!storage::isValidIdentifier(kind))
    throw storage::DbError(storage::ErrorCode::TableNotFound,
                           QStringLiteral("«%1» не является именем вида документа.").arg(kind));
}

QString keyCondition(const DocumentKey& key) {
  return QStringLiteral(" WHERE cDATE=") + quote(key.date) + QStringLiteral(" AND cTIME=") +
         quote(key.time);
}

QString movementCondition(const QString& kind, const DocumentKey& key) {
  return keyCondition(key) + QStringLiteral(" AND Документ=") + quote(kind);
}

// Refuses a change of a document dated in the closed period, before anything is written.
void requireOpen(storage::Session& db, const QString& kind, const QString& date,
                 const QString& what) {
  config::periods::requireOpen(
      db, date,
      QStringLiteral("Документ «%1» от %2 %3; исправления вводите документами открытого периода.")
          .arg(kind, date, what));
}

QString documentObject(const QString& kind) {
  return config::typeWord(config::ObjectKind::Document) + u'.' + kind;
}

QString keyText(const DocumentKey& key) {
  return key.date + u' ' + key.time;
}

QString versionKey(const DocumentKey& key) {
  return config::documentVersionKey(key.date, key.time);
}

QString storedNumber(storage::Session& db, const QString& kind, const DocumentKey& key) {
  return config::documentNumber(db, kind, key.date, key.time);
}

bool keyTaken(storage::Session& db, const QString& header, const DocumentKey& key) {
  return !db.openRecordset(QStringLiteral("SELECT cDATE FROM ") + header + keyCondition(key)).eof();
}

// "column='value'," for every requisite column the document has a value for: columns
// without a field on the form keep what they hold.
QString headerAssignments(const QStringList& columns, const DocumentContent& document) {
  QHash<QString, QString> values;
  for (const auto& [column, value] : document.header)
    values.insert(storage::foldName(column), value);
  QString assignments;
  for (const QString& column : columns) {
    const auto it = values.constFind(storage::foldName(column));
    if (it != values.cend())
      assignments += column + QLatin1Char('=') + quote(*it) + QLatin1Char(',');
  }
  return assignments;
}

// The document's table rows under `key`, by the table part's column names.
void insertRows(storage::Session& db, const QString& tablePart, const DocumentContent& document,
                const DocumentKey& key) {
  if (!document.hasTablePart) return;
  const QStringList tableColumns =
      config::requisiteColumns(config::TableRole::TablePart, db.columns(tablePart));
  QList<int> source;
  for (const QString& column : tableColumns) {
    int at = -1;
    for (int i = 0; i < document.rowColumns.size() && at < 0; ++i)
      if (storage::foldName(document.rowColumns[i]) == storage::foldName(column)) at = i;
    source << at;
  }
  QString names;
  for (const QString& column : tableColumns) names += column + QLatin1Char(',');
  names += QStringLiteral("cDATE,cTIME");
  std::vector<QStringList> rows;
  rows.reserve(document.rows.size());
  for (const QStringList& row : document.rows) {
    QStringList values;
    for (int at : source) values << (at >= 0 ? row.value(at) : QString());
    values << key.date << key.time;
    rows.push_back(std::move(values));
  }
  db.executeEach(QStringLiteral("INSERT INTO ") + tablePart + QStringLiteral(" (") + names +
                     QStringLiteral(") VALUES (") +
                     QStringLiteral("?,").repeated(source.size() + 1) + QStringLiteral("?)"),
                 rows);
}

// Restores what the posting put into the shared state, however the posting ends.
class PostingScope {
 public:
  explicit PostingScope(SharedContext& context)
      : m_context(context),
        m_type(context.currentObjectType),
        m_name(context.currentObjectName),
        m_date(context.documentDate),
        m_number(context.documentNumber),
        m_pending(context.pendingTotals) {}
  ~PostingScope() {
    m_context.pendingTotals = m_pending;
    m_context.currentObjectType = m_type;
    m_context.currentObjectName = m_name;
    m_context.documentDate = m_date;
    m_context.documentNumber = m_number;
  }
  PostingScope(const PostingScope&) = delete;
  PostingScope& operator=(const PostingScope&) = delete;

 private:
  SharedContext& m_context;
  QString m_type;
  QString m_name;
  std::optional<QDate> m_date;
  QString m_number;
  std::shared_ptr<totals::Changes> m_pending;
};

}  // namespace

DocumentKey freeKey(storage::Session& db, const QString& kind, const QDate& date, QTime now,
                    const std::optional<DocumentKey>& own) {
  checkKind(kind);
  const QString header = config::documentHeaderTable(kind);
  DocumentKey key{date.toString(kDateFormat), now.toString(kTimeFormat)};
  if (!db.tableExists(header)) return key;
  // Another user's document of the day, saved at the same moment, is seen only once its
  // transaction has ended: the day's key waits for it (on a server; a file has one writer).
  storage::lockPostingKey(db, QStringLiteral("Документ\x01") + kind + u'\x01' + key.date);
  // Two documents saved within one second would share every movement and posting: the
  // later one takes the next free second of the day.
  for (int step = 0; step < 86400; ++step) {
    key.time = now.addSecs(step).toString(kTimeFormat);
    if ((own && *own == key) || !keyTaken(db, header, key)) return key;
  }
  throw storage::DbError(
      storage::ErrorCode::Other,
      QStringLiteral("Для даты %1 не осталось свободного времени документа.").arg(key.date));
}

bool isPosted(storage::Session& db, const QString& kind, const DocumentKey& key) {
  checkKind(kind);
  storage::Recordset rs = db.openRecordset(QStringLiteral("SELECT Проводка FROM ") +
                                           config::documentHeaderTable(kind) + keyCondition(key));
  return !rs.eof() && rs.text(0).trimmed() == QStringLiteral("1");
}

bool runAsPosting(SharedContext& context, const QString& kind, const QDate& date,
                  const DocumentKey& key, const SaveProcedure& save, const QString& number) {
  // Movements and postings take the document's date: none is written into a closed period.
  if (context.db)
    config::periods::requireOpen(
        *context.db, date,
        QStringLiteral("Движения и проводки документа «%1» от %2 не записываются.")
            .arg(kind, date.toString(kDateFormat)));
  PostingScope scope(context);
  context.currentObjectType = config::typeWord(config::ObjectKind::Document);
  context.currentObjectName = kind;
  context.documentSaveTime = key.time;
  context.documentDate = date;
  context.documentNumber = number;
  const auto changes = std::make_shared<totals::Changes>();
  context.pendingTotals = changes;
  if (save && !save()) return false;
  if (context.db) changes->write(*context.db);
  return true;
}

PostResult saveAndPost(SharedContext& context, const DocumentContent& document,
                       const std::optional<DocumentKey>& stored, const SaveProcedure& save,
                       QTime now, bool post, std::optional<qint64> expectedVersion) {
  if (!context.db)
    throw storage::DbError(storage::ErrorCode::Other, QStringLiteral("База данных не открыта."));
  storage::Session& db = *context.db;
  const QString& kind = document.kind;
  checkKind(kind);
  const QString header = config::documentHeaderTable(kind);
  const QString tablePart = config::documentTablePartTable(kind);
  if (stored) requireOpen(db, kind, stored->date, QStringLiteral("не может быть изменен"));
  requireOpen(db, kind, document.date.toString(kDateFormat),
              stored ? QStringLiteral("не может быть записан: дата попадает в закрытый период")
                     : QStringLiteral("не может быть записан"));
  storage::Transaction transaction(db);

  if (stored && isPosted(db, kind, *stored))
    return {PostOutcome::AlreadyPosted, *stored, storedNumber(db, kind, *stored)};
  const QString path = documentObject(kind);
  if (stored && expectedVersion) {
    const qint64 found = config::rowVersion(db, path, versionKey(*stored));
    if (found != *expectedVersion)
      return {PostOutcome::ChangedElsewhere, *stored, storedNumber(db, kind, *stored), found};
  }
  // A stored document keeps its key; re-dated, it keeps its time where the new day has it
  // free. Only a new document is stamped with the time it is first saved.
  const QTime keep = stored ? QTime::fromString(stored->time, kTimeFormat) : QTime();
  const DocumentKey key = freeKey(db, kind, document.date, keep.isValid() ? keep : now, stored);
  const QString posted = post ? QStringLiteral("'1'") : QStringLiteral("'0'");
  // A kind whose table predates numbers gets them now, the stored documents first.
  if (db.tableExists(header) &&
      !db.columns(header).contains(config::kDocumentNumberColumn, Qt::CaseInsensitive))
    config::numberDocuments(db, kind);
  const QStringList columns =
      config::requisiteColumns(config::TableRole::Header, db.columns(header));
  const bool hasRows = db.tableExists(tablePart);

  // A stored document keeps its number, also when it is dated into another year; only one
  // stored without a number takes one.
  QString number = stored ? storedNumber(db, kind, *stored) : QString();
  if (number.isEmpty())
    number = QString::number(config::takeDocumentNumber(db, kind, document.date.year()));
  if (stored) {
    db.execute(QStringLiteral("UPDATE ") + header + QStringLiteral(" SET ") +
               headerAssignments(columns, document) + QStringLiteral("cDATE=") + quote(key.date) +
               QStringLiteral(",cTIME=") + quote(key.time) + QStringLiteral(",Проводка=") + posted +
               QLatin1Char(',') + config::kDocumentNumberColumn + QLatin1Char('=') + quote(number) +
               keyCondition(*stored));
    if (db.changes() == 0)
      throw storage::DbError(storage::ErrorCode::Other,
                             QStringLiteral("Документ от %1 %2 не найден: возможно, он удален.")
                                 .arg(stored->date, stored->time));
  } else {
    QHash<QString, QString> values;
    for (const auto& [column, value] : document.header)
      values.insert(storage::foldName(column), value);
    QString names, list;
    for (const QString& column : columns) {
      names += column + QLatin1Char(',');
      list += quote(values.value(storage::foldName(column))) + QLatin1Char(',');
    }
    names += QStringLiteral("cDATE,cTIME,Проводка,") + config::kDocumentNumberColumn;
    list += quote(key.date) + QLatin1Char(',') + quote(key.time) + QLatin1Char(',') + posted +
            QLatin1Char(',') + quote(number);
    db.execute(QStringLiteral("INSERT INTO ") + header + QStringLiteral(" (") + names +
               QStringLiteral(") VALUES (") + list + QLatin1Char(')'));
  }
  if (hasRows) {
    if (stored) db.execute(QStringLiteral("DELETE FROM ") + tablePart + keyCondition(*stored));
    insertRows(db, tablePart, document, key);
  }
  QString details = QStringLiteral("№ ") + number;
  if (stored && !(*stored == key))
    details += QStringLiteral("; дата и время изменены: было %1").arg(keyText(*stored));
  const qint64 version =
      config::raiseRowVersion(db, path, versionKey(key), stored ? versionKey(*stored) : QString());
  if (!post) {
    config::audit::append(db, config::audit::event::kDocumentSave, documentObject(kind),
                          keyText(key), details);
    transaction.commit();
    return {PostOutcome::Posted, key, number, version};
  }

  // The save procedure may write into the document it posts (Форма.Значение("Сумма") = …):
  // what is stored is the document as the procedure left it, in the window as without one.
  const DocumentContent written = document;
  if (!runAsPosting(context, kind, document.date, key, save, number))
    return {PostOutcome::Aborted, key, QString()};
  if (!(document == written)) rewrite(db, document, key);
  config::audit::append(db, config::audit::event::kPosting, documentObject(kind), keyText(key),
                        details);
  transaction.commit();
  return {PostOutcome::Posted, key, number, version};
}

void rewrite(storage::Session& db, const DocumentContent& document, const DocumentKey& key) {
  checkKind(document.kind);
  const QString header = config::documentHeaderTable(document.kind);
  QString assignments = headerAssignments(
      config::requisiteColumns(config::TableRole::Header, db.columns(header)), document);
  if (!assignments.isEmpty()) {
    assignments.chop(1);
    db.execute(QStringLiteral("UPDATE ") + header + QStringLiteral(" SET ") + assignments +
               keyCondition(key));
  }
  const QString tablePart = config::documentTablePartTable(document.kind);
  if (document.hasTablePart && db.tableExists(tablePart)) {
    db.execute(QStringLiteral("DELETE FROM ") + tablePart + keyCondition(key));
    insertRows(db, tablePart, document, key);
  }
}

QStringList registerTables(storage::Session& db) {
  db.refreshTables();
  QStringList tables;
  const QString prefix = config::tablePrefix(config::TableRole::Movements);
  for (int i = 0; i < db.tableCount(); ++i) {
    const storage::TableDef& table = db.table(i);
    if (table.attributes == 0 && table.name.startsWith(prefix, Qt::CaseInsensitive))
      tables << table.name;
  }
  return tables;
}

void unpost(storage::Session& db, const QString& kind, const DocumentKey& key) {
  unpost(db, kind, key, registerTables(db));
}

void unpost(storage::Session& db, const QString& kind, const DocumentKey& key,
            const QStringList& registers, bool record) {
  checkKind(kind);
  requireOpen(db, kind, key.date, QStringLiteral("не может быть распроведен"));
  storage::Transaction transaction(db);
  if (record)
    config::audit::append(db, config::audit::event::kUnposting, documentObject(kind), keyText(key),
                          QStringLiteral("№ ") + storedNumber(db, kind, key));
  account_totals::deletePostings(db, movementCondition(kind, key));
  db.execute(QStringLiteral("UPDATE ") + config::documentHeaderTable(kind) +
             QStringLiteral(" SET Проводка='0'") + keyCondition(key));
  config::raiseRowVersion(db, documentObject(kind), versionKey(key));
  for (const QString& table : registers)
    totals::deleteMovements(db, table, movementCondition(kind, key));
  transaction.commit();
}

QString closedPeriodRefusal(storage::Session& db, const QString& kind, const DocumentKey& key,
                            bool removing) {
  try {
    requireOpen(db, kind, key.date,
                removing ? QStringLiteral("не может быть удален")
                         : QStringLiteral("не может быть распроведен"));
  } catch (const storage::DbError& e) {
    return e.description();
  }
  return QString();
}

void remove(storage::Session& db, const QString& kind, const DocumentKey& key) {
  checkKind(kind);
  const QStringList registers = registerTables(db);
  const QString tablePart = config::documentTablePartTable(kind);
  requireOpen(db, kind, key.date, QStringLiteral("не может быть удален"));
  storage::Transaction transaction(db);
  config::audit::append(db, config::audit::event::kDeletion, documentObject(kind), keyText(key),
                        QStringLiteral("№ ") + storedNumber(db, kind, key));
  db.execute(QStringLiteral("DELETE FROM ") + config::documentHeaderTable(kind) +
             keyCondition(key));
  if (db.tableExists(tablePart))
    db.execute(QStringLiteral("DELETE FROM ") + tablePart + keyCondition(key));
  account_totals::deletePostings(db, movementCondition(kind, key));
  for (const QString& table : registers)
    totals::deleteMovements(db, table, movementCondition(kind, key));
  transaction.commit();
}

}  // namespace balvix::script::posting
