#pragma once

#include <QString>

namespace balvix::script {

// A number as the program writes it for people, the Russian way: groups of thousands split
// by a non-breaking space (so that an amount never breaks across lines), a comma before the
// fraction, `decimals` digits after it — «1 495 864,00». What is stored stays the value's
// own text; this is only how it is shown and printed.
QString numberText(double value, int decimals, bool grouping = true);

// Money: two decimals.
inline QString amountText(double value) {
  return numberText(value, 2);
}

}  // namespace balvix::script
