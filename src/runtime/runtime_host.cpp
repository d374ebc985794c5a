#include "runtime/runtime_host.h"

#include "runtime/catalog_list.h"
#include "runtime/chart_of_accounts.h"
#include "runtime/form_control.h"
#include "runtime/report_window.h"
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

void RuntimeHost::openReport(const script::ReportRequest& request) {
  // Bounds left out are those a new dialog starts with: the current month up to today.
  const QDate today = QDate::currentDate();
  ReportDialogValues values;
  values.start = request.start.isValid() ? request.start : QDate(today.year(), today.month(), 1);
  values.end = request.end.isValid() ? request.end : today;
  for (const auto& [caption, value] : request.fields)
    values.fields.insert(caption.toCaseFolded(), value);
  if (!openReportWith(state(), request.name, values))
    throw script::ScriptError::custom(
        script::ErrorCode::InvalidCall,
        QStringLiteral("ОткрытьОтчет: в конфигурации нет отчета «%1».").arg(request.name));
}

}  // namespace balvix::runtime
