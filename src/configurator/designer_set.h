#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>
#include <memory>

#include "config/object_kind.h"
#include "shell/app_state.h"
#include "shell/window_factory.h"

namespace balvix::configurator {

class DesignerWindow;
class ModuleDebugger;

// The window factory with the configurator's windows registered: the designers (each
// also as the designer of its kind), the requisite editor and the module editor, one
// shared instance of each, created on first use. The runtime layer registers its
// windows into the same factory. The set also holds the program's module debugger, so that
// modules run from any of these windows stop at the breakpoints set in the editor.
class DesignerSet : public shell::WindowFactory {
 public:
  DesignerSet(shell::AppState& state, QWidget* parentWindow);
  ~DesignerSet() override;

  // The shared instance of a window class, by its type.
  template <class T>
  T* window() {
    return qobject_cast<T*>(sharedWindow(T::kWindowName));
  }
  // The designer of a kind of configuration object.
  DesignerWindow* designerOf(config::ObjectKind kind);

  // Names of the windows this set registers.
  static QStringList classNames();

  ModuleDebugger& debugger() { return *m_debugger; }

 private:
  shell::AppState& m_state;
  std::unique_ptr<ModuleDebugger> m_debugger;
};

}  // namespace balvix::configurator
