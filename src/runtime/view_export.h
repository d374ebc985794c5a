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

// What a list view shows, as a table for the exports: the visible columns in the order the
// user arranged them, the rows its filter lets through in its sort order, the texts as
// shown. `kinds` tells numbers and dates by model column.
documents::ListTable tableOfView(const QTableView& view, const QString& title,
                                 const QList<config::RequisiteType::Kind>& kinds);

// «Выгрузить»: writes the view's table to `path` (CSV, or XLSX by the extension), asking for
// the file when `path` is empty. The result goes to the status line, a failure to a message.
bool exportView(shell::AppState& state, QWidget* parent, const QTableView& view,
                const QString& title, const QList<config::RequisiteType::Kind>& kinds,
                QString path);

}  // namespace balvix::runtime
