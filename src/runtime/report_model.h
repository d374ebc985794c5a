#pragma once

#include <QAbstractTableModel>
#include <QFont>
#include <functional>

#include "documents/report_sheet.h"

namespace balvix::runtime {

using documents::CellStyle;
using documents::ReportCell;
using documents::ReportSection;
using documents::ReportSheet;

// The cells of a report sheet for a view. Rows appended to the sheet while a module runs
// reach the view in batches (publish()), so 100,000 rows cost no view update each.
class ReportModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  using QAbstractTableModel::QAbstractTableModel;

  ReportSheet& sheet() { return *m_sheet; }
  const ReportSheet& sheet() const { return *m_sheet; }
  // Shows a sheet kept elsewhere (a report engine's layout or output); null shows the
  // model's own.
  void view(ReportSheet* sheet);
  // Replaces the cells of the sheet shown.
  void setSheet(ReportSheet sheet);
  // Tells the view about the rows added to the sheet since the last call.
  void publish();
  // In design mode cells are editable and the grid shows spare rows and columns.
  void setEditable(bool on);
  void setBaseFont(const QFont& font) { m_font = font; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // Applies a change of style to the cells of a range (x = column, y = row).
  void changeStyle(const QRect& range, const std::function<void(CellStyle&)>& change);

  static constexpr int kSpareRows = 30;
  static constexpr int kSpareColumns = 10;

 private:
  // The output's column titles (documents::columnHeadings), once its heading rows are in.
  void findHeadings();

  ReportSheet m_own;
  QStringList m_headings;
  ReportSheet* m_sheet = &m_own;
  int m_published = 0;
  int m_columns = 0;
  bool m_editable = false;
  QFont m_font;
};

}  // namespace balvix::runtime
