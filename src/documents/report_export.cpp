#include "documents/report_export.h"

#include <xlsxwriter.h>

#include <QDate>
#include <QFile>
#include <QFont>
#include <QHash>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>
#include <algorithm>
#include <cmath>
#include <map>
#include <string>

#include "script/number_text.h"

namespace balvix::documents::report_export {

namespace {

const QString kHeaderSection = QStringLiteral("Шапка");
constexpr int kPadding = 3;

// What a spreadsheet set to Russian reads back as the same value: a number with a decimal
// comma and no blanks between its thousands (a grouped or a point-separated number is read
// as text, or as a date), with the decimals it shows; a date as dd.MM.yyyy; any other cell
// its text. A zero the report shows blank is written all the same: the file carries values,
// not looks.
QString csvText(const ReportCell& cell, const CellStyle& style) {
  if (cell.kind == CellKind::Number && std::isfinite(cell.number))
    return script::numberText(cell.number, shownDecimals(cell, style), false);
  if (cell.kind == CellKind::Date) {
    const QDate date = QDate(1899, 12, 30).addDays(static_cast<qint64>(cell.number));
    if (date.isValid()) return date.toString(QStringLiteral("dd.MM.yyyy"));
  }
  return cell.text;
}

QString csvField(const QString& text) {
  static const QRegularExpression special(QStringLiteral("[;\"\r\n]"));
  if (!text.contains(special)) return text;
  return QLatin1Char('"') + QString(text).replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
         QLatin1Char('"');
}

bool isHex(QChar c) {
  return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
}

// "_x0041_" in a workbook's text is the code of "A": such a text of the user's own gets its
// underscore coded, so that a reader gives back what was typed.
bool looksLikeCode(const QString& text, qsizetype at) {
  if (at + 7 > text.size() || text[at + 1] != u'x' || text[at + 6] != u'_') return false;
  for (qsizetype i = at + 2; i < at + 6; ++i)
    if (!isHex(text[i])) return false;
  return true;
}

struct XlsxText {
  QByteArray utf8;
  bool altered = false;
};

// The text as the workbook holds it. libxlsxwriter codes the control characters itself
// (all below U+0020 but tab and line feed) and counts the length of what it is given in
// characters, refusing more than kXlsxMaxText; NUL, U+FFFE, U+FFFF and lone surrogates,
// which no XML may hold, and literal codes are coded here.
XlsxText xlsxText(const QString& text) {
  XlsxText result;
  QString out;
  out.reserve(text.size());
  qsizetype length = 0;  // in characters, as the library counts
  qsizetype fits = -1;   // where a cut text ends, once it is known that one must be cut
  const qsizetype room = kXlsxMaxText - kXlsxCutMark.size();
  auto code = [](char16_t c) {
    return QStringLiteral("_x%1_").arg(
        QString::number(static_cast<uint>(c), 16).toUpper().rightJustified(4, u'0'));
  };
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    const qsizetype before = out.size();
    const qsizetype lengthBefore = length;
    if (c == u'_' && looksLikeCode(text, i)) {
      out += QStringLiteral("_x005F_");
      length += 7;
    } else if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
      out += c;
      out += text[++i];
      length += 1;
    } else if (c.unicode() == 0 || c.unicode() == 0xFFFE || c.unicode() == 0xFFFF ||
               c.isSurrogate()) {
      out += code(c.unicode());
      length += 7;
      result.altered = true;
    } else {
      if (c.unicode() < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') result.altered = true;
      out += c;
      length += 1;
    }
    if (fits < 0 && length > room && lengthBefore <= room) fits = before;
  }
  if (length > kXlsxMaxText) {
    out.truncate(fits);
    out += kXlsxCutMark;
    result.altered = true;
  }
  result.utf8 = out.toUtf8();
  return result;
}

QFont cellFont(const CellStyle& s, const QFont& base) {
  QFont f = base;
  f.setBold(s.bold);
  f.setItalic(s.italic);
  if (s.size > 0) f.setPointSize(s.size);
  return f;
}

}  // namespace

