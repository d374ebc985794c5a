#include "shell/gui_host.h"

#include <QCoreApplication>
#include <QKeyEvent>

#include "script/script_error.h"
#include "shell/app_state.h"
#include "shell/external_tools.h"
#include "shell/frm_main.h"
#include "shell/message_box.h"
#include "shell/window_interfaces.h"

namespace balvix::shell {

namespace {

using namespace script::MsgBoxCode;

MsgButtons buttonsOf(int code) {
  switch (code & 0xF) {
    case OkCancel:
      return MsgButtons::OkCancel;
    case YesNoCancel:
      return MsgButtons::YesNoCancel;
    case YesNo:
      return MsgButtons::YesNo;
    default:
      return MsgButtons::Ok;
  }
}

MsgIcon iconOf(int code) {
  switch (code & 0x70) {
    case 16:
      return MsgIcon::Critical;
    case 32:
      return MsgIcon::Question;
    case 48:
      return MsgIcon::Warning;
    case 64:
      return MsgIcon::Information;
    default:
      return MsgIcon::None;
  }
}

int answerCode(MsgAnswer answer) {
  switch (answer) {
    case MsgAnswer::Ok:
      return AnswerOk;
    case MsgAnswer::Cancel:
      return AnswerCancel;
    case MsgAnswer::Yes:
      return AnswerYes;
    case MsgAnswer::No:
      return AnswerNo;
  }
  return AnswerOk;
}

bool isUserInput(QEvent::Type type) {
  switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::ContextMenu:
      return true;
    default:
      return false;
  }
}

}  // namespace

GuiHost::GuiHost(AppState& state, QObject* parent) : QObject(parent), m_state(state) {
  m_sincePump.start();
}

GuiHost::~GuiHost() {
  if (m_state.host == this) m_state.host = nullptr;
}

int GuiHost::showMessage(const QString& text, int buttons, const QString& title) {
  if (int answer = 0; keepWhileHeld(text, buttons, title, answer)) return answer;
  return answerCode(MessageBoxes::show(text, buttonsOf(buttons), title, iconOf(buttons)));
}

void GuiHost::setStatus(const QString& text) {
  if (m_state.mainWindow) m_state.mainWindow->setStatusText(text);
}

void GuiHost::processEvents() {
  pumpEvents();
}

void GuiHost::keepResponsive() {
  if (m_sincePump.elapsed() < kResponsiveIntervalMs) return;
  pumpEvents();
}

void GuiHost::startProgram(const QString& commandLine) {
  if (!startDetached(commandLine))
    throw script::ScriptError(script::ErrorCode::FileNotFound, commandLine);
}

std::optional<QDate> GuiHost::documentWindowDate() {
  if (auto* window = dynamic_cast<DocumentWindowInterface*>(m_state.documentWindow.data()))
    return window->documentDate();
  return std::nullopt;
}

bool GuiHost::isInterruptKey(int key, Qt::KeyboardModifiers modifiers) {
  if (key == Qt::Key_Escape) return true;
  // Ctrl+Break arrives as Pause with Ctrl on most keyboards, or as Cancel.
  return (modifiers & Qt::ControlModifier) && (key == Qt::Key_Pause || key == Qt::Key_Cancel);
}

void GuiHost::pumpEvents() {
  // The filter is in place only while this host pumps, that is while a module runs.
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) return;
  if (m_pumping++ == 0) app->installEventFilter(this);
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  if (--m_pumping == 0) app->removeEventFilter(this);
  m_sincePump.restart();
}

bool GuiHost::eventFilter(QObject* watched, QEvent* event) {
  if (m_pumping == 0 || !isUserInput(event->type())) return QObject::eventFilter(watched, event);
  if (event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (isInterruptKey(key->key(), key->modifiers())) requestInterrupt();
  }
  return true;
}

}  // namespace balvix::shell
