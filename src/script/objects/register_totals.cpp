#include "script/objects/register_totals.h"

#include <QDate>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <unordered_map>

#include "config/table_names.h"
#include "script/coerce.h"
#include "script/objects/account_totals.h"
#include "storage/session.h"
#include "storage/sql_text.h"
#include "storage/table_indexes.h"

namespace balvix::script::totals {

namespace {

const QString& kMonth = config::kTotalsMonthColumn;
const QString kReceipts = config::totalsSumColumns().at(0);
const QString kIssues = config::totalsSumColumns().at(1);
const QString kMovements = config::totalsSumColumns().at(2);
const QString kBad = config::totalsSumColumns().at(3);

int digitsAt(std::string_view s, std::size_t at, std::size_t count) {
  int n = 0;
  for (std::size_t k = at; k < at + count; ++k) {
    if (s[k] < '0' || s[k] > '9') return -1;
    n = n * 10 + (s[k] - '0');
  }
  return n;
}

QString fromUtf8(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QString number(double value) {
  return QString::number(value, 'g', 17);
}

QString keyColumns(const Layout& layout) {
  QStringList columns = layout.groups;
  columns << kMonth;
  return columns.join(u',');
}

QString groupIndex(const QString& table) {
  return QStringLiteral("idx_") + table + QStringLiteral("_группы");
}

void createTable(storage::Session& db, const Layout& layout, const QString& table) {
  QStringList columns;
  for (const QString& group : layout.groups) columns << group + QStringLiteral(" TEXT(50)");
  columns << kMonth + QStringLiteral(" INTEGER") << kReceipts + QStringLiteral(" REAL")
          << kIssues + QStringLiteral(" REAL") << kMovements + QStringLiteral(" INTEGER")
          << kBad + QStringLiteral(" INTEGER");
  // Kept in month order: a balance reads one quarter's rows and the months after it, each a
  // run of neighbouring rows; one group's months are found through the index.
  QStringList key{kMonth};
  key << layout.groups;
  db.execute(QStringLiteral("CREATE TABLE ") + table + u'(' + columns.join(u',') +
             QStringLiteral(", PRIMARY KEY(") + key.join(u',') +
             QStringLiteral(")) WITHOUT ROWID"));
  if (!layout.groups.isEmpty())
    db.execute(QStringLiteral("CREATE INDEX ") + groupIndex(table) + QStringLiteral(" ON ") +
               table + u'(' + keyColumns(layout) + u')');
}

struct Sums {
  double receipts = 0;
  double issues = 0;
  qint64 movements = 0;
  qint64 bad = 0;
  Sums& operator+=(const Sums& other) {
    receipts += other.receipts;
    issues += other.issues;
    movements += other.movements;
    bad += other.bad;
    return *this;
  }
};

// Rows are written in portions, so that a large register is never held whole as text.
constexpr std::size_t kPortion = 50000;

QString upsertStatement(const Layout& layout, const QString& table) {
  QStringList marks;
  for (qsizetype i = 0; i < layout.groups.size() + 5; ++i) marks << QStringLiteral("?");
  QStringList sums;
  for (const QString& column : {kReceipts, kIssues, kMovements, kBad})
    sums << column + u'=' + column + QStringLiteral("+excluded.") + column;
  return QStringLiteral("INSERT INTO ") + table + u'(' + keyColumns(layout) + u',' +
         QStringList{kReceipts, kIssues, kMovements, kBad}.join(u',') +
         QStringLiteral(") VALUES (") + marks.join(u',') + QStringLiteral(") ON CONFLICT(") +
         keyColumns(layout) + QStringLiteral(") DO UPDATE SET ") + sums.join(u',');
}

// Writes into `table` (made by createTable) the totals of the register's movements: one
// walk in table order, the rows gathered in memory (as many as there are totals rows, not
// movements), then written in key order with each group's quarter rows up to `lastQuarter`
// (the quarter of the last month moved when not given).
void recomputeInto(storage::Session& db, const Layout& layout, const QString& table,
                   const Progress& progress, std::optional<int> lastQuarter = std::nullopt) {
  QStringList selected = layout.groups;
  selected << QStringLiteral("cDATE") << QStringLiteral("Флаг");
  if (!layout.quantity.isEmpty()) selected << layout.quantity;
  const int groupCount = static_cast<int>(layout.groups.size());
  const QString upsert = upsertStatement(layout, table);
  std::unordered_map<std::string, Sums> held;
  std::string key;
  int lastMonth = 0;
  const auto writeHeld = [&] {
    const int upTo = lastQuarter ? *lastQuarter : lastMonth > 0 ? quarterOf(lastMonth) : 0;
    std::vector<const std::pair<const std::string, Sums>*> order;
    order.reserve(held.size());
    for (const auto& entry : held) order.push_back(&entry);
    std::sort(order.begin(), order.end(), [](auto* a, auto* b) { return a->first < b->first; });
    std::vector<QStringList> rows;
    const auto row = [](QStringList groups, int month, const Sums& sums) {
      groups << QString::number(month) << number(sums.receipts) << number(sums.issues)
             << QString::number(sums.movements) << QString::number(sums.bad);
      return groups;
    };
    const auto flushIfFull = [&] {
      if (rows.size() < kPortion) return;
      db.executeEach(upsert, rows);
      rows.clear();
    };
    // One group's months in order, for its quarter rows.
    QStringList groups;
    std::vector<std::pair<int, Sums>> months;
    const auto quarters = [&] {
      if (months.empty()) return;
      Sums before;
      std::size_t i = 0;
      for (int q = nextQuarter(months.front().first); q <= upTo; q = nextQuarter(q)) {
        for (; i < months.size() && months[i].first < q; ++i) before += months[i].second;
        rows.push_back(row(groups, -q, before));
        flushIfFull();
      }
      months.clear();
    };
    // The keys are the group values and the month, each length-prefixed: one group's keys
    // follow one another, its months in order.
    for (const auto* entry : order) {
      QStringList values;
      std::string_view rest = entry->first;
      for (int c = 0; c <= groupCount; ++c) {
        std::uint32_t length = 0;
        std::memcpy(&length, rest.data(), sizeof length);
        values << fromUtf8(rest.substr(sizeof length, length));
        rest.remove_prefix(sizeof length + length);
      }
      const int month = values.takeLast().toInt();
      if (values != groups) {
        quarters();
        groups = values;
      }
      if (month > 0) months.emplace_back(month, entry->second);
      rows.push_back(row(values, month, entry->second));
      flushIfFull();
    }
    quarters();
    held.clear();
    db.executeEach(upsert, rows);
  };
  qint64 done = 0;
  db.forEachRow(
      QStringLiteral("SELECT ") + selected.join(u',') + QStringLiteral(" FROM ") + layout.movements,
      [&](const storage::RowView& row) {
        key.clear();
        auto encode = [&key](std::string_view v) {
          const auto length = static_cast<std::uint32_t>(v.size());
          key.append(reinterpret_cast<const char*>(&length), sizeof length);
          key.append(v);
        };
        for (int c = 0; c < groupCount; ++c) encode(row.text(c));
        const int month = monthOf(row.text(groupCount));
        lastMonth = std::max(lastMonth, month);
        encode(std::to_string(month));
        Sums& sums = held[key];
        double amount = 0;
        const bool ok = layout.quantity.isEmpty() || readQuantity(row, groupCount + 2, amount);
        const std::string_view flag = row.text(groupCount + 1);
        const bool receipt = flag == "+" && !row.isNull(groupCount + 1);
        if (!ok)
          ++sums.bad;
        else
          (receipt ? sums.receipts : sums.issues) += amount;
        ++sums.movements;
        if (progress && ++done % 100000 == 0 && !progress(done, 0))
          throw storage::DbError(storage::ErrorCode::Other,
                                 QStringLiteral("Пересчет итогов прерван."));
      });
  writeHeld();
}

// Makes the quarter rows of every quarter after the table's last one up to `upTo`, each from
// the quarter before and the months between, in the transaction under way.
void openQuarters(storage::Session& db, const Layout& layout, int upTo) {
  int last = lastQuarter(db, layout.totals);
  int first = 0;
  if (last == 0) {
    const QVariant earliest =
        db.openRecordset(
              QStringLiteral("SELECT MIN(%1) FROM %2 WHERE %1>0").arg(kMonth, layout.totals))
            .value(0);
    if (earliest.isNull()) return;
    first = nextQuarter(earliest.toInt());
  } else {
    first = nextQuarter(last);
  }
  const QString groups = layout.groups.join(u',');
  QStringList sums;
  for (const QString& column : {kReceipts, kIssues, kMovements, kBad})
    sums << QStringLiteral("SUM(") + column + u')';
  for (int q = first; q <= upTo; q = nextQuarter(q)) {
    const QString from =
        last ? QStringLiteral("%1=%2 OR (%1>=%3 AND %1<%4)").arg(kMonth).arg(-last).arg(last).arg(q)
             : QStringLiteral("%1>0 AND %1<%2").arg(kMonth).arg(q);
    db.execute(QStringLiteral("INSERT INTO ") + layout.totals + u'(' + keyColumns(layout) + u',' +
               QStringList{kReceipts, kIssues, kMovements, kBad}.join(u',') +
               QStringLiteral(") SELECT ") + (groups.isEmpty() ? QString() : groups + u',') +
               QString::number(-q) + u',' + sums.join(u',') + QStringLiteral(" FROM ") +
               layout.totals + QStringLiteral(" WHERE ") + from +
               (groups.isEmpty() ? QString() : QStringLiteral(" GROUP BY ") + groups) +
               QStringLiteral(" HAVING SUM(") + kMovements + QStringLiteral(")>0"));
    last = q;
  }
}

QString describeKey(const Layout& layout, const std::vector<std::string>& groups, int month) {
  QStringList parts;
  for (qsizetype i = 0; i < layout.groups.size(); ++i)
    parts << layout.groups[i] + u'=' + fromUtf8(groups[static_cast<std::size_t>(i)]);
  const int shown = std::abs(month);
  const QString period =
      QStringLiteral("%1.%2").arg(shown % 100, 2, 10, QLatin1Char('0')).arg(shown / 100);
  parts << (month == 0  ? QStringLiteral("без даты")
            : month < 0 ? QStringLiteral("итог до ") + period
                        : QStringLiteral("месяц ") + period);
  return layout.registerName + QStringLiteral(": ") + parts.join(QStringLiteral(", "));
}

}  // namespace

std::optional<Layout> layoutOf(storage::Session& db, const QString& registerName) {
  const QString movements = config::registerTable(registerName);
  if (!db.tableExists(movements)) return std::nullopt;
  const QStringList columns = db.columns(movements);
  const QStringList requisites = config::requisiteColumns(config::TableRole::Movements, columns);
  Layout layout;
  layout.registerName = registerName;
  layout.movements = movements;
  layout.totals = config::registerTotalsTable(registerName);
  layout.groups = splitRequisites(requisites).groups;
  for (const QString& column : columns)
    if (storage::sameName(column, QStringLiteral("Количество"))) layout.quantity = column;
  return layout;
}

RequisiteSplit splitRequisites(const QStringList& requisites) {
  for (qsizetype i = 0; i < requisites.size(); ++i)
    if (storage::sameName(requisites[i], QStringLiteral("Количество")) ||
        storage::sameName(requisites[i], QStringLiteral("Сумма")))
      return {requisites.mid(0, i), requisites.mid(i)};
  return {requisites.mid(0, std::max<qsizetype>(0, requisites.size() - 1)), {}};
}

QString registerOfTable(const QString& movementsTable) {
  return movementsTable.mid(config::tablePrefix(config::TableRole::Movements).size());
}

int monthOf(std::string_view text) {
  if (text.size() != 10 || text[2] != '.' || text[5] != '.') return 0;
  const int d = digitsAt(text, 0, 2), m = digitsAt(text, 3, 2), y = digitsAt(text, 6, 4);
  if (d < 1 || m < 1 || m > 12 || y < 0 || d > QDate(y, m, 1).daysInMonth()) return 0;
  return y * 100 + m;
}

int quarterOf(int month) {
  const int m = month % 100;
  return month - m + (m - 1) / 3 * 3 + 1;
}

int nextQuarter(int month) {
  const int q = quarterOf(month);
  return q % 100 >= 10 ? (q / 100 + 1) * 100 + 1 : q + 3;
}

int lastQuarter(storage::Session& db, const QString& totalsTable) {
  const QVariant v =
      db.openRecordset(QStringLiteral("SELECT MIN(%1) FROM %2 WHERE %1<0").arg(kMonth, totalsTable))
          .value(0);
  return v.isNull() ? 0 : -v.toInt();
}

bool isCurrent(storage::Session& db, const QString& totalsTable) {
  // Totals made before they kept quarters were tables in the order of their rows.
  return storage::keptInKeyOrder(db, totalsTable);
}

// Most quantities are whole numbers written plainly; anything else takes the language's
// own reading of numbers, which accepts "." and "," alike.
bool readQuantity(std::string_view text, double& out) {
  if (text.empty()) {
    out = 0;
    return true;
  }
  std::size_t i = 0;
  const bool negative = text[0] == '-';
  if (negative) i = 1;
  if (i < text.size() && text.size() - i <= 15) {
    std::int64_t whole = 0;
    std::size_t j = i;
    for (; j < text.size() && text[j] >= '0' && text[j] <= '9'; ++j)
      whole = whole * 10 + (text[j] - '0');
    if (j == text.size()) {
      out = negative ? -static_cast<double>(whole) : static_cast<double>(whole);
      return true;
    }
  }
  return parseNumber(fromUtf8(text), out);
}

bool readQuantity(const storage::RowView& row, int column, double& out) {
  if (const std::optional<double> n = row.number(column)) {
    out = *n;
    return true;
  }
  return readQuantity(row.text(column), out);
}

void rebuild(storage::Session& db, const QString& registerName, const Progress& progress) {
  const std::optional<Layout> layout = layoutOf(db, registerName);
  if (!layout) return;
  storage::Transaction transaction(db);
  drop(db, registerName);
  createTable(db, *layout, layout->totals);
  recomputeInto(db, *layout, layout->totals, progress);
  transaction.commit();
}

void drop(storage::Session& db, const QString& registerName) {
  const QString table = config::registerTotalsTable(registerName);
  if (db.tableExists(table)) db.execute(QStringLiteral("DROP TABLE ") + table);
}

QStringList registerNames(storage::Session& db) {
  db.refreshTables();
  QStringList names;
  const QString prefix = config::tablePrefix(config::TableRole::Movements);
  for (int i = 0; i < db.tableCount(); ++i) {
    const storage::TableDef& table = db.table(i);
    if (table.attributes == 0 && table.name.startsWith(prefix, Qt::CaseInsensitive))
      names << registerOfTable(table.name);
  }
  return names;
}

bool ensure(storage::Session& db, const QString& registerName) {
  const QString table = config::registerTotalsTable(registerName);
  if (db.tableExists(table) && isCurrent(db, table)) return true;
  if (!db.tableExists(config::registerTable(registerName))) return false;
  rebuild(db, registerName);
  return true;
}

int ensureAll(storage::Session& db, const Progress& progress) {
  account_totals::ensure(db);
  int built = 0;
  for (const QString& name : registerNames(db)) {
    const QString table = config::registerTotalsTable(name);
    if (db.tableExists(table) && isCurrent(db, table)) continue;
    rebuild(db, name, progress);
    ++built;
  }
  return built;
}

int rebuildAll(storage::Session& db, const Progress& progress) {
  const QStringList names = registerNames(db);
  storage::Transaction transaction(db);
  for (const QString& name : names) rebuild(db, name, progress);
  account_totals::rebuild(db);
  transaction.commit();
  return static_cast<int>(names.size());
}

QStringList compare(storage::Session& db, const QString& registerName) {
  const std::optional<Layout> layout = layoutOf(db, registerName);
  // Without totals the balances walk the movements: nothing can disagree.
  if (!layout || !db.tableExists(layout->totals)) return {};
  // The recomputation goes into a table of its own for the time of the comparison, so that
  // the engine joins the two by their keys.
  const QString fresh = layout->totals + QStringLiteral("_пересчет");
  storage::Transaction transaction(db);
  if (db.tableExists(fresh)) db.execute(QStringLiteral("DROP TABLE ") + fresh);
  createTable(db, *layout, fresh);
  recomputeInto(db, *layout, fresh, {}, lastQuarter(db, layout->totals));
  QStringList on, groups;
  for (const QString& group : std::as_const(layout->groups)) {
    on << QStringLiteral("a.") + group + QStringLiteral("=b.") + group;
    groups << QStringLiteral("a.") + group;
  }
  on << QStringLiteral("a.") + kMonth + QStringLiteral("=b.") + kMonth;
  QStringList sides;
  for (const QString& column : {kReceipts, kIssues, kMovements, kBad})
    sides << QStringLiteral("a.") + column << QStringLiteral("b.") + column;
  QStringList differs;
  for (const QString& column : {kReceipts, kIssues, kMovements, kBad})
    differs << QStringLiteral("abs(a.%1-b.%1)>1e-9*(1+abs(a.%1))").arg(column);
  const QString select = QStringLiteral("SELECT ") + groups.join(u',') + QStringLiteral(",a.") +
                         kMonth + u',' + sides.join(u',') +
                         QStringLiteral(" FROM %1 a LEFT JOIN %2 b ON ") +
                         on.join(QStringLiteral(" AND ")) + QStringLiteral(" WHERE b.") + kMonth +
                         QStringLiteral(" IS NULL");
  const int groupCount = static_cast<int>(layout->groups.size());
  QStringList problems;
  for (const bool stored : {true, false}) {
    // The first pass finds the totals rows that differ or have no movements, the second the
    // rows the movements give that the totals lack.
    db.forEachRow(
        select.arg(stored ? layout->totals : fresh, stored ? fresh : layout->totals) +
            (stored ? QStringLiteral(" OR ") + differs.join(QStringLiteral(" OR ")) : QString()),
        [&](const storage::RowView& row) {
          std::vector<std::string> values;
          for (int c = 0; c < groupCount; ++c) values.emplace_back(row.text(c));
          double month = 0;
          readQuantity(row, groupCount, month);
          QStringList cells;
          for (int c = groupCount + 1; c < groupCount + 9; ++c)
            cells << (row.isNull(c) ? QStringLiteral("0") : fromUtf8(row.text(c)));
          if (!stored) {
            for (int k = 0; k < 4; ++k) cells.swapItemsAt(2 * k, 2 * k + 1);
          }
          const bool missing = row.isNull(groupCount + 2);
          problems << describeKey(*layout, values, static_cast<int>(month)) +
                          (stored && missing ? QStringLiteral(": строка итогов без движений")
                           : !stored ? QStringLiteral(": нет строки итогов")
                                     : QString()) +
                          QStringLiteral(
                              "; в итогах приход %1, расход %2, движений %3; "
                              "по движениям приход %4, расход %5, движений %6")
                              .arg(cells[0], cells[2], cells[4], cells[1], cells[3], cells[5]);
        });
  }
  db.execute(QStringLiteral("DROP TABLE ") + fresh);
  transaction.commit();
  return problems;
}

QStringList compareAll(storage::Session& db) {
  QStringList problems = account_totals::compare(db);
  for (const QString& name : registerNames(db)) problems << compare(db, name);
  return problems;
}

void Changes::add(const Layout& layout, std::vector<std::string> groupValues, int month,
                  bool receipt, std::string_view quantity, int sign) {
  m_layouts.try_emplace(layout.totals, layout);
  Delta& delta = m_rows[Key{layout.totals, std::move(groupValues), month}];
  double amount = 0;
  if (!layout.quantity.isEmpty() && !readQuantity(quantity, amount))
    delta.bad += sign;
  else
    (receipt ? delta.receipts : delta.issues) += sign * amount;
  delta.movements += sign;
}

void Changes::write(storage::Session& db) {
  if (m_rows.empty()) return;
  storage::Transaction transaction(db);
  auto it = m_rows.begin();
  while (it != m_rows.end()) {
    const Layout& layout = m_layouts.at(it->first.totals);
    // Totals not built yet are built whole from the movements when first needed.
    const bool kept = db.tableExists(layout.totals);
    const int last = kept ? lastQuarter(db, layout.totals) : 0;
    // The month rows, and the rows of every later quarter the table holds.
    std::map<std::pair<std::vector<std::string>, int>, Delta> rows;
    int newest = 0;
    for (; it != m_rows.end() && it->first.totals == layout.totals; ++it) {
      if (!kept) continue;
      const auto& [key, delta] = *it;
      const auto addTo = [&](int month) {
        Delta& d = rows[{key.groups, month}];
        d.receipts += delta.receipts;
        d.issues += delta.issues;
        d.movements += delta.movements;
        d.bad += delta.bad;
      };
      addTo(key.month);
      if (key.month <= 0) continue;
      if (delta.movements > 0) newest = std::max(newest, key.month);
      for (int q = nextQuarter(key.month); q <= last; q = nextQuarter(q)) addTo(-q);
    }
    if (!kept) continue;
    std::vector<QStringList> upserts, emptied;
    for (const auto& [key, delta] : rows) {
      QStringList row;
      for (const std::string& g : key.first) row << fromUtf8(g);
      row << QString::number(key.second);
      if (delta.movements < 0) emptied.push_back(row);
      row << number(delta.receipts) << number(delta.issues) << QString::number(delta.movements)
          << QString::number(delta.bad);
      upserts.push_back(std::move(row));
    }
    QStringList match;
    for (const QString& group : layout.groups) match << group + QStringLiteral("=?");
    match << kMonth + QStringLiteral("=?");
    db.executeEach(upsertStatement(layout, layout.totals), upserts);
    // A row whose last movement went carries nothing: it goes too, so a group without
    // movements is not listed.
    db.executeEach(QStringLiteral("DELETE FROM ") + layout.totals + QStringLiteral(" WHERE ") +
                       match.join(QStringLiteral(" AND ")) + QStringLiteral(" AND ") + kMovements +
                       QStringLiteral("<=0"),
                   emptied);
    // Movements in a quarter the table has no rows for yet: its rows are made now, for every
    // group, from the quarter before.
    if (newest > 0 && quarterOf(newest) > last && isCurrent(db, layout.totals))
      openQuarters(db, layout, quarterOf(newest));
  }
  transaction.commit();
  m_rows.clear();
}

void deleteMovements(storage::Session& db, const QString& table, const QString& condition) {
  const QString name = registerOfTable(table);
  const std::optional<Layout> layout = layoutOf(db, name);
  if (layout && db.tableExists(layout->totals)) {
    QStringList selected = layout->groups;
    selected << QStringLiteral("cDATE") << QStringLiteral("Флаг");
    if (!layout->quantity.isEmpty()) selected << layout->quantity;
    const int groupCount = static_cast<int>(layout->groups.size());
    Changes changes;
    db.forEachRow(QStringLiteral("SELECT ") + selected.join(u',') + QStringLiteral(" FROM ") +
                      table + condition,
                  [&](const storage::RowView& row) {
                    std::vector<std::string> groups;
                    for (int c = 0; c < groupCount; ++c) groups.emplace_back(row.text(c));
                    const std::string_view flag = row.text(groupCount + 1);
                    changes.add(
                        *layout, std::move(groups), monthOf(row.text(groupCount)),
                        flag == "+" && !row.isNull(groupCount + 1),
                        layout->quantity.isEmpty() ? std::string_view() : row.text(groupCount + 2),
                        -1);
                  });
    changes.write(db);
  }
  db.execute(QStringLiteral("DELETE FROM ") + table + condition);
}

}  // namespace balvix::script::totals
