#include "runtime/table_totals.h"

#include <QHeaderView>
#include <QScrollBar>
#include <algorithm>

#include "config/requisite_type.h"
#include "runtime/form_table.h"
#include "script/number_text.h"
#include "shell/accessibility.h"

namespace balvix::runtime {

namespace {

config::RequisiteType typeOf(const FormTable* table, int column) {
  return config::RequisiteType::parse(table->columnType(column));
}

// Quantities and amounts add up; a price per unit does not.
bool addsUp(const FormTable* table, int column) {
  if (!typeOf(table, column).isNumber()) return false;
  const QString name = table->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
  return !name.startsWith(QStringLiteral("Цена"), Qt::CaseInsensitive);
}

// A cell's number as people type it and the count of its decimals; false for a text that
// is no number. Empty cells count as 0.
bool readNumber(const QString& text, double& value, int& decimals) {
  value = 0;
  decimals = 0;
  if (text.trimmed().isEmpty()) return true;
  const std::optional<double> number = script::readNumber(text, &decimals);
  if (number) value = *number;
  return number.has_value();
}

}  // namespace

TableTotals::TableTotals(FormTable* table, QTableView* rows, QWidget* parent)
    : QTableView(parent), m_table(table), m_rows(rows) {
  setObjectName(QStringLiteral("Totals"));
  setAccessibleName(QStringLiteral("Итого"));
  shell::describeCells(this);
  setModel(&m_model);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setFocusPolicy(Qt::NoFocus);
  setSelectionMode(QAbstractItemView::NoSelection);
  horizontalHeader()->hide();
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  QFont bold = font();
  bold.setBold(true);
  setFont(bold);
  connect(m_table, &QAbstractItemModel::dataChanged, this, &TableTotals::recount);
  connect(m_table, &QAbstractItemModel::rowsInserted, this, &TableTotals::recount);
  connect(m_table, &QAbstractItemModel::rowsRemoved, this, &TableTotals::recount);
  connect(m_table, &QAbstractItemModel::modelReset, this, &TableTotals::recount);
  connect(m_table, &QAbstractItemModel::columnsInserted, this, &TableTotals::recount);
  connect(m_table, &QAbstractItemModel::headerDataChanged, this, &TableTotals::recount);
  connect(m_rows->horizontalHeader(), &QHeaderView::sectionResized, this,
          [this](int column, int, int width) { setColumnWidth(column, width); });
  connect(m_rows->horizontalScrollBar(), &QScrollBar::valueChanged, horizontalScrollBar(),
          &QScrollBar::setValue);
  recount();
}

bool TableTotals::hasTotals() const {
  for (int c = 0; c < m_table->columnCount(); ++c)
    if (addsUp(m_table, c)) return true;
  return false;
}

QString TableTotals::total(int column) const {
  const QStandardItem* item = m_model.item(0, column);
  return item && addsUp(m_table, column) ? item->text() : QString();
}

void TableTotals::recount() {
  const int columns = m_table->columnCount();
  m_model.setColumnCount(columns);
  m_model.setRowCount(1);
  // The word goes into the first column that is not added up, beside the row numbers.
  m_model.setVerticalHeaderItem(0, new QStandardItem(QString()));
  int label = -1;
  for (int c = 0; c < columns && label < 0; ++c)
    if (!addsUp(m_table, c)) label = c;
  for (int c = 0; c < columns; ++c) {
    QString text;
    if (c == label) text = QStringLiteral("Итого:");
    if (addsUp(m_table, c)) {
      double sum = 0;
      int decimals = 0;
      bool numbers = true;
      for (int r = 0; r < m_table->rows() && numbers; ++r) {
        double value = 0;
        int places = 0;
        numbers = readNumber(m_table->cell(r, c), value, places);
        sum += value;
        decimals = std::max(decimals, std::min(places, 6));
      }
      // A column with a word in it is not added up rather than added up wrong.
      if (numbers) text = script::numberText(sum, typeOf(m_table, c).isMoney() ? 2 : decimals);
    }
    auto* item = new QStandardItem(text);
    item->setTextAlignment((c == label ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter);
    m_model.setItem(0, c, item);
    // The header is hidden; its titles name the totals for an accessibility client.
    m_model.setHorizontalHeaderItem(
        c, new QStandardItem(m_table->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString()));
  }
  followColumns();
}

void TableTotals::followColumns() {
  verticalHeader()->setVisible(m_rows->verticalHeader()->isVisible());
  verticalHeader()->setFixedWidth(m_rows->verticalHeader()->width());
  for (int c = 0; c < m_table->columnCount(); ++c) setColumnWidth(c, m_rows->columnWidth(c));
  setFixedHeight(rowHeight(0) + 2 * frameWidth() + 2);
}

}  // namespace balvix::runtime
