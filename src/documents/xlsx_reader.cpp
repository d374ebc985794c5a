#include "documents/xlsx_reader.h"

#include <unzip.h>

#include <QFile>
#include <QXmlStreamReader>
#include <algorithm>
#include <memory>
#include <optional>

namespace balvix::documents::xlsx_reader {

namespace {

const QString kBroken = QStringLiteral("Файл «%1» не является книгой Excel (xlsx): %2");

struct ZipCloser {
  void operator()(void* zip) const { unzClose(zip); }
};

// One member of the archive, whole; nullopt when the archive has no such member.
std::optional<QByteArray> member(unzFile zip, const QString& name, QString* error) {
  if (unzLocateFile(zip, name.toUtf8().constData(), 0) != UNZ_OK) return std::nullopt;
  unz_file_info64 info{};
  if (unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK ||
      unzOpenCurrentFile(zip) != UNZ_OK) {
    *error = QStringLiteral("не читается часть %1").arg(name);
    return QByteArray();
  }
  QByteArray data;
  data.reserve(static_cast<qsizetype>(std::min<ZPOS64_T>(info.uncompressed_size, 1u << 30)));
  char buffer[1 << 16];
  int got;
  while ((got = unzReadCurrentFile(zip, buffer, sizeof buffer)) > 0) data.append(buffer, got);
  if (unzCloseCurrentFile(zip) != UNZ_OK || got < 0)
    *error = QStringLiteral("часть %1 повреждена").arg(name);
  return data;
}

// The column number (0 for A) of a cell reference such as "AB12"; -1 when it has none.
int columnOf(QStringView ref) {
  int column = 0;
  qsizetype i = 0;
  for (; i < ref.size() && ref[i] >= u'A' && ref[i] <= u'Z'; ++i)
    column = column * 26 + (ref[i].unicode() - u'A' + 1);
  return i == 0 ? -1 : column - 1;
}

// The text of an element whose text may be split into runs (<si><r><t>..</t></r>..</si>,
// <is>..</is>): every <t> inside it, joined. The reader stands on the element's start.
QString runsText(QXmlStreamReader& xml) {
  QString text;
  const QString end = xml.name().toString();
  while (!xml.atEnd()) {
    xml.readNext();
    if (xml.isStartElement() && xml.name() == u"t")
      text += xml.readElementText();
    else if (xml.isStartElement() && xml.name() == u"rPh")
      xml.skipCurrentElement();  // phonetic hints are not part of the text
    else if (xml.isEndElement() && xml.name() == end)
      break;
  }
  return text;
}

QString firstSheetPath(const QByteArray& workbook, const QByteArray& relations) {
  QXmlStreamReader book(workbook);
  QString id;
  while (!book.atEnd() && id.isEmpty())
    if (book.readNext() == QXmlStreamReader::StartElement && book.name() == u"sheet")
      for (const QXmlStreamAttribute& a : book.attributes())
        if (a.name() == u"id") id = a.value().toString();
  QXmlStreamReader rels(relations);
  while (!rels.atEnd())
    if (rels.readNext() == QXmlStreamReader::StartElement && rels.name() == u"Relationship" &&
        rels.attributes().value(QLatin1String("Id")) == id) {
      QString target = rels.attributes().value(QLatin1String("Target")).toString();
      if (target.startsWith(u'/')) return target.mid(1);
      return QStringLiteral("xl/") + target;
    }
  return QStringLiteral("xl/worksheets/sheet1.xml");
}

}  // namespace

QString decodeCodes(const QString& text) {
  if (!text.contains(QStringLiteral("_x"))) return text;
  QString out;
  out.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == u'_' && i + 6 < text.size() && text[i + 1] == u'x' && text[i + 6] == u'_') {
      bool ok = false;
      const uint code = QStringView(text).mid(i + 2, 4).toUInt(&ok, 16);
      if (ok) {
        out += QChar(char16_t(code));
        i += 6;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

QString readFile(const QString& path, SourceTable& table) {
  table = {};
  std::unique_ptr<void, ZipCloser> zip(unzOpen64(QFile::encodeName(path).constData()));
  if (!zip) {
    if (!QFile::exists(path)) return QStringLiteral("Файл «%1» не найден.").arg(path);
    return kBroken.arg(path, QStringLiteral("это не архив zip"));
  }
  QString error;
  const std::optional<QByteArray> workbook =
      member(zip.get(), QStringLiteral("xl/workbook.xml"), &error);
  if (!workbook) return kBroken.arg(path, QStringLiteral("в нем нет xl/workbook.xml"));
  const QByteArray relations =
      member(zip.get(), QStringLiteral("xl/_rels/workbook.xml.rels"), &error)
          .value_or(QByteArray());
  const QString sheetPath = firstSheetPath(*workbook, relations);

  QStringList shared;
  if (const auto strings = member(zip.get(), QStringLiteral("xl/sharedStrings.xml"), &error)) {
    QXmlStreamReader xml(*strings);
    while (!xml.atEnd())
      if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"si")
        shared << decodeCodes(runsText(xml));
    if (xml.hasError()) return kBroken.arg(path, xml.errorString());
  }
  const std::optional<QByteArray> sheet = member(zip.get(), sheetPath, &error);
  if (!sheet) return kBroken.arg(path, QStringLiteral("в нем нет листа %1").arg(sheetPath));
  if (!error.isEmpty()) return kBroken.arg(path, error);

  QXmlStreamReader xml(*sheet);
  QStringList values;
  int rowNumber = 0;
  bool haveHeader = false;
  auto endRow = [&] {
    while (!values.isEmpty() && values.last().isEmpty()) values.removeLast();
    if (values.isEmpty()) return;
    if (!haveHeader) {
      for (QString& name : values) name = name.trimmed();
      table.header = values;
      haveHeader = true;
    } else {
      table.rows.push_back(values);
      table.rowNumbers.push_back(rowNumber);
    }
  };
  while (!xml.atEnd()) {
    xml.readNext();
    if (!xml.isStartElement()) {
      if (xml.isEndElement() && xml.name() == u"sheetData") break;
      continue;
    }
    if (xml.name() == u"row") {
      const QXmlStreamAttributes rowAttributes = xml.attributes();
      const QStringView r = rowAttributes.value(QLatin1String("r"));
      rowNumber = r.isEmpty() ? rowNumber + 1 : r.toInt();
      values.clear();
      int column = 0;
      while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement() && xml.name() == u"row") break;
        if (!xml.isStartElement() || xml.name() != u"c") continue;
        const QXmlStreamAttributes attributes = xml.attributes();
        const int at = columnOf(attributes.value(QLatin1String("r")));
        if (at >= 0) column = at;
        const QStringView type = attributes.value(QLatin1String("t"));
        QString value;
        while (!xml.atEnd()) {
          xml.readNext();
          if (xml.isEndElement() && xml.name() == u"c") break;
          if (!xml.isStartElement()) continue;
          if (xml.name() == u"v") {
            value = xml.readElementText();
          } else if (xml.name() == u"is") {
            value = decodeCodes(runsText(xml));
          } else {
            xml.skipCurrentElement();  // a formula's text: its cached value is what counts
          }
        }
        if (type == u"s") {
          bool ok = false;
          const int index = value.toInt(&ok);
          value = ok ? shared.value(index) : QString();
        } else if (type == u"str" || type == u"e") {
          value = decodeCodes(value);
        }
        while (values.size() < column) values << QString();
        if (values.size() == column)
          values << value;
        else
          values[column] = value;
        ++column;
      }
      endRow();
    }
  }
  if (xml.hasError()) return kBroken.arg(path, xml.errorString());
  if (!haveHeader) return QStringLiteral("На первом листе книги нет строки с названиями столбцов.");
  return {};
}

}  // namespace balvix::documents::xlsx_reader
