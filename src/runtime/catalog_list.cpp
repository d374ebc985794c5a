#include "runtime/catalog_list.h"

#include <QAction>
#include <QApplication>
#include <QDate>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QSettings>
#include <QSplitter>
#include <QStyle>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <numeric>

#include "config/audit_trail.h"
#include "config/object_definition.h"
#include "config/references.h"
#include "config/table_names.h"
#include "runtime/catalog_form.h"
#include "runtime/form_control.h"
#include "runtime/list_search.h"
#include "runtime/runtime_windows.h"
#include "runtime/toolbar_control.h"
#include "runtime/view_export.h"
#include "script/number_text.h"
#include "shell/accessibility.h"
#include "shell/message_box.h"
#include "shell/window_names.h"
#include "shell/window_provider.h"
#include "storage/sql_text.h"

namespace balvix::runtime {

using shell::MessageBoxes;
using storage::quote;
using Kind = config::RequisiteType::Kind;

namespace {

const QString kCodeHeader = QStringLiteral("Код");
const QString kNameColumn = QStringLiteral("Наименование");

// A number as people type it: blanks between thousands, a comma or a point before the
// fraction. NaN when the text is no number (empty texts sort before every number).
double numberKey(const QString& text) {
  return script::readNumber(text).value_or(std::nan(""));
}

// A date's day number; the smallest value for a text that is no date.
qint64 dateKey(const QString& text) {
  const QString t = text.trimmed();
  for (const QString& format :
       {QStringLiteral("dd.MM.yyyy"), QStringLiteral("yyyy-MM-dd"), QStringLiteral("dd.MM.yy")}) {
    const QDate date = QDate::fromString(t, format);
    if (date.isValid()) return date.toJulianDay();
  }
  return std::numeric_limits<qint64>::min();
}

QString text(std::string_view view) {
  return QString::fromUtf8(view.data(), static_cast<qsizetype>(view.size()));
}

}  // namespace

void CatalogListModel::setColumns(QList<Column> columns) {
  beginResetModel();
  m_columns = std::move(columns);
  m_rows.clear();
  m_nextCode = 1;
  m_nameColumn = 1;
  for (int c = 0; c < m_columns.size(); ++c)
    if (m_columns[c].name.compare(kNameColumn, Qt::CaseInsensitive) == 0) {
      m_nameColumn = c + 1;
      break;
    }
  endResetModel();
}

void CatalogListModel::setRows(std::vector<QStringList> rows) {
  beginResetModel();
  m_rows.clear();
  m_rows.reserve(rows.size());
  m_nextCode = 1;
  for (QStringList& values : rows) m_rows.push_back({m_nextCode++, std::move(values)});
  endResetModel();
}

void CatalogListModel::append(const QStringList& values) {
  const int at = rowCount();
  beginInsertRows({}, at, at);
  m_rows.push_back({m_nextCode++, values});
  endInsertRows();
}

void CatalogListModel::setValues(int row, const QStringList& values) {
  if (row < 0 || row >= rowCount()) return;
  m_rows[static_cast<std::size_t>(row)].values = values;
  emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

QString CatalogListModel::name(int row) const {
  if (row < 0 || row >= rowCount()) return {};
  return m_rows[static_cast<std::size_t>(row)].values.value(m_nameColumn - 1);
}

int CatalogListModel::findName(const QString& name) const {
  for (int r = 0; r < rowCount(); ++r)
    if (m_rows[static_cast<std::size_t>(r)].values.value(m_nameColumn - 1) == name) return r;
  return -1;
}

QStringList CatalogListModel::names() const {
  QStringList names;
  names.reserve(rowCount());
  for (int r = 0; r < rowCount(); ++r) names << name(r);
  return names;
}

int CatalogListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CatalogListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(m_columns.size()) + 1;
}

QVariant CatalogListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const Row& row = m_rows[static_cast<std::size_t>(index.row())];
  const int c = index.column();
  if (role == Qt::TextAlignmentRole) {
    const bool number = c == 0 || m_columns.value(c - 1).kind == Kind::Number;
    return QVariant::fromValue(Qt::AlignVCenter | (number ? Qt::AlignRight : Qt::AlignLeft));
  }
  if (role == shell::kCellNumberRole) {
    if (c == 0) return row.code;
    if (m_columns[c - 1].kind != Kind::Number) return {};
    const std::optional<double> number = script::readNumber(row.values.value(c - 1));
    return number ? QVariant(*number) : QVariant();
  }
  if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole && role != Qt::EditRole) return {};
  if (c == 0) return QString::number(row.code);
  const Column& column = m_columns[c - 1];
  // A number is shown as people read it; the edit role gives the stored text (the exports
  // write that, so that a list loads back unchanged).
  if (role != Qt::EditRole && column.kind == Kind::Number)
    return script::shownNumber(row.values.value(c - 1), column.money);
  return row.values.value(c - 1);
}

