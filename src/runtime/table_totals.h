#pragma once

#include <QStandardItemModel>
#include <QTableView>

namespace balvix::runtime {

class FormTable;

// The line under a document's table part that adds up its number columns (quantities,
// prices, amounts): kept under their columns as they are resized or scrolled, and brought
// up to date on every change of the rows. A sum keeps as many decimals as the most precise
// of its values and reads «1 495 864,00»; the stored values are not touched.
class TableTotals : public QTableView {
  Q_OBJECT

 public:
  TableTotals(FormTable* table, QTableView* rows, QWidget* parent = nullptr);

  // Whether some column is a number column (the line is shown only then).
  bool hasTotals() const;
  // The sum of a column as shown; empty for a column that is not added up.
  QString total(int column) const;

  // Reads the rows again; the table's own signals call it.
  void recount();

 private:
  void followColumns();

  FormTable* m_table;
  QTableView* m_rows;
  QStandardItemModel m_model;
};

}  // namespace balvix::runtime
