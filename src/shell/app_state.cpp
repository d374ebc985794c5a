#include "shell/app_state.h"

#include "shell/frm_main.h"
#include "shell/twips.h"

#include <QMdiArea>
#include <QMdiSubWindow>

namespace balvix::shell {

void CenterForm(AppState& state, QWidget* window) {
  if (!state.mainWindow || !window) return;
  // Computed in twips as single-precision values, as the stored layouts expect.
  const QSize client = state.mainWindow->clientSizeTwips();
  const float width = static_cast<float>(pixelsToTwips(window->width()));
  const float height = static_cast<float>(pixelsToTwips(window->height()));
  const float left = (static_cast<float>(client.width()) - width) / 2.0f;
  const float top = (static_cast<float>(client.height()) - height) / 2.0f;
  QPoint origin(twipsToPixels(left), twipsToPixels(top));
  // A child window is moved by its frame inside the multiple-document area.
  QWidget* target = window;
  if (auto* frame = qobject_cast<QMdiSubWindow*>(window->parentWidget())) target = frame;
  else if (window->isWindow()) origin = state.mainWindow->mdiArea()->mapToGlobal(origin);
  target->move(origin);
}

}  // namespace balvix::shell
