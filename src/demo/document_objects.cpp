#include "demo/document_objects.h"

#include "script/coerce.h"
#include "script/script_error.h"
#include "storage/sql_text.h"

namespace balvix::demo {

using script::Args;
using script::ScriptError;
using script::Value;

namespace {

enum { kValue = 1, kSelectRows, kNextRow, kColumnValue, kSetColumnValue, kRowCount };

QString textArg(Args& args, int i, int count, const QString& member) {
  if (args.size() < count) throw ScriptError(script::ErrorCode::WrongArgumentCount, member);
  return script::toText(args[i]);
}

}  // namespace

ContentForm::ContentForm(const script::DocumentContent& content) : m_content(content) {
  addMember(kValue, QStringLiteral("Значение"));
  addMember(kValue, QStringLiteral("ПолучитьЗначение"));
}

Value ContentForm::invoke(int dispId, Args& args) {
  if (dispId != kValue) throw ScriptError(script::ErrorCode::NotSupported);
  const QString name = textArg(args, 0, 1, QStringLiteral("Значение"));
  for (const auto& [column, value] : m_content.header)
    if (storage::sameName(column, name)) return Value(value);
  return Value(QString());
}

ContentTable::ContentTable(script::DocumentContent& content) : m_content(content) {
  addMember(kSelectRows, QStringLiteral("ВыбратьСтроки"));
  addMember(kNextRow, QStringLiteral("ПолучитьСтроку"));
  addMember(kColumnValue, QStringLiteral("ЗначениеКолонки"));
  addMember(kSetColumnValue, QStringLiteral("УстановитьЗначениеКолонки"));
  addMember(kRowCount, QStringLiteral("КоличествоСтрок"));
}

int ContentTable::column(const QString& name) const {
  for (int c = 0; c < m_content.rowColumns.size(); ++c)
    if (storage::sameName(m_content.rowColumns[c], name)) return c;
  return -1;
}

Value ContentTable::invoke(int dispId, Args& args) {
  const int rows = static_cast<int>(m_content.rows.size());
  switch (dispId) {
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
      const int c = column(textArg(args, 0, 1, QStringLiteral("ЗначениеКолонки")));
      if (c < 0 || m_cursor < 0 || m_cursor >= rows) return Value(QString());
      return Value(m_content.rows[m_cursor].value(c));
    }
    case kSetColumnValue: {
      const QString name = textArg(args, 0, 2, QStringLiteral("УстановитьЗначениеКолонки"));
      const int c = column(name);
      if (c < 0 || m_cursor < 0 || m_cursor >= rows)
        throw ScriptError::custom(
            script::ErrorCode::InvalidCall,
            QStringLiteral("В таблице нет колонки «%1» или не выбрана строка").arg(name));
      QStringList& row = m_content.rows[m_cursor];
      while (row.size() <= c) row << QString();
      row[c] = script::toText(args[1]);
      return Value();
    }
    case kRowCount:
      return Value::integer(static_cast<std::int16_t>(qMin(rows, 32767)));
  }
  throw ScriptError(script::ErrorCode::NotSupported);
}

}  // namespace balvix::demo
