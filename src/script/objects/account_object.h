#pragma once

#include <optional>

#include "script/objects/object_support.h"

namespace balvix::script {

// The chart of accounts and the postings as a module uses them: ПриходВыполнить and
// РасходВыполнить post the amount of the document being posted to the account in Вид;
// ВыбратьСчета or ВыбратьИтоги with Получить walk accounts (in the shared recordset) whose
// totals СКД, СКК and Итог read. Период bounds the totals and gives opening balances
// (СНД, СНК) and turnovers (ОборотД, ОборотК). ДатаДокумента is the date the postings of
// the document being posted carry, so that its module can total its own period.
class clsСчет : public ScriptObject {
 public:
  clsСчет(std::shared_ptr<SharedContext> context, Host& host);

  Value invoke(int dispId, Args& args) override;
  void put(int dispId, Args& args, const Value& value, bool isSet) override;
  QString typeName() const override { return QStringLiteral("clsСчет"); }
  // For Each makes the selection itself and walks it from its first record.
  std::unique_ptr<Enumerator> enumerate(const std::shared_ptr<HostObject>& self) override;

 private:
  enum Member {
    kKind = 1,
    kSelectAccounts,
    kFetch,
    kName,
    kCode,
    kSelectTotals,
    kOpeningDebit,
    kOpeningCredit,
    kClosingDebit,
    kClosingCredit,
    kTotal,
    kDebit,
    kCredit,
    kPeriod,
    kTurnoverDebit,
    kTurnoverCredit,
    kDocumentDate,
  };

  // Inclusive bounds of the postings' dates as yyyymmdd; unset means unbounded.
  struct Range {
    std::optional<int> from;
    std::optional<int> to;
  };
  double columnSum(const QString& column, const Range& range);
  double openingBalance(bool debit);
  QString total(const QString& name);
  void post(const Value& amount, bool debit);
  std::optional<QDate> documentDate();

  QString m_kind;
  std::int16_t m_fetched = 0;
  std::optional<QDate> m_periodStart;
  std::optional<QDate> m_periodEnd;
};

}  // namespace balvix::script
