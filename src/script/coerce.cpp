#include "script/coerce.h"

#include <QRegularExpression>
#include <charconv>
#include <cmath>

#include "script/host_object.h"
#include "script/script_error.h"

namespace balvix::script {

namespace {

const QDate kEpoch(1899, 12, 30);

[[noreturn]] void mismatch() {
  throw ScriptError(ErrorCode::TypeMismatch);
}
[[noreturn]] void nullUse() {
  throw ScriptError(ErrorCode::InvalidUseOfNull);
}

bool isBlank(QChar c) {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

}  // namespace

double roundEven(double d) {
  return std::nearbyint(d);
}

bool parseNumber(QStringView text, double& out) {
  qsizetype b = 0, e = text.size();
  while (b < e && isBlank(text[b])) ++b;
  while (e > b && isBlank(text[e - 1])) --e;
  if (b == e) return false;
  bool negative = false;
  if (text[b] == u'+' || text[b] == u'-') {
    negative = text[b] == u'-';
    ++b;
    while (b < e && isBlank(text[b])) ++b;
  }
  if (b == e) return false;
  if (text[b] == u'&' && b + 1 < e) {
    const QChar kind = text[b + 1].toUpper();
    int base = kind == u'H' ? 16 : kind == u'O' ? 8 : 0;
    if (!base) return false;
    bool ok = false;
    const qlonglong v = text.mid(b + 2, e - b - 2).toLongLong(&ok, base);
    if (!ok) return false;
    out = negative ? -static_cast<double>(v) : static_cast<double>(v);
    return true;
  }
  char buf[128];
  qsizetype n = 0;
  bool digits = false, point = false, exponent = false;
  for (qsizetype i = b; i < e; ++i) {
    const char16_t c = text[i].unicode();
    if (n >= 120) return false;
    if (c >= u'0' && c <= u'9') {
      digits = true;
      buf[n++] = static_cast<char>(c);
    } else if ((c == u'.' || c == u',') && !point && !exponent) {
      point = true;
      buf[n++] = '.';
    } else if ((c == u'e' || c == u'E') && digits && !exponent) {
      exponent = true;
      buf[n++] = 'e';
      if (i + 1 < e && (text[i + 1] == u'+' || text[i + 1] == u'-'))
        buf[n++] = static_cast<char>(text[++i].unicode());
      if (i + 1 >= e) return false;
    } else {
      return false;
    }
  }
  if (!digits) return false;
  double v = 0;
  auto res = std::from_chars(buf, buf + n, v);
  if (res.ec != std::errc() || res.ptr != buf + n) {
    if (res.ec == std::errc::result_out_of_range) throw ScriptError(ErrorCode::Overflow);
    return false;
  }
  out = negative ? -v : v;
  return true;
}

void throwOutOfMemory() {
  throw ScriptError(ErrorCode::OutOfMemory);
}

double checkDateRange(double serial) {
  // 01.01.100 is -657434, 31.12.9999 23:59:59 is just below 2958466.
  if (!(serial >= -657434.0 && serial < 2958466.0)) throw ScriptError(ErrorCode::Overflow);
  return serial;
}

double toSerial(const QDate& d) {
  return static_cast<double>(kEpoch.daysTo(d));
}

double toSerial(const QDateTime& dt) {
  const QTime t = dt.time();
  return toSerial(dt.date()) + (t.msecsSinceStartOfDay() / 1000) / 86400.0;
}

QDateTime fromSerial(double serial) {
  double days = std::floor(serial);
  long long secs = std::llround((serial - days) * 86400.0);
  if (secs >= 86400) {
    secs -= 86400;
    days += 1;
  }
  return QDateTime(kEpoch.addDays(static_cast<qint64>(days)),
                   QTime(0, 0).addSecs(static_cast<int>(secs)));
}

bool parseDate(QStringView text, double& out) {
  static const QRegularExpression dmy(QStringLiteral(
      R"(^\s*(\d{1,2})[./-](\d{1,2})[./-](\d{2,4})(?:\s+(\d{1,2}):(\d{2})(?::(\d{2}))?)?\s*$)"));
  static const QRegularExpression ymd(QStringLiteral(
      R"(^\s*(\d{4})-(\d{1,2})-(\d{1,2})(?:[ T](\d{1,2}):(\d{2})(?::(\d{2}))?)?\s*$)"));
  static const QRegularExpression hms(QStringLiteral(R"(^\s*(\d{1,2}):(\d{2})(?::(\d{2}))?\s*$)"));
  const QString s = text.toString();
  auto timePart = [](const QRegularExpressionMatch& m, int first, double& frac) {
    if (!m.capturedLength(first)) {
      frac = 0;
      return true;
    }
    const int h = m.captured(first).toInt(), mi = m.captured(first + 1).toInt(),
              se = m.capturedLength(first + 2) ? m.captured(first + 2).toInt() : 0;
    if (h > 23 || mi > 59 || se > 59) return false;
    frac = (h * 3600 + mi * 60 + se) / 86400.0;
    return true;
  };
  QRegularExpressionMatch m = dmy.match(s);
  int day = 0, month = 0, year = 0;
  double frac = 0;
  if (m.hasMatch()) {
    day = m.captured(1).toInt();
    month = m.captured(2).toInt();
    year = m.captured(3).toInt();
    if (m.capturedLength(3) <= 2) year += year < 30 ? 2000 : 1900;
    if (!timePart(m, 4, frac)) return false;
  } else if ((m = ymd.match(s)).hasMatch()) {
    year = m.captured(1).toInt();
    month = m.captured(2).toInt();
    day = m.captured(3).toInt();
    if (!timePart(m, 4, frac)) return false;
  } else if ((m = hms.match(s)).hasMatch()) {
    if (!timePart(m, 1, frac)) return false;
    out = frac;
    return true;
  } else {
    return false;
  }
  const QDate d(year, month, day);
  if (!d.isValid()) return false;
  out = toSerial(d) + frac;
  return true;
}

double toDouble(const Value& v) {
  switch (v.type()) {
    case Value::Type::Empty:
      return 0;
    case Value::Type::Null:
      nullUse();
    case Value::Type::Boolean:
      return v.asBool() ? -1 : 0;
    case Value::Type::Byte:
    case Value::Type::Integer:
    case Value::Type::Long:
      return v.asInt();
    case Value::Type::Double:
    case Value::Type::Date:
      return v.asDouble();
    case Value::Type::Single:
      return v.asSingle();
    case Value::Type::Currency:
      return static_cast<double>(v.asCurrency()) / 10000.0;
    case Value::Type::String: {
      double d = 0;
      if (parseNumber(v.asString(), d)) return d;
      mismatch();
    }
    case Value::Type::Ref:
      return toDouble(v.deref());
    default:
      mismatch();
  }
}

std::int32_t toLong(const Value& v) {
  if (v.isWhole()) return v.asInt();
  const double d = roundEven(toDouble(v));
  if (!(d >= -2147483648.0 && d <= 2147483647.0)) throw ScriptError(ErrorCode::Overflow);
  return static_cast<std::int32_t>(d);
}

std::int16_t toInteger(const Value& v) {
  const double d = v.isWhole() ? v.asInt() : roundEven(toDouble(v));
  if (!(d >= -32768.0 && d <= 32767.0)) throw ScriptError(ErrorCode::Overflow);
  return static_cast<std::int16_t>(d);
}

bool toBool(const Value& v) {
  switch (v.type()) {
    case Value::Type::Empty:
      return false;
    case Value::Type::Null:
      nullUse();
    case Value::Type::Boolean:
      return v.asBool();
    case Value::Type::String: {
      const QString s = v.asString().trimmed().toCaseFolded();
      // "#TRUE#" and "#FALSE#" are how the language writes a Boolean into a file.
      if (s == u"true" || s == u"истина" || s == u"#true#") return true;
      if (s == u"false" || s == u"ложь" || s == u"#false#") return false;
      double d = 0;
      if (parseNumber(s, d)) return d != 0;
      mismatch();
    }
    case Value::Type::Ref:
      return toBool(v.deref());
    default:
      return toDouble(v) != 0;
  }
}

double toDate(const Value& v) {
  switch (v.type()) {
    case Value::Type::Date:
      return v.asDouble();
    case Value::Type::String: {
      double d = 0;
      if (parseDate(v.asString(), d) || parseNumber(v.asString(), d)) return checkDateRange(d);
      mismatch();
    }
    case Value::Type::Boolean:
      mismatch();
    default:
      return checkDateRange(toDouble(v));
  }
}

QString formatDouble(double d) {
  if (d == 0) return QStringLiteral("0");
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::general, 15);
  QString s = QString::fromLatin1(buf, res.ptr - buf);
  const qsizetype e = s.indexOf(u'e');
  if (e >= 0) s[e] = u'E';
  return s;
}

QString formatSingle(float f) {
  if (f == 0) return QStringLiteral("0");
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, f, std::chars_format::general, 7);
  QString s = QString::fromLatin1(buf, res.ptr - buf);
  const qsizetype e = s.indexOf(u'e');
  if (e >= 0) s[e] = u'E';
  return s;
}

