#include "app/run_print.h"

#include <QDate>
#include <cstdio>

#include "app/console_host.h"
#include "config/document_numbers.h"
#include "config/object_definition.h"
#include "config/print_forms.h"
#include "documents/print_form.h"
#include "documents/report_export.h"
#include "runtime/print_build.h"
#include "script/host.h"
#include "script/objects/shared_context.h"
#include "shell/message_box.h"
#include "storage/db_error.h"
#include "storage/session.h"

namespace balvix::app {

int runPrintCommand(const PrintCommandLine& command) {
  if (command.pdf.isEmpty() && command.xlsx.isEmpty()) {
    writeLine(stderr, QStringLiteral("--print: укажите файл результата: --pdf или --xlsx"));
    return 2;
  }
  int year = QDate::currentDate().year();
  if (!command.date.isEmpty()) {
    const QDate date = QDate::fromString(command.date, QStringLiteral("dd.MM.yyyy"));
    if (!date.isValid()) {
      writeLine(stderr,
                QStringLiteral("--date: «%1» не является датой ДД.ММ.ГГГГ").arg(command.date));
      return 2;
    }
    year = date.year();
  }
  const std::unique_ptr<storage::Session> db = openCommandDatabase(command.dbPath);
  if (!db) return 2;

  std::optional<config::PrintForm> form;
  std::optional<documents::PrintedDocument> document;
  const QString what = QStringLiteral("%1 № %2").arg(command.kind, command.number);
  try {
    const std::optional<config::ObjectDefinition> kind =
        config::readDefinition(*db, config::ObjectKind::Document, command.kind);
    if (!kind) {
      writeLine(stderr, QStringLiteral("%1: в конфигурации нет документа «%1»").arg(command.kind));
      return 1;
    }
    for (const config::PrintForm& f : config::readPrintForms(*db, command.kind))
      if (command.form.isEmpty() || f.name == command.form) {
        form = f;
        break;
      }
    if (!form) {
      writeLine(stderr, command.form.isEmpty()
                            ? QStringLiteral("%1: у документа нет печатных форм").arg(command.kind)
                            : QStringLiteral("%1: у документа нет печатной формы «%2»")
                                  .arg(command.kind, command.form));
      return 1;
    }
    const auto key =
        config::findNumberedDocument(*db, command.kind, command.number, year, command.date);
    if (key) document = documents::readPrintedDocument(*db, *kind, {key->first, key->second});
    if (!document) {
      writeLine(stderr,
                command.date.isEmpty()
                    ? QStringLiteral("%1: нет такого документа за %2 год").arg(what).arg(year)
                    : QStringLiteral("%1: нет такого документа от %2").arg(what, command.date));
      return 1;
    }
  } catch (const storage::DbError& e) {
    writeLine(stderr, QStringLiteral("%1: %2").arg(command.dbPath, e.description()));
    return 1;
  }

  // The program's message boxes (a module error with its line, a malformed layout) become
  // lines on stderr, and any of them fails the run.
  bool failed = false;
  shell::MessageBoxes::setResponder([&failed, what](const shell::Message& m) {
    writeLine(stderr, what + QStringLiteral(": ") + QString(m.text).replace(u'\n', u' '));
    failed = true;
    return shell::MsgAnswer::Ok;
  });
  OutputHost host(QStringLiteral("Печать"));
  script::SharedContext context;
  context.db = db.get();
  const std::optional<documents::ReportSheet> sheet =
      runtime::buildPrintForm(context, host, *form, *document);
  shell::MessageBoxes::setResponder({});
  if (!sheet || failed) return 1;

  namespace report_export = documents::report_export;
  const QString title = documents::printTitle(*form, *document);
  int rc = 0;
  auto check = [&](const QString& file, const QString& error) {
    if (error.isEmpty()) return;
    writeLine(stderr, QStringLiteral("%1: %2").arg(file, error));
    rc = 1;
  };
  if (!command.xlsx.isEmpty()) {
    int altered = 0;
    check(command.xlsx, report_export::writeXlsx(*sheet, command.xlsx, form->name, &altered));
    if (altered > 0)
      writeLine(stderr,
                command.xlsx + QStringLiteral(": ") + report_export::xlsxAlteredNote(altered));
  }
  if (!command.pdf.isEmpty())
    check(command.pdf, report_export::writePdf(*sheet, command.pdf, title));
  return rc;
}

}  // namespace balvix::app
