#include "documents/csv_reader.h"

#include <QFile>
#include <QStringDecoder>
#include <algorithm>

namespace balvix::documents::csv_reader {

namespace {

// Windows-1251 from 0x80 to 0xBF; 0xC0 to 0xFF are А to я in order. 0x98 has no
// character and is kept as the control character of the same number.
constexpr char16_t kHigh1251[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409,
    0x2039, 0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0,
    0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB,
    0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6,
    0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457};

QChar separatorOf(const QString& text) {
  qsizetype semicolons = 0, commas = 0;
  bool quoted = false;
  for (const QChar c : text) {
    if (c == u'"') quoted = !quoted;
    if (quoted) continue;
    if (c == u'\n' || c == u'\r') break;
    if (c == u';') ++semicolons;
    if (c == u',') ++commas;
  }
  return commas > semicolons ? QChar(u',') : QChar(u';');
}

}  // namespace

QString decodeWindows1251(QByteArrayView bytes) {
  QString out(bytes.size(), Qt::Uninitialized);
  QChar* o = out.data();
  for (const char ch : bytes) {
    const auto b = static_cast<unsigned char>(ch);
    *o++ = b < 0x80    ? QChar(b)
           : b >= 0xC0 ? QChar(char16_t(0x0410 + b - 0xC0))
                       : QChar(kHigh1251[b - 0x80]);
  }
  return out;
}

QString decode(const QByteArray& bytes, Encoding* found) {
  if (bytes.startsWith("\xEF\xBB\xBF")) {
    if (found) *found = Encoding::Utf8WithBom;
    return QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
  }
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8.decode(bytes);
  if (!utf8.hasError()) {
    if (found) *found = Encoding::Utf8;
    return text;
  }
  if (found) *found = Encoding::Windows1251;
  return decodeWindows1251(bytes);
}

QString parse(const QString& text, SourceTable& table) {
  table = {};
  const QChar separator = separatorOf(text);
  const QChar* p = text.constData();
  const QChar* const end = p + text.size();
  QStringList record;
  QString field;
  int number = 0;
  bool haveHeader = false;
  bool blank = true;  // nothing of the record read yet
  auto endRecord = [&] {
    record << field;
    field.clear();
    ++number;
    const bool empty =
        std::all_of(record.cbegin(), record.cend(), [](const QString& f) { return f.isEmpty(); });
    if (!blank && !empty) {
      if (!haveHeader) {
        for (QString& name : record) name = name.trimmed();
        table.header = record;
        haveHeader = true;
      } else {
        table.rows.push_back(record);
        table.rowNumbers.push_back(number);
      }
    }
    record = QStringList();
    record.reserve(table.header.size());
    blank = true;
  };
  while (p < end) {
    const QChar c = *p;
    if (c == u'"' && field.isEmpty()) {
      // A quoted field runs to the quote not doubled.
      blank = false;
      ++p;
      const QChar* start = p;
      for (;;) {
        if (p >= end) return QStringLiteral("Кавычка в строке %1 не закрыта.").arg(number + 1);
        if (*p == u'"') {
          field.append(start, p - start);
          if (p + 1 < end && p[1] == u'"') {
            field += u'"';
            p += 2;
            start = p;
            continue;
          }
          ++p;
          break;
        }
        ++p;
      }
      // Text after the closing quote belongs to the field, as spreadsheets read it.
      const QChar* rest = p;
      while (p < end && *p != separator && *p != u'\n' && *p != u'\r') ++p;
      field.append(rest, p - rest);
      continue;
    }
    if (c == separator) {
      blank = false;
      record << field;
      field.clear();
      ++p;
    } else if (c == u'\n' || c == u'\r') {
      if (c == u'\r' && p + 1 < end && p[1] == u'\n') ++p;
      ++p;
      endRecord();
    } else {
      blank = false;
      const QChar* start = p;
      while (p < end && *p != separator && *p != u'\n' && *p != u'\r' && *p != u'"') ++p;
      if (p < end && *p == u'"') ++p;  // a quote inside an unquoted field is kept
      field.append(start, p - start);
    }
  }
  if (!blank || !field.isEmpty()) endRecord();
  if (!haveHeader) return QStringLiteral("В файле нет строки с названиями столбцов.");
  return {};
}

QString readFile(const QString& path, SourceTable& table) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    return QStringLiteral("Не удалось открыть файл «%1»: %2").arg(path, file.errorString());
  return parse(decode(file.readAll()), table);
}

}  // namespace balvix::documents::csv_reader
