#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

#include "config/object_kind.h"
#include "config/requisite_type.h"

namespace balvix::storage {
class Session;
class Recordset;
}  // namespace balvix::storage

namespace balvix::config {

// One row of form_items exactly as stored: std::nullopt is Null. Every column is text.
struct FormItemRow {
  std::optional<QString> name;
  std::optional<QString> type;
  std::optional<QString> descript;
  std::optional<QString> code;
  std::optional<QString> zurnal;
  std::optional<QString> itemsType;       // items_type
  std::optional<QString> tablePart;       // table_
  std::optional<QString> tableItemsType;  // TableItemsType
  std::optional<QString> item;
  std::optional<QString> size;

  bool operator==(const FormItemRow& other) const = default;

  // The current row of a recordset over form_items (columns found by name, letter case
  // ignored; a column the recordset lacks reads as Null).
  static FormItemRow fromRecordset(const storage::Recordset& rs);
};

// The first form_items row of this kind and name; nullopt when there is none. Throws
// storage::DbError when the query fails.
std::optional<FormItemRow> readFormItemRow(storage::Session& db, ObjectKind kind,
                                           const QString& name);
// Every row of a kind, in the order the database returns them.
QList<FormItemRow> readFormItemRows(storage::Session& db, ObjectKind kind);
// Adds a row with its non-Null columns.
void insertFormItemRow(storage::Session& db, const FormItemRow& row);

// A requisite: a column of the object's table and its type text.
struct Requisite {
  QString name;
  RequisiteType type;
  // «Обязательный»: a document is not posted, an element not saved, while it is empty.
  bool required = false;

  bool operator==(const Requisite& other) const = default;
};

// What a configuration object is, taken from its form_items row (and, for the requisite
// names, from its generated tables). The columns a kind never uses are not kept and are
// written as Null; the text columns it uses are always written (a Null one reads as the
// empty text), layout and size only when the object has them.
struct ObjectDefinition {
  ObjectKind kind = ObjectKind::Catalog;
  QString name;
  // descript: the caption of the user-menu entry (catalog, document, journal, report), a
  // free description (register).
  QString description;
  // code: the module text (catalog, document, report) or the value list (enumeration).
  QString module;
  // zurnal: the journal a document belongs to, or "Полный".
  QString journal;
  // Catalog requisites, document header requisites (items_type) or register requisites
  // (the register keeps no types). Names are empty when read from the row alone.
  QList<Requisite> requisites;
  // table_ = "1": the document has a table part; its columns (TableItemsType).
  bool hasTablePart = false;
  QList<Requisite> tableRequisites;
  // item: the layout text of the runtime form (the report layout for a report); size:
  // the size text of the runtime form. nullopt while the object has none.
  std::optional<QString> layout;
  std::optional<QString> size;
  // table_ of a report: the layout of its parameter dialog (the column no report uses
  // otherwise). nullopt while the report has none.
  std::optional<QString> dialog;
  // items_type of a journal: the header requisites of its documents that the journal shows
  // as columns, a value list ("Контрагент;Склад;"). A journal stored before journals had
  // columns has Null there and shows none; one without columns keeps it Null.
  QStringList columns;

  bool operator==(const ObjectDefinition& other) const = default;

  // nullopt when the row's type is not one of the six type words.
  static std::optional<ObjectDefinition> fromRow(const FormItemRow& row);
  // The row as the program stores it: the columns the kind uses, Null elsewhere.
  FormItemRow toRow() const;

  QString path() const { return objectPath(kind, name); }
  QStringList requisiteNames() const;
  QStringList tableRequisiteNames() const;
  // The values of an enumeration (its module column holds the value list).
  QStringList enumerationValues() const { return parseValueList(module); }
  void setEnumerationValues(const QStringList& values) { module = valueListText(values); }
};

// The definition of an object with the requisite names taken from its tables' columns
// (without the system columns); nullopt when it has no row. Requisites are paired with
// the type list by position; a missing table leaves the names empty.
std::optional<ObjectDefinition> readDefinition(storage::Session& db, ObjectKind kind,
                                               const QString& name);

// A new object's row: every column its kind uses (layout and size only when set).
void insertDefinition(storage::Session& db, const ObjectDefinition& definition);
// Rewrites the columns the object's designer owns (name and description, the type lists,
// the journal and the table-part flag of a document, the value list of an enumeration) of
// the row stored under `storedName`; the module, layout and size stay as they are.
// Returns the number of rows changed (0 when the row has gone).
int updateDesignedColumns(storage::Session& db, const QString& storedName,
                          const ObjectDefinition& definition);
// Stores what updateDesignedColumns leaves alone, exactly as the definition has it (a
// missing layout, size or dialog as Null): the module, the form's layout and size of a catalog
// or document, the layout and dialog of a report. Returns rows changed; other kinds have none.
int writeContentColumns(storage::Session& db, const ObjectDefinition& definition);
// Stores the layout and size text of an object's runtime form. Returns rows changed.
int writeFormLayout(storage::Session& db, ObjectKind kind, const QString& name,
                    const QString& layout, const QString& size);

// The names of the objects of a kind, in the order the database returns them (a Null
// name reads as the empty text).
QStringList objectNames(storage::Session& db, ObjectKind kind);
// Every object of a kind as its row alone describes it (requisite names empty), in the
// order the database returns them.
QList<ObjectDefinition> readDefinitions(storage::Session& db, ObjectKind kind);

// The module text of an object (its code column); nullopt when it has no row.
std::optional<QString> readModule(storage::Session& db, ObjectKind kind, const QString& name);
// Stores the module text of an object. Returns rows changed (0 when the row has gone).
int writeModule(storage::Session& db, ObjectKind kind, const QString& name, const QString& text);
// The values of an enumeration; none when there is no such enumeration.
QStringList readEnumerationValues(storage::Session& db, const QString& name);
// Stores the layout of a report (its item column), leaving the rest of the row.
int writeReportLayout(storage::Session& db, const QString& name, const QString& layout);
// Stores the layout of a report's parameter dialog.
int writeReportDialog(storage::Session& db, const QString& name, const QString& layout);
// Binds a document kind to a journal (its zurnal column).
int writeDocumentJournal(storage::Session& db, const QString& documentName, const QString& journal);
// Removes an object's row; its tables are the caller's. Returns rows removed.
int deleteObjectRow(storage::Session& db, ObjectKind kind, const QString& name);

}  // namespace balvix::config
