#pragma once

#include <QAbstractTableModel>
#include <QPointer>
#include <QStringList>
#include <QTableView>
#include <vector>

#include "config/requisite_type.h"
#include "runtime/runtime_window.h"

class QPushButton;
class QTreeWidget;
class QHeaderView;

namespace balvix::runtime {

class FormControl;
class ListSearchField;
class SearchFilterModel;
class ToolBarControl;

// The rows of a catalog list: the element's running number («Код», the order it was read
// in) and every requisite of the catalog in the order the catalog defines them. Clicking a
// header sorts by the requisite's type: numbers as numbers, dates as dates, texts without
// regard to case and «ё/е».
class CatalogListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  // One column: a requisite's name and how its values compare.
  struct Column {
    QString name;
    config::RequisiteType::Kind kind = config::RequisiteType::Kind::Text;
    bool money = false;  // an amount: shown with two decimals
  };

  using QAbstractTableModel::QAbstractTableModel;
  // The requisites become the columns after «Код»; the rows are cleared.
  void setColumns(QList<Column> columns);
  const QList<Column>& columns() const { return m_columns; }
  // Rows of requisite values in column order; the codes run from 1 in this order.
  void setRows(std::vector<QStringList> rows);
  void append(const QStringList& values);
  void setValues(int row, const QStringList& values);
  // The model column of «Наименование» (1 when the catalog lacks it).
  int nameColumn() const { return m_nameColumn; }
  QString name(int row) const;
  // The row of the element with this name; -1 when there is none.
  int findName(const QString& name) const;
  QStringList names() const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

 private:
  struct Row {
    int code = 0;
    QStringList values;
  };
  std::vector<Row> m_rows;
  QList<Column> m_columns;
  int m_nameColumn = 1;
  int m_nextCode = 1;
};

// The list view of a catalog: typing jumps to the element whose name begins so.
class CatalogListView : public QTableView {
 public:
  using QTableView::QTableView;
  void keyboardSearch(const QString& search) override;
};

// The catalog list: browses, opens, creates and deletes the elements of one catalog,
// and serves as the value chooser of a catalog-typed field.
class frmSprList : public RuntimeWindow {
  Q_OBJECT

 public:
  // Loads at once the catalog named by CurrentObjectName.
  explicit frmSprList(shell::AppState& state, QWidget* parent = nullptr);
  ~frmSprList() override;

  const QString& catalog() const { return m_catalog; }
  CatalogListModel* model() const { return m_model; }
  // What the list shows: the model's rows that the search lets through.
  SearchFilterModel* filter() const { return m_filter; }
  CatalogListView* list() const { return m_list; }
  ListSearchField* searchField() const { return m_search; }
  ToolBarControl* toolbar() const { return m_usrMenu1; }

  // Choice mode: a double click hands the element's name to the field of that form
  // (requester's caption kept as the window's tag) and closes the list.
  void setChoiceTarget(FormControl* form, const QString& caption, const QString& field);
  bool choiceMode() const { return m_tag != QLatin1String("0"); }
  const QString& tag() const { return m_tag; }

  // The element form brings the list up to date after a save: the element's row (found by
  // the name it had, a new row when it is empty) is read again with all its requisites.
  void elementSaved(const QString& oldName, const QString& newName);

  void loadList();
  // Many elements of a catalog changed (a load from a file): the list of that catalog is
  // read again, keeping its order, its search and the element the user stood on.
  void elementsChanged(const QString& catalog);
  // Row click, double click and the toolbar's buttons, as the user makes them; rows are
  // the rows the list shows.
  void rowClicked(int row);
  void rowDoubleClicked(int row);
  void buttonClicked(int number);
  // «Выгрузить»: what the list shows (columns, search, order) to CSV or XLSX; asks for the
  // file when `path` is empty.
  bool exportList(const QString& path = {});

  // The settings key that keeps this catalog's column widths.
  static QString widthsKey(const QString& catalog);

 private:
  void openElement(const QString& name);
  // Reads the rows of m_catalog again.
  void readList();
  // The model row of the element the user selected; -1 when none.
  int selectedModelRow() const;
  int modelRow(int viewRow) const;
  QStringList readElement(const QString& name) const;
  void restoreWidths();
  void saveWidths();

  QString m_catalog;
  QString m_tag = QStringLiteral("0");
  QPointer<FormControl> m_target;
  QString m_targetField;
  QPersistentModelIndex m_selected;
  QStringList m_columnNames;  // the table's requisite columns, in model order after «Код»
  bool m_restoringWidths = false;
  CatalogListModel* m_model = nullptr;
  SearchFilterModel* m_filter = nullptr;
  CatalogListView* m_list = nullptr;
  ListSearchField* m_search = nullptr;
  QTreeWidget* m_tree = nullptr;
  ToolBarControl* m_usrMenu1 = nullptr;
  QPushButton* m_cmdCancel = nullptr;
  QPushButton* m_cmdChoose = nullptr;
};

}  // namespace balvix::runtime