QString writeCsv(const ReportSheet& sheet, const QString& path) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly))
    return QStringLiteral("Не удалось создать файл «%1»: %2").arg(path, file.errorString());
  QByteArray out("\xEF\xBB\xBF");
  QStringList fields;
  for (int r = 0; r < sheet.rowCount(); ++r) {
    fields.clear();
    for (int c = 0; c < sheet.columns; ++c) {
      const ReportCell* cell = sheet.cell(r, c);
      fields << (cell ? csvField(csvText(*cell, sheet.style(cell->style))) : QString());
    }
    out += fields.join(QLatin1Char(';')).toUtf8();
    out += "\r\n";
    if (out.size() > (1 << 20)) {
      file.write(out);
      out.clear();
    }
  }
  file.write(out);
  if (!file.commit())
    return QStringLiteral("Не удалось записать файл «%1»: %2").arg(path, file.errorString());
  return {};
}

QString xlsxAlteredNote(int alteredCells) {
  if (alteredCells <= 0) return {};
  return QStringLiteral(
             "Изменено ячеек в книге Excel: %1 (символы, которых не может быть в "
             "книге, записаны кодами _xHHHH_; тексты длиннее %2 символов обрезаны).")
      .arg(alteredCells)
      .arg(kXlsxMaxText);
}

