#include "documents/config_files.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include "storage/db_error.h"

namespace balvix::documents {

using config::Requisite;
using config::RequisiteType;

namespace {

const QString kFormatKey = QStringLiteral("формат");
const QString kRequiredWord = QStringLiteral("обязательный");
const QString kModulePart = QStringLiteral(".модуль.txt");
const QString kFormPart = QStringLiteral(".форма.txt");
const QString kLayoutPart = QStringLiteral(".макет.txt");
const QString kDialogPart = QStringLiteral(".диалог.txt");
const QString kPrintFolder = QStringLiteral(".печать");
// A new catalog's module; the file is left out while the catalog has no other.
const QString kCatalogModule = QStringLiteral("_");

[[noreturn]] void fail(const QString& message) {
  throw storage::DbError(storage::ErrorCode::Other, message);
}

QString folderOf(ObjectKind kind) {
  return config::pluralWord(kind);
}

// A value is written as it is unless it could not be read back so: empty, blanks at an end,
// a leading quote, a control character, or one of `specials` (the separators of its line).
QString scalar(const QString& value, const QString& specials = {}) {
  bool quoted =
      value.isEmpty() || value.front().isSpace() || value.back().isSpace() || value.front() == u'"';
  for (qsizetype i = 0; !quoted && i < value.size(); ++i)
    quoted = value[i].unicode() < 0x20 || value[i].unicode() == 0x7f || specials.contains(value[i]);
  if (!quoted) return value;
  QString out = QStringLiteral("\"");
  for (QChar c : value) {
    switch (c.unicode()) {
      case '"':
        out += QStringLiteral("\\\"");
        break;
      case '\\':
        out += QStringLiteral("\\\\");
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
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
          out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
          out += c;
    }
  }
  return out + u'"';
}

class Writer {
 public:
  Writer() { line(kFormatKey, QString::number(kConfigFormatVersion)); }
  void line(const QString& key, const QString& value) {
    m_text += key + QStringLiteral(": ") + value + u'\n';
  }
  void text(const QString& key, const QString& value) {
    if (!value.isEmpty()) line(key, scalar(value));
  }
  void list(const QString& key, const QStringList& items) {
    m_text += key + QStringLiteral(":\n");
    for (const QString& item : items) m_text += QStringLiteral("  ") + item + u'\n';
  }
  QByteArray bytes() const { return m_text.toUtf8(); }

