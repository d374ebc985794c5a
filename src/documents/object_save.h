#pragma once

#include <QString>
#include <optional>

#include "config/object_definition.h"
#include "storage/table_rebuild.h"

namespace balvix::storage {
class Session;
}

namespace balvix::documents {

// Stores an object as its designer saves it: the columns the designer owns (a new row with
// every column when `storedName` is empty; otherwise the row stored under that name), then
// the tables of a catalog, document or register re-created around its requisites with
// their rows kept, their key and reference indexes, a document's numbers and a register's
// totals. The caller holds the transaction and checks the names first.
void saveDefinition(storage::Session& db, const config::ObjectDefinition& definition,
                    const std::optional<QString>& storedName,
                    storage::RebuildProgress* progress = nullptr);

}  // namespace balvix::documents
