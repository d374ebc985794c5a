#pragma once

#include <QAbstractTableModel>
#include <QPointer>
#include <QStringList>
#include <QTableView>

#include "runtime/runtime_window.h"

class QPushButton;
class QTreeWidget;

namespace balvix::runtime {

class FormControl;
class ToolBarControl;

// The rows of a catalog list: the running number and the element's name; the third
// column stays empty.
class CatalogListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  using QAbstractTableModel::QAbstractTableModel;
  void setNames(QStringList names);
  void append(const QString& name);
  void setName(int row, const QString& name);
  const QStringList& names() const { return m_names; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  QStringList m_names;
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
  CatalogListView* list() const { return m_list; }
  ToolBarControl* toolbar() const { return m_usrMenu1; }

  // Choice mode: a double click hands the element's name to the field of that form
  // (requester's caption kept as the window's tag) and closes the list.
  void setChoiceTarget(FormControl* form, const QString& caption, const QString& field);
  bool choiceMode() const { return m_tag != QLatin1String("0"); }
  const QString& tag() const { return m_tag; }

  // The element form brings the list up to date after a save.
  void addElementRow(const QString& name);
  void setRowName(int row, const QString& name);

  void loadList();
  // Row click, double click and the toolbar's buttons, as the user makes them.
  void rowClicked(int row);
  void rowDoubleClicked(int row);
  void buttonClicked(int number);

 private:
  void openElement(int row);

  QString m_catalog;
  QString m_tag = QStringLiteral("0");
  QPointer<FormControl> m_target;
  QString m_targetField;
  int m_row = -1;
  CatalogListModel* m_model = nullptr;
  CatalogListView* m_list = nullptr;
  QTreeWidget* m_tree = nullptr;
  ToolBarControl* m_usrMenu1 = nullptr;
  QPushButton* m_cmdCancel = nullptr;
};

}  // namespace balvix::runtime
