#include "configurator/module_debugger.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QShortcut>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

#include "config/global_module.h"
#include "configurator/module_text_edit.h"
#include "script/engine.h"
#include "script/script_error.h"
#include "script/translator.h"
#include "shell/app_state.h"

namespace balvix::configurator {

namespace {

// The debuggers alive, the newest last: it is the installed one, and when it goes the one
// made before it comes back, whatever order they go in.
std::vector<ModuleDebugger*>& debuggers() {
  static std::vector<ModuleDebugger*> alive;
  return alive;
}

QSettings debuggerSettings() {
  return QSettings(QStringLiteral("Balvix"), QStringLiteral("Balvix"));
}

// The settings key of a database file's breakpoints: a file path is no key name.
QString databaseKey(const QString& path) {
  return QStringLiteral("Отладка/") +
         QString::fromLatin1(
             QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Md5).toHex());
}

void addVariable(QTreeWidgetItem* parent, const script::DebugVariable& v) {
  auto* item = new QTreeWidgetItem(parent, {v.name, v.value, v.type});
  for (const script::DebugVariable& child : v.children) addVariable(item, child);
}

}  // namespace

ModuleDebugger::ModuleDebugger(shell::AppState& state, QObject* parent)
    : QObject(parent), m_state(state) {
  debuggers().push_back(this);
  script::installDebugHook(this);
}

ModuleDebugger::~ModuleDebugger() {
  if (m_loop) m_loop->quit();
  std::erase(debuggers(), this);
  script::installDebugHook(instance());
  delete m_window;
}

ModuleDebugger* ModuleDebugger::instance() {
  return debuggers().empty() ? nullptr : debuggers().back();
}

QString ModuleDebugger::moduleName(const QString& type, const QString& name) {
  if (type == config::kGlobalModuleName) return type;
  return type + QLatin1Char('.') + name;
}

void ModuleDebugger::ensureLoaded() {
  const QString path = m_state.db ? m_state.db->path() : QString();
  if (path == m_loadedFor) return;
  m_loadedFor = path;
  m_breakpoints.clear();
  QSettings settings = debuggerSettings();
  const QStringList entries = settings.value(databaseKey(path)).toStringList();
  for (const QString& entry : entries) {
    const qsizetype colon = entry.lastIndexOf(u':');
    bool ok = false;
    const int line = entry.mid(colon + 1).toInt(&ok);
    if (colon > 0 && ok && line > 0) m_breakpoints[entry.left(colon)].insert(line);
  }
  updateArmed();
}

void ModuleDebugger::store() {
  QStringList entries;
  for (auto it = m_breakpoints.constBegin(); it != m_breakpoints.constEnd(); ++it)
    for (const int line : it.value()) entries << it.key() + u':' + QString::number(line);
  entries.sort();
  QSettings settings = debuggerSettings();
  if (entries.isEmpty())
    settings.remove(databaseKey(m_loadedFor));
  else
    settings.setValue(databaseKey(m_loadedFor), entries);
}

QList<int> ModuleDebugger::breakpoints(const QString& module) {
  ensureLoaded();
  QList<int> lines = m_breakpoints.value(module).values();
  std::sort(lines.begin(), lines.end());
  return lines;
}

void ModuleDebugger::setBreakpoints(const QString& module, const QList<int>& lines) {
  ensureLoaded();
  const QSet<int> wanted(lines.begin(), lines.end());
  if (wanted == m_breakpoints.value(module)) return;
  if (wanted.isEmpty())
    m_breakpoints.remove(module);
  else
    m_breakpoints.insert(module, wanted);
  store();
  updateArmed();
  emit breakpointsChanged(module);
}

void ModuleDebugger::updateArmed() {
  bool any = false;
  for (const QSet<int>& lines : std::as_const(m_breakpoints)) any = any || !lines.isEmpty();
  setArmed(any || m_mode != Mode::Run);
}

