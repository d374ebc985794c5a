#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace balvix::storage {
class Session;
}

namespace balvix::script::account_card {

// An account as the reports and the chart show it: the account itself and its subaccounts
// (the codes of the chart that begin with its code and a point, «41.1» under «41»).

// The code itself first, then its subaccounts in the chart's order.
QStringList withSubaccounts(storage::Session& db, const QString& code);
// A code whose parent the chart also lists («41.1» when «41» is there).
bool isSubaccount(storage::Session& db, const QString& code);

// Balances netted per account of the set and then added up, so that a parent shows on each
// side what its subaccounts show there; turnovers added up. Unset bounds are open.
struct Figures {
  double openingDebit = 0;
  double openingCredit = 0;
  double debit = 0;
  double credit = 0;
  double closingDebit = 0;
  double closingCredit = 0;
  double opening() const { return openingDebit - openingCredit; }
  double closing() const { return closingDebit - closingCredit; }
  bool isEmpty() const {
    return openingDebit == 0 && openingCredit == 0 && debit == 0 && credit == 0;
  }
};
// Throws ScriptError for an amount that is not a number or a date that cannot be placed.
Figures figures(storage::Session& db, const QString& code, const std::optional<QDate>& from,
                const std::optional<QDate>& to);

// One posting of the account card: the side of the account (or subaccount) it was written to
// and the account the same document put the other side on.
struct Posting {
  QString date;  // dd.MM.yyyy
  QString time;
  QString document;  // the document's kind
  QString title;     // «Расходная накладная № 12 от 05.03.2026»
  QString account;
  QString correspondent;  // several codes joined by ", " when the document does not say which
  double debit = 0;
  double credit = 0;
};
// The postings of the account and its subaccounts within the bounds, by date and time, those
// of one document in the order they were written.
std::vector<Posting> postings(storage::Session& db, const QString& code,
                              const std::optional<QDate>& from, const std::optional<QDate>& to);

}  // namespace balvix::script::account_card
