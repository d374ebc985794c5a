#include "app/run_transfer.h"

#include <QDate>
#include <cstdio>
#include <memory>

#include "app/console_host.h"
#include "config/object_definition.h"
#include "documents/catalog_import.h"
#include "documents/list_export.h"
#include "documents/report_export.h"
#include "storage/session.h"

namespace balvix::app {

int runImportCommand(const ImportCommand& command) {
  const std::unique_ptr<storage::Session> db = openCommandDatabase(command.dbPath);
  if (!db) return 2;
  documents::CatalogImport import(*db, command.catalog);
  if (const QString error = import.open(); !error.isEmpty()) {
    writeLine(stderr, QStringLiteral("--import: ") + error);
    return 1;
  }
  if (const QString error = import.readFile(command.file); !error.isEmpty()) {
    writeLine(stderr, command.file + QStringLiteral(": ") + error);
    return 1;
  }
  documents::ImportOptions options;
  options.skipBad = command.skipBad;
  options.createMissing = command.createMissing;
  const documents::ImportReport report =
      command.dryRun ? import.check(options) : import.load(options);
  for (const QString& note : report.notes)
    writeLine(stderr, command.file + QStringLiteral(": ") + note);
  for (const documents::ImportRowOutcome& row : report.rows) {
    if (row.action == documents::ImportAction::Refused) {
      writeLine(stderr, QStringLiteral("%1:%2: %3").arg(command.file).arg(row.row).arg(row.reason));
    } else if (command.dryRun) {
      writeLine(stdout, QStringLiteral("строка %1: %2 «%3»%4")
                            .arg(row.row)
                            .arg(documents::actionText(row.action), row.name,
                                 row.reason.isEmpty() ? QString()
                                                      : QStringLiteral(" (") + row.reason + u')'));
    }
  }
  for (const QString& created : report.created)
    writeLine(stdout, (command.dryRun ? QStringLiteral("будет создан элемент справочника ")
                                      : QStringLiteral("создан элемент справочника ")) +
                          created);
  writeLine(stdout,
            QStringLiteral("%1: добавлено %2, изменено %3, без изменений %4, отказано %5")
                .arg(command.dryRun ? QStringLiteral("Проверка") : QStringLiteral("Загрузка"))
                .arg(report.added)
                .arg(report.changed)
                .arg(report.unchanged)
                .arg(report.refused));
  if (!report.refusalsFile.isEmpty())
    writeLine(stdout, QStringLiteral("Отказанные строки записаны в ") + report.refusalsFile);
  if (!report.error.isEmpty())
    writeLine(stderr, command.file + QStringLiteral(": ") + report.error);
  return report.error.isEmpty() && report.refused == 0 ? 0 : 1;
}

int runExportCommand(const ExportCommand& command) {
  const bool catalog =
      command.kind.compare(config::typeWord(config::ObjectKind::Catalog), Qt::CaseInsensitive) == 0;
  const bool journal =
      command.kind.compare(config::typeWord(config::ObjectKind::Journal), Qt::CaseInsensitive) == 0;
  if ((!catalog && !journal) || command.name.isEmpty()) {
    writeLine(stderr, QStringLiteral("--export: укажите «Справочник ИМЯ» или «Журнал ИМЯ»"));
    return 2;
  }
  if (command.csv.isEmpty() && command.xlsx.isEmpty()) {
    writeLine(stderr, QStringLiteral("--export: укажите файл результата: --csv или --xlsx"));
    return 2;
  }
  QDate from, to;
  for (const auto& [option, text, target] :
       {std::tuple{"--from", command.from, &from}, std::tuple{"--to", command.to, &to}}) {
    if (text.isEmpty()) continue;
    *target = QDate::fromString(text, QStringLiteral("dd.MM.yyyy"));
    if (!target->isValid()) {
      writeLine(stderr, QStringLiteral("%1: «%2» не является датой ДД.ММ.ГГГГ")
                            .arg(QString::fromUtf8(option), text));
      return 2;
    }
  }
  const std::unique_ptr<storage::Session> db = openCommandDatabase(command.dbPath);
  if (!db) return 2;
  documents::ListTable table;
  try {
    const config::ObjectKind kind =
        catalog ? config::ObjectKind::Catalog : config::ObjectKind::Journal;
    if (!config::readFormItemRow(*db, kind, command.name)) {
      writeLine(stderr, QStringLiteral("--export: в конфигурации нет объекта %1")
                            .arg(config::objectPath(kind, command.name)));
      return 1;
    }
    table = catalog ? documents::list_export::catalogList(*db, command.name)
                    : documents::list_export::journalList(*db, command.name, from, to);
  } catch (const storage::DbError& e) {
    writeLine(stderr, QStringLiteral("%1: %2").arg(command.dbPath, e.description()));
    return 1;
  }
  int rc = 0;
  if (!command.csv.isEmpty())
    if (const QString error = documents::list_export::writeCsv(table, command.csv);
        !error.isEmpty()) {
      writeLine(stderr, command.csv + QStringLiteral(": ") + error);
      rc = 1;
    }
  if (!command.xlsx.isEmpty()) {
    int altered = 0;
    if (const QString error = documents::list_export::writeXlsx(table, command.xlsx, &altered);
        !error.isEmpty()) {
      writeLine(stderr, command.xlsx + QStringLiteral(": ") + error);
      rc = 1;
    } else if (altered > 0) {
      writeLine(stderr, command.xlsx + QStringLiteral(": ") +
                            documents::report_export::xlsxAlteredNote(altered));
    }
  }
  if (rc == 0) writeLine(stdout, QStringLiteral("Выгружено строк: %1").arg(table.rows.size()));
  return rc;
}

}  // namespace balvix::app