QVariant CatalogListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || (role != Qt::DisplayRole && role != Qt::AccessibleTextRole))
    return {};
  if (section == 0) return kCodeHeader;
  if (section < 0 || section > m_columns.size()) return {};
  return m_columns[section - 1].name;
}

void CatalogListModel::sort(int column, Qt::SortOrder order) {
  if (column < 0 || column >= columnCount()) return;
  const std::size_t n = m_rows.size();
  std::vector<int> order_(n);
  std::iota(order_.begin(), order_.end(), 0);
  const Kind kind = column == 0 ? Kind::Number : m_columns[column - 1].kind;
  const auto value = [&](std::size_t r) -> const QString& {
    static const QString none;
    const QStringList& values = m_rows[r].values;
    return column - 1 < values.size() ? values[column - 1] : none;
  };
  // The keys are computed once per row, not once per comparison. A stable sort keeps the
  // read order among equal keys, in both directions.
  const auto sortBy = [&](const auto& keys, auto less) {
    if (order == Qt::AscendingOrder)
      std::stable_sort(order_.begin(), order_.end(),
                       [&](int a, int b) { return less(keys[a], keys[b]); });
    else
      std::stable_sort(order_.begin(), order_.end(),
                       [&](int a, int b) { return less(keys[b], keys[a]); });
  };
  if (column == 0) {
    std::vector<int> keys(n);
    for (std::size_t r = 0; r < n; ++r) keys[r] = m_rows[r].code;
    sortBy(keys, std::less<int>());
  } else if (kind == Kind::Number) {
    std::vector<double> keys(n);
    for (std::size_t r = 0; r < n; ++r) keys[r] = numberKey(value(r));
    sortBy(keys, [](double a, double b) {
      if (std::isnan(a)) return !std::isnan(b);
      return !std::isnan(b) && a < b;
    });
  } else if (kind == Kind::Date) {
    std::vector<qint64> keys(n);
    for (std::size_t r = 0; r < n; ++r) keys[r] = dateKey(value(r));
    sortBy(keys, std::less<qint64>());
  } else {
    std::vector<QString> keys(n);
    for (std::size_t r = 0; r < n; ++r) keys[r] = foldForSearch(value(r));
    sortBy(keys, [](const QString& a, const QString& b) { return a < b; });
  }

  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  std::vector<int> newRow(n);
  std::vector<Row> sorted;
  sorted.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    newRow[static_cast<std::size_t>(order_[i])] = static_cast<int>(i);
    sorted.push_back(std::move(m_rows[static_cast<std::size_t>(order_[i])]));
  }
  m_rows = std::move(sorted);
  const QModelIndexList before = persistentIndexList();
  QModelIndexList after;
  after.reserve(before.size());
  for (const QModelIndex& i : before)
    after << index(newRow[static_cast<std::size_t>(i.row())], i.column());
  changePersistentIndexList(before, after);
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void CatalogListView::keyboardSearch(const QString& search) {
  // Names are searched whichever column the cursor is in.
  const auto* rows = qobject_cast<const SearchFilterModel*>(model());
  const auto* source = rows ? qobject_cast<const CatalogListModel*>(rows->sourceModel()) : nullptr;
  const int nameColumn = source ? source->nameColumn() : 1;
  const QModelIndex current = currentIndex();
  if (current.isValid() && current.column() != nameColumn)
    selectionModel()->setCurrentIndex(model()->index(current.row(), nameColumn),
                                      QItemSelectionModel::NoUpdate);
  else if (!current.isValid() && model()->rowCount() > 0)
    selectionModel()->setCurrentIndex(model()->index(0, nameColumn), QItemSelectionModel::NoUpdate);
  QTableView::keyboardSearch(search);
}

