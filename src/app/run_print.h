#pragma once

#include <QString>

namespace balvix::app {

// What `--print` is asked for: the document kind and number, the database, the form (empty:
// the kind's first), the document's date (empty: the number is of the current year) and the
// files to write (at least one).
struct PrintCommandLine {
  QString kind;
  QString number;
  QString dbPath;
  QString form;
  QString date;
  QString pdf;
  QString xlsx;
};

// Prints a stored document through its print form without windows, with the same builder,
// painter and writers as the document window. Needs a QGuiApplication for a PDF's fonts.
// Messages of the module go to stdout, errors to stderr; returns 0, 1 for a document, form
// or file that cannot be printed, 2 for a database that cannot be opened or wrong arguments
// (as `--report`).
int runPrintCommand(const PrintCommandLine& command);

}  // namespace balvix::app
