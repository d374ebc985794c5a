#include "script/objects/register_balances.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>

#include "script/coerce.h"
#include "script/objects/register_totals.h"
#include "script/script_error.h"
#include "storage/sql_text.h"

namespace balvix::script {

namespace {

struct TextHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};

struct Accumulator {
  const std::string* key = nullptr;  // the group's values, encoded as Groups keeps them
  std::string document;
  double quantity = 0;
  double opening = 0;
  double receipts = 0;
  double issues = 0;
  qint64 movements = 0;  // up to the period's end
  std::vector<double> resources, resourceOpening, resourceReceipts, resourceIssues;
  std::string badQuantity;
  bool hasBadQuantity = false;
};

int digitsAt(std::string_view s, std::size_t at, std::size_t count) {
  int n = 0;
  for (std::size_t k = at; k < at + count; ++k) {
    if (s[k] < '0' || s[k] > '9') return -1;
    n = n * 10 + (s[k] - '0');
  }
  return n;
}

// A movement's date as yyyymmdd, so dates compare as dates and not as text.
int dateKey(std::string_view text, const QString& table) {
  if (text.size() == 10 && text[2] == '.' && text[5] == '.') {
    const int d = digitsAt(text, 0, 2), m = digitsAt(text, 3, 2), y = digitsAt(text, 6, 4);
    if (d > 0 && m > 0 && y >= 0) return y * 10000 + m * 100 + d;
  }
  double serial = 0;
  const QString spelled = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  if (parseDate(spelled, serial)) {
    const QDate date = fromSerial(serial).date();
    return date.year() * 10000 + date.month() * 100 + date.day();
  }
  throw ScriptError::custom(
      ErrorCode::TypeMismatch,
      QStringLiteral("В регистре «%1» есть движение с датой «%2»: его нельзя отнести к периоду.")
          .arg(table, spelled));
}

int dateKey(const QDate& date) {
  return date.year() * 10000 + date.month() * 100 + date.day();
}

QString fromUtf8(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QStringList filterConditions(const BalanceQuery& query) {
  QStringList conditions;
  for (const auto& [column, value] : query.filter)
    conditions << column + u'=' + storage::quote(value);
  return conditions;
}

QString whereClause(const QStringList& conditions) {
  return conditions.isEmpty()
             ? QString()
             : QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
}

// The groups met so far, found by their values.
class Groups {
 public:
  explicit Groups(int columns) : m_columns(columns) {}

  Accumulator& at(const storage::RowView& row, int from = 0) {
    m_key.clear();
    for (int c = from; c < from + m_columns; ++c) {
      const std::string_view v = row.text(c);
      const auto length = static_cast<std::uint32_t>(v.size());
      m_key.append(reinterpret_cast<const char*>(&length), sizeof length);
      m_key.append(v);
    }
    // Totals rows come in the order of their groups, month by month, as the groups were
    // first met: the group after the last one found is the likely one, and needs no hashing.
    if (const std::size_t hint = m_last + 1; hint < m_groups.size() && *m_groups[hint].key == m_key)
      return m_groups[m_last = hint];
    auto it = m_byKey.find(std::string_view(m_key));
    if (it == m_byKey.end()) {
      it = m_byKey.emplace(m_key, m_groups.size()).first;
      m_groups.emplace_back().key = &it->first;  // a node's key stays where it is
    }
    return m_groups[m_last = it->second];
  }
  std::vector<Accumulator>& groups() { return m_groups; }

  // Orders groups by their values, column by column, as the grouping query orders them.
  static bool before(const Accumulator& a, const Accumulator& b) {
    const std::string_view x(*a.key), y(*b.key);
    for (std::size_t i = 0, j = 0; i < x.size() && j < y.size();) {
      const std::string_view u = field(x, i), v = field(y, j);
      if (const int c = u.compare(v); c != 0) return c < 0;
    }
    return false;
  }
  static QStringList values(const Accumulator& group) {
    QStringList out;
    const std::string_view key(*group.key);
    for (std::size_t i = 0; i < key.size();) {
      const std::string_view v = field(key, i);
      out << QString::fromUtf8(v.data(), static_cast<qsizetype>(v.size()));
    }
    return out;
  }

 private:
  // The value at `at` in an encoded key, moving `at` past it.
  static std::string_view field(std::string_view key, std::size_t& at) {
    std::uint32_t length = 0;
    std::memcpy(&length, key.data() + at, sizeof length);
    const std::string_view v = key.substr(at + sizeof length, length);
    at += sizeof length + length;
    return v;
  }

  int m_columns;
  std::size_t m_last = static_cast<std::size_t>(-1);  // the group found last
  std::string m_key;
  std::unordered_map<std::string, std::size_t, TextHash, std::equal_to<>> m_byKey;
  std::vector<Accumulator> m_groups;
};

// Why the totals cannot answer: a quantity that is not a number (the walk names it), or a
// movement without a proper date under a period.
struct TotalsUnusable {};

}  // namespace

namespace {

const QString kMonthColumn = QStringLiteral("ИтогМесяц");

// Reads totals rows into the groups: the sums of every row `conditions` select, added to
// `receipts`/`issues`/`movements` of the accumulator chosen by `into`. A row with quantities
// that are not numbers, or (with `dated`) one of movements without a proper date, makes the
// totals unusable.
template <class Into>
void readTotalsRows(storage::Session& db, const BalanceQuery& query, Groups& groups,
                    const QStringList& conditions, bool dated, Into into) {
  const int groupCount = static_cast<int>(query.groupColumns.size());
  QStringList selected = query.groupColumns;
  selected << kMonthColumn << QStringLiteral("ИтогПриход") << QStringLiteral("ИтогРасход")
           << QStringLiteral("ИтогДвижений") << QStringLiteral("ИтогОшибок");
  double value = 0;
  db.forEachRow(QStringLiteral("SELECT ") + selected.join(u',') + QStringLiteral(" FROM ") +
                    query.totalsTable + whereClause(conditions),
                [&](const storage::RowView& row) {
                  totals::readQuantity(row, groupCount + 4, value);
                  if (value != 0) throw TotalsUnusable();
                  totals::readQuantity(row, groupCount, value);
                  const int month = static_cast<int>(value);
                  if (month == 0 && dated) throw TotalsUnusable();
                  double receipts = 0, issues = 0, movements = 0;
                  totals::readQuantity(row, groupCount + 1, receipts);
                  totals::readQuantity(row, groupCount + 2, issues);
                  totals::readQuantity(row, groupCount + 3, movements);
                  into(groups.at(row), month, receipts, issues, static_cast<qint64>(movements));
                });
}

// Reads the movements of days `firstDay`..`lastDay` of one month (all its days by default)
// through the date index: `into` gets each with its day key.
template <class Into>
void readMonthMovements(storage::Session& db, const BalanceQuery& query, int month,
                        const QStringList& filter, Into into, int firstDay = 1, int lastDay = 31) {
  const int groupCount = static_cast<int>(query.groupColumns.size());
  const bool hasQuantity = !query.quantityColumn.isEmpty();
  QStringList columns = query.groupColumns;
  columns << QStringLiteral("cDATE") << QStringLiteral("Флаг");
  if (hasQuantity) columns << query.quantityColumn;
  const QDate first(month / 100, month % 100, 1);
  QStringList days;
  for (int d = firstDay; d <= std::min(lastDay, first.daysInMonth()); ++d)
    days << storage::quote(first.addDays(d - 1).toString(QStringLiteral("dd.MM.yyyy")));
  if (days.isEmpty()) return;
  QStringList where = filter;
  where << QStringLiteral("cDATE IN (") + days.join(u',') + u')';
  db.forEachRow(QStringLiteral("SELECT ") + columns.join(u',') + QStringLiteral(" FROM ") +
                    query.table + whereClause(where),
                [&](const storage::RowView& row) {
                  const int date = dateKey(row.text(groupCount), query.table);
                  double amount = 0;
                  if (hasQuantity && !totals::readQuantity(row, groupCount + 2, amount))
                    throw TotalsUnusable();
                  const std::string_view flag = row.text(groupCount + 1);
                  const bool receipt =
                      flag.size() == 1 && flag[0] == '+' && !row.isNull(groupCount + 1);
                  into(row, date, receipt, amount);
                });
}

}  // namespace

BalanceSet BalanceSet::compute(storage::Session& db, const BalanceQuery& query) {
  if (query.totalsTable.isEmpty() || !query.resourceColumns.isEmpty() ||
      !db.tableExists(query.totalsTable))
    return walk(db, query);
  const int groupCount = static_cast<int>(query.groupColumns.size());
  const bool hasPeriod = query.periodStart || query.periodEnd;
  const int startKey = query.periodStart ? dateKey(*query.periodStart) : 0;
  const int endKey = query.periodEnd ? dateKey(*query.periodEnd) : 99999999;
  const int startMonth = startKey / 100;
  const int endMonth = query.periodEnd ? endKey / 100 : INT_MAX;
  const QStringList filter = filterConditions(query);
  Groups groups(groupCount);
  const int lastQuarter = filter.isEmpty() ? totals::lastQuarter(db, query.totalsTable) : 0;
  try {
    if (lastQuarter > 0) {
      // Every group: its sums before each end of the period, each from the row of the last
      // quarter before it, the months from that quarter on and the days of its own month;
      // the opening and the turnovers are the differences of the two.
      if (hasPeriod &&
          !db.openRecordset(QStringLiteral("SELECT 1 FROM ") + query.totalsTable +
                            QStringLiteral(" WHERE ") + kMonthColumn + QStringLiteral("=0 LIMIT 1"))
               .eof())
        throw TotalsUnusable();
      // `before` is a day key (yyyymmdd): the sums of the days before it; 0 for all.
      const auto sumsBefore = [&](int before, bool atStart) {
        const auto add = [atStart](Accumulator& group, double receipts, double issues,
                                   qint64 movements) {
          if (atStart) {
            group.opening += receipts;
            group.quantity += issues;  // the issues before the start, for now
          } else {
            group.receipts += receipts;
            group.issues += issues;
            group.movements += movements;
          }
        };
        const int month = before ? before / 100 : 0;
        const int quarter = month ? std::min(lastQuarter, totals::quarterOf(month)) : lastQuarter;
        const auto fromTotals = [&](Accumulator& group, int, double receipts, double issues,
                                    qint64 movements) { add(group, receipts, issues, movements); };
        // Days of the date's own month are read from the movements: those before the date,
        // or, when they are the greater part of the month, the whole month from the totals
        // less the days from the date on.
        const int day = before % 100;
        const int daysInMonth = month ? QDate(month / 100, month % 100, 1).daysInMonth() : 0;
        const bool wholeMonth = month && day > 1 && day - 1 > daysInMonth / 2;
        readTotalsRows(db, query, groups, {kMonthColumn + u'=' + QString::number(-quarter)},
                       hasPeriod, fromTotals);
        QStringList months{kMonthColumn + QStringLiteral(">=") + QString::number(quarter)};
        if (month)
          months << kMonthColumn + (wholeMonth ? QStringLiteral("<=") : QStringLiteral("<")) +
                        QString::number(month);
        readTotalsRows(db, query, groups, months, hasPeriod, fromTotals);
        if (!month) {
          readTotalsRows(db, query, groups, {kMonthColumn + QStringLiteral("=0")}, false,
                         fromTotals);
        } else if (day > 1) {
          const int sign = wholeMonth ? -1 : 1;
          readMonthMovements(
              db, query, month, filter,
              [&](const storage::RowView& row, int date, bool receipt, double amount) {
                if ((date < before) == wholeMonth) return;
                add(groups.at(row), sign * (receipt ? amount : 0), sign * (receipt ? 0 : amount),
                    sign);
              },
              wholeMonth ? day : 1, wholeMonth ? 31 : day - 1);
        }
      };
      sumsBefore(query.periodEnd ? dateKey(query.periodEnd->addDays(1)) : 0, false);
      if (query.periodStart) sumsBefore(startKey, true);
      for (Accumulator& group : groups.groups()) {
        const double receiptsBefore = group.opening, issuesBefore = group.quantity;
        group.quantity = group.receipts - group.issues;
        group.opening = receiptsBefore - issuesBefore;
        group.receipts -= receiptsBefore;
        group.issues -= issuesBefore;
        if (!hasPeriod) group.receipts = group.issues = group.opening = 0;
      }
    } else {
      // The months before the end's own month come from the totals, except the start's
      // month, whose days fall on both sides of the start.
      const bool splitStart = query.periodStart && startMonth < endMonth;
      QStringList conditions = filter;
      conditions << kMonthColumn + QStringLiteral(">=0");
      if (query.periodEnd) conditions << kMonthColumn + u'<' + QString::number(endMonth);
      if (splitStart)
        conditions << kMonthColumn + QStringLiteral("<>") + QString::number(startMonth);
      readTotalsRows(
          db, query, groups, conditions, hasPeriod,
          [&](Accumulator& group, int month, double receipts, double issues, qint64 movements) {
            group.movements += movements;
            group.quantity += receipts - issues;
            if (!hasPeriod) return;
            if (month < startMonth) {
              group.opening += receipts - issues;
            } else {
              group.receipts += receipts;
              group.issues += issues;
            }
          });
      // The movements of the months read day by day: found through the date index.
      std::vector<int> months;
      if (query.periodEnd) months.push_back(endMonth);
      if (splitStart) months.push_back(startMonth);
      for (const int month : months)
        readMonthMovements(db, query, month, filter,
                           [&](const storage::RowView& row, int date, bool receipt, double amount) {
                             if (date > endKey) return;
                             Accumulator& group = groups.at(row);
                             ++group.movements;
                             group.quantity += receipt ? amount : -amount;
                             if (date < startKey)
                               group.opening += receipt ? amount : -amount;
                             else if (receipt)
                               group.receipts += amount;
                             else
                               group.issues += amount;
                           });
    }
  } catch (const TotalsUnusable&) {
    return walk(db, query);
  }
  std::vector<Accumulator>& found = groups.groups();
  std::erase_if(found, [](const Accumulator& group) { return group.movements <= 0; });

  std::sort(found.begin(), found.end(), Groups::before);
  BalanceSet set;
  set.m_columns = query.groupColumns;
  set.m_query = query;
  set.m_documentsPending = true;
  set.m_groups.reserve(found.size());
  for (Accumulator& from : found) {
    BalanceGroup group;
    group.values = Groups::values(from);
    group.quantity = from.quantity;
    group.opening = from.opening;
    group.receipts = from.receipts;
    group.issues = from.issues;
    set.m_groups.push_back(std::move(group));
  }
  return set;
}

BalanceSet BalanceSet::walk(storage::Session& db, const BalanceQuery& query) {
  const int groupCount = static_cast<int>(query.groupColumns.size());
  QStringList selected = query.groupColumns;
  selected << QStringLiteral("Документ") << QStringLiteral("Флаг");
  const bool hasQuantity = !query.quantityColumn.isEmpty();
  const bool hasPeriod = query.periodStart || query.periodEnd;
  const int docAt = groupCount, flagAt = groupCount + 1;
  const int quantityAt = hasQuantity ? static_cast<int>(selected.size()) : -1;
  if (hasQuantity) selected << query.quantityColumn;
  const int dateAt = hasPeriod ? static_cast<int>(selected.size()) : -1;
  if (hasPeriod) selected << QStringLiteral("cDATE");
  const int resourcesAt = static_cast<int>(selected.size());
  const std::size_t resourceCount = static_cast<std::size_t>(query.resourceColumns.size());
  selected << query.resourceColumns;

  const QString sql = QStringLiteral("SELECT ") + selected.join(u',') + QStringLiteral(" FROM ") +
                      query.table + whereClause(filterConditions(query));
  const int startKey = query.periodStart ? dateKey(*query.periodStart) : 0;
  const int endKey = query.periodEnd ? dateKey(*query.periodEnd) : 99999999;

  Groups groups(groupCount);
  db.forEachRow(sql, [&](const storage::RowView& row) {
    int date = 0;
    if (hasPeriod) {
      date = dateKey(row.text(dateAt), query.table);
      if (date > endKey) return;
    }
    Accumulator& group = groups.at(row);
    if (group.movements++ == 0) {
      group.document = row.text(docAt);
      for (auto* sums : {&group.resources, &group.resourceOpening, &group.resourceReceipts,
                         &group.resourceIssues})
        sums->assign(resourceCount, 0.0);
    }
    if (group.hasBadQuantity) return;
    const std::string_view flag = row.text(flagAt);
    const bool receipt = flag.size() == 1 && flag[0] == '+' && !row.isNull(flagAt);
    // Adds one figure of the movement to the balance up to the end and to the period's parts.
    const auto add = [&](int at, double& balance, double& opening, double& receipts,
                         double& issues) {
      double amount = 0;
      const std::string_view text = row.text(at);
      if (!totals::readQuantity(text, amount)) {
        group.hasBadQuantity = true;
        group.badQuantity = text;
        return false;
      }
      balance += receipt ? amount : -amount;
      if (!hasPeriod) return true;
      if (date < startKey)
        opening += receipt ? amount : -amount;
      else if (receipt)
        receipts += amount;
      else
        issues += amount;
      return true;
    };
    if (hasQuantity &&
        !add(quantityAt, group.quantity, group.opening, group.receipts, group.issues))
      return;
    for (std::size_t r = 0; r < resourceCount; ++r)
      if (!add(resourcesAt + static_cast<int>(r), group.resources[r], group.resourceOpening[r],
               group.resourceReceipts[r], group.resourceIssues[r]))
        return;
  });

  std::vector<Accumulator>& found = groups.groups();
  std::sort(found.begin(), found.end(), Groups::before);
  BalanceSet set;
  set.m_columns = query.groupColumns;
  set.m_query = query;
  set.m_groups.reserve(found.size());
  for (Accumulator& from : found) {
    BalanceGroup group;
    group.values = Groups::values(from);
    group.document = fromUtf8(from.document);
    group.quantity = from.quantity;
    group.opening = from.opening;
    group.receipts = from.receipts;
    group.issues = from.issues;
    group.resources = std::move(from.resources);
    group.resourceOpening = std::move(from.resourceOpening);
    group.resourceReceipts = std::move(from.resourceReceipts);
    group.resourceIssues = std::move(from.resourceIssues);
    group.hasBadQuantity = from.hasBadQuantity;
    group.badQuantity = fromUtf8(from.badQuantity);
    set.m_groups.push_back(std::move(group));
  }
  return set;
}

// One walk over the movements in table order that stops once every group has met its first
// movement: at most the movements up to the last group's first one.
void BalanceSet::readDocuments(storage::Session& db) {
  if (!m_documentsPending) return;
  m_documentsPending = false;
  const int groupCount = static_cast<int>(m_columns.size());
  QStringList selected = m_columns;
  selected << QStringLiteral("Документ");
  if (m_query.periodEnd) selected << QStringLiteral("cDATE");
  const int endKey = m_query.periodEnd ? dateKey(*m_query.periodEnd) : 99999999;
  std::unordered_map<std::string, std::size_t, TextHash, std::equal_to<>> byKey;
  std::string key;
  auto encode = [&key](std::string_view v) {
    const auto length = static_cast<std::uint32_t>(v.size());
    key.append(reinterpret_cast<const char*>(&length), sizeof length);
    key.append(v);
  };
  for (std::size_t i = 0; i < m_groups.size(); ++i) {
    key.clear();
    for (const QString& v : std::as_const(m_groups[i].values)) encode(v.toStdString());
    byKey.emplace(key, i);
  }
  struct AllFound {};
  std::size_t missing = byKey.size();
  if (missing == 0) return;
  try {
    db.forEachRow(
        QStringLiteral("SELECT ") + selected.join(u',') + QStringLiteral(" FROM ") + m_query.table +
            whereClause(filterConditions(m_query)),
        [&](const storage::RowView& row) {
          if (m_query.periodEnd && dateKey(row.text(groupCount + 1), m_query.table) > endKey)
            return;
          key.clear();
          for (int c = 0; c < groupCount; ++c) encode(row.text(c));
          const auto it = byKey.find(std::string_view(key));
          if (it == byKey.end()) return;
          m_groups[it->second].document = QString::fromUtf8(
              row.text(groupCount).data(), static_cast<qsizetype>(row.text(groupCount).size()));
          byKey.erase(it);
          if (--missing == 0) throw AllFound();
        });
  } catch (const AllFound&) {
  }
}

storage::Recordset BalanceSet::groupRows() const {
  std::vector<QVariant> values;
  values.reserve(m_groups.size() * static_cast<std::size_t>(m_columns.size()));
  for (const BalanceGroup& group : m_groups)
    for (const QString& v : group.values) values.emplace_back(v);
  return storage::Recordset::fromRows(m_columns, std::move(values),
                                      static_cast<int>(m_groups.size()));
}

const BalanceGroup* BalanceSet::find(const QStringList& values) const {
  if (m_index.isEmpty() && !m_groups.empty()) {
    m_index.reserve(static_cast<qsizetype>(m_groups.size()));
    for (std::size_t i = 0; i < m_groups.size(); ++i)
      m_index.insert(m_groups[i].values, static_cast<int>(i));
  }
  const auto it = m_index.constFind(values);
  return it == m_index.constEnd() ? nullptr : &m_groups[static_cast<std::size_t>(*it)];
}

}  // namespace balvix::script