frmSprList::frmSprList(shell::AppState& state, QWidget* parent) : RuntimeWindow(state, parent) {
  setObjectName(QStringLiteral("frmSprList"));
  setWindowTitle(QStringLiteral("Справочник..."));
  m_usrMenu1 = new ToolBarControl(this);
  const QStyle* s = style();
  m_usrMenu1->addButton(1, QStringLiteral("Новый"), s->standardIcon(QStyle::SP_FileIcon),
                        QStringLiteral("Новый элемент (Insert)"));
  m_usrMenu1->addButton(2, QStringLiteral("Открыть"), s->standardIcon(QStyle::SP_DirOpenIcon),
                        QStringLiteral("Открыть элемент (Enter)"));
  m_usrMenu1->addButton(3, QStringLiteral("Копировать"), QIcon(),
                        QStringLiteral("Копировать элемент"));
  m_usrMenu1->addButton(4, QStringLiteral("Удалить"), s->standardIcon(QStyle::SP_TrashIcon),
                        QStringLiteral("Удалить элемент (Delete)"));
  m_usrMenu1->addButton(5, QStringLiteral("Выгрузить"),
                        s->standardIcon(QStyle::SP_DialogSaveButton),
                        QStringLiteral("Выгрузить список в CSV или XLSX"));

  auto* picture = new QWidget(this);
  picture->setObjectName(QStringLiteral("Picture1"));
  m_tree = new QTreeWidget(picture);
  m_tree->setObjectName(QStringLiteral("TreeView1"));
  m_tree->setAccessibleName(QStringLiteral("Группы"));
  m_tree->setHeaderHidden(true);
  m_model = new CatalogListModel(this);
  m_filter = new SearchFilterModel(this);
  m_filter->setSortsInSource(true);
  m_filter->setSourceModel(m_model);
  m_list = new CatalogListView(picture);
  m_list->setObjectName(QStringLiteral("List"));
  m_list->setAccessibleName(QStringLiteral("Элементы справочника"));
  m_list->setModel(m_filter);
  m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_list->setSelectionMode(QAbstractItemView::SingleSelection);
  m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_list->verticalHeader()->hide();
  m_list->verticalHeader()->setDefaultSectionSize(m_list->fontMetrics().height() + 6);
  m_list->setWordWrap(false);
  // Rows come in the order they were read until a header is clicked.
  m_list->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
  m_list->setSortingEnabled(true);
  m_list->horizontalHeader()->setSortIndicatorShown(true);
  m_list->horizontalHeader()->setStretchLastSection(true);
  m_search = new ListSearchField(m_filter, m_list, picture);
  m_search->installShortcut(this);
  m_cmdCancel = commandButton(QStringLiteral("cmdCancel"), QStringLiteral("&Закрыть"), picture);
  // Only a list that chooses for a field shows it.
  m_cmdChoose = commandButton(QStringLiteral("cmdChoose"), QStringLiteral("В&ыбрать"), picture);
  m_cmdChoose->hide();

  auto* splitter = new QSplitter(picture);
  splitter->addWidget(m_tree);
  splitter->addWidget(m_list);
  splitter->setStretchFactor(1, 1);
  splitter->setSizes({120, 480});
  auto* inner = new QVBoxLayout(picture);
  inner->setContentsMargins(0, 0, 0, 0);
  inner->addWidget(m_search);
  inner->addWidget(splitter, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(m_cmdChoose);
  buttons->addWidget(m_cmdCancel);
  inner->addLayout(buttons);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->addWidget(m_usrMenu1);
  layout->addWidget(picture, 1);

  // The toolbar's commands from the keyboard: Insert creates, Delete deletes; Enter
  // opens (or chooses) the current row.
  auto* insert = new QAction(this);
  insert->setShortcut(Qt::Key_Insert);
  insert->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  m_list->addAction(insert);
  connect(insert, &QAction::triggered, this, [this] { m_usrMenu1->click(1); });
  auto* remove = new QAction(this);
  remove->setShortcut(Qt::Key_Delete);
  remove->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  m_list->addAction(remove);
  connect(remove, &QAction::triggered, this, [this] { m_usrMenu1->click(4); });
  connect(m_usrMenu1, &ToolBarControl::ButtonClick, this, &frmSprList::buttonClicked);
  connect(m_cmdCancel, &QPushButton::clicked, this, &QWidget::close);
  connect(m_cmdChoose, &QPushButton::clicked, this, [this] {
    const QModelIndex current = m_list->currentIndex();
    if (current.isValid()) rowDoubleClicked(current.row());
  });
  connect(m_list, &QAbstractItemView::clicked, this,
          [this](const QModelIndex& i) { rowClicked(i.row()); });
  connect(m_list, &QAbstractItemView::activated, this,
          [this](const QModelIndex& i) { rowDoubleClicked(i.row()); });
  shell::describeCells(m_list);
  connect(m_list->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& i) {
            if (i.isValid()) rowClicked(i.row());
          });
  connect(m_list->horizontalHeader(), &QHeaderView::sectionResized, this, [this] {
    if (!m_restoringWidths) saveWidths();
  });
  connect(&m_state.catalogEvents, &shell::CatalogEvents::elementsChanged, this,
          &frmSprList::elementsChanged);
  connect(&m_state.events, &shell::DocumentEvents::changedElsewhere, this,
          [this] { elementsChanged(m_catalog); });
  loadList();
  registerLoad();
  setSizeTwips(9000, 6000);
  rememberPlaceAs(m_catalog);
  centre();
  // The keys of a list (Enter, Insert, Delete, type-ahead) work as soon as it opens.
  m_list->setFocus(Qt::OtherFocusReason);
}

