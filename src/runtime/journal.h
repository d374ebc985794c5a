#pragma once

#include <QAbstractTableModel>
#include <QDate>
#include <QHash>
#include <QPointer>
#include <QSortFilterProxyModel>
#include <QStringList>
#include <QTableView>
#include <optional>
#include <vector>

#include "config/requisite_type.h"
#include "runtime/runtime_window.h"
#include "script/objects/document_posting.h"

class QComboBox;
class QDateEdit;
class QLabel;
class QMenu;
class QPushButton;

namespace balvix::storage {
class RowView;
}

namespace balvix::runtime {

class ListSearchField;
class JournalFilterModel;
class ToolBarControl;

// One document as the journal lists it.
struct JournalRow {
  QString number;   // Номер; empty for a document stored before documents had numbers
  QString kind;     // the internal name: commands and events address the kind by it
  QString caption;  // what the list shows: the kind's description, else its name
  QString date;     // cDATE text
  QString time;     // cTIME text
  QString name;
  bool posted = false;
  int dateKey = 0;   // yyyymmdd, for the period and for sorting
  double total = 0;  // the header's «Сумма», else the sum of the table part's «Сумма»
  bool hasTotal = false;  // a kind with neither shows an empty cell
  // The journal's own columns (the header requisites its designer chose), as shown; empty
  // for a kind without such a requisite.
  QStringList extras = {};
  // What each of them sorts by: a number's value, a date's yyyymmdd, else the text shown.
  QVariantList extraKeys = {};
};

// The documents of a journal: number, date, time, the kind's caption, the journal's own
// columns, name, total and the posted mark (an icon and a text). The «№» column shows each
// document's own number and sorts by its value.
class JournalModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  // The fixed columns; the journal's own columns come after Kind, so that the model column
  // of the ones after it is columnOf().
  enum Column { Number, Date, Time, Kind, Name, Total, Posted, ColumnCount };
  static constexpr int SortRole = Qt::UserRole + 1;

  using QAbstractTableModel::QAbstractTableModel;
  // The journal's own columns by their headers; the rows are cleared.
  void setExtraColumns(const QStringList& headers);
  const QStringList& extraColumns() const { return m_extras; }
  int columnOf(Column column) const {
    return column > Kind ? column + static_cast<int>(m_extras.size()) : column;
  }
  // The fixed column at a model column, or ColumnCount for one of the journal's own.
  Column columnAt(int modelColumn) const;
  void setRows(std::vector<JournalRow> rows);
  void append(const JournalRow& row);
  void update(int row, const JournalRow& value);
  void removeDocument(int row);
  const JournalRow& at(int row) const { return m_rows[static_cast<std::size_t>(row)]; }
  int find(const QString& kind, const script::DocumentKey& key) const;
  int size() const { return static_cast<int>(m_rows.size()); }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  std::vector<JournalRow> m_rows;
  QStringList m_extras;
};

// The journal: lists the documents of its kinds (of every kind for "Полный") dated
// within the period, opens them in the document form, deletes them whole, unposts them
// from the right-click menu and reposts the period.
class frmZurnal : public RuntimeWindow {
  Q_OBJECT

 public:
  // Loads at once the journal named by CurrentObjectName.
  explicit frmZurnal(shell::AppState& state, QWidget* parent = nullptr);
  ~frmZurnal() override;

  // The period a journal opens with: from the first day of the month three months back to
  // the end of the current year, so that in January the last quarter still shows and
  // documents dated later this year are listed too.
  static QPair<QDate, QDate> defaultPeriod(const QDate& today);

  const QString& journal() const { return m_journal; }
  JournalModel* model() const { return m_model; }
  QTableView* list() const { return m_list; }
  ListSearchField* searchField() const { return m_search; }
  ToolBarControl* toolbar() const { return m_usrMenu1; }
  QDateEdit* periodStart() const { return m_start; }
  QDateEdit* periodEnd() const { return m_end; }
  // «Вид документа:», shown only when the journal lists several kinds, and «Состояние:».
  QComboBox* kindFilter() const { return m_kindFilter; }
  QComboBox* stateFilter() const { return m_stateFilter; }
  // The document in a model row, selected as a click selects it; -1 when none.
  int selectedRow() const { return m_row; }