QString formatCurrencyValue(std::int64_t scaled) {
  const bool negative = scaled < 0;
  const std::uint64_t m =
      negative ? 0 - static_cast<std::uint64_t>(scaled) : static_cast<std::uint64_t>(scaled);
  QString s = QString::number(m / 10000);
  std::uint64_t frac = m % 10000;
  if (frac) {
    QString digits = QStringLiteral("%1").arg(frac, 4, 10, QLatin1Char('0'));
    while (digits.endsWith(u'0')) digits.chop(1);
    s += u'.' + digits;
  }
  return negative ? u'-' + s : s;
}

Value toCurrency(const Value& v) {
  if (v.type() == Value::Type::Currency) return v;
  if (v.isWhole()) return Value::currency(static_cast<std::int64_t>(v.asInt()) * 10000);
  // Scaled in extended precision so that whole amounts up to the limit stay exact.
  const long double d = static_cast<long double>(toDouble(v)) * 10000.0L;
  // The range of a 64-bit count of ten-thousandths: ±922 337 203 685 477.5807.
  if (!(d > -9.2233720368547758e18L && d < 9.2233720368547758e18L))
    throw ScriptError(ErrorCode::Overflow);
  return Value::currency(static_cast<std::int64_t>(std::nearbyintl(d)));
}

