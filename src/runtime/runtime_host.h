#pragma once

#include "shell/gui_host.h"

namespace balvix::runtime {

// The program's script host with the runtime windows at hand: ОткрытьФорму opens a
// catalog list or the chart of accounts as a choice list that feeds the table part of the
// document window; ОткрытьОтчет opens a report with the values a module gives it.
class RuntimeHost : public shell::GuiHost {
  Q_OBJECT

 public:
  using shell::GuiHost::GuiHost;
  void openChoiceWindow(const QString& kind, const QString& name) override;
  // A report window of its own, built with the request's period and fields.
  void openReport(const script::ReportRequest& request) override;
};

}  // namespace balvix::runtime
