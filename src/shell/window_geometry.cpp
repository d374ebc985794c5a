#include "shell/window_geometry.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QVariantMap>
#include <QWidget>

namespace balvix::shell {

namespace {

// The program's settings group.
struct Settings : QSettings {
  Settings() : QSettings(QStringLiteral("Balvix"), QStringLiteral("Balvix")) {
    beginGroup(QStringLiteral("Setting"));
  }
};

QRect screenRoom(const QWidget* window) {
  QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
  return screen ? screen->availableGeometry() : QRect();
}

// Restores the window's place on its first showing and stores it whenever it is hidden.
class PlacementKeeper : public QObject {
 public:
  PlacementKeeper(QWidget* window, const QString& key) : QObject(window), m_key(key) {
    window->installEventFilter(this);
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* window = static_cast<QWidget*>(watched);
    if (event->type() == QEvent::Show && !m_restored) {
      m_restored = true;
      restore(window);
    } else if (event->type() == QEvent::Hide && m_restored && !window->isMinimized()) {
      store(window);
    }
    return false;
  }

 private:
  void restore(QWidget* window) {
    const std::optional<WindowPlacement> placement = rememberedPlacement(m_key);
    if (!placement) return;
    const QRect room = screenRoom(window);
    // The frame the window system adds must fit on the screen too.
    const QRect outer = window->frameGeometry();
    const QRect inner = window->geometry();
    const QMargins frame(inner.left() - outer.left(), inner.top() - outer.top(),
                         outer.right() - inner.right(), outer.bottom() - inner.bottom());
    const QRect rect = room.isValid() ? fitInto(placement->rect + frame,
                                                window->minimumSizeHint().grownBy(frame), room) -
                                            frame
                                      : placement->rect;
    window->setGeometry(rect);
    if (placement->maximized) window->setWindowState(window->windowState() | Qt::WindowMaximized);
  }
  void store(QWidget* window) {
    const QRect normal = window->isMaximized() ? window->normalGeometry() : window->geometry();
    rememberPlacement(m_key,
                      {normal.isValid() ? normal : window->geometry(), window->isMaximized()});
  }

  QString m_key;
  bool m_restored = false;
};

}  // namespace

QString placementKey(const QString& windowClass, const QString& object) {
  QString key = QStringLiteral("WindowPlace_") + windowClass;
  if (!object.isEmpty()) key += QLatin1Char('_') + object;
  // The settings file treats "/" and "\" as group separators.
  key.replace(QLatin1Char('/'), QLatin1Char('_')).replace(QLatin1Char('\\'), QLatin1Char('_'));
  return key;
}

std::optional<WindowPlacement> rememberedPlacement(const QString& key) {
  const QVariantMap stored = Settings().value(key).toMap();
  bool okX = false, okY = false, okW = false, okH = false;
  const int x = stored.value(QStringLiteral("x")).toInt(&okX);
  const int y = stored.value(QStringLiteral("y")).toInt(&okY);
  const int w = stored.value(QStringLiteral("width")).toInt(&okW);
  const int h = stored.value(QStringLiteral("height")).toInt(&okH);
  // A damaged or hand-edited entry counts as none.
  if (!(okX && okY && okW && okH) || w <= 0 || h <= 0) return std::nullopt;
  return WindowPlacement{QRect(x, y, w, h), stored.value(QStringLiteral("maximized")).toBool()};
}

void rememberPlacement(const QString& key, const WindowPlacement& placement) {
  if (!placement.rect.isValid()) return;
  QVariantMap stored;
  stored.insert(QStringLiteral("x"), placement.rect.x());
  stored.insert(QStringLiteral("y"), placement.rect.y());
  stored.insert(QStringLiteral("width"), placement.rect.width());
  stored.insert(QStringLiteral("height"), placement.rect.height());
  stored.insert(QStringLiteral("maximized"), placement.maximized);
  Settings().setValue(key, stored);
}

void forgetAllPlacements() {
  Settings settings;
  for (const QString& key : settings.childKeys())
    if (key.startsWith(QStringLiteral("WindowPlace_"))) settings.remove(key);
}

QRect fitInto(const QRect& wanted, const QSize& minimum, const QRect& room) {
  QSize size = wanted.size().expandedTo(minimum);
  if (room.isValid()) size = size.boundedTo(room.size());
  QRect rect(wanted.topLeft(), size);
  if (!room.isValid()) return rect;
  if (rect.right() > room.right()) rect.moveRight(room.right());
  if (rect.bottom() > room.bottom()) rect.moveBottom(room.bottom());
  if (rect.left() < room.left()) rect.moveLeft(room.left());
  if (rect.top() < room.top()) rect.moveTop(room.top());
  return rect;
}

void keepPlacement(QWidget* window, const QString& key) {
  new PlacementKeeper(window, key);
}

}  // namespace balvix::shell
