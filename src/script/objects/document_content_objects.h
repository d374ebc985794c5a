#pragma once

#include <QString>

#include "script/objects/document_posting.h"
#include "script/objects/form_objects.h"

namespace balvix::config {
struct ObjectDefinition;
}

namespace balvix::script {

// `Форма` and `Таблица` over a document's content instead of a window, so that a document
// module runs the same way when documents are posted without windows: the demo's history,
// and `balvix --run … --post KIND`. What the module writes is in the content when the
// posting stores it.
class ContentForm : public FormObject {
 public:
  ContentForm(DocumentContent& content, const QString& caption);
};

class ContentTable : public TableObject {
 public:
  explicit ContentTable(DocumentContent& content);
};

// The content of a new document of a kind, as its window starts: every header requisite
// empty, the table part's columns with their types and without rows. Nothing when the
// configuration has no such document.
std::optional<DocumentContent> newDocumentContent(storage::Session& db, const QString& kind,
                                                  const QDate& date);
DocumentContent newDocumentContent(const config::ObjectDefinition& definition, const QDate& date);

}  // namespace balvix::script