  void loadList();
  void rowClicked(int modelRow);
  void openDocument();
  void deleteDocument();
  // The right-click menu over the list (mnuOperators of the main window).
  void showContextMenu(const QPoint& globalPos);
  void buttonClicked(int number);
  // «Выгрузить»: the documents the list shows (period, filters, search, order) to CSV or
  // XLSX; asks for the file when `path` is empty.
  bool exportList(const QString& path = {});
  // "Перепровести": every posted document of the period, in date and time order, after the
  // question that names the period and the count.
  void repostPeriod();
  // "Новый": a new document of the journal's kind; of several kinds, the kind is chosen from
  // the menu `newKindMenu` shows at the button.
  void newDocument();
  // "Копировать": a new document with the selected one's header and rows.
  void copyDocument();
  // "Печать": the selected document through its kind's print form (a menu of the forms,
  // `mnuPrint` of the toolbar, when there are several).
  void printSelected();
  QMenu* newKindMenu() const { return m_newKinds; }
  // "Сделать не проведенным" of the right-click menu: unposts the selected document after the
  // question.
  Q_INVOKABLE bool unpostSelected();

  // Whether documents of the kind belong to this journal.
  bool listsKind(const QString& kind) const;

 private:
  // What the shell's document events announce: the document's row follows, or appears
  // when the journal lists the kind and the date falls in the period.
  void documentPosted(const QString& kind, const std::optional<script::DocumentKey>& previous,
                      const script::DocumentKey& key, const QString& name);
  void documentSaved(const QString& kind, const std::optional<script::DocumentKey>& previous,
                     const script::DocumentKey& key);
  void documentUnposted(const QString& kind, const script::DocumentKey& key);
  void documentRemoved(const QString& kind, const script::DocumentKey& key);
  // Another program wrote to the database: the list is read again, the current row kept.
  void changedElsewhere();
  // Shows `row` where the document was (`at`, -1 when not listed) or adds it when in the period.
  void showDocument(int at, const JournalRow& row);
  int modelRow(const QModelIndex& viewIndex) const;
  void selectionChanged();
  // The kind filter lists the journal's kinds by caption; the chosen kind stays chosen.
  void fillKindFilter(const QList<std::pair<QString, QString>>& kinds);
  // The period the user last chose, per journal and database; the default when none is.
  QPair<QDate, QDate> rememberedPeriod() const;
  void rememberPeriod() const;
  QString captionOf(const QString& kind) const;
  // The document's total and the journal's own columns as the list shows them; no total
  // when the kind has none.
  void readTotal(const QString& kind, const script::DocumentKey& key, JournalRow& row) const;
  // The journal's own columns that a kind's header has, as a select list ('' for the others).
  QString extrasSelect(const QString& kind) const;
  // The journal's own columns of a row read with extrasSelect from column `first` on, as
  // shown and as sorted.
  void readExtras(const QString& kind, const storage::RowView& row, int first,
                  JournalRow& into) const;

  QString m_journal;
  QStringList m_kinds;
  QHash<QString, QString> m_captions;
  // Per kind, the types of the journal's own columns in its header (None: it has none).
  QHash<QString, QList<config::RequisiteType>> m_extraTypes;
  JournalModel* m_model = nullptr;
  JournalFilterModel* m_proxy = nullptr;
  ListSearchField* m_search = nullptr;
  QTableView* m_list = nullptr;
  ToolBarControl* m_usrMenu1 = nullptr;
  QDateEdit* m_start = nullptr;
  QDateEdit* m_end = nullptr;
  QLabel* m_kindLabel = nullptr;
  QComboBox* m_kindFilter = nullptr;
  QComboBox* m_stateFilter = nullptr;
  bool m_columnsSized = false;
  QPushButton* m_command1 = nullptr;
  QMenu* m_newKinds = nullptr;
  int m_row = -1;
};

}  // namespace balvix::runtime
