#include "shell/app_state.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>

#include "shell/frm_main.h"
#include "shell/twips.h"

namespace balvix::shell {

storage::ObjectLocks* AppState::objectLocks() {
  if (!db) {
    m_locks.reset();
    m_locksSession = nullptr;
    return nullptr;
  }
  // Another database open: the locks and the presence on the one closed go with it.
  if (!m_locks || m_locksSession != db || m_locksPath != db->path()) {
    m_locks.reset();
    m_locks = storage::objectLocksFor(*db);
    m_locksSession = db;
    m_locksPath = db->path();
    m_locks->registerPresence(userName);
  }
  return m_locks.get();
}

void CenterForm(AppState& state, QWidget* window) {
  if (!state.mainWindow || !window) return;
  // A child window is moved by its frame inside the multiple-document area.
  QWidget* target = window;
  auto* frame = qobject_cast<QMdiSubWindow*>(window->parentWidget());
  if (frame) target = frame;
  // Computed in twips as single-precision values, as the stored layouts expect.
  const QSize client = state.mainWindow->clientSizeTwips();
  const float width = static_cast<float>(pixelsToTwips(target->width()));
  const float height = static_cast<float>(pixelsToTwips(target->height()));
  const float left = (static_cast<float>(client.width()) - width) / 2.0f;
  const float top = (static_cast<float>(client.height()) - height) / 2.0f;
  QPoint origin(twipsToPixels(left), twipsToPixels(top));
  // A window larger than the area keeps its top left corner in view instead of going
  // to a negative position, where its title and first column would be cut off.
  if (frame) {
    origin = QPoint(qMax(0, origin.x()), qMax(0, origin.y()));
  } else if (window->isWindow()) {
    origin = state.mainWindow->mdiArea()->mapToGlobal(origin);
    QScreen* screen = state.mainWindow->screen();
    if (screen) {
      const QRect room = screen->availableGeometry();
      const QSize outer = window->frameGeometry().size();
      origin.setX(qMax(room.left(), qMin(origin.x(), room.right() + 1 - outer.width())));
      origin.setY(qMax(room.top(), qMin(origin.y(), room.bottom() + 1 - outer.height())));
    }
  }
  target->move(origin);
}

}  // namespace balvix::shell
