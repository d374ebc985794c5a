#include "shell/twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace balvix::shell {

namespace {

double dotsPerInch() {
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    double dpi = screen->logicalDotsPerInch();
    if (dpi > 0) return dpi;
  }
  return 96.0;
}

}  // namespace

int twipsToPixels(double twips) {
  return static_cast<int>(std::lround(twips * dotsPerInch() / 1440.0));
}

double pixelsToTwips(int pixels) {
  return pixels * 1440.0 / dotsPerInch();
}

QSize twipsToPixels(double width, double height) {
  return QSize(twipsToPixels(width), twipsToPixels(height));
}

}  // namespace balvix::shell
