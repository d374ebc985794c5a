#include "runtime/form_table.h"

#include <QKeyEvent>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTimer>

#include "config/object_definition.h"
#include "documents/document_checks.h"
#include "runtime/value_field.h"
#include "script/number_text.h"
#include "shell/accessibility.h"
#include "shell/message_box.h"
#include "storage/db_error.h"

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
  const config::RequisiteType type = config::RequisiteType::parse(columnType(index.column()));
  // A number cell reads as people write it; its editor gets the stored text.
  auto shown = [&] {
    const QString text = cell(index.row(), index.column());
    return type.isNumber() ? script::shownNumber(text, type.isMoney()) : text;
  };
  if (role == Qt::EditRole) return cell(index.row(), index.column());
  if (role == Qt::DisplayRole) return shown();
  if (role == Qt::AccessibleTextRole) return shown();
  if (role == shell::kCellNumberRole && type.isNumber())
    if (const std::optional<double> number = script::readNumber(cell(index.row(), index.column())))
      return *number;
  if (role == Qt::TextAlignmentRole && type.isNumber())
    return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
  return {};
}

bool FormTable::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || role != Qt::EditRole) return false;
  const bool number = config::RequisiteType::parse(columnType(index.column())).isNumber();
  const QString text = number ? script::plainNumber(value.toString()) : value.toString();
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
    // The cell is checked when it is committed (setModelData), not when its editor loses
    // the focus: the view closes the editor on Tab and Enter before focus moves.
    if (field->kind() == FieldKind::Reference && view->referenceValues()) {
      try {
        field->setReferenceValues(
            view->referenceValues()->values(config::RequisiteType::parse(type)));
      } catch (const storage::DbError&) {
      }
    }
    return field;
  }
  void setEditorData(QWidget* editor, const QModelIndex& index) const override {
    static_cast<ValueField*>(editor)->setText(index.data(Qt::EditRole).toString());
  }
  void setModelData(QWidget* editor, QAbstractItemModel* model,
                    const QModelIndex& index) const override {
    const QString text = static_cast<ValueField*>(editor)->text();
    model->setData(index, text, Qt::EditRole);
    refuseMissing(index, text);
  }

 private:
  // A value that does not exist stays in the cell, so nothing typed is lost, but the user
  // is told at once and put back into the cell; the posting refuses it as well.
  void refuseMissing(const QModelIndex& index, const QString& text) const {
    documents::ReferenceValues* references = m_view->referenceValues();
    if (!references || m_refusing) return;
    const FormTable* table = m_view->table();
    const config::Requisite requisite{
        table->columnNames().value(index.column()),
        config::RequisiteType::parse(table->columnType(index.column()))};
    std::optional<QString> problem;
    try {
      problem = references->valueProblem(requisite, text, index.row());
    } catch (const storage::DbError&) {
      return;
    }
    if (!problem) return;
    m_refusing = true;
    // After the view has closed the editor: the box and the new editor must not run inside
    // its commit.
    QPointer<FormTableView> view = m_view;
    const QPersistentModelIndex cell(index);
    QTimer::singleShot(0, m_view, [this, view, cell, message = *problem] {
      shell::MessageBoxes::show(message);
      m_refusing = false;
      if (!view || !cell.isValid()) return;
      view->setCurrentIndex(cell);
      view->setFocus(Qt::OtherFocusReason);
      view->edit(cell);
    });
  }

  FormTableView* m_view;
  mutable bool m_refusing = false;
};

}  // namespace

FormTableView::FormTableView(FormTable* table, QWidget* parent)
    : QTableView(parent), m_table(table) {
  setObjectName(QStringLiteral("Table"));
  setAccessibleName(QStringLiteral("Таблица"));
  shell::describeCells(this);
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
