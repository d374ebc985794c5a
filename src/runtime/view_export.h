#pragma once

#include <QList>
#include <QString>

#include "config/requisite_type.h"
#include "documents/list_export.h"

class QTableView;
class QWidget;

namespace balvix::shell {
struct AppState;
}

namespace balvix::runtime {

// What the columns of a list view hold, by model column.
struct ViewColumns {
  QList<config::RequisiteType::Kind> kinds;  // numbers and dates become typed cells
  QList<bool> money;                         // amounts
  bool loadsBack = true;                     // as documents::ListTable::loadsBack
};

// What a list view shows, as a table for the exports: the visible columns in the order the
// user arranged them, the rows its filter lets through in its sort order. A cell gives its
// stored text where the model has one (its edit role: a number shown «1 500,00» is written
// as stored), else the text as shown.
documents::ListTable tableOfView(const QTableView& view, const QString& title,
                                 const ViewColumns& columns);

// «Выгрузить»: writes the view's table to `path` (CSV, or XLSX by the extension), asking for
// the file when `path` is empty. The result goes to the status line, a failure to a message.
bool exportView(shell::AppState& state, QWidget* parent, const QTableView& view,
                const QString& title, const ViewColumns& columns, QString path);

}  // namespace balvix::runtime
