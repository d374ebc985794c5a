#include "documents/catalog_import.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <cmath>
#include <utility>

#include "config/table_names.h"
#include "documents/csv_reader.h"
#include "documents/list_export.h"
#include "documents/xlsx_reader.h"
#include "storage/session.h"

namespace balvix::documents {

using Kind = config::RequisiteType::Kind;

namespace {

const QString kName = QStringLiteral("Наименование");
const QString kDateFormat = QStringLiteral("dd.MM.yyyy");
// Rows written between two reports of progress (and chances to cancel).
constexpr std::size_t kPortion = 2000;

QString text(std::string_view view) {
  return QString::fromUtf8(view.data(), static_cast<qsizetype>(view.size()));
}

// A number as people type it: blanks between thousands dropped; «,» or «.» before the
// fraction kept as typed, since the forms take either. nullopt when it is no number.
std::optional<QString> numberValue(const QString& value) {
  QString t = value.trimmed();
  t.remove(u' ');
  t.remove(QChar(0x00A0));
  t.remove(QChar(0x202F));
  static const QRegularExpression plain(QStringLiteral("^[+-]?([0-9]+([.,][0-9]*)?|[.,][0-9]+)$"));
  if (plain.match(t).hasMatch()) return t;
  // A workbook writes some numbers with an exponent.
  bool ok = false;
  const double d = t.toDouble(&ok);
  if (ok && std::isfinite(d)) return QString::number(d, 'g', 15);
  return std::nullopt;
}

// A date in the forms a file brings it, or a workbook's serial day number (a time of day
// after the date is dropped). Stored as dd.MM.yyyy.
std::optional<QString> dateValue(const QString& value) {
  QStringView t = QStringView(value).trimmed();
  if (const qsizetype blank = t.indexOf(u' '); blank > 0) t = t.left(blank);
  if (const qsizetype iso = t.indexOf(u'T'); iso > 0) t = t.left(iso);
  const QDate date = dateOfText(t);
  if (date.isValid()) return date.toString(kDateFormat);
  bool ok = false;
  const double serial = t.toDouble(&ok);
  if (ok && serial >= 1 && serial < 2958466)
    return QDate(1899, 12, 30)
        .addDays(static_cast<qint64>(std::floor(serial)))
        .toString(kDateFormat);
  return std::nullopt;
}

QSet<QString> namesOf(storage::Session& db, const QString& sql, int column = 0) {
  QSet<QString> names;
  db.forEachRow(sql, [&](const storage::RowView& row) { names.insert(text(row.text(column))); });
  return names;
}

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
  QHash<QString, QStringList> existing;
  QHash<QString, QSet<QString>> choices;  // a chosen type's text → the values it allows
  try {
    m_db.forEachRow(QStringLiteral("SELECT * FROM ") + table, [&](const storage::RowView& row) {
      QStringList values;
      values.reserve(row.columnCount());
      for (int c = 0; c < row.columnCount(); ++c) values << text(row.text(c));
      const QString name = values.value(nameAt);
      if (!existing.contains(name)) existing.insert(name, std::move(values));
    });
    for (int r = 0; r < m_requisites.size(); ++r) {
      const config::RequisiteType& type = m_requisites[r].type;
      if (columnOf[r] < 0 || !type.isChosen() || choices.contains(type.text())) continue;
      QSet<QString> allowed;
      if (type.kind == Kind::Catalog) {
        if (type.object.compare(m_catalog, Qt::CaseInsensitive) == 0)
          for (auto i = existing.cbegin(); i != existing.cend(); ++i) allowed.insert(i.key());
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

  QHash<QString, int> seenAt;  // a name → the file row that brought it first
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
    QStringList values;  // every requisite; the unmapped ones from the stored element
    values.reserve(names.size());
    const auto stored = existing.constFind(name);
    const bool update = stored != existing.cend();
    QList<std::pair<QString, QString>> toCreate;
    for (int r = 0; r < names.size(); ++r) {
      const config::Requisite& requisite = m_requisites[r];
      if (columnOf[r] < 0) {
        values << (update ? stored->value(r) : QString());
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
        const QSet<QString>& allowed = choices[type.text()];
        if (!allowed.contains(value)) {
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
      if (values[r] != stored->value(r)) changes << names[r];
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
    const QString insert = QStringLiteral("INSERT INTO ") + table + u'(' + names.join(u',') +
                           QStringLiteral(") VALUES (") +
                           QStringList(names.size(), QStringLiteral("?")).join(u',') + u')';
    QStringList sets;
    for (const QString& column : plan.updateColumns) sets << column + QStringLiteral("=?");
    const QString update = QStringLiteral("UPDATE ") + table + QStringLiteral(" SET ") +
                           sets.join(u',') + QStringLiteral(" WHERE Наименование=?");
    qint64 done = rows;
    auto write = [&](const QString& sql, std::vector<QStringList>& all) {
      for (std::size_t at = 0; at < all.size(); at += kPortion) {
        const std::size_t end = std::min(all.size(), at + kPortion);
        m_db.executeEach(sql, std::vector<QStringList>(std::make_move_iterator(all.begin() + at),
                                                       std::make_move_iterator(all.begin() + end)));
        done += static_cast<qint64>(end - at);
        if (progress && !progress(done, total)) return false;
      }
      return true;
    };
    if (!write(insert, plan.inserts) || (!sets.isEmpty() && !write(update, plan.updates))) {
      report.cancelled = true;
      return report;  // the transaction is rolled back on its way out
    }
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
    transaction.commit();
    report.written = !plan.inserts.empty() || !plan.updates.empty() || !plan.created.isEmpty();
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
