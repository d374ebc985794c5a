#include "app/run_document.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>
#include <map>
#include <memory>

#include "app/console_host.h"
#include "documents/document_service.h"
#include "storage/session.h"
#include "storage/sql_text.h"

namespace balvix::app {

namespace {

using namespace balvix::script;

// A refusal of one file: its message, and whether the file could not be read at all.
struct Refusal {
  QString message;
  int code = 1;
};

QString text(const QJsonValue& value) {
  if (value.isDouble()) return QString::number(value.toDouble(), 'g', 15);
  if (value.isBool()) return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
  return value.toString();
}

// Puts `value` under `name`, found with letter case ignored; false when there is no such.
bool assign(QList<QPair<QString, QString>>& fields, const QString& name, const QString& value) {
  for (auto& [field, stored] : fields)
    if (storage::sameName(field, name)) {
      stored = value;
      return true;
    }
  return false;
}

std::optional<Refusal> enter(
    SharedContext& context, ConsoleHost& host, const QString& file, bool post,
    std::map<QString, std::unique_ptr<documents::DocumentService>>& services) {
  QFile f(file);
  if (!f.open(QIODevice::ReadOnly))
    return Refusal{QStringLiteral("%1: не удается открыть файл: %2").arg(file, f.errorString()), 2};
  QJsonParseError parseError;
  const QJsonDocument json = QJsonDocument::fromJson(f.readAll(), &parseError);
  if (!json.isObject())
    return Refusal{QStringLiteral("%1: не документ JSON: %2").arg(file, parseError.errorString())};
  const QJsonObject doc = json.object();
  const QString kind = doc.value(QStringLiteral("kind")).toString();
  const QDate date = doc.contains(QStringLiteral("date"))
                         ? QDate::fromString(doc.value(QStringLiteral("date")).toString(),
                                             QStringLiteral("dd.MM.yyyy"))
                         : QDate::currentDate();
  if (!date.isValid())
    return Refusal{QStringLiteral("%1: «date» не является датой ДД.ММ.ГГГГ").arg(file)};
  auto it = services.find(kind);
  if (it == services.end())
    it = services.emplace(kind, documents::DocumentService::open(context, host, kind)).first;
  if (!it->second)
    return Refusal{QStringLiteral("%1: документ «%2» не найден в конфигурации").arg(file, kind)};
  documents::DocumentService& service = *it->second;
  if (const std::optional<ScriptError> error = service.load()) return Refusal{error->message()};
  service.startNew(date);
  DocumentContent& content = service.content();
  const QJsonObject header = doc.value(QStringLiteral("header")).toObject();
  for (auto field = header.begin(); field != header.end(); ++field)
    if (!assign(content.header, field.key(), text(field.value())))
      return Refusal{
          QStringLiteral("%1: в документе «%2» нет реквизита «%3»").arg(file, kind, field.key())};
  const QJsonArray rows = doc.value(QStringLiteral("rows")).toArray();
  if (!rows.isEmpty() && !content.hasTablePart)
    return Refusal{QStringLiteral("%1: у документа «%2» нет табличной части").arg(file, kind)};
  for (const QJsonValue& row : rows) {
    QList<QPair<QString, QString>> cells;
    for (const QString& column : std::as_const(content.rowColumns))
      cells.append({column, QString()});
    const QJsonObject object = row.toObject();
    for (auto cell = object.begin(); cell != object.end(); ++cell)
      if (!assign(cells, cell.key(), text(cell.value())))
        return Refusal{QStringLiteral("%1: в табличной части документа «%2» нет колонки «%3»")
                           .arg(file, kind, cell.key())};
    QStringList values;
    for (const auto& [column, value] : std::as_const(cells)) values << value;
    content.rows << values;
  }
  if (!rows.isEmpty())
    if (const std::optional<ScriptError> error = service.tableChanged())
      return Refusal{error->message()};
  const documents::SaveOutcome outcome =
      service.saveAndPost(std::nullopt, QTime::currentTime(), post);
  if (outcome.problem) return Refusal{QStringLiteral("%1: %2").arg(file, outcome.problem->message)};
  if (outcome.error) {
    // A refusal the module raised itself is its message to the user; anything else says where.
    return Refusal{outcome.error->isModuleMessage() ? outcome.error->description()
                                                    : outcome.error->message()};
  }
  if (outcome.outcome != PostOutcome::Posted)
    return Refusal{QStringLiteral("%1: документ не записан").arg(file)};
  writeLine(stdout, outcome.key.date + QLatin1Char(' ') + outcome.key.time + QStringLiteral(" № ") +
                        outcome.number);
  return std::nullopt;
}

}  // namespace

int runDocumentCommand(const QStringList& files, const QString& dbPath, bool post) {
  const std::unique_ptr<storage::Session> session = openCommandDatabase(dbPath);
  if (!session) return 2;
  ConsoleHost host;
  SharedContext context;
  context.db = session.get();
  std::map<QString, std::unique_ptr<documents::DocumentService>> services;
  for (const QString& file : files) {
    try {
      if (const std::optional<Refusal> refusal = enter(context, host, file, post, services)) {
        writeLine(stderr, refusal->message);
        return refusal->code;
      }
    } catch (const storage::DbError& e) {
      writeLine(stderr, QStringLiteral("%1: %2").arg(file, e.description()));
      return 1;
    }
  }
  return 0;
}

}  // namespace balvix::app
