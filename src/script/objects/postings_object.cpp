#include "script/objects/postings_object.h"

#include "script/script_error.h"

namespace balvix::script {

clsПроводки::clsПроводки(std::shared_ptr<SharedContext> context, Host& host)
    : ScriptObject(std::move(context), host) {
  addMember(kAccount, QStringLiteral("Счет"));
  addMember(kPeriod, QStringLiteral("Период"));
  addMember(kOpeningDebit, QStringLiteral("СНД"));
  addMember(kOpeningCredit, QStringLiteral("СНК"));
  addMember(kTurnoverDebit, QStringLiteral("ОборотД"));
  addMember(kTurnoverCredit, QStringLiteral("ОборотК"));
  addMember(kClosingDebit, QStringLiteral("СКД"));
  addMember(kClosingCredit, QStringLiteral("СКК"));
  addMember(kHasSubaccounts, QStringLiteral("ЕстьСубсчета"));
  addMember(kIsSubaccount, QStringLiteral("Субсчет"));
  addMember(kSelect, QStringLiteral("Выбрать"));
  addMember(kFetch, QStringLiteral("Получить"));
  addMember(kDate, QStringLiteral("Дата"));
  addMember(kTime, QStringLiteral("Время"));
  addMember(kDocument, QStringLiteral("Документ"));
  addMember(kTitle, QStringLiteral("НазваниеДокумента"));
  addMember(kPostingAccount, QStringLiteral("СчетПроводки"));
  addMember(kCorrespondent, QStringLiteral("КорСчет"));
  addMember(kDebit, QStringLiteral("Дебет"));
  addMember(kCredit, QStringLiteral("Кредит"));
}

void clsПроводки::reset() {
  m_figures.reset();
  m_postings.clear();
  m_at = -1;
  m_selected = false;
}

const account_card::Figures& clsПроводки::figures() {
  if (!m_figures) m_figures = account_card::figures(db(), m_account, m_start, m_end);
  return *m_figures;
}

const account_card::Posting& clsПроводки::current() const {
  if (m_at < 0 || m_at >= static_cast<qsizetype>(m_postings.size()))
    throw ScriptError::custom(ErrorCode::InvalidCall,
                              QStringLiteral("Проводки: нет текущей проводки (вызовите Выбрать и "
                                             "Получить)."));
  return m_postings[static_cast<std::size_t>(m_at)];
}

Value clsПроводки::invoke(int dispId, Args& args) {
  const bool isFigure = dispId >= kOpeningDebit && dispId <= kClosingCredit;
  if (isFigure && m_account.isEmpty())
    throw ScriptError::custom(ErrorCode::InvalidCall,
                              QStringLiteral("Проводки: не задан счет (Проводки.Счет)."));
  switch (dispId) {
    case kAccount:
      object_args::expectCount(args, 0);
      return Value(m_account);
    case kPeriod:
      object_args::expectCount(args, 2);
      m_start = parseDateArgument(object_args::text(args, 0), QStringLiteral("Период"));
      m_end = parseDateArgument(object_args::text(args, 1), QStringLiteral("Период"));
      reset();
      return Value();
    case kOpeningDebit:
      return Value::real(figures().openingDebit);
    case kOpeningCredit:
      return Value::real(figures().openingCredit);
    case kTurnoverDebit:
      return Value::real(figures().debit);
    case kTurnoverCredit:
      return Value::real(figures().credit);
    case kClosingDebit:
      return Value::real(figures().closingDebit);
    case kClosingCredit:
      return Value::real(figures().closingCredit);
    case kHasSubaccounts:
      object_args::expectCount(args, 0);
      return flagResult(account_card::withSubaccounts(db(), m_account).size() > 1);
    case kIsSubaccount:
      object_args::expectCount(args, 0);
      return flagResult(account_card::isSubaccount(db(), m_account));
    case kSelect:
      object_args::expectCount(args, 0);
      m_postings = account_card::postings(db(), m_account, m_start, m_end);
      m_at = -1;
      m_selected = true;
      return Value();
    case kFetch:
      object_args::expectCount(args, 0);
      if (!m_selected) return flagResult(false);
      if (m_at < static_cast<qsizetype>(m_postings.size())) ++m_at;
      return flagResult(m_at < static_cast<qsizetype>(m_postings.size()));
    case kDate:
      return Value(current().date);
    case kTime:
      return Value(current().time);
    case kDocument:
      return Value(current().document);
    case kTitle:
      return Value(current().title);
    case kPostingAccount:
      return Value(current().account);
    case kCorrespondent:
      return Value(current().correspondent);
    case kDebit:
      return Value::real(current().debit);
    case kCredit:
      return Value::real(current().credit);
    default:
      throw ScriptError(ErrorCode::NotSupported);
  }
}

void clsПроводки::put(int dispId, Args& args, const Value& value, bool isSet) {
  if (dispId != kAccount || args.size() != 0 || isSet) {
    ScriptObject::put(dispId, args, value, isSet);
    return;
  }
  m_account = object_args::text(value).trimmed();
  reset();
}

}  // namespace balvix::script