bool ModuleDebugger::wantsStop(script::Engine& engine, const QString& module, int line, int depth) {
  switch (m_mode) {
    case Mode::Into:
      return true;
    case Mode::Over:
      if (&engine == m_stepEngine && depth <= m_stepDepth) return true;
      break;
    case Mode::Out:
      if (&engine == m_stepEngine && depth < m_stepDepth) return true;
      break;
    case Mode::Run:
      break;
  }
  const auto found = m_breakpoints.constFind(module);
  return found != m_breakpoints.constEnd() && found->contains(line);
}

void ModuleDebugger::atStatement(script::Engine& engine, const QString& module, int line,
                                 int depth) {
  // A module run while another one stands here (a timer's) is not stopped: one stop at a time.
  if (m_loop) return;
  ensureLoaded();
  if (!wantsStop(engine, module, line, depth)) return;

  if (!m_window) m_window = new frmDebug(*this);
  if (!m_window->isVisible()) m_focusBefore = QApplication::focusWidget();
  m_window->showStop(engine, module, line, m_state.db && m_state.db->inTransaction());
  m_window->show();
  m_window->raise();
  m_window->activateWindow();
  m_window->text()->setFocus();

  QEventLoop loop;
  m_loop = &loop;
  m_resumed = false;
  m_action = Action::Continue;
  emit stopped(module, line);
  loop.exec();
  m_loop = nullptr;
  if (m_window) m_window->leaveStop();

  switch (m_action) {
    case Action::Continue:
    case Action::Stop:
      m_mode = Mode::Run;
      break;
    case Action::StepInto:
      m_mode = Mode::Into;
      break;
    case Action::StepOver:
      m_mode = Mode::Over;
      break;
    case Action::StepOut:
      m_mode = Mode::Out;
      break;
  }
  m_stepEngine = &engine;
  m_stepDepth = depth;
  updateArmed();
  if (m_mode == Mode::Run) finishStepping();
  // An interruption is not caught by On Error Resume Next: the run ends here, and a
  // posting under way is rolled back.
  if (m_action == Action::Stop) throw script::ScriptError(script::ErrorCode::Interrupted);
}

void ModuleDebugger::runEnded(script::Engine& engine) {
  if (m_loop || m_mode == Mode::Run || &engine != m_stepEngine) return;
  m_mode = Mode::Run;
  updateArmed();
  finishStepping();
}

void ModuleDebugger::finishStepping() {
  m_stepEngine = nullptr;
  if (m_window && m_window->isVisible()) m_window->hide();
  // The focus goes back to the field that had it when the module stopped.
  if (m_focusBefore) {
    if (QWidget* window = m_focusBefore->window()) window->activateWindow();
    m_focusBefore->setFocus();
  }
  m_focusBefore = nullptr;
}

void ModuleDebugger::resume(Action action) {
  if (!isStopped()) return;
  m_action = action;
  m_resumed = true;
  m_loop->quit();
}

