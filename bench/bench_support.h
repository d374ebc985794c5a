#pragma once

#include <QString>
#include <chrono>
#include <cstdio>

#include "script/host.h"

namespace balvix::bench {

using Clock = std::chrono::steady_clock;

inline double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// A host without windows whose messages go to stdout.
class QuietHost : public script::Host {
 public:
  int showMessage(const QString& text, int, const QString&) override {
    std::printf("%s\n", text.toUtf8().constData());
    return script::MsgBoxCode::AnswerOk;
  }
  void setStatus(const QString&) override {}
  void startProgram(const QString&) override {}
};

}  // namespace balvix::bench
