#include "documents/catalog_import.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QStringDecoder>
#include <cmath>
#include <utility>

#include "config/audit_trail.h"
#include "config/object_kind.h"
#include "config/table_names.h"
#include "documents/csv_reader.h"
#include "documents/list_export.h"
#include "documents/xlsx_reader.h"
#include "storage/session.h"
#include "storage/table_indexes.h"

namespace balvix::documents {

using Kind = config::RequisiteType::Kind;

namespace {

const QString kName = QStringLiteral("Наименование");
const QString kDateFormat = QStringLiteral("dd.MM.yyyy");
// Rows written between two reports of progress (and chances to cancel).
constexpr std::size_t kPortion = 2000;
// Values bound to one statement that inserts several elements (well under the engines'
// limits on parameters).
constexpr int kValuesPerInsert = 250;
// Above this many updates a load indexes the names for its own time.
constexpr std::size_t kIndexedUpdates = 64;

QString text(std::string_view view) {
  return QString::fromUtf8(view.data(), static_cast<qsizetype>(view.size()));
}

// Digits with at most one «,» or «.» before the fraction and a sign in front.
bool plainNumber(QStringView t) {
  qsizetype i = 0;
  const qsizetype n = t.size();
  if (i < n && (t[i] == u'+' || t[i] == u'-')) ++i;
  qsizetype whole = 0, fraction = 0;
  for (; i < n && t[i] >= u'0' && t[i] <= u'9'; ++i) ++whole;
  const bool point = i < n && (t[i] == u'.' || t[i] == u',');
  if (point)
    for (++i; i < n && t[i] >= u'0' && t[i] <= u'9'; ++i) ++fraction;
  return i == n && (whole > 0 || (point && fraction > 0));
}

// «12,5» and «12.5»: the same text but for «,» and «.».
bool sameButSeparator(QStringView a, QStringView b) {
  if (a.size() != b.size()) return false;
  for (qsizetype i = 0; i < a.size(); ++i)
    if (a[i] != b[i] && !((a[i] == u',' || a[i] == u'.') && (b[i] == u',' || b[i] == u'.')))
      return false;
  return true;
}

// A number as people type it: blanks between thousands dropped; «,» or «.» before the
// fraction kept as typed, since the forms take either. nullopt when it is no number.
std::optional<QString> numberValue(const QString& value) {
  if (plainNumber(value)) return value;
  QString t = value.trimmed();
  t.remove(u' ');
  t.remove(QChar(0x00A0));
  t.remove(QChar(0x202F));
  if (plainNumber(t)) return t;
  // A workbook writes some numbers with an exponent.
  bool ok = false;
  const double d = t.toDouble(&ok);
  if (ok && std::isfinite(d)) return QString::number(d, 'g', 15);
  return std::nullopt;
}

// dd.MM.yyyy, written by hand: QDate::toString goes through the locale's machinery.
QString dateText(const QDate& date) {
  int year = 0, month = 0, day = 0;
  date.getDate(&year, &month, &day);
  if (year < 0 || year > 9999) return date.toString(kDateFormat);
  const char16_t text[10] = {char16_t(u'0' + day / 10),
                             char16_t(u'0' + day % 10),
                             u'.',
                             char16_t(u'0' + month / 10),
                             char16_t(u'0' + month % 10),
                             u'.',
                             char16_t(u'0' + year / 1000),
                             char16_t(u'0' + year / 100 % 10),
                             char16_t(u'0' + year / 10 % 10),
                             char16_t(u'0' + year % 10)};
  return QString(reinterpret_cast<const QChar*>(text), 10);
}

// Day 0 of a workbook's dates is 30.12.1899 (Julian day 2415019); day 2958466 would be
// 1.1.10000.
constexpr qint64 kSerialZero = 2415019;
constexpr qint64 kLastSerial = 2958466;

// A date in the forms a file brings it, or a workbook's serial day number (a time of day
// after the date is dropped). Stored as dd.MM.yyyy.
std::optional<QString> dateValue(const QString& value) {
  QStringView t = QStringView(value).trimmed();
  if (const qsizetype blank = t.indexOf(u' '); blank > 0) t = t.left(blank);
  if (const qsizetype iso = t.indexOf(u'T'); iso > 0) t = t.left(iso);
  const QDate date = dateOfText(t);
  if (date.isValid()) {
    // What the program stores comes back as it is, without a copy.
    if (t.size() == 10 && t.size() == value.size() && t[2] == u'.' && t[5] == u'.') return value;
    return dateText(date);
  }
  // A workbook's day number, with the time of day as a fraction: read by hand, the usual
  // case of a column of dates.
  qint64 days = 0;
  qsizetype i = 0;
  for (; i < t.size() && i < 8 && t[i] >= u'0' && t[i] <= u'9'; ++i)
    days = days * 10 + (t[i].unicode() - u'0');
  bool whole = i > 0 && i == t.size();
  if (i > 0 && i < t.size() && t[i] == u'.') {
    qsizetype j = i + 1;
    while (j < t.size() && t[j] >= u'0' && t[j] <= u'9') ++j;
    whole = j == t.size();
  }
  if (!whole) {
    bool ok = false;
    const double serial = t.toDouble(&ok);
    if (!ok || !(serial >= 0) || serial >= kLastSerial) return std::nullopt;
    days = static_cast<qint64>(std::floor(serial));
  }
  if (days < 1 || days >= kLastSerial) return std::nullopt;
  return dateText(QDate::fromJulianDay(kSerialZero + days));
}

QSet<QString> namesOf(storage::Session& db, const QString& sql, int column = 0) {
  QSet<QString> names;
  db.forEachRow(sql, [&](const storage::RowView& row) { names.insert(text(row.text(column))); });
  return names;
}

// The stored elements as a load compares with them: each one's name and the values of the
// requisites the file loads, decoded into one text and seen through views of it, found by
// name. A catalog of 100,000 elements is read without a string per value.
class StoredElements {
 public:
  // `kept`: the table's columns whose values are kept beside the name (column `nameAt`).
  void read(storage::Session& db, const QString& table, int nameAt, const QList<int>& kept) {
    m_width = static_cast<int>(kept.size()) + 1;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    qsizetype size = 0;
    const auto append = [&](std::string_view value) {
      m_starts.push_back(size);
      const qsizetype need = size + decoder.requiredSpace(static_cast<qsizetype>(value.size()));
      if (m_text.size() < need) m_text.resize(std::max(need, 2 * m_text.size()));
      const QChar* end = decoder.appendToBuffer(
          m_text.data() + size, QByteArrayView(value.data(), static_cast<qsizetype>(value.size())));
      size = end - m_text.constData();
    };
    db.forEachRow(QStringLiteral("SELECT * FROM ") + table, [&](const storage::RowView& row) {
      append(nameAt < row.columnCount() ? row.text(nameAt) : std::string_view());
      for (const int c : kept) append(c < row.columnCount() ? row.text(c) : std::string_view());
    });
    m_starts.push_back(size);
    m_text.resize(size);
    // The text no longer changes: the views of it stay good. The first of a name counts.
    const int count = this->count();
    m_byName.reserve(count);
    for (int e = 0; e < count; ++e)
      if (const QStringView name = slot(e, 0); !m_byName.contains(name)) m_byName.insert(name, e);
  }
  int count() const { return static_cast<int>((m_starts.size() - 1) / m_width); }
  // The element of that name; -1 when there is none.
  int find(QStringView name) const { return m_byName.value(name, -1); }
  // Slot 0 is the name, slot k the k-th kept column's value.
  QStringView slot(int element, int k) const {
    const std::size_t at = static_cast<std::size_t>(element) * m_width + k;
    return QStringView(m_text).mid(m_starts[at], m_starts[at + 1] - m_starts[at]);
  }

