#include "documents/config_import.h"

#include <QDate>

#include "config/global_module.h"
#include "config/object_removal.h"
#include "config/print_forms.h"
#include "config/references.h"
#include "config/requisite_names.h"
#include "config/table_names.h"
#include "documents/config_files.h"
#include "documents/object_save.h"
#include "storage/session.h"
#include "storage/sql_text.h"

namespace balvix::documents {

using config::Requisite;
using config::RequisiteType;
using config::TableRole;

namespace {

[[noreturn]] void fail(const QString& message) {
  throw storage::DbError(storage::ErrorCode::Other, message);
}

QString quoted(const QString& text) {
  return QStringLiteral("«%1»").arg(text);
}

QString quotedList(const QStringList& names) {
  QStringList out;
  for (const QString& name : names) out << quoted(name);
  return out.join(QStringLiteral(", "));
}

qint64 countRows(storage::Session& db, const QString& table, const QString& where = {}) {
  storage::Recordset rs = db.openRecordset(QStringLiteral("SELECT COUNT(*) FROM ") + table + where);
  return rs.eof() ? 0 : rs.value(0).toLongLong();
}

QString nonEmpty(const QString& column) {
  return QStringLiteral(" WHERE ") + column + QStringLiteral(" IS NOT NULL AND ") + column +
         QStringLiteral("<>''");
}

// The roles of an object's tables with the requisites each holds.
QList<std::pair<TableRole, QList<Requisite>>> tablesOf(const ObjectDefinition& d) {
  switch (d.kind) {
    case ObjectKind::Catalog:
      return {{TableRole::Elements, d.requisites}};
    case ObjectKind::Document:
      if (d.hasTablePart)
        return {{TableRole::Header, d.requisites}, {TableRole::TablePart, d.tableRequisites}};
      return {{TableRole::Header, d.requisites}};
    case ObjectKind::Register:
      return {{TableRole::Movements, d.requisites}};
    default:
      return {};
  }
}

QStringList namesOf(const QList<Requisite>& requisites) {
  QStringList out;
  for (const Requisite& r : requisites) out << r.name;
  return out;
}

bool containsName(const QStringList& names, const QString& name) {
  return names.contains(name, Qt::CaseInsensitive);
}

// Whether a stored value still means something under the requisite's new type.
bool fits(const QString& value, const RequisiteType& type, const QStringList& choices) {
  switch (type.kind) {
    case RequisiteType::Kind::Number: {
      bool ok = false;
      QString(value).remove(u' ').replace(u',', u'.').toDouble(&ok);
      return ok;
    }
    case RequisiteType::Kind::Date:
      return QDate::fromString(value, QStringLiteral("dd.MM.yyyy")).isValid();
    case RequisiteType::Kind::Catalog:
    case RequisiteType::Kind::Enumeration:
      return choices.contains(value);
    default:
      return true;
  }
}

// The values a catalog or enumeration type offers after the load: an enumeration's from
// the files, a catalog's element names from the database.
QStringList choicesOf(storage::Session& db, const ConfigTree& files, const RequisiteType& type) {
  QStringList out;
  if (type.kind == RequisiteType::Kind::Enumeration) {
    if (const ConfigObject* e = files.find(ObjectKind::Enumeration, type.object))
      out = e->definition.enumerationValues();
  } else if (type.kind == RequisiteType::Kind::Catalog && storage::isValidIdentifier(type.object) &&
             db.tableExists(config::catalogTable(type.object))) {
    const QStringList columns = db.columns(config::catalogTable(type.object));
    if (columns.isEmpty()) return out;
    storage::Recordset rs =
        db.openRecordset(QStringLiteral("SELECT ") + columns.first() + QStringLiteral(" FROM ") +
                         config::catalogTable(type.object));
    for (; !rs.eof(); rs.moveNext()) out << rs.text(0);
  }
  return out;
}

class Planner {
 public:
  Planner(storage::Session& db, const ConfigTree& files, ImportPlan& plan)
      : m_db(db), m_files(files), m_plan(plan) {}

