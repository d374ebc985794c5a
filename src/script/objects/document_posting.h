#pragma once

#include <QDate>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QTime>
#include <functional>
#include <optional>

#include "script/objects/shared_context.h"

namespace balvix::storage {
class Session;
}

namespace balvix::script {

// A document is identified by its date and time texts (cDATE, cTIME), shared by its
// header row, its table-part rows, its register movements and its postings in itogi.
struct DocumentKey {
  QString date;  // dd.MM.yyyy
  QString time;  // hh:mm:ss
  bool operator==(const DocumentKey& other) const = default;
};

// What a document form holds when it is posted: the header values by column name and
// the table-part rows by the table's column names (with the columns' type words).
struct DocumentContent {
  QString kind;
  QDate date;
  QList<QPair<QString, QString>> header;
  QStringList rowColumns;
  QList<QStringList> rows;
  bool hasTablePart = false;
  QStringList rowTypes;
  bool operator==(const DocumentContent& other) const = default;
};

enum class PostOutcome {
  Posted,         // written and committed
  AlreadyPosted,  // the stored document is posted: nothing written
  Aborted,        // the save procedure failed: everything rolled back
  // The stored document was written by someone else after the version the caller read:
  // nothing written.
  ChangedElsewhere,
};

struct PostResult {
  PostOutcome outcome = PostOutcome::Aborted;
  DocumentKey key;
  QString number;      // the document's number; empty when the posting was rolled back
  qint64 version = 0;  // the stored document's version after the write (or as found)
};

// Runs the save procedure. Returns false (after reporting the error itself) or throws
// to abandon the posting; either way the transaction is rolled back.
using SaveProcedure = std::function<bool()>;

// The posting of documents without windows: the document form, the journal, the
// headless runner and the reposting all go through here, so a document is posted the
// same way everywhere, always in one transaction.
namespace posting {

// The first free key of the kind at `date` from `now` on: the time moves on by a second
// while a document of the kind already has it (`own` is the document being re-saved).
DocumentKey freeKey(storage::Session& db, const QString& kind, const QDate& date, QTime now,
                    const std::optional<DocumentKey>& own = std::nullopt);

bool isPosted(storage::Session& db, const QString& kind, const DocumentKey& key);

// Runs `save` as the posting of a document of `kind` under `key` with `number`: the shared
// state tells the register and account objects which document they write for, and is
// restored afterwards. The transaction is the caller's.
bool runAsPosting(SharedContext& context, const QString& kind, const QDate& date,
                  const DocumentKey& key, const SaveProcedure& save,
                  const QString& number = QString());

// Saves and posts a document in one transaction: header (INSERT for a new document, which
// takes the next number of its kind and year; UPDATE of the stored one found by `stored`,
// which keeps its number), table rows, then the save procedure with
// its movements and postings. `document` is read again after the save procedure, which may
// have written into it: what it then holds is stored. A stored document that is posted is
// refused. Database
// errors and exceptions of `save` pass through after the rollback. Without `post` the
// document is only saved: marked unposted, and `save` is not run. With `expectedVersion` a
// stored document whose version (config::rowVersion) differs is refused as ChangedElsewhere.
PostResult saveAndPost(SharedContext& context, const DocumentContent& document,
                       const std::optional<DocumentKey>& stored, const SaveProcedure& save,
                       QTime now = QTime::currentTime(), bool post = true,
                       std::optional<qint64> expectedVersion = std::nullopt);

// Writes the header values and table rows of `document` over the stored document `key`,
// its posting mark, movements and postings untouched: after a save procedure that wrote
// into the document. Header columns the document has no value for keep theirs. The
// transaction is the caller's.
void rewrite(storage::Session& db, const DocumentContent& document, const DocumentKey& key);

// Removes the postings and movements of a document and marks it unposted, in one
// transaction. A document dated in the closed period is refused (DbError Refused); so is
// its deletion and any save or posting that touches the closed period. Every register table is
// cleared of rows with the document's key.
void unpost(storage::Session& db, const QString& kind, const DocumentKey& key);
// The same with the register tables already known (registerTables), for many documents.
// Without `record` the audit trail is left to the caller (a reposting records itself).
void unpost(storage::Session& db, const QString& kind, const DocumentKey& key,
            const QStringList& registers, bool record = true);

// Removes the whole document: header, table rows, postings and movements, in one
// transaction.
void remove(storage::Session& db, const QString& kind, const DocumentKey& key);

// Why the stored document `key` can be neither deleted (`removing`) nor unposted now, in the
// words unpost and remove refuse it with: its date lies in the closed period. Empty when it can;
// a window asks for nothing that would be refused.
QString closedPeriodRefusal(storage::Session& db, const QString& kind, const DocumentKey& key,
                            bool removing);

// The register tables of the database (items_Регистр_…).
QStringList registerTables(storage::Session& db);

}  // namespace posting

}  // namespace balvix::script