 private:
  QString m_text;
};

QString requisiteItem(const Requisite& requisite) {
  const QString type = requisite.type.text();
  QString item = scalar(requisite.name, QStringLiteral(":"));
  if (type.isEmpty() && !requisite.required) return item;
  item += QStringLiteral(": ") + scalar(type, QStringLiteral(","));
  if (requisite.required) item += QStringLiteral(", ") + kRequiredWord;
  return item;
}

QStringList requisiteItems(const QList<Requisite>& requisites) {
  QStringList items;
  for (const Requisite& requisite : requisites) items << requisiteItem(requisite);
  return items;
}

QStringList scalars(const QStringList& values) {
  QStringList items;
  for (const QString& value : values) items << scalar(value);
  return items;
}

QByteArray fileBytes(const QString& text) {
  return text.toUtf8();
}

void renderObject(const ConfigObject& object, ConfigFiles& files) {
  const ObjectDefinition& d = object.definition;
  const QString base = folderOf(d.kind) + u'/' + safeFileStem(d.name);
  Writer w;
  w.line(QStringLiteral("вид"), config::typeWord(d.kind));
  w.line(QStringLiteral("имя"), scalar(d.name));
  switch (d.kind) {
    case ObjectKind::Catalog:
    case ObjectKind::Document:
      w.text(QStringLiteral("меню"), d.description);
      if (d.kind == ObjectKind::Document) w.text(QStringLiteral("журнал"), d.journal);
      if (!d.requisites.isEmpty())
        w.list(QStringLiteral("реквизиты"), requisiteItems(d.requisites));
      if (d.hasTablePart)
        w.list(QStringLiteral("табличная часть"), requisiteItems(d.tableRequisites));
      if (d.size) w.line(QStringLiteral("размер"), scalar(*d.size));
      break;
    case ObjectKind::Journal:
      w.text(QStringLiteral("меню"), d.description);
      if (!d.columns.isEmpty()) w.list(QStringLiteral("колонки"), scalars(d.columns));
      break;
    case ObjectKind::Enumeration:
      if (!d.enumerationValues().isEmpty())
        w.list(QStringLiteral("значения"), scalars(d.enumerationValues()));
      break;
    case ObjectKind::Register:
      w.text(QStringLiteral("описание"), d.description);
      if (!d.requisites.isEmpty())
        w.list(QStringLiteral("реквизиты"), requisiteItems(d.requisites));
      break;
    case ObjectKind::Report:
      w.text(QStringLiteral("меню"), d.description);
      break;
  }
  if (!object.printForms.isEmpty()) {
    QStringList names;
    for (const PrintForm& form : object.printForms) {
      names << scalar(form.name);
      const QString formBase = base + kPrintFolder + u'/' + safeFileStem(form.name);
      if (!form.layout.isEmpty())
        files[formBase + kLayoutPart] = fileBytes(plainFileText(form.layout));
      if (!form.module.isEmpty())
        files[formBase + kModulePart] = fileBytes(moduleFileText(form.module));
    }
    w.list(QStringLiteral("печатные формы"), names);
  }
  files[base + QStringLiteral(".txt")] = w.bytes();

  const bool catalogPlaceholder = d.kind == ObjectKind::Catalog && d.module == kCatalogModule;
  if (!d.module.isEmpty() && !catalogPlaceholder && d.kind != ObjectKind::Enumeration)
    files[base + kModulePart] = fileBytes(moduleFileText(d.module));
  if (d.layout)
    files[base + (d.kind == ObjectKind::Report ? kLayoutPart : kFormPart)] =
        fileBytes(plainFileText(*d.layout));
  if (d.dialog) files[base + kDialogPart] = fileBytes(plainFileText(*d.dialog));
}

// One "ключ: значение" line, or a key with its list of indented items.
struct Entry {
  QString key;
  QString rawValue;
  int line = 0;
  bool isList = false;
  QList<std::pair<QString, int>> items;
};

class Reader {
 public:
  Reader(const QString& file, const QByteArray& bytes) : m_file(file) {
    QString text = QString::fromUtf8(bytes);
    if (text.toUtf8() != bytes) fail(QStringLiteral("Файл «%1» не в кодировке UTF-8.").arg(file));
    const QStringList lines = text.split(u'\n');
    for (int i = 0; i < lines.size(); ++i) {
      QString line = lines[i];
      if (line.endsWith(u'\r')) line.chop(1);
      if (line.trimmed().isEmpty() || line.startsWith(u'#')) continue;
      if (line.startsWith(u' ')) {
        if (m_entries.isEmpty() || !m_entries.last().isList)
          error(i + 1, QStringLiteral("строка с отступом не относится ни к одному списку"));
        m_entries.last().items.append({line.mid(2), i + 1});
        continue;
      }
      const qsizetype colon = line.indexOf(u':');
      if (colon <= 0) error(i + 1, QStringLiteral("ожидается «ключ: значение»"));
      Entry entry;
      entry.key = line.left(colon).trimmed();
      entry.line = i + 1;
      QString rest = line.mid(colon + 1);
      if (rest.startsWith(u' ')) rest.remove(0, 1);
      entry.rawValue = rest;
      entry.isList = rest.isEmpty();
      for (const Entry& seen : m_entries)
        if (seen.key == entry.key)
          error(i + 1, QStringLiteral("ключ «%1» указан второй раз").arg(entry.key));
      m_entries << entry;
    }
    const Entry* format = m_entries.isEmpty() ? nullptr : &m_entries.first();
    if (!format || format->key != kFormatKey)
      error(format ? format->line : 1,
            QStringLiteral("первой должна быть строка «формат: %1»").arg(kConfigFormatVersion));
    bool ok = false;
    const int version = format->rawValue.toInt(&ok);
    if (!ok || version < 1) error(format->line, QStringLiteral("неверный номер формата"));
    if (version > kConfigFormatVersion)
      fail(QStringLiteral("Файлы конфигурации записаны в формате версии %1, а эта программа читает "
                          "формат версии %2 (файл «%3»). Обновите программу, чтобы загрузить их.")
               .arg(version)
               .arg(kConfigFormatVersion)
               .arg(m_file));
    m_used.insert(kFormatKey);
  }

