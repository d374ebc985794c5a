#include "shell/database_watch.h"

#include "shell/app_state.h"
#include "storage/data_version.h"

namespace balvix::shell {

DatabaseWatch::DatabaseWatch(AppState& state, QObject* parent) : QObject(parent), m_state(state) {
  m_timer.setInterval(kIntervalMs);
  connect(&m_timer, &QTimer::timeout, this, &DatabaseWatch::poll);
  m_timer.start();
}

void DatabaseWatch::poll() {
  storage::Session* db = m_state.db;
  QString users;
  if (db) {
    if (storage::ObjectLocks* locks = m_state.objectLocks()) {
      QStringList names{m_state.userName};
      names << locks->otherUsers();
      users = QStringLiteral("Пользователи: ") + names.join(QStringLiteral(", "));
    }
    try {
      const qint64 version = storage::dataVersion(*db);
      const bool sameDatabase = db == m_session && db->path() == m_path;
      if (!sameDatabase) {
        m_session = db;
        m_path = db->path();
        m_version = version;
      } else if (version >= 0) {
        const bool changed = m_version >= 0 && version != m_version;
        m_version = version;
        if (changed) m_state.events.announceChangedElsewhere();
      }
    } catch (const storage::DbError&) {
      // A database that cannot be read now is looked at again next time.
    }
  } else {
    m_session = nullptr;
  }
  if (users != m_users) {
    m_users = users;
    emit usersChanged(users);
  }
}

}  // namespace balvix::shell
