#pragma once

#include <QString>

namespace balvix::shell {

struct AppState;

// "Удалить" of the configuration tree: removes a configuration object with its data
// tables after asking. Returns true when the object was deleted.
bool deleteConfigurationObject(AppState& state, const QString& type, const QString& name);

}  // namespace balvix::shell