Value toSingle(const Value& v) {
  if (v.type() == Value::Type::Single) return v;
  const double d = toDouble(v);
  if (std::isfinite(d) && std::fabs(d) > 3.4028234663852886e38)
    throw ScriptError(ErrorCode::Overflow);
  return Value::single(static_cast<float>(d));
}

QString formatDate(double serial) {
  const QDateTime dt = fromSerial(serial);
  const bool hasTime = dt.time() != QTime(0, 0);
  if (std::floor(serial) == 0 && hasTime) return dt.time().toString(QStringLiteral("hh:mm:ss"));
  QString s = dt.date().toString(QStringLiteral("dd.MM.yyyy"));
  if (hasTime) s += u' ' + dt.time().toString(QStringLiteral("hh:mm:ss"));
  return s;
}

void appendChars(QString& out, const QChar* p, qsizetype n) {
  checkTextLength(out.size() + n);
  if (n > 16 || out.isEmpty()) {
    out.append(p, n);
    return;
  }
  // A few characters are copied in place: QString::append would call memmove for them.
  const qsizetype at = out.size();
  out.resize(at + n);
  QChar* d = out.data() + at;
  for (qsizetype i = 0; i < n; ++i) d[i] = p[i];
}

void appendText(QString& out, const Value& v) {
  switch (v.type()) {
    case Value::Type::String:
      appendChars(out, v.asString().constData(), v.asString().size());
      return;
    case Value::Type::Byte:
    case Value::Type::Integer:
    case Value::Type::Long: {
      // Digits straight into UTF-16: no Latin-1 conversion on the way.
      char16_t buf[12];
      char16_t* end = buf + 12;
      char16_t* p = end;
      const std::int32_t n = v.asInt();
      std::uint32_t u = n < 0 ? 0u - static_cast<std::uint32_t>(n) : static_cast<std::uint32_t>(n);
      do {
        *--p = static_cast<char16_t>(u'0' + u % 10);
        u /= 10;
      } while (u);
      if (n < 0) *--p = u'-';
      appendChars(out, reinterpret_cast<const QChar*>(p), end - p);
      return;
    }
    case Value::Type::Empty:
    case Value::Type::Null:
      return;
    default: {
      const QString text = toText(v);
      checkTextLength(out.size() + text.size());
      out += text;
    }
  }
}