  void added(const ObjectDefinition& d) {
    checkNames(d);
    // A name that is no identifier is refused above and never reaches a statement.
    if (!storage::isValidIdentifier(d.name)) return;
    for (const auto& [role, requisites] : tablesOf(d)) {
      const QString table = config::tableName(role, d.name);
      if (!m_db.tableExists(table))
        say(QStringLiteral("будет создана таблица %1").arg(quoted(table)));
      else
        changedTable(table, role, {}, requisites);
    }
  }

  void removed(const ObjectDefinition& d) {
    if (d.kind == ObjectKind::Journal && d.name == config::kFullJournalName)
      m_plan.problems << QStringLiteral(
                             "Журнал «%1» есть в каждой базе и не удаляется; верните его "
                             "файл в папку выгрузки.")
                             .arg(d.name);
    if (d.kind == ObjectKind::Document && config::hasPostedDocuments(m_db, d.name))
      m_plan.problems << QStringLiteral(
                             "Документ «%1» удалить нельзя: есть проведенные документы "
                             "этого вида. Сначала отмените их проведение.")
                             .arg(d.name);
    referencesTo(d);
    if (!config::ownsTables(d.kind) || !storage::isValidIdentifier(d.name)) return;
    for (const QString& table : config::ownTables(d.kind, d.name)) {
      if (!m_db.tableExists(table)) continue;
      const qint64 rows = countRows(m_db, table);
      say(QStringLiteral("будет удалена таблица %1 (записей: %2)").arg(quoted(table)).arg(rows));
      if (rows > 0) m_plan.losesData = true;
    }
  }

  void changed(const ObjectDefinition& before, const ObjectDefinition& after) {
    checkNames(after);
    if (!storage::isValidIdentifier(before.name)) return;
    const auto old = tablesOf(before);
    for (const auto& [role, requisites] : tablesOf(after)) {
      const QString table = config::tableName(role, after.name);
      if (!m_db.tableExists(table)) {
        say(QStringLiteral("будет создана таблица %1").arg(quoted(table)));
        continue;
      }
      QList<Requisite> oldRequisites;
      for (const auto& [oldRole, list] : old)
        if (oldRole == role) oldRequisites = list;
      changedTable(table, role, oldRequisites, requisites);
    }
    if (before.hasTablePart && !after.hasTablePart) {
      const QString table = config::documentTablePartTable(before.name);
      if (m_db.tableExists(table))
        say(QStringLiteral("таблица %1 (записей: %2) останется в базе, но документ перестанет ее "
                           "показывать")
                .arg(quoted(table))
                .arg(countRows(m_db, table)));
    }
    if (after.kind == ObjectKind::Register &&
        namesOf(before.requisites) != namesOf(after.requisites))
      say(QStringLiteral("итоги регистра %1 будут пересчитаны").arg(quoted(after.name)));
  }

 private:
  void say(const QString& text) { m_plan.consequences << QStringLiteral("  ") + text; }

  // The requisites that would still name a removed catalog or enumeration as their type.
  void referencesTo(const ObjectDefinition& removed) {
    if (removed.kind != ObjectKind::Catalog && removed.kind != ObjectKind::Enumeration) return;
    const RequisiteType type = removed.kind == ObjectKind::Catalog
                                   ? RequisiteType::catalog(removed.name)
                                   : RequisiteType::enumeration(removed.name);
    QStringList users;
    for (const ConfigObject& object : m_files.objects) {
      const ObjectDefinition& d = object.definition;
      for (const QList<Requisite>* list : {&d.requisites, &d.tableRequisites})
        for (const Requisite& r : *list)
          if (r.type == type) users << config::objectPath(d.kind, d.name) + u'.' + r.name;
    }
    if (!users.isEmpty())
      say(QStringLiteral("на удаляемый объект %1 ссылаются реквизиты %2: их значения больше не "
                         "выбираются из списка")
              .arg(quoted(config::objectPath(removed.kind, removed.name)), quotedList(users)));
  }

