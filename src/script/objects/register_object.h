#pragma once

#include <QHash>
#include <optional>

#include "script/objects/object_support.h"
#include "script/objects/register_balances.h"
#include "script/objects/register_totals.h"

namespace balvix::script {

// A register as a module uses it: Реквизит values, then ДвижениеВыполнить to write a
// movement of the document being posted; or ВыбратьОстатки and Получить in a loop to read
// the balance of every group: its quantity and its other resources (Сумма, say); or
// ВыбратьДвижения and Получить to read the movements themselves, one by one in the order of
// their documents. The groups (or movements) live in the shared recordset.
class clsРегистр : public ScriptObject {
 public:
  clsРегистр(std::shared_ptr<SharedContext> context, Host& host);

  Value invoke(int dispId, Args& args) override;
  void put(int dispId, Args& args, const Value& value, bool isSet) override;
  QString typeName() const override { return QStringLiteral("clsРегистр"); }
  // For Each makes the selection itself and walks it from its first record.
  std::unique_ptr<Enumerator> enumerate(const std::shared_ptr<HostObject>& self) override;

 private:
  enum Member { kKind = 1, kRequisite, kMove, kFetch, kSelectBalances, kPeriod, kSelectMovements };

  QString requisite(const QString& name) const;
  void setRequisite(const QString& name, const QString& value);
  void move(const QString& flag);
  void addToTotals(const QStringList& columns, const QString& date, const QString& flag);
  void selectBalances();
  void selectMovements();
  bool fetch();
  void fetchOneGroup();
  void setPeriod(const QString& start, const QString& end);
  QStringList tableColumns();

  QString m_kind;
  // The requisite values (the property bag), by name with letter case ignored.
  struct Entry {
    QString name;
    QString value;
  };
  QHash<QString, Entry> m_values;
  std::optional<BalanceSet> m_balances;
  storage::Recordset m_groupRows;     // the groups as handed to the shared recordset
  storage::Recordset m_movementRows;  // the movements ВыбратьДвижения handed to it
  bool m_hasQuantity = false;
  QStringList m_resources;  // the resources besides the quantity
  std::optional<QDate> m_periodStart;
  std::optional<QDate> m_periodEnd;
  std::optional<totals::Layout> m_layout;  // of the register last written to
  QStringList m_layoutColumns;
};

}  // namespace balvix::script
