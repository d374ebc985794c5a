#pragma once

#include <QDate>
#include <QString>
#include <optional>

#include "script/global_functions.h"
#include "script/host.h"

namespace balvix::script {

// What the script objects need from the program beyond what the language needs: the
// document window that postings are dated by and the choice lists that feed it. The
// program's hosts (the windows, the headless runner, the tests of the objects) implement
// it; a host without windows keeps the answers given here.
class ProgramHost : public Host {
 public:
  // The date of the document window that postings and register movements are stamped
  // with; nullopt when no document window is open.
  virtual std::optional<QDate> documentWindowDate() { return std::nullopt; }

  // Opens the catalog list (kind "Справочник", `name` the catalog) or the chart of
  // accounts (kind "Счет") as a choice list that feeds the document window. Throws
  // ScriptError when there is no document window or the window cannot be opened here.
  virtual void openChoiceWindow(const QString& kind, const QString& name) {
    refuseChoiceWindow(kind, name);
  }

  // ОткрытьОтчет: the report's window, built with the request's period and fields instead of
  // its dialog. Throws ScriptError where there are no windows.
  virtual void openReport(const ReportRequest& request);

  // The same for any host the objects are given: a host of the language alone (an
  // interpreter's test, a host object's own) has no windows and answers as one without.
  static std::optional<QDate> documentWindowDateOf(Host& host);
  static void openChoiceWindowOf(Host& host, const QString& kind, const QString& name);
  static void openReportOf(Host& host, const ReportRequest& request);

 private:
  [[noreturn]] static void refuseChoiceWindow(const QString& kind, const QString& name);
  [[noreturn]] static void refuseReport(const ReportRequest& request);
};

}  // namespace balvix::script
