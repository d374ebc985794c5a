#include "runtime/view_export.h"

#include <QFileDialog>
#include <QHeaderView>
#include <QTableView>

#include "documents/report_export.h"
#include "script/objects/program_host.h"
#include "shell/app_state.h"
#include "shell/message_box.h"

namespace balvix::runtime {

documents::ListTable tableOfView(const QTableView& view, const QString& title,
                                 const ViewColumns& described) {
  documents::ListTable table;
  table.title = title;
  table.loadsBack = described.loadsBack;
  const QAbstractItemModel* model = view.model();
  if (!model) return table;
  const QHeaderView* header = view.horizontalHeader();
  QList<int> columns;
  for (int visual = 0; visual < header->count(); ++visual) {
    const int logical = header->logicalIndex(visual);
    if (logical < 0 || view.isColumnHidden(logical)) continue;
    columns << logical;
    table.headers << model->headerData(logical, Qt::Horizontal, Qt::DisplayRole).toString();
    table.kinds << described.kinds.value(logical, config::RequisiteType::Kind::Text);
    table.money << described.money.value(logical, false);
  }
  const int rows = model->rowCount();
  table.rows.reserve(static_cast<std::size_t>(rows));
  for (int r = 0; r < rows; ++r) {
    if (view.isRowHidden(r)) continue;
    QStringList values;
    values.reserve(columns.size());
    for (const int c : columns) {
      const QModelIndex index = model->index(r, c);
      const QVariant stored = index.data(Qt::EditRole);
      values << (stored.isValid() ? stored : index.data(Qt::DisplayRole)).toString();
    }
    table.rows.push_back(std::move(values));
  }
  return table;
}

bool exportView(shell::AppState& state, QWidget* parent, const QTableView& view,
                const QString& title, const ViewColumns& columns, QString path) {
  if (path.isEmpty()) {
    QString filter = QStringLiteral("Книга Excel (*.xlsx)");
    path = QFileDialog::getSaveFileName(
        parent, QStringLiteral("Выгрузить список"), title + QStringLiteral(".xlsx"),
        QStringLiteral("Книга Excel (*.xlsx);;CSV (*.csv)"), &filter);
    if (path.isEmpty()) return false;
    // A name typed without an extension takes the one of the chosen type.
    if (!path.contains(u'.'))
      path += filter.startsWith(u"CSV") ? QStringLiteral(".csv") : QStringLiteral(".xlsx");
  }
  const documents::ListTable table = tableOfView(view, title, columns);
  int altered = 0;
  const QString error = documents::list_export::write(table, path, &altered);
  if (!error.isEmpty()) {
    shell::MessageBoxes::show(error);
    return false;
  }
  if (state.host) {
    QString status = QStringLiteral("Выгружено строк: %1 в %2").arg(table.rows.size()).arg(path);
    if (altered > 0)
      status += QStringLiteral(". ") + documents::report_export::xlsxAlteredNote(altered);
    state.host->setStatus(status);
  }
  return true;
}

}  // namespace balvix::runtime
