#include "documents/report_sheet.h"

#include <algorithm>
#include <cmath>

#include "script/number_text.h"

namespace balvix::documents {

namespace {

const QString kMagic = QStringLiteral("BalvixReport");

QString alignWord(Qt::Alignment a) {
  if (a & Qt::AlignHCenter) return QStringLiteral("center");
  if (a & Qt::AlignRight) return QStringLiteral("right");
  return QStringLiteral("left");
}

Qt::Alignment alignFrom(const QString& word) {
  if (word == QLatin1String("center")) return Qt::AlignHCenter;
  if (word == QLatin1String("right")) return Qt::AlignRight;
  return Qt::AlignLeft;
}

}  // namespace

void ReportSheet::resize(int rowCount, int columnCount) {
  columns = std::max(columns, columnCount);
  if (rowCount > static_cast<int>(rows.size())) {
    rows.resize(static_cast<std::size_t>(rowCount));
    rowHeights.resize(static_cast<std::size_t>(rowCount), 0);
  }
}

const ReportCell* ReportSheet::cell(int row, int column) const {
  if (row < 0 || row >= rowCount() || column < 0) return nullptr;
  const auto& r = rows[static_cast<std::size_t>(row)];
  return column < static_cast<int>(r.size()) ? &r[static_cast<std::size_t>(column)] : nullptr;
}

ReportCell& ReportSheet::cellRef(int row, int column) {
  resize(row + 1, column + 1);
  auto& r = rows[static_cast<std::size_t>(row)];
  if (column >= static_cast<int>(r.size())) r.resize(static_cast<std::size_t>(column) + 1);
  return r[static_cast<std::size_t>(column)];
}

const CellStyle& ReportSheet::style(int index) const {
  return index >= 0 && index < static_cast<int>(styles.size())
             ? styles[static_cast<std::size_t>(index)]
             : styles[0];
}

int ReportSheet::styleIndex(const CellStyle& style) {
  const auto it = std::find(styles.begin(), styles.end(), style);
  if (it != styles.end()) return static_cast<int>(it - styles.begin());
  styles.push_back(style);
  return static_cast<int>(styles.size()) - 1;
}

int ReportSheet::columnWidth(int column) const {
  const int w = column >= 0 && column < static_cast<int>(columnWidths.size())
                    ? columnWidths[static_cast<std::size_t>(column)]
                    : 0;
  return w > 0 ? w : kDefaultColumnWidth;
}

int ReportSheet::rowHeight(int row) const {
  const int h = row >= 0 && row < static_cast<int>(rowHeights.size())
                    ? rowHeights[static_cast<std::size_t>(row)]
                    : 0;
  return h > 0 ? h : kDefaultRowHeight;
}

const ReportSection* ReportSheet::section(const QString& name) const {
  for (const ReportSection& s : sections)
    if (s.name.compare(name, Qt::CaseInsensitive) == 0) return &s;
  return nullptr;
}

namespace {

quint64 drillKey(int row, int column) {
  return (quint64(quint32(row)) << 32) | quint32(column);
}

// Rows moved by an insertion or a removal take their drill-downs with them.
void shiftDrills(QHash<quint64, CellDrill>& drills, int at, int by) {
  if (drills.isEmpty()) return;
  QHash<quint64, CellDrill> moved;
  for (auto it = drills.cbegin(); it != drills.cend(); ++it) {
    const int row = int(it.key() >> 32), column = int(it.key() & 0xffffffffu);
    if (row < at)
      moved.insert(it.key(), it.value());
    else if (by > 0 || row > at)
      moved.insert(drillKey(row + by, column), it.value());
  }
  drills = std::move(moved);
}

}  // namespace

const CellDrill* ReportSheet::drill(int row, int column) const {
  if (drills.isEmpty()) return nullptr;
  if (const QRect m = mergeAt(row, column); !m.isEmpty()) {
    row = m.top();
    column = m.left();
  }
  const auto it = drills.constFind(drillKey(row, column));
  return it == drills.cend() ? nullptr : &it.value();
}

void ReportSheet::setDrill(int row, int column, const CellDrill* drill) {
  if (drill)
    drills.insert(drillKey(row, column), *drill);
  else if (!drills.isEmpty())
    drills.remove(drillKey(row, column));
}

void ReportSheet::insertRow(int at) {
  if (at < 0) return;
  resize(at, 0);
  rows.insert(rows.begin() + at, std::vector<ReportCell>{});
  shiftDrills(drills, at, 1);
  rowHeights.insert(rowHeights.begin() + at, 0);
  if (at < rowSections.size()) rowSections.insert(at, QString());
  for (QRect& m : merges) {
    if (m.top() >= at)
      m.translate(0, 1);
    else if (m.bottom() >= at)
      m.setBottom(m.bottom() + 1);
  }
  for (ReportSection& s : sections) {
    if (s.first >= at) ++s.first;
    if (s.last >= at) ++s.last;
  }
}

void ReportSheet::removeRow(int at) {
  if (at < 0 || at >= rowCount()) return;
  rows.erase(rows.begin() + at);
  shiftDrills(drills, at, -1);
  rowHeights.erase(rowHeights.begin() + at);
  if (at < rowSections.size()) rowSections.removeAt(at);
  for (QRect& m : merges) {
    if (m.top() > at)
      m.translate(0, -1);
    else if (m.bottom() >= at)
      m.setBottom(m.bottom() - 1);
  }
  merges.removeIf(
      [](const QRect& m) { return m.height() < 1 || (m.height() == 1 && m.width() == 1); });
  sections.removeIf([at](const ReportSection& s) { return s.first == at && s.last == at; });
  for (ReportSection& s : sections) {
    if (s.first > at) --s.first;
    if (s.last >= at) --s.last;
  }
}

QRect ReportSheet::mergeAt(int row, int column) const {
  for (const QRect& m : merges)
    if (m.contains(column, row)) return m;
  return {};
}

QString ReportLayoutText::escape(const QString& value) {
  if (value.isEmpty()) return QStringLiteral("\\e");
  QString out;
  out.reserve(value.size());
  for (QChar c : value) {
    switch (c.unicode()) {
      case '\\':
        out += QStringLiteral("\\\\");
        break;
      case ' ':
        out += QStringLiteral("\\s");
        break;
      case '\n':
        out += QStringLiteral("\\n");
        break;
      case '\r':
        out += QStringLiteral("\\r");
        break;
      case '\t':
        out += QStringLiteral("\\t");
        break;
      default:
        out += c;
    }
  }
  return out;
}

QString ReportLayoutText::unescape(const QString& value) {
  if (value == QLatin1String("\\e")) return QString();
  QString out;
  out.reserve(value.size());
  for (qsizetype i = 0; i < value.size(); ++i) {
    if (value[i] != QLatin1Char('\\') || i + 1 == value.size()) {
      out += value[i];
      continue;
    }
    switch (value[++i].unicode()) {
      case 's':
        out += QLatin1Char(' ');
        break;
      case 'n':
        out += QLatin1Char('\n');
        break;
      case 'r':
        out += QLatin1Char('\r');
        break;
      case 't':
        out += QLatin1Char('\t');
        break;
      default:
        out += value[i];
    }
  }
  return out;
}

QString ReportLayoutText::write(const ReportSheet& sheet) {
  QStringList lines;
  lines << kMagic + QStringLiteral(" 1");
  lines << QStringLiteral("columns %1").arg(sheet.columns);
  for (int c = 0; c < static_cast<int>(sheet.columnWidths.size()); ++c)
    if (sheet.columnWidths[static_cast<std::size_t>(c)] > 0)
      lines << QStringLiteral("width %1 %2")
                   .arg(c)
                   .arg(sheet.columnWidths[static_cast<std::size_t>(c)]);
  for (int r = 0; r < static_cast<int>(sheet.rowHeights.size()); ++r)
    if (sheet.rowHeights[static_cast<std::size_t>(r)] > 0)
      lines << QStringLiteral("height %1 %2")
                   .arg(r)
                   .arg(sheet.rowHeights[static_cast<std::size_t>(r)]);
  // Rows without cells still count: the last one is written as an empty cell.
  if (sheet.rowCount() > 0) lines << QStringLiteral("rows %1").arg(sheet.rowCount());
  for (std::size_t i = 1; i < sheet.styles.size(); ++i) {
    const CellStyle& s = sheet.styles[i];
    QString line = QStringLiteral("style %1").arg(i);
    if (s.bold) line += QStringLiteral(" bold=1");
    if (s.italic) line += QStringLiteral(" italic=1");
    if (s.size > 0) line += QStringLiteral(" size=%1").arg(s.size);
    if (!(s.align & Qt::AlignLeft)) line += QStringLiteral(" align=") + alignWord(s.align);
    if (!s.borders.isEmpty()) line += QStringLiteral(" borders=") + s.borders;
    if (s.background.isValid()) line += QStringLiteral(" background=") + s.background.name();
    if (s.decimals >= 0) line += QStringLiteral(" decimals=%1").arg(s.decimals);
    if (s.blankZero) line += QStringLiteral(" zero=blank");
    lines << line;
  }
  for (int r = 0; r < sheet.rowCount(); ++r) {
    const auto& row = sheet.rows[static_cast<std::size_t>(r)];
    for (int c = 0; c < static_cast<int>(row.size()); ++c) {
      const ReportCell& cell = row[static_cast<std::size_t>(c)];
      if (cell.text.isEmpty() && cell.style == 0) continue;
      lines << QStringLiteral("cell %1 %2 %3 %4")
                   .arg(r)
                   .arg(c)
                   .arg(cell.style)
                   .arg(escape(cell.text));
    }
  }
  for (const QRect& m : sheet.merges)
    lines
        << QStringLiteral("merge %1 %2 %3 %4").arg(m.y()).arg(m.x()).arg(m.height()).arg(m.width());
  for (const ReportSection& s : sheet.sections)
    lines << QStringLiteral("section %1 %2 %3").arg(escape(s.name)).arg(s.first).arg(s.last);
  lines += sheet.unknownLines;
  return lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
}

std::optional<ReportSheet> ReportLayoutText::read(const QString& text, QString* problem) {
  auto fail = [&](int line, const QString& why) -> std::optional<ReportSheet> {
    if (problem)
      *problem = line > 0
                     ? QStringLiteral("Макет отчета поврежден (строка %1): %2").arg(line).arg(why)
                     : why;
    return std::nullopt;
  };
  const QStringList lines =
      QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")).split(QLatin1Char('\n'));
  ReportSheet sheet;
  bool started = false;
  using namespace report_limits;
  constexpr int kMaxIndex = 1'000'000;
  // Sections are checked once the columns are known, by the line that named them.
  std::vector<int> sectionLines;
  for (int n = 0; n < lines.size(); ++n) {
    const QString& line = lines[n];
    if (line.trimmed().isEmpty()) continue;
    const QStringList w = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (!started) {
      if (w.value(0) != kMagic)
        return fail(0, QStringLiteral("Текст макета отчета не распознан: макет открыт пустым."));
      started = true;
      continue;
    }
    std::vector<int> numbers;
    auto need = [&](int count, int from) {
      numbers.clear();
      if (w.size() < from + count) return false;
      for (int i = 0; i < count; ++i) {
        bool ok = false;
        const int v = w[from + i].toInt(&ok);
        if (!ok || v < 0 || v > kMaxIndex) return false;
        numbers.push_back(v);
      }
      return true;
    };
    const QString& word = w[0];
    const QString bad = QStringLiteral("неверные числа в «%1»").arg(word);
    const QString beyond =
        QStringLiteral("«%1» выходит за пределы макета: не больше %2 колонок и %3 строк")
            .arg(word)
            .arg(kMaxColumns)
            .arg(kMaxLayoutRows);
    if (word == QLatin1String("columns")) {
      if (!need(1, 1)) return fail(n + 1, bad);
      if (numbers[0] > kMaxColumns) return fail(n + 1, beyond);
      sheet.columns = std::max(sheet.columns, numbers[0]);
    } else if (word == QLatin1String("rows")) {
      if (!need(1, 1)) return fail(n + 1, bad);
      if (numbers[0] > kMaxLayoutRows) return fail(n + 1, beyond);
      sheet.resize(numbers[0], 0);
    } else if (word == QLatin1String("width")) {
      if (!need(2, 1)) return fail(n + 1, bad);
      if (numbers[0] >= kMaxColumns) return fail(n + 1, beyond);
      if (sheet.columnWidths.size() <= static_cast<std::size_t>(numbers[0]))
        sheet.columnWidths.resize(static_cast<std::size_t>(numbers[0]) + 1);
      sheet.columnWidths[static_cast<std::size_t>(numbers[0])] = numbers[1];
      sheet.columns = std::max(sheet.columns, numbers[0] + 1);
    } else if (word == QLatin1String("height")) {
      if (!need(2, 1)) return fail(n + 1, bad);
      if (numbers[0] >= kMaxLayoutRows) return fail(n + 1, beyond);
      sheet.resize(numbers[0] + 1, 0);
      sheet.rowHeights[static_cast<std::size_t>(numbers[0])] = numbers[1];
    } else if (word == QLatin1String("style")) {
      if (!need(1, 1) || numbers[0] == 0 || numbers[0] > 65535) return fail(n + 1, bad);
      CellStyle s;
      for (int i = 2; i < w.size(); ++i) {
        const QString key = w[i].section(QLatin1Char('='), 0, 0);
        const QString value = w[i].section(QLatin1Char('='), 1);
        if (key == QLatin1String("bold"))
          s.bold = value == QLatin1String("1");
        else if (key == QLatin1String("italic"))
          s.italic = value == QLatin1String("1");
        else if (key == QLatin1String("size"))
          s.size = std::clamp(value.toInt(), 0, 200);
        else if (key == QLatin1String("align"))
          s.align = alignFrom(value);
        else if (key == QLatin1String("borders"))
          s.borders = value;
        else if (key == QLatin1String("background"))
          s.background = QColor(value);
        else if (key == QLatin1String("decimals"))
          s.decimals = std::clamp(value.toInt(), 0, 10);
        else if (key == QLatin1String("zero"))
          s.blankZero = value == QLatin1String("blank");
      }
      if (sheet.styles.size() <= static_cast<std::size_t>(numbers[0]))
        sheet.styles.resize(static_cast<std::size_t>(numbers[0]) + 1);
      sheet.styles[static_cast<std::size_t>(numbers[0])] = s;
    } else if (word == QLatin1String("cell")) {
      if (!need(3, 1)) return fail(n + 1, bad);
      if (numbers[0] >= kMaxLayoutRows || numbers[1] >= kMaxColumns) return fail(n + 1, beyond);
      ReportCell& c = sheet.cellRef(numbers[0], numbers[1]);
      c.style = numbers[2];
      c.text = w.size() > 4 ? unescape(w[4]) : QString();
    } else if (word == QLatin1String("merge")) {
      if (!need(4, 1) || numbers[2] < 1 || numbers[3] < 1) return fail(n + 1, bad);
      if (numbers[0] + numbers[2] > kMaxLayoutRows || numbers[1] + numbers[3] > kMaxColumns)
        return fail(n + 1, beyond);
      sheet.merges << QRect(numbers[1], numbers[0], numbers[3], numbers[2]);
      sheet.resize(numbers[0] + numbers[2], numbers[1] + numbers[3]);
    } else if (word == QLatin1String("section")) {
      if (w.size() < 4 || !need(2, 2) || numbers[0] > numbers[1]) return fail(n + 1, bad);
      if (numbers[1] >= kMaxLayoutRows) return fail(n + 1, beyond);
      sectionLines.push_back(n + 1);
      sheet.sections << ReportSection{unescape(w[1]), numbers[0], numbers[1]};
      sheet.resize(numbers[1] + 1, 0);
    } else {
      sheet.unknownLines << line;
    }
  }
  if (!started)
    return fail(0, QStringLiteral("Текст макета отчета не распознан: макет открыт пустым."));
  for (int i = 0; i < sheet.sections.size(); ++i) {
    const ReportSection& s = sheet.sections[i];
    if (qint64(s.last - s.first + 1) * std::max(sheet.columns, 1) > kMaxSectionCells)
      return fail(sectionLines[static_cast<std::size_t>(i)],
                  QStringLiteral("в секции «%1» больше %2 ячеек (строк × колонок)")
                      .arg(s.name)
                      .arg(kMaxSectionCells));
  }
  // A cell may name a style the text never defined: it is shown plain.
  for (auto& row : sheet.rows)
    for (ReportCell& c : row)
      if (c.style >= static_cast<int>(sheet.styles.size())) c.style = 0;
  return sheet;
}

int shownDecimals(const ReportCell& cell, const CellStyle& style) {
  if (style.decimals >= 0) return style.decimals;
  int decimals = 0;
  if (!script::readNumber(cell.text, &decimals)) {
    // A text the language wrote otherwise (an exponent): the shortest exact form's places.
    const QString shortest = QString::number(cell.number, 'f', 10);
    const qsizetype point = shortest.indexOf(u'.');
    qsizetype last = shortest.size();
    while (last > point + 1 && shortest[last - 1] == u'0') --last;
    decimals = point < 0 ? 0 : static_cast<int>(last - point - 1);
  }
  return std::min(decimals, 10);
}

QString shownText(const ReportCell& cell, const CellStyle& style) {
  if (cell.kind != CellKind::Number || !std::isfinite(cell.number)) return cell.text;
  if (style.blankZero && cell.number == 0) return QString();
  return script::numberText(cell.number, shownDecimals(cell, style));
}

Qt::Alignment shownAlignment(const ReportCell& cell, const CellStyle& style) {
  const Qt::Alignment across = style.align & Qt::AlignHorizontal_Mask;
  if (cell.kind == CellKind::Number && (across == Qt::AlignLeft || !across)) return Qt::AlignRight;
  return across ? across : Qt::AlignLeft;
}

void takeNumberOfStyle(ReportCell& cell, const CellStyle& style) {
  if (cell.kind != CellKind::Text || style.decimals < 0) return;
  if (const std::optional<double> number = script::readNumber(cell.text)) {
    cell.kind = CellKind::Number;
    cell.number = *number;
  }
}

QStringList columnHeadings(const ReportSheet& sheet) {
  QStringList headings(sheet.columns);
  const int sectioned = std::min<int>(sheet.rowCount(), static_cast<int>(sheet.rowSections.size()));
  int first = 0;
  while (first < sectioned && sheet.rowSections[first] != QStringLiteral("Шапка")) ++first;
  int end = first;
  while (end < sectioned && sheet.rowSections[end] == QStringLiteral("Шапка")) ++end;
  if (first == end) return headings;
  // The merged ranges within the heading rows: there are a few, whatever the report's size.
  QList<QRect> merges;
  for (const QRect& m : sheet.merges)
    if (m.top() < end && m.bottom() >= first) merges << m;
  for (int r = first; r < end; ++r) {
    for (int c = 0; c < sheet.columns; ++c) {
      int row = r;
      int column = c;
      bool acrossAll = false;
      for (const QRect& m : merges)
        if (m.contains(c, r)) {
          // A range taller than one row names its columns once, on its first row.
          if (m.top() != r && m.top() >= first) {
            row = -1;
          } else {
            row = m.top();
            column = m.left();
          }
          acrossAll = m.left() == 0 && m.right() >= sheet.columns - 1 && sheet.columns > 1;
          break;
        }
      if (row < 0 || acrossAll) continue;
      const ReportCell* cell = sheet.cell(row, column);
      const QString text = cell ? cell->text.trimmed() : QString();
      if (text.isEmpty()) continue;
      if (!headings[c].isEmpty()) headings[c] += QStringLiteral(": ");
      headings[c] += text;
    }
  }
  return headings;
}

}  // namespace balvix::documents
