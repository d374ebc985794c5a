#include "script/script_error.h"

namespace balvix::script {

namespace {

QString genericDescription(int code) {
  return QStringLiteral("Ошибка выполнения %1").arg(code);
}

}  // namespace

ScriptError::ScriptError(int code, const QString& name) : m_code(code) {
  m_description = standardDescription(code);
  if (!name.isEmpty()) m_description += QStringLiteral(": '%1'").arg(name);
}

ScriptError ScriptError::custom(int code, const QString& description, const QString& source) {
  ScriptError e;
  e.m_code = code;
  e.m_description = description.isEmpty() ? standardDescription(code) : description;
  e.m_source = source;
  return e;
}

ScriptError ScriptError::syntax(int line, const QString& description) {
  ScriptError e;
  e.m_code = ErrorCode::SyntaxError;
  e.m_description = description;
  e.m_line = line;
  e.m_syntax = true;
  return e;
}

bool ScriptError::isModuleMessage() const {
  // The language's own numbers keep their meaning even when a module raises them.
  return m_raisedByModule && !m_syntax && !m_description.isEmpty() &&
         standardDescription(m_code) == genericDescription(m_code);
}

QString ScriptError::message() const {
  QString where = m_module;
  if (m_line > 0) {
    if (!where.isEmpty()) where += QStringLiteral(", ");
    where += QStringLiteral("строка %1").arg(m_line);
  }
  return where.isEmpty() ? m_description : QStringLiteral("%1: %2").arg(where, m_description);
}

const char* ScriptError::what() const noexcept {
  m_what = m_description.toUtf8();
  return m_what.constData();
}

QString ScriptError::standardDescription(int code) {
  switch (code) {
    case ErrorCode::InvalidCall:
      return QStringLiteral("Недопустимый вызов процедуры или аргумент");
    case ErrorCode::Overflow:
      return QStringLiteral("Переполнение");
    case ErrorCode::OutOfMemory:
      return QStringLiteral("Недостаточно памяти");
    case ErrorCode::SubscriptOutOfRange:
      return QStringLiteral("Индекс вне диапазона");
    case ErrorCode::ArrayFixed:
      return QStringLiteral("Массив фиксирован или временно заблокирован");
    case ErrorCode::DivisionByZero:
      return QStringLiteral("Деление на ноль");
    case ErrorCode::TypeMismatch:
      return QStringLiteral("Несоответствие типа");
    case ErrorCode::Interrupted:
      return QStringLiteral("Выполнение прервано");
    case ErrorCode::OutOfStack:
      return QStringLiteral("Недостаточно места в стеке");
    case ErrorCode::ProcedureNotFound:
      return QStringLiteral("Процедура или функция не найдена");
    case ErrorCode::FileNotFound:
      return QStringLiteral("Файл не найден");
    case ErrorCode::PermissionDenied:
      return QStringLiteral("Доступ запрещен");
    case ErrorCode::PathNotFound:
      return QStringLiteral("Путь не найден");
    case ErrorCode::ObjectNotSet:
      return QStringLiteral("Объектная переменная не задана");
    case ErrorCode::InvalidUseOfNull:
      return QStringLiteral("Недопустимое использование Null");
    case ErrorCode::ObjectRequired:
      return QStringLiteral("Требуется объект");
    case ErrorCode::CannotCreateObject:
      return QStringLiteral("Невозможно создать объект");
    case ErrorCode::NotSupported:
      return QStringLiteral("Объект не поддерживает это свойство или метод");
    case ErrorCode::WrongArgumentCount:
      return QStringLiteral("Неверное число аргументов");
    case ErrorCode::NotCollection:
      return QStringLiteral("Объект не является коллекцией");
    case ErrorCode::UnsupportedType:
      return QStringLiteral("Переменная имеет тип, не поддерживаемый языком");
    case ErrorCode::ClassNotDefined:
      return QStringLiteral("Класс не определен");
    case ErrorCode::VariableUndefined:
      return QStringLiteral("Переменная не определена");
    case ErrorCode::IllegalAssignment:
      return QStringLiteral("Недопустимое присваивание");
    case ErrorCode::SyntaxError:
      return QStringLiteral("Синтаксическая ошибка");
    case ErrorCode::NameRedefined:
      return QStringLiteral("Имя переопределено");
    default:
      return genericDescription(code);
  }
}

}  // namespace balvix::script
