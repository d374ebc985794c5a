#include "runtime/module_error.h"

#include <cstdio>

#include "script/script_error.h"
#include "shell/message_box.h"

namespace balvix::runtime {

QString moduleErrorText(const QString& name, const script::ScriptError& e) {
  // The engine knows which of the texts the line is in: the global module, say.
  const QString& moduleName = e.module().isEmpty() ? name : e.module();
  QString text = moduleName.isEmpty() ? QStringLiteral("Ошибка в модуле")
                                      : QStringLiteral("Ошибка в модуле «%1»").arg(moduleName);
  if (e.line() > 0) text += QStringLiteral(", строка %1").arg(e.line());
  return text + QStringLiteral(":\n") + e.description();
}

void showModuleError(const QString& moduleName, const script::ScriptError& e) {
  if (!e.isModuleMessage()) {
    shell::MessageBoxes::show(moduleErrorText(moduleName, e));
    return;
  }
  QString where = moduleErrorText(moduleName, e);
  where.replace(QLatin1Char('\n'), QLatin1Char(' '));
  std::fprintf(stderr, "balvix: %s\n", where.toUtf8().constData());
  std::fflush(stderr);
  shell::MessageBoxes::show(e.description());
}

}  // namespace balvix::runtime
