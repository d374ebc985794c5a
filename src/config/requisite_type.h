#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace balvix::config {

// What a requisite holds, as its type text says: "Текст", "Число", "Число.Сумма", "Дата",
// "Счет.ПланСчетов" (or "Счет"), "Справочник." + catalog name, "Перечисление." +
// enumeration name. An empty text is a requisite without a type; any other text the user
// typed is kept as it is (Other), so printing a parsed type always gives its text back.
//
// "Число.Сумма" is a number that is money: it is a Number like "Число" (its kind word is
// "Число", so every form, check and module treats it as a number, and what is stored is
// the value's text as for any number), and only the way it is shown differs: two decimals
// and thousands apart (script::shownNumber). A database written before amounts had a type
// of their own holds plain "Число" requisites, which open and work as they did.
struct RequisiteType {
  enum class Kind { None, Text, Number, Date, Account, Catalog, Enumeration, Other };

  Kind kind = Kind::None;
  // The catalog or enumeration name; the chart of accounts' name for an account ("ПланСчетов",
  // null for the bare "Счет"); the whole text for Other.
  QString object;
  // Number only: the number is an amount of money ("Число.Сумма").
  bool money = false;

  static RequisiteType parse(const QString& text);
  QString text() const;

  // A type without an object name (Text, Number, Date, the bare "Счет").
  static RequisiteType ofKind(Kind kind) { return {kind, QString()}; }
  static RequisiteType amount() { return {Kind::Number, QString(), true}; }
  static RequisiteType account() { return {Kind::Account, QStringLiteral("ПланСчетов")}; }
  static RequisiteType catalog(const QString& name) { return {Kind::Catalog, name}; }
  static RequisiteType enumeration(const QString& name) { return {Kind::Enumeration, name}; }

  // The kind word of the text: its part before the first "." ("Справочник" for
  // "Справочник.Товары"); what a form uses to decide how a value is chosen.
  QString kindWord() const;
  // A value of this type is chosen from a list (catalog, enumeration, chart of accounts).
  bool isChosen() const {
    return kind == Kind::Account || kind == Kind::Catalog || kind == Kind::Enumeration;
  }

  bool isNumber() const { return kind == Kind::Number; }
  bool isMoney() const { return kind == Kind::Number && money; }

  bool operator==(const RequisiteType& other) const = default;
};

// The fixed type texts the requisite editor offers before the catalogs and enumerations.
QStringList fixedTypeTexts();

// A type list (form_items.items_type, TableItemsType): every entry followed by ";".
// Parsing takes the ";"-ended entries in order; a text after the last ";" is not an entry.
// An entry of a required requisite carries kRequiredMark after its type text
// ("Справочник.Склады!;"): the mark travels with its entry when columns are added, removed
// or reordered, a list written before the mark existed reads as nothing required, and no
// type text ends in "!" (object names are identifiers). parseTypeList gives the bare types.
QList<RequisiteType> parseTypeList(const QString& list);
QString typeListText(const QList<RequisiteType>& types);

inline constexpr QChar kRequiredMark = u'!';

// One entry of a type list: its type and whether the requisite must be filled.
struct TypeListEntry {
  RequisiteType type;
  bool required = false;
};
// The entry's type text without the mark; `required` tells whether it had one.
QString bareTypeText(const QString& entry, bool* required = nullptr);
QString typeEntryText(const QString& typeText, bool required);
QList<TypeListEntry> parseTypeEntries(const QString& list);

// A value list (the code of an enumeration): every value followed by ";"; a text after
// the last ";" is not a value.
QStringList parseValueList(const QString& list);
QString valueListText(const QStringList& values);

}  // namespace balvix::config
