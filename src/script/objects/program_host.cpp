#include "script/objects/program_host.h"

#include "script/script_error.h"

namespace balvix::script {

std::optional<QDate> ProgramHost::documentWindowDateOf(Host& host) {
  if (auto* program = dynamic_cast<ProgramHost*>(&host)) return program->documentWindowDate();
  return std::nullopt;
}

void ProgramHost::openChoiceWindowOf(Host& host, const QString& kind, const QString& name) {
  if (auto* program = dynamic_cast<ProgramHost*>(&host))
    return program->openChoiceWindow(kind, name);
  refuseChoiceWindow(kind, name);
}

void ProgramHost::openReport(const ReportRequest& request) {
  refuseReport(request);
}

void ProgramHost::openReportOf(Host& host, const ReportRequest& request) {
  if (auto* program = dynamic_cast<ProgramHost*>(&host)) return program->openReport(request);
  refuseReport(request);
}

void ProgramHost::refuseReport(const ReportRequest& request) {
  throw ScriptError::custom(
      ErrorCode::CannotCreateObject,
      QStringLiteral("Отчет «%1» не открывается: ОткрытьОтчет работает в окне программы.")
          .arg(request.name));
}

void ProgramHost::refuseChoiceWindow(const QString& kind, const QString& name) {
  throw ScriptError::custom(
      ErrorCode::CannotCreateObject,
      QStringLiteral("Форма «%1.%2» для выбора не открывается: окна выбора из списка нет.")
          .arg(kind, name));
}

}  // namespace balvix::script
