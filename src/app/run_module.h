#pragma once

#include <QString>

namespace balvix::app {

// `balvix --run FILE [--db PATH] [--call PROC]`: loads a module file (UTF-8, either
// keyword form) with a console host and runs it. Messages (Сообщить, MsgBox) go to
// stdout one per line, the status line to stderr; a syntax or run-time error prints
// "FILE:LINE: message" to stderr. Returns the process exit code: 0 on success, 1 for a
// module error, 2 when the file or the database cannot be opened.
int runModuleCommand(const QString& file, const QString& dbPath, const QString& callProc);

}  // namespace balvix::app
