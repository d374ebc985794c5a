#include "runtime/runtime_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include "runtime/form_host.h"
#include "script/objects/program_host.h"
#include "shell/frm_main.h"
#include "shell/message_box.h"
#include "shell/twips.h"
#include "shell/window_geometry.h"

namespace balvix::runtime {

namespace {

// Brings the window that holds `field` to the front, in the main window's area or on its own,
// and puts the focus into the field.
void giveFocusBack(QWidget* field) {
  for (QWidget* w = field->parentWidget(); w; w = w->parentWidget())
    if (auto* sub = qobject_cast<QMdiSubWindow*>(w)) {
      if (QMdiArea* area = sub->mdiArea()) area->setActiveSubWindow(sub);
      break;
    }
  field->window()->activateWindow();
  field->setFocus(Qt::OtherFocusReason);
}

}  // namespace

RuntimeWindow::RuntimeWindow(shell::AppState& state, QWidget* parent)
    : QWidget(parent), m_state(state), m_returnFocus(QApplication::focusWidget()) {
  setAttribute(Qt::WA_DeleteOnClose);
}

RuntimeWindow::~RuntimeWindow() = default;

QWidget* RuntimeWindow::frame() const {
  if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) return sub;
  return const_cast<RuntimeWindow*>(this);
}

void RuntimeWindow::setSizeTwips(double width, double height) {
  m_sizeTwips = QSizeF(width, height);
  applyGeometry();
}

void RuntimeWindow::rememberPlaceAs(const QString& object) {
  const QString key = shell::placementKey(
      QString::fromLatin1(metaObject()->className()).section(QLatin1Char(':'), -1), object);
  if (key == m_placeKey) return;
  // A shared window that shows another object now leaves the place of the one before.
  storePlace();
  m_placeKey = key;
  m_normalPlace = QRect();
  applyRememberedPlace();
}

bool RuntimeWindow::applyRememberedPlace() {
  // Only once the window is in the frame that shows it: before that its frame is unknown.
  if (m_placeKey.isEmpty() || !m_placedIn || m_placedIn != frame()) return false;
  const std::optional<shell::WindowPlacement> place = shell::rememberedPlacement(m_placeKey);
  if (!place) return false;
  QWidget* f = frame();
  QSize minimum = minimumSizeHint();
  QRect room;
  if (f != this) {
    minimum += (f->size() - size()).expandedTo(QSize(0, 0));
    if (auto* sub = qobject_cast<QMdiSubWindow*>(f); sub && sub->mdiArea()) {
      const QSize area = sub->mdiArea()->viewport()->size();
      if (area.width() > 100 && area.height() > 100) room = QRect(QPoint(0, 0), area);
    }
  } else if (QScreen* screen = this->screen()) {
    room = screen->availableGeometry();
  }
  const QRect rect = shell::fitInto(place->rect, minimum, room);
  m_normalPlace = rect;
  if (f->isMaximized()) f->showNormal();
  f->setGeometry(rect);
  if (place->maximized) {
    // Maximized once the frame has been shown: a frame maximized while it is being shown
    // keeps the size it is shown with.
    QPointer<QWidget> frameToMaximize = f;
    QTimer::singleShot(0, f, [frameToMaximize] {
      if (frameToMaximize && frameToMaximize->isVisible()) frameToMaximize->showMaximized();
    });
  }
  return true;
}

void RuntimeWindow::storePlace() {
  if (m_placeKey.isEmpty() || !m_placedIn) return;
  QWidget* f = frame();
  if (f->isMinimized()) return;
  const bool maximized = f->isMaximized();
  QRect rect = maximized ? m_normalPlace : f->geometry();
  if (!rect.isValid()) {
    if (const auto before = shell::rememberedPlacement(m_placeKey)) rect = before->rect;
  }
  if (rect.isValid()) shell::rememberPlacement(m_placeKey, {rect, maximized});
}

void RuntimeWindow::applyGeometry() {
  if (applyRememberedPlace()) return;
  if (m_sizeTwips.isEmpty()) {
    if (m_centre) shell::CenterForm(m_state, this);
    return;
  }
  QSize size = shell::twipsToPixels(m_sizeTwips.width(), m_sizeTwips.height());
  // A stored size smaller than what the window's content needs opens at what it needs.
  if (QWidget* f = frame(); f != this) {
    const QSize border = f->size() - this->size();
    size = size.expandedTo(minimumSizeHint() + border.expandedTo(QSize(0, 0)));
  } else {
    size = size.expandedTo(minimumSizeHint());
  }
  // A child window never opens larger than the area that shows it.
  if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) {
    if (QMdiArea* area = sub->mdiArea()) {
      const QSize room = area->viewport()->size();
      if (room.width() > 100 && room.height() > 100) size = size.boundedTo(room);
    }
  }
  frame()->resize(size);
  if (m_centre) shell::CenterForm(m_state, this);
}

QSize RuntimeWindow::sizeTwips() const {
  const QSize px = frame()->size();
  return QSize(static_cast<int>(shell::pixelsToTwips(px.width())),
               static_cast<int>(shell::pixelsToTwips(px.height())));
}

void RuntimeWindow::centre() {
  m_centre = true;
  if (applyRememberedPlace()) return;
  shell::CenterForm(m_state, this);
}

