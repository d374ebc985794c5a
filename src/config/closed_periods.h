#pragma once

#include <QDate>
#include <QString>

namespace balvix::storage {
class Session;
}

namespace balvix::config::periods {

// Closed periods: everything dated on or before the closing date is kept as it is. The date
// may move later (closing more) or, with a reason, earlier (reopening), but never before the
// locked date, which only moves later. The database refuses changes of closed rows itself
// (guards on the documents', movements', postings' and totals' tables), so that neither a
// module nor an outside tool writes into a closed period; the program checks first so that
// the user reads what was refused.
QString periodTable();

struct PeriodState {
  QDate closedTo;  // null: nothing is closed
  QDate lockedTo;  // null: nothing is locked
  bool isClosed(const QDate& date) const {
    return closedTo.isValid() && date.isValid() && date <= closedTo;
  }
};

PeriodState readState(storage::Session& db);

// «Период по 30.09.2026 закрыт.»
QString closedText(const QDate& closedTo);

// Creates the table of the closing date (and its guards) when the database has none; then
// makes the guards of every table anew for the date stored. Called when a database opens and
// after a designer has made or rebuilt a table. Returns how many tables are guarded.
int ensure(storage::Session& db);
// The same guards for the date stored, the table existing.
int guardTables(storage::Session& db);

// Throws DbError Refused, «Период по 30.09.2026 закрыт. <what>», when `date` lies in the
// closed period; `what` says what was refused. A text that is not a dd.MM.yyyy date is open.
void requireOpen(storage::Session& db, const QDate& date, const QString& what);
void requireOpen(storage::Session& db, const QString& dateText, const QString& what);

// The commands. Each writes the new date, the guards and its audit record in one
// transaction, or throws DbError (Refused, with the reason in Russian) and writes nothing.
// Closing moves the date later only; reopening needs a reason and moves it earlier (to a
// null date: nothing closed), never before the locked date; locking fixes the closed period
// up to `date` (null: the closing date), closing it first when it is later.
void closePeriod(storage::Session& db, const QDate& date);
void reopenPeriod(storage::Session& db, const QDate& date, const QString& reason);
void lockPeriod(storage::Session& db, const QDate& date = QDate());

}  // namespace balvix::config::periods
