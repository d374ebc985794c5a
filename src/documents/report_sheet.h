#pragma once

#include <QColor>
#include <QHash>
#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace balvix::documents {

// How a report cell looks. Cells share their styles through the sheet's style table, so
// 100,000 output rows cost one index per cell, not a copy of the font.
struct CellStyle {
  bool bold = false;
  bool italic = false;
  int size = 0;  // points; 0 = the grid's font
  Qt::Alignment align = Qt::AlignLeft;
  QString borders;    // any of "l", "t", "r", "b"
  QColor background;  // invalid = none
  // A number in the cell shows this many decimals (-1: as many as the value has); a cell
  // with a number format that is filled with a number's text takes it as that number.
  int decimals = -1;
  bool blankZero = false;  // a zero is shown as an empty cell
  bool operator==(const CellStyle& other) const = default;
};

// What a cell holds for the exports: text, unless a module gave it a number or a date.
// It follows the value's type, not its looks: an account code "41.10" stays text.
enum class CellKind : std::uint8_t { Text, Number, Date };

// A value a module puts into the report: its text and what it is.
struct CellValue {
  QString text;
  CellKind kind = CellKind::Text;
  double number = 0;  // Number: the value; Date: days since 30.12.1899
  bool operator==(const CellValue& other) const = default;
};

// What a double click on a cell of the output opens (Отчет.Расшифровка): the report module's
// ПриРасшифровке is called with the value, or, when the cell names a stored document, that
// document's window opens. Nothing of it is shown, printed or exported.
struct CellDrill {
  CellValue value;
  QString documentKind;  // not empty: the cell names the document of this kind and key
  QString documentDate;  // dd.MM.yyyy
  QString documentTime;  // hh:mm:ss
  bool namesDocument() const { return !documentKind.isEmpty(); }
  bool operator==(const CellDrill& other) const = default;
};

struct ReportCell {
  QString text;
  int style = 0;  // index into ReportSheet::styles
  CellKind kind = CellKind::Text;
  double number = 0;  // as in CellValue
};

// What a cell shows on screen, on paper and in a PDF: a number thousands apart with its
// style's decimals (its own when the style names none), nothing for a zero whose style
// says so; any other cell its text. The cell's own text (what Ячейка reads) is unchanged.
QString shownText(const ReportCell& cell, const CellStyle& style);
// The decimals a number cell is written with: its style's, else the value's own.
int shownDecimals(const ReportCell& cell, const CellStyle& style);
// A number goes to the right unless its style places it otherwise.
Qt::Alignment shownAlignment(const ReportCell& cell, const CellStyle& style);
// A cell whose style has a number format and whose text reads as a number (as modules
// write amounts, «1 495 864,00» from FormatNumber too) becomes that number.
void takeNumberOfStyle(ReportCell& cell, const CellStyle& style);

// A range of rows with a name: what Вывести copies to the output.
struct ReportSection {
  QString name;
  int first = 0;
  int last = 0;
};

// The cells of a report, as designed (the layout) or as a module filled them (the
// output): rows of cells, merged ranges, column widths and row heights in pixels at 96 dpi,
// named sections, and the layout lines this program does not know, kept to be written back.
struct ReportSheet {
  int columns = 0;
  std::vector<std::vector<ReportCell>> rows;
  std::vector<int> rowHeights;  // 0 = default
  std::vector<int> columnWidths;
  std::vector<CellStyle> styles{CellStyle{}};
  QList<QRect> merges;  // x = column, y = row
  QList<ReportSection> sections;
  // Where each output row came from (its section name); empty in a layout.
  QStringList rowSections;
  QStringList unknownLines;
  // The drill-downs of the output's cells, by row and column; few cells carry one.
  QHash<quint64, CellDrill> drills;

  int rowCount() const { return static_cast<int>(rows.size()); }
  void resize(int rowCount, int columnCount);
  const ReportCell* cell(int row, int column) const;
  ReportCell& cellRef(int row, int column);  // grows the sheet as needed
  const CellStyle& style(int index) const;
  int styleIndex(const CellStyle& style);
  int columnWidth(int column) const;
  int rowHeight(int row) const;
  const ReportSection* section(const QString& name) const;  // letter case ignored
  // The drill-down of a cell (of the merged range's first cell for one inside it); null when
  // there is none. Setting null removes it.
  const CellDrill* drill(int row, int column) const;
  void setDrill(int row, int column, const CellDrill* drill);
  // Inserts an empty row before `at` or removes row `at`; merged ranges and sections
  // below move, those that span the place grow or shrink (and go when nothing is left).
  void insertRow(int at);
  void removeRow(int at);
  // The merged range that starts at or covers a cell; an empty rect when none does.
  QRect mergeAt(int row, int column) const;

  static constexpr int kDefaultColumnWidth = 100;
  static constexpr int kDefaultRowHeight = 22;
};

// The column titles of a report's output, for the header of its view: per column, the
// texts of its cells (or of the merged cell over it) in the first run of rows output from
// the section «Шапка», joined by ": " («Сальдо на начало: Дебет»). A cell across every column
// (the report's title) names no column. Empty titles where there are none.
QStringList columnHeadings(const ReportSheet& sheet);

// What a report may hold. A layout is drawn by hand and a report is read by a person, so no
// real one comes near these; they keep a damaged or hostile layout, or a module caught in a
// loop, from filling the memory and the disk.
namespace report_limits {
// Four times the 256 columns of the older spreadsheet format, and far wider than a page.
constexpr int kMaxColumns = 1024;
// Layout rows are drawn one by one in the designer; real layouts have tens of them.
constexpr int kMaxLayoutRows = 10'000;
// Вывести copies one section per call, so this bounds the work of a single call.
constexpr qint64 kMaxSectionCells = 100'000;
// Ten times the 100,000-row reports the program is measured with; a row costs some tens of
// bytes even when empty.
constexpr qint64 kMaxOutputRows = 1'000'000;
// Ten such rows of ten columns: at about 40 bytes a cell the output stays within a few
// hundred megabytes, and a file written of it within some tens.
constexpr qint64 kMaxOutputCells = 10'000'000;
}  // namespace report_limits

// The layout text: a first line "BalvixReport 1", then one line per fact, words
// separated by blanks, values escaped (\s blank, \n line break, \\ backslash):
//   columns 3
//   width 0 120
//   height 2 30
//   style 1 bold=1 italic=1 size=12 align=center borders=ltrb background=#ffeecc
//         decimals=2 zero=blank
//   cell 0 1 1 Товар          (row, column, style, text)
//   merge 0 0 1 3             (row, column, rows, columns)
//   section Шапка 0 1         (name, first and last row)
// Lines with another first word are kept as they are. A layout beyond report_limits is
// refused with the line that goes beyond them.
struct ReportLayoutText {
  static QString write(const ReportSheet& sheet);
  // nullopt and a message in Russian when the text is not a report layout.
  static std::optional<ReportSheet> read(const QString& text, QString* problem = nullptr);
  static QString escape(const QString& value);
  static QString unescape(const QString& value);
};

}  // namespace balvix::documents
