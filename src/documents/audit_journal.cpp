#include "documents/audit_journal.h"

#include "storage/row_guards.h"
#include "storage/session.h"
#include "storage/sql_text.h"

namespace balvix::documents {

namespace {

using storage::quote;

QString headerText(int column) {
  switch (column) {
    case AuditJournalModel::Date:
      return QStringLiteral("Дата");
    case AuditJournalModel::Time:
      return QStringLiteral("Время");
    case AuditJournalModel::User:
      return QStringLiteral("Пользователь");
    case AuditJournalModel::Event:
      return QStringLiteral("Событие");
    case AuditJournalModel::Object:
      return QStringLiteral("Объект");
    case AuditJournalModel::Reference:
      return QStringLiteral("Ссылка");
    case AuditJournalModel::Details:
      return QStringLiteral("Подробности");
    default:
      return QString();
  }
}

QString cell(const config::audit::Record& r, int column) {
  switch (column) {
    case AuditJournalModel::Date:
      return r.date;
    case AuditJournalModel::Time:
      return r.time;
    case AuditJournalModel::User:
      return r.user;
    case AuditJournalModel::Event:
      return r.event;
    case AuditJournalModel::Object:
      return r.object;
    case AuditJournalModel::Reference:
      return r.reference;
    case AuditJournalModel::Details:
      return r.details;
    default:
      return QString();
  }
}

// "instr(lower(column), 'text')>0": SQLite lowers only ASCII, so both sides are lowered by the
// program where it can and the column is compared in both spellings of its first letter.
QString contains(const QString& column, const QString& text) {
  const QString t = text.trimmed();
  if (t.isEmpty()) return QString();
  return QStringLiteral("(instr(%1,%2)>0 OR instr(%1,%3)>0 OR instr(%1,%4)>0)")
      .arg(column, quote(t), quote(t.toLower()), quote(t.left(1).toUpper() + t.mid(1).toLower()));
}

}  // namespace

AuditJournalModel::AuditJournalModel(storage::Session& db, QObject* parent)
    : QAbstractTableModel(parent), m_db(db) {
  setFilter({});
}

QString AuditJournalModel::condition() const {
  QStringList parts;
  const QString day = storage::sortableDate(QStringLiteral("Дата"));
  if (m_filter.from.isValid())
    parts << day + QStringLiteral(">=") + quote(m_filter.from.toString(QStringLiteral("yyyyMMdd")));
  if (m_filter.to.isValid())
    parts << day + QStringLiteral("<=") + quote(m_filter.to.toString(QStringLiteral("yyyyMMdd")));
  for (const auto& [column, text] : {std::pair{QStringLiteral("Пользователь"), m_filter.user},
                                     {QStringLiteral("Объект"), m_filter.object},
                                     {QStringLiteral("Событие"), m_filter.event}})
    if (const QString c = contains(column, text); !c.isEmpty()) parts << c;
  return parts.join(QStringLiteral(" AND "));
}

void AuditJournalModel::read(int limit, std::vector<config::audit::Record>& into,
                             qint64 below) const {
  if (!m_db.tableExists(config::audit::auditTable())) return;
  QString where = condition();
  if (below > 0)
    where = (where.isEmpty() ? QString() : where + QStringLiteral(" AND ")) +
            QStringLiteral("Номер<") + QString::number(below);
  const QString sql = QStringLiteral("SELECT ") + config::audit::auditColumns().join(u',') +
                      QStringLiteral(" FROM ") + config::audit::auditTable() +
                      (where.isEmpty() ? QString() : QStringLiteral(" WHERE ") + where) +
                      QStringLiteral(" ORDER BY Номер DESC") +
                      (limit > 0 ? QStringLiteral(" LIMIT ") + QString::number(limit) : QString());
  m_db.forEachRow(sql, [&](const storage::RowView& row) {
    const auto text = [&](int c) {
      const std::string_view v = row.text(c);
      return QString::fromUtf8(v.data(), static_cast<qsizetype>(v.size()));
    };
    config::audit::Record r;
    r.number = text(0).toLongLong();
    r.date = text(1);
    r.time = text(2);
    r.user = text(3);
    r.event = text(4);
    r.object = text(5);
    r.reference = text(6);
    r.details = text(7);
    r.previousHash = text(8);
    r.hash = text(9);
    into.push_back(std::move(r));
  });
}

void AuditJournalModel::setFilter(const AuditFilter& filter) {
  beginResetModel();
  m_filter = filter;
  m_rows.clear();
  m_atEnd = false;
  read(kPortion, m_rows, 0);
  m_atEnd = m_rows.size() < static_cast<std::size_t>(kPortion);
  endResetModel();
}

int AuditJournalModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int AuditJournalModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : ColumnCount;
}

QVariant AuditJournalModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const config::audit::Record& r = m_rows[static_cast<std::size_t>(index.row())];
  if (role == Qt::DisplayRole) {
    const QString text = cell(r, index.column());
    // The list shows a long text's first line; the whole of it is below the list.
    return index.column() == Details ? text.section(u'\n', 0, 0) : text;
  }
  if (role == Qt::ToolTipRole && index.column() == Details) return r.details;
  if (role == Qt::AccessibleTextRole) return cell(r, index.column());
  return {};
}

QVariant AuditJournalModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal && (role == Qt::DisplayRole || role == Qt::AccessibleTextRole))
    return headerText(section);
  return QAbstractTableModel::headerData(section, orientation, role);
}

bool AuditJournalModel::canFetchMore(const QModelIndex& parent) const {
  return !parent.isValid() && !m_atEnd;
}

void AuditJournalModel::fetchMore(const QModelIndex& parent) {
  if (parent.isValid() || m_atEnd) return;
  std::vector<config::audit::Record> more;
  read(kPortion, more, m_rows.empty() ? 0 : m_rows.back().number);
  m_atEnd = more.size() < static_cast<std::size_t>(kPortion);
  if (more.empty()) return;
  const int first = rowCount();
  beginInsertRows({}, first, first + static_cast<int>(more.size()) - 1);
  for (auto& r : more) m_rows.push_back(std::move(r));
  endInsertRows();
}

ListTable AuditJournalModel::table() const {
  ListTable out;
  out.title = QStringLiteral("Журнал регистрации");
  for (int c = 0; c < ColumnCount; ++c) out.headers << headerText(c);
  std::vector<config::audit::Record> all;
  read(0, all, 0);
  out.rows.reserve(all.size());
  for (const config::audit::Record& r : all) {
    QStringList row;
    for (int c = 0; c < ColumnCount; ++c) row << cell(r, c);
    out.rows.push_back(std::move(row));
  }
  out.loadsBack = false;
  return out;
}

}  // namespace balvix::documents
