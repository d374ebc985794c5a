#pragma once

#include <QString>

namespace balvix::storage {

// A text value written into a statement: between single quotes, each ' doubled, so
// that no value can end its literal early or change what the statement does.
QString quote(const QString& value);

// A text value as the engine stores it (UTF-8), decoded whole: a leading byte-order mark is
// part of the value, not a marker to drop.
QString storedText(const char* utf8, qsizetype size);

// Names that become table or column names: letters of any alphabet, digits and "_",
// not starting with a digit, not empty.
bool isValidIdentifier(const QString& name);

// The Russian explanation of why a name is not a valid identifier (empty when it is),
// for example «Имя "2 шт" недопустимо: ...». `what` names the thing ("Имя реквизита").
QString identifierProblem(const QString& name, const QString& what);

// The form in which two names are compared: letter case folded for every alphabet.
QString foldName(const QString& name);

// True when the two names are the same once letter case is ignored.
bool sameName(const QString& a, const QString& b);

}  // namespace balvix::storage
