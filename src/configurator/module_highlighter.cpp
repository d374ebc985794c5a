#include "configurator/module_highlighter.h"

#include <QTextCharFormat>
#include <algorithm>

namespace balvix::configurator {

namespace {

QTextCharFormat colored(const QColor& color, bool bold = false) {
  QTextCharFormat format;
  format.setForeground(color);
  if (bold) format.setFontWeight(QFont::Bold);
  return format;
}

bool isProcedureBracket(const QString& word) {
  return word == QStringLiteral("Процедура") || word == QStringLiteral("КонецПроцедуры");
}

}  // namespace

QStringList ModuleHighlighter::keywords() {
  return {QStringLiteral("Процедура"), QStringLiteral("КонецПроцедуры"),
          QStringLiteral("Главная"),   QStringLiteral("ПриОткрытии"),
          QStringLiteral("Если"),      QStringLiteral("Тогда"),
          QStringLiteral("Иначе"),     QStringLiteral("ИначеЕсли"),
          QStringLiteral("КонецЕсли"), QStringLiteral("Для"),
          QStringLiteral("До"),        QStringLiteral("Далее"),
          QStringLiteral("Пока"),      QStringLiteral("Делать"),
          QStringLiteral("Цикл"),      QStringLiteral("Перем"),
          QStringLiteral("Объект"),    QStringLiteral("И")};
}

ModuleHighlighter::ModuleHighlighter(QTextDocument* document) : QSyntaxHighlighter(document) {
  // Longer words first so that "КонецПроцедуры" is not read as a shorter keyword; the
  // word boundaries keep keywords inside identifiers uncoloured.
  QStringList words = keywords();
  std::sort(words.begin(), words.end(),
            [](const QString& a, const QString& b) { return a.size() > b.size(); });
  m_word = QRegularExpression(
      QStringLiteral("(?<![\\w])(") + words.join(QLatin1Char('|')) + QStringLiteral(")(?![\\w])"),
      QRegularExpression::UseUnicodePropertiesOption);
}

void ModuleHighlighter::highlightBlock(const QString& text) {
  // Split the line into code, string literals ("...") and a trailing comment (' to the
  // end of the line, outside a literal), then colour the keywords of the code parts.
  qsizetype codeStart = 0;
  auto colourCode = [&](qsizetype from, qsizetype to) {
    const QString part = text.mid(from, to - from);
    for (auto it = m_word.globalMatch(part); it.hasNext();) {
      const QRegularExpressionMatch match = it.next();
      const bool bracket = isProcedureBracket(match.captured(1));
      setFormat(static_cast<int>(from + match.capturedStart(1)),
                static_cast<int>(match.capturedLength(1)),
                colored(bracket ? procedureColor() : keywordColor(), bracket));
    }
  };
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar ch = text.at(i);
    if (ch == QLatin1Char('"')) {
      colourCode(codeStart, i);
      qsizetype end = text.indexOf(QLatin1Char('"'), i + 1);
      if (end < 0) end = text.size() - 1;
      setFormat(static_cast<int>(i), static_cast<int>(end - i + 1), colored(stringColor()));
      i = end;
      codeStart = end + 1;
    } else if (ch == QLatin1Char('\'')) {
      colourCode(codeStart, i);
      setFormat(static_cast<int>(i), static_cast<int>(text.size() - i), colored(commentColor()));
      return;
    }
  }
  colourCode(codeStart, text.size());
}

}  // namespace balvix::configurator
