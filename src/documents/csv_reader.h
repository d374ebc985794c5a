#pragma once

#include <QByteArray>
#include <QString>

#include "documents/source_table.h"

namespace balvix::documents::csv_reader {

enum class Encoding { Utf8, Utf8WithBom, Windows1251 };

// The text of a file as people in Russia save it: UTF-8 with or without a byte-order mark
// when the bytes are valid UTF-8, otherwise Windows-1251 (the only other encoding a
// spreadsheet here writes CSV in).
QString decode(const QByteArray& bytes, Encoding* found = nullptr);
QString decodeWindows1251(QByteArrayView bytes);

// Splits CSV text into records: fields separated by ";" or "," (whichever the first record
// has more of outside quotes), quoted fields with doubled quotes and line breaks inside,
// records ended by CR LF, LF or CR; blank lines are skipped. The first record is the header.
QString parse(const QString& text, SourceTable& table);

QString readFile(const QString& path, SourceTable& table);

}  // namespace balvix::documents::csv_reader
