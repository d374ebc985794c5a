#pragma once

#include <QRect>
#include <QString>
#include <optional>

class QWidget;

namespace balvix::shell {

// Where a window was last seen: its normal (not maximized) rectangle, in the coordinates
// of what shows it (the screen, or the main window's document area), and whether it was
// maximized.
struct WindowPlacement {
  QRect rect;
  bool maximized = false;
};

// The settings key of a window: its class and, when it shows one object among many (a
// document kind, a catalog, a journal, a report), that object's name.
QString placementKey(const QString& windowClass, const QString& object = QString());

std::optional<WindowPlacement> rememberedPlacement(const QString& key);
void rememberPlacement(const QString& key, const WindowPlacement& placement);

// Every window opens at its design size again.
void forgetAllPlacements();

// A remembered rectangle made to fit the room it opens in: never smaller than what its
// content needs (unless the room itself is smaller), never larger than the room, and
// moved inside it.
QRect fitInto(const QRect& wanted, const QSize& minimum, const QRect& room);

// A window of its own (a designer, the settings) opens where it was left, fitted into its
// screen, and remembers its place whenever it is hidden or closed.
void keepPlacement(QWidget* window, const QString& key);

}  // namespace balvix::shell
