#pragma once

#include <QString>

#include "runtime/list_search.h"

namespace balvix::runtime {

// The rows of a journal the user asked for: of one kind or of all, posted, drafts or both,
// and containing the search text. The kind and the state are read from the journal's own
// rows in memory, so that a change of filter costs no query even on 100,000 documents.
class JournalFilterModel : public SearchFilterModel {
  Q_OBJECT

 public:
  enum class State { All, Posted, Draft };

  using SearchFilterModel::SearchFilterModel;

  // The internal name of the kind shown; empty for every kind.
  void setKind(const QString& kind);
  const QString& kind() const { return m_kind; }
  void setState(State state);
  State state() const { return m_state; }

 protected:
  bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

 private:
  QString m_kind;
  State m_state = State::All;
};

}  // namespace balvix::runtime
