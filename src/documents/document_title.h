#pragma once

#include <QDate>
#include <QString>

#include "script/objects/document_posting.h"

namespace balvix::storage {
class Session;
}

namespace balvix::documents {

// How every window, list and question names a document: the kind's caption, its number
// and its date ("Приходная накладная № 107 от 07.12.2026"). Without a number (a document
// not yet saved) the number part is left out; without a caption the kind's name stands.
QString documentTitle(const QString& caption, const QString& number, const QString& date);

// How a document not yet saved is named: «Приходная накладная (новый)».
QString newDocumentTitle(const QString& caption);

// The caption of a document kind: the description its designer gave, else its name.
QString kindCaption(storage::Session& db, const QString& kind);

// The title of the stored document `key` of `kind`, read from the database.
QString documentTitle(storage::Session& db, const QString& kind, const script::DocumentKey& key);

}  // namespace balvix::documents

namespace balvix::documents {

// What removing or unposting a stored document takes with it.
struct DocumentExtent {
  int rows = 0;       // lines of its table part
  int movements = 0;  // register movements, over every register
  int postings = 0;   // entries of the accounts
};
DocumentExtent documentExtent(storage::Session& db, const QString& kind,
                              const script::DocumentKey& key);

// The questions asked before a document is touched, naming it and what goes with it:
// «Удалить Приходная накладная № 107 от 07.12.2026? Будут удалены 3 строки, 3 движения и
// 2 проводки.»
QString deleteQuestion(const QString& title, const DocumentExtent& extent);
// «Отменить проведение Приходная накладная № 107 от 07.12.2026? Будут удалены 3 движения и
// 2 проводки.»
QString unpostQuestion(const QString& title, const DocumentExtent& extent);
// «Перепровести 25 документов за период с 01.09.2026 по 31.12.2026?»
QString repostQuestion(int documents, const QDate& from, const QDate& to);

}  // namespace balvix::documents
