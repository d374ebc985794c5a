#include "documents/document_title.h"

#include "config/document_numbers.h"
#include "config/object_definition.h"

namespace balvix::documents {

QString documentTitle(const QString& caption, const QString& number, const QString& date) {
  QString title = caption;
  if (!number.trimmed().isEmpty()) title += QStringLiteral(" № ") + number.trimmed();
  if (!date.isEmpty()) title += QStringLiteral(" от ") + date;
  return title;
}

QString kindCaption(storage::Session& db, const QString& kind) {
  const std::optional<config::FormItemRow> row =
      config::readFormItemRow(db, config::ObjectKind::Document, kind);
  const QString caption = row ? row->descript.value_or(QString()).trimmed() : QString();
  return caption.isEmpty() ? kind : caption;
}

QString documentTitle(storage::Session& db, const QString& kind, const script::DocumentKey& key) {
  return documentTitle(kindCaption(db, kind), config::documentNumber(db, kind, key.date, key.time),
                       key.date);
}

}  // namespace balvix::documents