void RuntimeWindow::registerLoad() {
  m_registered = windowTitle();
  if (m_state.mainWindow) m_state.mainWindow->WindowRegistry(m_registered, QStringLiteral("load"));
}

void RuntimeWindow::registerUnload() {
  if (m_state.mainWindow && !m_registered.isNull())
    m_state.mainWindow->WindowRegistry(m_registered, QStringLiteral("unload"));
  m_registered.clear();
}

void RuntimeWindow::activated(bool on) {
  if (m_state.mainWindow && !m_registered.isNull())
    m_state.mainWindow->WindowRegistry(m_registered,
                                       on ? QStringLiteral("active") : QStringLiteral("inactive"));
}

void RuntimeWindow::watchFrame() {
  auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget());
  if (!sub || sub == m_watched) return;
  m_watched = sub;
  sub->installEventFilter(this);
  connect(sub, &QMdiSubWindow::windowStateChanged, this,
          [this](Qt::WindowStates before, Qt::WindowStates now) {
            const bool was = before & Qt::WindowActive;
            const bool is = now & Qt::WindowActive;
            if (was != is) activated(is);
          });
}

bool RuntimeWindow::eventFilter(QObject* watched, QEvent* event) {
  // The frame's last normal place is what a maximized window comes back to next time.
  // The event's type is asked first: a frame being destroyed still sends events, and is no
  // longer a QMdiSubWindow then.
  if ((event->type() == QEvent::Move || event->type() == QEvent::Resize) && watched == m_watched &&
      !m_watched->isMaximized() && !m_watched->isMinimized() && m_watched->isVisible())
    m_normalPlace = m_watched->geometry();
  return QWidget::eventFilter(watched, event);
}

void RuntimeWindow::showEvent(QShowEvent* event) {
  // A window shown again answers whoever asked this time.
  if (QWidget* focus = QApplication::focusWidget(); focus && !isAncestorOf(focus))
    m_returnFocus = focus;
  watchFrame();
  if (frame() != m_placedIn) {
    m_placedIn = frame();
    applyGeometry();
  }
  QWidget::showEvent(event);
}

void RuntimeWindow::changeEvent(QEvent* event) {
  // A window outside the main window's area reports its own activation.
  if (event->type() == QEvent::ActivationChange && isWindow()) activated(isActiveWindow());
  if (event->type() == QEvent::WindowTitleChange && !m_registered.isNull() &&
      m_registered != windowTitle()) {
    // The window bar follows the caption.
    registerUnload();
    registerLoad();
  }
  QWidget::changeEvent(event);
}

bool RuntimeWindow::confirmClose() {
  if (m_closeConfirmed || !hasUnsavedChanges()) return true;
  // The question names the window it is about: the user may be closing the program.
  if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()); sub && sub->mdiArea())
    sub->mdiArea()->setActiveSubWindow(sub);
  switch (shell::MessageBoxes::show(QStringLiteral("Сохранить изменения?"),
                                    shell::MsgButtons::YesNoCancel, windowTitle(),
                                    shell::MsgIcon::Question)) {
    case shell::MsgAnswer::Yes:
      if (!saveChanges()) return false;
      break;
    case shell::MsgAnswer::No:
      break;
    default:
      return false;
  }
  m_closeConfirmed = true;
  return true;
}

void RuntimeWindow::keyPressEvent(QKeyEvent* event) {
  if (m_closesOnEscape && event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

void RuntimeWindow::closeEvent(QCloseEvent* event) {
  if (!m_unloaded && !confirmClose()) {
    event->ignore();
    return;
  }
  // Saving on «Да» may have closed the window already.
  if (!m_unloaded) {
    if (!unload()) {
      // Asked again next time: the user chose to stay.
      m_closeConfirmed = false;
      event->ignore();
      return;
    }
    m_unloaded = true;
    storePlace();
    registerUnload();
  }
  event->accept();
  // Once the area has activated whatever it picks, the window that asked gets the focus back.
  if (m_returnFocus && !isAncestorOf(m_returnFocus) && m_returnFocus->isVisible()) {
    QPointer<QWidget> back = m_returnFocus;
    QTimer::singleShot(0, back, [back] {
      if (back && back->isVisible()) giveFocusBack(back);
    });
  }
  // The frame goes with the window.
  if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) sub->deleteLater();
}

void RuntimeWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (m_minimumTwips.isEmpty()) return;
  QWidget* f = frame();
  if (f->isMinimized()) return;
  const QSize minimum = shell::twipsToPixels(m_minimumTwips.width(), m_minimumTwips.height());
  if (f->width() < minimum.width() || f->height() < minimum.height())
    QTimer::singleShot(0, this, [this, minimum] {
      QWidget* fr = frame();
      fr->resize(fr->size().expandedTo(minimum));
    });
}

QPushButton* RuntimeWindow::commandButton(const QString& objectName, const QString& caption,
                                          QWidget* parent) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(objectName);
  button->setAccessibleName(QString(caption).remove(QLatin1Char('&')));
  return button;
}

script::Host* RuntimeWindow::moduleHost() {
  if (m_state.host) return m_state.host;
  if (!m_ownHost) {
    m_ownHost = std::make_unique<FormHost>([this](const QString& text) {
      if (m_state.mainWindow) m_state.mainWindow->setStatusText(text);
    });
  }
  return m_ownHost.get();
}

}  // namespace balvix::runtime
