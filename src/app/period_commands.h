#pragma once

#include <QString>
#include <QStringList>

namespace balvix::app {

// `--close-period DD.MM.YYYY --db FILE`, `--reopen-period [DD.MM.YYYY] --reason TEXT --db FILE`
// (without a date every period is opened), `--lock-period [DD.MM.YYYY] --db FILE`. Each prints
// the outcome; 0 when done, 1 when refused, 2 when the database cannot be opened.
int closePeriodCommand(const QString& dbPath, const QString& date);
int reopenPeriodCommand(const QString& dbPath, const QString& date, const QString& reason);
int lockPeriodCommand(const QString& dbPath, const QString& date);

// `--verify-audit --db FILE`: walks the audit trail's chain; 0 when it holds, 1 naming the first
// broken record, 2 when the database cannot be opened.
int verifyAuditCommand(const QString& dbPath);

// The dispatch of the four options above from the command line; -1 when none of them is given.
int periodCommand(int argc, char** argv, const QStringList& args);

}  // namespace balvix::app
