#pragma once

#include <QLineEdit>
#include <QSortFilterProxyModel>
#include <QString>
#include <vector>

class QAbstractItemView;

namespace balvix::runtime {

// A text as the search compares it: lower case, «ё» read as «е».
QString foldForSearch(const QString& text);

// The rows of a list that contain the search text in any column, case and «ё/е» ignored.
// Each source row's folded text is kept, so that a keystroke only compares texts: on a
// catalog of 100,000 elements a new query per keystroke would be too slow. The cache
// follows the source's changes; it is rebuilt lazily after a reset or a reordering.
class SearchFilterModel : public QSortFilterProxyModel {
  Q_OBJECT

 public:
  using QSortFilterProxyModel::QSortFilterProxyModel;

  void setSourceModel(QAbstractItemModel* source) override;
  // The source reorders its own rows (it knows its columns' types and keeps their keys);
  // the proxy then only filters, which keeps each keystroke free of sorting.
  void setSortsInSource(bool on) { m_sortsInSource = on; }
  void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

  const QString& searchText() const { return m_needle; }
  void setSearchText(const QString& text);

 protected:
  bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

 private:
  QString foldedRow(int sourceRow) const;
  void rebuild();

  QString m_needle;  // folded
  std::vector<QString> m_folded;
  bool m_stale = true;
  bool m_sortsInSource = false;
};

// The search field above a list: filters as the user types, Esc clears it, Down and Enter
// go on to the list (Enter opens or chooses the current row, the first when none is).
class ListSearchField : public QLineEdit {
  Q_OBJECT

 public:
  ListSearchField(SearchFilterModel* filter, QAbstractItemView* list, QWidget* parent);
  // Ctrl+F anywhere in `window` puts the focus here, with the text selected.
  void installShortcut(QWidget* window);

 protected:
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QAbstractItemView* m_list;
};

}  // namespace balvix::runtime
