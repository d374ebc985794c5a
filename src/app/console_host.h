#pragma once

#include <QProcess>
#include <QString>
#include <cstdio>
#include <memory>

#include "config/control_tables.h"
#include "script/objects/program_host.h"
#include "script/script_error.h"
#include "storage/db_error.h"
#include "storage/session.h"

namespace balvix::app {

inline void writeLine(std::FILE* to, const QString& text) {
  const QByteArray bytes = text.toUtf8();
  std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), to);
  std::fputc('\n', to);
  std::fflush(to);
}

// The database a command works on; nullptr after the reason was written to stderr.
inline std::unique_ptr<storage::Session> openCommandDatabase(const QString& path) {
  try {
    std::unique_ptr<storage::Session> db = storage::Session::open(path);
    if (const QString problem = config::ensureControlTables(*db); !problem.isEmpty())
      writeLine(stderr, problem);
    return db;
  } catch (const storage::DbError& e) {
    writeLine(stderr, QStringLiteral("%1: %2").arg(path, e.description()));
    return nullptr;
  }
}

// The host of a headless command that makes a document (a report, a print form): the
// module's own messages are its output, the program's go to stderr, the status line is left
// out, and no other program is started (`what` names the command in the refusal).
class OutputHost : public script::Host {
 public:
  explicit OutputHost(QString what) : m_what(std::move(what)) {}
  int showMessage(const QString& text, int, const QString&) override {
    writeLine(stdout, text);
    return script::MsgBoxCode::AnswerOk;
  }
  void showProgramMessage(const QString& text) override { writeLine(stderr, text); }
  void setStatus(const QString&) override {}
  void startProgram(const QString&) override {
    throw script::ScriptError::custom(script::ErrorCode::NotSupported,
                                      m_what + QStringLiteral(" без окон не запускает программ."));
  }

 private:
  QString m_what;
};

// The host of the headless runner: no windows, questions answered with their default.
class ConsoleHost : public script::ProgramHost {
 public:
  int showMessage(const QString& text, int buttons, const QString&) override {
    writeLine(stdout, text);
    switch (buttons & 0xF) {
      case script::MsgBoxCode::YesNo:
      case script::MsgBoxCode::YesNoCancel:
        return script::MsgBoxCode::AnswerYes;
      default:
        return script::MsgBoxCode::AnswerOk;
    }
  }
  // The program's own boxes ("Объект не существует!") are not output of the module.
  void showProgramMessage(const QString& text) override { writeLine(stderr, text); }
  void setStatus(const QString& text) override { writeLine(stderr, text); }
  void openChoiceWindow(const QString& kind, const QString& name) override {
    throw script::ScriptError::custom(
        script::ErrorCode::CannotCreateObject,
        QStringLiteral("Форма «%1.%2» для выбора не открывается: модуль выполняется без окон.")
            .arg(kind, name));
  }
  void startProgram(const QString& commandLine) override {
    QStringList parts = QProcess::splitCommand(commandLine);
    if (parts.isEmpty() || !QProcess::startDetached(parts.takeFirst(), parts))
      throw script::ScriptError(script::ErrorCode::FileNotFound, commandLine);
  }
};

}  // namespace balvix::app
