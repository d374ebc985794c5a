#pragma once

#include <QString>

namespace balvix::app {

// What `--report` is asked for: the report, the database, the period (empty texts give
// the current month up to today) and the files to write (any of them, at least one).
struct ReportCommand {
  QString name;
  QString dbPath;
  QString from;
  QString to;
  QString pdf;
  QString csv;
  QString xlsx;
};

// Builds a report without windows through the report engine and its exporters (for
// scheduled runs). Needs a QCoreApplication; a PDF needs a QGuiApplication for its fonts
// (the offscreen platform serves). Cells a workbook had to change are counted on stderr.
// Messages of the module go to stdout, errors to stderr as "REPORT:LINE: text";
// returns 0, 1 for an error of the report or its files, 2 for a database that cannot be
// opened or wrong arguments.
int runReportCommand(const ReportCommand& command);

}  // namespace balvix::app
