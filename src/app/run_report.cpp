#include "app/run_report.h"

#include <QDate>
#include <cstdio>
#include <memory>

#include "app/console_host.h"
#include "config/object_definition.h"
#include "documents/document_service.h"
#include "documents/report_engine.h"
#include "documents/report_export.h"
#include "runtime/module_runner.h"
#include "script/engine.h"
#include "script/host.h"
#include "script/objects/object_factory.h"
#include "shell/message_box.h"
#include "storage/db_error.h"
#include "storage/session.h"

namespace balvix::app {

namespace {

std::optional<QDate> parseDate(const QString& text) {
  const QDate date = QDate::fromString(text, QStringLiteral("dd.MM.yyyy"));
  return date.isValid() ? std::optional<QDate>(date) : std::nullopt;
}

}  // namespace

int runReportCommand(const ReportCommand& command) {
  if (command.pdf.isEmpty() && command.csv.isEmpty() && command.xlsx.isEmpty()) {
    writeLine(stderr, QStringLiteral("--report: укажите файл результата: --pdf, --csv или --xlsx"));
    return 2;
  }
  const QDate today = QDate::currentDate();
  documents::ReportDialogValues dialog;
  dialog.start = QDate(today.year(), today.month(), 1);
  dialog.end = today;
  for (const auto& [option, text, target] : {std::tuple{"--from", command.from, &dialog.start},
                                             std::tuple{"--to", command.to, &dialog.end}}) {
    if (text.isEmpty()) continue;
    const std::optional<QDate> date = parseDate(text);
    if (!date) {
      writeLine(stderr, QStringLiteral("%1: «%2» не является датой ДД.ММ.ГГГГ")
                            .arg(QString::fromUtf8(option), text));
      return 2;
    }
    *target = *date;
  }
  if (dialog.start > dialog.end) {
    writeLine(stderr, QStringLiteral("--from: начало периода %1 позже его конца %2")
                          .arg(dialog.start.toString(QStringLiteral("dd.MM.yyyy")),
                               dialog.end.toString(QStringLiteral("dd.MM.yyyy"))));
    return 2;
  }

  const std::unique_ptr<storage::Session> db = openCommandDatabase(command.dbPath);
  if (!db) return 2;

  QString code, layout;
  std::vector<script::ModuleSource> sources;
  try {
    const std::optional<config::ObjectDefinition> report =
        config::readDefinition(*db, config::ObjectKind::Report, command.name);
    if (!report) {
      writeLine(stderr, QStringLiteral("%1: в конфигурации нет отчета «%1»").arg(command.name));
      return 1;
    }
    code = report->module;
    layout = report->layout.value_or(QString());
    sources = documents::moduleSources(*db, report->path(), code);
  } catch (const storage::DbError& e) {
    writeLine(stderr, QStringLiteral("%1: %2").arg(command.dbPath, e.description()));
    return 1;
  }

  // The program's own message boxes (a module error with its line, a malformed layout)
  // become lines on stderr, and any of them fails the run.
  bool failed = false;
  const QString name = command.name;
  shell::MessageBoxes::setResponder([&failed, name](const shell::Message& m) {
    writeLine(stderr, name + QStringLiteral(": ") + QString(m.text).replace(u'\n', u' '));
    failed = true;
    return shell::MsgAnswer::Ok;
  });

  OutputHost host(QStringLiteral("Отчет"));
  script::SharedContext context;
  context.db = db.get();
  // The report is built without widgets: the engine holds the output, the runner names
  // the module's errors as the report window does.
  auto report = std::make_shared<documents::ReportEngine>();
  QString problem;
  if (!report->loadLayout(layout, &problem)) shell::MessageBoxes::show(problem);
  report->restartOutput();
  runtime::ModuleRunner runner;
  runner.setHost(&host);
  runner.setModuleName(config::objectPath(config::ObjectKind::Report, command.name));
  script::Engine& engine = runner.start(script::createGlobalFunctions(host, context));
  documents::ReportEngine::addObjects(report, engine, dialog);
  const bool built = runner.run([&] { engine.load(sources); });
  context.sharedRecordset.close();
  shell::MessageBoxes::setResponder({});
  if (!built || failed) return 1;

  const documents::ReportSheet& sheet = report->output();
  namespace report_export = documents::report_export;
  int rc = 0;
  auto check = [&](const QString& file, const QString& error) {
    if (error.isEmpty()) return;
    writeLine(stderr, QStringLiteral("%1: %2").arg(file, error));
    rc = 1;
  };
  if (!command.csv.isEmpty()) check(command.csv, report_export::writeCsv(sheet, command.csv));
  if (!command.xlsx.isEmpty()) {
    int altered = 0;
    check(command.xlsx, report_export::writeXlsx(sheet, command.xlsx, command.name, &altered));
    // The workbook is written, but what it could not hold as it is is said.
    if (altered > 0)
      writeLine(stderr,
                command.xlsx + QStringLiteral(": ") + report_export::xlsxAlteredNote(altered));
  }
  if (!command.pdf.isEmpty())
    check(command.pdf, report_export::writePdf(sheet, command.pdf, command.name));
  return rc;
}

}  // namespace balvix::app
