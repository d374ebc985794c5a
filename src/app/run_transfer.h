#pragma once

#include <QString>

namespace balvix::app {

struct ImportCommand {
  QString catalog;
  QString file;
  QString dbPath;
  bool dryRun = false;
  bool skipBad = false;
  bool createMissing = false;
};

// Loads a CSV or XLSX file into a catalog without windows, through the same service as
// «Сервис → Загрузка данных…». Refused rows go to stderr as "FILE:ROW: reason", the counts
// to stdout. Returns 0, 1 when a row was refused or the load failed, 2 for wrong arguments
// or a database that cannot be opened.
int runImportCommand(const ImportCommand& command);

struct ExportCommand {
  QString kind;  // «Справочник» or «Журнал»
  QString name;
  QString dbPath;
  QString from;  // a journal's period, dd.MM.yyyy; empty for open ends
  QString to;
  QString csv;
  QString xlsx;
};

// Writes a catalog's or a journal's list to CSV and/or XLSX, as its window lists it.
// Returns 0, 1 for an error of the list or its files, 2 for wrong arguments or database.
int runExportCommand(const ExportCommand& command);

}  // namespace balvix::app
