#include "runtime/form_host.h"

#include <QApplication>
#include <QKeyEvent>
#include <QProcess>

#include "script/script_error.h"
#include "shell/message_box.h"

namespace balvix::runtime {

class FormHost::KeyWatch : public QObject {
 public:
  explicit KeyWatch(FormHost& host) : m_host(host) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyPress) {
      auto* key = static_cast<QKeyEvent*>(event);
      const bool stop = key->key() == Qt::Key_Escape || key->key() == Qt::Key_Cancel ||
                        (key->key() == Qt::Key_Pause && (key->modifiers() & Qt::ControlModifier));
      if (stop) {
        m_host.requestInterrupt();
        return true;
      }
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  FormHost& m_host;
};

FormHost::FormHost(std::function<void(const QString&)> status) : m_status(std::move(status)) {}

FormHost::~FormHost() {
  delete m_watch;
}

int FormHost::showMessage(const QString& text, int buttons, const QString& title) {
  if (int answer = 0; keepWhileHeld(text, buttons, title, answer)) return answer;
  using shell::MsgAnswer;
  using shell::MsgButtons;
  MsgButtons set = MsgButtons::Ok;
  switch (buttons & 0xF) {
    case script::MsgBoxCode::OkCancel:
      set = MsgButtons::OkCancel;
      break;
    case script::MsgBoxCode::YesNoCancel:
      set = MsgButtons::YesNoCancel;
      break;
    case script::MsgBoxCode::YesNo:
      set = MsgButtons::YesNo;
      break;
    default:
      break;
  }
  switch (shell::MessageBoxes::show(text, set, title)) {
    case MsgAnswer::Cancel:
      return script::MsgBoxCode::AnswerCancel;
    case MsgAnswer::Yes:
      return script::MsgBoxCode::AnswerYes;
    case MsgAnswer::No:
      return script::MsgBoxCode::AnswerNo;
    default:
      return script::MsgBoxCode::AnswerOk;
  }
}

void FormHost::setStatus(const QString& text) {
  if (m_status) m_status(text);
}

void FormHost::processEvents() {
  QCoreApplication::processEvents();
}

void FormHost::startProgram(const QString& commandLine) {
  QStringList parts = QProcess::splitCommand(commandLine);
  if (parts.isEmpty() || !QProcess::startDetached(parts.takeFirst(), parts))
    throw script::ScriptError(script::ErrorCode::FileNotFound, commandLine);
}

FormHost::RunScope::RunScope(FormHost& host) : m_host(host) {
  if (m_host.m_depth++ == 0 && qApp) {
    if (!m_host.m_watch) m_host.m_watch = new KeyWatch(m_host);
    qApp->installEventFilter(m_host.m_watch);
  }
}

FormHost::RunScope::~RunScope() {
  if (--m_host.m_depth == 0 && qApp && m_host.m_watch) qApp->removeEventFilter(m_host.m_watch);
}

}  // namespace balvix::runtime
