#pragma once

#include <QAbstractTableModel>
#include <QDate>
#include <QString>
#include <vector>

#include "config/audit_trail.h"
#include "documents/list_export.h"

namespace balvix::storage {
class Session;
}

namespace balvix::documents {

// What the audit journal shows: records dated within the period (an invalid date leaves that
// end open) whose user, object and kind of event contain the texts given (letter case aside).
struct AuditFilter {
  QDate from;
  QDate to;
  QString user;
  QString object;
  QString event;
  bool operator==(const AuditFilter& other) const = default;
};

// The audit trail as a list, newest first. Rows are read in portions as the view scrolls to
// them, so a journal of millions of records opens as fast as one of a hundred.
class AuditJournalModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { Date, Time, User, Event, Object, Reference, Details, ColumnCount };
  static constexpr int kPortion = 256;

  AuditJournalModel(storage::Session& db, QObject* parent = nullptr);

  void setFilter(const AuditFilter& filter);
  const AuditFilter& filter() const { return m_filter; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  bool canFetchMore(const QModelIndex& parent) const override;
  void fetchMore(const QModelIndex& parent) override;

  const config::audit::Record& record(int row) const { return m_rows.at(std::size_t(row)); }
  // Every record the filter lets through, for the exports (not only those fetched).
  ListTable table() const;

 private:
  QString condition() const;
  // Reads up to `limit` records older than the last one read; false at the end.
  void read(int limit, std::vector<config::audit::Record>& into, qint64 below) const;

  storage::Session& m_db;
  AuditFilter m_filter;
  std::vector<config::audit::Record> m_rows;
  bool m_atEnd = false;
};

}  // namespace balvix::documents