  [[noreturn]] void error(int line, const QString& what) const {
    fail(QStringLiteral("Файл «%1», строка %2: %3.").arg(m_file).arg(line).arg(what));
  }

  const Entry* entry(const QString& key) {
    m_used.insert(key);
    for (const Entry& e : m_entries)
      if (e.key == key) return &e;
    return nullptr;
  }
  QString value(const QString& key, const QString& fallback = QString()) {
    const Entry* e = entry(key);
    if (!e) return fallback;
    if (e->isList) return QString();
    return wholeScalar(e->rawValue, e->line);
  }
  std::optional<QString> optionalValue(const QString& key) {
    const Entry* e = entry(key);
    if (!e) return std::nullopt;
    return e->isList ? QString() : wholeScalar(e->rawValue, e->line);
  }
  // A list of names or values; each at most once, and without `forbidden` (the separator of
  // the stored list the values go into).
  QStringList values(const QString& key, const QString& forbidden = {}) {
    QStringList out;
    if (const Entry* e = entry(key)) {
      if (!e->isList) error(e->line, QStringLiteral("у ключа «%1» должен быть список").arg(key));
      for (const auto& [item, line] : e->items) {
        const QString value = wholeScalar(item, line);
        if (out.contains(value)) error(line, QStringLiteral("«%1» указано дважды").arg(value));
        if (!forbidden.isEmpty() && value.contains(forbidden))
          error(line, QStringLiteral("значение не может содержать «%1»").arg(forbidden));
        out << value;
      }
    }
    return out;
  }
  QList<Requisite> requisites(const QString& key, bool* present = nullptr) {
    QList<Requisite> out;
    const Entry* e = entry(key);
    if (present) *present = e != nullptr;
    if (!e) return out;
    if (!e->isList) error(e->line, QStringLiteral("у ключа «%1» должен быть список").arg(key));
    for (const auto& [item, line] : e->items) out << requisite(item, line);
    return out;
  }
  // Every key of the file must have been asked for: a misspelt one is not silently dropped.
  void finish() const {
    for (const Entry& e : m_entries)
      if (!m_used.contains(e.key))
        error(e.line, QStringLiteral("неизвестный ключ «%1»").arg(e.key));
  }

 private:
  // A scalar at `pos`: a quoted text with its escapes, or the raw text up to `stop`.
  QString scalarAt(const QString& text, qsizetype& pos, int line, const QString& stop) const {
    if (pos < text.size() && text[pos] == u'"') {
      QString out;
      for (++pos; pos < text.size(); ++pos) {
        const QChar c = text[pos];
        if (c == u'"') {
          ++pos;
          return out;
        }
        if (c != u'\\') {
          out += c;
          continue;
        }
        if (++pos >= text.size()) break;
        switch (text[pos].unicode()) {
          case 'n':
            out += u'\n';
            break;
          case 'r':
            out += u'\r';
            break;
          case 't':
            out += u'\t';
            break;
          case 'u': {
            bool ok = false;
            const ushort code = text.mid(pos + 1, 4).toUShort(&ok, 16);
            if (!ok) error(line, QStringLiteral("неверная последовательность \\QStringLiteral("));
            out += QChar(code);
            pos += 4;
            break;
          }
          default:
            out += text[pos];
        }
      }
      error(line, QStringLiteral(")не закрыта кавычка"));
    }
    const qsizetype end = stop.isEmpty() ? -1 : text.indexOf(stop, pos);
    const QString raw = end < 0 ? text.mid(pos) : text.mid(pos, end - pos);
    pos += raw.size();
    return raw;
  }
  QString wholeScalar(const QString& text, int line) const {
    qsizetype pos = 0;
    const QString value = scalarAt(text, pos, line, {});
    if (pos != text.size()) error(line, QStringLiteral("лишний текст после кавычки"));
    return value;
  }
  Requisite requisite(const QString& text, int line) const {
    Requisite r;
    qsizetype pos = 0;
    r.name = scalarAt(text, pos, line, QStringLiteral(": "));
    if (pos == text.size()) return r;
    if (!text.mid(pos).startsWith(QStringLiteral(": ")))
      error(line, QStringLiteral("ожидается «имя: тип»"));
    pos += 2;
    const QString type = scalarAt(text, pos, line, QStringLiteral(", "));
    r.type = RequisiteType::parse(type);
    if (pos == text.size()) return r;
    if (text.mid(pos) != QStringLiteral(", ") + kRequiredWord)
      error(line, QStringLiteral("после типа может стоять только «, %1»").arg(kRequiredWord));
    r.required = true;
    return r;
  }

