#include "shell/window_geometry.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QScreen>
#include <QSettings>
#include <QWidget>
#include <memory>

using balvix::shell::fitInto;
using balvix::shell::keepPlacement;
using balvix::shell::placementKey;
using balvix::shell::rememberedPlacement;
using balvix::shell::rememberPlacement;

TEST(WindowGeometryTest, ARememberedRectangleIsFittedIntoItsRoom) {
  const QRect room(0, 0, 1000, 700);
  struct Case {
    const char* name;
    QRect wanted;
    QSize minimum;
    QRect expected;
  };
  const Case cases[] = {
      {"fits as it is", {100, 50, 400, 300}, {200, 100}, {100, 50, 400, 300}},
      {"past the right and bottom edges", {800, 600, 400, 300}, {0, 0}, {600, 400, 400, 300}},
      {"left of and above the room", {-50, -20, 400, 300}, {0, 0}, {0, 0, 400, 300}},
      {"larger than a smaller screen", {0, 0, 1900, 1000}, {0, 0}, {0, 0, 1000, 700}},
      {"smaller than its content needs", {100, 100, 50, 30}, {420, 260}, {100, 100, 420, 260}},
      {"content larger than the room", {10, 10, 50, 30}, {1200, 900}, {0, 0, 1000, 700}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(fitInto(c.wanted, c.minimum, room), c.expected);
  }
  EXPECT_EQ(fitInto(QRect(5, 5, 10, 10), QSize(20, 20), QRect()), QRect(5, 5, 20, 20));
}

TEST(WindowGeometryTest, PlacesAreKeptPerWindowAndObject) {
  const QString documents = placementKey(QStringLiteral("frmUniDoc"), QStringLiteral("Приход"));
  const QString other = placementKey(QStringLiteral("frmUniDoc"), QStringLiteral("Расход"));
  EXPECT_NE(documents, other);
  rememberPlacement(documents, {QRect(10, 20, 640, 480), true});
  const auto back = rememberedPlacement(documents);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->rect, QRect(10, 20, 640, 480));
  EXPECT_TRUE(back->maximized);
  EXPECT_FALSE(rememberedPlacement(other));
  // An entry edited by hand into nonsense counts as none.
  QSettings settings(QStringLiteral("Balvix"), QStringLiteral("Balvix"));
  settings.beginGroup(QStringLiteral("Setting"));
  settings.setValue(other, QVariantMap{{"x", "левее"}, {"y", 0}, {"width", 10}, {"height", 10}});
  EXPECT_FALSE(rememberedPlacement(other));
  settings.remove(documents);
  settings.remove(other);
}

TEST(WindowGeometryTest, AWindowOfItsOwnReopensWhereItWasFittedIntoTheScreen) {
  const QString key = placementKey(QStringLiteral("ТестовоеОкно"));
  const QRect screen = QApplication::primaryScreen()->availableGeometry();
  {
    QWidget window;
    keepPlacement(&window, key);
    window.show();
    window.setGeometry(screen.left() + 40, screen.top() + 30, 300, 200);
    window.hide();
  }
  {
    QWidget window;
    keepPlacement(&window, key);
    window.show();
    EXPECT_EQ(window.geometry(), QRect(screen.left() + 40, screen.top() + 30, 300, 200));
  }
  // Remembered on a larger screen: inside this one.
  rememberPlacement(key,
                    {QRect(screen.right() - 100, screen.top(), screen.width() + 500, 200), false});
  QWidget window;
  keepPlacement(&window, key);
  window.show();
  EXPECT_TRUE(screen.contains(window.frameGeometry()))
      << window.frameGeometry().x() << "," << window.frameGeometry().width();
  QSettings(QStringLiteral("Balvix"), QStringLiteral("Balvix"))
      .remove(QStringLiteral("Setting/") + key);
}
