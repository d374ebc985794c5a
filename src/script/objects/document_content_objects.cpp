#include "script/objects/document_content_objects.h"

#include "config/object_definition.h"
#include "script/coerce.h"
#include "script/objects/document_content_members.h"
#include "script/script_error.h"
#include "storage/sql_text.h"

namespace balvix::script {

namespace {

using namespace form_member;
using namespace table_member;

QString textArg(Args& args, int i) {
  return args.has(i) ? toText(args[i]) : QString();
}

void needArgs(const Args& args, int count, const QString& member) {
  if (args.size() < count) throw ScriptError(ErrorCode::WrongArgumentCount, member);
}

}  // namespace

ContentForm::ContentForm(DocumentContent& content, const QString& caption)
    : m_content(content), m_caption(caption) {
  form_member::addAll([this](int id, const QString& name) { addMember(id, name); });
}

QString* ContentForm::field(const QString& name) {
  for (auto& [column, value] : m_content.header)
    if (storage::sameName(column, name)) return &value;
  return nullptr;
}

Value ContentForm::invoke(int dispId, Args& args) {
  switch (dispId) {
    case kValue:
    case kGetValue: {
      needArgs(args, 1, QStringLiteral("Значение"));
      const QString* value = field(textArg(args, 0));
      return Value(value ? *value : QString());
    }
    case kCaption:
      return Value(m_caption);
    case kSetValue:
      needArgs(args, 2, QStringLiteral("УстановитьЗначение"));
      if (QString* value = field(textArg(args, 0))) *value = textArg(args, 1);
      return Value();
  }
  throw ScriptError(ErrorCode::NotSupported);
}

void ContentForm::put(int dispId, Args& args, const Value& value, bool) {
  if (dispId == kValue && args.size() >= 1) {
    if (QString* stored = field(toText(args[0]))) *stored = toText(value);
    return;
  }
  if (dispId == kCaption) {
    m_caption = toText(value);
    return;
  }
  throw ScriptError(ErrorCode::NotSupported);
}

ContentTable::ContentTable(DocumentContent& content) : m_content(content) {
  table_member::addAll([this](int id, const QString& name) { addMember(id, name); });
}

int ContentTable::column(const QString& name) const {
  bool number = false;
  const int n = name.trimmed().toInt(&number);
  if (number) return n >= 1 && n <= m_content.rowColumns.size() ? n - 1 : -1;
  for (int c = 0; c < m_content.rowColumns.size(); ++c)
    if (storage::sameName(m_content.rowColumns[c], name)) return c;
  return -1;
}

void ContentTable::setCell(int row, int column, const QString& text) {
  QStringList& cells = m_content.rows[row];
  while (cells.size() <= column) cells << QString();
  cells[column] = text;
}

Value ContentTable::invoke(int dispId, Args& args) {
  const int rows = static_cast<int>(m_content.rows.size());
  switch (dispId) {
    case kAddColumn:
      needArgs(args, 1, QStringLiteral("ДобавитьКолонку"));
      m_content.rowColumns << textArg(args, 0);
      m_types << QStringLiteral("Текст");
      for (QStringList& row : m_content.rows) row << QString();
      m_content.hasTablePart = true;
      return Value();
    case kStatus:
      return Value(m_types.isEmpty() ? QString() : m_types.last());
    case kNewRow:
      m_content.rows << QStringList(m_content.rowColumns.size(), QString());
      return Value();
    case kAddValue: {
      needArgs(args, 2, QStringLiteral("ДобавитьЗначение"));
      const int c = column(textArg(args, 1));
      if (c < 0)
        throw ScriptError::custom(
            ErrorCode::InvalidCall,
            QStringLiteral("В таблице нет колонки «%1»").arg(textArg(args, 1)));
      if (m_content.rows.isEmpty()) m_content.rows << QStringList(m_content.rowColumns.size());
      setCell(static_cast<int>(m_content.rows.size()) - 1, c, textArg(args, 0));
      return Value();
    }
    case kClear:
      m_content.rows.clear();
      m_cursor = -1;
      return Value();
    case kSelectRows:
      m_cursor = -1;
      return Value();
    case kNextRow:
      if (m_cursor + 1 >= rows) {
        m_cursor = rows;
        return Value::integer(0);
      }
      ++m_cursor;
      return Value::integer(1);
    case kColumnValue: {
      needArgs(args, 1, QStringLiteral("ЗначениеКолонки"));
      const int c = column(textArg(args, 0));
      if (c < 0 || m_cursor < 0 || m_cursor >= rows) return Value(QString());
      return Value(m_content.rows[m_cursor].value(c));
    }
    case kSetColumnValue: {
      needArgs(args, 2, QStringLiteral("УстановитьЗначениеКолонки"));
      const int c = column(textArg(args, 0));
      if (c < 0 || m_cursor < 0 || m_cursor >= rows)
        throw ScriptError::custom(ErrorCode::InvalidCall,
                                  QStringLiteral("В таблице нет колонки «%1» или не выбрана строка")
                                      .arg(textArg(args, 0)));
      setCell(m_cursor, c, textArg(args, 1));
      return Value();
    }
    case kRowCount:
      return Value::integer(static_cast<std::int16_t>(qMin(rows, 32767)));
  }
  throw ScriptError(ErrorCode::NotSupported);
}

void ContentTable::put(int dispId, Args&, const Value& value, bool) {
  if (dispId != kStatus) throw ScriptError(ErrorCode::NotSupported);
  if (!m_types.isEmpty()) m_types.last() = toText(value);
}

std::optional<DocumentContent> newDocumentContent(storage::Session& db, const QString& kind,
                                                  const QDate& date) {
  const std::optional<config::ObjectDefinition> definition =
      config::readDefinition(db, config::ObjectKind::Document, kind);
  if (!definition) return std::nullopt;
  DocumentContent content;
  content.kind = definition->name;
  content.date = date;
  for (const config::Requisite& requisite : definition->requisites)
    content.header.append({requisite.name, QString()});
  content.hasTablePart = definition->hasTablePart;
  if (content.hasTablePart)
    for (const config::Requisite& column : definition->tableRequisites)
      content.rowColumns << column.name;
  return content;
}

}  // namespace balvix::script
