#include "script/objects/register_balances.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>

#include "script/coerce.h"
#include "script/script_error.h"
#include "storage/sql_text.h"

namespace balvix::script {

namespace {

struct TextHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};

struct Accumulator {
  std::vector<std::string> values;  // UTF-8, Null as ""
  std::string document;
  double quantity = 0;
  double opening = 0;
  double receipts = 0;
  double issues = 0;
  std::string badQuantity;
  bool hasBadQuantity = false;
};

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
  return parseNumber(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())), out);
}

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

}  // namespace

BalanceSet BalanceSet::compute(storage::Session& db, const BalanceQuery& query) {
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

  QString sql =
      QStringLiteral("SELECT ") + selected.join(u',') + QStringLiteral(" FROM ") + query.table;
  QStringList conditions;
  for (const auto& [column, value] : query.filter)
    conditions << column + u'=' + storage::quote(value);
  if (!conditions.isEmpty())
    sql += QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));

  const int startKey = query.periodStart ? dateKey(*query.periodStart) : 0;
  const int endKey = query.periodEnd ? dateKey(*query.periodEnd) : 99999999;

  std::unordered_map<std::string, std::size_t, TextHash, std::equal_to<>> byKey;
  std::vector<Accumulator> groups;
  std::string key;
  db.forEachRow(sql, [&](const storage::RowView& row) {
    int date = 0;
    if (hasPeriod) {
      date = dateKey(row.text(dateAt), query.table);
      if (date > endKey) return;
    }
    key.clear();
    for (int c = 0; c < groupCount; ++c) {
      const std::string_view v = row.text(c);
      const auto length = static_cast<std::uint32_t>(v.size());
      key.append(reinterpret_cast<const char*>(&length), sizeof length);
      key.append(v);
    }
    auto it = byKey.find(std::string_view(key));
    if (it == byKey.end()) {
      it = byKey.emplace(key, groups.size()).first;
      Accumulator& fresh = groups.emplace_back();
      fresh.values.reserve(static_cast<std::size_t>(groupCount));
      for (int c = 0; c < groupCount; ++c) fresh.values.emplace_back(row.text(c));
      fresh.document = row.text(docAt);
    }
    Accumulator& group = groups[it->second];
    if (!hasQuantity || group.hasBadQuantity) return;
    double amount = 0;
    const std::string_view quantity = row.text(quantityAt);
    if (!readQuantity(quantity, amount)) {
      group.hasBadQuantity = true;
      group.badQuantity = quantity;
      return;
    }
    const std::string_view flag = row.text(flagAt);
    const bool receipt = flag.size() == 1 && flag[0] == '+' && !row.isNull(flagAt);
    group.quantity += receipt ? amount : -amount;
    if (!hasPeriod) return;
    if (date < startKey)
      group.opening += receipt ? amount : -amount;
    else if (receipt)
      group.receipts += amount;
    else
      group.issues += amount;
  });

  std::vector<std::size_t> order(groups.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(),
            [&](std::size_t a, std::size_t b) { return groups[a].values < groups[b].values; });

  BalanceSet set;
  set.m_columns = query.groupColumns;
  set.m_groups.reserve(groups.size());
  for (std::size_t i : order) {
    Accumulator& from = groups[i];
    BalanceGroup group;
    for (const std::string& v : from.values) group.values << fromUtf8(v);
    group.document = fromUtf8(from.document);
    group.quantity = from.quantity;
    group.opening = from.opening;
    group.receipts = from.receipts;
    group.issues = from.issues;
    group.hasBadQuantity = from.hasBadQuantity;
    group.badQuantity = fromUtf8(from.badQuantity);
    set.m_index.insert(group.values, static_cast<int>(set.m_groups.size()));
    set.m_groups.push_back(std::move(group));
  }
  return set;
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
  const auto it = m_index.constFind(values);
  return it == m_index.constEnd() ? nullptr : &m_groups[static_cast<std::size_t>(*it)];
}

}  // namespace balvix::script
