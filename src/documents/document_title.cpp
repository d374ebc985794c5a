#include "documents/document_title.h"

#include <QDate>

#include "config/counted.h"
#include "config/document_numbers.h"
#include "config/object_definition.h"
#include "config/table_names.h"
#include "storage/session.h"
#include "storage/sql_text.h"

namespace balvix::documents {

QString documentTitle(storage::Session& db, const QString& kind, const script::DocumentKey& key) {
  return documentTitle(kindCaption(db, kind), config::documentNumber(db, kind, key.date, key.time),
                       key.date);
}

}  // namespace balvix::documents

namespace balvix::documents {

namespace {

int countOf(storage::Session& db, const QString& sql) {
  storage::Recordset rs = db.openRecordset(sql);
  return rs.eof() ? 0 : rs.value(0).toInt();
}

// "3 строки, 3 движения и 2 проводки"; empty when there is nothing.
QString extentList(const QStringList& parts) {
  if (parts.size() < 2) return parts.value(0);
  return QStringList(parts.mid(0, parts.size() - 1)).join(QStringLiteral(", ")) +
         QStringLiteral(" и ") + parts.last();
}

QString question(const QString& verb, const QString& title, const QStringList& parts) {
  QString text = verb + QLatin1Char(' ') + title + QLatin1Char('?');
  if (!parts.isEmpty()) text += QStringLiteral(" Будут удалены ") + extentList(parts) + '.';
  return text;
}

QStringList postingParts(const DocumentExtent& extent) {
  QStringList parts;
  if (extent.movements > 0)
    parts << config::counted(extent.movements, "движение", "движения", "движений");
  if (extent.postings > 0)
    parts << config::counted(extent.postings, "проводка", "проводки", "проводок");
  return parts;
}

}  // namespace

DocumentExtent documentExtent(storage::Session& db, const QString& kind,
                              const script::DocumentKey& key) {
  DocumentExtent extent;
  if (!storage::isValidIdentifier(kind)) return extent;
  const QString where = QStringLiteral(" WHERE cDATE=") + storage::quote(key.date) +
                        QStringLiteral(" AND cTIME=") + storage::quote(key.time);
  const QString ofKind = where + QStringLiteral(" AND Документ=") + storage::quote(kind);
  const QString tablePart = config::documentTablePartTable(kind);
  if (db.tableExists(tablePart))
    extent.rows = countOf(db, QStringLiteral("SELECT count(*) FROM ") + tablePart + where);
  for (const QString& table : script::posting::registerTables(db))
    extent.movements += countOf(db, QStringLiteral("SELECT count(*) FROM ") + table + ofKind);
  if (db.tableExists(QStringLiteral("itogi")))
    extent.postings = countOf(db, QStringLiteral("SELECT count(*) FROM itogi") + ofKind);
  return extent;
}

QString deleteQuestion(const QString& title, const DocumentExtent& extent) {
  QStringList parts;
  if (extent.rows > 0) parts << config::counted(extent.rows, "строка", "строки", "строк");
  parts << postingParts(extent);
  return question(QStringLiteral("Удалить"), title, parts);
}

QString unpostQuestion(const QString& title, const DocumentExtent& extent) {
  return question(QStringLiteral("Отменить проведение"), title, postingParts(extent));
}

QString repostQuestion(int documents, const QDate& from, const QDate& to) {
  return QStringLiteral("Перепровести %1 за период с %2 по %3?")
      .arg(config::counted(documents, "документ", "документа", "документов"),
           from.toString(QStringLiteral("dd.MM.yyyy")), to.toString(QStringLiteral("dd.MM.yyyy")));
}

}  // namespace balvix::documents
