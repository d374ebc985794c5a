#include "config/closed_periods.h"

#include "config/audit_trail.h"
#include "config/table_names.h"
#include "storage/row_guards.h"
#include "storage/session.h"
#include "storage/sql_text.h"

namespace balvix::config::periods {

namespace {

using storage::quote;
using storage::RowEvent;

const QString kDateFormat = QStringLiteral("dd.MM.yyyy");
const QString kGuardPrefix = QStringLiteral("guard_period_");

QString sortable(const QDate& date) {
  return date.toString(QStringLiteral("yyyyMMdd"));
}

// "length(X.cDATE)=10 AND …<='20260930'": a row of X dated in the closed period.
QString datedIn(const QString& row, const QDate& closedTo) {
  const QString column = row + QStringLiteral(".cDATE");
  return QStringLiteral("(%1 AND %2<=%3)")
      .arg(storage::isDateText(column), storage::sortableDate(column), quote(sortable(closedTo)));
}

// The last month that lies whole in the closed period (yyyymm): only such a month's totals
// stay as they are, a month closed in part still takes the movements of its open days.
int lastClosedMonth(const QDate& closedTo) {
  const QDate month = closedTo.addDays(1).day() == 1 ? closedTo : closedTo.addMonths(-1);
  return month.year() * 100 + month.month();
}

QString monthIn(const QString& row, int lastMonth) {
  return QStringLiteral("(%1.%2 BETWEEN 1 AND %3)").arg(row, kTotalsMonthColumn).arg(lastMonth);
}

bool guarded(const QString& table, QString* totalsOut) {
  const QString totalsPrefix = registerTotalsTable(QString());
  if (table.startsWith(totalsPrefix, Qt::CaseInsensitive) ||
      table.compare(accountTotalsTable(), Qt::CaseInsensitive) == 0) {
    *totalsOut = table;
    return true;
  }
  for (TableRole role : {TableRole::Header, TableRole::TablePart, TableRole::Movements})
    if (table.startsWith(tablePrefix(role), Qt::CaseInsensitive)) return true;
  return table.compare(QStringLiteral("itogi"), Qt::CaseInsensitive) == 0;
}

void guardPeriodTable(storage::Session& db) {
  const QString locked = QStringLiteral(
      "Запрет изменения периода не снимается: закрытый и запрещенный к изменению период нельзя "
      "открыть.");
  const QString old = storage::sortableDate(QStringLiteral("OLD.Запрещено"));
  const QString lockedOld = storage::isDateText(QStringLiteral("OLD.Запрещено"));
  storage::createRowGuard(db, QStringLiteral("guard_closing_update"), periodTable(),
                          RowEvent::Update,
                          QStringLiteral("%1 AND (NOT %2 OR NOT %3 OR %4<%5 OR %6<%5)")
                              .arg(lockedOld, storage::isDateText(QStringLiteral("NEW.Запрещено")),
                                   storage::isDateText(QStringLiteral("NEW.ПоДату")),
                                   storage::sortableDate(QStringLiteral("NEW.Запрещено")), old,
                                   storage::sortableDate(QStringLiteral("NEW.ПоДату"))),
                          locked);
  storage::createRowGuard(db, QStringLiteral("guard_closing_delete"), periodTable(),
                          RowEvent::Delete, lockedOld, locked);
}

void writeState(storage::Session& db, const PeriodState& state) {
  db.execute(QStringLiteral("UPDATE ") + periodTable() + QStringLiteral(" SET ПоДату=") +
             quote(state.closedTo.toString(kDateFormat)) + QStringLiteral(",Запрещено=") +
             quote(state.lockedTo.toString(kDateFormat)));
}

[[noreturn]] void refuse(const QString& why) {
  throw storage::DbError(storage::ErrorCode::Refused, why);
}

QDate parse(const QString& text) {
  return QDate::fromString(text.trimmed(), kDateFormat);
}

}  // namespace

QString periodTable() {
  return QStringLiteral("ЗакрытиеПериода");
}

PeriodState readState(storage::Session& db) {
  if (!db.tableExists(periodTable())) return {};
  storage::Recordset rs = db.openRecordset(QStringLiteral("SELECT ПоДату,Запрещено FROM ") +
                                           periodTable() + QStringLiteral(" LIMIT 1"));
  if (rs.eof()) return {};
  return {parse(rs.text(0)), parse(rs.text(1))};
}

QString closedText(const QDate& closedTo) {
  return QStringLiteral("Период по %1 закрыт.").arg(closedTo.toString(kDateFormat));
}

int ensure(storage::Session& db) {
  storage::Transaction transaction(db);
  if (!db.tableExists(periodTable())) {
    db.execute(QStringLiteral("CREATE TABLE ") + periodTable() +
               QStringLiteral("(ПоДату TEXT(10), Запрещено TEXT(10))"));
    db.execute(QStringLiteral("INSERT INTO ") + periodTable() +
               QStringLiteral(" (ПоДату,Запрещено) VALUES ('','')"));
    guardPeriodTable(db);
  }
  const int count = guardTables(db);
  transaction.commit();
  return count;
}

int guardTables(storage::Session& db) {
  const PeriodState state = readState(db);
  storage::Transaction transaction(db);
  for (const QString& name : storage::rowGuards(db, kGuardPrefix)) storage::dropRowGuard(db, name);
  int count = 0;
  if (state.closedTo.isValid()) {
    const QString message = closedText(state.closedTo) +
                            QStringLiteral(" Изменение данных, датированных в нем, запрещено.");
    const int lastMonth = lastClosedMonth(state.closedTo);
    db.refreshTables();
    QStringList tables;
    for (int i = 0; i < db.tableCount(); ++i)
      if (db.table(i).attributes == 0) tables << db.table(i).name;
    for (const QString& table : tables) {
      QString totals;
      if (!guarded(table, &totals)) continue;
      const auto in = [&](const QString& row) {
        return totals.isEmpty() ? datedIn(row, state.closedTo) : monthIn(row, lastMonth);
      };
      const QString name = kGuardPrefix + table;
      storage::createRowGuard(db, name + QStringLiteral("_i"), table, RowEvent::Insert,
                              in(QStringLiteral("NEW")), message);
      storage::createRowGuard(
          db, name + QStringLiteral("_u"), table, RowEvent::Update,
          in(QStringLiteral("OLD")) + QStringLiteral(" OR ") + in(QStringLiteral("NEW")), message);
      storage::createRowGuard(db, name + QStringLiteral("_d"), table, RowEvent::Delete,
                              in(QStringLiteral("OLD")), message);
      ++count;
    }
  }
  transaction.commit();
  return count;
}

void requireOpen(storage::Session& db, const QDate& date, const QString& what) {
  const PeriodState state = readState(db);
  if (state.isClosed(date)) refuse(closedText(state.closedTo) + u' ' + what);
}

void requireOpen(storage::Session& db, const QString& dateText, const QString& what) {
  requireOpen(db, parse(dateText), what);
}

void closePeriod(storage::Session& db, const QDate& date) {
  if (!date.isValid()) refuse(QStringLiteral("Дата закрытия периода не указана или неверна."));
  ensure(db);
  storage::Transaction transaction(db);
  PeriodState state = readState(db);
  if (state.closedTo.isValid() && date < state.closedTo)
    refuse(closedText(state.closedTo) +
           QStringLiteral(" Чтобы закрыть его по более раннюю дату %1, откройте период с "
                          "указанием причины.")
               .arg(date.toString(kDateFormat)));
  if (state.closedTo == date) {
    transaction.commit();
    return;
  }
  const QDate before = state.closedTo;
  state.closedTo = date;
  writeState(db, state);
  guardTables(db);
  audit::append(
      db, audit::event::kPeriodClose, QStringLiteral("Период"), date.toString(kDateFormat),
      before.isValid() ? QStringLiteral("Период закрыт по %1 (был закрыт по %2).")
                             .arg(date.toString(kDateFormat), before.toString(kDateFormat))
                       : QStringLiteral("Период закрыт по %1.").arg(date.toString(kDateFormat)));
  transaction.commit();
}

void reopenPeriod(storage::Session& db, const QDate& date, const QString& reason) {
  if (reason.trimmed().isEmpty())
    refuse(
        QStringLiteral("Укажите причину открытия закрытого периода: она записывается в журнал "
                       "регистрации."));
  ensure(db);
  storage::Transaction transaction(db);
  PeriodState state = readState(db);
  if (!state.closedTo.isValid()) refuse(QStringLiteral("Закрытого периода нет: открывать нечего."));
  if (date.isValid() && date >= state.closedTo)
    refuse(closedText(state.closedTo) +
           QStringLiteral(" Открыть его можно только по дату ранее %1.")
               .arg(state.closedTo.toString(kDateFormat)));
  if (state.lockedTo.isValid() && (!date.isValid() || date < state.lockedTo))
    refuse(QStringLiteral("Период по %1 запрещен к изменению: его нельзя открыть.")
               .arg(state.lockedTo.toString(kDateFormat)));
  const QDate before = state.closedTo;
  state.closedTo = date;
  writeState(db, state);
  guardTables(db);
  audit::append(
      db, audit::event::kPeriodReopen, QStringLiteral("Период"), date.toString(kDateFormat),
      (date.isValid() ? QStringLiteral("Период был закрыт по %1, теперь закрыт по %2.")
                            .arg(before.toString(kDateFormat), date.toString(kDateFormat))
                      : QStringLiteral("Период был закрыт по %1, теперь все периоды открыты.")
                            .arg(before.toString(kDateFormat))) +
          QStringLiteral("\nПричина: ") + reason.trimmed());
  transaction.commit();
}

void lockPeriod(storage::Session& db, const QDate& date) {
  ensure(db);
  storage::Transaction transaction(db);
  PeriodState state = readState(db);
  const QDate to = date.isValid() ? date : state.closedTo;
  if (!to.isValid())
    refuse(QStringLiteral("Закрытого периода нет: сначала закройте период или укажите дату."));
  if (state.lockedTo.isValid() && to < state.lockedTo)
    refuse(QStringLiteral("Период по %1 уже запрещен к изменению; запрет не снимается.")
               .arg(state.lockedTo.toString(kDateFormat)));
  if (state.lockedTo == to) {
    transaction.commit();
    return;
  }
  if (!state.closedTo.isValid() || state.closedTo < to) state.closedTo = to;
  state.lockedTo = to;
  writeState(db, state);
  guardTables(db);
  audit::append(db, audit::event::kPeriodLock, QStringLiteral("Период"), to.toString(kDateFormat),
                QStringLiteral("Период по %1 запрещен к изменению; запрет не снимается.")
                    .arg(to.toString(kDateFormat)));
  transaction.commit();
}

}  // namespace balvix::config::periods
