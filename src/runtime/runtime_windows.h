#pragma once

#include <QHash>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include "shell/app_state.h"
#include "shell/window_provider.h"

namespace balvix::runtime {

// Makes the runtime windows by the names the system gives them: fresh catalog lists
// and element forms, the one chart of accounts and the one element form the designer
// arranges. Other names go to the next provider (the configurator's windows).
class RuntimeWindows : public shell::WindowProvider {
 public:
  RuntimeWindows(shell::AppState& state, shell::WindowProvider* next);
  ~RuntimeWindows() override;

  QWidget* sharedWindow(const QString& className) override;
  QWidget* newWindow(const QString& className) override;

  static QStringList classNames();

 private:
  QWidget* create(const QString& className);

  shell::AppState& m_state;
  shell::WindowProvider* m_next;
  QHash<QString, QPointer<QWidget>> m_shared;
};

// Shows a runtime window inside the main window (or on its own without one).
void showChild(shell::AppState& state, QWidget* window);

}  // namespace balvix::runtime