  void checkNames(const ObjectDefinition& d) {
    const QString path = config::objectPath(d.kind, d.name);
    QString problem = storage::identifierProblem(d.name, QStringLiteral("Имя объекта"));
    if (problem.isEmpty() && d.name.compare(config::kNewObjectName, Qt::CaseInsensitive) == 0)
      problem = QStringLiteral("имя «%1» зарезервировано для нового объекта").arg(d.name);
    if (problem.isEmpty() && config::ownsTables(d.kind) && d.requisites.isEmpty())
      problem = QStringLiteral("у объекта нет ни одного реквизита");
    QStringList own;
    for (const auto& [role, requisites] : tablesOf(d)) own << config::tableName(role, d.name);
    if (d.kind == ObjectKind::Document) own << config::documentTablePartTable(d.name);
    for (const auto& [role, requisites] : tablesOf(d)) {
      if (!problem.isEmpty()) break;
      problem = config::requisiteNamesProblem(namesOf(requisites), config::systemColumns(role),
                                              m_db, own);
    }
    if (!problem.isEmpty()) m_plan.problems << QStringLiteral("%1: %2").arg(path, problem);
  }

  // Columns the rebuild adds and drops (names matched without letter case, as it does), and
  // the values of kept columns that the new type would not take.
  void changedTable(const QString& table, TableRole role, const QList<Requisite>& before,
                    const QList<Requisite>& after) {
    const QStringList columns = config::requisiteColumns(role, m_db.columns(table));
    const QStringList wanted = namesOf(after);
    QStringList addedColumns;
    for (const QString& name : wanted)
      if (!containsName(columns, name)) addedColumns << name;
    if (!addedColumns.isEmpty())
      say(QStringLiteral("в таблицу %1 будут добавлены поля %2")
              .arg(quoted(table), quotedList(addedColumns)));
    QStringList dropped;
    qint64 lost = 0;
    for (const QString& column : columns) {
      if (containsName(wanted, column)) continue;
      const qint64 filled = countRows(m_db, table, nonEmpty(column));
      lost += filled;
      dropped << QStringLiteral("%1 (заполнено записей: %2)").arg(quoted(column)).arg(filled);
    }
    if (!dropped.isEmpty()) {
      say(QStringLiteral("из таблицы %1 (записей: %2) будут удалены поля %3")
              .arg(quoted(table))
              .arg(countRows(m_db, table))
              .arg(dropped.join(QStringLiteral(", "))));
      if (lost > 0) m_plan.losesData = true;
    }
    for (const Requisite& now : after) {
      const Requisite* was = nullptr;
      for (const Requisite& r : before)
        if (r.name.compare(now.name, Qt::CaseInsensitive) == 0) was = &r;
      if (!was || was->type == now.type || !containsName(columns, now.name)) continue;
      const QStringList choices = choicesOf(m_db, m_files, now.type);
      qint64 misfits = 0;
      storage::Recordset rs =
          m_db.openRecordset(QStringLiteral("SELECT ") + now.name + QStringLiteral(" FROM ") +
                             table + nonEmpty(now.name));
      for (; !rs.eof(); rs.moveNext())
        if (!fits(rs.text(0), now.type, choices)) ++misfits;
      if (misfits == 0) continue;
      say(QStringLiteral("поле %1 таблицы %2: тип %3 → %4, значений, не подходящих к новому типу: "
                         "%5 (они будут потеряны для учета)")
              .arg(quoted(now.name), quoted(table), quoted(was->type.text()),
                   quoted(now.type.text()))
              .arg(misfits));
      m_plan.losesData = true;
    }
  }