QString writeXlsx(const ReportSheet& sheet, const QString& path, const QString& title,
                  int* alteredCells) {
  int altered = 0;
  const QByteArray file = QFile::encodeName(path);
  lxw_workbook* book = workbook_new(file.constData());
  if (!book) return QStringLiteral("Не удалось создать файл «%1».").arg(path);
  QString name = title.isEmpty() ? QStringLiteral("Отчет") : title;
  static const QRegularExpression forbidden(QStringLiteral("[\\[\\]:*?/\\\\]"));
  name.replace(forbidden, QStringLiteral("_"));
  lxw_worksheet* ws = workbook_add_worksheet(book, name.left(31).toUtf8().constData());
  // One format per style, the same with a date number format, and per style the number
  // formats its numbers need (by decimals), made when a cell first asks for one.
  auto makeFormat = [&](const CellStyle& s, const std::string& numberFormat) {
    lxw_format* f = workbook_add_format(book);
    if (s.bold) format_set_bold(f);
    if (s.italic) format_set_italic(f);
    if (s.size > 0) format_set_font_size(f, s.size);
    if (s.align & Qt::AlignHCenter) format_set_align(f, LXW_ALIGN_CENTER);
    if (s.align & Qt::AlignRight) format_set_align(f, LXW_ALIGN_RIGHT);
    if (s.borders.contains(QLatin1Char('l'))) format_set_left(f, LXW_BORDER_THIN);
    if (s.borders.contains(QLatin1Char('t'))) format_set_top(f, LXW_BORDER_THIN);
    if (s.borders.contains(QLatin1Char('r'))) format_set_right(f, LXW_BORDER_THIN);
    if (s.borders.contains(QLatin1Char('b'))) format_set_bottom(f, LXW_BORDER_THIN);
    if (s.background.isValid())
      format_set_bg_color(f, static_cast<lxw_color_t>(s.background.rgb() & 0xFFFFFF));
    format_set_text_wrap(f);
    if (!numberFormat.empty()) format_set_num_format(f, numberFormat.c_str());
    return f;
  };
  std::vector<lxw_format*> formats(sheet.styles.size(), nullptr),
      dateFormats(sheet.styles.size(), nullptr);
  for (std::size_t i = 0; i < sheet.styles.size(); ++i) {
    formats[i] = makeFormat(sheet.styles[i], {});
    dateFormats[i] = makeFormat(sheet.styles[i], "dd.mm.yyyy");
  }
  std::map<std::pair<std::size_t, int>, lxw_format*> numberFormats;
  auto numberFormat = [&](std::size_t style, const ReportCell& cell) {
    const CellStyle& s = sheet.styles[style];
    const int decimals = shownDecimals(cell, s);
    lxw_format*& f = numberFormats[{style, decimals}];
    if (!f) {
      // Thousands apart and the decimals the screen shows; the spreadsheet writes them
      // with the reader's own separators.
      std::string code = "#,##0";
      if (decimals > 0) code += "." + std::string(static_cast<std::size_t>(decimals), '0');
      if (s.blankZero) code = code + ";-" + code + ";";
      CellStyle placed = s;
      placed.align = shownAlignment(cell, s);
      f = makeFormat(placed, code);
    }
    return f;
  };
  auto write = [&](int r, int c, const ReportCell& cell) {
    const auto row = static_cast<lxw_row_t>(r);
    const auto col = static_cast<lxw_col_t>(c);
    const std::size_t style = static_cast<std::size_t>(
        std::clamp(cell.style, 0, static_cast<int>(sheet.styles.size()) - 1));
    // The cell's type is the type of the value the module gave it.
    if (cell.kind == CellKind::Number && std::isfinite(cell.number)) {
      worksheet_write_number(ws, row, col, cell.number, numberFormat(style, cell));
    } else if (cell.kind == CellKind::Date) {
      const double days = std::floor(cell.number);
      const QDate d = QDate(1899, 12, 30).addDays(static_cast<qint64>(days));
      const QTime t =
          QTime(0, 0).addSecs(static_cast<int>(std::lround((cell.number - days) * 86400)));
      lxw_datetime dt{d.year(), d.month(),  d.day(),
                      t.hour(), t.minute(), static_cast<double>(t.second())};
      worksheet_write_datetime(ws, row, col, &dt, dateFormats[style]);
    } else if (!cell.text.isEmpty() || style != 0) {
      const XlsxText text = xlsxText(cell.text);
      if (text.altered) ++altered;
      worksheet_write_string(ws, row, col, text.utf8.constData(), formats[style]);
    }
  };
  for (int c = 0; c < sheet.columns; ++c)
    worksheet_set_column(ws, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c),
                         sheet.columnWidth(c) / 7.0, nullptr);
  for (int r = 0; r < static_cast<int>(sheet.rowHeights.size()); ++r)
    if (sheet.rowHeights[static_cast<std::size_t>(r)] > 0)
      worksheet_set_row(ws, static_cast<lxw_row_t>(r),
                        sheet.rowHeights[static_cast<std::size_t>(r)] * 0.75, nullptr);
  for (const QRect& m : sheet.merges) {
    const ReportCell* first = sheet.cell(m.y(), m.x());
    const std::size_t style = first
                                  ? static_cast<std::size_t>(std::clamp(
                                        first->style, 0, static_cast<int>(sheet.styles.size()) - 1))
                                  : 0;
    worksheet_merge_range(ws, static_cast<lxw_row_t>(m.top()), static_cast<lxw_col_t>(m.left()),
                          static_cast<lxw_row_t>(m.bottom()), static_cast<lxw_col_t>(m.right()), "",
                          formats[style]);
  }
  for (int r = 0; r < sheet.rowCount(); ++r) {
    const auto& row = sheet.rows[static_cast<std::size_t>(r)];
    for (int c = 0; c < static_cast<int>(row.size()); ++c)
      write(r, c, row[static_cast<std::size_t>(c)]);
  }
  if (alteredCells) *alteredCells = altered;
  const lxw_error error = workbook_close(book);
  if (error != LXW_NO_ERROR)
    return QStringLiteral("Не удалось записать файл «%1»: %2")
        .arg(path, QString::fromUtf8(lxw_strerror(error)));
  return {};
}

