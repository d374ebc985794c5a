#include "script/translator.h"

#include <gtest/gtest.h>

using balvix::script::ERRE;

namespace {

QString q(const char* utf8) {
  return QString::fromUtf8(utf8);
}

TEST(Translator, ProcedureRoundTrip) {
  const ERRE erre;
  const QString rus = q("Процедура Тест()\n  Сообщить(1)\nКонецПроцедуры\n");
  const QString eng = erre.RusToEng(rus);
  EXPECT_EQ(eng, q("sub Тест()\n  Сообщить(1)\nend sub\n"));
  EXPECT_EQ(erre.EngToRus(eng), rus);
}

TEST(Translator, OpeningProcedureOfAReport) {
  const ERRE erre;
  EXPECT_EQ(erre.RusToEng(q("Главная Процедура ПриОткрытии()")), q("private sub MAIN()"));
  EXPECT_EQ(erre.EngToRus(q("private sub MAIN()")), q("Главная Процедура ПриОткрытии()"));
}

TEST(Translator, ConditionsAndConjunction) {
  const ERRE erre;
  EXPECT_EQ(erre.RusToEng(q("Если а И б Тогда")), q("if а and б then"));
  EXPECT_EQ(erre.RusToEng(q("Если а=1 Тогда б=2 Иначе б=3 КонецЕсли")),
            q("if а=1 then б=2 else б=3 end if"));
  EXPECT_EQ(erre.EngToRus(q("if а=1 then б=2 else б=3 end if")),
            q("Если а=1 Тогда б=2 Иначе б=3 КонецЕсли"));
  // "И" without blanks on both sides is not a keyword for the stored form.
  EXPECT_EQ(erre.RusToEng(q("а И(б)")), q("а И(б)"));
  EXPECT_EQ(erre.RusToEng(q("ИМЯ")), q("ИМЯ"));
}

TEST(Translator, CompoundElseIfBothDirections) {
  const ERRE erre;
  EXPECT_EQ(erre.RusToEng(q("ИначеЕсли")), q("elseif"));
  EXPECT_EQ(erre.EngToRus(q("elseif")), q("ИначеЕсли"));
}

TEST(Translator, DimGainsBlanksOnEverySave) {
  const ERRE erre;
  const QString stored = erre.RusToEng(q("Перем х"));
  EXPECT_EQ(stored, q(" dim  х"));
  const QString shown = erre.EngToRus(stored);
  EXPECT_EQ(shown, q(" Перем  х"));
  EXPECT_EQ(erre.RusToEng(shown), q("  dim   х"));
}

TEST(Translator, ForLoopNeedsBlankAfterTo) {
  const ERRE erre;
  EXPECT_EQ(erre.RusToEng(q("Для i=1 До 10")), q("for i=1 to 10"));
  EXPECT_EQ(erre.RusToEng(q("Для i=1 До(10)")), q("for i=1 До(10)"));
  EXPECT_EQ(erre.RusToEng(q("Для i=1 До 3\nДалее")), q("for i=1 to 3\nnext"));
  EXPECT_EQ(erre.EngToRus(q("for i=1 to(3)")), q("Для i=1 До(3)"));
}

TEST(Translator, EngToRusReplacesInsideWordsAndLiterals) {
  const ERRE erre;
  EXPECT_EQ(erre.EngToRus(q("window")), q("winДелатьw"));
  EXPECT_EQ(erre.EngToRus(q("band")), q("bИ"));
  EXPECT_EQ(erre.EngToRus(q("x = \"to do\"")), q("x = \"До Делать\""));
  EXPECT_EQ(erre.EngToRus(q("' a comment to read")), q("' a comment До read"));
}

TEST(Translator, CaseSensitive) {
  const ERRE erre;
  EXPECT_EQ(erre.EngToRus(q("Do And")), q("Do And"));
  EXPECT_EQ(erre.EngToRus(q("Sub X\nEnd If\nDim y\nSUB")), q("Sub X\nEnd If\nDim y\nSUB"));
  EXPECT_EQ(erre.RusToEng(q("если а тогда")), q("если а тогда"));
  EXPECT_EQ(erre.RusToEng(q("ПРОЦЕДУРА")), q("ПРОЦЕДУРА"));
}

TEST(Translator, TernaryOperator) {
  const ERRE erre;
  EXPECT_EQ(erre.RusToEng(q("х = ?(а>1, 2, 3)")), q("х = iif(а>1, 2, 3)"));
  EXPECT_EQ(erre.RusToEng(q("Сообщить(\"Кто?\")")), q("Сообщить(\"Ктоiif\")"));
  // "iif" is translated before "if", so the host function never becomes "iЕсли".
  EXPECT_EQ(erre.EngToRus(q("х = iif(а, 1, 2)")), q("х = ?(а, 1, 2)"));
}

TEST(Translator, LoopsAndObjects) {
  const ERRE erre;
  EXPECT_EQ(erre.RusToEng(q("Делать Пока х<3\nЦикл")), q("do while х<3\nloop"));
  EXPECT_EQ(erre.EngToRus(q("do while х<3\nloop")), q("Делать Пока х<3\nЦикл"));
  EXPECT_EQ(erre.RusToEng(q("Объект о = СоздатьОбъект(\"ФС\")")),
            q("set о = СоздатьОбъект(\"ФС\")"));
  // Without the blank "set" is not the assignment keyword.
  EXPECT_EQ(erre.EngToRus(q("settle")), q("settle"));
}

TEST(Translator, EmptyTextAndArgumentUnchanged) {
  const ERRE erre;
  EXPECT_EQ(erre.EngToRus(QString()), QString());
  EXPECT_EQ(erre.RusToEng(QString()), QString());
  const QString original = q("Если а Тогда");
  const QString copy = original;
  erre.RusToEng(original);
  EXPECT_EQ(original, copy);
}

TEST(Translator, EveryOccurrenceIsReplaced) {
  const ERRE erre;
  EXPECT_EQ(erre.RusToEng(q("Если Если Если")), q("if if if"));
  EXPECT_EQ(erre.RusToEng(q("а И б И в")), q("а and б and в"));
}

}  // namespace
