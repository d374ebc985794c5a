#include <QDateTime>
#include <array>
#include <cmath>

#include "script/builtins.h"

// Date and time functions. Dates are serial numbers (days since 30.12.1899, the
// fraction is the time of day); names of months and days are Russian, as the regional
// settings of the program's users give them.
namespace balvix::script {

namespace {

using builtin_args::arg;
using builtin_args::invalidCall;

constexpr std::array<const char16_t*, 12> kMonths = {
    u"Январь", u"Февраль", u"Март",     u"Апрель",  u"Май",    u"Июнь",
    u"Июль",   u"Август",  u"Сентябрь", u"Октябрь", u"Ноябрь", u"Декабрь"};
constexpr std::array<const char16_t*, 12> kMonthsShort = {
    u"янв", u"фев", u"мар", u"апр", u"май", u"июн", u"июл", u"авг", u"сен", u"окт", u"ноя", u"дек"};
constexpr std::array<const char16_t*, 12> kMonthsGenitive = {
    u"января", u"февраля", u"марта",    u"апреля",  u"мая",    u"июня",
    u"июля",   u"августа", u"сентября", u"октября", u"ноября", u"декабря"};
// Sunday first, as the language numbers the days.
constexpr std::array<const char16_t*, 7> kDays = {
    u"воскресенье", u"понедельник", u"вторник", u"среда", u"четверг", u"пятница", u"суббота"};
constexpr std::array<const char16_t*, 7> kDaysShort = {u"Вс", u"Пн", u"Вт", u"Ср",
                                                       u"Чт", u"Пт", u"Сб"};

QDateTime dateArg(Args& args, int i) {
  return fromSerial(toDate(arg(args, i)));
}

// The first day of the week: 1 = Sunday ... 7 = Saturday; 0 means the system's, which is
// Monday for Russian settings.
int firstDayArg(Args& args, int i) {
  if (!args.has(i)) return 1;
  const int f = toLong(arg(args, i));
  if (f < 0 || f > 7) invalidCall();
  return f == 0 ? 2 : f;
}

// Day of week counted from `firstDay` (1-based), for a Qt day of week (Monday = 1).
int weekdayFrom(int qtDayOfWeek, int firstDay) {
  const int fromSunday = qtDayOfWeek % 7 + 1;  // Sunday = 1
  return (fromSunday - firstDay + 7) % 7 + 1;
}

Value dateValue(const QDateTime& dt) {
  if (!dt.isValid()) throw ScriptError(ErrorCode::Overflow);
  return script::dateValue(toSerial(dt));
}

Value fnDate(CallContext&, Args&) {
  return Value::date(toSerial(QDate::currentDate()));
}

Value fnTime(CallContext&, Args&) {
  return Value::date((QTime::currentTime().msecsSinceStartOfDay() / 1000) / 86400.0);
}

Value fnNow(CallContext&, Args&) {
  return dateValue(QDateTime::currentDateTime());
}

template <int (*Part)(const QDateTime&)>
Value datePartFn(CallContext&, Args& args) {
  if (arg(args, 0).isNull()) return Value::null();
  return Value::number(Part(dateArg(args, 0)));
}

int yearOf(const QDateTime& dt) {
  return dt.date().year();
}
int monthOf(const QDateTime& dt) {
  return dt.date().month();
}
int dayOf(const QDateTime& dt) {
  return dt.date().day();
}
int hourOf(const QDateTime& dt) {
  return dt.time().hour();
}
int minuteOf(const QDateTime& dt) {
  return dt.time().minute();
}
int secondOf(const QDateTime& dt) {
  return dt.time().second();
}

Value fnWeekday(CallContext&, Args& args) {
  // The first day is checked even for a Null date.
  const int firstDay = firstDayArg(args, 1);
  if (arg(args, 0).isNull()) return Value::null();
  return Value::integer(
      static_cast<std::int16_t>(weekdayFrom(dateArg(args, 0).date().dayOfWeek(), firstDay)));
}

enum class Interval { Year, Quarter, Month, DayOfYear, Day, Weekday, Week, Hour, Minute, Second };

Interval intervalArg(Args& args, int i) {
  const QString s = toText(arg(args, i)).trimmed().toLower();
  if (s == u"yyyy") return Interval::Year;
  if (s == u"q") return Interval::Quarter;
  if (s == u"m") return Interval::Month;
  if (s == u"y") return Interval::DayOfYear;
  if (s == u"d") return Interval::Day;
  if (s == u"w") return Interval::Weekday;
  if (s == u"ww") return Interval::Week;
  if (s == u"h") return Interval::Hour;
  if (s == u"n") return Interval::Minute;
  if (s == u"s") return Interval::Second;
  invalidCall();
}

QDateTime checked(const QDateTime& dt) {
  if (!dt.isValid() || dt.date().year() < 100 || dt.date().year() > 9999) invalidCall();
  return dt;
}

Value fnDateAdd(CallContext&, Args& args) {
  const Interval interval = intervalArg(args, 0);
  if (arg(args, 1).isNull() || arg(args, 2).isNull()) return Value::null();
  const double n = roundEven(toDouble(arg(args, 1)));
  if (std::fabs(n) > 1e7) invalidCall();
  const int k = static_cast<int>(n);
  const QDateTime dt = dateArg(args, 2);
  switch (interval) {
    case Interval::Year:
      return dateValue(checked(QDateTime(dt.date().addYears(k), dt.time())));
    case Interval::Quarter:
      return dateValue(checked(QDateTime(dt.date().addMonths(3 * k), dt.time())));
    case Interval::Month:
      return dateValue(checked(QDateTime(dt.date().addMonths(k), dt.time())));
    case Interval::DayOfYear:
    case Interval::Day:
    case Interval::Weekday:
      return dateValue(checked(QDateTime(dt.date().addDays(k), dt.time())));
    case Interval::Week:
      return dateValue(checked(QDateTime(dt.date().addDays(7LL * k), dt.time())));
    case Interval::Hour:
      return dateValue(checked(dt.addSecs(3600LL * k)));
    case Interval::Minute:
      return dateValue(checked(dt.addSecs(60LL * k)));
    case Interval::Second:
      return dateValue(checked(dt.addSecs(k)));
  }
  invalidCall();
}

// Seconds from 30.12.1899 00:00 on a plain time line, for counting hour, minute and
// second boundaries.
long long absoluteSeconds(const QDateTime& dt) {
  return QDate(1899, 12, 30).daysTo(dt.date()) * 86400LL + dt.time().msecsSinceStartOfDay() / 1000;
}

long long floorDiv(long long a, long long b) {
  long long q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

Value fnDateDiff(CallContext&, Args& args) {
  const Interval interval = intervalArg(args, 0);
  if (arg(args, 1).isNull() || arg(args, 2).isNull()) return Value::null();
  const QDateTime a = dateArg(args, 1);
  const QDateTime b = dateArg(args, 2);
  const int firstDay = firstDayArg(args, 3);
  long long r = 0;
  switch (interval) {
    case Interval::Year:
      r = b.date().year() - a.date().year();
      break;
    case Interval::Quarter:
      r = (b.date().year() * 4LL + (b.date().month() - 1) / 3) -
          (a.date().year() * 4LL + (a.date().month() - 1) / 3);
      break;
    case Interval::Month:
      r = (b.date().year() * 12LL + b.date().month()) - (a.date().year() * 12LL + a.date().month());
      break;
    case Interval::DayOfYear:
    case Interval::Day:
      r = a.date().daysTo(b.date());
      break;
    case Interval::Weekday:
      r = a.date().daysTo(b.date()) / 7;
      break;
    case Interval::Week: {
      // Counts the first days of the week passed between the two dates.
      const QDate wa = a.date().addDays(-(weekdayFrom(a.date().dayOfWeek(), firstDay) - 1));
      const QDate wb = b.date().addDays(-(weekdayFrom(b.date().dayOfWeek(), firstDay) - 1));
      r = wa.daysTo(wb) / 7;
      break;
    }
    case Interval::Hour:
      r = floorDiv(absoluteSeconds(b), 3600) - floorDiv(absoluteSeconds(a), 3600);
      break;
    case Interval::Minute:
      r = floorDiv(absoluteSeconds(b), 60) - floorDiv(absoluteSeconds(a), 60);
      break;
    case Interval::Second:
      r = absoluteSeconds(b) - absoluteSeconds(a);
      break;
  }
  return Value::number(r);
}

Value fnDatePart(CallContext&, Args& args) {
  const Interval interval = intervalArg(args, 0);
  if (arg(args, 1).isNull()) return Value::null();
  const QDateTime dt = dateArg(args, 1);
  const int firstDay = firstDayArg(args, 2);
  const QDate d = dt.date();
  switch (interval) {
    case Interval::Year:
      return Value::number(d.year());
    case Interval::Quarter:
      return Value::number((d.month() - 1) / 3 + 1);
    case Interval::Month:
      return Value::number(d.month());
    case Interval::DayOfYear:
      return Value::number(d.dayOfYear());
    case Interval::Day:
      return Value::number(d.day());
    case Interval::Weekday:
      return Value::number(weekdayFrom(d.dayOfWeek(), firstDay));
    case Interval::Week: {
      // The week that holds 1 January is week 1.
      const QDate jan1(d.year(), 1, 1);
      const int offset = weekdayFrom(jan1.dayOfWeek(), firstDay) - 1;
      return Value::number((d.dayOfYear() - 1 + offset) / 7 + 1);
    }
    case Interval::Hour:
      return Value::number(dt.time().hour());
    case Interval::Minute:
      return Value::number(dt.time().minute());
    case Interval::Second:
      return Value::number(dt.time().second());
  }
  invalidCall();
}

Value fnDateSerial(CallContext&, Args& args) {
  int year = toInteger(arg(args, 0));
  const int month = toInteger(arg(args, 1));
  const int day = toInteger(arg(args, 2));
  // Two-digit years: 0–29 are 2000–2029, 30–99 are 1930–1999.
  if (year >= 0 && year < 100) year += year < 30 ? 2000 : 1900;
  // Months and days outside their range carry over into the next or previous unit.
  const QDate d = QDate(year, 1, 1).addMonths(month - 1).addDays(day - 1);
  if (!d.isValid() || d.year() < 100 || d.year() > 9999) invalidCall();
  return Value::date(toSerial(d));
}

Value fnTimeSerial(CallContext&, Args& args) {
  const long long secs =
      toInteger(arg(args, 0)) * 3600LL + toInteger(arg(args, 1)) * 60LL + toInteger(arg(args, 2));
  return Value::date(secs / 86400.0);
}

Value fnDateValue(CallContext&, Args& args) {
  if (arg(args, 0).isNull()) return Value::null();
  return Value::date(toSerial(dateArg(args, 0).date()));
}

Value fnTimeValue(CallContext&, Args& args) {
  if (arg(args, 0).isNull()) return Value::null();
  return Value::date((dateArg(args, 0).time().msecsSinceStartOfDay() / 1000) / 86400.0);
}

Value fnMonthName(CallContext&, Args& args) {
  const int m = toLong(arg(args, 0));
  if (m < 1 || m > 12) invalidCall();
  const bool abbreviate = args.has(1) && toBool(arg(args, 1));
  return QString::fromUtf16(abbreviate ? kMonthsShort[m - 1] : kMonths[m - 1]);
}

Value fnWeekdayName(CallContext&, Args& args) {
  const int w = toLong(arg(args, 0));
  if (w < 1 || w > 7) invalidCall();
  const bool abbreviate = args.has(1) && toBool(arg(args, 1));
  const int index = (w - 1 + firstDayArg(args, 2) - 1) % 7;
  return QString::fromUtf16(abbreviate ? kDaysShort[index] : kDays[index]);
}

Value fnFormatDateTime(CallContext&, Args& args) {
  const Value& v = arg(args, 0);
  if (v.isNull()) throw ScriptError(ErrorCode::TypeMismatch);
  const double serial = toDate(v);
  const int format = args.has(1) ? toLong(arg(args, 1)) : 0;
  const QDateTime dt = fromSerial(serial);
  switch (format) {
    case 0:
      return formatDate(serial);
    case 1:
      return QStringLiteral("%1 %2 %3 г.")
          .arg(dt.date().day())
          .arg(QString::fromUtf16(kMonthsGenitive[dt.date().month() - 1]))
          .arg(dt.date().year(), 4, 10, QLatin1Char('0'));
    case 2:
      return dt.date().toString(QStringLiteral("dd.MM.yyyy"));
    case 3:
      return dt.time().toString(QStringLiteral("hh:mm:ss"));
    case 4:
      return dt.time().toString(QStringLiteral("hh:mm"));
    default:
      invalidCall();
  }
}

}  // namespace

void registerDateBuiltins(BuiltinTable& table) {
  table.add(QStringLiteral("Date"), fnDate, 0, 0);
  table.add(QStringLiteral("Time"), fnTime, 0, 0);
  table.add(QStringLiteral("Now"), fnNow, 0, 0);
  table.add(QStringLiteral("Year"), datePartFn<yearOf>, 1, 1);
  table.add(QStringLiteral("Month"), datePartFn<monthOf>, 1, 1);
  table.add(QStringLiteral("Day"), datePartFn<dayOf>, 1, 1);
  table.add(QStringLiteral("Hour"), datePartFn<hourOf>, 1, 1);
  table.add(QStringLiteral("Minute"), datePartFn<minuteOf>, 1, 1);
  table.add(QStringLiteral("Second"), datePartFn<secondOf>, 1, 1);
  table.add(QStringLiteral("Weekday"), fnWeekday, 1, 2);
  table.add(QStringLiteral("DateAdd"), fnDateAdd, 3, 3);
  table.add(QStringLiteral("DateDiff"), fnDateDiff, 3, 5);
  table.add(QStringLiteral("DatePart"), fnDatePart, 2, 4);
  table.add(QStringLiteral("DateSerial"), fnDateSerial, 3, 3);
  table.add(QStringLiteral("TimeSerial"), fnTimeSerial, 3, 3);
  table.add(QStringLiteral("DateValue"), fnDateValue, 1, 1);
  table.add(QStringLiteral("TimeValue"), fnTimeValue, 1, 1);
  table.add(QStringLiteral("MonthName"), fnMonthName, 1, 2);
  table.add(QStringLiteral("WeekdayName"), fnWeekdayName, 1, 3);
  table.add(QStringLiteral("FormatDateTime"), fnFormatDateTime, 1, 2);

  const char16_t* days[] = {u"vbSunday",   u"vbMonday", u"vbTuesday", u"vbWednesday",
                            u"vbThursday", u"vbFriday", u"vbSaturday"};
  for (int i = 0; i < 7; ++i)
    table.addConstant(QString::fromUtf16(days[i]),
                      Value::integer(static_cast<std::int16_t>(i + 1)));
  table.addConstant(QStringLiteral("vbUseSystem"), Value::integer(0));
  table.addConstant(QStringLiteral("vbUseSystemDayOfWeek"), Value::integer(0));
  table.addConstant(QStringLiteral("vbFirstJan1"), Value::integer(1));
  table.addConstant(QStringLiteral("vbGeneralDate"), Value::integer(0));
  table.addConstant(QStringLiteral("vbLongDate"), Value::integer(1));
  table.addConstant(QStringLiteral("vbShortDate"), Value::integer(2));
  table.addConstant(QStringLiteral("vbLongTime"), Value::integer(3));
  table.addConstant(QStringLiteral("vbShortTime"), Value::integer(4));
}

}  // namespace balvix::script