bool wantsLandscape(const ReportSheet& sheet) {
  int width = 0;
  for (int c = 0; c < sheet.columns; ++c) width += sheet.columnWidth(c);
  // A4 portrait at 96 dpi less margins of 15 mm on each side.
  return width > 680;
}

int paint(const ReportSheet& sheet, QPagedPaintDevice& device, QPainter& painter,
          const QString& title) {
  const QRectF page = device.pageLayout().paintRectPixels(device.logicalDpiX());
  const double unit = device.logicalDpiX() / 96.0;
  int total = 0;
  for (int c = 0; c < sheet.columns; ++c) total += sheet.columnWidth(c);
  const double scale = total * unit > page.width() ? page.width() / total : unit;
  std::vector<double> left(static_cast<std::size_t>(sheet.columns) + 1, 0.0);
  for (int c = 0; c < sheet.columns; ++c)
    left[static_cast<std::size_t>(c) + 1] =
        left[static_cast<std::size_t>(c)] + sheet.columnWidth(c) * scale;
  const QFont base(QStringLiteral("DejaVu Sans"), 9);
  const double footer = 24 * unit;
  const double usable = page.height() - footer;

  // The runs of rows output from "Шапка": a page that starts below one repeats the last
  // such run above it (the column titles of a report, or of an invoice's table under its
  // title). A run taller than half a page is not repeated.
  std::vector<std::pair<int, int>> headerRuns;  // first row, end row
  const int sectioned = std::min<int>(sheet.rowCount(), static_cast<int>(sheet.rowSections.size()));
  for (int r = 0; r < sectioned; ++r) {
    if (sheet.rowSections[r] != kHeaderSection) continue;
    if (!headerRuns.empty() && headerRuns.back().second == r)
      headerRuns.back().second = r + 1;
    else
      headerRuns.emplace_back(r, r + 1);
  }
  auto runHeight = [&](const std::pair<int, int>& run) {
    double h = 0;
    for (int r = run.first; r < run.second; ++r) h += sheet.rowHeight(r) * scale;
    return h;
  };
  std::erase_if(headerRuns, [&](const auto& run) { return runHeight(run) > usable / 2; });
  // The run a page starting at `row` repeats; -1 for none.
  auto repeatedRun = [&](int row) {
    int found = -1;
    for (int i = 0; i < static_cast<int>(headerRuns.size()) && headerRuns[i].second <= row; ++i)
      found = i;
    return found;
  };

  // Page breaks first, so that every page can say how many there are.
  struct Page {
    int first = 0;
    int end = 0;
    int header = -1;  // index into headerRuns
  };
  std::vector<Page> pages;
  int row = 0;
  while (row < sheet.rowCount() || pages.empty()) {
    const int header = pages.empty() ? -1 : repeatedRun(row);
    double y = header >= 0 ? runHeight(headerRuns[static_cast<std::size_t>(header)]) : 0;
    const int first = row;
    while (row < sheet.rowCount() && (row == first || y + sheet.rowHeight(row) * scale <= usable))
      y += sheet.rowHeight(row++) * scale;
    pages.push_back({first, row, header});
    if (sheet.rowCount() == 0) break;
  }

  // Merged ranges by their first cell, and the cells they cover: one lookup per cell
  // even when every output row has a merge of its own.
  auto key = [](int r, int c) { return (static_cast<quint64>(r) << 20) | static_cast<quint64>(c); };
  QHash<quint64, QRect> mergeStarts;
  QSet<quint64> covered;
  for (const QRect& m : sheet.merges) {
    mergeStarts.insert(key(m.y(), m.x()), m);
    for (int r = m.top(); r <= m.bottom(); ++r)
      for (int c = m.left(); c <= m.right(); ++c)
        if (r != m.y() || c != m.x()) covered.insert(key(r, c));
  }
  auto paintRow = [&](int r, double y) {
    const double h = sheet.rowHeight(r) * scale;
    for (int c = 0; c < sheet.columns; ++c) {
      if (covered.contains(key(r, c))) continue;
      const QRect m = mergeStarts.value(key(r, c));
      double w = left[static_cast<std::size_t>(c) + 1] - left[static_cast<std::size_t>(c)];
      double cellHeight = h;
      if (!m.isNull()) {
        w = left[static_cast<std::size_t>(std::min(m.right() + 1, sheet.columns))] -
            left[static_cast<std::size_t>(c)];
        for (int k = r + 1; k <= m.bottom() && k < sheet.rowCount(); ++k)
          cellHeight += sheet.rowHeight(k) * scale;
      }
      const ReportCell* cell = sheet.cell(r, c);
      if (!cell) continue;
      const CellStyle& s = sheet.style(cell->style);
      const QRectF box(page.left() + left[static_cast<std::size_t>(c)], y, w, cellHeight);
      if (s.background.isValid()) painter.fillRect(box, s.background);
      if (!s.borders.isEmpty()) {
        painter.setPen(QPen(Qt::black, unit));
        if (s.borders.contains(QLatin1Char('l'))) painter.drawLine(box.topLeft(), box.bottomLeft());
        if (s.borders.contains(QLatin1Char('t'))) painter.drawLine(box.topLeft(), box.topRight());
        if (s.borders.contains(QLatin1Char('r')))
          painter.drawLine(box.topRight(), box.bottomRight());
        if (s.borders.contains(QLatin1Char('b')))
          painter.drawLine(box.bottomLeft(), box.bottomRight());
      }
      const QString shown = shownText(*cell, s);
      if (shown.isEmpty()) continue;
      QFont f = cellFont(s, base);
      f.setPointSizeF(f.pointSizeF() * scale / unit);
      painter.setFont(f);
      painter.setPen(Qt::black);
      painter.drawText(
          box.adjusted(kPadding * scale, 0, -kPadding * scale, 0),
          static_cast<int>(shownAlignment(*cell, s) | Qt::AlignVCenter) | Qt::TextWordWrap, shown);
    }
    return y + h;
  };

  const int count = static_cast<int>(pages.size());
  for (int p = 0; p < count; ++p) {
    if (p > 0) device.newPage();
    double y = page.top();
    const Page& at = pages[static_cast<std::size_t>(p)];
    if (at.header >= 0)
      for (int r = headerRuns[static_cast<std::size_t>(at.header)].first;
           r < headerRuns[static_cast<std::size_t>(at.header)].second; ++r)
        y = paintRow(r, y);
    for (int r = at.first; r < at.end; ++r) y = paintRow(r, y);
    painter.setFont(base);
    painter.setPen(Qt::black);
    const QRectF foot(page.left(), page.top() + usable, page.width(), footer);
    painter.drawText(foot, Qt::AlignLeft | Qt::AlignBottom, title);
    painter.drawText(foot, Qt::AlignRight | Qt::AlignBottom,
                     QStringLiteral("Страница %1 из %2").arg(p + 1).arg(count));
  }
  return count;
}

QString writePdf(const ReportSheet& sheet, const QString& path, const QString& title) {
  QPdfWriter writer(path);
  writer.setTitle(title);
  writer.setCreator(QStringLiteral("Balvix"));
  writer.setResolution(96);
  writer.setPageLayout(
      QPageLayout(QPageSize(QPageSize::A4),
                  wantsLandscape(sheet) ? QPageLayout::Landscape : QPageLayout::Portrait,
                  QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter));
  QPainter painter;
  if (!painter.begin(&writer)) return QStringLiteral("Не удалось создать файл «%1».").arg(path);
  paint(sheet, writer, painter, title);
  if (!painter.end()) return QStringLiteral("Не удалось записать файл «%1».").arg(path);
  if (!QFile::exists(path)) return QStringLiteral("Не удалось записать файл «%1».").arg(path);
  return {};
}

}  // namespace balvix::documents::report_export
