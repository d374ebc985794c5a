#pragma once

#include <QDialog>
#include <QHash>
#include <QList>
#include <QPointer>
#include <QSet>
#include <QString>

#include "script/debug_hook.h"

class QEventLoop;
class QLabel;
class QListWidget;
class QPushButton;
class QTreeWidget;

namespace balvix::shell {
struct AppState;
}

namespace balvix::configurator {

class ModuleTextEdit;
class frmDebug;

// The program's debugger. It keeps the breakpoints of every module (in the settings, per
// database file, never in the module text) and, when a module run from any window reaches
// one, stops it there: the debugger's window shows the module at that line with the
// variables and the calls under way, and the program's other windows wait until the user
// goes on. The module's own work waits with it — a posting stopped here keeps its
// transaction open, so others cannot write to the database meanwhile.
class ModuleDebugger : public QObject, public script::DebugHook {
  Q_OBJECT

 public:
  // Installs itself as the debugger of every engine made from now on; when it goes, the one
  // installed before it comes back.
  explicit ModuleDebugger(shell::AppState& state, QObject* parent = nullptr);
  ~ModuleDebugger() override;

  // The debugger installed, if any.
  static ModuleDebugger* instance();
  // The name a module runs under, from the editor's object type and name:
  // "Документ.Приход", "Глобальный модуль", "ПечатнаяФорма.Приход.Накладная".
  static QString moduleName(const QString& type, const QString& name);

  QList<int> breakpoints(const QString& module);
  void setBreakpoints(const QString& module, const QList<int>& lines);

  enum class Action { Continue, StepInto, StepOver, StepOut, Stop };
  // While stopped: how the module goes on.
  void resume(Action action);
  bool isStopped() const { return m_loop != nullptr && !m_resumed; }
  // The debugger's window; null until the first stop.
  frmDebug* window() const { return m_window; }

  void atStatement(script::Engine& engine, const QString& module, int line, int depth) override;
  void runEnded(script::Engine& engine) override;

 signals:
  // Emitted when a module has stopped and the window shows it, before the wait begins.
  void stopped(const QString& module, int line);
  void breakpointsChanged(const QString& module);

 private:
  enum class Mode { Run, Into, Over, Out };
  void ensureLoaded();
  void store();
  void updateArmed();
  bool wantsStop(script::Engine& engine, const QString& module, int line, int depth);
  void finishStepping();

  shell::AppState& m_state;
  QString m_loadedFor;  // the database file the breakpoints were read for
  QHash<QString, QSet<int>> m_breakpoints;
  Mode m_mode = Mode::Run;
  int m_stepDepth = 0;
  script::Engine* m_stepEngine = nullptr;
  QEventLoop* m_loop = nullptr;
  bool m_resumed = false;  // the user chose how to go on; the wait ends
  Action m_action = Action::Continue;
  QPointer<frmDebug> m_window;
  QPointer<QWidget> m_focusBefore;
};

// The debugger's window: the module's text at the line it stands at (breakpoints are set
// and cleared in its margin too), the buttons and keys to go on (F5 Продолжить,
// F11 Шаг с заходом, F10 Шаг с обходом, Shift+F11 Шаг с выходом, Shift+F5 Остановить),
// the variables of the chosen call and the calls under way.
class frmDebug : public QDialog {
  Q_OBJECT

 public:
  explicit frmDebug(ModuleDebugger& debugger);

  // Fills the window from the engine stopped at a statement.
  void showStop(script::Engine& engine, const QString& module, int line, bool inTransaction);
  // The run went on: nothing of it can be read any more.
  void leaveStop();

  ModuleTextEdit* text() const { return m_text; }
  QTreeWidget* variables() const { return m_variables; }
  QListWidget* stack() const { return m_stack; }
  QLabel* status() const { return m_status; }
  QString shownModule() const { return m_module; }

 protected:
  void reject() override;

 private:
  void showFrame(int index);
  QPushButton* addButton(const QString& text, const QKeySequence& key, ModuleDebugger::Action a);

  ModuleDebugger& m_debugger;
  script::Engine* m_engine = nullptr;
  std::vector<script::DebugFrameInfo> m_frames;
  QString m_module;  // the module whose text is shown
  bool m_filling = false;

  QLabel* m_status = nullptr;
  QLabel* m_transaction = nullptr;
  ModuleTextEdit* m_text = nullptr;
  QTreeWidget* m_variables = nullptr;
  QListWidget* m_stack = nullptr;
  QList<QPushButton*> m_buttons;
};

}  // namespace balvix::configurator
