#include "config/document_names.h"

#include "config/object_definition.h"

namespace balvix::config {

QString documentTitle(const QString& caption, const QString& number, const QString& date) {
  QString title = caption;
  if (!number.trimmed().isEmpty()) title += QStringLiteral(" № ") + number.trimmed();
  if (!date.isEmpty()) title += QStringLiteral(" от ") + date;
  return title;
}

QString newDocumentTitle(const QString& caption) {
  return caption + QStringLiteral(" (новый)");
}

QString kindCaption(storage::Session& db, const QString& kind) {
  const std::optional<FormItemRow> row = readFormItemRow(db, ObjectKind::Document, kind);
  const QString caption = row ? row->descript.value_or(QString()).trimmed() : QString();
  return caption.isEmpty() ? kind : caption;
}

}  // namespace balvix::config
