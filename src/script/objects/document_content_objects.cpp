#include "script/objects/document_content_objects.h"

#include "config/object_definition.h"
#include "storage/sql_text.h"

namespace balvix::script {

namespace {

class ContentFields : public FormFields {
 public:
  ContentFields(DocumentContent& content, const QString& caption)
      : m_content(content), m_caption(caption) {}

  QString value(const QString& name) const override {
    for (const auto& [column, value] : m_content.header)
      if (storage::sameName(column, name)) return value;
    return QString();
  }
  void setValue(const QString& name, const QString& text) override {
    for (auto& [column, value] : m_content.header)
      if (storage::sameName(column, name)) {
        value = text;
        return;
      }
  }
  QString caption() const override { return m_caption; }
  void setCaption(const QString& caption) override { m_caption = caption; }

 private:
  DocumentContent& m_content;
  QString m_caption;
};

class ContentRows : public TableRows {
 public:
  explicit ContentRows(DocumentContent& content) : m_content(content) {}

  QStringList columns() const override { return m_content.rowColumns; }
  QString columnType(int column) const override { return m_content.rowTypes.value(column); }
  void setColumnType(int column, const QString& type) override {
    while (m_content.rowTypes.size() <= column) m_content.rowTypes << QString();
    m_content.rowTypes[column] = type;
  }
  int rows() const override { return static_cast<int>(m_content.rows.size()); }
  QString cell(int row, int column) const override {
    return m_content.rows.value(row).value(column);
  }
  void setCell(int row, int column, const QString& text) override {
    QStringList& cells = m_content.rows[row];
    while (cells.size() <= column) cells << QString();
    cells[column] = text;
  }
  void addColumn(const QString& name, const QString& type) override {
    m_content.rowColumns << name;
    setColumnType(static_cast<int>(m_content.rowColumns.size()) - 1, type);
    for (QStringList& row : m_content.rows) row << QString();
    m_content.hasTablePart = true;
  }
  void addRow() override { m_content.rows << QStringList(m_content.rowColumns.size()); }
  void clearRows() override { m_content.rows.clear(); }

 private:
  DocumentContent& m_content;
};

}  // namespace

ContentForm::ContentForm(DocumentContent& content, const QString& caption)
    : FormObject(std::make_unique<ContentFields>(content, caption)) {}

ContentTable::ContentTable(DocumentContent& content)
    : TableObject(std::make_unique<ContentRows>(content)) {}

std::optional<DocumentContent> newDocumentContent(storage::Session& db, const QString& kind,
                                                  const QDate& date) {
  const std::optional<config::ObjectDefinition> definition =
      config::readDefinition(db, config::ObjectKind::Document, kind);
  if (!definition) return std::nullopt;
  return newDocumentContent(*definition, date);
}

DocumentContent newDocumentContent(const config::ObjectDefinition& definition, const QDate& date) {
  DocumentContent content;
  content.kind = definition.name;
  content.date = date;
  for (const config::Requisite& requisite : definition.requisites)
    content.header.append({requisite.name, QString()});
  content.hasTablePart = definition.hasTablePart;
  if (content.hasTablePart)
    for (const config::Requisite& column : definition.tableRequisites) {
      content.rowColumns << column.name;
      content.rowTypes << column.type.text();
    }
  return content;
}

}  // namespace balvix::script
