#include "script/translator.h"

#include <array>

namespace balvix::script {

namespace {

struct Row {
  const char16_t* engFind;
  const char16_t* rusReplace;
  const char16_t* rusFind;
  const char16_t* engReplace;
};

// The order matters: compound keywords come before their parts ("end sub" before "sub",
// "iif" before "if"), and the literals of the two directions differ where blanks are
// part of them ("До ", " И ", " dim ").
constexpr std::array<Row, 19> kRows = {{
    {u"end sub", u"КонецПроцедуры", u"КонецПроцедуры", u"end sub"},
    {u"sub", u"Процедура", u"Процедура", u"sub"},
    {u"end if", u"КонецЕсли", u"КонецЕсли", u"end if"},
    {u"iif", u"?", u"?", u"iif"},
    {u"if", u"Если", u"Если", u"if"},
    {u"then", u"Тогда", u"Тогда", u"then"},
    {u"else", u"Иначе", u"Иначе", u"else"},
    {u"elseif", u"ИначеЕсли", u"ИначеЕсли", u"elseif"},
    {u"for", u"Для", u"Для", u"for"},
    {u"to", u"До", u"До ", u"to "},
    {u"next", u"Далее", u"Далее", u"next"},
    {u"MAIN", u"ПриОткрытии", u"ПриОткрытии", u"MAIN"},
    {u"private", u"Главная", u"Главная", u"private"},
    {u"set ", u"Объект ", u"Объект ", u"set "},
    {u"do", u"Делать", u"Делать", u"do"},
    {u"while", u"Пока", u"Пока", u"while"},
    {u"loop", u"Цикл", u"Цикл", u"loop"},
    {u"and", u"И", u" И ", u" and "},
    {u"dim", u"Перем", u"Перем", u" dim "},
}};

}  // namespace

QString ERRE::EngToRus(const QString& tmpText) const {
  QString text = tmpText;
  for (const Row& row : kRows)
    text.replace(QString::fromUtf16(row.engFind), QString::fromUtf16(row.rusReplace),
                 Qt::CaseSensitive);
  return text;
}

QString ERRE::RusToEng(const QString& tmpText) const {
  QString text = tmpText;
  for (const Row& row : kRows)
    text.replace(QString::fromUtf16(row.rusFind), QString::fromUtf16(row.engReplace),
                 Qt::CaseSensitive);
  return text;
}

}  // namespace balvix::script
