#pragma once

#include <QDateTime>
#include <QString>
#include <QStringView>
#include <cstdint>

#include "script/value.h"

// Conversions between the value types, as the operators and the built-in functions
// apply them. Every conversion that cannot be made throws ScriptError: 13 «Несоответствие
// типа» for text that is not a number or date, 94 «Недопустимое использование Null» for
// Null where a value is needed, 6 «Переполнение» for a number out of the target range.
namespace balvix::script {

// Number: Empty → 0, Boolean → -1/0, text parsed ("." or "," as decimal point), Date →
// its serial number; an object's default member is not consulted here.
double toDouble(const Value& v);
// Whole numbers round half to even, as CLng/CInt do.
std::int32_t toLong(const Value& v);
std::int16_t toInteger(const Value& v);
bool toBool(const Value& v);  // numbers: non-zero; text "True"/"False"/"Истина"/"Ложь" or a number
// Date serial (days since 30.12.1899); text "dd.MM.yyyy[ hh:mm[:ss]]", "hh:mm[:ss]" or
// "yyyy-MM-dd" is accepted.
double toDate(const Value& v);
// Text of a value for `&`, CStr and output: Empty and Null give "" (callers that must
// refuse Null check isNull() first); numbers with "." as decimal point; dates
// dd.MM.yyyy[ hh:mm:ss]; booleans "True"/"False".
QString toText(const Value& v);

// A number from text; false when the text is not a number. Blanks around, a sign, "."
// or "," as decimal point, an exponent and &H hex are accepted.
bool parseNumber(QStringView text, double& out);
// A date serial from text (see toDate); false when the text is not a date.
bool parseDate(QStringView text, double& out);

// Bounds that keep a module from taking the machine's memory: the longest text and the
// most elements of one array. Past them the module gets «Недостаточно памяти».
constexpr qsizetype kMaxTextLength = qsizetype(1) << 25;
constexpr std::int32_t kMaxArrayElements = std::int32_t(1) << 22;
[[noreturn]] void throwOutOfMemory();
// Throws OutOfMemory when a text of `length` characters would be too long.
inline void checkTextLength(qsizetype length) {
  if (length > kMaxTextLength) throwOutOfMemory();
}

// The dates the language can hold: 01.01.100 to 31.12.9999. Returns the serial or throws
// Overflow, so a date outside the calendar never reaches formatting.
double checkDateRange(double serial);
inline Value dateValue(double serial) {
  return Value::date(checkDateRange(serial));
}

QString formatDouble(double d);  // 15 significant digits: "0.5", "1E+20", "-3"
QString formatDate(double serial);
QString formatSingle(float f);                     // 7 significant digits: "0.1", "3.402823E+38"
QString formatCurrencyValue(std::int64_t scaled);  // up to 4 decimals: "0.3", "-12.5"
// CCur and CSng: Overflow outside the subtype's range; Currency rounds half to even.
Value toCurrency(const Value& v);
Value toSingle(const Value& v);
void appendText(QString& out, const Value& v);  // out += toText(v), without a temporary for numbers
// out += the n characters at p, within the text length bound.
void appendChars(QString& out, const QChar* p, qsizetype n);

// Date serials and Qt date-times.
double toSerial(const QDateTime& dt);
double toSerial(const QDate& d);
QDateTime fromSerial(double serial);

// Rounds half to even (the rule of CInt, CLng, \, Mod and array indices).
double roundEven(double d);

// VarType() numbers and TypeName() words.
int varType(const Value& v);
QString typeName(const Value& v);

// True when the value is an object reference that is not Nothing.
bool isObjectRef(const Value& v);

}  // namespace balvix::script
