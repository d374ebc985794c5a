#include "config/object_kind.h"

namespace balvix::config {

QString typeWord(ObjectKind kind) {
  switch (kind) {
    case ObjectKind::Catalog:
      return QStringLiteral("Справочник");
    case ObjectKind::Document:
      return QStringLiteral("Документ");
    case ObjectKind::Journal:
      return QStringLiteral("Журнал");
    case ObjectKind::Enumeration:
      return QStringLiteral("Перечисление");
    case ObjectKind::Register:
      return QStringLiteral("Регистр");
    case ObjectKind::Report:
      return QStringLiteral("Отчет");
  }
  return QString();
}

std::optional<ObjectKind> kindFromWord(const QString& word) {
  for (ObjectKind kind : kAllKinds) {
    if (typeWord(kind) == word) return kind;
  }
  return std::nullopt;
}

QString pluralWord(ObjectKind kind) {
  switch (kind) {
    case ObjectKind::Catalog:
      return QStringLiteral("Справочники");
    case ObjectKind::Document:
      return QStringLiteral("Документы");
    case ObjectKind::Journal:
      return QStringLiteral("Журналы");
    case ObjectKind::Enumeration:
      return QStringLiteral("Перечисления");
    case ObjectKind::Register:
      return QStringLiteral("Регистры");
    case ObjectKind::Report:
      return QStringLiteral("Отчеты");
  }
  return QString();
}

QString objectPath(ObjectKind kind, const QString& name) {
  return typeWord(kind) + QLatin1Char('.') + name;
}

bool ownsTables(ObjectKind kind) {
  return kind == ObjectKind::Catalog || kind == ObjectKind::Document ||
         kind == ObjectKind::Register;
}

bool hasForm(ObjectKind kind) {
  return kind == ObjectKind::Catalog || kind == ObjectKind::Document;
}

}  // namespace balvix::config
