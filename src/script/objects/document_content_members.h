#pragma once

#include <QString>

namespace balvix::script {

// The members of `Форма` and `Таблица`. The document window's objects and their windowless
// twins (posting without a window, `--post`) offer the same names under the same numbers,
// so a module behaves the same in both; each registers them through its own addMember.
namespace form_member {
enum : int { kValue = 1, kCaption, kSetValue, kGetValue };

template <typename Add>
void addAll(Add add) {
  add(kValue, QStringLiteral("Значение"));
  add(kCaption, QStringLiteral("Заголовок"));
  add(kSetValue, QStringLiteral("УстановитьЗначение"));
  add(kGetValue, QStringLiteral("ПолучитьЗначение"));
  add(kGetValue, QStringLiteral("GetValue"));
}
}  // namespace form_member

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

template <typename Add>
void addAll(Add add) {
  add(kAddColumn, QStringLiteral("ДобавитьКолонку"));
  add(kStatus, QStringLiteral("Status"));
  add(kNewRow, QStringLiteral("НоваяСтрока"));
  add(kAddValue, QStringLiteral("ДобавитьЗначение"));
  add(kClear, QStringLiteral("ОчиститьТаблицу"));
  add(kSelectRows, QStringLiteral("ВыбратьСтроки"));
  add(kNextRow, QStringLiteral("ПолучитьСтроку"));
  add(kColumnValue, QStringLiteral("ЗначениеКолонки"));
  add(kRowCount, QStringLiteral("КоличествоСтрок"));
  add(kSetColumnValue, QStringLiteral("УстановитьЗначениеКолонки"));
}
}  // namespace table_member

}  // namespace balvix::script
