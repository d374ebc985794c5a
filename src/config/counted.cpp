#include "config/counted.h"

namespace balvix::config {

QString counted(int n, const char* one, const char* few, const char* many) {
  const int lastTwo = n % 100;
  const int last = n % 10;
  const char* word = many;
  if (lastTwo < 11 || lastTwo > 14) {
    if (last == 1)
      word = one;
    else if (last >= 2 && last <= 4)
      word = few;
  }
  return QString::number(n) + QLatin1Char(' ') + QString::fromUtf8(word);
}

}  // namespace balvix::config
