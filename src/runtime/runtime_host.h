#pragma once

#include "shell/gui_host.h"

namespace balvix::runtime {

// The program's script host with the runtime windows at hand: ОткрытьФорму opens a
// catalog list or the chart of accounts as a choice list that feeds the table part of the
// document window.
class RuntimeHost : public shell::GuiHost {
  Q_OBJECT

 public:
  using shell::GuiHost::GuiHost;
  void openChoiceWindow(const QString& kind, const QString& name) override;
};

}  // namespace balvix::runtime
