#pragma once

#include <QHash>
#include <QRegularExpression>
#include <QXmlStreamReader>

#include "test_helpers.h"

namespace balvix::testing {

// A workbook cell as a spreadsheet reads it: whether it is a number (no type attribute)
// rather than a string, its number format ("General" for none) and its stored value.
struct XlsxCell {
  bool found = false;
  bool number = false;
  QString format;
  QString value;
};

// The first cell of the first sheet whose reference matches `ref` (a pattern, "B2") and
// whose stored value matches `value` (a pattern, ".*" for any).
inline XlsxCell xlsxCell(const QString& path, const QString& ref,
                         const QString& value = QStringLiteral("[^<]*")) {
  const QString sheet = zipEntry(path, QStringLiteral("xl/worksheets/sheet1.xml"));
  const QRegularExpressionMatch m =
      QRegularExpression(QStringLiteral("<c r=\"(?:%1)\"([^>]*)><v>(%2)</v>").arg(ref, value))
          .match(sheet);
  if (!m.hasMatch()) return {};
  XlsxCell cell;
  cell.found = true;
  cell.number = !m.captured(1).contains(QStringLiteral("t=\""));
  cell.value = m.captured(2);
  const int style =
      QRegularExpression(QStringLiteral("s=\"(\\d+)\"")).match(m.captured(1)).captured(1).toInt();
  QXmlStreamReader xml(zipEntry(path, QStringLiteral("xl/styles.xml")));
  QHash<int, QString> codes;
  QList<int> xfs;
  bool inCellXfs = false;
  while (!xml.atEnd()) {
    xml.readNext();
    if (xml.isStartElement() && xml.name() == u"numFmt")
      codes.insert(xml.attributes().value(QStringLiteral("numFmtId")).toInt(),
                   xml.attributes().value(QStringLiteral("formatCode")).toString());
    if (xml.isStartElement() && xml.name() == u"cellXfs") inCellXfs = true;
    if (xml.isEndElement() && xml.name() == u"cellXfs") inCellXfs = false;
    if (inCellXfs && xml.isStartElement() && xml.name() == u"xf")
      xfs << xml.attributes().value(QStringLiteral("numFmtId")).toInt();
  }
  cell.format = codes.value(xfs.value(style), QStringLiteral("General"));
  return cell;
}

}  // namespace balvix::testing
