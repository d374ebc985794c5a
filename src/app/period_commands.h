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

// `--archive-audit [--older-than YEARS | --before DD.MM.YYYY] [--archive FILE] --db FILE`: moves
// the oldest records of the audit trail into its archive (the retention set for the database
// when neither bound is given); `--audit-retention YEARS --db FILE` sets that retention (0: keep
// everything). 0 when done, 1 when refused, 2 when the database cannot be opened.
int archiveAuditCommand(const QString& dbPath, const QString& years, const QString& before,
                        const QString& archive);
int auditRetentionCommand(const QString& dbPath, const QString& years);

// The dispatch of the options above from the command line; -1 when none of them is given.
int periodCommand(int argc, char** argv, const QStringList& args);

}  // namespace balvix::app
