#include "storage/sql_text.h"

#include <sqlite3.h>

namespace balvix::storage {

QString quote(const QString& value) {
  QString out;
  out.reserve(value.size() + 2);
  out += QLatin1Char('\'');
  for (QChar c : value) {
    if (c == QLatin1Char('\'')) {
      out += QLatin1String("''");
    } else if (c.unicode() == 0) {
      // The engine reads statement text only up to a NUL, so the character is joined in
      // as an expression instead of being cut off together with the rest of the value.
      out += QLatin1String("'||char(0)||'");
    } else {
      out += c;
    }
  }
  out += QLatin1Char('\'');
  return out;
}

namespace {

// Walks the text by code points so that letters outside the basic plane count as letters.
template <typename F>
void forEachCodePoint(const QString& text, F f) {
  for (qsizetype i = 0; i < text.size(); ++i) {
    char32_t cp = text.at(i).unicode();
    if (QChar::isHighSurrogate(cp) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
      cp = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
      ++i;
    }
    if (!f(cp)) return;
  }
}

QString describeCharacter(char32_t cp) {
  switch (cp) {
    case '\t':
      return QStringLiteral("знак табуляции");
    case '\n':
    case '\r':
      return QStringLiteral("перевод строки");
    default:
      break;
  }
  if (QChar::isSpace(cp)) return QStringLiteral("пробел");
  if (!QChar::isPrint(cp))
    return QStringLiteral("непечатаемый символ с кодом %1").arg(static_cast<uint>(cp));
  return QStringLiteral("символ «%1»").arg(QString::fromUcs4(&cp, 1));
}

bool isSqlKeyword(const QString& name) {
  for (QChar c : name) {
    if (c.unicode() > 127) return false;
  }
  const QByteArray latin = name.toLatin1();
  return sqlite3_keyword_check(latin.constData(), static_cast<int>(latin.size())) != 0;
}

}  // namespace

QString identifierProblem(const QString& name, const QString& what) {
  if (name.isEmpty()) return QStringLiteral("%1 не указано.").arg(what);
  const QString head = QStringLiteral("%1 «%2» недопустимо: ").arg(what, name);
  if (QChar::isDigit(name.at(0).unicode())) return head + QStringLiteral("оно начинается с цифры.");
  QString bad;
  bool first = true;
  forEachCodePoint(name, [&](char32_t cp) {
    const bool ok = cp == '_' || QChar::isLetterOrNumber(cp) || (!first && QChar::isMark(cp));
    first = false;
    if (!ok) bad = describeCharacter(cp);
    return ok;
  });
  if (!bad.isEmpty())
    return head + QStringLiteral("оно содержит %1; можно использовать только буквы, цифры и «_».")
                      .arg(bad);
  if (sameName(name, QStringLiteral("Новый")))
    return head +
           QStringLiteral("имя «Новый» зарезервировано для нового, еще не сохраненного объекта.");
  if (isSqlKeyword(name)) return head + QStringLiteral("это служебное слово языка запросов.");
  return {};
}

bool isValidIdentifier(const QString& name) {
  return identifierProblem(name, QString()).isEmpty();
}

QString foldName(const QString& name) {
  return name.toCaseFolded();
}

bool sameName(const QString& a, const QString& b) {
  return a.compare(b, Qt::CaseInsensitive) == 0;
}

}  // namespace balvix::storage
