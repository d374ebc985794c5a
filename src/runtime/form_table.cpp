#include "runtime/form_table.h"

#include <QKeyEvent>
#include <QPointer>
#include <QStyledItemDelegate>

#include "runtime/value_field.h"
#include "shell/message_box.h"

namespace balvix::runtime {

FormTable::FormTable(QObject* parent) : QAbstractTableModel(parent) {}

void FormTable::addColumn(const QString& name) {
  const int at = static_cast<int>(m_names.size());
  beginInsertColumns({}, at, at);
  m_names << name;
  m_types << QStringLiteral("Текст");
  for (QStringList& row : m_rows) row << QString();
  endInsertColumns();
}

void FormTable::setColumnType(int column, const QString& type) {
  if (column >= 0 && column < m_types.size()) m_types[column] = type;
}

void FormTable::setStatus(const QString& type) {
  if (m_types.isEmpty()) return;
  m_types.last() = type;
}

QString FormTable::status() const {
  return m_types.isEmpty() ? QString() : m_types.last();
}

void FormTable::newRow() {
  const int at = rows();
  beginInsertRows({}, at, at);
  QStringList row;
  for (int i = 0; i < m_names.size(); ++i) row << QString();
  m_rows.push_back(row);
  endInsertRows();
}

int FormTable::columnIndex(const QString& column) const {
  bool number = false;
  const int n = column.trimmed().toInt(&number);
  if (number) return n >= 1 && n <= m_names.size() ? n - 1 : -1;
  for (int i = 0; i < m_names.size(); ++i)
    if (m_names[i].compare(column, Qt::CaseInsensitive) == 0 ||
        m_names[i].toCaseFolded() == column.toCaseFolded())
      return i;
  return -1;
}

bool FormTable::addValue(const QString& text, const QString& column) {
  const int c = columnIndex(column);
  if (c < 0) return false;
  if (m_rows.empty()) newRow();
  setCell(rows() - 1, c, text);
  return true;
}

void FormTable::clearRows() {
  beginResetModel();
  m_rows.clear();
  ++m_clearings;
  endResetModel();
}

bool FormTable::removeRow(int row) {
  if (row < 0 || row >= rows()) return false;
  beginRemoveRows({}, row, row);
  m_rows.erase(m_rows.begin() + row);
  endRemoveRows();
  return true;
}

QString FormTable::cell(int row, int column) const {
  if (row < 0 || row >= rows()) return QString();
  return m_rows[static_cast<std::size_t>(row)].value(column);
}

void FormTable::setCell(int row, int column, const QString& text) {
  if (row < 0 || row >= rows() || column < 0 || column >= m_names.size()) return;
  m_rows[static_cast<std::size_t>(row)][column] = text;
  emit dataChanged(index(row, column), index(row, column));
}

int FormTable::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows();
}

int FormTable::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(m_names.size());
}

QVariant FormTable::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  if (role == Qt::DisplayRole || role == Qt::EditRole) return cell(index.row(), index.column());
  if (role == Qt::AccessibleTextRole)
    return m_names.value(index.column()) + QStringLiteral(": ") + cell(index.row(), index.column());
  return {};
}

bool FormTable::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || role != Qt::EditRole) return false;
  const QString text = value.toString();
  if (text == cell(index.row(), index.column())) return true;
  setCell(index.row(), index.column(), text);
  emit cellEdited(index.row(), index.column());
  return true;
}

QVariant FormTable::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Horizontal) return m_names.value(section);
  return section + 1;
}

Qt::ItemFlags FormTable::flags(const QModelIndex& index) const {
  const Qt::ItemFlags flags = QAbstractTableModel::flags(index);
  return m_readOnly ? flags : flags | Qt::ItemIsEditable;
}

namespace {

class ModelRows : public script::TableRows {
 public:
  explicit ModelRows(FormTable* table) : m_table(table) {}
  bool available() const override { return m_table; }
  QStringList columns() const override { return m_table->columnNames(); }
  QString columnType(int column) const override { return m_table->columnType(column); }
  void setColumnType(int column, const QString& type) override {
    m_table->setColumnType(column, type);
  }
  int rows() const override { return m_table->rows(); }
  QString cell(int row, int column) const override { return m_table->cell(row, column); }
  void setCell(int row, int column, const QString& text) override {
    m_table->setCell(row, column, text);
  }
  void addColumn(const QString& name, const QString& type) override {
    m_table->addColumn(name);
    m_table->setStatus(type);
  }
  void addRow() override { m_table->newRow(); }
  void clearRows() override { m_table->clearRows(); }
  int clearings() const override { return m_table->clearings(); }

 private:
  QPointer<FormTable> m_table;
};

}  // namespace

std::unique_ptr<script::TableRows> tableRows(FormTable* table) {
  return std::make_unique<ModelRows>(table);
}

namespace {

// Cells are edited with the editor of the column's type; a reference cell's choice goes
// to the view, which asks the form for a value.
class CellDelegate : public QStyledItemDelegate {
 public:
  explicit CellDelegate(FormTableView* view) : QStyledItemDelegate(view), m_view(view) {}

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                        const QModelIndex& index) const override {
    const QString type = m_view->table()->columnType(index.column());
    auto* field = new ValueField(fieldKindOfType(type), type,
                                 m_view->table()->columnNames().value(index.column()), parent);
    field->setAutoFillBackground(true);
    FormTableView* view = m_view;
    connect(field, &ValueField::chooseRequested, view,
            [view, type] { emit view->chooseValue(type); });
    return field;
  }
  void setEditorData(QWidget* editor, const QModelIndex& index) const override {
    static_cast<ValueField*>(editor)->setText(index.data(Qt::EditRole).toString());
  }
  void setModelData(QWidget* editor, QAbstractItemModel* model,
                    const QModelIndex& index) const override {
    model->setData(index, static_cast<ValueField*>(editor)->text(), Qt::EditRole);
  }

 private:
  FormTableView* m_view;
};

}  // namespace

FormTableView::FormTableView(FormTable* table, QWidget* parent)
    : QTableView(parent), m_table(table) {
  setObjectName(QStringLiteral("Table"));
  setAccessibleName(QStringLiteral("Таблица"));
  setModel(table);
  setItemDelegate(new CellDelegate(this));
  setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                  QAbstractItemView::AnyKeyPressed);
  setSelectionBehavior(QAbstractItemView::SelectItems);
}

void FormTableView::keyPressEvent(QKeyEvent* event) {
  if (state() != QAbstractItemView::EditingState && !m_table->isReadOnly()) {
    if (event->key() == Qt::Key_Insert) {
      m_table->newRow();
      setCurrentIndex(m_table->index(m_table->rows() - 1, 0));
      return;
    }
    if (event->key() == Qt::Key_Delete && currentIndex().isValid()) {
      const int row = currentIndex().row();
      if (shell::MessageBoxes::ask(QStringLiteral("Удалить строку %1 таблицы?").arg(row + 1)) ==
          shell::MsgAnswer::Yes)
        m_table->removeRow(row);
      return;
    }
    if (event->key() == Qt::Key_F4 && currentIndex().isValid()) {
      const QString type = m_table->columnType(currentIndex().column());
      if (fieldKindOfType(type) == FieldKind::Reference) {
        emit chooseValue(type);
        return;
      }
    }
  }
  QTableView::keyPressEvent(event);
}

}  // namespace balvix::runtime
