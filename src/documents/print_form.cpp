#include "documents/print_form.h"

#include <QHash>

#include "config/document_numbers.h"
#include "config/table_names.h"
#include "documents/document_service.h"
#include "documents/report_engine.h"
#include "script/objects/form_objects.h"
#include "storage/session.h"
#include "storage/sql_text.h"

namespace balvix::documents {

namespace {

script::ScriptError readOnly() {
  return script::ScriptError::custom(
      script::ErrorCode::NotSupported,
      QStringLiteral("Печатная форма не изменяет документ: его поля и строки только читаются."));
}

class PrintedFields : public script::FormFields {
 public:
  explicit PrintedFields(std::shared_ptr<const PrintedDocument> document)
      : m_document(std::move(document)) {}
  QString value(const QString& name) const override {
    for (const auto& [column, value] : m_document->content.header)
      if (storage::sameName(column, name)) return value;
    return QString();
  }
  void setValue(const QString&, const QString&) override { throw readOnly(); }
  QString caption() const override { return m_document->caption; }
  void setCaption(const QString&) override { throw readOnly(); }

 private:
  std::shared_ptr<const PrintedDocument> m_document;
};

class PrintedRows : public script::TableRows {
 public:
  explicit PrintedRows(std::shared_ptr<const PrintedDocument> document)
      : m_document(std::move(document)) {}
  QStringList columns() const override { return content().rowColumns; }
  QString columnType(int column) const override { return content().rowTypes.value(column); }
  void setColumnType(int, const QString&) override { throw readOnly(); }
  int rows() const override { return static_cast<int>(content().rows.size()); }
  QString cell(int row, int column) const override {
    return content().rows.value(row).value(column);
  }
  void setCell(int, int, const QString&) override { throw readOnly(); }
  void addColumn(const QString&, const QString&) override { throw readOnly(); }
  void addRow() override { throw readOnly(); }
  void clearRows() override { throw readOnly(); }

 private:
  const script::DocumentContent& content() const { return m_document->content; }
  std::shared_ptr<const PrintedDocument> m_document;
};

enum DocumentMember { kKind = 1, kCaption, kNumber, kDate, kTime, kPosted, kRequisite };

// `Документ` of a print form: the facts of the document that are not its fields.
class PrintedDocumentObject : public script::SimpleHostObject {
 public:
  explicit PrintedDocumentObject(std::shared_ptr<const PrintedDocument> document)
      : m_document(std::move(document)) {
    addMember(kKind, QStringLiteral("Вид"));
    addMember(kCaption, QStringLiteral("Название"));
    addMember(kNumber, QStringLiteral("Номер"));
    addMember(kDate, QStringLiteral("Дата"));
    addMember(kTime, QStringLiteral("Время"));
    addMember(kPosted, QStringLiteral("Проведен"));
    addMember(kRequisite, QStringLiteral("Реквизит"));
  }
  QString typeName() const override { return QStringLiteral("Документ"); }
  script::Value invoke(int dispId, script::Args& args) override {
    const PrintedDocument& d = *m_document;
    switch (dispId) {
      case kKind:
        return script::Value(d.content.kind);
      case kCaption:
        return script::Value(d.caption);
      case kNumber:
        return script::Value(d.number);
      case kDate:
        return script::Value(d.key.date);
      case kTime:
        return script::Value(d.key.time);
      case kPosted:
        return script::Value::boolean(d.posted);
      case kRequisite: {
        if (args.size() < 1)
          throw script::ScriptError(script::ErrorCode::WrongArgumentCount,
                                    QStringLiteral("Реквизит"));
        const QString name = script::toText(args[0]);
        for (const auto& [column, value] : d.content.header)
          if (storage::sameName(column, name)) return script::Value(value);
        throw script::ScriptError::custom(
            script::ErrorCode::InvalidCall,
            QStringLiteral("У документа «%1» нет реквизита «%2».").arg(d.content.kind, name));
      }
      default:
        throw script::ScriptError(script::ErrorCode::NotSupported);
    }
  }
  void put(int, script::Args&, const script::Value&, bool) override { throw readOnly(); }