QString toText(const Value& v) {
  switch (v.type()) {
    case Value::Type::Empty:
    case Value::Type::Null:
    case Value::Type::Missing:
      return QString();
    case Value::Type::Boolean:
      return v.asBool() ? QStringLiteral("True") : QStringLiteral("False");
    case Value::Type::Byte:
    case Value::Type::Integer:
    case Value::Type::Long:
      return QString::number(v.asInt());
    case Value::Type::Double:
      return formatDouble(v.asDouble());
    case Value::Type::Single:
      return formatSingle(v.asSingle());
    case Value::Type::Currency:
      return formatCurrencyValue(v.asCurrency());
    case Value::Type::Date:
      return formatDate(v.asDouble());
    case Value::Type::String:
      return v.asString();
    case Value::Type::Ref:
      return toText(v.deref());
    default:
      mismatch();
  }
}

int varType(const Value& v) {
  switch (v.type()) {
    case Value::Type::Empty:
      return 0;
    case Value::Type::Null:
      return 1;
    case Value::Type::Integer:
      return 2;
    case Value::Type::Long:
      return 3;
    case Value::Type::Single:
      return 4;
    case Value::Type::Double:
      return 5;
    case Value::Type::Currency:
      return 6;
    case Value::Type::Date:
      return 7;
    case Value::Type::String:
      return 8;
    case Value::Type::Object:
      return 9;
    case Value::Type::Missing:
      return 10;
    case Value::Type::Boolean:
      return 11;
    case Value::Type::Byte:
      return 17;
    case Value::Type::Array:
      return 8204;
    case Value::Type::Ref:
      return varType(v.deref());
  }
  return 0;
}

QString typeName(const Value& v) {
  switch (v.type()) {
    case Value::Type::Empty:
      return QStringLiteral("Empty");
    case Value::Type::Null:
      return QStringLiteral("Null");
    case Value::Type::Integer:
      return QStringLiteral("Integer");
    case Value::Type::Long:
      return QStringLiteral("Long");
    case Value::Type::Double:
      return QStringLiteral("Double");
    case Value::Type::Single:
      return QStringLiteral("Single");
    case Value::Type::Currency:
      return QStringLiteral("Currency");
    case Value::Type::Date:
      return QStringLiteral("Date");
    case Value::Type::String:
      return QStringLiteral("String");
    case Value::Type::Object:
      return v.asObject() ? v.asObject()->typeName() : QStringLiteral("Nothing");
    case Value::Type::Missing:
      return QStringLiteral("Error");
    case Value::Type::Boolean:
      return QStringLiteral("Boolean");
    case Value::Type::Byte:
      return QStringLiteral("Byte");
    case Value::Type::Array:
      return QStringLiteral("Variant()");
    case Value::Type::Ref:
      return typeName(v.deref());
  }
  return QString();
}

bool isObjectRef(const Value& v) {
  return v.isObject() && v.asObject();
}

}  // namespace balvix::script
