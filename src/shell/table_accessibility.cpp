#include "shell/table_accessibility.h"

#include <QAccessibleWidget>
#include <QHash>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QTableView>
#include <algorithm>
#include <memory>

#include "shell/accessibility.h"

namespace balvix::shell {

namespace {

const char* const kDescribedProperty = "balvixDescribedCells";

// What a client reads as a column's title: the model's accessible text of the header when it
// has one (a report's own headings), else what the header shows.
QString columnTitle(const QAbstractItemModel* model, int column) {
  if (!model) return {};
  const QString accessible =
      model->headerData(column, Qt::Horizontal, Qt::AccessibleTextRole).toString();
  return accessible.isEmpty() ? model->headerData(column, Qt::Horizontal).toString() : accessible;
}

class TableAccessible;

// A header: a column's, read by its title; a row's, read by what it shows (its number); or,
// for no section, the corner between them.
class HeaderCellAccessible : public QAccessibleInterface {
 public:
  HeaderCellAccessible(QTableView* view, Qt::Orientation orientation, int section)
      : m_view(view), m_orientation(orientation), m_section(section) {}

  bool isValid() const override {
    if (!m_view || !m_view->model()) return false;
    const QAbstractItemModel* model = m_view->model();
    return m_section < 0 ||
           m_section < (m_orientation == Qt::Horizontal ? model->columnCount() : model->rowCount());
  }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override { return m_view ? m_view->window()->windowHandle() : nullptr; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QAccessibleInterface* parent() const override {
    return QAccessible::queryAccessibleInterface(m_view.data());
  }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QString text(QAccessible::Text t) const override {
    if (!isValid() || m_section < 0) return {};
    const QAbstractItemModel* model = m_view->model();
    if (t == QAccessible::Name)
      return m_orientation == Qt::Horizontal
                 ? columnTitle(model, m_section)
                 : model->headerData(m_section, Qt::Vertical).toString();
    if (t == QAccessible::Description)
      return model->headerData(m_section, m_orientation, Qt::ToolTipRole).toString();
    return {};
  }
  void setText(QAccessible::Text, const QString&) override {}
  QRect rect() const override {
    if (!isValid()) return {};
    const QHeaderView* header = headerView();
    if (m_section < 0)
      return QRect(m_view->mapToGlobal(QPoint(m_view->frameWidth(), m_view->frameWidth())),
                   QSize(m_view->verticalHeader()->width(), m_view->horizontalHeader()->height()));
    const int at = header->sectionViewportPosition(m_section);
    const QRect section = m_orientation == Qt::Horizontal
                              ? QRect(at, 0, header->sectionSize(m_section), header->height())
                              : QRect(0, at, header->width(), header->sectionSize(m_section));
    return QRect(header->viewport()->mapToGlobal(section.topLeft()), section.size());
  }
  QAccessible::Role role() const override {
    if (m_section < 0) return QAccessible::Pane;
    return m_orientation == Qt::Horizontal ? QAccessible::ColumnHeader : QAccessible::RowHeader;
  }
  QAccessible::State state() const override {
    QAccessible::State s;
    if (!isValid()) {
      s.invalid = true;
      return s;
    }
    s.invisible =
        m_section < 0
            ? !m_view->horizontalHeader()->isVisible() || !m_view->verticalHeader()->isVisible()
            : !headerView()->isVisible() || headerView()->isSectionHidden(m_section);
    return s;
  }

 private:
  QHeaderView* headerView() const {
    return m_orientation == Qt::Horizontal ? m_view->horizontalHeader() : m_view->verticalHeader();
  }

  QPointer<QTableView> m_view;
  Qt::Orientation m_orientation;
  int m_section;
};

// A cell: named by its column, its text is what it shows; where the view edits it, it takes a
// new text (and a number cell a new value); focusing it makes it the current cell.
class CellAccessible : public QAccessibleInterface,
                       public QAccessibleTableCellInterface,
                       public QAccessibleTextInterface,
                       public QAccessibleEditableTextInterface,
                       public QAccessibleValueInterface,
                       public QAccessibleActionInterface {
 public:
  CellAccessible(QTableView* view, const QModelIndex& index) : m_view(view), m_index(index) {}

  const QPersistentModelIndex& index() const { return m_index; }

  bool isValid() const override {
    return m_view && m_index.isValid() && m_index.model() == m_view->model();
  }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override { return m_view ? m_view->window()->windowHandle() : nullptr; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QAccessibleInterface* parent() const override {
    return QAccessible::queryAccessibleInterface(m_view.data());
  }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }

  QString text(QAccessible::Text t) const override {
    if (!isValid()) return {};
    switch (t) {
      case QAccessible::Name:
        return columnTitle(m_view->model(), m_index.column());
      case QAccessible::Value:
        return shown();
      case QAccessible::Description: {
        const QString described = m_index.data(Qt::AccessibleDescriptionRole).toString();
        return described.isEmpty() ? m_index.data(Qt::ToolTipRole).toString() : described;
      }
      default:
        return {};
    }
  }
  void setText(QAccessible::Text t, const QString& text) override {
    if (t == QAccessible::Value) write(text);
  }
  QRect rect() const override {
    if (!isValid()) return {};
    const QRect cell = m_view->visualRect(m_index);
    return QRect(m_view->viewport()->mapToGlobal(cell.topLeft()), cell.size());
  }
  QAccessible::Role role() const override { return QAccessible::Cell; }
  QAccessible::State state() const override {
    QAccessible::State s;
    if (!isValid()) {
      s.invalid = true;
      return s;
    }
    s.invisible = m_view->isRowHidden(m_index.row()) || m_view->isColumnHidden(m_index.column());
    s.offscreen = !m_view->viewport()->rect().intersects(m_view->visualRect(m_index));
    s.focusable = m_view->focusPolicy() != Qt::NoFocus;
    s.focused = m_view->hasFocus() && m_view->currentIndex() == m_index;
    s.selectable = m_view->selectionMode() != QAbstractItemView::NoSelection;
    s.selected = isSelected();
    s.editable = editable();
    s.readOnly = !s.editable;
    s.disabled = !m_view->isEnabled();
    return s;
  }
  void* interface_cast(QAccessible::InterfaceType t) override {
    switch (t) {
      case QAccessible::TableCellInterface:
        return static_cast<QAccessibleTableCellInterface*>(this);
      case QAccessible::TextInterface:
        return static_cast<QAccessibleTextInterface*>(this);
      case QAccessible::EditableTextInterface:
        return editable() ? static_cast<QAccessibleEditableTextInterface*>(this) : nullptr;
      case QAccessible::ValueInterface:
        return isValid() && m_index.data(kCellNumberRole).isValid()
                   ? static_cast<QAccessibleValueInterface*>(this)
                   : nullptr;
      case QAccessible::ActionInterface:
        return static_cast<QAccessibleActionInterface*>(this);
      default:
        return nullptr;
    }
  }

  bool isSelected() const override {
    return isValid() && m_view->selectionModel() && m_view->selectionModel()->isSelected(m_index);
  }
  QList<QAccessibleInterface*> columnHeaderCells() const override;
  QList<QAccessibleInterface*> rowHeaderCells() const override;
  int columnIndex() const override { return m_index.column(); }
  int rowIndex() const override { return m_index.row(); }
  int columnExtent() const override { return 1; }
  int rowExtent() const override { return 1; }
  QAccessibleInterface* table() const override { return parent(); }

  void selection(int, int* startOffset, int* endOffset) const override {
    *startOffset = *endOffset = 0;
  }
  int selectionCount() const override { return 0; }
  void addSelection(int, int) override {}
  void removeSelection(int) override {}
  void setSelection(int, int, int) override {}
  int cursorPosition() const override { return 0; }
  void setCursorPosition(int) override {}
  QString text(int startOffset, int endOffset) const override {
    return shown().mid(startOffset, endOffset - startOffset);
  }
  int characterCount() const override { return static_cast<int>(shown().size()); }
  QRect characterRect(int) const override { return {}; }
  int offsetAtPoint(const QPoint&) const override { return -1; }
  void scrollToSubstring(int, int) override {
    if (isValid()) m_view->scrollTo(m_index);
  }
  QString attributes(int offset, int* startOffset, int* endOffset) const override {
    *startOffset = *endOffset = offset;
    return {};
  }

  void deleteText(int startOffset, int endOffset) override {
    replaceText(startOffset, endOffset, QString());
  }
  void insertText(int offset, const QString& text) override { replaceText(offset, offset, text); }
  void replaceText(int startOffset, int endOffset, const QString& text) override {
    QString changed = shown();
    const qsizetype from = std::clamp<qsizetype>(startOffset, 0, changed.size());
    const qsizetype to = std::clamp<qsizetype>(endOffset, from, changed.size());
    write(changed.replace(from, to - from, text));
  }

  QVariant currentValue() const override {
    return isValid() ? m_index.data(kCellNumberRole) : QVariant();
  }
  void setCurrentValue(const QVariant& value) override {
    if (value.canConvert<double>()) write(QString::number(value.toDouble(), 'g', 15));
  }
  QVariant maximumValue() const override { return {}; }
  QVariant minimumValue() const override { return {}; }
  QVariant minimumStepSize() const override { return {}; }

  QStringList actionNames() const override { return {setFocusAction()}; }
  void doAction(const QString& name) override {
    if (name != setFocusAction() || !isValid()) return;
    // The focus first: the view announces the new current cell only while it has it.
    m_view->setFocus(Qt::OtherFocusReason);
    makeCurrent();
  }
  QStringList keyBindingsForAction(const QString&) const override { return {}; }

  // The cell becomes the view's current one, selected as the view selects (its row in a
  // list of rows), so that what acts on the current row follows.
  void makeCurrent() const {
    if (!isValid()) return;
    QItemSelectionModel::SelectionFlags flags = QItemSelectionModel::NoUpdate;
    if (m_view->selectionMode() != QAbstractItemView::NoSelection) {
      flags = QItemSelectionModel::ClearAndSelect;
      if (m_view->selectionBehavior() == QAbstractItemView::SelectRows)
        flags |= QItemSelectionModel::Rows;
    }
    m_view->selectionModel()->setCurrentIndex(m_index, flags);
    m_view->scrollTo(m_index);
  }

 private:
  QString shown() const { return isValid() ? m_index.data(Qt::DisplayRole).toString() : QString(); }
  bool editable() const {
    return isValid() && m_view->isEnabled() && (m_index.flags() & Qt::ItemIsEditable) &&
           m_view->editTriggers() != QAbstractItemView::NoEditTriggers;
  }
  // As the user's edit would: the model takes the text as typed (a number cell drops the
  // blanks between thousands itself).
  void write(const QString& text) {
    if (!editable()) return;
    const_cast<QAbstractItemModel*>(m_index.model())->setData(m_index, text, Qt::EditRole);
  }

  QPointer<QTableView> m_view;
  QPersistentModelIndex m_index;
};

// The view: its children are numbered as QTableView numbers them in the events it sends
// (the corner, the column headers, then each row's header and cells), so that a client told
// of a focused cell finds that cell. Interfaces of cells are made when asked for and kept
// while their cell exists, so that a client holding one keeps it across sorting, filtering
// and rows added elsewhere.
class TableAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
 public:
  explicit TableAccessible(QTableView* view) : QAccessibleWidget(view, QAccessible::Table) {}
  ~TableAccessible() override { forget(); }

