#pragma once

#include <QString>

namespace balvix::app {

// `balvix --run FILE [--db PATH] [--call PROC]`: loads a module file (UTF-8, either
// keyword form) with a console host and runs it. Messages (Сообщить, MsgBox) go to
// stdout one per line, the status line to stderr; a syntax or run-time error prints
// "FILE:LINE: message" to stderr. Returns the process exit code: 0 on success, 1 for a
// module error, 2 when the file or the database cannot be opened.
//
// With `postKind` the module runs, after the global module, as the posting of a document
// of that kind dated `postDate` (dd.MM.yyyy, today when empty), stamped with the time of
// the run, in one transaction. Its movements belong to no stored document, so this is a
// trial: the transaction is rolled back unless `commit` is set. An error names the module
// it happened in, the file or «Глобальный модуль», and its own line. With `trace` every
// statement is printed to stderr as it runs ("FILE:LINE: text").
int runModuleCommand(const QString& file, const QString& dbPath, const QString& callProc,
                     const QString& postKind = QString(), const QString& postDate = QString(),
                     bool commit = false, bool trace = false);

}  // namespace balvix::app
