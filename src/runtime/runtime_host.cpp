#include "runtime/runtime_host.h"

#include "runtime/catalog_list.h"
#include "runtime/chart_of_accounts.h"
#include "runtime/form_control.h"
#include "runtime/runtime_windows.h"
#include "runtime/value_choice.h"
#include "script/script_error.h"
#include "shell/app_state.h"
#include "shell/window_names.h"
#include "shell/window_provider.h"

namespace balvix::runtime {

void RuntimeHost::openChoiceWindow(const QString& kind, const QString& name) {
  shell::AppState& s = state();
  QWidget* document = s.documentWindow.data();
  auto* target = document ? document->findChild<FormControl*>() : nullptr;
  if (!target)
    throw script::ScriptError::custom(
        script::ErrorCode::InvalidCall,
        QStringLiteral("ОткрытьФорму: нет открытого окна документа, в которое выбирать «%1.%2».")
            .arg(kind, name));
  // The choice goes to the current cell of the document's table part.
  chooseValue(s, target, document->windowTitle(), kind + QLatin1Char('.') + name,
              QStringLiteral("table"));
}

}  // namespace balvix::runtime
