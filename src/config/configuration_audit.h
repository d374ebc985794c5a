#pragma once

#include <QString>
#include <optional>

#include "config/object_definition.h"

namespace balvix::config {

// Appends to the audit trail what a change of an object's form_items row came to: the object
// made (no `before`), removed (no `after`) or which of its columns changed, the module and the
// layouts as line diffs. Nothing when the rows are equal.
void recordConfigurationChange(storage::Session& db, ObjectKind kind, const QString& name,
                               const std::optional<FormItemRow>& before,
                               const std::optional<FormItemRow>& after);
// The same for the global module's text.
void recordGlobalModuleChange(storage::Session& db, const QString& before, const QString& after);

}  // namespace balvix::config
