#pragma once

#include <QString>

#include "script/host_object.h"
#include "script/objects/document_posting.h"

namespace balvix::demo {

// `Форма` and `Таблица` over a document's content instead of a window, so that a document
// module runs its procedures the same way when documents are posted without windows (the
// demo's history is posted this way). Only the members a posting module reads are offered:
// the header's `Значение`, and the table walk with its column read and write.
class ContentForm : public script::SimpleHostObject {
 public:
  explicit ContentForm(const script::DocumentContent& content);
  script::Value invoke(int dispId, script::Args& args) override;
  QString typeName() const override { return QStringLiteral("Форма"); }

 private:
  const script::DocumentContent& m_content;
};

class ContentTable : public script::SimpleHostObject {
 public:
  explicit ContentTable(script::DocumentContent& content);
  script::Value invoke(int dispId, script::Args& args) override;
  QString typeName() const override { return QStringLiteral("Таблица"); }

 private:
  int column(const QString& name) const;
  script::DocumentContent& m_content;
  int m_cursor = -1;
};

}  // namespace balvix::demo