  QTableView* view() const { return static_cast<QTableView*>(widget()); }

  void* interface_cast(QAccessible::InterfaceType t) override {
    if (t == QAccessible::TableInterface) return static_cast<QAccessibleTableInterface*>(this);
    return QAccessibleWidget::interface_cast(t);
  }

  int childCount() const override {
    follow();
    return (rowCount() + 1) * (columnCount() + 1);
  }
  QAccessibleInterface* child(int index) const override {
    const int width = columnCount() + 1;
    if (index < 0 || index >= childCount()) return nullptr;
    const int row = index / width - 1;
    const int column = index % width - 1;
    if (row < 0) return header(Qt::Horizontal, column);
    if (column < 0) return header(Qt::Vertical, row);
    return cellAt(row, column);
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    if (!child || child->parent() != this) return -1;
    const int width = columnCount() + 1;
    if (const auto* h = dynamic_cast<const HeaderCellAccessible*>(child))
      for (auto found = m_headers.cbegin(); found != m_headers.cend(); ++found)
        if (QAccessible::accessibleInterface(found.value()) == h) {
          const auto [orientation, section] = headerOf(found.key());
          if (section < 0) return 0;
          return orientation == Qt::Horizontal ? section + 1 : (section + 1) * width;
        }
    if (const auto* c = dynamic_cast<const CellAccessible*>(child); c && c->isValid())
      return (c->index().row() + 1) * width + c->index().column() + 1;
    return -1;
  }
  QAccessibleInterface* childAt(int x, int y) const override {
    const QPoint global(x, y);
    const QHeaderView* columns = view()->horizontalHeader();
    if (columns->isVisible()) {
      const QPoint at = columns->viewport()->mapFromGlobal(global);
      if (columns->viewport()->rect().contains(at))
        return header(Qt::Horizontal, columns->logicalIndexAt(at));
    }
    const QHeaderView* rows = view()->verticalHeader();
    if (rows->isVisible()) {
      const QPoint at = rows->viewport()->mapFromGlobal(global);
      if (rows->viewport()->rect().contains(at))
        return header(Qt::Vertical, rows->logicalIndexAt(at));
    }
    const QModelIndex index = view()->indexAt(view()->viewport()->mapFromGlobal(global));
    return index.isValid() ? cellAt(index.row(), index.column()) : nullptr;
  }
  QAccessibleInterface* focusChild() const override {
    const QModelIndex current = view()->currentIndex();
    return current.isValid() ? cellAt(current.row(), current.column()) : nullptr;
  }

