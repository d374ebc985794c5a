#pragma once

#include <QString>
#include <cstdint>
#include <optional>

namespace balvix::script {

class BuiltinTable;

// The currencies an amount is written in: their names in the three forms a number asks for
// (one, two to four, five and more) and the grammatical gender the number takes.
struct CurrencyWords {
  QString whole[3];
  bool wholeFeminine = false;
  QString fraction[3];
  bool fractionFeminine = false;
};

// "руб" (the default; also "RUB", "₽", "рубль", letter case ignored), "USD" ("долл")
// and "EUR" ("евро"); nullopt for any other text.
std::optional<CurrencyWords> currencyWords(const QString& code);

// The form of a noun after `n`: 0 for 1, 21, 101…; 1 for 2–4, 22–24…; 2 for 0, 5–20, 25…
int pluralForm(std::int64_t n);

// A whole number from 0 to 999 999 999 999 in Russian words, in the gender of the noun it
// counts: «двести тридцать четыре», «одна тысяча», «два миллиона».
QString numberWords(std::int64_t n, bool feminine);

// An amount in kopecks (cents) as it is written on invoices: the whole part in words with its
// noun, the fraction as two digits with its: «Одна тысяча двести тридцать четыре рубля 50
// копеек». Negative amounts begin with «Минус». The caller keeps |kopecks| within
// 99 999 999 999 999.
QString amountWords(std::int64_t kopecks, const CurrencyWords& currency);

// The largest amount, in kopecks, that is written in words.
constexpr std::int64_t kMaxAmountKopecks = 99'999'999'999'999;

// СуммаПрописью(Сумма[, Валюта]).
void registerAmountWordBuiltins(BuiltinTable& table);

}  // namespace balvix::script
