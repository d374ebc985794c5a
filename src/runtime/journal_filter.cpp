#include "runtime/journal_filter.h"

#include "runtime/journal.h"

namespace balvix::runtime {

void JournalFilterModel::setKind(const QString& kind) {
  if (kind == m_kind) return;
  m_kind = kind;
  // One layout change for the whole list, as the search does: removing every third row
  // range by range would cost the view a signal per gap.
  invalidate();
}

void JournalFilterModel::setState(State state) {
  if (state == m_state) return;
  m_state = state;
  invalidate();
}

bool JournalFilterModel::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const {
  const auto* journal = qobject_cast<const JournalModel*>(sourceModel());
  if (journal && sourceRow >= 0 && sourceRow < journal->size()) {
    const JournalRow& row = journal->at(sourceRow);
    if (!m_kind.isEmpty() && row.kind != m_kind) return false;
    if (m_state == State::Posted && !row.posted) return false;
    if (m_state == State::Draft && row.posted) return false;
  }
  return SearchFilterModel::filterAcceptsRow(sourceRow, sourceParent);
}

}  // namespace balvix::runtime
