#pragma once

#include <QString>

#include "script/host_object.h"
#include "script/objects/document_posting.h"

namespace balvix::script {

// `Форма` and `Таблица` over a document's content instead of a window, so that a document
// module runs the same way when documents are posted without windows: the demo's history,
// and `balvix --run … --post KIND`. They offer what the document window's objects offer,
// with the same answers: fields and columns found by name with letter case ignored
// (columns also by number from 1), a field the document does not have reads as empty
// and ignores what is written to it.
class ContentForm : public SimpleHostObject {
 public:
  ContentForm(DocumentContent& content, const QString& caption);
  Value invoke(int dispId, Args& args) override;
  void put(int dispId, Args& args, const Value& value, bool isSet) override;
  QString typeName() const override { return QStringLiteral("Форма"); }

 private:
  QString* field(const QString& name);
  DocumentContent& m_content;
  QString m_caption;
};

class ContentTable : public SimpleHostObject {
 public:
  explicit ContentTable(DocumentContent& content);
  Value invoke(int dispId, Args& args) override;
  void put(int dispId, Args& args, const Value& value, bool isSet) override;
  QString typeName() const override { return QStringLiteral("Таблица"); }

 private:
  int column(const QString& name) const;
  void setCell(int row, int column, const QString& text);
  DocumentContent& m_content;
  QStringList m_types;  // of the columns added by ДобавитьКолонку, for Status
  int m_cursor = -1;
};

// The content of a new document of a kind, as its window starts: every header requisite
// empty, the table part's columns without rows. Nothing when the configuration has no such
// document.
std::optional<DocumentContent> newDocumentContent(storage::Session& db, const QString& kind,
                                                  const QDate& date);

}  // namespace balvix::script
