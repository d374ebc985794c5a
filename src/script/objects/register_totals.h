#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

namespace balvix::storage {
class RowView;
class Session;
}  // namespace balvix::storage

namespace balvix::script::totals {

// A register's monthly totals: one row per month and combination of the group requisites
// (all but the last) with the receipts, the issues and the number of movements of that
// month. Months are yyyymm; a movement whose date is not written dd.MM.yyyy is counted in
// month 0, which a balance with a period does not trust (it walks the movements instead).
// The rows are turnovers of their own month, not running balances, so that a back-dated
// movement changes one row and nothing after it.
//
// Beside them, at the start of every quarter (January, April, July, October) from a group's
// first movement up to the table's last such start, a row holds the group's sums of all
// earlier months: its month is the quarter's first month negated (-202404: everything
// before April 2026). A balance on a date then reads one such row per group and the
// turnovers of at most two months, however long the history. A back-dated movement changes
// its month's row and one row per later quarter. When movements reach a new quarter, its
// rows are made for every group in the same transaction (once a quarter).
struct Layout {
  QString registerName;
  QString movements;   // the movements table
  QString totals;      // the totals table
  QStringList groups;  // the group columns, as the movements table spells them
  QString quantity;    // the column named Количество; empty when there is none
  // The monthly rows sum the quantity only; the other resources are summed from the
  // movements.
};

// A register's requisites as its balances use them: the groups, then the resources summed
// per group, which are the requisites from the first one named Количество or Сумма on.
// Without such a requisite, all requisites but the last are groups and there is no resource.
struct RequisiteSplit {
  QStringList groups;
  QStringList resources;
};
RequisiteSplit splitRequisites(const QStringList& requisites);

// The register's layout, read from its movements table; nullopt when it has none.
std::optional<Layout> layoutOf(storage::Session& db, const QString& registerName);
// The register a movements table belongs to (items_Регистр_X gives X).
QString registerOfTable(const QString& movementsTable);

// yyyymm of a date written dd.MM.yyyy; 0 for any other text.
int monthOf(std::string_view date);
// The first month of the quarter of a month (yyyymm), and of the quarter after it.
int quarterOf(int month);
int nextQuarter(int month);
// The last quarter whose running sums the totals table holds (yyyymm); 0 for none.
int lastQuarter(storage::Session& db, const QString& totalsTable);
// A movement's quantity read as a number; false when it is not one (an empty one is 0).
bool readQuantity(std::string_view text, double& out);
// The same of a column of a row; a number the engine holds as one is taken as it is.
bool readQuantity(const storage::RowView& row, int column, double& out);

// Called now and then by long work with what is done of how much; false stops the work.
using Progress = std::function<bool(qint64 done, qint64 total)>;

// Makes the totals of the register anew from its movements, in one transaction (the
// caller's, when one is open). Does nothing for a register without a movements table.
void rebuild(storage::Session& db, const QString& registerName, const Progress& progress = {});
// Removes the register's totals, when it has them.
void drop(storage::Session& db, const QString& registerName);
// Builds the totals of every register that has none (a database made before registers had
// them), and the accounts' totals when there are none; returns how many registers' totals
// were built. rebuildAll and compareAll take in the accounts' totals too.
int ensureAll(storage::Session& db, const Progress& progress = {});
// The same for one register: true when its totals are there (now). Totals made before they
// kept quarters are made anew.
bool ensure(storage::Session& db, const QString& registerName);
// The totals table is of the current form (kept in month order, with the quarters).
bool isCurrent(storage::Session& db, const QString& totalsTable);
// Makes every register's totals anew; returns how many registers there were.
int rebuildAll(storage::Session& db, const Progress& progress = {});
// The registers of the database, by name.
QStringList registerNames(storage::Session& db);

// What differs between the register's totals and a recomputation from its movements, one
// line per differing row ("Остатки: Товар=…, Склад=…, месяц 03.2026: …"); empty when they
// agree. A register without totals is reported as such.
QStringList compare(storage::Session& db, const QString& registerName);
QStringList compareAll(storage::Session& db);

// Changes of totals rows gathered before they are written: a document's movements, or the
// movements a deletion removes. Written in the order of their keys, so that two postings
// always take the rows in the same order.
class Changes {
 public:
  // One movement added (sign 1) or removed (sign -1).
  void add(const Layout& layout, std::vector<std::string> groupValues, int month, bool receipt,
           std::string_view quantity, int sign);
  bool empty() const { return m_rows.empty(); }
  void clear() { m_rows.clear(); }
  // Writes the changes into the totals tables and forgets them.
  void write(storage::Session& db);

 private:
  struct Key {
    QString totals;
    std::vector<std::string> groups;
    int month = 0;
    bool operator<(const Key& other) const {
      return std::tie(totals, groups, month) < std::tie(other.totals, other.groups, other.month);
    }
  };
  struct Delta {
    double receipts = 0;
    double issues = 0;
    int movements = 0;
    int bad = 0;
  };
  std::map<Key, Delta> m_rows;
  std::map<QString, Layout> m_layouts;
};

// Deletes the movements of `table` that `condition` (" WHERE …") selects, taking them out of
// the totals first. The transaction is the caller's.
void deleteMovements(storage::Session& db, const QString& table, const QString& condition);

}  // namespace balvix::script::totals
