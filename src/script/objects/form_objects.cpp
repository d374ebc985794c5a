#include "script/objects/form_objects.h"

#include "script/coerce.h"
#include "script/script_error.h"

namespace balvix::script {

namespace {

namespace form_member {
enum : int { kValue = 1, kCaption, kSetValue, kGetValue };
}

namespace table_member {
enum : int {
  kAddColumn = 1,
  kStatus,
  kNewRow,
  kAddValue,
  kClear,
  kSelectRows,
  kNextRow,
  kColumnValue,
  kRowCount,
  kSetColumnValue,
};
}

QString textArg(const Args& args, int i) {
  return args.has(i) ? toText(args[i]) : QString();
}

void needArgs(const Args& args, int count, const QString& member) {
  if (args.size() < count) throw ScriptError(ErrorCode::WrongArgumentCount, member);
}

bool sameName(const QString& a, const QString& b) {
  return a.compare(b, Qt::CaseInsensitive) == 0 || a.toCaseFolded() == b.toCaseFolded();
}

}  // namespace

FormObject::FormObject(std::unique_ptr<FormFields> fields) : m_fields(std::move(fields)) {
  using namespace form_member;
  addMember(kValue, QStringLiteral("Значение"));
  addMember(kCaption, QStringLiteral("Заголовок"));
  addMember(kSetValue, QStringLiteral("УстановитьЗначение"));
  addMember(kGetValue, QStringLiteral("ПолучитьЗначение"));
  addMember(kGetValue, QStringLiteral("GetValue"));
}

FormFields& FormObject::fields() const {
  if (!m_fields || !m_fields->available()) throw ScriptError(ErrorCode::ObjectNotSet);
  return *m_fields;
}

Value FormObject::invoke(int dispId, Args& args) {
  using namespace form_member;
  FormFields& form = fields();
  switch (dispId) {
    case kValue:
    case kGetValue:
      needArgs(args, 1, QStringLiteral("Значение"));
      return Value(form.value(textArg(args, 0)));
    case kCaption:
      return Value(form.caption());
    case kSetValue:
      needArgs(args, 2, QStringLiteral("УстановитьЗначение"));
      form.setValue(textArg(args, 0), textArg(args, 1));
      return Value();
  }
  throw ScriptError(ErrorCode::NotSupported);
}

void FormObject::put(int dispId, Args& args, const Value& value, bool) {
  using namespace form_member;
  FormFields& form = fields();
  if (dispId == kValue && args.size() >= 1) {
    form.setValue(toText(args[0]), toText(value));
    return;
  }
  if (dispId == kCaption) {
    form.setCaption(toText(value));
    return;
  }
  throw ScriptError(ErrorCode::NotSupported);
}

TableObject::TableObject(std::unique_ptr<TableRows> rows) : m_rows(std::move(rows)) {
  using namespace table_member;
  addMember(kAddColumn, QStringLiteral("ДобавитьКолонку"));
  addMember(kStatus, QStringLiteral("Status"));
  addMember(kNewRow, QStringLiteral("НоваяСтрока"));
  addMember(kAddValue, QStringLiteral("ДобавитьЗначение"));
  addMember(kClear, QStringLiteral("ОчиститьТаблицу"));
  addMember(kSelectRows, QStringLiteral("ВыбратьСтроки"));
  addMember(kNextRow, QStringLiteral("ПолучитьСтроку"));
  addMember(kColumnValue, QStringLiteral("ЗначениеКолонки"));
  addMember(kRowCount, QStringLiteral("КоличествоСтрок"));
  addMember(kSetColumnValue, QStringLiteral("УстановитьЗначениеКолонки"));
}

TableRows& TableObject::table() const {
  if (!m_rows || !m_rows->available()) throw ScriptError(ErrorCode::ObjectNotSet);
  return *m_rows;
}

int TableObject::column(const QString& name) const {
  const QStringList names = m_rows->columns();
  bool number = false;
  const int n = name.trimmed().toInt(&number);
  if (number) return n >= 1 && n <= names.size() ? n - 1 : -1;
  for (int c = 0; c < names.size(); ++c)
    if (sameName(names[c], name)) return c;
  return -1;
}

Value TableObject::invoke(int dispId, Args& args) {
  using namespace table_member;
  TableRows& rows = table();
  if (rows.clearings() != m_clearings) {
    m_clearings = rows.clearings();
    m_cursor = -1;
  }
  const int count = rows.rows();
  const auto current = [&] { return m_cursor >= 0 && m_cursor < count; };
  switch (dispId) {
    case kAddColumn:
      needArgs(args, 1, QStringLiteral("ДобавитьКолонку"));
      rows.addColumn(textArg(args, 0), QStringLiteral("Текст"));
      return Value();
    case kStatus: {
      const int last = static_cast<int>(rows.columns().size()) - 1;
      return Value(last < 0 ? QString() : rows.columnType(last));
    }
    case kNewRow:
      rows.addRow();
      return Value();
    case kAddValue: {
      needArgs(args, 2, QStringLiteral("ДобавитьЗначение"));
      const int c = column(textArg(args, 1));
      if (c < 0)
        throw ScriptError::custom(
            ErrorCode::InvalidCall,
            QStringLiteral("В таблице нет колонки «%1»").arg(textArg(args, 1)));
      if (count == 0) rows.addRow();
      rows.setCell(rows.rows() - 1, c, textArg(args, 0));
      return Value();
    }
    case kClear:
      rows.clearRows();
      m_clearings = rows.clearings();
      m_cursor = -1;
      return Value();
    case kSelectRows:
      m_cursor = -1;
      return Value();
    case kNextRow:
      if (m_cursor + 1 >= count) {
        m_cursor = count;
        return Value::integer(0);
      }
      ++m_cursor;
      return Value::integer(1);
    case kColumnValue: {
      needArgs(args, 1, QStringLiteral("ЗначениеКолонки"));
      const int c = column(textArg(args, 0));
      return Value(c >= 0 && current() ? rows.cell(m_cursor, c) : QString());
    }
    case kSetColumnValue: {
      needArgs(args, 2, QStringLiteral("УстановитьЗначениеКолонки"));
      const int c = column(textArg(args, 0));
      if (c < 0 || !current())
        throw ScriptError::custom(ErrorCode::InvalidCall,
                                  QStringLiteral("В таблице нет колонки «%1» или не выбрана строка")
                                      .arg(textArg(args, 0)));
      rows.setCell(m_cursor, c, textArg(args, 1));
      return Value();
    }
    case kRowCount:
      return Value::integer(static_cast<std::int16_t>(qMin(count, 32767)));
  }
  throw ScriptError(ErrorCode::NotSupported);
}

void TableObject::put(int dispId, Args&, const Value& value, bool) {
  if (dispId != table_member::kStatus) throw ScriptError(ErrorCode::NotSupported);
  TableRows& rows = table();
  const int last = static_cast<int>(rows.columns().size()) - 1;
  if (last >= 0) rows.setColumnType(last, toText(value));
}

}  // namespace balvix::script
