#pragma once

#include <QString>
#include <optional>

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

// A number as people type it or as it was shown: blanks (non-breaking ones too) between
// the thousands, a comma or a point before the fraction, a sign in front. nullopt for a
// text that is no number (an empty text is none either); `decimals` gets the count of
// digits after the separator.
std::optional<double> readNumber(const QString& text, int* decimals = nullptr);

// What a typed number is kept as: the typed text without the blanks between thousands
// («1 495 864,00» → «1495864,00»), so that a value shown grouped and typed back is the
// value the modules read. A text that is no number is kept as it is.
QString plainNumber(const QString& typed);

// How the stored text of a number is shown: money with two decimals, any other number
// (a quantity) with the decimals it has; thousands apart in both. A text that is no number
// is shown as it is, so nothing stored is ever hidden.
QString shownNumber(const QString& stored, bool money);

}  // namespace balvix::script
