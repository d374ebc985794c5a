#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include "script/objects/program_host.h"

namespace balvix::shell {

struct AppState;

// The script host of the running program: a module's messages go through the message
// box facade, its status text to the main window's status line, its programs are started
// detached. While a module runs, the windows keep repainting, and Esc or Ctrl+Break
// interrupts it; other keys and clicks made meanwhile are dropped, so no handler (and no
// second module) runs in the middle of the first.
//
// The application state owns the one instance; every engine the program makes gets it.
// New host services are added as overrides here, with the state at hand.
class GuiHost : public QObject, public script::ProgramHost {
  Q_OBJECT

 public:
  explicit GuiHost(AppState& state, QObject* parent = nullptr);
  ~GuiHost() override;

  int showMessage(const QString& text, int buttons, const QString& title) override;
  void setStatus(const QString& text) override;
  void processEvents() override;
  void keepResponsive() override;
  void startProgram(const QString& commandLine) override;
  // The date of the document window in DocumentWindow.
  std::optional<QDate> documentWindowDate() override;

  // True for the keys that interrupt a running module: Esc, Ctrl+Break (Ctrl+Pause).
  static bool isInterruptKey(int key, Qt::KeyboardModifiers modifiers);

  // How often keepResponsive lets events run at most.
  static constexpr int kResponsiveIntervalMs = 50;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  AppState& state() { return m_state; }

 private:
  void pumpEvents();

  AppState& m_state;
  QElapsedTimer m_sincePump;
  int m_pumping = 0;
};

}  // namespace balvix::shell
