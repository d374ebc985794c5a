#pragma once

#include <QString>
#include <array>
#include <optional>

namespace balvix::config {

// The six kinds of configuration object. Stored in form_items.type as their Russian
// type word; everywhere else the program passes the enum.
enum class ObjectKind { Catalog, Document, Journal, Enumeration, Register, Report };

// Every kind, in the order the configuration tree lists them.
inline constexpr std::array<ObjectKind, 6> kAllKinds = {
    ObjectKind::Document,    ObjectKind::Catalog,  ObjectKind::Journal,
    ObjectKind::Enumeration, ObjectKind::Register, ObjectKind::Report};

// "Справочник", "Документ", "Журнал", "Перечисление", "Регистр", "Отчет".
QString typeWord(ObjectKind kind);
// The kind a type word names (exact spelling, as stored); nullopt for any other text.
std::optional<ObjectKind> kindFromWord(const QString& word);

// The plural the tree and messages use for a group: "Справочники", "Документы", ...
QString pluralWord(ObjectKind kind);

// The path that addresses an object: type word + "." + name ("Справочник.Товары").
QString objectPath(ObjectKind kind, const QString& name);

// Catalogs, documents and registers own generated tables; the other kinds own none.
bool ownsTables(ObjectKind kind);
// Catalogs and documents have a runtime form whose layout is kept in form_items.item.
bool hasForm(ObjectKind kind);

// The name of an object not saved yet; refused as a name.
inline const QString kNewObjectName = QStringLiteral("Новый");
// The journal that lists every document; comes with the database.
inline const QString kFullJournalName = QStringLiteral("Полный");

}  // namespace balvix::config