frmDebug::frmDebug(ModuleDebugger& debugger) : m_debugger(debugger) {
  setObjectName(QStringLiteral("frmDebug"));
  setWindowTitle(QStringLiteral("Отладчик"));
  setAccessibleName(QStringLiteral("Отладчик"));
  // Every other window of the program waits while a module stands here.
  setWindowModality(Qt::ApplicationModal);
  resize(900, 640);

  auto* buttons = new QHBoxLayout;
  using Action = ModuleDebugger::Action;
  buttons->addWidget(
      addButton(QStringLiteral("Продолжить"), QKeySequence(Qt::Key_F5), Action::Continue));
  buttons->addWidget(
      addButton(QStringLiteral("Шаг с заходом"), QKeySequence(Qt::Key_F11), Action::StepInto));
  buttons->addWidget(
      addButton(QStringLiteral("Шаг с обходом"), QKeySequence(Qt::Key_F10), Action::StepOver));
  buttons->addWidget(addButton(QStringLiteral("Шаг с выходом"),
                               QKeySequence(Qt::SHIFT | Qt::Key_F11), Action::StepOut));
  buttons->addWidget(
      addButton(QStringLiteral("Остановить"), QKeySequence(Qt::SHIFT | Qt::Key_F5), Action::Stop));
  buttons->addStretch(1);

  m_status = new QLabel(this);
  m_status->setObjectName(QStringLiteral("Status"));
  m_transaction = new QLabel(this);
  m_transaction->setObjectName(QStringLiteral("Transaction"));
  m_transaction->setWordWrap(true);
  m_transaction->setStyleSheet(QStringLiteral("color: #a00000"));

  m_text = new ModuleTextEdit(this);
  m_text->setObjectName(QStringLiteral("Text"));
  m_text->setAccessibleName(QStringLiteral("Текст модуля"));
  m_text->setReadOnly(true);
  m_text->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
  m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
  connect(m_text, &ModuleTextEdit::breakpointsChanged, this, [this] {
    if (!m_filling && !m_module.isEmpty())
      m_debugger.setBreakpoints(m_module, m_text->breakpointLines());
  });
  connect(&m_debugger, &ModuleDebugger::breakpointsChanged, this, [this](const QString& module) {
    if (module != m_module) return;
    m_filling = true;
    m_text->setBreakpointLines(m_debugger.breakpoints(module));
    m_filling = false;
  });

  m_variables = new QTreeWidget(this);
  m_variables->setObjectName(QStringLiteral("Variables"));
  m_variables->setAccessibleName(QStringLiteral("Переменные"));
  m_variables->setHeaderLabels(
      {QStringLiteral("Имя"), QStringLiteral("Значение"), QStringLiteral("Тип")});
  m_variables->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  m_variables->header()->setStretchLastSection(false);
  m_variables->header()->setSectionResizeMode(1, QHeaderView::Stretch);

  m_stack = new QListWidget(this);
  m_stack->setObjectName(QStringLiteral("Stack"));
  m_stack->setAccessibleName(QStringLiteral("Стек вызовов"));
  connect(m_stack, &QListWidget::currentRowChanged, this, &frmDebug::showFrame);

  auto* variablesBox = new QWidget(this);
  auto* variablesLayout = new QVBoxLayout(variablesBox);
  variablesLayout->setContentsMargins(0, 0, 0, 0);
  auto* variablesLabel = new QLabel(QStringLiteral("Переменные:"), variablesBox);
  variablesLabel->setBuddy(m_variables);
  variablesLayout->addWidget(variablesLabel);
  variablesLayout->addWidget(m_variables);
  auto* stackBox = new QWidget(this);
  auto* stackLayout = new QVBoxLayout(stackBox);
  stackLayout->setContentsMargins(0, 0, 0, 0);
  auto* stackLabel = new QLabel(QStringLiteral("Стек вызовов:"), stackBox);
  stackLabel->setBuddy(m_stack);
  stackLayout->addWidget(stackLabel);
  stackLayout->addWidget(m_stack);

  auto* lower = new QSplitter(Qt::Horizontal, this);
  lower->addWidget(variablesBox);
  lower->addWidget(stackBox);
  lower->setStretchFactor(0, 3);
  lower->setStretchFactor(1, 2);
  auto* split = new QSplitter(Qt::Vertical, this);
  split->addWidget(m_text);
  split->addWidget(lower);
  split->setStretchFactor(0, 3);
  split->setStretchFactor(1, 2);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(buttons);
  layout->addWidget(m_status);
  layout->addWidget(m_transaction);
  layout->addWidget(split, 1);
}

QPushButton* frmDebug::addButton(const QString& text, const QKeySequence& key,
                                 ModuleDebugger::Action action) {
  auto* button = new QPushButton(text, this);
  button->setAccessibleName(text);
  button->setToolTip(text + QStringLiteral(" (") + key.toString(QKeySequence::NativeText) + u')');
  button->setAutoDefault(false);
  connect(button, &QPushButton::clicked, this, [this, action] { m_debugger.resume(action); });
  auto* shortcut = new QShortcut(key, this);
  connect(shortcut, &QShortcut::activated, this, [this, action] { m_debugger.resume(action); });
  m_buttons << button;
  return button;
}

