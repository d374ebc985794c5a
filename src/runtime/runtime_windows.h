#pragma once

#include <QWidget>

#include "shell/app_state.h"

namespace balvix::shell {
class WindowFactory;
}

namespace balvix::runtime {

// Registers the runtime windows with the window factory by the names the system gives
// them: fresh catalog lists and element forms, the one chart of accounts, and the one
// element form the catalog designer arranges.
void registerRuntimeWindows(shell::WindowFactory& factory, shell::AppState& state);

// Shows a runtime window inside the main window (or on its own without one).
void showChild(shell::AppState& state, QWidget* window);

}  // namespace balvix::runtime