frmSprList::~frmSprList() {
  if (m_state.choiceWindow == this) m_state.choiceWindow = nullptr;
}

QString frmSprList::widthsKey(const QString& catalog) {
  return QStringLiteral("CatalogListColumns_") + catalog;
}

void frmSprList::loadList() {
  m_catalog = m_state.currentObjectName;
  readList();
}

void frmSprList::elementsChanged(const QString& catalog) {
  if (catalog.compare(m_catalog, Qt::CaseInsensitive) != 0) return;
  // The element the user stood on stays current when it is still there.
  const QString current = m_selected.isValid() ? m_model->name(m_selected.row()) : QString();
  readList();
  const int at = current.isEmpty() ? -1 : m_model->findName(current);
  if (at < 0) return;
  const QModelIndex shown = m_filter->mapFromSource(m_model->index(at, m_model->nameColumn()));
  if (!shown.isValid()) return;
  m_list->setCurrentIndex(shown);
  m_list->scrollTo(shown);
}

void frmSprList::readList() {
  setWindowTitle((choiceMode() ? QStringLiteral("Выбор: ") : QStringLiteral("Справочник.")) +
                 m_catalog);
  QList<CatalogListModel::Column> columns;
  std::vector<QStringList> rows;
  QStringList tableColumns;
  if (m_state.db) {
    try {
      QList<config::Requisite> requisites;
      if (const auto definition =
              config::readDefinition(*m_state.db, config::ObjectKind::Catalog, m_catalog))
        requisites = definition->requisites;
      // Every requisite is shown; the rows are read as they come, without a recordset.
      m_state.db->forEachRow(
          QStringLiteral("SELECT * FROM ") + config::catalogTable(m_catalog),
          [&](const storage::RowView& row) {
            QStringList values;
            values.reserve(row.columnCount());
            for (int c = 0; c < row.columnCount(); ++c) values << text(row.text(c));
            rows.push_back(std::move(values));
          },
          &tableColumns);
      tableColumns = config::requisiteColumns(config::TableRole::Elements, tableColumns);
      for (const QString& name : tableColumns) {
        CatalogListModel::Column column{name, Kind::Text};
        for (const config::Requisite& r : requisites)
          if (r.name.compare(name, Qt::CaseInsensitive) == 0) {
            column.kind = r.type.kind;
            column.money = r.type.isMoney();
          }
        columns << column;
      }
    } catch (const storage::DbError& e) {
      MessageBoxes::show(e.description());
    }
  }
  const bool sameColumns = tableColumns == m_columnNames && m_model->columnCount() > 1;
  m_columnNames = tableColumns;
  // The header's own resizing while the rows are replaced is not the user's.
  m_restoringWidths = true;
  m_model->setColumns(std::move(columns));
  m_model->setRows(std::move(rows));
  m_restoringWidths = false;
  m_selected = QPersistentModelIndex();
  m_usrMenu1->DisableButton(2);
  m_usrMenu1->DisableButton(3);
  m_usrMenu1->DisableButton(4);
  m_tree->clear();
  new QTreeWidgetItem(m_tree, QStringList{m_catalog});
  QHeaderView* header = m_list->horizontalHeader();
  if (!sameColumns) {
    restoreWidths();
  } else if (header->sortIndicatorSection() >= 0 &&
             header->sortIndicatorSection() < m_model->columnCount()) {
    // A reload after a deletion keeps the order the user chose.
    m_model->sort(header->sortIndicatorSection(), header->sortIndicatorOrder());
  }
}

