#pragma once

#include <QString>
#include <exception>
#include <utility>

namespace balvix::script {

// Error numbers of the module language; modules test them through Err.Number.
namespace ErrorCode {
constexpr int InvalidCall = 5;  // invalid procedure call or argument
constexpr int Overflow = 6;
constexpr int OutOfMemory = 7;
constexpr int SubscriptOutOfRange = 9;
constexpr int ArrayFixed = 10;
constexpr int DivisionByZero = 11;
constexpr int TypeMismatch = 13;
constexpr int Interrupted = 18;
constexpr int OutOfStack = 28;
constexpr int ProcedureNotFound = 35;
constexpr int FileNotFound = 53;
constexpr int PermissionDenied = 70;
constexpr int PathNotFound = 76;
constexpr int ObjectNotSet = 91;
constexpr int InvalidUseOfNull = 94;
constexpr int ObjectRequired = 424;
constexpr int CannotCreateObject = 429;
constexpr int NotSupported = 438;  // object does not support this property or method
constexpr int WrongArgumentCount = 450;
constexpr int NotCollection = 451;  // For Each over an object that is no collection
constexpr int UnsupportedType = 458;
constexpr int VariableUndefined = 500;
constexpr int IllegalAssignment = 501;
constexpr int ClassNotDefined = 506;
constexpr int SyntaxError = 1002;
constexpr int NameRedefined = 1041;
}  // namespace ErrorCode

// A syntax or run-time error of a module. The interpreter fills in the line (1-based,
// within the module that holds it, see module()) where the statement that failed
// begins; code that raises an error leaves it at 0.
class ScriptError : public std::exception {
 public:
  // An error with the standard Russian text of its number, optionally naming what
  // failed: ScriptError(ErrorCode::VariableUndefined, "х") reads
  // "Переменная не определена: 'х'".
  explicit ScriptError(int code, const QString& name = QString());
  // An error with its own description (Err.Raise, host objects, database errors).
  static ScriptError custom(int code, const QString& description,
                            const QString& source = QString());
  static ScriptError syntax(int line, const QString& description);

  int code() const { return m_code; }
  const QString& description() const { return m_description; }
  const QString& source() const { return m_source; }
  int line() const { return m_line; }
  // The module the line belongs to ("Глобальный модуль", "Документ.Приход", a file);
  // empty when the engine was given one unnamed text.
  const QString& module() const { return m_module; }
  bool isSyntax() const { return m_syntax; }
  // Raised by the module itself (Err.Raise) with a number of its own and a description:
  // the module's message to the user, such as a refused posting, rather than a fault.
  bool isModuleMessage() const;
  void setRaisedByModule() { m_raisedByModule = true; }
  // An interruption by the host passes through On Error Resume Next.
  bool isInterrupt() const { return m_code == ErrorCode::Interrupted; }

  void setLine(int line) { m_line = line; }
  ScriptError&& withLine(int line) && {
    m_line = line;
    return std::move(*this);
  }
  void setSource(const QString& source) { m_source = source; }
  const QString& helpFile() const { return m_helpFile; }
  int helpContext() const { return m_helpContext; }
  void setHelp(const QString& file, int context) {
    m_helpFile = file;
    m_helpContext = context;
  }
  // Set once by the engine when the error leaves it: the line is then the module's own.
  void setLocation(const QString& module, int line) {
    m_module = module;
    m_line = line;
    m_located = true;
  }
  bool isLocated() const { return m_located; }
  // "Глобальный модуль, строка 3: Деление на ноль" (without the module when there is none).
  QString message() const;

  const char* what() const noexcept override;

  // The standard Russian text of an error number ("Деление на ноль" for 11), or
  // "Ошибка выполнения N" for numbers without one.
  static QString standardDescription(int code);

 private:
  ScriptError() = default;
  int m_code = 0;
  QString m_description;
  QString m_source;
  QString m_module;
  QString m_helpFile;
  int m_helpContext = 0;
  int m_line = 0;
  bool m_syntax = false;
  bool m_located = false;
  bool m_raisedByModule = false;
  mutable QByteArray m_what;
};

}  // namespace balvix::script
