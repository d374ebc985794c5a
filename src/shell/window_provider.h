#pragma once

#include <QString>
#include <optional>

#include "config/object_kind.h"

class QWidget;

namespace balvix::shell {

// What an opener tells the window it opens. The shared state (CurrentObjectName, ...)
// is still written by the openers that the windows' load handlers read it from; the
// arguments give the same facts to windows that take them directly.
struct WindowArguments {
  std::optional<config::ObjectKind> kind;
  QString objectName;       // the catalog, document, journal or report
  QString elementName;      // the catalog element or document; empty for a new one
  bool designMode = false;  // opened from a designer to arrange its layout
};

// The shell opens windows of the upper layers (designers, module editor, runtime
// forms) by the names the system gives them, without depending on them. WindowFactory
// is the implementation the program uses; tests may stand in their own.
class WindowProvider {
 public:
  virtual ~WindowProvider() = default;
  // The one shared instance of a window ("frmDocs", "frmSprFrm", "frmEdit", "frmUniDoc"
  // in layout design, ...), created on first use; nullptr when no such window exists.
  virtual QWidget* sharedWindow(const QString& className) = 0;
  // A fresh instance of a runtime window ("frmSprList", "frmUniDoc", "frmZurnal",
  // "frmReport"); nullptr when no such window exists.
  virtual QWidget* newWindow(const QString& className) {
    (void)className;
    return nullptr;
  }
  // The same with arguments for the window being created.
  virtual QWidget* newWindowWith(const QString& className, const WindowArguments& arguments) {
    (void)arguments;
    return newWindow(className);
  }
  virtual QWidget* sharedWindowWith(const QString& className, const WindowArguments& arguments) {
    (void)arguments;
    return sharedWindow(className);
  }
  // The shared instance if it has been made and still exists; never makes one.
  virtual QWidget* existingSharedWindow(const QString& className) const {
    (void)className;
    return nullptr;
  }
  // True when a window of that name can be made.
  virtual bool hasWindow(const QString& className) const {
    (void)className;
    return false;
  }
  // The designer of a kind of configuration object; nullptr when there is none.
  virtual QWidget* designer(config::ObjectKind kind) {
    (void)kind;
    return nullptr;
  }
};

}  // namespace balvix::shell