void frmSprList::restoreWidths() {
  QSettings settings(QStringLiteral("Balvix"), QStringLiteral("Balvix"));
  settings.beginGroup(QStringLiteral("Setting"));
  const QVariantMap widths = settings.value(widthsKey(m_catalog)).toMap();
  QHeaderView* header = m_list->horizontalHeader();
  m_restoringWidths = true;
  // The code column narrow, the name wide; the last column takes the rest of the room.
  for (int c = 0; c < m_model->columnCount(); ++c) {
    const QString name = c == 0 ? kCodeHeader : m_columnNames.value(c - 1);
    const int fallback = c == 0 ? 59 : c == m_model->nameColumn() ? 220 : 110;
    const int width = widths.value(name, fallback).toInt();
    header->resizeSection(c, width > 10 ? width : fallback);
  }
  m_restoringWidths = false;
}

void frmSprList::saveWidths() {
  // The last column stretches to the window: its width is the window's, not the user's.
  QVariantMap widths;
  QHeaderView* header = m_list->horizontalHeader();
  for (int c = 0; c + 1 < m_model->columnCount(); ++c)
    widths.insert(c == 0 ? kCodeHeader : m_columnNames.value(c - 1), header->sectionSize(c));
  if (widths.isEmpty()) return;
  QSettings settings(QStringLiteral("Balvix"), QStringLiteral("Balvix"));
  settings.beginGroup(QStringLiteral("Setting"));
  QVariantMap stored = settings.value(widthsKey(m_catalog)).toMap();
  for (auto i = widths.cbegin(); i != widths.cend(); ++i) stored.insert(i.key(), i.value());
  settings.setValue(widthsKey(m_catalog), stored);
}

void frmSprList::setChoiceTarget(FormControl* form, const QString& caption, const QString& field) {
  m_target = form;
  m_targetField = field;
  m_tag = caption + QLatin1Char(';') + field;
  // The caption says what the list is for; Enter, a double click or «Выбрать» chooses.
  setWindowTitle(QStringLiteral("Выбор: ") + m_catalog);
  m_cmdChoose->show();
  m_cmdChoose->setDefault(true);
}

QStringList frmSprList::readElement(const QString& name) const {
  QStringList values;
  if (!m_state.db || name.isEmpty()) return values;
  try {
    storage::Recordset rs = m_state.db->openRecordset(
        QStringLiteral("SELECT * FROM ") + config::catalogTable(m_catalog) +
        QStringLiteral(" WHERE Наименование=") + quote(name));
    if (rs.eof()) return values;
    for (int c = 0; c < m_columnNames.size(); ++c) values << rs.text(c);
  } catch (const storage::DbError& e) {
    MessageBoxes::show(e.description());
  }
  return values;
}

