#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

namespace balvix::storage {
class Session;
}

namespace balvix::shell {

struct AppState;

// Looks at the open database every few seconds: who works with it («Пользователи: ivan, petr»),
// and whether another program wrote to it, which is announced as a change made elsewhere so
// that journals, lists and open documents read what they show again.
class DatabaseWatch : public QObject {
  Q_OBJECT

 public:
  static constexpr int kIntervalMs = 2000;

  DatabaseWatch(AppState& state, QObject* parent = nullptr);

  // One look now; the timer calls it.
  void poll();
  const QString& usersText() const { return m_users; }

 signals:
  void usersChanged(const QString& text);

 private:
  AppState& m_state;
  QTimer m_timer;
  const storage::Session* m_session = nullptr;
  QString m_path;
  qint64 m_version = -1;
  QString m_users;
};

}  // namespace balvix::shell
