#include "script/objects/account_object.h"

#include <cmath>

#include "config/object_kind.h"
#include "script/coerce.h"
#include "script/objects/account_totals.h"
#include "script/objects/program_host.h"
#include "script/script_error.h"
#include "storage/sql_text.h"

namespace balvix::script {

namespace {

const QString& debitColumn() {
  static const QString name = QStringLiteral("Дебет");
  return name;
}
const QString& creditColumn() {
  static const QString name = QStringLiteral("Кредит");
  return name;
}

// An amount as posted: a blank one counts as no amount at all; text that is not a number
// is an error of the module, never a silent zero.
bool readAmount(const QVariant& value, double& out) {
  if (value.isNull()) return false;
  const QString text = variantText(value);
  if (text.trimmed().isEmpty()) return false;
  if (!parseStoredNumber(text, out))
    throw ScriptError::custom(ErrorCode::TypeMismatch,
                              QStringLiteral("Несоответствие типа: сумма проводки «%1» не является "
                                             "числом.")
                                  .arg(text));
  return true;
}

void checkSum(double sum) {
  if (!std::isfinite(sum)) throw ScriptError(ErrorCode::Overflow);
}

}  // namespace

clsСчет::clsСчет(std::shared_ptr<SharedContext> context, Host& host)
    : ScriptObject(std::move(context), host) {
  addMember(kKind, QStringLiteral("Вид"));
  addMember(kSelectAccounts, QStringLiteral("ВыбратьСчета"));
  addMember(kFetch, QStringLiteral("Получить"));
  addMember(kName, QStringLiteral("Наименование"));
  addMember(kCode, QStringLiteral("Код"));
  addMember(kSelectTotals, QStringLiteral("ВыбратьИтоги"));
  addMember(kOpeningDebit, QStringLiteral("СНД"));
  addMember(kOpeningCredit, QStringLiteral("СНК"));
  addMember(kClosingDebit, QStringLiteral("СКД"));
  addMember(kClosingCredit, QStringLiteral("СКК"));
  addMember(kTotal, QStringLiteral("Итог"));
  addMember(kDebit, QStringLiteral("ПриходВыполнить"));
  addMember(kCredit, QStringLiteral("РасходВыполнить"));
  addMember(kPeriod, QStringLiteral("Период"));
  addMember(kTurnoverDebit, QStringLiteral("ОборотД"));
  addMember(kTurnoverCredit, QStringLiteral("ОборотК"));
  addMember(kDocumentDate, QStringLiteral("ДатаДокумента"));
}

Value clsСчет::invoke(int dispId, Args& args) {
  SharedContext& ctx = context();
  const bool hasPeriod = m_periodStart || m_periodEnd;
  const Range upToEnd{std::nullopt,
                      m_periodEnd ? std::optional(dateKey(*m_periodEnd)) : std::nullopt};
  const Range within{m_periodStart ? std::optional(dateKey(*m_periodStart)) : std::nullopt,
                     upToEnd.to};
  switch (dispId) {
    case kKind:
      object_args::expectCount(args, 0);
      return Value(m_kind);
    case kSelectAccounts:
      object_args::expectCount(args, 0);
      ctx.sharedRecordset =
          db().openRecordset(m_kind.isEmpty() ? QStringLiteral("SELECT * FROM plan")
                                              : QStringLiteral("SELECT * FROM plan WHERE код=") +
                                                    storage::quote(m_kind));
      return Value();
    case kFetch:
      object_args::expectCount(args, 0);
      return flagResult(fetchRecord(ctx.sharedRecordset, m_fetched));
    case kName:
      object_args::expectCount(args, 0);
      return Value(columnTextStrict(ctx.sharedRecordset, QStringLiteral("наименование")));
    case kCode:
      object_args::expectCount(args, 0);
      return Value(columnTextStrict(ctx.sharedRecordset, QStringLiteral("код")));
    case kSelectTotals:
      object_args::expectCount(args, 0);
      ctx.sharedRecordset = db().openRecordset(
          m_kind.isEmpty() ? QStringLiteral("SELECT Код FROM itogi GROUP BY Код")
                           : QStringLiteral("SELECT Код FROM itogi WHERE код=") +
                                 storage::quote(m_kind) + QStringLiteral(" GROUP BY Код"));
      return Value();
    case kOpeningDebit:
    case kOpeningCredit:
      object_args::expectCount(args, 0);
      return Value::real(hasPeriod ? openingBalance(dispId == kOpeningDebit) : 0.0);
    case kClosingDebit:
      object_args::expectCount(args, 0);
      return Value::real(columnSum(debitColumn(), upToEnd));
    case kClosingCredit:
      object_args::expectCount(args, 0);
      return Value::real(columnSum(creditColumn(), upToEnd));
    case kTurnoverDebit:
      object_args::expectCount(args, 0);
      return Value::real(columnSum(debitColumn(), within));
    case kTurnoverCredit:
      object_args::expectCount(args, 0);
      return Value::real(columnSum(creditColumn(), within));
    case kTotal:
      object_args::expectCount(args, 1);
      return Value(total(object_args::text(args, 0)));
    case kDebit:
    case kCredit:
      object_args::expectCount(args, 1);
      post(args[0].deref(), dispId == kDebit);
      return Value();
    case kPeriod:
      object_args::expectCount(args, 2);
      m_periodStart = parseDateArgument(object_args::text(args, 0), QStringLiteral("Период"));
      m_periodEnd = parseDateArgument(object_args::text(args, 1), QStringLiteral("Период"));
      return Value();
    case kDocumentDate: {
      object_args::expectCount(args, 0);
      const std::optional<QDate> date = documentDate();
      return Value(date ? dateText(*date) : QString());
    }
  }
  throw ScriptError(ErrorCode::NotSupported);
}

void clsСчет::put(int dispId, Args& args, const Value& value, bool isSet) {
  if (dispId != kKind || args.size() != 0 || isSet) {
    ScriptObject::put(dispId, args, value, isSet);
    return;
  }
  m_kind = object_args::text(value);
}

// The sum of a column over the postings of the account current in the shared recordset,
// gross (debit is not netted against credit), within the dates of `range`.
double clsСчет::columnSum(const QString& column, const Range& range) {
  const QString code = columnTextStrict(context().sharedRecordset, QStringLiteral("код"));
  if (const std::optional<double> kept =
          account_totals::sum(db(), code, column == debitColumn(), range.from, range.to)) {
    checkSum(*kept);
    return *kept;
  }
  storage::Recordset postings =
      db().openRecordset(QStringLiteral("SELECT * FROM itogi WHERE код=") + storage::quote(code));
  const bool bounded = range.from || range.to;
  double sum = 0;
  for (; !postings.eof(); postings.moveNext()) {
    if (bounded) {
      const QString date = variantText(postings.value(QStringLiteral("cDATE")));
      const std::optional<int> key = dateKeyFromText(date);
      if (!key)
        throw ScriptError::custom(
            ErrorCode::TypeMismatch,
            QStringLiteral("Проводку по счету «%1» с датой «%2» нельзя отнести к периоду.")
                .arg(code, date));
      if ((range.from && *key < *range.from) || (range.to && *key > *range.to)) continue;
    }
    double amount = 0;
    if (readAmount(postings.value(column), amount)) sum += amount;
  }
  checkSum(sum);
  return sum;
}

// The balance before the period's start, netted: on the debit side when debits exceed
// credits, else on the credit side.
double clsСчет::openingBalance(bool debit) {
  if (!m_periodStart) return 0.0;
  const Range before{std::nullopt, dateKey(m_periodStart->addDays(-1))};
  const double net = columnSum(debitColumn(), before) - columnSum(creditColumn(), before);
  if (debit) return net > 0 ? net : 0.0;
  return net < 0 ? -net : 0.0;
}

// The sum of a column over the postings of the account in Вид (all accounts when empty);
// the empty text when no posting has a value there.
QString clsСчет::total(const QString& name) {
  QString column = name;
  if (name == QStringLiteral("СКД") || name == QStringLiteral("СНД")) column = debitColumn();
  if (name == QStringLiteral("СКК") || name == QStringLiteral("СНК")) column = creditColumn();
  // A non-zero sum from the totals says that some posting carries an amount; a zero one may
  // mean none does, which only the postings tell.
  const bool debit = column.compare(debitColumn(), Qt::CaseInsensitive) == 0;
  if (debit || column.compare(creditColumn(), Qt::CaseInsensitive) == 0) {
    const std::optional<double> kept = account_totals::sumAll(db(), m_kind, debit);
    if (kept && *kept != 0) {
      checkSum(*kept);
      return formatDouble(*kept);
    }
  }
  storage::Recordset postings = db().openRecordset(
      m_kind.isEmpty() ? QStringLiteral("SELECT * FROM itogi")
                       : QStringLiteral("SELECT * FROM itogi WHERE код=") + storage::quote(m_kind));
  bool any = false;
  double sum = 0;
  for (; !postings.eof(); postings.moveNext()) {
    double amount = 0;
    if (!readAmount(postings.value(column), amount)) continue;
    sum += amount;
    any = true;
  }
  if (!any) return QString();
  checkSum(sum);
  return formatDouble(sum);
}

void clsСчет::post(const Value& amount, bool debit) {
  const QString operation =
      debit ? QStringLiteral("ПриходВыполнить") : QStringLiteral("РасходВыполнить");
  SharedContext& ctx = context();
  if (ctx.currentObjectType != config::typeWord(config::ObjectKind::Document)) {
    host().showProgramMessage(
        debit ? QStringLiteral("Приход может выполняться только движением документа!")
              : QStringLiteral("Расход может выполняться только движением документа!"));
    return;
  }
  const std::optional<QDate> date = documentDate();
  if (!date)
    throw ScriptError::custom(ErrorCode::InvalidCall,
                              QStringLiteral("%1: нет проводимого документа. Проводки по счетам "
                                             "записываются только при проведении документа.")
                                  .arg(operation));
  if (amount.isObject() || amount.isArray()) throw ScriptError(ErrorCode::TypeMismatch);
  const QString text = toText(amount);
  double check = 0;
  if (!text.trimmed().isEmpty() && !parseStoredNumber(text, check))
    throw ScriptError::custom(
        ErrorCode::TypeMismatch,
        QStringLiteral("%1: сумма «%2» не является числом; проводка не записана.")
            .arg(operation, text));
  db().executeEach(
      QStringLiteral("INSERT INTO itogi (Код,%1,cDATE,cTIME,Документ) VALUES (?,?,?,?,?)")
          .arg(debit ? debitColumn() : creditColumn()),
      {{m_kind, text, dateText(*date), ctx.documentSaveTime, ctx.currentObjectName}});
  account_totals::addPosting(db(), m_kind, debit, text, dateText(*date));
  host().processEvents();
}

// The date of the document being posted, else of the document window that runs the module.
std::optional<QDate> clsСчет::documentDate() {
  const std::optional<QDate> date = context().documentDate;
  return date ? date : ProgramHost::documentWindowDateOf(host());
}

std::unique_ptr<Enumerator> clsСчет::enumerate(const std::shared_ptr<HostObject>& self) {
  Args none(nullptr, 0);
  invoke(kSelectAccounts, none);
  m_fetched = 0;
  return fetchEnumerator(self, kFetch);
}

}  // namespace balvix::script