 private:
  std::shared_ptr<const PrintedDocument> m_document;
};

}  // namespace

std::optional<PrintedDocument> readPrintedDocument(storage::Session& db,
                                                   const config::ObjectDefinition& kind,
                                                   const script::DocumentKey& key) {
  const QString header = config::documentHeaderTable(kind.name);
  if (!db.tableExists(header)) return std::nullopt;
  storage::Recordset rs =
      db.openRecordset(QStringLiteral("SELECT * FROM ") + header + documentKeyCondition(key));
  if (rs.eof()) return std::nullopt;
  PrintedDocument d;
  d.key = key;
  d.caption = kind.description.trimmed().isEmpty() ? kind.name : kind.description.trimmed();
  d.content = script::DocumentContent{};
  d.content.kind = kind.name;
  d.content.date = QDate::fromString(key.date, QStringLiteral("dd.MM.yyyy"));
  d.posted = rs.text(QStringLiteral("Проводка")).trimmed() == QStringLiteral("1");
  if (rs.fieldIndex(config::kDocumentNumberColumn) >= 0)
    d.number = rs.text(config::kDocumentNumberColumn).trimmed();
  QStringList names;
  for (int i = 0; i < rs.fieldCount(); ++i) names << rs.fieldName(i);
  const QStringList columns = config::requisiteColumns(config::TableRole::Header, names);
  const QList<int> at = fieldPositions(rs, columns);
  for (int c = 0; c < columns.size(); ++c) d.content.header.append({columns[c], rs.text(at[c])});
  rs.close();

  const QString tablePart = config::documentTablePartTable(kind.name);
  d.content.hasTablePart = kind.hasTablePart && db.tableExists(tablePart);
  if (!d.content.hasTablePart) return d;
  d.content.rowColumns =
      config::requisiteColumns(config::TableRole::TablePart, db.columns(tablePart));
  for (int c = 0; c < d.content.rowColumns.size(); ++c)
    d.content.rowTypes << (c < kind.tableRequisites.size() ? kind.tableRequisites[c].type.text()
                                                           : QString());
  storage::Recordset rows =
      db.openRecordset(QStringLiteral("SELECT * FROM ") + tablePart + documentKeyCondition(key));
  const QList<int> cells = fieldPositions(rows, d.content.rowColumns);
  for (; !rows.eof(); rows.moveNext()) {
    QStringList row;
    row.reserve(cells.size());
    for (int c : cells) row << (c >= 0 ? rows.text(c) : QString());
    d.content.rows << row;
  }
  return d;
}

void addPrintObjects(const std::shared_ptr<ReportEngine>& report, script::Engine& engine,
                     const PrintedDocument& document) {
  auto shared = std::make_shared<const PrintedDocument>(document);
  engine.addObject(QStringLiteral("Документ"), std::make_shared<PrintedDocumentObject>(shared));
  engine.addObject(QStringLiteral("Форма"),
                   std::make_shared<script::FormObject>(std::make_unique<PrintedFields>(shared)));
  engine.addObject(QStringLiteral("Таблица"),
                   std::make_shared<script::TableObject>(std::make_unique<PrintedRows>(shared)));
  engine.addObject(QStringLiteral("Отчет"), std::make_shared<ReportObject>(report, engine.host()));
}

std::vector<script::ModuleSource> printFormSources(storage::Session& db, const QString& kind,
                                                   const config::PrintForm& form) {
  return moduleSources(db, config::printFormPath(kind, form.name), form.module);
}

QString printTitle(const config::PrintForm& form, const PrintedDocument& document) {
  QString title = form.name;
  if (!document.number.isEmpty()) title += QStringLiteral(" № ") + document.number;
  return title + QStringLiteral(" от ") + document.key.date;
}

}  // namespace balvix::documents
