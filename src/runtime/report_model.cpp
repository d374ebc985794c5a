#include "runtime/report_model.h"

namespace balvix::runtime {

void ReportModel::view(ReportSheet* sheet) {
  beginResetModel();
  m_sheet = sheet ? sheet : &m_own;
  m_published = m_sheet->rowCount();
  m_columns = m_sheet->columns;
  findHeadings();
  endResetModel();
}

void ReportModel::setSheet(ReportSheet sheet) {
  beginResetModel();
  *m_sheet = std::move(sheet);
  m_published = m_sheet->rowCount();
  m_columns = m_sheet->columns;
  findHeadings();
  endResetModel();
}

void ReportModel::findHeadings() {
  const QStringList before = m_headings;
  // A layout being designed is addressed by column numbers, as Ячейка counts them.
  m_headings = m_editable ? QStringList() : documents::columnHeadings(*m_sheet);
  if (m_headings != before && m_columns > 0)
    emit headerDataChanged(Qt::Horizontal, 0, m_columns - 1);
}

void ReportModel::publish() {
  // The headings change only while the first rows come: a long report pays nothing more.
  const bool early = m_published < 64 || m_sheet->columns > m_columns;
  const int rows = m_sheet->rowCount();
  if (m_sheet->columns > m_columns && !m_editable) {
    beginInsertColumns({}, m_columns, m_sheet->columns - 1);
    m_columns = m_sheet->columns;
    endInsertColumns();
  }
  if (rows > m_published && !m_editable) {
    beginInsertRows({}, m_published, rows - 1);
    m_published = rows;
    endInsertRows();
  } else if (rows != m_published || m_sheet->columns != m_columns) {
    beginResetModel();
    m_published = rows;
    m_columns = m_sheet->columns;
    endResetModel();
  }
  if (early) findHeadings();
}

void ReportModel::setEditable(bool on) {
  beginResetModel();
  m_editable = on;
  findHeadings();
  endResetModel();
}

int ReportModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  return m_editable ? m_published + kSpareRows : m_published;
}

int ReportModel::columnCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  return m_editable ? m_columns + kSpareColumns : m_columns;
}

QVariant ReportModel::data(const QModelIndex& index, int role) const {
  const ReportCell* cell = m_sheet->cell(index.row(), index.column());
  switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
      return cell ? shownText(*cell, m_sheet->style(cell->style)) : QString();
    case Qt::EditRole:
      return cell ? cell->text : QString();
    case Qt::ToolTipRole:
    case Qt::AccessibleDescriptionRole:
      // A cell that opens what makes it says so, to the eye and to a screen reader.
      if (const documents::CellDrill* drill = m_sheet->drill(index.row(), index.column()))
        return drill->namesDocument()
                   ? QStringLiteral("Двойной щелчок или Enter открывает документ")
                   : QStringLiteral("Двойной щелчок или Enter открывает расшифровку");
      return {};
    default:
      break;
  }
  if (!cell)
    return role == Qt::TextAlignmentRole ? QVariant(int(Qt::AlignLeft | Qt::AlignVCenter))
                                         : QVariant();
  const CellStyle& s = m_sheet->style(cell->style);
  if (role == Qt::TextAlignmentRole) return int(shownAlignment(*cell, s) | Qt::AlignVCenter);
  if (cell->style == 0) return QVariant();
  switch (role) {
    case Qt::FontRole: {
      QFont f = m_font;
      f.setBold(s.bold);
      f.setItalic(s.italic);
      if (s.size > 0) f.setPointSize(s.size);
      return f;
    }
    case Qt::BackgroundRole:
      return s.background.isValid() ? QVariant(s.background) : QVariant();
    default:
      return {};
  }
}

bool ReportModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::EditRole || !index.isValid()) return false;
  const int rowsBefore = m_sheet->rowCount();
  const int columnsBefore = m_sheet->columns;
  m_sheet->cellRef(index.row(), index.column()).text = value.toString();
  if (m_sheet->rowCount() != rowsBefore || m_sheet->columns != columnsBefore) {
    // Typing into a spare cell makes the sheet larger; the spares move along.
    beginResetModel();
    m_published = m_sheet->rowCount();
    m_columns = m_sheet->columns;
    endResetModel();
  } else {
    emit dataChanged(index, index);
  }
  return true;
}

Qt::ItemFlags ReportModel::flags(const QModelIndex& index) const {
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (m_editable && index.isValid()) f |= Qt::ItemIsEditable;
  return f;
}

QVariant ReportModel::headerData(int section, Qt::Orientation orientation, int role) const {
  // A report's own column titles name its header cells for screen readers and in the
  // tool tip; the header itself shows the numbers Ячейка counts by, under the report's own
  // title rows.
  if (orientation == Qt::Horizontal &&
      (role == Qt::AccessibleTextRole || role == Qt::ToolTipRole) &&
      !m_headings.value(section).isEmpty())
    return m_headings[section];
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Vertical) {
    // The section a layout row belongs to shows beside its number.
    for (const ReportSection& s : m_sheet->sections)
      if (section >= s.first && section <= s.last)
        return QStringLiteral("%1 %2").arg(section + 1).arg(s.name);
    return section + 1;
  }
  // Columns are numbered as Ячейка counts them.
  return section + 1;
}

void ReportModel::changeStyle(const QRect& range, const std::function<void(CellStyle&)>& change) {
  if (!range.isValid()) return;
  for (int r = range.top(); r <= range.bottom(); ++r)
    for (int c = range.left(); c <= range.right(); ++c) {
      ReportCell& cell = m_sheet->cellRef(r, c);
      CellStyle s = m_sheet->style(cell.style);
      change(s);
      cell.style = m_sheet->styleIndex(s);
    }
  beginResetModel();
  m_published = m_sheet->rowCount();
  m_columns = m_sheet->columns;
  endResetModel();
}

}  // namespace balvix::runtime
