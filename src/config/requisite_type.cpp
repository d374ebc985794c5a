#include "config/requisite_type.h"

namespace balvix::config {

namespace {

const QString kText = QStringLiteral("Текст");
const QString kNumber = QStringLiteral("Число");
const QString kAmount = QStringLiteral("Число.Сумма");
const QString kDate = QStringLiteral("Дата");
const QString kAccount = QStringLiteral("Счет");
const QString kCatalog = QStringLiteral("Справочник");
const QString kEnumeration = QStringLiteral("Перечисление");

QStringList terminatedEntries(const QString& list) {
  QStringList entries = list.split(QLatin1Char(';'));
  entries.removeLast();  // the text after the last ";" (empty for a well-formed list)
  return entries;
}

}  // namespace

RequisiteType RequisiteType::parse(const QString& text) {
  if (text.isEmpty()) return {};
  if (text == kText) return {Kind::Text, QString()};
  if (text == kNumber) return {Kind::Number, QString()};
  if (text == kAmount) return amount();
  if (text == kDate) return {Kind::Date, QString()};
  if (text == kAccount) return {Kind::Account, QString()};
  const qsizetype point = text.indexOf(QLatin1Char('.'));
  if (point > 0) {
    const QString word = text.left(point);
    const QString object = text.mid(point + 1);
    if (word == kAccount) return {Kind::Account, object};
    // A catalog or enumeration type needs the object's name to mean anything.
    if (word == kCatalog && !object.isEmpty()) return {Kind::Catalog, object};
    if (word == kEnumeration && !object.isEmpty()) return {Kind::Enumeration, object};
  }
  return {Kind::Other, text};
}

QString RequisiteType::text() const {
  switch (kind) {
    case Kind::None:
      return QString();
    case Kind::Text:
      return kText;
    case Kind::Number:
      return money ? kAmount : kNumber;
    case Kind::Date:
      return kDate;
    case Kind::Account:
      return object.isNull() ? kAccount : kAccount + QLatin1Char('.') + object;
    case Kind::Catalog:
      return kCatalog + QLatin1Char('.') + object;
    case Kind::Enumeration:
      return kEnumeration + QLatin1Char('.') + object;
    case Kind::Other:
      return object;
  }
  return QString();
}

QString RequisiteType::kindWord() const {
  const QString whole = text();
  const qsizetype point = whole.indexOf(QLatin1Char('.'));
  return point < 0 ? whole : whole.left(point);
}

QStringList fixedTypeTexts() {
  return {kText, kNumber, kAmount, kDate, RequisiteType::account().text()};
}

QList<RequisiteType> parseTypeList(const QString& list) {
  QList<RequisiteType> types;
  for (const QString& entry : terminatedEntries(list))
    types << RequisiteType::parse(bareTypeText(entry));
  return types;
}

QString bareTypeText(const QString& entry, bool* required) {
  const bool marked = entry.endsWith(kRequiredMark);
  if (required) *required = marked;
  return marked ? entry.chopped(1) : entry;
}

QString typeEntryText(const QString& typeText, bool required) {
  return required ? typeText + kRequiredMark : typeText;
}

QList<TypeListEntry> parseTypeEntries(const QString& list) {
  QList<TypeListEntry> entries;
  for (const QString& entry : terminatedEntries(list)) {
    bool required = false;
    const QString bare = bareTypeText(entry, &required);
    entries << TypeListEntry{RequisiteType::parse(bare), required};
  }
  return entries;
}

QString typeListText(const QList<RequisiteType>& types) {
  QString list;
  for (const RequisiteType& type : types) list += type.text() + QLatin1Char(';');
  return list;
}

QStringList parseValueList(const QString& list) {
  return terminatedEntries(list);
}

QString valueListText(const QStringList& values) {
  QString list;
  for (const QString& value : values) list += value + QLatin1Char(';');
  return list;
}

}  // namespace balvix::config
