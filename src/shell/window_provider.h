#pragma once

#include <QString>

class QWidget;

namespace balvix::shell {

// The shell opens windows of the upper layers (designers, module editor, runtime
// forms) by their class name without depending on them; the application wires an
// implementation in at start-up.
class WindowProvider {
 public:
  virtual ~WindowProvider() = default;
  // The one shared instance of a window class ("frmDocs", "frmSprFrm", "frmEdit", ...),
  // created on first use; nullptr when the class is not available.
  virtual QWidget* sharedWindow(const QString& className) = 0;
  // A fresh instance of a runtime window class ("frmSprList", "frmUniDoc", "frmZurnal",
  // "frmReport"); nullptr when the class is not available.
  virtual QWidget* newWindow(const QString& className) { (void)className; return nullptr; }
};

}  // namespace balvix::shell
