#pragma once

#include <QString>

namespace balvix::app {

// --export-config DB DIR: the configuration of the database as a tree of text files.
int exportConfigCommand(const QString& dbPath, const QString& dir);

struct ImportConfigCommand {
  QString dir;
  QString dbPath;
  bool dryRun = false;         // only print what would change
  bool allowDataLoss = false;  // load even when rows or values would be lost
  bool newDatabase = false;    // create the database first (it must not exist)
};
// --import-config DIR DB: prints the changes and their consequences for the data, then
// loads them unless it is a dry run. 0 when loaded (or nothing to load), 1 when refused.
int importConfigCommand(const ImportConfigCommand& command);

}  // namespace balvix::app
