#pragma once

#include <QDate>
#include <QString>
#include <functional>

namespace balvix::storage {
class Session;
}

namespace balvix::demo {

// What the demo puts into a database; the tests and the guide read the figures from it.
struct DemoSummary {
  int receipts = 0;  // posted ПриходнаяНакладная, returns to suppliers not counted
  int returns = 0;   // posted ПриходнаяНакладная with negative quantities
  int sales = 0;     // posted РасходнаяНакладная
  int payments = 0;  // posted bank and cash documents
  int closings = 0;  // posted ЗакрытиеМесяца
};

// Progress of the history's posting: documents done, documents in all.
using Progress = std::function<void(int done, int total)>;

// Adds the demo of a small trading business to a new database (fixed tables only): its
// configuration loaded from the demo's configuration files (the enumerations, catalogs,
// registers, the goods, payment and month-end documents with their modules and print
// forms, the journals and the reports), the catalogs' elements from its data files, then
// the history of the twelve months up to `today` (see planHistory), each document saved
// and posted by the program's posting with the document's own module. One transaction
// per document; a failure throws storage::DbError or script::ScriptError.
DemoSummary addDemo(storage::Session& db, const QDate& today = QDate::currentDate(),
                    const Progress& progress = {});

// A new database file with the demo, built under a temporary name and renamed only when
// complete, as `--new-database` builds an empty one. Throws storage::DbError.
DemoSummary createDemoDatabase(const QString& path, const QDate& today = QDate::currentDate(),
                               const Progress& progress = {});

// A text of the demo's data files, by file name.
QString resourceText(const QString& name);

}  // namespace balvix::demo
