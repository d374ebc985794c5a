#include "shell/message_box.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace balvix::shell {

namespace {

MessageBoxes::Responder& responder() {
  static MessageBoxes::Responder r;
  return r;
}

QMessageBox::StandardButtons standardButtons(MsgButtons buttons) {
  switch (buttons) {
    case MsgButtons::Ok:
      return QMessageBox::Ok;
    case MsgButtons::OkCancel:
      return QMessageBox::Ok | QMessageBox::Cancel;
    case MsgButtons::YesNo:
      return QMessageBox::Yes | QMessageBox::No;
    case MsgButtons::YesNoCancel:
      return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
  }
  return QMessageBox::Ok;
}

QMessageBox::Icon standardIcon(MsgIcon icon) {
  switch (icon) {
    case MsgIcon::None:
      return QMessageBox::NoIcon;
    case MsgIcon::Information:
      return QMessageBox::Information;
    case MsgIcon::Warning:
      return QMessageBox::Warning;
    case MsgIcon::Critical:
      return QMessageBox::Critical;
    case MsgIcon::Question:
      return QMessageBox::Question;
  }
  return QMessageBox::NoIcon;
}

MsgAnswer defaultAnswer(MsgButtons buttons) {
  return buttons == MsgButtons::Ok || buttons == MsgButtons::OkCancel ? MsgAnswer::Ok
                                                                      : MsgAnswer::Yes;
}

}  // namespace

MsgAnswer MessageBoxes::show(const QString& text, MsgButtons buttons, const QString& title,
                             MsgIcon icon) {
  Message message{text, title.isEmpty() ? kDefaultTitle : title, buttons, icon, {}};
  if (responder()) return responder()(message);
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return defaultAnswer(buttons);

  QMessageBox box(standardIcon(icon), message.title, text, standardButtons(buttons),
                  QApplication::activeWindow());
  switch (box.exec()) {
    case QMessageBox::Yes:
      return MsgAnswer::Yes;
    case QMessageBox::No:
      return MsgAnswer::No;
    case QMessageBox::Cancel:
      return MsgAnswer::Cancel;
    default:
      // Closing a question with Escape is not a yes.
      return buttons == MsgButtons::YesNo ? MsgAnswer::No : MsgAnswer::Ok;
  }
}

MsgAnswer MessageBoxes::choose(const QString& text, const QStringList& captions,
                               const QString& title, MsgIcon icon) {
  const MsgButtons buttons = captions.size() > 2 ? MsgButtons::YesNoCancel : MsgButtons::YesNo;
  Message message{text, title.isEmpty() ? kDefaultTitle : title, buttons, icon, captions};
  if (responder()) return responder()(message);
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return MsgAnswer::Cancel;
  QMessageBox box(standardIcon(icon), message.title, text, standardButtons(buttons),
                  QApplication::activeWindow());
  const QMessageBox::StandardButton order[] = {QMessageBox::Yes, QMessageBox::No,
                                               QMessageBox::Cancel};
  for (int i = 0; i < captions.size() && i < 3; ++i) {
    QAbstractButton* button = box.button(order[i]);
    button->setText(captions[i]);
    button->setAccessibleName(captions[i]);
  }
  // The last choice is the harmless one: Escape and Enter both take it.
  QAbstractButton* last = box.button(captions.size() > 2 ? QMessageBox::Cancel : QMessageBox::No);
  box.setEscapeButton(last);
  box.setDefaultButton(qobject_cast<QPushButton*>(last));
  switch (box.exec()) {
    case QMessageBox::Yes:
      return MsgAnswer::Yes;
    case QMessageBox::No:
      return MsgAnswer::No;
    default:
      return MsgAnswer::Cancel;
  }
}

void MessageBoxes::setResponder(Responder r) {
  responder() = std::move(r);
}

bool MessageBoxes::hasResponder() {
  return static_cast<bool>(responder());
}

MessageRecorder::MessageRecorder() {
  MessageBoxes::setResponder([this](const Message& message) {
    m_messages.push_back(message);
    if (!m_replies.empty()) {
      MsgAnswer answer = m_replies.front();
      m_replies.erase(m_replies.begin());
      return answer;
    }
    return defaultAnswer(message.buttons);
  });
}

MessageRecorder::~MessageRecorder() {
  MessageBoxes::setResponder({});
}

QStringList MessageRecorder::texts() const {
  QStringList list;
  for (const Message& m : m_messages) list << m.text;
  return list;
}

}  // namespace balvix::shell
