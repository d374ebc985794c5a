#include "storage/sql_text.h"

#include <sqlite3.h>

#include <QStringList>
#include <cstring>

namespace balvix::storage {

QString storedText(const char* utf8, qsizetype size) {
  if (size >= 3 && std::memcmp(utf8, "\xEF\xBB\xBF", 3) == 0)
    return QChar(0xFEFF) + QString::fromUtf8(utf8 + 3, size - 3);
  QString text = QString::fromUtf8(utf8, size);
  if (text.isNull()) text = QLatin1String("");  // the empty text, as opposed to Null
  return text;
}

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
  // Folded first: "ſelect" (a long s) and a Kelvin sign fold into keywords.
  const QString folded = name.normalized(QString::NormalizationForm_KC).toCaseFolded();
  for (QChar c : folded) {
    if (c.unicode() > 127) return false;
  }
  const QByteArray latin = folded.toLatin1();
  return sqlite3_keyword_check(latin.constData(), static_cast<int>(latin.size())) != 0;
}

// Characters that show nothing or change only how the previous one looks: two names that
// differ by one of them look the same.
bool isInvisible(char32_t cp) {
  return (cp >= 0xFE00 && cp <= 0xFE0F) || (cp >= 0xE0100 && cp <= 0xE01EF) ||
         (cp >= 0x180B && cp <= 0x180F) || (cp >= 0x200B && cp <= 0x200F) ||
         (cp >= 0x2060 && cp <= 0x206F) || cp == 0x034F || cp == 0x115F || cp == 0x1160 ||
         cp == 0x17B4 || cp == 0x17B5 || cp == 0x3164 || cp == 0xFFA0 || cp == 0xFEFF ||
         (cp >= 0xE0000 && cp <= 0xE007F);
}

QString scriptName(QChar::Script script) {
  switch (script) {
    case QChar::Script_Cyrillic:
      return QStringLiteral("кириллица");
    case QChar::Script_Latin:
      return QStringLiteral("латиница");
    case QChar::Script_Greek:
      return QStringLiteral("греческие буквы");
    default:
      return QStringLiteral("буквы другой письменности");
  }
}

// A run of letters written in two alphabets ("Ценa" with a Latin a) is taken for another
// name at a glance; separate words ("НДС_VAT") may use different alphabets.
QString mixedScripts(const QString& name) {
  QChar::Script run = QChar::Script_Unknown;
  QString problem;
  forEachCodePoint(name, [&](char32_t cp) {
    if (!QChar::isLetter(cp)) {
      if (!QChar::isMark(cp)) run = QChar::Script_Unknown;
      return true;
    }
    const QChar::Script script = QChar::script(cp);
    if (script == QChar::Script_Common || script == QChar::Script_Inherited) return true;
    if (run != QChar::Script_Unknown && run != script) {
      problem = QStringLiteral(
                    "в одном слове смешаны буквы разных алфавитов (%1 и %2), такое "
                    "имя легко спутать с другим; наберите его буквами одного алфавита.")
                    .arg(scriptName(run), scriptName(script));
      return false;
    }
    run = script;
    return true;
  });
  return problem;
}

// A character the compatibility normalisation replaces (a long s, a Kelvin sign, a full-width
// letter) looks like, or is, another one.
QString lookAlikeCharacter(const QString& name) {
  if (name.normalized(QString::NormalizationForm_KC) == name) return {};
  QString problem;
  forEachCodePoint(name, [&](char32_t cp) {
    const QString c = QString::fromUcs4(&cp, 1);
    const QString plain = c.normalized(QString::NormalizationForm_KC);
    if (plain == c) return true;
    problem = QStringLiteral(
                  "оно содержит знак «%1», который выглядит как «%2»; наберите "
                  "вместо него обычный знак.")
                  .arg(c, plain);
    return false;
  });
  if (problem.isEmpty())
    problem = QStringLiteral(
        "буква и ее надстрочный знак записаны в нем отдельными знаками; "
        "наберите имя заново.");
  return problem;
}

const QStringList& fixedTables() {
  static const QStringList names = {QStringLiteral("form_items"), QStringLiteral("itogi"),
                                    QStringLiteral("plan"), QStringLiteral("ГлобальныйМодуль"),
                                    QStringLiteral("ОписаниеЯзыка")};
  return names;
}

}  // namespace

QString identifierProblem(const QString& name, const QString& what) {
  if (name.isEmpty()) return QStringLiteral("%1 не указано.").arg(what);
  const QString head = QStringLiteral("%1 «%2» недопустимо: ").arg(what, name);
  if (QChar::isDigit(name.at(0).unicode())) return head + QStringLiteral("оно начинается с цифры.");
  QString bad;
  bool first = true;
  forEachCodePoint(name, [&](char32_t cp) {
    const bool ok = !isInvisible(cp) &&
                    (cp == '_' || QChar::isLetterOrNumber(cp) || (!first && QChar::isMark(cp)));
    first = false;
    if (!ok)
      bad = isInvisible(cp) ? QStringLiteral("невидимый знак с кодом U+%1")
                                  .arg(QString::number(static_cast<uint>(cp), 16)
                                           .toUpper()
                                           .rightJustified(4, QLatin1Char('0')))
                            : describeCharacter(cp);
    return ok;
  });
  if (!bad.isEmpty())
    return head + QStringLiteral("оно содержит %1; можно использовать только буквы, цифры и «_».")
                      .arg(bad);
  if (const QString problem = lookAlikeCharacter(name); !problem.isEmpty()) return head + problem;
  if (const QString problem = mixedScripts(name); !problem.isEmpty()) return head + problem;
  if (sameName(name, QStringLiteral("Новый")))
    return head +
           QStringLiteral("имя «Новый» зарезервировано для нового, еще не сохраненного объекта.");
  if (isSqlKeyword(name)) return head + QStringLiteral("это служебное слово языка запросов.");
  for (const char* rowid : {"rowid", "oid", "_rowid_"}) {
    if (sameName(name, QLatin1String(rowid)))
      return head + QStringLiteral("так база данных называет номер записи в таблице.");
  }
  for (const QString& table : fixedTables()) {
    if (sameName(name, table))
      return head + QStringLiteral("так называется служебная таблица базы данных «%1».").arg(table);
  }
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
