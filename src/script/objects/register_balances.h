#pragma once

#include <QDate>
#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>
#include <vector>

#include "storage/session.h"

namespace balvix::script {

// What a balance query of a register asks for.
struct BalanceQuery {
  QString table;
  QStringList groupColumns;                         // all requisites but the quantity
  std::vector<std::pair<QString, QString>> filter;  // column = value, all must hold
  QString quantityColumn;                           // empty when the register has none
  QStringList resourceColumns;                      // the resources besides the quantity
  std::optional<QDate> periodStart;                 // with a period: movements dated
  std::optional<QDate> periodEnd;                   //   up to the end only
  // The register's monthly totals; empty, or a table that does not exist, for the walk
  // over every movement.
  QString totalsTable;
};

// One balance group: a distinct combination of requisite values (Null read as the empty
// text) with what its movements add up to.
struct BalanceGroup {
  QStringList values;
  QString document;     // Документ of the group's first movement in table order (read on
                        //   demand when the balances came from the totals)
  double quantity = 0;  // receipts minus issues (up to the period's end)
  double opening = 0;   // before the period's start
  double receipts = 0;  // within the period
  double issues = 0;    // within the period, as a positive number
  // Per resource of the query, as the quantity's figures above.
  std::vector<double> resources, resourceOpening, resourceReceipts, resourceIssues;
  QString badQuantity;  // the first quantity or resource that is not a number, if any
  bool hasBadQuantity = false;
};

// The balances of every group: from the monthly totals before the period's months and the
// movements of those months only, or summed in one pass over all movements (always when
// the query has resources besides the quantity: the totals do not keep them). Groups come
// in the order of their values, column by column, as the grouping query orders them.
class BalanceSet {
 public:
  static BalanceSet compute(storage::Session& db, const BalanceQuery& query);
  // The walk over every movement, whatever the totals: what the totals must agree with.
  static BalanceSet walk(storage::Session& db, const BalanceQuery& query);

  // Balances from the totals leave the groups' documents unread until they are asked for.
  bool documentsPending() const { return m_documentsPending; }
  void readDocuments(storage::Session& db);

  // The groups as rows of their requisite columns: what the shared recordset holds.
  storage::Recordset groupRows() const;
  // The group whose values these are; nullptr when there is none.
  const BalanceGroup* find(const QStringList& values) const;
  const QStringList& columns() const { return m_columns; }
  const std::vector<BalanceGroup>& groups() const { return m_groups; }

 private:
  QStringList m_columns;
  std::vector<BalanceGroup> m_groups;
  mutable QHash<QStringList, int> m_index;  // made on the first find()
  BalanceQuery m_query;
  bool m_documentsPending = false;
};

}  // namespace balvix::script
