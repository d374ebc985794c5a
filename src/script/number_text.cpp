#include "script/number_text.h"

#include <QLocale>
#include <algorithm>

namespace balvix::script {

namespace {

// More digits than a double holds are noise of its binary form, never the user's.
constexpr int kMostDecimals = 10;

bool isGroupBlank(QChar c) {
  return c == u' ' || c == QChar(0x00A0) || c == QChar(0x202F);
}

}  // namespace

QString numberText(double value, int decimals, bool grouping) {
  static const QLocale grouped = [] {
    QLocale ru(QLocale::Russian, QLocale::Russia);
    ru.setNumberOptions(QLocale::DefaultNumberOptions);
    return ru;
  }();
  static const QLocale plain = [] {
    QLocale ru(QLocale::Russian, QLocale::Russia);
    ru.setNumberOptions(QLocale::OmitGroupSeparator);
    return ru;
  }();
  return (grouping ? grouped : plain).toString(value, 'f', decimals);
}

std::optional<double> readNumber(const QString& text, int* decimals) {
  const QString trimmed = text.trimmed();
  QString t;
  t.reserve(trimmed.size());
  int separators = 0;
  int places = 0;
  bool digits = false;
  for (qsizetype i = 0; i < trimmed.size(); ++i) {
    const QChar c = trimmed[i];
    if (c.isDigit() && c.unicode() < 128) {
      t += c;
      digits = true;
      if (separators) ++places;
    } else if (c == u',' || c == u'.') {
      if (++separators > 1) return std::nullopt;
      t += u'.';
    } else if (isGroupBlank(c)) {
      if (separators) return std::nullopt;  // blanks group the whole part only
    } else if ((c == u'-' || c == u'+') && i == 0) {
      t += c;
    } else {
      return std::nullopt;
    }
  }
  if (!digits) return std::nullopt;
  bool ok = false;
  const double value = t.toDouble(&ok);
  if (!ok) return std::nullopt;
  if (decimals) *decimals = places;
  return value;
}

QString plainNumber(const QString& typed) {
  if (!readNumber(typed)) return typed;
  QString plain = typed.trimmed();
  plain.removeIf(isGroupBlank);
  return plain;
}

QString shownNumber(const QString& stored, bool money) {
  // The digits are regrouped as they are, without a round trip through a double: lists
  // show 100,000 of these, and a stored text keeps every digit it has. Only an amount with
  // more than two decimals is rounded, through the number.
  const QString t = stored.trimmed();
  QString whole;
  QString fraction;
  bool negative = false;
  bool separator = false;
  bool digits = false;
  for (qsizetype i = 0; i < t.size(); ++i) {
    const QChar c = t[i];
    if (c.isDigit() && c.unicode() < 128) {
      (separator ? fraction : whole) += c;
      digits = true;
    } else if ((c == u',' || c == u'.') && !separator) {
      separator = true;
    } else if (isGroupBlank(c) && !separator) {
      continue;  // blanks group the whole part only
    } else if ((c == u'-' || c == u'+') && i == 0) {
      negative = c == u'-';
    } else {
      return stored;
    }
  }
  if (!digits) return stored;
  if (money && fraction.size() > 2) {
    int decimals = 0;
    const std::optional<double> value = readNumber(stored, &decimals);
    return value ? numberText(*value, 2) : stored;
  }
  qsizetype lead = 0;
  while (lead + 1 < whole.size() && whole[lead] == u'0') ++lead;
  whole = whole.mid(lead);
  if (whole.isEmpty()) whole = QStringLiteral("0");
  if (money) {
    while (fraction.size() < 2) fraction += u'0';
  } else if (fraction.size() > kMostDecimals) {
    fraction.truncate(kMostDecimals);
  }
  QString out;
  out.reserve(whole.size() + whole.size() / 3 + fraction.size() + 2);
  bool zero = whole == u"0";
  for (const QChar c : fraction) zero = zero && c == u'0';
  if (negative && !zero) out += u'-';
  for (qsizetype i = 0; i < whole.size(); ++i) {
    if (i > 0 && (whole.size() - i) % 3 == 0) out += QChar(0x00A0);
    out += whole[i];
  }
  if (!fraction.isEmpty()) out += u',' + fraction;
  return out;
}

}  // namespace balvix::script
