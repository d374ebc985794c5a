#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class QWidget;

namespace balvix::shell {

enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgAnswer { Ok, Cancel, Yes, No };
enum class MsgIcon { None, Information, Warning, Critical, Question };

struct Message {
  QString text;
  QString title;  // the title actually shown
  MsgButtons buttons = MsgButtons::Ok;
  MsgIcon icon = MsgIcon::None;
  QStringList captions;  // the buttons' own texts, in the order of `buttons`; empty: standard
};

// Every message of the program goes through here. In the program it shows a modal
// box; tests install a responder that records the messages and answers them, so no
// test ever waits for a real dialog.
class MessageBoxes {
 public:
  static inline const QString kDefaultTitle = QStringLiteral("Balvix");

  static MsgAnswer show(const QString& text, MsgButtons buttons = MsgButtons::Ok,
                        const QString& title = QString(), MsgIcon icon = MsgIcon::None);
  static MsgAnswer ask(const QString& text, const QString& title = QString()) {
    return show(text, MsgButtons::YesNo, title);
  }

  // A choice among buttons with texts of their own (two or three): Yes is the first, No the
  // second, Cancel the third; Escape and Enter answer the last, which must be the harmless one.
  static MsgAnswer choose(const QString& text, const QStringList& captions,
                          const QString& title = QString(), MsgIcon icon = MsgIcon::Question);

  using Responder = std::function<MsgAnswer(const Message&)>;
  // Replaces the real dialog; an empty responder restores it.
  static void setResponder(Responder responder);
  static bool hasResponder();
};

// For tests: records every message and answers from a queue of replies (Yes, No, ...);
// when the queue is empty a question is answered with its default (Ok or Yes).
class MessageRecorder {
 public:
  MessageRecorder();
  ~MessageRecorder();
  void reply(MsgAnswer answer) { m_replies.push_back(answer); }
  const std::vector<Message>& messages() const { return m_messages; }
  QStringList texts() const;
  QString last() const { return m_messages.empty() ? QString() : m_messages.back().text; }
  void clear() { m_messages.clear(); }

 private:
  std::vector<Message> m_messages;
  std::vector<MsgAnswer> m_replies;
};

}  // namespace balvix::shell
