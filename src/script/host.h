#pragma once

#include <QString>
#include <atomic>
#include <vector>

#include "script/script_error.h"

namespace balvix::script {

// Answers and button sets of MsgBox, numbered as the language numbers them.
namespace MsgBoxCode {
constexpr int OkOnly = 0;
constexpr int OkCancel = 1;
constexpr int YesNoCancel = 3;
constexpr int YesNo = 4;
constexpr int AnswerOk = 1;
constexpr int AnswerCancel = 2;
constexpr int AnswerYes = 6;
constexpr int AnswerNo = 7;
}  // namespace MsgBoxCode

// What a running module needs from the program around it. The windows implement it
// with real dialogs, the headless runner on stdout/stderr, tests with a recorder. What only
// the script objects need (the document window, choice lists) is the program's host,
// script::ProgramHost beside those objects.
class Host {
 public:
  virtual ~Host() = default;

  // A modal message. `buttons` is the MsgBox button code (0 = OK only, 1 = OK/Cancel,
  // 3 = Yes/No/Cancel, 4 = Yes/No; icon bits above 15 may be set); the answer is a
  // MsgBox answer code (1 = OK, 2 = Cancel, 6 = Yes, 7 = No). An empty title means the
  // program's default title.
  virtual int showMessage(const QString& text, int buttons, const QString& title) = 0;

  // The text of the status line ("Состояние: " is already prepended by the caller when
  // the caller wants it).
  virtual void setStatus(const QString& text) = 0;

  // Lets pending window events run (so the status line repaints during long work).
  virtual void processEvents() {}

  // Called by the interpreter every few thousand loop passes and procedure calls of a
  // running module: a host with windows lets them repaint and notices the keys that
  // interrupt a module. It must not start another module.
  virtual void keepResponsive() {}

  // Starts a program with a normal, focused window and returns at once. Throws
  // ScriptError when it cannot be started.
  virtual void startProgram(const QString& commandLine) = 0;

  // A message of the program itself rather than one the module composed ("Объект не
  // существует!", a refused movement): OK only, the program's default title. The headless
  // runner writes these to stderr, apart from the module's own output.
  virtual void showProgramMessage(const QString& text) {
    showMessage(text, MsgBoxCode::OkOnly, QString());
  }

  // Asks a running module to stop: the interpreter checks the flag in every loop pass
  // and call and ends the module with the error "Выполнение прервано" (not catchable by
  // On Error Resume Next). Safe to call from another thread or a timer.
  void requestInterrupt() { m_interrupt.store(true, std::memory_order_relaxed); }
  void clearInterrupt() { m_interrupt.store(false, std::memory_order_relaxed); }
  bool interruptRequested() const { return m_interrupt.load(std::memory_order_relaxed); }
  const std::atomic<bool>& interruptFlag() const { return m_interrupt; }

  // Held while a posting's transaction is open: a box would keep the write lock while the
  // user reads it. The boxes asked for meanwhile are shown when the last hold ends, after
  // the commit or the rollback; a question is answered as the runner without windows
  // answers it (OK, Yes).
  class MessageHold {
   public:
    explicit MessageHold(Host& host) : m_host(host) { ++m_host.m_holds; }
    ~MessageHold();
    MessageHold(const MessageHold&) = delete;
    MessageHold& operator=(const MessageHold&) = delete;

   private:
    Host& m_host;
  };
  // The boxes held so far, and dropping those held after the first `count`: an attempt at a
  // posting that is retried takes back what its module asked to show.
  std::size_t heldCount() const { return m_held.size(); }
  void dropHeldAfter(std::size_t count) {
    if (count < m_held.size()) m_held.resize(count);
  }

 protected:
  // For implementations whose boxes wait on the user: while held, keeps the box for later
  // and gives its answer in `answer`; false when the box is to be shown now.
  bool keepWhileHeld(const QString& text, int buttons, const QString& title, int& answer);

 private:
  struct HeldMessage {
    QString text;
    int icon;  // the icon bits of the box, its buttons dropped
    QString title;
  };
  std::atomic<bool> m_interrupt{false};
  int m_holds = 0;
  std::vector<HeldMessage> m_held;
};

inline bool Host::keepWhileHeld(const QString& text, int buttons, const QString& title,
                                int& answer) {
  if (m_holds == 0) return false;
  m_held.push_back({text, buttons & ~0xF, title});
  const int set = buttons & 0xF;
  answer = set == MsgBoxCode::YesNo || set == MsgBoxCode::YesNoCancel ? MsgBoxCode::AnswerYes
                                                                      : MsgBoxCode::AnswerOk;
  return true;
}

inline Host::MessageHold::~MessageHold() {
  if (--m_host.m_holds > 0) return;
  std::vector<HeldMessage> held;
  held.swap(m_host.m_held);
  for (const HeldMessage& m : held) m_host.showMessage(m.text, m.icon, m.title);
}

}  // namespace balvix::script