  storage::Session& m_db;
  const ConfigTree& m_files;
  ImportPlan& m_plan;
};

// The kinds in the order their objects are stored: what a requisite type names first.
constexpr ObjectKind kApplyOrder[] = {ObjectKind::Enumeration, ObjectKind::Catalog,
                                      ObjectKind::Register,    ObjectKind::Journal,
                                      ObjectKind::Document,    ObjectKind::Report};

}  // namespace

QStringList ImportPlan::lines() const {
  QStringList out;
  if (diff.isEmpty()) {
    out << QStringLiteral("Конфигурация совпадает с файлами: загружать нечего.");
    return out;
  }
  out << QStringLiteral("Изменения конфигурации:");
  out << diff.lines();
  if (!consequences.isEmpty()) {
    out << QStringLiteral("Последствия для данных:");
    out << consequences;
  }
  if (!problems.isEmpty()) {
    out << QStringLiteral("Загрузка невозможна:");
    for (const QString& problem : problems) out << QStringLiteral("  ") + problem;
  }
  return out;
}

int exportConfiguration(storage::Session& db, const QString& dir) {
  const ConfigFiles files = renderConfigFiles(readConfigTree(db));
  writeConfigDirectory(files, dir);
  return static_cast<int>(files.size());
}

ConfigTree readConfigurationFiles(const QString& dir) {
  return parseConfigFiles(readConfigDirectory(dir));
}

ImportPlan planImport(storage::Session& db, const ConfigTree& files) {
  ImportPlan plan;
  const ConfigTree stored = readConfigTree(db);
  plan.diff = compareConfigs(stored, files);
  Planner planner(db, files, plan);
  for (const ObjectChange& change : plan.diff.objects) {
    switch (change.kind) {
      case ObjectChange::Kind::Added:
        planner.added(files.find(change.objectKind, change.name)->definition);
        break;
      case ObjectChange::Kind::Removed:
        planner.removed(stored.find(change.objectKind, change.storedName)->definition);
        break;
      case ObjectChange::Kind::Changed:
        planner.changed(stored.find(change.objectKind, change.storedName)->definition,
                        files.find(change.objectKind, change.name)->definition);
        break;
    }
  }
  return plan;
}

void applyImport(storage::Session& db, const ConfigTree& files, const ImportPlan& plan,
                 bool allowDataLoss, storage::RebuildProgress* progress) {
  if (!plan.problems.isEmpty())
    fail(QStringLiteral("Конфигурация не загружена: ") + plan.problems.join(QStringLiteral("; ")));
  if (plan.losesData && !allowDataLoss)
    fail(
        QStringLiteral("Конфигурация не загружена: загрузка удалила бы данные (см. последствия "
                       "для данных). Подтвердите потерю данных, чтобы загрузить."));
  storage::Transaction transaction(db);
  for (const ObjectChange& change : plan.diff.objects)
    if (change.kind == ObjectChange::Kind::Removed)
      config::removeObject(db, change.objectKind, change.storedName);
  for (ObjectKind kind : kApplyOrder) {
    for (const ObjectChange& change : plan.diff.objects) {
      if (change.objectKind != kind || change.kind == ObjectChange::Kind::Removed) continue;
      const ConfigObject& object = *files.find(kind, change.name);
      const bool added = change.kind == ObjectChange::Kind::Added;
      // A module or layout alone changes no table: the rows are not copied for it.
      if (added || change.structureChanged)
        saveDefinition(db, object.definition,
                       added ? std::nullopt : std::optional<QString>(change.storedName), progress);
      config::writeContentColumns(db, object.definition);
      if (kind == ObjectKind::Document && change.printFormsChanged) {
        config::deletePrintForms(db, added ? change.name : change.storedName);
        for (const PrintForm& form : object.printForms)
          config::addPrintForm(db, object.definition.name, form);
      }
    }
  }
  if (plan.diff.globalModuleChanged) config::writeGlobalModule(db, files.globalModule);
  transaction.commit();
}

}  // namespace balvix::documents
