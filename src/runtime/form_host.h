#pragma once

#include <QObject>
#include <QString>
#include <functional>

#include "script/host.h"

namespace balvix::runtime {

// The host of modules that run inside runtime forms: messages through the message-box
// facade, the status line through a callback (the main window's first panel), and
// Esc or Ctrl+Break pressed while a module runs asks it to stop.
class FormHost : public script::Host {
 public:
  explicit FormHost(std::function<void(const QString&)> status = {});
  ~FormHost() override;

  int showMessage(const QString& text, int buttons, const QString& title) override;
  void setStatus(const QString& text) override;
  void processEvents() override;
  void startProgram(const QString& commandLine) override;

  // While a module runs, keys that ask it to stop are watched for.
  class RunScope {
   public:
    explicit RunScope(FormHost& host);
    ~RunScope();
    RunScope(const RunScope&) = delete;
    RunScope& operator=(const RunScope&) = delete;

   private:
    FormHost& m_host;
  };

 private:
  class KeyWatch;
  std::function<void(const QString&)> m_status;
  KeyWatch* m_watch = nullptr;
  int m_depth = 0;
};

}  // namespace balvix::runtime
