#pragma once

#include <QString>

namespace balvix::storage {
class Session;
}

namespace balvix::config {

// Every write of a catalog element or a document through the program raises its version, so
// that a window can tell whether someone else wrote it after the window read it. The versions
// live in a table of their own, keyed by the object's path and the row's key, because a
// catalog's table holds nothing but requisites. A database without the table has every
// version 0 until the first write makes it.
QString rowVersionsTable();

// The key of an element (its name) and of a document (its date and time texts).
QString elementVersionKey(const QString& elementName);
QString documentVersionKey(const QString& date, const QString& time);

// What a window locks while it has the row open for editing (storage::ObjectLocks).
QString editingLockKey(const QString& objectPath, const QString& key);

// The version of the row `key` of `objectPath` ("Справочник.Товары"); 0 when never written.
qint64 rowVersion(storage::Session& db, const QString& objectPath, const QString& key);

// Raises the version of the row written now, under `key`; a row that got a new key (renamed,
// re-dated) carries its version over from `previousKey`. The transaction is the caller's.
// Returns the new version.
qint64 raiseRowVersion(storage::Session& db, const QString& objectPath, const QString& key,
                       const QString& previousKey = QString());

}  // namespace balvix::config
