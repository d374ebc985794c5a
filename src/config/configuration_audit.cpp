#include "config/configuration_audit.h"

#include "config/audit_trail.h"
#include "config/global_module.h"

namespace balvix::config {

namespace {

struct Part {
  const char* label;
  std::optional<QString> FormItemRow::*member;
  bool text;  // a module or a layout: shown as a line diff
};

const Part kParts[] = {
    {"Имя", &FormItemRow::name, false},
    {"Описание", &FormItemRow::descript, false},
    {"Реквизиты (типы)", &FormItemRow::itemsType, false},
    {"Журнал", &FormItemRow::zurnal, false},
    {"Табличная часть", &FormItemRow::tablePart, false},
    {"Реквизиты таблицы (типы)", &FormItemRow::tableItemsType, false},
    {"Размер формы", &FormItemRow::size, false},
    {"Модуль", &FormItemRow::code, true},
    {"Макет", &FormItemRow::item, true},
};

QString value(const std::optional<FormItemRow>& row, std::optional<QString> FormItemRow::*member) {
  return row ? ((*row).*member).value_or(QString()) : QString();
}

}  // namespace

void recordConfigurationChange(storage::Session& db, ObjectKind kind, const QString& name,
                               const std::optional<FormItemRow>& before,
                               const std::optional<FormItemRow>& after) {
  if (before == after) return;
  QStringList lines;
  if (!before) lines << QStringLiteral("Объект создан.");
  if (!after) lines << QStringLiteral("Объект удален.");
  if (before && after) {
    for (const Part& part : kParts) {
      const QString was = value(before, part.member);
      const QString now = value(after, part.member);
      if (was == now) continue;
      const QString label = QString::fromUtf8(part.label);
      lines << (part.text ? label + QStringLiteral(":\n") + audit::lineDiff(was, now)
                          : QStringLiteral("%1: «%2» → «%3»").arg(label, was, now));
    }
    if (lines.isEmpty()) return;
  }
  audit::append(db, audit::event::kConfiguration, objectPath(kind, name), QString(),
                lines.join(u'\n'));
}

void recordGlobalModuleChange(storage::Session& db, const QString& before, const QString& after) {
  if (before == after) return;
  audit::append(db, audit::event::kConfiguration, kGlobalModuleName, QString(),
                QStringLiteral("Модуль:\n") + audit::lineDiff(before, after));
}

}  // namespace balvix::config