  QString m_file;
  QList<Entry> m_entries;
  QSet<QString> m_used;
};

bool isReservedName(const QString& stem) {
  static const QStringList reserved = {QStringLiteral("CON"), QStringLiteral("PRN"),
                                       QStringLiteral("AUX"), QStringLiteral("NUL")};
  const QString upper = stem.toUpper();
  if (reserved.contains(upper)) return true;
  return upper.size() == 4 && (upper.startsWith(u"COM") || upper.startsWith(u"LPT")) &&
         upper[3] >= u'0' && upper[3] <= u'9';
}

QString percent(const QString& text) {
  QString out;
  for (char byte : text.toUtf8())
    out += QStringLiteral("%%1").arg(static_cast<uchar>(byte), 2, 16, QLatin1Char('0')).toUpper();
  return out;
}

class FileSet {
 public:
  explicit FileSet(const ConfigFiles& files) : m_files(files) {}
  std::optional<QString> take(const QString& path) {
    const auto it = m_files.constFind(path);
    if (it == m_files.constEnd()) return std::nullopt;
    m_taken.insert(path);
    const QString text = QString::fromUtf8(*it);
    if (text.toUtf8() != *it) fail(QStringLiteral("Файл «%1» не в кодировке UTF-8.").arg(path));
    return text;
  }
  QStringList objectFiles(const QString& folder) const {
    QStringList out;
    for (auto it = m_files.constBegin(); it != m_files.constEnd(); ++it) {
      const QString& path = it.key();
      if (!path.startsWith(folder + u'/') || !path.endsWith(QStringLiteral(".txt"))) continue;
      const QString stem = path.mid(folder.size() + 1).chopped(4);
      if (!stem.contains(u'.') && !stem.contains(u'/')) out << path;
    }
    return out;
  }
  void checkAllTaken() const {
    for (auto it = m_files.constBegin(); it != m_files.constEnd(); ++it)
      if (!m_taken.contains(it.key()))
        fail(QStringLiteral("Файл «%1» не относится ни к одному объекту конфигурации: переименуйте "
                            "или удалите его.")
                 .arg(it.key()));
  }
  void markTaken(const QString& path) { m_taken.insert(path); }

