#include "app/period_commands.h"

#include <QCoreApplication>
#include <QDate>
#include <functional>

#include "app/console_host.h"
#include "config/audit_archive.h"
#include "config/audit_trail.h"
#include "config/closed_periods.h"

namespace balvix::app {

namespace {

const QString kDateFormat = QStringLiteral("dd.MM.yyyy");

// Runs a period command on the database: its refusal goes to stderr.
int run(const QString& dbPath, const QString& dateText, bool dateRequired,
        const std::function<QString(storage::Session&, const QDate&)>& command) {
  const QDate date = QDate::fromString(dateText.trimmed(), kDateFormat);
  if ((dateRequired || !dateText.isEmpty()) && !date.isValid()) {
    writeLine(stderr, QStringLiteral("balvix: дата «%1» не в виде ДД.ММ.ГГГГ.").arg(dateText));
    return 1;
  }
  const std::unique_ptr<storage::Session> db = openCommandDatabase(dbPath);
  if (!db) return 2;
  try {
    writeLine(stdout, command(*db, date));
  } catch (const storage::DbError& e) {
    writeLine(stderr, QStringLiteral("balvix: ") + e.description());
    return 1;
  }
  return 0;
}

}  // namespace

int closePeriodCommand(const QString& dbPath, const QString& date) {
  return run(dbPath, date, true, [](storage::Session& db, const QDate& to) {
    config::periods::closePeriod(db, to);
    return config::periods::closedText(to);
  });
}

int reopenPeriodCommand(const QString& dbPath, const QString& date, const QString& reason) {
  return run(dbPath, date, false, [&](storage::Session& db, const QDate& to) {
    config::periods::reopenPeriod(db, to, reason);
    return to.isValid() ? config::periods::closedText(to) : QStringLiteral("Все периоды открыты.");
  });
}

int lockPeriodCommand(const QString& dbPath, const QString& date) {
  return run(dbPath, date, false, [](storage::Session& db, const QDate& to) {
    config::periods::lockPeriod(db, to);
    return QStringLiteral("Период по %1 запрещен к изменению.")
        .arg(config::periods::readState(db).lockedTo.toString(kDateFormat));
  });
}

int verifyAuditCommand(const QString& dbPath) {
  const std::unique_ptr<storage::Session> db = openCommandDatabase(dbPath);
  if (!db) return 2;
  try {
    const config::audit::Verification result = config::audit::verify(*db);
    writeLine(result.ok() ? stdout : stderr, result.text());
    return result.ok() ? 0 : 1;
  } catch (const storage::DbError& e) {
    writeLine(stderr, QStringLiteral("balvix: ") + e.description());
    return 1;
  }
}

namespace {

bool yearsValue(const QString& text, int* years) {
  bool ok = false;
  *years = text.trimmed().toInt(&ok);
  if (ok && *years >= 0) return true;
  writeLine(stderr, QStringLiteral("balvix: срок «%1» — не число лет.").arg(text));
  return false;
}

}  // namespace

int archiveAuditCommand(const QString& dbPath, const QString& years, const QString& before,
                        const QString& archive) {
  int age = 0;
  if (!years.isEmpty() && !yearsValue(years, &age)) return 1;
  return run(dbPath, before, false, [&](storage::Session& db, const QDate& date) {
    const QString file = archive.isEmpty() ? config::audit::defaultArchivePath(db.path()) : archive;
    const QDate today = QDate::currentDate();
    if (date.isValid()) return config::audit::moveToArchive(db, date, file).text();
    if (!years.isEmpty())
      return config::audit::moveToArchive(db, today.addYears(-age), file).text();
    if (config::audit::retentionYears(db) == 0)
      throw storage::DbError(storage::ErrorCode::Other,
                             QStringLiteral("Срок хранения журнала регистрации не задан: укажите "
                                            "--older-than ЛЕТ или --before ДД.ММ.ГГГГ, или задайте "
                                            "срок (--audit-retention ЛЕТ)."));
    return config::audit::applyRetention(db, today, file).text();
  });
}

int auditRetentionCommand(const QString& dbPath, const QString& years) {
  int age = 0;
  if (!yearsValue(years, &age)) return 1;
  return run(dbPath, QString(), false, [&](storage::Session& db, const QDate&) {
    config::audit::setRetentionYears(db, age);
    return age == 0
               ? QStringLiteral("Журнал регистрации хранится без срока.")
               : QStringLiteral("Записи журнала регистрации старше %1 лет переносятся в архив.")
                     .arg(age);
  });
}

int periodCommand(int argc, char** argv, const QStringList& args) {
  const QStringList commands{
      QStringLiteral("--close-period"),  QStringLiteral("--reopen-period"),
      QStringLiteral("--lock-period"),   QStringLiteral("--verify-audit"),
      QStringLiteral("--archive-audit"), QStringLiteral("--audit-retention")};
  QString command;
  for (const QString& c : commands)
    if (args.contains(c)) command = c;
  if (command.isEmpty()) return -1;
  QCoreApplication app(argc, argv);
  const auto value = [&](const QString& name) {
    const qsizetype i = args.indexOf(name);
    return i >= 0 && i + 1 < args.size() && !args.at(i + 1).startsWith(u"--") ? args.at(i + 1)
                                                                              : QString();
  };
  const QString db = value(QStringLiteral("--db"));
  if (db.isEmpty()) {
    writeLine(stderr, QStringLiteral("balvix: %1: укажите базу данных (--db ФАЙЛ).").arg(command));
    return 2;
  }
  const QString date = value(command);
  if (command == commands[0]) return closePeriodCommand(db, date);
  if (command == commands[1]) {
    const QString reason = value(QStringLiteral("--reason"));
    if (reason.trimmed().isEmpty()) {
      writeLine(stderr, QStringLiteral("balvix: --reopen-period: укажите причину (--reason ТЕКСТ), "
                                       "она записывается в журнал регистрации."));
      return 2;
    }
    return reopenPeriodCommand(db, date, reason);
  }
  if (command == commands[2]) return lockPeriodCommand(db, date);
  if (command == commands[4])
    return archiveAuditCommand(db, value(QStringLiteral("--older-than")),
                               value(QStringLiteral("--before")),
                               value(QStringLiteral("--archive")));
  if (command == commands[5]) {
    if (date.isEmpty()) {
      writeLine(stderr, QStringLiteral("balvix: --audit-retention: укажите срок в годах."));
      return 2;
    }
    return auditRetentionCommand(db, date);
  }
  return verifyAuditCommand(db);
}

}  // namespace balvix::app
