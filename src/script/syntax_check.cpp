#include "script/syntax_check.h"

#include "script/engine.h"
#include "script/host.h"

namespace balvix::script {

namespace {

// Compiling runs nothing, so the host is never asked for anything.
class SilentHost : public Host {
 public:
  int showMessage(const QString&, int, const QString&) override { return 0; }
  void setStatus(const QString&) override {}
  void startProgram(const QString&) override {}
};

}  // namespace

std::optional<ScriptError> findSyntaxError(const QString& text) {
  SilentHost host;
  Engine engine(host);
  try {
    engine.compile(text);
  } catch (const ScriptError& e) {
    if (e.isSyntax()) return e;
  }
  return std::nullopt;
}

}  // namespace balvix::script