void frmSprList::elementSaved(const QString& oldName, const QString& newName) {
  const int row = oldName.isEmpty() ? -1 : m_model->findName(oldName);
  const QStringList values = readElement(newName);
  if (values.isEmpty()) return;
  if (row < 0)
    m_model->append(values);
  else
    m_model->setValues(row, values);
}

int frmSprList::modelRow(int viewRow) const {
  if (viewRow < 0 || viewRow >= m_filter->rowCount()) return -1;
  return m_filter->mapToSource(m_filter->index(viewRow, 0)).row();
}

int frmSprList::selectedModelRow() const {
  return m_selected.isValid() ? m_selected.row() : -1;
}

void frmSprList::rowClicked(int row) {
  const int at = modelRow(row);
  if (at < 0) return;
  m_selected = m_model->index(at, 0);
  m_usrMenu1->EnableButton(2);
  m_usrMenu1->EnableButton(4);
}

void frmSprList::rowDoubleClicked(int row) {
  const int at = modelRow(row);
  if (at < 0) return;
  m_selected = m_model->index(at, 0);
  if (choiceMode()) {
    // The value goes to the form that asked, when it is still open.
    if (m_target && !m_targetField.isEmpty()) {
      m_target->setValue(m_targetField, m_model->name(at));
      QCoreApplication::processEvents();
    }
    m_tag = QStringLiteral("0");
    close();
    return;
  }
  openElement(m_model->name(at));
}

void frmSprList::openElement(const QString& name) {
  if (!m_state.windows) return;
  m_state.currentElementName = name;
  m_state.currentObjectType = config::typeWord(config::ObjectKind::Catalog);
  m_state.currentObjectName = m_catalog;
  auto* form = qobject_cast<frmUniSpr*>(
      m_state.windows->newWindow(shell::window_names::kCatalogElementForm));
  if (!form) return;
  m_state.choiceWindow = form;
  form->setOpener(this);
  if (form->loaded()) showChild(m_state, form);
}

void frmSprList::buttonClicked(int number) {
  switch (number) {
    case 1:
      openElement(QString());
      break;
    case 2:
      if (selectedModelRow() >= 0) openElement(m_model->name(selectedModelRow()));
      break;
    case 4: {
      if (selectedModelRow() < 0) return;
      const QString name = m_model->name(selectedModelRow());
      m_state.currentElementName = name;
      // An element that documents, movements or other elements still name is kept: deleting
      // it would leave them pointing at nothing.
      try {
        const config::ElementReferences used = config::findReferences(*m_state.db, m_catalog, name);
        if (!used.isEmpty()) {
          MessageBoxes::show(config::referenceMessage(name, used));
          return;
        }
      } catch (const storage::DbError& e) {
        MessageBoxes::show(e.description());
        return;
      }
      if (MessageBoxes::ask(QStringLiteral("Удалить данный элемент справочника ") + name +
                            QStringLiteral(" ?")) != shell::MsgAnswer::Yes)
        return;
      try {
        storage::Transaction transaction(*m_state.db);
        m_state.db->execute(QStringLiteral("DELETE FROM ") + config::catalogTable(m_catalog) +
                            QStringLiteral(" WHERE наименование=") + quote(name));
        config::audit::append(*m_state.db, config::audit::event::kDeletion,
                              config::objectPath(config::ObjectKind::Catalog, m_catalog), name,
                              QStringLiteral("Элемент удален."));
        transaction.commit();
      } catch (const storage::DbError& e) {
        MessageBoxes::show(e.description());
        return;
      }
      m_state.currentElementName.clear();
      m_state.currentObjectName = m_catalog;
      loadList();
      break;
    }
    case 5:
      exportList();
      break;
    default:
      break;
  }
}

bool frmSprList::exportList(const QString& path) {
  ViewColumns columns{{Kind::Number}, {false}};
  for (const CatalogListModel::Column& column : m_model->columns()) {
    columns.kinds << column.kind;
    columns.money << column.money;
  }
  return exportView(m_state, this, *m_list, m_catalog, columns, path);
}

}  // namespace balvix::runtime
