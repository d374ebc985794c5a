#include "script/objects/register_object.h"

#include <algorithm>
#include <tuple>

#include "config/document_names.h"
#include "config/document_numbers.h"
#include "config/object_kind.h"
#include "config/table_names.h"
#include "script/coerce.h"
#include "script/objects/program_host.h"
#include "script/objects/register_totals.h"
#include "script/script_error.h"
#include "storage/posting_locks.h"
#include "storage/sql_text.h"

namespace balvix::script {

namespace {

const int kSystemColumns = config::systemColumnCount(config::TableRole::Movements);

const QString& quantityName() {
  static const QString name = QStringLiteral("Количество");
  return name;
}

}  // namespace

clsРегистр::clsРегистр(std::shared_ptr<SharedContext> context, Host& host)
    : ScriptObject(std::move(context), host) {
  addMember(kKind, QStringLiteral("Вид"));
  addMember(kRequisite, QStringLiteral("Реквизит"));
  addMember(kMove, QStringLiteral("ДвижениеВыполнить"));
  addMember(kFetch, QStringLiteral("Получить"));
  addMember(kSelectBalances, QStringLiteral("ВыбратьОстатки"));
  addMember(kPeriod, QStringLiteral("Период"));
  addMember(kSelectMovements, QStringLiteral("ВыбратьДвижения"));
}

Value clsРегистр::invoke(int dispId, Args& args) {
  switch (dispId) {
    case kKind:
      object_args::expectCount(args, 0);
      return Value(m_kind);
    case kRequisite:
      object_args::expectCount(args, 1);
      return Value(requisite(object_args::text(args, 0)));
    case kMove:
      object_args::expectCount(args, 1);
      move(object_args::text(args, 0));
      return Value();
    case kFetch:
      object_args::expectCount(args, 0);
      return flagResult(fetch());
    case kSelectBalances:
      object_args::expectCount(args, 0);
      selectBalances();
      return Value();
    case kSelectMovements:
      object_args::expectCount(args, 0);
      selectMovements();
      return Value();
    case kPeriod:
      object_args::expectCount(args, 2);
      setPeriod(object_args::text(args, 0), object_args::text(args, 1));
      return Value();
  }
  throw ScriptError(ErrorCode::NotSupported);
}

void clsРегистр::put(int dispId, Args& args, const Value& value, bool isSet) {
  if (isSet) {
    ScriptObject::put(dispId, args, value, isSet);
    return;
  }
  if (dispId == kKind && args.size() == 0) {
    m_kind = object_args::text(value);
    return;
  }
  if (dispId == kRequisite && args.size() == 1) {
    setRequisite(object_args::text(args, 0), object_args::text(value));
    return;
  }
  ScriptObject::put(dispId, args, value, isSet);
}

QString clsРегистр::requisite(const QString& name) const {
  return m_values.value(storage::foldName(name)).value;
}

void clsРегистр::setRequisite(const QString& name, const QString& value) {
  m_values.insert(storage::foldName(name), {name, value});
}

// The register's columns; the shared recordset is replaced by a query on the register, as
// every register operation does, without reading its movements.
QStringList clsРегистр::tableColumns() {
  SharedContext& ctx = context();
  ctx.sharedRecordset =
      db().openRecordset(QStringLiteral("SELECT * FROM ") +
                         config::registerTable(checkedKind(m_kind)) + QStringLiteral(" WHERE 1=0"));
  QStringList columns;
  for (int i = 0; i < ctx.sharedRecordset.fieldCount(); ++i)
    columns << ctx.sharedRecordset.fieldName(i);
  return columns;
}

void clsРегистр::move(const QString& flag) {
  if (flag.isEmpty()) {
    host().showProgramMessage(
        QStringLiteral("Не указан признак движения: (+ ПРИХОД, - РАСХОД). Движение не выполнено."));
    return;
  }
  const QStringList columns = tableColumns();
  SharedContext& ctx = context();
  std::optional<QDate> date = ctx.documentDate;
  if (!date) date = ProgramHost::documentWindowDateOf(host());
  if (!date)
    throw ScriptError::custom(
        ErrorCode::InvalidCall,
        QStringLiteral("ДвижениеВыполнить: нет проводимого документа. Движения регистра "
                       "записываются только при проведении документа."));

  QStringList names, values;
  for (qsizetype i = 0; i < columns.size() - kSystemColumns; ++i) {
    names << columns[i];
    values << requisite(columns[i]);
  }
  names << QStringLiteral("cDATE") << QStringLiteral("cTime") << QStringLiteral("Документ")
        << QStringLiteral("Флаг");
  values << dateText(*date) << ctx.documentSaveTime << ctx.currentObjectName << flag;
  // Bound, the statement is the same for every movement of the register.
  db().executeEach(QStringLiteral("INSERT INTO ") + config::registerTable(m_kind) + u'(' +
                       names.join(u',') + QStringLiteral(") VALUES (") +
                       QStringLiteral("?,").repeated(names.size() - 1) + QStringLiteral("?)"),
                   {values});
  addToTotals(columns, dateText(*date), flag);
  m_values.clear();
}

// The movement just written goes into its month's totals: with the rest of the posting's
// movements when it ends, or at once outside a posting.
void clsРегистр::addToTotals(const QStringList& columns, const QString& date, const QString& flag) {
  if (!m_layout || m_layout->registerName != m_kind || m_layoutColumns != columns) {
    m_layout = totals::layoutOf(db(), m_kind);
    m_layoutColumns = columns;
  }
  if (!m_layout) return;
  std::vector<std::string> groups;
  groups.reserve(static_cast<std::size_t>(m_layout->groups.size()));
  for (const QString& group : std::as_const(m_layout->groups))
    groups.push_back(requisite(group).toStdString());
  const std::string quantity =
      m_layout->quantity.isEmpty() ? std::string() : requisite(m_layout->quantity).toStdString();
  const QByteArray day = date.toUtf8();
  SharedContext& ctx = context();
  totals::Changes now;
  totals::Changes& changes = ctx.pendingTotals ? *ctx.pendingTotals : now;
  changes.add(*m_layout, std::move(groups),
              totals::monthOf(std::string_view(day.constData(), day.size())),
              flag == QStringLiteral("+"), quantity, 1);
  if (!ctx.pendingTotals) changes.write(db());
}

void clsРегистр::selectBalances() {
  const QStringList columns = tableColumns();
  BalanceQuery query;
  query.table = config::registerTable(m_kind);
  const totals::RequisiteSplit split =
      totals::splitRequisites(columns.mid(0, columns.size() - kSystemColumns));
  for (const QString& column : split.groups) {
    query.groupColumns << column;
    const QString value = requisite(column);
    if (!value.isEmpty()) query.filter.emplace_back(column, value);
  }
  for (const QString& column : columns)
    if (storage::sameName(column, quantityName())) query.quantityColumn = column;
  for (const QString& column : split.resources)
    if (!storage::sameName(column, quantityName())) query.resourceColumns << column;
  query.periodStart = m_periodStart;
  query.periodEnd = m_periodEnd;
  // A balance checked inside a posting is read only after every other posting of the same
  // groups has committed: two sales of the last pieces cannot both see them.
  QStringList key{m_kind};
  for (const auto& [column, value] : query.filter) key << storage::foldName(column) + u'=' + value;
  storage::lockPostingKey(db(), key.join(QChar(1)));
  // The posting's own movements count in a balance its module reads; a register whose
  // totals were never built gets them now, on first use.
  if (context().pendingTotals) context().pendingTotals->write(db());
  if (totals::ensure(db(), m_kind)) query.totalsTable = config::registerTotalsTable(m_kind);
  m_hasQuantity = !query.quantityColumn.isEmpty();
  m_resources = query.resourceColumns;
  m_balances = BalanceSet::compute(db(), query);
  m_groupRows = m_balances->groupRows();
  context().sharedRecordset = m_groupRows;
}

// The movements of the groups the requisite values name (a requisite left empty: any value)
// within the period, in the order they were written in: by date, then by the time of their
// document. Получить then reads each movement's requisites, its Дата, Время, Документ (the
// kind of document), НазваниеДокумента and Флаг ("+" or "-").
void clsРегистр::selectMovements() {
  const QStringList columns = tableColumns();
  const totals::RequisiteSplit split =
      totals::splitRequisites(columns.mid(0, columns.size() - kSystemColumns));
  QStringList conditions;
  for (const QString& column : split.groups) {
    const QString value = requisite(column);
    if (!value.isEmpty()) conditions << column + u'=' + storage::quote(value);
  }
  QString sql = QStringLiteral("SELECT * FROM ") + config::registerTable(m_kind);
  if (!conditions.isEmpty())
    sql += QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
  storage::Recordset rs = db().openRecordset(sql);
  const auto columnOf = [this, &columns](const QString& name) {
    for (qsizetype i = 0; i < columns.size(); ++i)
      if (storage::sameName(columns[i], name)) return static_cast<int>(i);
    throw storage::DbError(storage::ErrorCode::ItemNotFound,
                           QStringLiteral("В регистре «%1» нет колонки «%2».").arg(m_kind, name));
  };
  const int dateColumn = columnOf(QStringLiteral("cDATE"));
  const int timeColumn = columnOf(QStringLiteral("cTime"));
  const int startKey = m_periodStart ? dateKey(*m_periodStart) : 0;
  const int endKey = m_periodEnd ? dateKey(*m_periodEnd) : 99999999;
  struct Movement {
    int date;
    QString time;
    qsizetype order;
    QStringList values;
  };
  std::vector<Movement> movements;
  for (; !rs.eof(); rs.moveNext()) {
    QStringList values;
    for (int i = 0; i < columns.size(); ++i) values << variantText(rs.value(i));
    const int date = dateKeyFromText(values[dateColumn]).value_or(0);
    if (date < startKey || date > endKey) continue;
    movements.push_back(
        {date, values[timeColumn], static_cast<qsizetype>(movements.size()), std::move(values)});
  }
  std::sort(movements.begin(), movements.end(), [](const Movement& a, const Movement& b) {
    return std::tie(a.date, a.time, a.order) < std::tie(b.date, b.time, b.order);
  });
  QStringList names = columns;
  names[dateColumn] = QStringLiteral("Дата");
  names[timeColumn] = QStringLiteral("Время");
  // «Расходная накладная № 12 от 05.03.2026», as the journal names the document.
  names << QStringLiteral("НазваниеДокумента");
  const int kindColumn = columnOf(QStringLiteral("Документ"));
  QHash<QString, QString> captions, titles;  // a document's movements share its title
  std::vector<QVariant> values;
  values.reserve(movements.size() * static_cast<std::size_t>(names.size()));
  for (const Movement& movement : movements) {
    for (const QString& v : movement.values) values.emplace_back(v);
    const QString& kind = movement.values[kindColumn];
    const QString& date = movement.values[dateColumn];
    const QString key = kind + QChar(1) + date + QChar(1) + movement.time;
    auto title = titles.constFind(key);
    if (title == titles.constEnd()) {
      if (!captions.contains(kind)) captions.insert(kind, config::kindCaption(db(), kind));
      title = titles.insert(
          key,
          config::documentTitle(captions.value(kind),
                                config::documentNumber(db(), kind, date, movement.time), date));
    }
    values.emplace_back(*title);
  }
  m_movementRows =
      storage::Recordset::fromRows(names, std::move(values), static_cast<int>(movements.size()));
  m_balances.reset();
  context().sharedRecordset = m_movementRows;
}

// Reads the group current in the shared recordset into the requisite values, then steps.
bool clsРегистр::fetch() {
  storage::Recordset& rs = context().sharedRecordset;
  if (rs.eof()) return false;
  QStringList values;
  QStringList names;
  for (int i = 0; i < rs.fieldCount(); ++i) {
    names << rs.fieldName(i);
    values << variantText(rs.value(i));
  }
  if (rs.isSameResult(m_movementRows)) {
    m_values.clear();
    for (qsizetype i = 0; i < names.size(); ++i) setRequisite(names[i], values[i]);
    rs.moveNext();
    return true;
  }
  // Groups this object computed carry their sums; any other row (the shared recordset was
  // replaced meanwhile) is summed from its movements.
  const BalanceGroup* group =
      m_balances && rs.isSameResult(m_groupRows) ? m_balances->find(values) : nullptr;
  if (!group) {
    fetchOneGroup();
    rs.moveNext();
    return true;
  }
  if (group->hasBadQuantity)
    throw ScriptError::custom(
        ErrorCode::TypeMismatch,
        QStringLiteral("Несоответствие типа: количество «%1» в регистре «%2» не является числом.")
            .arg(group->badQuantity, m_kind));
  if (!m_hasQuantity && m_resources.isEmpty())
    throw storage::DbError(
        storage::ErrorCode::ItemNotFound,
        QStringLiteral("В регистре «%1» нет реквизита «Количество»: остаток считать не из чего.")
            .arg(m_kind));
  if (m_balances->documentsPending()) m_balances->readDocuments(db());
  m_values.clear();
  for (qsizetype i = 0; i < names.size(); ++i) setRequisite(names[i], values[i]);
  setRequisite(QStringLiteral("Документ"), group->document);
  const bool hasPeriod = m_periodStart || m_periodEnd;
  if (m_hasQuantity) {
    setRequisite(quantityName(), formatDouble(group->quantity));
    if (hasPeriod) {
      setRequisite(QStringLiteral("НачальныйОстаток"), formatDouble(group->opening));
      setRequisite(QStringLiteral("Приход"), formatDouble(group->receipts));
      setRequisite(QStringLiteral("Расход"), formatDouble(group->issues));
    }
  }
  // Another resource R has the same figures under R, НачальныйОстатокR, ПриходR, РасходR.
  for (qsizetype r = 0; r < m_resources.size(); ++r) {
    const auto at = static_cast<std::size_t>(r);
    const QString& name = m_resources[r];
    setRequisite(name, formatDouble(group->resources.at(at)));
    if (!hasPeriod) continue;
    setRequisite(QStringLiteral("НачальныйОстаток") + name,
                 formatDouble(group->resourceOpening.at(at)));
    setRequisite(QStringLiteral("Приход") + name, formatDouble(group->resourceReceipts.at(at)));
    setRequisite(QStringLiteral("Расход") + name, formatDouble(group->resourceIssues.at(at)));
  }
  rs.moveNext();
  return true;
}

// A group row this object did not compute (another register's groups, say): its balance
// is read the long way, by a query on its movements.
void clsРегистр::fetchOneGroup() {
  const storage::Recordset& rs = context().sharedRecordset;
  QStringList conditions;
  QStringList names, values;
  for (int i = 0; i < rs.fieldCount(); ++i) {
    names << rs.fieldName(i);
    values << variantText(rs.value(i));
    conditions << names.last() + u'=' + storage::quote(values.last());
  }
  QString sql = QStringLiteral("SELECT * FROM ") + config::registerTable(checkedKind(m_kind));
  if (!conditions.isEmpty())
    sql += QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
  storage::Recordset movements = db().openRecordset(sql);
  m_values.clear();
  for (qsizetype i = 0; i < names.size(); ++i) setRequisite(names[i], values[i]);
  setRequisite(
      QStringLiteral("Документ"),
      movements.eof() ? QString() : variantText(movements.value(QStringLiteral("Документ"))));
  double sum = 0;
  for (; !movements.eof(); movements.moveNext()) {
    const QString flag = variantText(movements.value(QStringLiteral("флаг")));
    const QString text = variantText(movements.value(QStringLiteral("количество")));
    double amount = 0;
    if (!text.isEmpty() && !parseStoredNumber(text, amount))
      throw ScriptError::custom(
          ErrorCode::TypeMismatch,
          QStringLiteral("Несоответствие типа: количество «%1» в регистре «%2» не является числом.")
              .arg(text, m_kind));
    sum += flag == QStringLiteral("+") ? amount : -amount;
  }
  setRequisite(quantityName(), formatDouble(sum));
}

void clsРегистр::setPeriod(const QString& start, const QString& end) {
  m_periodStart = parseDateArgument(start, QStringLiteral("Период"));
  m_periodEnd = parseDateArgument(end, QStringLiteral("Период"));
}

std::unique_ptr<Enumerator> clsРегистр::enumerate(const std::shared_ptr<HostObject>& self) {
  Args none(nullptr, 0);
  invoke(kSelectBalances, none);
  return fetchEnumerator(self, kFetch);
}

}  // namespace balvix::script
