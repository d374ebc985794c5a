#pragma once

#include <QString>
#include <QStringList>

#include "script/host.h"

namespace balvix::script {

// A host without windows for the interpreter's tests: every message box is answered OK and
// its text kept, and the last status line too.
class MessageHost : public Host {
 public:
  int showMessage(const QString& text, int, const QString&) override {
    messages << text;
    return MsgBoxCode::AnswerOk;
  }
  void setStatus(const QString& text) override { status = text; }
  void startProgram(const QString&) override {}
  QStringList messages;
  QString status;
};

}  // namespace balvix::script
