#pragma once

#include <QRect>
#include <QSize>

class QWidget;

namespace balvix::shell {

// Sizes and positions of the configuration are kept in twips (1440 per inch, 15 per
// pixel at 96 dpi); this is the one place where they are converted.
int twipsToPixels(double twips);
double pixelsToTwips(int pixels);
QSize twipsToPixels(double width, double height);

}  // namespace balvix::shell
