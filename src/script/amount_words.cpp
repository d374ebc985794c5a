#include "script/amount_words.h"

#include <QStringList>
#include <cmath>

#include "script/builtins.h"

namespace balvix::script {

namespace {

const char16_t* const kUnits[] = {
    u"",           u"один",        u"два",        u"три",          u"четыре",
    u"пять",       u"шесть",       u"семь",       u"восемь",       u"девять",
    u"десять",     u"одиннадцать", u"двенадцать", u"тринадцать",   u"четырнадцать",
    u"пятнадцать", u"шестнадцать", u"семнадцать", u"восемнадцать", u"девятнадцать"};
const char16_t* const kTens[] = {
    u"",          u"",           u"двадцать",  u"тридцать",    u"сорок",
    u"пятьдесят", u"шестьдесят", u"семьдесят", u"восемьдесят", u"девяносто"};
const char16_t* const kHundreds[] = {u"",          u"сто",      u"двести",   u"триста",
                                     u"четыреста", u"пятьсот",  u"шестьсот", u"семьсот",
                                     u"восемьсот", u"девятьсот"};

// Thousands are feminine, millions and milliards masculine.
struct Scale {
  std::int64_t size;
  const char16_t* forms[3];
  bool feminine;
};
const Scale kScales[] = {{1'000'000'000, {u"миллиард", u"миллиарда", u"миллиардов"}, false},
                         {1'000'000, {u"миллион", u"миллиона", u"миллионов"}, false},
                         {1'000, {u"тысяча", u"тысячи", u"тысяч"}, true}};

// 1 to 999 in words; nothing for 0.
void triadWords(int n, bool feminine, QStringList& words) {
  if (n >= 100) words << QString::fromUtf16(kHundreds[n / 100]);
  n %= 100;
  if (n >= 20) {
    words << QString::fromUtf16(kTens[n / 10]);
    n %= 10;
  }
  if (n == 0) return;
  if (feminine && n == 1)
    words << QStringLiteral("одна");
  else if (feminine && n == 2)
    words << QStringLiteral("две");
  else
    words << QString::fromUtf16(kUnits[n]);
}

QString capitalized(QString text) {
  if (!text.isEmpty()) text[0] = text[0].toUpper();
  return text;
}

std::int64_t kopecksOf(const Value& value) {
  if (value.type() == Value::Type::Currency) {
    // Ten-thousandths to hundredths, half a kopeck away from zero.
    const std::int64_t scaled = value.asCurrency();
    return scaled >= 0 ? (scaled + 50) / 100 : -((-scaled + 50) / 100);
  }
  const double amount = toDouble(value);
  if (!std::isfinite(amount) || std::fabs(amount) * 100 > double(kMaxAmountKopecks) + 0.5)
    throw ScriptError(ErrorCode::Overflow, QStringLiteral("СуммаПрописью"));
  // The decimal text the amount shows, not its binary fraction: 1,005 is one kopeck more.
  return std::llround(std::round(amount * 1e6) / 1e4);
}

Value fnAmountWords(CallContext&, Args& args) {
  const Value& amount = builtin_args::arg(args, 0);
  if (amount.isNull()) throw ScriptError(ErrorCode::InvalidUseOfNull);
  const QString code = args.has(1) ? toText(builtin_args::arg(args, 1)) : QString();
  const std::optional<CurrencyWords> currency = currencyWords(code);
  if (!currency)
    throw ScriptError::custom(
        ErrorCode::InvalidCall,
        QStringLiteral("СуммаПрописью: неизвестная валюта «%1» (руб, USD или EUR)").arg(code));
  const std::int64_t kopecks = kopecksOf(amount);
  if (kopecks > kMaxAmountKopecks || kopecks < -kMaxAmountKopecks)
    throw ScriptError(ErrorCode::Overflow, QStringLiteral("СуммаПрописью"));
  return Value(amountWords(kopecks, *currency));
}

}  // namespace

std::optional<CurrencyWords> currencyWords(const QString& code) {
  const QString c = code.trimmed().toCaseFolded();
  auto any = [&c](std::initializer_list<const char16_t*> names) {
    for (const char16_t* n : names)
      if (c == QString::fromUtf16(n)) return true;
    return false;
  };
  if (c.isEmpty() || any({u"руб", u"руб.", u"рубль", u"рубли", u"rub", u"rur", u"₽"}))
    return CurrencyWords{
        {QStringLiteral("рубль"), QStringLiteral("рубля"), QStringLiteral("рублей")},
        false,
        {QStringLiteral("копейка"), QStringLiteral("копейки"), QStringLiteral("копеек")},
        true};
  if (any({u"usd", u"долл", u"долл.", u"доллар", u"$"}))
    return CurrencyWords{
        {QStringLiteral("доллар"), QStringLiteral("доллара"), QStringLiteral("долларов")},
        false,
        {QStringLiteral("цент"), QStringLiteral("цента"), QStringLiteral("центов")},
        false};
  if (any({u"eur", u"евро", u"€"}))
    return CurrencyWords{
        {QStringLiteral("евро"), QStringLiteral("евро"), QStringLiteral("евро")},
        false,
        {QStringLiteral("цент"), QStringLiteral("цента"), QStringLiteral("центов")},
        false};
  return std::nullopt;
}

int pluralForm(std::int64_t n) {
  n = n < 0 ? -n : n;
  const std::int64_t lastTwo = n % 100;
  if (lastTwo >= 11 && lastTwo <= 14) return 2;
  const std::int64_t last = n % 10;
  if (last == 1) return 0;
  if (last >= 2 && last <= 4) return 1;
  return 2;
}

QString numberWords(std::int64_t n, bool feminine) {
  if (n == 0) return QStringLiteral("ноль");
  QStringList words;
  for (const Scale& scale : kScales) {
    const int count = static_cast<int>(n / scale.size % 1000);
    if (count == 0) continue;
    triadWords(count, scale.feminine, words);
    words << QString::fromUtf16(scale.forms[pluralForm(count)]);
  }
  triadWords(static_cast<int>(n % 1000), feminine, words);
  return words.join(QLatin1Char(' '));
}

QString amountWords(std::int64_t kopecks, const CurrencyWords& currency) {
  const bool negative = kopecks < 0;
  const std::int64_t whole = (negative ? -kopecks : kopecks) / 100;
  const int fraction = static_cast<int>((negative ? -kopecks : kopecks) % 100);
  QString text = numberWords(whole, currency.wholeFeminine) + QLatin1Char(' ') +
                 currency.whole[pluralForm(whole)] + QLatin1Char(' ') +
                 QStringLiteral("%1").arg(fraction, 2, 10, QLatin1Char('0')) + QLatin1Char(' ') +
                 currency.fraction[pluralForm(fraction)];
  if (negative) text = QStringLiteral("минус ") + text;
  return capitalized(text);
}

void registerAmountWordBuiltins(BuiltinTable& table) {
  table.add(QStringLiteral("СуммаПрописью"), fnAmountWords, 1, 2);
}

}  // namespace balvix::script
