#include "script/translator.h"

#include <gtest/gtest.h>

using balvix::script::ERRE;

namespace {

// One translation in one direction: the stored (English) form from the shown Russian one, or
// back.
struct Translation {
  bool toStored;
  const char* from;
  const char* to;
};

TEST(Translator, TranslatesKeywordsAsTheStoredFormHasAlwaysBeen) {
  const Translation cases[] = {
      {true, "Процедура Тест()\n  Сообщить(1)\nКонецПроцедуры\n",
       "sub Тест()\n  Сообщить(1)\nend sub\n"},
      {false, "sub Тест()\n  Сообщить(1)\nend sub\n",
       "Процедура Тест()\n  Сообщить(1)\nКонецПроцедуры\n"},
      // The opening procedure of a report.
      {true, "Главная Процедура ПриОткрытии()", "private sub MAIN()"},
      {false, "private sub MAIN()", "Главная Процедура ПриОткрытии()"},
      {true, "Если а И б Тогда", "if а and б then"},
      {true, "Если а=1 Тогда б=2 Иначе б=3 КонецЕсли", "if а=1 then б=2 else б=3 end if"},
      {false, "if а=1 then б=2 else б=3 end if", "Если а=1 Тогда б=2 Иначе б=3 КонецЕсли"},
      // "И" without blanks on both sides is not a keyword of the stored form.
      {true, "а И(б)", "а И(б)"},
      {true, "ИМЯ", "ИМЯ"},
      {true, "ИначеЕсли", "elseif"},
      {false, "elseif", "ИначеЕсли"},
      // Перем gains blanks on every save.
      {true, "Перем х", " dim  х"},
      {false, " dim  х", " Перем  х"},
      {true, " Перем  х", "  dim   х"},
      // До is "to" only with a blank after it.
      {true, "Для i=1 До 10", "for i=1 to 10"},
      {true, "Для i=1 До(10)", "for i=1 До(10)"},
      {true, "Для i=1 До 3\nДалее", "for i=1 to 3\nnext"},
      {false, "for i=1 to(3)", "Для i=1 До(3)"},
      // Back to Russian, words and literals are not spared.
      {false, "window", "winДелатьw"},
      {false, "band", "bИ"},
      {false, "x = \"to do\"", "x = \"До Делать\""},
      {false, "' a comment to read", "' a comment До read"},
      // Letter case counts in both directions.
      {false, "Do And", "Do And"},
      {false, "Sub X\nEnd If\nDim y\nSUB", "Sub X\nEnd If\nDim y\nSUB"},
      {true, "если а тогда", "если а тогда"},
      {true, "ПРОЦЕДУРА", "ПРОЦЕДУРА"},
      {true, "х = ?(а>1, 2, 3)", "х = iif(а>1, 2, 3)"},
      {true, "Сообщить(\"Кто?\")", "Сообщить(\"Ктоiif\")"},
      // "iif" is translated before "if", so the host function never becomes "iЕсли".
      {false, "х = iif(а, 1, 2)", "х = ?(а, 1, 2)"},
      {true, "Делать Пока х<3\nЦикл", "do while х<3\nloop"},
      {false, "do while х<3\nloop", "Делать Пока х<3\nЦикл"},
      {true, "Объект о = СоздатьОбъект(\"ФС\")", "set о = СоздатьОбъект(\"ФС\")"},
      // Without the blank "set" is not the assignment keyword.
      {false, "settle", "settle"},
      {true, "Если Если Если", "if if if"},
      {true, "а И б И в", "а and б and в"},
      {true, "", ""},
      {false, "", ""},
  };
  const ERRE erre;
  for (const Translation& c : cases) {
    const QString from = QString::fromUtf8(c.from);
    const QString got = c.toStored ? erre.RusToEng(from) : erre.EngToRus(from);
    EXPECT_EQ(got, QString::fromUtf8(c.to))
        << (c.toStored ? "to stored: " : "to shown: ") << c.from;
  }
}

}  // namespace
