#pragma once

#include <QString>

#include "shell/app_state.h"

namespace balvix::runtime {

class FormControl;

// A field of a form asks for a value of its type: a catalog opens its list and the chart
// of accounts opens for choosing, both feeding that form (the one in the window captioned
// `caption`, even when several forms are open); an enumeration offers its values.
void chooseValue(shell::AppState& state, FormControl* form, const QString& caption,
                 const QString& type, const QString& field);

}  // namespace balvix::runtime
