#pragma once

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <optional>

#include "config/object_definition.h"
#include "script/objects/document_posting.h"

namespace balvix::storage {
class Session;
}

namespace balvix::documents {

// What stops a document from being posted or an element from being saved: the message for
// the user, the requisite it is about and the table row (from 0; -1 for a header field or
// an element's field), so the window can put the focus there.
struct FieldProblem {
  QString message;
  QString field;
  int row = -1;
  bool operator==(const FieldProblem& other) const = default;
};

// The values that exist for the chosen types: a catalog's element names (Наименование), an
// enumeration's values, the codes of the chart of accounts. Each type's list is read once,
// when first asked for, and kept, so a form reads it once while it is open; a value not in
// the list read is looked up again, since an element may have been added since.
class ReferenceValues {
 public:
  explicit ReferenceValues(storage::Session& db) : m_db(db) {}

  // The values in the order the database gives them (trimmed); empty for a type that is
  // not chosen or whose catalog has no table. Throws storage::DbError.
  QStringList values(const config::RequisiteType& type);
  // Whether `value` (trimmed, compared exactly) exists for the type. A type that names no
  // catalog or enumeration of the configuration has nothing to compare with: every value
  // passes. Throws storage::DbError.
  bool exists(const config::RequisiteType& type, const QString& value);
  // The problem with a value typed into a requisite of that type, for a field left by the
  // user or a check before posting; nullopt when the value is empty or exists.
  std::optional<QString> valueProblem(const config::Requisite& requisite, const QString& value,
                                      int row = -1);

 private:
  struct List {
    bool known = true;  // the configuration has the catalog or enumeration
    QStringList values;
    QSet<QString> set;
  };
  List& read(const config::RequisiteType& type, bool again);

  storage::Session& m_db;
  QHash<QString, List> m_lists;  // by type text
};

// «Не заполнено обязательное поле «Склад».», «Строка 2: не заполнено обязательное поле
// «Товар».» — the row from 0, -1 for a header field.
QString emptyRequiredMessage(const QString& field, int row = -1);

// The first problem of a document about to be posted: a required requisite left empty, or a
// value of a catalog, enumeration or account requisite that does not exist. The header is
// checked first in the definition's order, then the rows from the top, left to right.
// Header requisites the content has no value for (not on the form) are not checked.
std::optional<FieldProblem> checkDocument(ReferenceValues& references,
                                          const config::ObjectDefinition& definition,
                                          const script::DocumentContent& content);

// The same for a catalog element's values (column name, value) before it is saved.
std::optional<FieldProblem> checkElement(ReferenceValues& references,
                                         const config::ObjectDefinition& catalog,
                                         const QList<QPair<QString, QString>>& values);

}  // namespace balvix::documents
