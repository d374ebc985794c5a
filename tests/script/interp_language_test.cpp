#include <gtest/gtest.h>

#include "message_host.h"
#include "script/engine.h"

using namespace balvix::script;

namespace {

ScriptError errorOf(const QString& text) {
  MessageHost host;
  Engine engine(host);
  try {
    engine.load(text);
  } catch (const ScriptError& e) {
    return e;
  }
  ADD_FAILURE() << "no error for: " << text.toStdString();
  return ScriptError(0);
}

Value run(const QString& text, const QString& variable = QStringLiteral("r")) {
  MessageHost host;
  Engine engine(host);
  engine.load(text);
  return engine.variable(variable);
}

QString text(const QString& module) {
  return toText(run(module));
}

TEST(InterpSyntax, UnclosedBlocksNameTheOpenerAndItsLine) {
  // A procedure may stand inside a module-level If, so the If stays open to the end.
  ScriptError e = errorOf(QStringLiteral("x = 1\nIf x Then\n  y = 2\nSub A\nEnd Sub\n"));
  EXPECT_TRUE(e.isSyntax());
  EXPECT_EQ(e.line(), 5);
  EXPECT_EQ(e.description(), QStringLiteral("Ожидается 'End If' (для 'If' в строке 2)"));

  e = errorOf(QStringLiteral("Процедура А()\n  Если 1 Тогда\n    б = 1\nКонецПроцедуры\n"));
  EXPECT_EQ(e.line(), 4);
  EXPECT_EQ(e.description(), QStringLiteral("Ожидается 'КонецЕсли' (для 'Если' в строке 2)"));

  e = errorOf(QStringLiteral("For i = 1 To 3\n  x = i\n"));
  EXPECT_EQ(e.description(), QStringLiteral("Ожидается 'Next' (для 'For' в строке 1)"));

  e = errorOf(QStringLiteral("x = 1\nIf x = 1\n  x = 2\nEnd If\n"));
  EXPECT_EQ(e.line(), 2);
  EXPECT_EQ(e.description(), QStringLiteral("Ожидается 'Then'"));

  e = errorOf(QStringLiteral("x = 1 +\n"));
  EXPECT_EQ(e.line(), 1);
  EXPECT_EQ(e.description(), QStringLiteral("Ожидается выражение"));

  e = errorOf(QStringLiteral("s = \"abc\n"));
  EXPECT_EQ(e.description(), QStringLiteral("Незавершенная строковая константа"));

  // Two definitions of one name are no error: the later one counts, as in the language.
  EXPECT_EQ(text(QStringLiteral("Function A\nA = 1\nEnd Function\nfunction a\na = 2\nend function\n"
                                "r = A()\n")),
            QStringLiteral("2"));
}

TEST(InterpSyntax, NothingRunsWhenTheModuleDoesNotCompile) {
  MessageHost host;
  Engine engine(host);
  EXPECT_THROW(engine.load(QStringLiteral("r = 1\nx = (\n")), ScriptError);
  EXPECT_TRUE(engine.variable(QStringLiteral("r")).isEmpty());
}

TEST(InterpRuntime, ErrorsCarryLineAndRussianCause) {
  ScriptError e = errorOf(QStringLiteral("a = 1\n\nb = a / 0\n"));
  EXPECT_EQ(e.line(), 3);
  EXPECT_EQ(e.code(), ErrorCode::DivisionByZero);
  EXPECT_EQ(e.description(), QStringLiteral("Деление на ноль"));

  e = errorOf(QStringLiteral("Option Explicit\nDim a\na = 1\nб = 2\n"));
  EXPECT_EQ(e.line(), 4);
  EXPECT_EQ(e.description(), QStringLiteral("Переменная не определена: 'б'"));

  e = errorOf(QStringLiteral("Sub A\n  НетТакой 1\nEnd Sub\nA\n"));
  EXPECT_EQ(e.line(), 2);
  EXPECT_EQ(e.description(), QStringLiteral("Процедура или функция не найдена: 'НетТакой'"));

  e = errorOf(QStringLiteral("x = \"abc\" * 2\n"));
  EXPECT_EQ(e.description(), QStringLiteral("Несоответствие типа"));

  e = errorOf(QStringLiteral("Dim a(2)\na(3) = 1\n"));
  EXPECT_EQ(e.code(), ErrorCode::SubscriptOutOfRange);

  e = errorOf(QStringLiteral("Function F(n)\n  F = F(n + 1)\nEnd Function\nx = F(1)\n"));
  EXPECT_EQ(e.code(), ErrorCode::OutOfStack);
}

TEST(InterpRuntime, OnErrorResumeNextAndErrObject) {
  EXPECT_EQ(text(QStringLiteral(
                "On Error Resume Next\nx = 1 / 0\nr = Err.Number & \"|\" & Err.Description\n")),
            QStringLiteral("11|Деление на ноль"));
  EXPECT_EQ(text(QStringLiteral("On Error Resume Next\nErr.Raise 1000, \"М\", \"Своя\"\n"
                                "r = Err.Number & Err.Source & Err.Description\nErr.Clear\n"
                                "r = r & Err.Number\n")),
            QStringLiteral("1000МСвоя0"));
  // A procedure without its own handler passes the error to the caller's handler.
  EXPECT_EQ(text(QStringLiteral("Sub A\n  x = 1 / 0\n  r = \"not here\"\nEnd Sub\n"
                                "On Error Resume Next\nA\nIf Err <> 0 Then r = \"caught\"\n")),
            QStringLiteral("caught"));
  ScriptError e = errorOf(QStringLiteral("On Error Resume Next\nOn Error GoTo 0\nx = 1 / 0\n"));
  EXPECT_EQ(e.line(), 3);
}

TEST(InterpValues, NumericSubtypesPromoteOnOverflow) {
  EXPECT_EQ(text(QStringLiteral("x = 32767\nx = x + 1\nr = TypeName(x) & x\n")),
            QStringLiteral("Long32768"));
  EXPECT_EQ(text(QStringLiteral("x = 2147483647\nx = x + 1\nr = TypeName(x) & x\n")),
            QStringLiteral("Double2147483648"));
  EXPECT_EQ(text(QStringLiteral("r = TypeName(1) & TypeName(40000) & TypeName(1.5)\n")),
            QStringLiteral("IntegerLongDouble"));
  EXPECT_EQ(
      text(QStringLiteral("r = (7 \\ 2) & (-7 Mod 3) & (2 ^ 3) & (5 / 2) & (6 And 3) & (Not 0)\n")),
      QStringLiteral("3-182.52-1"));
  EXPECT_EQ(text(QStringLiteral("r = 0.1 + 0.2 & \"|\" & 1E+20 & \"|\" & 0.5\n")),
            QStringLiteral("0.3|1E+20|0.5"));
}

TEST(InterpValues, TextNullAndComparisonRules) {
  EXPECT_EQ(text(QStringLiteral("r = \"1\" + 2 & \"|\" & \"1\" + \"2\" & \"|\" & 1 & 2\n")),
            QStringLiteral("3|12|12"));
  EXPECT_EQ(text(QStringLiteral("r = \"a\" & Null & \"b\"\n")), QStringLiteral("ab"));
  EXPECT_TRUE(run(QStringLiteral("r = Null + 1\n")).isNull());
  EXPECT_TRUE(run(QStringLiteral("r = (Null = Null)\n")).isNull());
  EXPECT_EQ(text(QStringLiteral("If Null Then r = 1 Else r = 2\n")), QStringLiteral("2"));
  // A text compares with a constant number numerically, with a number in a variable as
  // greater than it.
  EXPECT_EQ(text(QStringLiteral("s = \"10\"\nn = 9\nr = (s > 9) & (s > n) & (s = \"10\")\n")),
            QStringLiteral("TrueTrueTrue"));
  EXPECT_EQ(text(QStringLiteral("s = \"5\"\nn = 9\nr = (s > 9) & (s > n)\n")),
            QStringLiteral("FalseTrue"));
  EXPECT_EQ(text(QStringLiteral("x = Empty\nr = (x = 0) & (x = \"\") & IsEmpty(y)\n")),
            QStringLiteral("TrueTrueTrue"));
  EXPECT_EQ(
      text(QStringLiteral(
          "r = True & \"|\" & Истина & \"|\" & #31.12.2024# & \"|\" & #31.12.2024 10:05:00#\n")),
      QStringLiteral("True|True|31.12.2024|31.12.2024 10:05:00"));
}

TEST(InterpStatements, ControlFlowInBothKeywordForms) {
  EXPECT_EQ(text(QStringLiteral("r = \"\"\nFor i = 10 To 1 Step -3\n  r = r & i & \",\"\nNext\n"
                                "Do While i < 3\n  i = i + 1\nLoop\nDo\n  i = i + 1\n  If i > 5 "
                                "Then Exit Do\nLoop Until False\n"
                                "r = r & i\nWhile i > 0: i = i - 2: Wend\nr = r & \"/\" & i\n")),
            QStringLiteral("10,7,4,1,6/0"));
  EXPECT_EQ(
      text(QStringLiteral("Перем р\nр = 0\nДля к = 1 До 5\n  Если к = 2 Тогда\n    р = р + 10\n"
                          "  ИначеЕсли к > 3 И к < 5 Тогда\n    р = р + 100\n  Иначе\n    р = р + "
                          "1\n  КонецЕсли\nДалее\n"
                          "Делать Пока р < 200\n  р = р * 2\nЦикл\nr = р\n")),
      QStringLiteral("226"));
  EXPECT_EQ(
      text(QStringLiteral(
          "Function K(x)\n  Select Case x\n    Case 1, 2: K = \"a\"\n    Case 3 To 5: K = \"b\"\n"
          "    Case Is > 100: K = \"c\"\n    Case Else: K = \"d\"\n  End Select\nEnd Function\n"
          "r = K(2) & K(4) & K(101) & K(50)\n")),
      QStringLiteral("abcd"));
  EXPECT_EQ(text(QStringLiteral(
                "Sub Inc(a, ByVal b)\n  a = a + 1\n  b = b + 1\nEnd Sub\nx = 1: y = 1\nInc x, y\n"
                "Call Inc(x, y)\nr = x & y\n")),
            QStringLiteral("31"));
  EXPECT_EQ(text(QStringLiteral("x = 5\nIf x > 1 Then r = \"big\" Else r = \"small\" End If\n")),
            QStringLiteral("big"));
  EXPECT_EQ(text(QStringLiteral("r = 1 + _\n  2\nConst K = 7: r = r & K ' comment\nRem end\n")),
            QStringLiteral("37"));
}

TEST(InterpStatements, ArraysHaveValueSemanticsAndBounds) {
  EXPECT_EQ(text(QStringLiteral(
                "Dim a(2)\na(0) = 1\nb = a\nb(0) = 9\nr = a(0) & b(0) & UBound(a)\n"
                "ReDim c(1)\nc(1) = \"x\"\nReDim Preserve c(3)\nr = r & c(1) & UBound(c)\n"
                "Dim m(1, 2)\nm(1, 2) = 5\nr = r & m(1, 2) & UBound(m, 2)\n"
                "For Each e In Array(1, 2, 3)\n  s = s + e\nNext\nr = r & s & Join(Split(\"a,b\", "
                "\",\"), \"-\")\n")),
            QStringLiteral("192x3526a-b"));
  ScriptError e = errorOf(QStringLiteral("Dim a(2)\nReDim a(5)\n"));
  EXPECT_EQ(e.code(), ErrorCode::ArrayFixed);
}

TEST(InterpStatements, AppendingToTextKeepsTheMeaningOfConcatenation) {
  // The in-place path: many appends, then its length.
  EXPECT_EQ(
      run(QStringLiteral("s = \"\"\nFor i = 1 To 200000\n  s = s & \"abc\"\nNext\nr = Len(s)\n"))
          .asInt(),
      600000);
  // Pieces that read the variable itself, or call a function, take the ordinary path.
  EXPECT_EQ(text(QStringLiteral("s = \"ab\"\ns = s & \"-\" & s\nr = s\n")),
            QStringLiteral("ab-ab"));
  EXPECT_EQ(text(QStringLiteral("Function F()\n  s = \"X\"\n  F = \"y\"\nEnd Function\n"
                                "s = \"a\"\ns = s & F()\nr = s\n")),
            QStringLiteral("ay"));
  // Starting from Empty, a number or Null.
  EXPECT_EQ(text(QStringLiteral("s = 12\ns = s & 3 & \"x\"\nr = s & TypeName(s)\n")),
            QStringLiteral("123xString"));
  EXPECT_EQ(text(QStringLiteral("s = Null\ns = s & Null\nr = IsNull(s)\n")),
            QStringLiteral("True"));
  // The copy taken before appending does not change.
  EXPECT_EQ(text(QStringLiteral("s = \"a\"\nt = s\ns = s & \"b\"\nr = t & s\n")),
            QStringLiteral("aab"));
}

TEST(InterpStatements, NamesIgnoreLetterCaseInEveryAlphabet) {
  EXPECT_EQ(text(QStringLiteral("Сумма = 5\nсУММА = сумма + 1\nFUNCTION Дв(Х)\n  дв = х * 2\nEND "
                                "FUNCTION\nr = ДВ(СУММА)\n")),
            QStringLiteral("12"));
}

}  // namespace
