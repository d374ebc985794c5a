#include "script/objects/account_card.h"

#include <QHash>
#include <algorithm>
#include <cmath>
#include <map>

#include "config/document_names.h"
#include "config/document_numbers.h"
#include "script/objects/account_totals.h"
#include "script/objects/object_support.h"
#include "script/script_error.h"
#include "storage/session.h"
#include "storage/sql_text.h"

namespace balvix::script::account_card {

namespace {

QString textOf(const storage::RowView& row, int column) {
  const std::string_view v = row.text(column);
  return QString::fromUtf8(v.data(), static_cast<qsizetype>(v.size()));
}

// A blank amount is none; text that is not a number is the module's error, never a zero.
bool amountOf(const storage::RowView& row, int column, double& out) {
  if (row.isNull(column)) return false;
  const QString text = textOf(row, column);
  if (text.trimmed().isEmpty()) return false;
  if (!parseStoredNumber(text, out))
    throw ScriptError::custom(
        ErrorCode::TypeMismatch,
        QStringLiteral("Несоответствие типа: сумма проводки «%1» не является числом.").arg(text));
  return true;
}

struct Bounds {
  std::optional<int> from;
  std::optional<int> to;
  bool bounded() const { return from || to; }
  // -1 before, 0 within, 1 after.
  int place(int key) const {
    if (from && key < *from) return -1;
    if (to && key > *to) return 1;
    return 0;
  }
};

int dayOf(const QString& code, const QString& date) {
  const std::optional<int> key = dateKeyFromText(date);
  if (!key)
    throw ScriptError::custom(
        ErrorCode::TypeMismatch,
        QStringLiteral("Проводку по счету «%1» с датой «%2» нельзя отнести к периоду.")
            .arg(code, date));
  return *key;
}

// The debit (or credit) sum of one account within the bounds: from the monthly totals when
// they can answer, else from its postings.
double sideSum(storage::Session& db, const QString& code, bool debit, const Bounds& bounds) {
  if (const std::optional<double> kept =
          account_totals::sum(db, code, debit, bounds.from, bounds.to))
    return *kept;
  double sum = 0;
  db.forEachRow(
      QStringLiteral("SELECT %1,cDATE FROM itogi WHERE Код=%2")
          .arg(debit ? QStringLiteral("Дебет") : QStringLiteral("Кредит"), storage::quote(code)),
      [&](const storage::RowView& row) {
        double amount = 0;
        if (!amountOf(row, 0, amount)) return;
        if (bounds.bounded() && bounds.place(dayOf(code, textOf(row, 1))) != 0) return;
        sum += amount;
      });
  return sum;
}

void addNetted(double net, double& debit, double& credit) {
  if (net > 0)
    debit += net;
  else
    credit -= net;
}

std::optional<int> keyOf(const std::optional<QDate>& date) {
  return date ? std::optional<int>(dateKey(*date)) : std::nullopt;
}

// One side of one row of a document's postings.
struct Entry {
  QString code;
  bool debit;
  double amount;
};

// The account on the other side of each entry: the first entry of the other side with the
// same amount not yet taken (a module posts Дт and Кт of one sum together), else the other
// side's accounts when the amounts were split.
QStringList correspondents(const std::vector<Entry>& entries) {
  QStringList found(static_cast<qsizetype>(entries.size()));
  std::vector<bool> taken(entries.size(), false);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (taken[i]) continue;
    for (std::size_t j = i + 1; j < entries.size(); ++j) {
      if (taken[j] || entries[j].debit == entries[i].debit ||
          std::fabs(entries[j].amount - entries[i].amount) >= 0.005)
        continue;
      taken[i] = taken[j] = true;
      found[static_cast<qsizetype>(i)] = entries[j].code;
      found[static_cast<qsizetype>(j)] = entries[i].code;
      break;
    }
  }
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (taken[i]) continue;
    QStringList others;
    for (const Entry& e : entries)
      if (e.debit != entries[i].debit && !others.contains(e.code)) others << e.code;
    found[static_cast<qsizetype>(i)] = others.join(QStringLiteral(", "));
  }
  return found;
}

}  // namespace

