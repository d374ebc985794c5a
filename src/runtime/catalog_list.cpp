#include "runtime/catalog_list.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "config/references.h"
#include "config/table_names.h"
#include "runtime/catalog_form.h"
#include "runtime/form_control.h"
#include "runtime/runtime_windows.h"
#include "runtime/toolbar_control.h"
#include "shell/message_box.h"
#include "shell/window_names.h"
#include "shell/window_provider.h"
#include "storage/sql_text.h"

namespace balvix::runtime {

using shell::MessageBoxes;
using storage::quote;

void CatalogListModel::setNames(QStringList names) {
  beginResetModel();
  m_names = std::move(names);
  endResetModel();
}

void CatalogListModel::append(const QString& name) {
  const int at = static_cast<int>(m_names.size());
  beginInsertRows({}, at, at);
  m_names << name;
  endInsertRows();
}

void CatalogListModel::setName(int row, const QString& name) {
  if (row < 0 || row >= m_names.size()) return;
  m_names[row] = name;
  emit dataChanged(index(row, 1), index(row, 1));
}

int CatalogListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(m_names.size());
}

int CatalogListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : 3;
}

QVariant CatalogListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)) return {};
  if (index.column() == 0) return QString::number(index.row() + 1);
  if (index.column() == 1) return m_names.value(index.row());
  return QString();
}

QVariant CatalogListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  static const char* const kHeaders[] = {"Код", "Наименование", "Дополнительно"};
  return section >= 0 && section < 3 ? QString::fromUtf8(kHeaders[section]) : QVariant();
}

void CatalogListView::keyboardSearch(const QString& search) {
  // Names are searched whichever column the cursor is in.
  const QModelIndex current = currentIndex();
  if (current.isValid() && current.column() != 1)
    selectionModel()->setCurrentIndex(model()->index(current.row(), 1),
                                      QItemSelectionModel::NoUpdate);
  else if (!current.isValid() && model()->rowCount() > 0)
    selectionModel()->setCurrentIndex(model()->index(0, 1), QItemSelectionModel::NoUpdate);
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

  auto* picture = new QWidget(this);
  picture->setObjectName(QStringLiteral("Picture1"));
  m_tree = new QTreeWidget(picture);
  m_tree->setObjectName(QStringLiteral("TreeView1"));
  m_tree->setAccessibleName(QStringLiteral("Группы"));
  m_tree->setHeaderHidden(true);
  m_model = new CatalogListModel(this);
  m_list = new CatalogListView(picture);
  m_list->setObjectName(QStringLiteral("List"));
  m_list->setAccessibleName(QStringLiteral("Элементы справочника"));
  m_list->setModel(m_model);
  m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_list->setSelectionMode(QAbstractItemView::SingleSelection);
  m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_list->verticalHeader()->hide();
  m_list->verticalHeader()->setDefaultSectionSize(m_list->fontMetrics().height() + 6);
  m_list->setWordWrap(false);
  // The number column narrow, the name taking the room; no sideways scrolling.
  m_list->horizontalHeader()->resizeSection(0, 59);
  m_list->horizontalHeader()->resizeSection(2, 120);
  m_list->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
  m_cmdCancel = commandButton(QStringLiteral("cmdCancel"), QStringLiteral("&Закрыть"), picture);

  auto* splitter = new QSplitter(picture);
  splitter->addWidget(m_tree);
  splitter->addWidget(m_list);
  splitter->setStretchFactor(1, 1);
  splitter->setSizes({120, 480});
  auto* inner = new QVBoxLayout(picture);
  inner->setContentsMargins(0, 0, 0, 0);
  inner->addWidget(splitter, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
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
  connect(m_list, &QAbstractItemView::clicked, this,
          [this](const QModelIndex& i) { rowClicked(i.row()); });
  connect(m_list, &QAbstractItemView::activated, this,
          [this](const QModelIndex& i) { rowDoubleClicked(i.row()); });
  connect(m_list->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& i) {
            if (i.isValid() && i.row() != m_row) rowClicked(i.row());
          });
  loadList();
  registerLoad();
  setSizeTwips(9000, 6000);
  centre();
}

frmSprList::~frmSprList() {
  if (m_state.choiceWindow == this) m_state.choiceWindow = nullptr;
}

void frmSprList::loadList() {
  m_catalog = m_state.currentObjectName;
  setWindowTitle(QStringLiteral("Справочник.") + m_catalog);
  QStringList names;
  if (m_state.db) {
    try {
      // Only the names are shown: reading them alone keeps a large catalog quick.
      storage::Recordset rs = m_state.db->openRecordset(
          QStringLiteral("SELECT Наименование FROM ") + config::catalogTable(m_catalog));
      names.reserve(rs.rowCount());
      for (; !rs.eof(); rs.moveNext()) names << rs.text(0);
    } catch (const storage::DbError& e) {
      MessageBoxes::show(e.description());
    }
  }
  m_model->setNames(std::move(names));
  m_row = -1;
  m_usrMenu1->DisableButton(2);
  m_usrMenu1->DisableButton(3);
  m_usrMenu1->DisableButton(4);
  m_tree->clear();
  new QTreeWidgetItem(m_tree, QStringList{m_catalog});
}

void frmSprList::setChoiceTarget(FormControl* form, const QString& caption, const QString& field) {
  m_target = form;
  m_targetField = field;
  m_tag = caption + QLatin1Char(';') + field;
}

void frmSprList::addElementRow(const QString& name) {
  m_model->append(name);
}

void frmSprList::setRowName(int row, const QString& name) {
  m_model->setName(row, name);
}

void frmSprList::rowClicked(int row) {
  if (row < 0 || row >= m_model->rowCount()) return;
  m_row = row;
  m_usrMenu1->EnableButton(2);
  m_usrMenu1->EnableButton(4);
}

void frmSprList::rowDoubleClicked(int row) {
  if (row < 0 || row >= m_model->rowCount()) return;
  m_row = row;
  if (choiceMode()) {
    // The value goes to the form that asked, when it is still open.
    if (m_target && !m_targetField.isEmpty()) {
      m_target->setValue(m_targetField, m_model->names().value(row));
      QCoreApplication::processEvents();
    }
    m_tag = QStringLiteral("0");
    close();
    return;
  }
  openElement(row);
}

void frmSprList::openElement(int row) {
  if (!m_state.windows) return;
  m_state.currentElementName = row >= 0 ? m_model->names().value(row) : QString();
  m_state.currentObjectType = config::typeWord(config::ObjectKind::Catalog);
  m_state.currentObjectName = m_catalog;
  auto* form = qobject_cast<frmUniSpr*>(
      m_state.windows->newWindow(shell::window_names::kCatalogElementForm));
  if (!form) return;
  m_state.choiceWindow = form;
  form->setOpener(this, row);
  if (form->loaded()) showChild(m_state, form);
}

void frmSprList::buttonClicked(int number) {
  switch (number) {
    case 1:
      openElement(-1);
      break;
    case 2:
      if (m_row >= 0) openElement(m_row);
      break;
    case 4: {
      if (m_row < 0) return;
      const QString name = m_model->names().value(m_row);
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
        m_state.db->execute(QStringLiteral("DELETE FROM ") + config::catalogTable(m_catalog) +
                            QStringLiteral(" WHERE наименование=") + quote(name));
      } catch (const storage::DbError& e) {
        MessageBoxes::show(e.description());
        return;
      }
      m_state.currentElementName.clear();
      m_state.currentObjectName = m_catalog;
      loadList();
      break;
    }
    default:
      break;
  }
}

}  // namespace balvix::runtime
