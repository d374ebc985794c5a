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
  int decimals = 0;
  const std::optional<double> value = readNumber(stored, &decimals);
  if (!value) return stored;
  return numberText(*value, money ? 2 : std::min(decimals, kMostDecimals));
}

}  // namespace balvix::script