QStringList withSubaccounts(storage::Session& db, const QString& code) {
  QStringList codes{code};
  const QString prefix = code + QLatin1Char('.');
  db.forEachRow(QStringLiteral("SELECT Код FROM plan"), [&](const storage::RowView& row) {
    const QString c = textOf(row, 0).trimmed();
    if (c.startsWith(prefix) && !codes.contains(c)) codes << c;
  });
  return codes;
}

bool isSubaccount(storage::Session& db, const QString& code) {
  bool found = false;
  db.forEachRow(QStringLiteral("SELECT Код FROM plan"), [&](const storage::RowView& row) {
    const QString c = textOf(row, 0).trimmed();
    if (!c.isEmpty() && c != code && code.startsWith(c + QLatin1Char('.'))) found = true;
  });
  return found;
}

Figures figures(storage::Session& db, const QString& code, const std::optional<QDate>& from,
                const std::optional<QDate>& to) {
  Figures f;
  const Bounds before{std::nullopt, from ? keyOf(from->addDays(-1)) : std::nullopt};
  const Bounds within{keyOf(from), keyOf(to)};
  for (const QString& c : withSubaccounts(db, code)) {
    const double opening =
        from ? sideSum(db, c, true, before) - sideSum(db, c, false, before) : 0.0;
    const double debit = sideSum(db, c, true, within);
    const double credit = sideSum(db, c, false, within);
    addNetted(opening, f.openingDebit, f.openingCredit);
    addNetted(opening + debit - credit, f.closingDebit, f.closingCredit);
    f.debit += debit;
    f.credit += credit;
  }
  for (const double v : {f.openingDebit, f.openingCredit, f.debit, f.credit})
    if (!std::isfinite(v)) throw ScriptError(ErrorCode::Overflow);
  return f;
}

std::vector<Posting> postings(storage::Session& db, const QString& code,
                              const std::optional<QDate>& from, const std::optional<QDate>& to) {
  const QStringList members = withSubaccounts(db, code);
  const Bounds within{keyOf(from), keyOf(to)};
  // The postings of a document are told apart from another's by its date, time and kind.
  std::map<std::tuple<int, QString, QString, QString>, std::vector<Entry>> documents;
  db.forEachRow(
      QStringLiteral("SELECT Код,Дебет,Кредит,cDATE,cTIME,Документ FROM itogi"),
      [&](const storage::RowView& row) {
        const QString c = textOf(row, 0).trimmed();
        const QString date = textOf(row, 3);
        const std::optional<int> day = dateKeyFromText(date);
        if (!day && within.bounded()) {
          if (members.contains(c)) dayOf(c, date);
          return;
        }
        if (within.place(day.value_or(0)) != 0) return;
        auto& entries = documents[{day.value_or(0), textOf(row, 4), textOf(row, 5), date}];
        double amount = 0;
        if (amountOf(row, 1, amount)) entries.push_back({c, true, amount});
        if (amountOf(row, 2, amount)) entries.push_back({c, false, amount});
      });
  std::vector<Posting> out;
  QHash<QString, QString> captions;
  for (const auto& [key, entries] : documents) {
    const auto& [day, time, kind, date] = key;
    if (std::none_of(entries.begin(), entries.end(),
                     [&](const Entry& e) { return members.contains(e.code); }))
      continue;
    const QStringList others = correspondents(entries);
    if (!captions.contains(kind)) captions.insert(kind, config::kindCaption(db, kind));
    const QString title = config::documentTitle(captions.value(kind),
                                                config::documentNumber(db, kind, date, time), date);
    for (std::size_t i = 0; i < entries.size(); ++i) {
      const Entry& e = entries[i];
      if (!members.contains(e.code)) continue;
      Posting p{date, time, kind, title, e.code, others[static_cast<qsizetype>(i)]};
      (e.debit ? p.debit : p.credit) = e.amount;
      out.push_back(std::move(p));
    }
  }
  return out;
}

}  // namespace balvix::script::account_card
