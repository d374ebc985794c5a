#include "script/global_functions.h"

#include <QLocale>
#include <cmath>

#include "script/coerce.h"
#include "script/regexp_object.h"
#include "script/script_error.h"

namespace balvix::script {

namespace {

const QLocale& russian() {
  static const QLocale locale(QLocale::Russian, QLocale::Russia);
  return locale;
}

void expectArgs(const Args& args, int count) {
  if (args.size() != count) throw ScriptError(ErrorCode::WrongArgumentCount);
}

QString objectArgText(const Value& arg) {
  const Value& v = arg.deref();
  if (v.isNull()) throw ScriptError(ErrorCode::InvalidUseOfNull);
  if (v.isObject() || v.isArray()) throw ScriptError(ErrorCode::TypeMismatch);
  return toText(v);
}

}  // namespace

clsExt::clsExt(Host& host, std::shared_ptr<ObjectFactory> objects)
    : m_host(host), m_objects(std::move(objects)), m_today([] { return QDate::currentDate(); }) {
  addMember(kFormat, QStringLiteral("Формат"));
  addMember(kCurrentDate, QStringLiteral("ТекущаяДата"));
  addMember(kStartProgram, QStringLiteral("ЗапуститьПриложение"));
  addMember(kMessage, QStringLiteral("Сообщить"));
  addMember(kString, QStringLiteral("Строка"));
  addMember(kNumber, QStringLiteral("Число"));
  addMember(kStatus, QStringLiteral("Состояние"));
  addMember(kCreateObject, QStringLiteral("СоздатьОбъект"));
  addMember(kOpenForm, QStringLiteral("ОткрытьФорму"));
  addMember(kOpenReport, QStringLiteral("ОткрытьОтчет"));
}

Value clsExt::invoke(int dispId, Args& args) {
  switch (dispId) {
    case kFormat:
      expectArgs(args, 1);
      return formatCurrency(args[0].deref());
    case kCurrentDate:
      expectArgs(args, 0);
      return currentDateText(m_today());
    case kStartProgram:
      expectArgs(args, 1);
      m_host.startProgram(toText(args[0].deref()));
      return Value();
    case kMessage:
      expectArgs(args, 1);
      m_host.showMessage(messageText(args[0].deref()), MsgBoxCode::OkOnly,
                         QStringLiteral("Сообщение"));
      return Value();
    case kString:
      expectArgs(args, 1);
      if (args[0].deref().isNull()) throw ScriptError(ErrorCode::InvalidUseOfNull);
      return integerText(toInteger(args[0].deref()));
    case kNumber:
      expectArgs(args, 1);
      return Value::integer(textToInteger(args[0].deref()));
    case kStatus:
      expectArgs(args, 1);
      if (args[0].deref().isNull()) throw ScriptError(ErrorCode::InvalidUseOfNull);
      m_host.setStatus(QStringLiteral("Состояние: ") + toText(args[0].deref()));
      m_host.processEvents();
      return Value();
    case kCreateObject:
      expectArgs(args, 1);
      return createObject(objectArgText(args[0]));
    case kOpenForm:
      expectArgs(args, 1);
      openForm(objectArgText(args[0]));
      return Value();
    case kOpenReport:
      openReport(args);
      return Value();
    default:
      throw ScriptError(ErrorCode::NotSupported);
  }
}

// The kinds compare exactly, letter case included: "справочник" is no object.
Value clsExt::createObject(const QString& kind) {
  // The language's own object, under the name it is known by elsewhere as well.
  if (kind.compare(QStringLiteral("RegExp"), Qt::CaseInsensitive) == 0 ||
      kind.compare(QStringLiteral("VBScript.RegExp"), Qt::CaseInsensitive) == 0)
    return Value(createRegExp());
  if (m_objects)
    if (std::shared_ptr<HostObject> object = m_objects->createObject(kind)) return Value(object);
  m_host.showProgramMessage(QStringLiteral("Объект не существует!"));
  return Value::nothing();
}

// "Справочник.Товары": what opens is the factory's matter.
void clsExt::openForm(const QString& path) {
  if (path.isEmpty()) return;
  const qsizetype point = path.indexOf(u'.');
  if (point <= 0)
    throw ScriptError::custom(
        ErrorCode::InvalidCall,
        QStringLiteral("ОткрытьФорму: путь «%1» должен иметь вид Вид.Имя, например "
                       "«Справочник.Товары».")
            .arg(path));
  if (m_objects) m_objects->openForm(path.left(point), path.mid(point + 1));
}

namespace {

// A date value, or its text dd.MM.yyyy; Empty and the empty text are no date.
QDate reportDate(const Value& v, int position) {
  if (v.isEmpty() || v.isMissing() || (v.isString() && v.asString().trimmed().isEmpty())) return {};
  if (v.type() == Value::Type::Date) return QDate(1899, 12, 30).addDays(qint64(v.asDouble()));
  const QString text = toText(v).trimmed();
  for (const QString& format : {QStringLiteral("dd.MM.yyyy"), QStringLiteral("d.M.yyyy")})
    if (const QDate d = QDate::fromString(text, format); d.isValid()) return d;
  throw ScriptError::custom(
      ErrorCode::TypeMismatch,
      QStringLiteral("ОткрытьОтчет: аргумент %1 «%2» не является датой ДД.ММ.ГГГГ.")
          .arg(position)
          .arg(text));
}

}  // namespace

void clsExt::openReport(const Args& args) {
  if (args.size() < 1 || args.size() == 2 || (args.size() > 3 && args.size() % 2 == 0))
    throw ScriptError::custom(
        ErrorCode::WrongArgumentCount,
        QStringLiteral("ОткрытьОтчет(Имя, НачалоПериода, КонецПериода, Поле, Значение, …): "
                       "поля и значения идут парами."));
  ReportRequest request;
  request.name = objectArgText(args[0]).trimmed();
  if (request.name.isEmpty())
    throw ScriptError::custom(ErrorCode::InvalidCall,
                              QStringLiteral("ОткрытьОтчет: не указано имя отчета."));
  if (args.size() >= 3) {
    request.start = reportDate(args[1].deref(), 2);
    request.end = reportDate(args[2].deref(), 3);
  }
  for (int i = 3; i + 1 < args.size(); i += 2)
    request.fields.append({objectArgText(args[i]), toText(args[i + 1].deref())});
  if (m_objects) m_objects->openReport(request);
}

// A message shows any value: an object by its default member, Null as empty text.
QString clsExt::messageText(const Value& v) const {
  if (v.isObject()) {
    const auto& object = v.asObject();
    const int member = object ? object->defaultMember() : -1;
    if (member < 0) throw ScriptError(ErrorCode::TypeMismatch);
    Args none(nullptr, 0);
    return toText(object->invoke(member, none).deref());
  }
  return toText(v);
}

// Empty, Null and the empty text give Empty (no value); anything else is formatted as
// roubles with two decimals in the Russian regional style: "1 234,50 ₽", with no-break
// spaces between the digit groups and before the sign.
Value clsExt::formatCurrency(const Value& value) {
  if (value.isEmpty() || value.isNull() || (value.isString() && value.asString().isEmpty()))
    return Value();
  double d = toDouble(value);
  if (std::fabs(d) < 0.005) d = 0;  // no "-0,00 ₽" for a tiny negative amount
  return russian().toCurrencyString(d, russian().currencySymbol(), 2);
}

// "6 декабря 2026 г.": the day without a leading zero and the month in the genitive, as a
// date is written in Russian.
QString clsExt::currentDateText(const QDate& today) {
  return QStringLiteral("%1 %2 %3 г.")
      .arg(today.day())
      .arg(russian().monthName(today.month(), QLocale::LongFormat))
      .arg(today.year(), 4, 10, QLatin1Char('0'));
}

// The sign position is kept: a blank before zero and positive numbers.
QString clsExt::integerText(std::int16_t n) {
  return n < 0 ? QString::number(n) : u' ' + QString::number(n);
}

// Text to a 16-bit integer, rounded down: "2,7" → 2, "-0,5" → -1. Either "." or "," is
// the decimal point.
std::int16_t clsExt::textToInteger(const Value& text) {
  if (text.isNull()) throw ScriptError(ErrorCode::InvalidUseOfNull);
  double d = 0;
  if (!parseNumber(toText(text), d)) throw ScriptError(ErrorCode::TypeMismatch);
  const double down = std::floor(d);
  if (!(down >= -32768.0 && down <= 32767.0)) throw ScriptError(ErrorCode::Overflow);
  return static_cast<std::int16_t>(down);
}

}  // namespace balvix::script
