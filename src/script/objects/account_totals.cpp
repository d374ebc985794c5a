#include "script/objects/account_totals.h"

#include <QDate>
#include <QVariant>
#include <climits>
#include <cmath>
#include <map>

#include "config/table_names.h"
#include "script/objects/object_support.h"
#include "script/objects/register_totals.h"
#include "storage/session.h"
#include "storage/sql_text.h"

namespace balvix::script::account_totals {

namespace {

const QString kPostings = QStringLiteral("itogi");

struct Delta {
  double debit = 0;
  double credit = 0;
  qint64 postings = 0;
  qint64 bad = 0;
};
// Account code and month.
using Key = std::pair<QString, int>;
using Rows = std::map<Key, Delta>;

QString table() {
  return config::accountTotalsTable();
}

int monthOfText(const QString& date) {
  const QByteArray utf8 = date.toUtf8();
  return totals::monthOf(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

// An amount as the account object reads it: a blank one is no amount, other text that is
// not a number is counted as bad.
void addAmount(Delta& delta, bool debit, const QString& text, int sign) {
  if (text.trimmed().isEmpty()) return;
  double value = 0;
  if (!parseStoredNumber(text, value)) {
    delta.bad += sign;
    return;
  }
  (debit ? delta.debit : delta.credit) += sign * value;
}

// The postings `condition` selects, added up by account and month with `sign`.
void gather(storage::Session& db, const QString& condition, int sign, Rows& rows) {
  db.forEachRow(QStringLiteral("SELECT Код,Дебет,Кредит,cDATE FROM ") + kPostings + condition,
                [&](const storage::RowView& row) {
                  const auto text = [&](int c) {
                    const std::string_view v = row.text(c);
                    return QString::fromUtf8(v.data(), static_cast<qsizetype>(v.size()));
                  };
                  Delta& delta = rows[{text(0), monthOfText(text(3))}];
                  delta.postings += sign;
                  if (!row.isNull(1)) addAmount(delta, true, text(1), sign);
                  if (!row.isNull(2)) addAmount(delta, false, text(2), sign);
                });
}

QString number(double value) {
  return QString::number(value, 'g', 17);
}

void write(storage::Session& db, const Rows& rows) {
  std::vector<QStringList> upserts, emptied;
  for (const auto& [key, delta] : rows) {
    QStringList row{key.first, QString::number(key.second)};
    if (delta.postings < 0) emptied.push_back(row);
    row << number(delta.debit) << number(delta.credit) << QString::number(delta.postings)
        << QString::number(delta.bad);
    upserts.push_back(std::move(row));
  }
  db.executeEach(QStringLiteral("INSERT INTO ") + table() +
                     QStringLiteral(" VALUES (?,?,?,?,?,?) ON CONFLICT(Код,ИтогМесяц) DO UPDATE "
                                    "SET ИтогДебет=ИтогДебет+excluded.ИтогДебет,"
                                    "ИтогКредит=ИтогКредит+excluded.ИтогКредит,"
                                    "ИтогПроводок=ИтогПроводок+excluded.ИтогПроводок,"
                                    "ИтогОшибок=ИтогОшибок+excluded.ИтогОшибок"),
                 upserts);
  // A month whose last posting went carries nothing.
  db.executeEach(QStringLiteral("DELETE FROM ") + table() +
                     QStringLiteral(" WHERE Код=? AND ИтогМесяц=? AND ИтогПроводок<=0"),
                 emptied);
}

Rows stored(storage::Session& db) {
  Rows rows;
  db.forEachRow(QStringLiteral("SELECT Код,ИтогМесяц,ИтогДебет,ИтогКредит,ИтогПроводок,ИтогОшибок "
                               "FROM ") +
                    table(),
                [&](const storage::RowView& row) {
                  const auto number = [&](int c) {
                    double v = 0;
                    totals::readQuantity(row, c, v);
                    return v;
                  };
                  const std::string_view code = row.text(0);
                  rows[{QString::fromUtf8(code.data(), static_cast<qsizetype>(code.size())),
                        static_cast<int>(number(1))}] = {number(2), number(3),
                                                         static_cast<qint64>(number(4)),
                                                         static_cast<qint64>(number(5))};
                });
  return rows;
}

bool same(double a, double b) {
  return std::abs(a - b) <= 1e-9 * (1 + std::abs(a));
}

QString describe(const Delta& d) {
  return QStringLiteral("дебет %1, кредит %2, проводок %3")
      .arg(number(d.debit), number(d.credit), QString::number(d.postings));
}

}  // namespace

void rebuild(storage::Session& db) {
  if (!db.tableExists(kPostings)) return;
  storage::Transaction transaction(db);
  if (db.tableExists(table())) db.execute(QStringLiteral("DROP TABLE ") + table());
  db.execute(QStringLiteral("CREATE TABLE ") + table() +
             QStringLiteral("(Код TEXT(20),ИтогМесяц INTEGER,ИтогДебет REAL,ИтогКредит REAL,"
                            "ИтогПроводок INTEGER,ИтогОшибок INTEGER,PRIMARY KEY(Код,ИтогМесяц))"));
  // An account's postings of a month are found by its code and their dates.
  db.execute(QStringLiteral("CREATE INDEX IF NOT EXISTS idx_itogi_Код ON itogi(Код,cDATE)"));
  Rows rows;
  gather(db, QString(), 1, rows);
  write(db, rows);
  transaction.commit();
}

bool ensure(storage::Session& db) {
  if (db.tableExists(table()) || !db.tableExists(kPostings)) return false;
  rebuild(db);
  return true;
}

QStringList compare(storage::Session& db) {
  if (!db.tableExists(table())) return {};
  const Rows kept = stored(db);
  Rows fresh;
  gather(db, QString(), 1, fresh);
  QStringList problems;
  const auto where = [](const Key& key) {
    return QStringLiteral("Счет %1, %2: ")
        .arg(key.first, key.second == 0 ? QStringLiteral("без даты")
                                        : QStringLiteral("месяц %1.%2")
                                              .arg(key.second % 100, 2, 10, QLatin1Char('0'))
                                              .arg(key.second / 100));
  };
  for (const auto& [key, d] : kept) {
    const auto it = fresh.find(key);
    if (it == fresh.end()) {
      problems << where(key) + QStringLiteral("строка итогов без проводок; в итогах ") +
                      describe(d);
    } else if (!same(d.debit, it->second.debit) || !same(d.credit, it->second.credit) ||
               d.postings != it->second.postings || d.bad != it->second.bad) {
      problems << where(key) + QStringLiteral("в итогах ") + describe(d) +
                      QStringLiteral("; по проводкам ") + describe(it->second);
    }
  }
  for (const auto& [key, d] : fresh)
    if (!kept.count(key))
      problems << where(key) + QStringLiteral("нет строки итогов; по проводкам ") + describe(d);
  return problems;
}

void addPosting(storage::Session& db, const QString& code, bool debit, const QString& amount,
                const QString& date) {
  if (!db.tableExists(table())) return;
  Rows rows;
  Delta& delta = rows[{code, monthOfText(date)}];
  delta.postings = 1;
  addAmount(delta, debit, amount, 1);
  write(db, rows);
}

void deletePostings(storage::Session& db, const QString& condition) {
  if (db.tableExists(table())) {
    Rows rows;
    gather(db, condition, -1, rows);
    write(db, rows);
  }
  db.execute(QStringLiteral("DELETE FROM ") + kPostings + condition);
}

std::optional<double> sum(storage::Session& db, const QString& code, bool debit,
                          std::optional<int> from, std::optional<int> to) {
  if (!db.tableExists(table())) return std::nullopt;
  const bool bounded = from || to;
  const int fromMonth = from ? *from / 100 : 0;
  const int toMonth = to ? *to / 100 : INT_MAX;
  // A bound on the first or the last day of its month takes that month whole.
  const auto lastDay = [](int month) { return QDate(month / 100, month % 100, 1).daysInMonth(); };
  const bool fromSplits = from && *from % 100 != 1;
  const bool toSplits = to && *to % 100 != lastDay(toMonth);
  double total = 0;
  bool unusable = false;
  std::vector<int> partial;
  db.forEachRow(QStringLiteral("SELECT ИтогМесяц,ИтогДебет,ИтогКредит,ИтогОшибок FROM ") + table() +
                    QStringLiteral(" WHERE Код=") + storage::quote(code),
                [&](const storage::RowView& row) {
                  double month = 0, debits = 0, credits = 0, bad = 0;
                  totals::readQuantity(row, 0, month);
                  totals::readQuantity(row, 1, debits);
                  totals::readQuantity(row, 2, credits);
                  totals::readQuantity(row, 3, bad);
                  const int m = static_cast<int>(month);
                  if (bad != 0 || (m == 0 && bounded)) unusable = true;
                  if ((fromSplits && m == fromMonth) || (toSplits && m == toMonth))
                    partial.push_back(m);
                  else if (m == 0 || (m >= fromMonth && m <= toMonth))
                    total += debit ? debits : credits;
                });
  if (unusable) return std::nullopt;
  // The months the bounds fall in are read posting by posting.
  for (const int month : partial) {
    const QDate first(month / 100, month % 100, 1);
    QStringList days;
    for (int d = 1; d <= first.daysInMonth(); ++d)
      days << storage::quote(first.addDays(d - 1).toString(QStringLiteral("dd.MM.yyyy")));
    db.forEachRow(QStringLiteral("SELECT %1,cDATE FROM itogi WHERE Код=%2 AND cDATE IN (%3)")
                      .arg(debit ? QStringLiteral("Дебет") : QStringLiteral("Кредит"),
                           storage::quote(code), days.join(u',')),
                  [&](const storage::RowView& row) {
                    const std::string_view date = row.text(1);
                    // Only dates written dd.MM.yyyy are in the list.
                    const int key = month * 100 + (date[0] - '0') * 10 + (date[1] - '0');
                    if ((from && key < *from) || (to && key > *to) || row.isNull(0)) return;
                    const std::string_view v = row.text(0);
                    double amount = 0;
                    const QString text =
                        QString::fromUtf8(v.data(), static_cast<qsizetype>(v.size()));
                    if (!text.trimmed().isEmpty() && parseStoredNumber(text, amount))
                      total += amount;
                  });
  }
  return total;
}

std::optional<double> sumAll(storage::Session& db, const QString& code, bool debit) {
  if (!db.tableExists(table())) return std::nullopt;
  double total = 0;
  bool unusable = false;
  db.forEachRow(
      QStringLiteral("SELECT %1,ИтогОшибок FROM ")
              .arg(debit ? QStringLiteral("ИтогДебет") : QStringLiteral("ИтогКредит")) +
          table() +
          (code.isEmpty() ? QString() : QStringLiteral(" WHERE Код=") + storage::quote(code)),
      [&](const storage::RowView& row) {
        double amount = 0, bad = 0;
        totals::readQuantity(row, 0, amount);
        totals::readQuantity(row, 1, bad);
        if (bad != 0) unusable = true;
        total += amount;
      });
  if (unusable) return std::nullopt;
  return total;
}

}  // namespace balvix::script::account_totals