 private:
  QString m_text;
  std::vector<qsizetype> m_starts;  // where each slot begins, then where the last one ends
  int m_width = 1;
  QHash<QStringView, int> m_byName;
};

}  // namespace

QString actionText(ImportAction action) {
  switch (action) {
    case ImportAction::Added:
      return QStringLiteral("добавлен");
    case ImportAction::Changed:
      return QStringLiteral("изменен");
    case ImportAction::Unchanged:
      return QStringLiteral("без изменений");
    case ImportAction::Refused:
      return QStringLiteral("отказ");
  }
  return {};
}

QString refusalsPath(const QString& sourcePath) {
  const QFileInfo info(sourcePath);
  return info.dir().filePath(info.completeBaseName() + QStringLiteral(".отказы.csv"));
}

CatalogImport::CatalogImport(storage::Session& db, QString catalog)
    : m_db(db), m_catalog(std::move(catalog)) {}

QString CatalogImport::open() {
  try {
    const std::optional<config::ObjectDefinition> definition =
        config::readDefinition(m_db, config::ObjectKind::Catalog, m_catalog);
    if (!definition || !m_db.tableExists(config::catalogTable(m_catalog)))
      return QStringLiteral("В конфигурации нет справочника «%1».").arg(m_catalog);
    m_requisites = definition->requisites;
  } catch (const storage::DbError& e) {
    return e.description();
  }
  if (!requisiteNames().contains(kName, Qt::CaseInsensitive))
    return QStringLiteral("У справочника «%1» нет реквизита «Наименование».").arg(m_catalog);
  return {};
}

QStringList CatalogImport::requisiteNames() const {
  QStringList names;
  for (const config::Requisite& r : m_requisites) names << r.name;
  return names;
}

QString CatalogImport::readFile(const QString& path) {
  SourceTable table;
  const QString error = readSourceFile(path, table);
  if (!error.isEmpty()) return error;
  setSource(std::move(table), path);
  return {};
}

void CatalogImport::setSource(SourceTable table, const QString& path) {
  m_source = std::move(table);
  m_path = path;
  m_mapping.clear();
  const QStringList names = requisiteNames();
  for (const QString& column : m_source.header) {
    QString target;
    for (const QString& name : names)
      if (name.compare(column, Qt::CaseInsensitive) == 0 && !m_mapping.contains(name))
        target = name;
    m_mapping << target;
  }
}

QString CatalogImport::setMapping(const QStringList& mapping) {
  const QStringList names = requisiteNames();
  QStringList seen;
  for (const QString& target : mapping) {
    if (target.isEmpty()) continue;
    if (!names.contains(target))
      return QStringLiteral("У справочника «%1» нет реквизита «%2».").arg(m_catalog, target);
    if (seen.contains(target))
      return QStringLiteral("В реквизит «%1» загружается несколько столбцов.").arg(target);
    seen << target;
  }
  m_mapping = mapping;
  while (m_mapping.size() < m_source.header.size()) m_mapping << QString();
  return {};
}

struct CatalogImport::Plan {
  std::vector<QStringList> inserts;  // every requisite, in column order
  std::vector<QStringList> updates;  // the mapped requisites, then the name
  QStringList updateColumns;
  QHash<QString, QStringList> created;   // catalog → names, in the order first met
  std::vector<std::size_t> refusedRows;  // indexes into the source's rows
};

bool CatalogImport::plan(const ImportOptions& options, const ImportProgress& progress, qint64 total,
                         Plan& out, ImportReport& report) {
  const QStringList names = requisiteNames();
  const int nameAt = static_cast<int>(names.indexOf(kName));
  // For each requisite, the file column that feeds it (-1 for none).
  QList<int> columnOf(names.size(), -1);
  for (int c = 0; c < m_mapping.size(); ++c) {
    const int r = static_cast<int>(names.indexOf(m_mapping[c]));
    if (r >= 0)
      columnOf[r] = c;
    else if (c < m_source.header.size())
      report.notes << QStringLiteral("Столбец «%1» не загружается.").arg(m_source.header[c]);
  }
  if (columnOf[nameAt] < 0) {
    report.error = QStringLiteral("В файле нет столбца для реквизита «Наименование».");
    return false;
  }
  for (int r = 0; r < names.size(); ++r)
    if (columnOf[r] >= 0 && r != nameAt) out.updateColumns << names[r];

  const QString table = config::catalogTable(m_catalog);
  // The stored values compared are those of the requisites the file loads.
  QList<int> kept;
  QList<int> slotOf(names.size(), -1);
  for (int r = 0; r < names.size(); ++r)
    if (columnOf[r] >= 0 && r != nameAt) {
      kept << r;
      slotOf[r] = static_cast<int>(kept.size());
    }
  StoredElements existing;
  QHash<QString, QSet<QString>> choices;  // a chosen type's text → the values it allows
  try {
    existing.read(m_db, table, nameAt, kept);
    for (int r = 0; r < m_requisites.size(); ++r) {
      const config::RequisiteType& type = m_requisites[r].type;
      if (columnOf[r] < 0 || !type.isChosen() || choices.contains(type.text())) continue;
      QSet<QString> allowed;
      if (type.kind == Kind::Catalog) {
        if (type.object.compare(m_catalog, Qt::CaseInsensitive) == 0)
          for (int e = 0; e < existing.count(); ++e) allowed.insert(existing.slot(e, 0).toString());
        else if (m_db.tableExists(config::catalogTable(type.object)))
          allowed = namesOf(m_db, QStringLiteral("SELECT Наименование FROM ") +
                                      config::catalogTable(type.object));
      } else if (type.kind == Kind::Enumeration) {
        const QStringList values = config::readEnumerationValues(m_db, type.object);
        allowed = QSet<QString>(values.cbegin(), values.cend());
      } else {
        allowed = namesOf(m_db, QStringLiteral("SELECT Код FROM plan"));
      }
      choices.insert(type.text(), allowed);
    }
  } catch (const storage::DbError& e) {
    report.error = e.description();
    return false;
  }
  // Elements of this very catalog that the file brings count for its own references.
  for (int r = 0; r < m_requisites.size(); ++r) {
    const config::RequisiteType& type = m_requisites[r].type;
    if (type.kind == Kind::Catalog && type.object.compare(m_catalog, Qt::CaseInsensitive) == 0)
      for (const QStringList& row : m_source.rows)
        choices[type.text()].insert(row.value(columnOf[nameAt]));
  }
  // The values each chosen requisite allows, looked up once rather than by its type's text
  // in every row.
  QList<const QSet<QString>*> allowedOf(names.size(), nullptr);
  for (int r = 0; r < m_requisites.size(); ++r)
    if (const auto found = choices.constFind(m_requisites[r].type.text()); found != choices.cend())
      allowedOf[r] = &*found;

  QHash<QString, int> seenAt;  // a name → the file row that brought it first
  seenAt.reserve(static_cast<qsizetype>(m_source.rows.size()));
  QSet<QString> createdSeen;
  const std::size_t count = m_source.rows.size();
  for (std::size_t i = 0; i < count; ++i) {
    if (progress && i % kPortion == 0 && !progress(static_cast<qint64>(i), total)) {
      report.cancelled = true;
      return false;
    }
    const QStringList& row = m_source.rows[i];
    const int number = m_source.rowNumbers[i];
    const QString name = row.value(columnOf[nameAt]);
    QStringList reasons;
    QStringList values;  // every requisite; the unmapped ones empty
    values.reserve(names.size());
    const int stored = existing.find(name);
    const bool update = stored >= 0;
    QList<std::pair<QString, QString>> toCreate;
    for (int r = 0; r < names.size(); ++r) {
      const config::Requisite& requisite = m_requisites[r];
      if (columnOf[r] < 0) {
        values << QString();  // an update leaves it as stored
        if (!update && requisite.required)
          reasons << QStringLiteral("не заполнен обязательный реквизит «%1»").arg(requisite.name);
        continue;
      }
      QString value = row.value(columnOf[r]);
      const bool empty = value.trimmed().isEmpty();
      if (empty) {
        if (r == nameAt)
          reasons << QStringLiteral("не заполнено Наименование");
        else if (requisite.required)
          reasons << QStringLiteral("не заполнен обязательный реквизит «%1»").arg(requisite.name);
        values << QString();
        continue;
      }
      const config::RequisiteType& type = requisite.type;
      if (type.kind == Kind::Number) {
        if (const auto number = numberValue(value))
          value = *number;
        else
          reasons << QStringLiteral("%1: «%2» не является числом").arg(requisite.name, value);
      } else if (type.kind == Kind::Date) {
        if (const auto date = dateValue(value))
          value = *date;
        else
          reasons << QStringLiteral("%1: «%2» не является датой").arg(requisite.name, value);
      } else if (type.isChosen()) {
        if (!allowedOf[r] || !allowedOf[r]->contains(value)) {
          if (type.kind == Kind::Catalog && options.createMissing &&
              m_db.tableExists(config::catalogTable(type.object)))
            toCreate.append({type.object, value});
          else if (type.kind == Kind::Catalog)
            reasons << QStringLiteral("%1: в справочнике «%2» нет элемента «%3»")
                           .arg(requisite.name, type.object, value);
          else if (type.kind == Kind::Enumeration)
            reasons << QStringLiteral("%1: «%2» не является значением перечисления «%3»")
                           .arg(requisite.name, value, type.object);
          else
            reasons
                << QStringLiteral("%1: в плане счетов нет счета «%2»").arg(requisite.name, value);
        }
      }
      values << value;
    }
    if (!name.trimmed().isEmpty()) {
      const auto first = seenAt.constFind(name);
      if (first != seenAt.cend())
        reasons << QStringLiteral("Наименование «%1» уже есть в строке %2").arg(name).arg(*first);
      else
        seenAt.insert(name, number);
    }
    if (!reasons.isEmpty()) {
      ++report.refused;
      report.rows.append({number, ImportAction::Refused, name, reasons.join(QStringLiteral("; "))});
      out.refusedRows.push_back(i);
      continue;
    }
    for (const auto& [catalog, element] : toCreate) {
      if (createdSeen.contains(catalog + u'\n' + element)) continue;
      createdSeen.insert(catalog + u'\n' + element);
      out.created[catalog] << element;
      report.created << catalog + QStringLiteral(": ") + element;
    }
    if (!update) {
      ++report.added;
      report.rows.append({number, ImportAction::Added, name, {}});
      out.inserts.push_back(std::move(values));
      continue;
    }
    QStringList changes;
    QStringList assignment;
    for (int r = 0; r < names.size(); ++r) {
      if (columnOf[r] < 0 || r == nameAt) continue;
      const QStringView before = existing.slot(stored, slotOf[r]);
      // The same number with the other decimal separator (a CSV written for a spreadsheet)
      // leaves the stored text as it is.
      if (m_requisites[r].type.isNumber() && sameButSeparator(values[r], before))
        values[r] = before.toString();
      if (QStringView(values[r]) != before) changes << names[r];
      assignment << values[r];
    }
    if (changes.isEmpty()) {
      ++report.unchanged;
      continue;
    }
    ++report.changed;
    report.rows.append({number, ImportAction::Changed, name, changes.join(QStringLiteral(", "))});
    assignment << name;
    out.updates.push_back(std::move(assignment));
  }
  return true;
}

ImportReport CatalogImport::check(const ImportOptions& options, const ImportProgress& progress) {
  ImportReport report;
  Plan plan;
  this->plan(options, progress, static_cast<qint64>(m_source.rows.size()), plan, report);
  return report;
}

ImportReport CatalogImport::load(const ImportOptions& options, const ImportProgress& progress) {
  ImportReport report;
  Plan plan;
  const qint64 rows = static_cast<qint64>(m_source.rows.size());
  const qint64 total = 2 * rows;
  if (!this->plan(options, progress, total, plan, report)) return report;
  if (report.refused > 0 && !options.skipBad) {
    report.error = QStringLiteral("Загрузка не выполнена: отказано строк: %1.").arg(report.refused);
    return report;
  }
  const QString refusals = report.refused > 0 ? refusalsPath(m_path) : QString();
  try {
    storage::Transaction transaction(m_db);
    for (auto i = plan.created.cbegin(); i != plan.created.cend(); ++i) {
      std::vector<QStringList> elements;
      for (const QString& name : i.value()) elements.push_back({name});
      m_db.executeEach(QStringLiteral("INSERT INTO ") + config::catalogTable(i.key()) +
                           QStringLiteral(" (Наименование) VALUES (?)"),
                       elements);
    }
    const QStringList names = requisiteNames();
    const QString table = config::catalogTable(m_catalog);
    // New elements go in by many to a statement: what the engine does per statement is
    // paid once for all of them.
    const int perStatement = std::max(1, kValuesPerInsert / static_cast<int>(names.size()));
    const QString tuple = u'(' + QStringList(names.size(), QStringLiteral("?")).join(u',') + u')';
    const QString head = QStringLiteral("INSERT INTO ") + table + u'(' + names.join(u',') +
                         QStringLiteral(") VALUES ");
    const QString insertOne = head + tuple;
    const QString insertMany = head + QStringList(perStatement, tuple).join(u',');
    QStringList sets;
    for (const QString& column : plan.updateColumns) sets << column + QStringLiteral("=?");
    const QString update = QStringLiteral("UPDATE ") + table + QStringLiteral(" SET ") +
                           sets.join(u',') + QStringLiteral(" WHERE Наименование=?");
    qint64 done = rows;
    auto write = [&](const QString& sql, std::vector<QStringList>& all, bool grouped) {
      const std::size_t group = grouped ? static_cast<std::size_t>(perStatement) : 1;
      for (std::size_t at = 0; at < all.size(); at += kPortion) {
        const std::size_t end = std::min(all.size(), at + kPortion);
        std::vector<QStringList> many;
        std::size_t i = at;
        for (; group > 1 && i + group <= end; i += group) {
          QStringList joined;
          joined.reserve(static_cast<qsizetype>(group) * names.size());
          for (std::size_t j = i; j < i + group; ++j) joined += std::move(all[j]);
          many.push_back(std::move(joined));
        }
        m_db.executeEach(insertMany, many);
        m_db.executeEach(sql, std::vector<QStringList>(std::make_move_iterator(all.begin() + i),
                                                       std::make_move_iterator(all.begin() + end)));
        done += static_cast<qint64>(end - at);
        if (progress && !progress(done, total)) return false;
      }
      return true;
    };
    // The catalog's table has no index on the name: many updates by name would each read
    // the whole table. One made for the load and dropped before it commits finds them.
    QString nameIndex;
    if (!sets.isEmpty() && plan.updates.size() > kIndexedUpdates)
      storage::ensureIndex(m_db, table, {kName}, QStringLiteral("import_") + table, &nameIndex);
    if (!write(insertOne, plan.inserts, true) ||
        (!sets.isEmpty() && !write(update, plan.updates, false))) {
      report.cancelled = true;
      return report;  // the transaction is rolled back on its way out
    }
    if (!nameIndex.isEmpty()) storage::dropIndex(m_db, nameIndex);
    if (!refusals.isEmpty()) {
      ListTable refused;
      refused.headers << QStringLiteral("Строка") << QStringLiteral("Причина") << m_source.header;
      std::size_t next = 0;
      for (const ImportRowOutcome& outcome : std::as_const(report.rows)) {
        if (outcome.action != ImportAction::Refused) continue;
        const std::size_t i = plan.refusedRows[next++];
        refused.rows.push_back(QStringList{QString::number(outcome.row), outcome.reason} +
                               m_source.rows[i]);
      }
      const QString error = list_export::writeCsv(refused, refusals);
      if (!error.isEmpty()) {
        report.error = error;
        return report;
      }
      report.refusalsFile = refusals;
    }
    if (!plan.inserts.empty() || !plan.updates.empty() || !plan.created.isEmpty()) {
      QStringList made;
      for (auto i = plan.created.cbegin(); i != plan.created.cend(); ++i)
        made << QStringLiteral("%1: %2").arg(i.key()).arg(i.value().size());
      config::audit::append(
          m_db, config::audit::event::kImport,
          config::objectPath(config::ObjectKind::Catalog, m_catalog), QString(),
          QStringLiteral("Файл «%1»: добавлено элементов %2, изменено %3, отказано строк %4%5")
              .arg(QDir::toNativeSeparators(m_path))
              .arg(plan.inserts.size())
              .arg(plan.updates.size())
              .arg(report.refused)
              .arg(made.isEmpty() ? QString()
                                  : QStringLiteral("; созданы элементы других справочников: ") +
                                        made.join(QStringLiteral(", "))));
    }
    transaction.commit();
    report.written = !plan.inserts.empty() || !plan.updates.empty() || !plan.created.isEmpty();
    if (!plan.inserts.empty() || !plan.updates.empty()) report.changedCatalogs << m_catalog;
    for (auto i = plan.created.cbegin(); i != plan.created.cend(); ++i)
      report.changedCatalogs << i.key();
  } catch (const storage::DbError& e) {
    if (!refusals.isEmpty()) QFile::remove(refusals);
    report.refusalsFile.clear();
    report.error = e.description();
  }
  return report;
}

QDate dateOfText(QStringView text) {
  int parts[3] = {0, 0, 0};
  int digits[3] = {0, 0, 0};
  int part = 0;
  QChar separator;
  for (const QChar c : text) {
    if (c >= u'0' && c <= u'9') {
      if (++digits[part] > 4) return {};
      parts[part] = parts[part] * 10 + (c.unicode() - u'0');
    } else if ((c == u'.' || c == u'-' || c == u'/') && part < 2 && digits[part] > 0 &&
               (separator.isNull() || c == separator)) {
      separator = c;
      ++part;
    } else {
      return {};
    }
  }
  if (part != 2 || digits[2] == 0) return {};
  if (separator == u'-') {
    if (digits[0] != 4 || digits[1] > 2 || digits[2] > 2) return {};
    return QDate(parts[0], parts[1], parts[2]);
  }
  if (digits[0] > 2 || digits[1] > 2 || (digits[2] != 4 && digits[2] != 2)) return {};
  int year = parts[2];
  if (digits[2] == 2) year += year < 50 ? 2000 : 1900;
  return QDate(year, parts[1], parts[0]);
}

QString readSourceFile(const QString& path, SourceTable& table) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    return QStringLiteral("Не удалось открыть файл «%1»: %2").arg(path, file.errorString());
  const QByteArray start = file.peek(4);
  if (start == QByteArray("PK\x03\x04", 4)) {
    file.close();
    return xlsx_reader::readFile(path, table);
  }
  return csv_reader::parse(csv_reader::decode(file.readAll()), table);
}

}  // namespace balvix::documents
