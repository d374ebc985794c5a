#pragma once

#include <optional>
#include <vector>

#include "script/objects/account_card.h"
#include "script/objects/object_support.h"

namespace balvix::script {

// An account with its subaccounts as a report reads it (СоздатьОбъект("Проводки")): Счет and
// Период(Начало, Конец) choose it; СНД, СНК, ОборотД, ОборотК, СКД, СКК are its figures (a
// parent's balances are its subaccounts' added up side by side), ЕстьСубсчета and Субсчет
// tell where it stands in the chart; Выбрать and Получить walk its postings, whose Дата,
// Время, Документ (the kind), НазваниеДокумента, СчетПроводки, КорСчет, Дебет and Кредит the
// current one gives.
class clsПроводки : public ScriptObject {
 public:
  clsПроводки(std::shared_ptr<SharedContext> context, Host& host);

  Value invoke(int dispId, Args& args) override;
  void put(int dispId, Args& args, const Value& value, bool isSet) override;
  QString typeName() const override { return QStringLiteral("clsПроводки"); }

 private:
  enum Member {
    kAccount = 1,
    kPeriod,
    kOpeningDebit,
    kOpeningCredit,
    kTurnoverDebit,
    kTurnoverCredit,
    kClosingDebit,
    kClosingCredit,
    kHasSubaccounts,
    kIsSubaccount,
    kSelect,
    kFetch,
    kDate,
    kTime,
    kDocument,
    kTitle,
    kPostingAccount,
    kCorrespondent,
    kDebit,
    kCredit,
  };

  const account_card::Figures& figures();
  const account_card::Posting& current() const;
  void reset();

  QString m_account;
  std::optional<QDate> m_start;
  std::optional<QDate> m_end;
  std::optional<account_card::Figures> m_figures;
  std::vector<account_card::Posting> m_postings;
  qsizetype m_at = -1;
  bool m_selected = false;
};

}  // namespace balvix::script