 private:
  const ConfigFiles& m_files;
  QSet<QString> m_taken;
};

ConfigObject parseObject(ObjectKind kind, const QString& path, FileSet& files) {
  Reader r(path, files.take(path)->toUtf8());
  const QString kindWord = r.value(QStringLiteral("вид"));
  if (kindWord != config::typeWord(kind))
    fail(QStringLiteral("Файл «%1» лежит в папке «%2», но описывает вид «%3».")
             .arg(path, folderOf(kind), kindWord));
  ConfigObject object;
  ObjectDefinition& d = object.definition;
  d.kind = kind;
  d.name = r.value(QStringLiteral("имя"));
  const QString base = folderOf(kind) + u'/' + safeFileStem(d.name);
  if (base + QStringLiteral(".txt") != path)
    fail(QStringLiteral("Файл «%1» описывает объект «%2»: его файл должен называться «%3».")
             .arg(path, d.name, base + QStringLiteral(".txt")));
  switch (kind) {
    case ObjectKind::Catalog:
    case ObjectKind::Document:
      d.description = r.value(QStringLiteral("меню"));
      if (kind == ObjectKind::Document) d.journal = r.value(QStringLiteral("журнал"));
      d.requisites = r.requisites(QStringLiteral("реквизиты"));
      if (kind == ObjectKind::Document)
        d.tableRequisites = r.requisites(QStringLiteral("табличная часть"), &d.hasTablePart);
      d.size = r.optionalValue(QStringLiteral("размер"));
      break;
    case ObjectKind::Journal:
      d.description = r.value(QStringLiteral("меню"));
      d.columns = r.values(QStringLiteral("колонки"), QStringLiteral(";"));
      break;
    case ObjectKind::Enumeration:
      d.setEnumerationValues(r.values(QStringLiteral("значения"), QStringLiteral(";")));
      break;
    case ObjectKind::Register:
      d.description = r.value(QStringLiteral("описание"));
      d.requisites = r.requisites(QStringLiteral("реквизиты"));
      break;
    case ObjectKind::Report:
      d.description = r.value(QStringLiteral("меню"));
      break;
  }
  if (kind == ObjectKind::Document) {
    for (const QString& name : r.values(QStringLiteral("печатные формы"))) {
      const QString formBase = base + kPrintFolder + u'/' + safeFileStem(name);
      PrintForm form;
      form.name = name;
      form.layout = storedText(files.take(formBase + kLayoutPart).value_or(QString()));
      form.module = storedText(files.take(formBase + kModulePart).value_or(QString()));
      object.printForms << form;
    }
  }
  r.finish();

  if (kind != ObjectKind::Enumeration) {
    d.module = storedText(files.take(base + kModulePart).value_or(QString()));
    if (kind == ObjectKind::Catalog && d.module.isEmpty()) d.module = kCatalogModule;
  }
  if (config::hasForm(kind)) {
    if (const auto layout = files.take(base + kFormPart)) d.layout = storedText(*layout);
  }
  if (kind == ObjectKind::Report) {
    if (const auto layout = files.take(base + kLayoutPart)) d.layout = storedText(*layout);
    if (const auto dialog = files.take(base + kDialogPart)) d.dialog = storedText(*dialog);
  }
  return object;
}

}  // namespace

QString safeFileStem(const QString& name) {
  if (name.isEmpty()) return QStringLiteral("%");
  QString stem;
  for (qsizetype i = 0; i < name.size(); ++i) {
    const QChar c = name[i];
    // A surrogate pair is a letter beyond the basic plane; both halves go or stay together.
    if (c.isHighSurrogate() && i + 1 < name.size()) {
      const char32_t code = QChar::surrogateToUcs4(c, name[i + 1]);
      const QString pair = name.mid(i, 2);
      stem += QChar::isLetterOrNumber(code) ? pair : percent(pair);
      ++i;
      continue;
    }
    // Inner blanks and hyphens stay readable; at an end they trouble shells and systems.
    const bool inner = i > 0 && i + 1 < name.size();
    const bool plain = c.isLetterOrNumber() || c == u'_' || (inner && (c == u'-' || c == u' '));
    stem += plain ? QString(c) : percent(QString(c));
  }
  if (isReservedName(stem)) stem = percent(stem.left(1)) + stem.mid(1);
  // Most file systems allow 255 bytes; the longest suffix and a digest must fit beside it.
  constexpr qsizetype kMaxBytes = 160;
  if (stem.toUtf8().size() > kMaxBytes) {
    QString cut;
    for (qsizetype i = 0; i < stem.size();) {
      qsizetype step = stem[i] == u'%' ? 3 : (stem[i].isHighSurrogate() ? 2 : 1);
      if ((cut + stem.mid(i, step)).toUtf8().size() > kMaxBytes - 20) break;
      cut += stem.mid(i, step);
      i += step;
    }
    const QByteArray digest =
        QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    stem = cut + u'~' + QString::fromLatin1(digest);
  }
  return stem;
}

ConfigFiles renderConfigFiles(const ConfigTree& tree) {
  ConfigFiles files;
  files[kConfigRootFile] = Writer().bytes();
  if (!tree.globalModule.isEmpty())
    files[kGlobalModuleFile] = fileBytes(moduleFileText(tree.globalModule));
  for (const ConfigObject& object : tree.objects) renderObject(object, files);
  return files;
}

ConfigTree parseConfigFiles(const ConfigFiles& files) {
  FileSet set(files);
  const std::optional<QString> root = set.take(kConfigRootFile);
  if (!root)
    fail(QStringLiteral("Нет файла «%1»: это не выгрузка конфигурации.").arg(kConfigRootFile));
  Reader(kConfigRootFile, root->toUtf8()).finish();
  ConfigTree tree;
  tree.globalModule = storedText(set.take(kGlobalModuleFile).value_or(QString()));
  for (ObjectKind kind : config::kAllKinds) {
    for (const QString& path : set.objectFiles(folderOf(kind))) {
      ConfigObject object = parseObject(kind, path, set);
      if (const ConfigObject* twin = tree.find(kind, object.definition.name))
        fail(QStringLiteral("%1 «%2» описан дважды (второй раз в файле «%3»).")
                 .arg(config::typeWord(kind), twin->definition.name, path));
      tree.objects << std::move(object);
    }
  }
  set.checkAllTaken();
  tree.sort();
  return tree;
}

namespace {

// A relative path of ours, checked again where it is joined to the folder: whatever a name
// held, nothing is written outside it.
QString insideFolder(const QDir& dir, const QString& relative) {
  const QString root = QDir::cleanPath(dir.absolutePath());
  const QString path = QDir::cleanPath(dir.absoluteFilePath(relative));
  if (QDir::isAbsolutePath(relative) || relative.contains(u'\\') || !path.startsWith(root + u'/') ||
      relative.split(u'/').contains(QStringLiteral("..")))
    fail(QStringLiteral("Путь «%1» выходит за пределы папки выгрузки.").arg(relative));
  return path;
}

QStringList kindFolders() {
  QStringList folders;
  for (ObjectKind kind : config::kAllKinds) folders << folderOf(kind);
  return folders;
}

}  // namespace

void writeConfigDirectory(const ConfigFiles& files, const QString& dirPath) {
  QDir dir(dirPath);
  const QString shown = QDir::toNativeSeparators(dir.absolutePath());
  if (dir.exists()) {
    const bool empty =
        dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty();
    if (!empty && !QFileInfo::exists(dir.filePath(kConfigRootFile)))
      fail(QStringLiteral("Папка «%1» не пуста и не содержит выгрузки конфигурации (файла «%2»); "
                          "выберите пустую папку или прежнюю выгрузку.")
               .arg(shown, kConfigRootFile));
    for (const QString& folder : kindFolders()) {
      QDir old(dir.filePath(folder));
      if (old.exists() && !old.removeRecursively())
        fail(QStringLiteral("Не удалось очистить папку «%1».")
                 .arg(QDir::toNativeSeparators(old.absolutePath())));
    }
    QFile::remove(dir.filePath(kGlobalModuleFile));
  } else if (!QDir().mkpath(dir.absolutePath())) {
    fail(QStringLiteral("Не удалось создать папку «%1».").arg(shown));
  }
  for (auto it = files.constBegin(); it != files.constEnd(); ++it) {
    const QString path = insideFolder(dir, it.key());
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
      fail(QStringLiteral("Не удалось создать папку для файла «%1».").arg(it.key()));
    // A plain write: a folder for version control needs no flush to the disk per file, which
    // would make an export of a few hundred files take seconds.
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(*it) != it->size() ||
        !file.flush())
      fail(QStringLiteral("Не удалось записать файл «%1»: %2")
               .arg(QDir::toNativeSeparators(path), file.errorString()));
  }
}

ConfigFiles readConfigDirectory(const QString& dirPath) {
  const QDir dir(QFileInfo(dirPath).absoluteFilePath());
  if (!QFileInfo::exists(dir.filePath(kConfigRootFile)))
    fail(QStringLiteral("В папке «%1» нет файла «%2»: это не выгрузка конфигурации.")
             .arg(QDir::toNativeSeparators(dir.absolutePath()), kConfigRootFile));
  QStringList paths = {kConfigRootFile};
  if (QFileInfo::exists(dir.filePath(kGlobalModuleFile))) paths << kGlobalModuleFile;
  for (const QString& folder : kindFolders()) {
    QDirIterator it(dir.filePath(folder), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) paths << dir.relativeFilePath(it.next());
  }
  ConfigFiles files;
  for (const QString& relative : paths) {
    QFile file(dir.filePath(relative));
    if (!file.open(QIODevice::ReadOnly))
      fail(QStringLiteral("Не удалось прочитать файл «%1»: %2")
               .arg(QDir::toNativeSeparators(file.fileName()), file.errorString()));
    files[relative] = file.readAll();
  }
  return files;
}

}  // namespace balvix::documents