  QAccessibleInterface* caption() const override { return nullptr; }
  QAccessibleInterface* summary() const override { return nullptr; }
  QAccessibleInterface* cellAt(int row, int column) const override {
    follow();
    const QAbstractItemModel* model = view()->model();
    if (!model || row < 0 || column < 0 || row >= model->rowCount() ||
        column >= model->columnCount())
      return nullptr;
    const quint64 key = keyOf(row, column);
    if (const auto found = m_cells.constFind(key); found != m_cells.cend())
      if (QAccessibleInterface* cell = QAccessible::accessibleInterface(*found)) return cell;
    auto* cell = new CellAccessible(view(), model->index(row, column));
    m_cells.insert(key, QAccessible::registerAccessibleInterface(cell));
    return cell;
  }
  int selectedCellCount() const override { return static_cast<int>(selected().size()); }
  QList<QAccessibleInterface*> selectedCells() const override {
    QList<QAccessibleInterface*> cells;
    for (const QModelIndex& index : selected())
      if (QAccessibleInterface* cell = cellAt(index.row(), index.column())) cells << cell;
    return cells;
  }
  QString columnDescription(int column) const override {
    return columnTitle(view()->model(), column);
  }
  QString rowDescription(int row) const override {
    return view()->model() ? view()->model()->headerData(row, Qt::Vertical).toString() : QString();
  }
  int selectedColumnCount() const override { return static_cast<int>(selectedColumns().size()); }
  int selectedRowCount() const override { return static_cast<int>(selectedRows().size()); }
  int columnCount() const override { return view()->model() ? view()->model()->columnCount() : 0; }
  int rowCount() const override { return view()->model() ? view()->model()->rowCount() : 0; }
  QList<int> selectedColumns() const override {
    QList<int> columns;
    if (QItemSelectionModel* s = view()->selectionModel())
      for (const QModelIndex& index : s->selectedColumns()) columns << index.column();
    return columns;
  }
  QList<int> selectedRows() const override {
    QList<int> rows;
    if (QItemSelectionModel* s = view()->selectionModel())
      for (const QModelIndex& index : s->selectedRows()) rows << index.row();
    return rows;
  }
  bool isColumnSelected(int column) const override {
    QItemSelectionModel* s = view()->selectionModel();
    return s && s->isColumnSelected(column, QModelIndex());
  }
  bool isRowSelected(int row) const override {
    QItemSelectionModel* s = view()->selectionModel();
    return s && s->isRowSelected(row, QModelIndex());
  }
  // A row chosen by a client becomes the current row, in the column the user was in.
  bool selectRow(int row) override {
    if (view()->selectionMode() == QAbstractItemView::NoSelection || row < 0 || row >= rowCount())
      return false;
    const QModelIndex current = view()->currentIndex();
    auto* cell = static_cast<CellAccessible*>(
        cellAt(row, current.isValid() ? current.column() : firstShownColumn()));
    if (!cell) return false;
    cell->makeCurrent();
    if (view()->selectionBehavior() != QAbstractItemView::SelectRows &&
        view()->selectionMode() != QAbstractItemView::SingleSelection)
      view()->selectionModel()->select(cell->index(),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
    return true;
  }
  bool selectColumn(int column) override {
    if (view()->selectionMode() == QAbstractItemView::NoSelection ||
        view()->selectionBehavior() == QAbstractItemView::SelectRows || column < 0 ||
        column >= columnCount() || rowCount() == 0)
      return false;
    const QModelIndex current = view()->currentIndex();
    auto* cell =
        static_cast<CellAccessible*>(cellAt(current.isValid() ? current.row() : 0, column));
    if (!cell) return false;
    cell->makeCurrent();
    if (view()->selectionMode() != QAbstractItemView::SingleSelection)
      view()->selectionModel()->select(cell->index(),
                                       QItemSelectionModel::Select | QItemSelectionModel::Columns);
    return true;
  }
  bool unselectRow(int row) override {
    QItemSelectionModel* s = view()->selectionModel();
    if (!s || row < 0 || row >= rowCount()) return false;
    s->select(view()->model()->index(row, 0),
              QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    return true;
  }
  bool unselectColumn(int column) override {
    QItemSelectionModel* s = view()->selectionModel();
    if (!s || column < 0 || column >= columnCount()) return false;
    s->select(view()->model()->index(0, column),
              QItemSelectionModel::Deselect | QItemSelectionModel::Columns);
    return true;
  }
  void modelChange(QAccessibleTableModelChangeEvent*) override { m_stale = true; }

  // A section's header (-1: the corner).
  QAccessibleInterface* header(Qt::Orientation orientation, int section) const {
    follow();
    const int sections = orientation == Qt::Horizontal ? columnCount() : rowCount();
    if (section < -1 || section >= sections) return nullptr;
    if (section < 0) orientation = Qt::Horizontal;
    const qint64 key = headerKey(orientation, section);
    if (const auto found = m_headers.constFind(key); found != m_headers.cend())
      if (QAccessibleInterface* cell = QAccessible::accessibleInterface(*found)) return cell;
    auto* cell = new HeaderCellAccessible(view(), orientation, section);
    m_headers.insert(key, QAccessible::registerAccessibleInterface(cell));
    return cell;
  }

 private:
  static quint64 keyOf(int row, int column) {
    return (static_cast<quint64>(static_cast<quint32>(row)) << 32) | static_cast<quint32>(column);
  }
  static qint64 headerKey(Qt::Orientation orientation, int section) {
    return (orientation == Qt::Horizontal ? 0 : (qint64(1) << 32)) + section + 1;
  }
  static std::pair<Qt::Orientation, int> headerOf(qint64 key) {
    return {key >> 32 ? Qt::Vertical : Qt::Horizontal, static_cast<int>(key & 0xFFFFFFFF) - 1};
  }
  int firstShownColumn() const {
    for (int c = 0; c < columnCount(); ++c)
      if (!view()->isColumnHidden(c)) return c;
    return 0;
  }
  QModelIndexList selected() const {
    QItemSelectionModel* s = view()->selectionModel();
    return s ? s->selectedIndexes() : QModelIndexList();
  }

  // The model's rows and columns may have moved since the cells were made: each cell keeps
  // its place in the model, so the map is rebuilt from them and the cells of rows that are
  // gone are dropped. The headers are made again for the columns as they are now.
  void follow() const {
    QAbstractItemModel* model = view()->model();
    if (model != m_model) {
      forget();
      m_model = model;
      m_watch = std::make_unique<QObject>();
      if (model) {
        auto stale = [this] { m_stale = true; };
        QObject* watch = m_watch.get();
        QObject::connect(model, &QAbstractItemModel::rowsInserted, watch, stale);
        QObject::connect(model, &QAbstractItemModel::rowsRemoved, watch, stale);
        QObject::connect(model, &QAbstractItemModel::rowsMoved, watch, stale);
        QObject::connect(model, &QAbstractItemModel::columnsInserted, watch, stale);
        QObject::connect(model, &QAbstractItemModel::columnsRemoved, watch, stale);
        QObject::connect(model, &QAbstractItemModel::columnsMoved, watch, stale);
        QObject::connect(model, &QAbstractItemModel::modelReset, watch, stale);
        QObject::connect(model, &QAbstractItemModel::layoutChanged, watch, stale);
      }
      return;
    }
    if (!m_stale) return;
    m_stale = false;
    QHash<quint64, QAccessible::Id> cells;
    for (const QAccessible::Id id : std::as_const(m_cells)) {
      auto* cell = static_cast<CellAccessible*>(QAccessible::accessibleInterface(id));
      if (!cell) continue;
      if (cell->isValid())
        cells.insert(keyOf(cell->index().row(), cell->index().column()), id);
      else
        QAccessible::deleteAccessibleInterface(id);
    }
    m_cells = std::move(cells);
    for (const QAccessible::Id id : std::as_const(m_headers))
      QAccessible::deleteAccessibleInterface(id);
    m_headers.clear();
  }
  void forget() const {
    for (const QAccessible::Id id : std::as_const(m_cells))
      QAccessible::deleteAccessibleInterface(id);
    for (const QAccessible::Id id : std::as_const(m_headers))
      QAccessible::deleteAccessibleInterface(id);
    m_cells.clear();
    m_headers.clear();
    m_watch.reset();
    m_stale = false;
  }

  mutable QPointer<QAbstractItemModel> m_model;
  mutable std::unique_ptr<QObject> m_watch;
  mutable QHash<quint64, QAccessible::Id> m_cells;
  mutable QHash<qint64, QAccessible::Id> m_headers;
  mutable bool m_stale = false;
};

QList<QAccessibleInterface*> CellAccessible::columnHeaderCells() const {
  auto* table = isValid() ? dynamic_cast<TableAccessible*>(parent()) : nullptr;
  QAccessibleInterface* header = table ? table->header(Qt::Horizontal, m_index.column()) : nullptr;
  return header ? QList<QAccessibleInterface*>{header} : QList<QAccessibleInterface*>{};
}

QList<QAccessibleInterface*> CellAccessible::rowHeaderCells() const {
  auto* table = isValid() ? dynamic_cast<TableAccessible*>(parent()) : nullptr;
  QAccessibleInterface* header = table ? table->header(Qt::Vertical, m_index.row()) : nullptr;
  return header ? QList<QAccessibleInterface*>{header} : QList<QAccessibleInterface*>{};
}

}  // namespace

QAccessibleInterface* describedTableAccessible(QObject* object) {
  auto* view = qobject_cast<QTableView*>(object);
  if (!view || !view->property(kDescribedProperty).toBool()) return nullptr;
  return new TableAccessible(view);
}

void describeCells(QTableView* view) {
  view->setProperty(kDescribedProperty, true);
  // Qt's own interface may have been made already (and is kept for the view's life): it
  // gives way to ours.
  QAccessibleInterface* made = QAccessible::queryAccessibleInterface(view);
  if (made && !dynamic_cast<TableAccessible*>(made)) {
    QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
    QAccessible::queryAccessibleInterface(view);
  }
}

}  // namespace balvix::shell
