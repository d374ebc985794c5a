#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

#include "documents/config_tree.h"

namespace balvix::documents {

// The configuration as a tree of text files, for version control and comparison.
//
// DIR/Конфигурация.txt holds the format line; DIR/ГлобальныйМодуль.txt the global module;
// one folder per kind (Справочники, Документы, …) holds one file per object, <имя>.txt, a
// few "ключ: значение" lines with lists as indented lines below their key, and beside it the
// object's texts as files of their own: <имя>.модуль.txt, <имя>.форма.txt (a form's layout),
// <имя>.макет.txt and <имя>.диалог.txt (a report's layout and parameter dialog), and for a
// document the folder <имя>.печать with <форма>.макет.txt and <форма>.модуль.txt per print
// form. Everything is UTF-8 with LF, in a fixed order, without dates; what is empty or has
// its default is left out. Every object file begins with the format line too, so a file
// taken on its own still says what it is.
inline constexpr int kConfigFormatVersion = 1;
inline const QString kConfigRootFile = QStringLiteral("Конфигурация.txt");
inline const QString kGlobalModuleFile = QStringLiteral("ГлобальныйМодуль.txt");

// Relative path ("Справочники/Товары.txt") to the file's bytes.
using ConfigFiles = QMap<QString, QByteArray>;

ConfigFiles renderConfigFiles(const ConfigTree& tree);
// The tree the files describe. Throws storage::DbError with the file and line of what cannot
// be read, and names the version of a tree written in a newer format.
ConfigTree parseConfigFiles(const ConfigFiles& files);

// The part of a file name that stands for an object or print form name: letters, digits,
// "_" stay, and so do "-" and blanks inside the name; anything else (dots, slashes, quotes) becomes
// %XX of its UTF-8 bytes, a name the systems reserve (CON, NUL, COM1, …) has its first letter
// encoded, the empty name is "%", and a long one is cut and ends in "~" and a digest of the whole
// name. The result never leaves the folder it is put in; the real name is kept inside the file.
QString safeFileStem(const QString& name);

// Writes the files into `dir`, creating it. A folder that holds anything but a previous
// export is refused; a previous export's kind folders are emptied first, so an object
// removed since does not come back. Throws storage::DbError.
void writeConfigDirectory(const ConfigFiles& files, const QString& dir);
// Every file of an export under `dir` (the kind folders and the root files). Throws
// storage::DbError when `dir` is not such a folder.
ConfigFiles readConfigDirectory(const QString& dir);

}  // namespace balvix::documents
