#pragma once

// Built-in functions of the module language.
//
// For the built-ins engineer: provide, in builtins_*.cpp files, the four functions
// declared at the bottom (registerStringBuiltins, registerMathBuiltins,
// registerDateBuiltins, registerConversionBuiltins). Each adds its functions (and any
// named constants such as vbCrLf, vbYesNo) to the table with table.add()/addConstant().
// A built-in gets its arguments already evaluated (Missing for a left-out optional
// one), returns a Value and throws ScriptError for a bad argument; the interpreter adds
// the line. Use the coercions of coerce.h (toDouble, toLong, toInteger, toText, toDate,
// toBool, formatDouble, parseNumber, varType, typeName). MsgBox reaches the user through
// ctx.host.showMessage().
//
// Implemented by the interpreter itself (do not register these): IIf and its form "?",
// IsObject, IsArray, IsEmpty, IsNull, IsMissing, TypeName, VarType, Array, UBound, LBound,
// Join, Split, Filter, and the Err object. True, False, Empty, Null and Nothing are
// keywords (Истина/Ложь are accepted for True/False).
//
// The global-functions object is clsExt (global_functions.h); the script objects make it
// with their factory (createGlobalFunctions in objects/object_factory.h), and the headless
// runner and the forms register it with Engine::setGlobalObject().

#include <QString>
#include <vector>

#include "script/coerce.h"
#include "script/host.h"
#include "script/script_error.h"
#include "script/value.h"

namespace balvix::script {

class Engine;

// What a built-in function can reach besides its arguments.
struct CallContext {
  Engine& engine;
  Host& host;
};

using BuiltinFn = Value (*)(CallContext& ctx, Args& args);

struct BuiltinInfo {
  QString name;  // as registered, for messages
  BuiltinFn fn = nullptr;
  int minArgs = 0;
  int maxArgs = 0;  // -1: any number
  bool isConstant = false;
  // An object argument with a default member gives that member's value (CInt(o), Len(o)).
  bool takesDefault = false;
  // A procedure, not a function: used in an expression it is a type mismatch (Randomize).
  bool isSub = false;
  Value constant;
};

// The built-in functions and named constants, found by name without regard to letter
// case. Filled once per engine before a module is compiled.
class BuiltinTable {
 public:
  // A later add() of the same name replaces the earlier one.
  void add(const QString& name, BuiltinFn fn, int minArgs, int maxArgs);
  void addConstant(const QString& name, const Value& value);
  // nullptr when there is no built-in of that name.
  const BuiltinInfo* find(const QString& name) const;
  int size() const { return static_cast<int>(m_items.size()); }

 private:
  std::vector<BuiltinInfo> m_items;
  std::vector<QString> m_folded;
};

// Fills the table with everything below plus the interpreter's own functions.
// Helpers the built-in functions share for reading their arguments.
namespace builtin_args {
inline const Value& arg(Args& args, int i) {
  return args.at(i).deref();
}
[[noreturn]] inline void invalidCall() {
  throw ScriptError(ErrorCode::InvalidCall);
}
}  // namespace builtin_args

void registerBuiltins(BuiltinTable& table);

// Written by the built-ins engineer.
void registerStringBuiltins(
    BuiltinTable&
        table);  // Len, Left, Right, Mid, InStr, InStrRev, Replace, Trim, LTrim, RTrim, UCase,
                 // LCase, Space, String, StrComp, StrReverse, Chr, ChrW, Asc, AscW, ...
void registerMathBuiltins(BuiltinTable& table);  // Abs, Int, Fix, Round, Sqr, Sgn, Rnd, Randomize,
                                                 // Exp, Log, Sin, Cos, Tan, Atn, Hex, Oct, ...
void registerDateBuiltins(
    BuiltinTable& table);  // Date, Time, Now, Year, Month, Day, Hour, Minute, Second, Weekday,
                           // DateAdd, DateDiff, DateSerial, TimeSerial, DateValue, TimeValue,
                           // MonthName, WeekdayName, FormatDateTime, ...
void registerConversionBuiltins(
    BuiltinTable& table);  // CStr, CInt, CLng, CDbl, CDate, CBool, CByte, IsNumeric, IsDate,
                           // FormatNumber, FormatCurrency, FormatPercent, MsgBox, InputBox, ...

// The interpreter's own functions (intrinsics.cpp).
void registerIntrinsicBuiltins(BuiltinTable& table);

}  // namespace balvix::script