void frmDebug::showStop(script::Engine& engine, const QString& module, int line,
                        bool inTransaction) {
  m_engine = &engine;
  m_frames = engine.debugStack();
  for (QPushButton* button : std::as_const(m_buttons)) button->setEnabled(true);
  m_transaction->setText(inTransaction
                             ? QStringLiteral("Идет запись документа: пока модуль остановлен, его "
                                              "транзакция открыта, и другие пользователи не могут "
                                              "записывать в базу данных. Продолжите или остановите "
                                              "выполнение, чтобы ее завершить.")
                             : QString());
  m_transaction->setVisible(inTransaction);
  m_filling = true;
  m_stack->clear();
  for (const script::DebugFrameInfo& f : m_frames) {
    // The module level stands at no line when the program called a procedure itself.
    const QString where =
        f.line > 0 ? QStringLiteral("%1, строка %2").arg(f.module).arg(f.line) : f.module;
    m_stack->addItem(f.procedure.isEmpty() ? QStringLiteral("(модуль) ") + where
                                           : f.procedure + QStringLiteral(" — ") + where);
  }
  m_filling = false;
  // The innermost call is the one standing at the statement.
  if (m_frames.empty()) m_frames.push_back({QString(), module, line});
  m_frames.front().module = module;
  m_frames.front().line = line;
  if (m_stack->count() > 0)
    m_stack->setCurrentRow(0);
  else
    showFrame(0);
  const QString procedure = m_frames.front().procedure;
  m_status->setText(procedure.isEmpty()
                        ? QStringLiteral("Остановлено: %1, строка %2").arg(module).arg(line)
                        : QStringLiteral("Остановлено: %1, строка %2, процедура %3")
                              .arg(module)
                              .arg(line)
                              .arg(procedure));
  setWindowTitle(QStringLiteral("Отладчик — ") + module);
}

void frmDebug::showFrame(int index) {
  if (m_filling || !m_engine || index < 0 || static_cast<std::size_t>(index) >= m_frames.size())
    return;
  const script::DebugFrameInfo& frame = m_frames[static_cast<std::size_t>(index)];
  if (frame.module != m_module) {
    m_module = frame.module;
    m_filling = true;
    m_text->setPlainText(script::ERRE().EngToRus(m_engine->moduleText(m_module)));
    m_text->setBreakpointLines(m_debugger.breakpoints(m_module));
    m_filling = false;
  }
  m_text->markExecutionLine(frame.line);

  m_variables->clear();
  const int moduleLevel = static_cast<int>(m_frames.size()) - 1;
  if (index < moduleLevel) {
    auto* locals = new QTreeWidgetItem(m_variables, {QStringLiteral("Локальные")});
    for (const script::DebugVariable& v : m_engine->debugVariables(index)) addVariable(locals, v);
    locals->setExpanded(true);
  }
  auto* globals = new QTreeWidgetItem(m_variables, {QStringLiteral("Переменные модуля")});
  for (const script::DebugVariable& v : m_engine->debugVariables(moduleLevel))
    addVariable(globals, v);
  globals->setExpanded(index == moduleLevel);
}

void frmDebug::leaveStop() {
  m_engine = nullptr;
  m_text->markExecutionLine(0);
  m_variables->clear();
  for (QPushButton* button : std::as_const(m_buttons)) button->setEnabled(false);
}

void frmDebug::reject() {
  // Closing the window lets the module go on as «Продолжить» does.
  if (m_debugger.isStopped())
    m_debugger.resume(ModuleDebugger::Action::Continue);
  else
    QDialog::reject();
}

}  // namespace balvix::configurator
