#include "runtime/list_search.h"

#include <QAbstractItemView>
#include <QAction>
#include <QKeyEvent>

namespace balvix::runtime {

QString foldForSearch(const QString& text) {
  QString folded = text.toLower();
  folded.replace(u'ё', u'е');
  return folded;
}

void SearchFilterModel::setSourceModel(QAbstractItemModel* source) {
  if (sourceModel()) disconnect(sourceModel(), nullptr, this, nullptr);
  m_folded.clear();
  m_stale = true;
  // Connected before the proxy's own handlers, so that the cache is right when the proxy
  // asks about the changed rows.
  if (source) {
    const auto stale = [this] {
      m_stale = true;
      m_folded.clear();
    };
    connect(source, &QAbstractItemModel::modelAboutToBeReset, this, stale);
    connect(source, &QAbstractItemModel::layoutAboutToBeChanged, this, stale);
    connect(source, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex& parent, int first, int last) {
              if (m_stale || parent.isValid()) return;
              std::vector<QString> added;
              for (int r = first; r <= last; ++r) added.push_back(foldedRow(r));
              m_folded.insert(m_folded.begin() + first, added.begin(), added.end());
            });
    connect(source, &QAbstractItemModel::rowsRemoved, this,
            [this](const QModelIndex& parent, int first, int last) {
              if (m_stale || parent.isValid()) return;
              m_folded.erase(m_folded.begin() + first, m_folded.begin() + last + 1);
            });
    connect(source, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& from, const QModelIndex& to) {
              if (m_stale) return;
              for (int r = from.row(); r <= to.row(); ++r)
                if (r >= 0 && r < static_cast<int>(m_folded.size()))
                  m_folded[static_cast<std::size_t>(r)] = foldedRow(r);
            });
  }
  QSortFilterProxyModel::setSourceModel(source);
}

void SearchFilterModel::sort(int column, Qt::SortOrder order) {
  if (!m_sortsInSource) {
    QSortFilterProxyModel::sort(column, order);
    return;
  }
  if (sourceModel() && column >= 0) sourceModel()->sort(column, order);
}

void SearchFilterModel::setSearchText(const QString& text) {
  const QString needle = foldForSearch(text.trimmed());
  if (needle == m_needle) return;
  m_needle = needle;
  if (!m_needle.isEmpty() && m_stale) rebuild();
  // One layout change for the whole list: removing rows range by range would cost the view
  // a signal per gap.
  invalidate();
}

bool SearchFilterModel::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const {
  if (m_needle.isEmpty() || sourceParent.isValid()) return true;
  if (!m_stale && sourceRow < static_cast<int>(m_folded.size()))
    return m_folded[static_cast<std::size_t>(sourceRow)].contains(m_needle);
  return foldedRow(sourceRow).contains(m_needle);
}

QString SearchFilterModel::foldedRow(int sourceRow) const {
  const QAbstractItemModel* source = sourceModel();
  QString row;
  for (int c = 0; c < source->columnCount(); ++c) {
    if (c > 0) row += u'\n';
    row += source->index(sourceRow, c).data(Qt::DisplayRole).toString();
  }
  return foldForSearch(row);
}

void SearchFilterModel::rebuild() {
  const int rows = sourceModel() ? sourceModel()->rowCount() : 0;
  m_folded.clear();
  m_folded.reserve(static_cast<std::size_t>(rows));
  for (int r = 0; r < rows; ++r) m_folded.push_back(foldedRow(r));
  m_stale = false;
}

ListSearchField::ListSearchField(SearchFilterModel* filter, QAbstractItemView* list,
                                 QWidget* parent)
    : QLineEdit(parent), m_list(list) {
  setObjectName(QStringLiteral("Search"));
  setPlaceholderText(QStringLiteral("Поиск"));
  setAccessibleName(QStringLiteral("Поиск"));
  setToolTip(QStringLiteral("Поиск по всем колонкам (Ctrl+F)"));
  setClearButtonEnabled(true);
  connect(this, &QLineEdit::textChanged, filter, &SearchFilterModel::setSearchText);
}

void ListSearchField::installShortcut(QWidget* window) {
  auto* find = new QAction(window);
  find->setShortcut(QKeySequence::Find);
  find->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  window->addAction(find);
  connect(find, &QAction::triggered, this, [this] {
    setFocus(Qt::ShortcutFocusReason);
    selectAll();
  });
}

bool ListSearchField::event(QEvent* event) {
  // Esc with a text clears it here instead of reaching a window's own Esc.
  if (event->type() == QEvent::ShortcutOverride) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Escape && !text().isEmpty()) {
      event->accept();
      return true;
    }
  }
  return QLineEdit::event(event);
}

void ListSearchField::keyPressEvent(QKeyEvent* event) {
  QAbstractItemModel* rows = m_list->model();
  switch (event->key()) {
    case Qt::Key_Escape:
      if (text().isEmpty()) break;
      clear();
      return;
    case Qt::Key_Down:
    case Qt::Key_Return:
    case Qt::Key_Enter: {
      if (rows->rowCount() == 0) return;
      QModelIndex current = m_list->currentIndex();
      if (!current.isValid()) {
        current = rows->index(0, 0);
        m_list->setCurrentIndex(current);
      }
      m_list->setFocus(Qt::OtherFocusReason);
      if (event->key() != Qt::Key_Down) emit m_list->activated(current);
      return;
    }
    default:
      break;
  }
  QLineEdit::keyPressEvent(event);
}

}  // namespace balvix::runtime
