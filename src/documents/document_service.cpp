#include "documents/document_service.h"

#include <QHash>

#include "config/audit_trail.h"
#include "config/closed_periods.h"
#include "config/global_module.h"
#include "config/table_names.h"
#include "documents/document_title.h"
#include "documents/posting_retry.h"
#include "script/objects/document_content_objects.h"
#include "script/objects/object_factory.h"
#include "storage/session.h"
#include "storage/sql_text.h"

namespace balvix::documents {

QString documentKeyCondition(const script::DocumentKey& key) {
  return QStringLiteral(" WHERE cDATE=") + storage::quote(key.date) +
         QStringLiteral(" AND cTIME=") + storage::quote(key.time);
}

QList<int> fieldPositions(const storage::Recordset& rs, const QStringList& names) {
  QHash<QString, int> at;
  for (int i = 0; i < rs.fieldCount(); ++i) at.insert(storage::foldName(rs.fieldName(i)), i);
  QList<int> positions;
  positions.reserve(names.size());
  for (const QString& name : names) positions << at.value(storage::foldName(name), -1);
  return positions;
}

std::vector<script::ModuleSource> moduleSources(storage::Session& db, const QString& name,
                                                const QString& code) {
  const QString trimmed = code.trimmed();
  if (trimmed.isEmpty() || trimmed == QLatin1String("_")) return {};
  return {{name, code}, {config::kGlobalModuleName, config::readGlobalModule(db)}};
}

SaveOutcome saveAndPost(script::SharedContext& context, script::Host& host,
                        const script::DocumentContent& content,
                        const std::optional<script::DocumentKey>& stored, script::Engine* engine,
                        QTime now, bool post, const SaveOptions& options) {
  SaveOutcome outcome;
  if (post && context.db) {
    if (const std::optional<config::ObjectDefinition> definition =
            config::readDefinition(*context.db, config::ObjectKind::Document, content.kind)) {
      ReferenceValues references(*context.db);
      outcome.problem = checkDocument(references, *definition, content);
      if (outcome.problem) return outcome;
    }
  }
  // Declared before the transaction begins, so the held boxes show after it has ended.
  script::Host::MessageHold hold(host);
  const std::size_t held = host.heldCount();
  const script::DocumentContent before = content;
  retryWhenBusy(
      [&] {
        outcome.error.reset();
        const script::PostResult result = script::posting::saveAndPost(
            context, content, stored,
            [&] {
              if (!engine) return true;
              try {
                engine->runThis(kSaveProcedure);
                if (options.reread) options.reread();
                return true;
              } catch (const script::ScriptError& e) {
                outcome.error = e;
                return false;
              }
            },
            now, post, options.expectedVersion);
        outcome.outcome = result.outcome;
        outcome.key = result.key;
        outcome.number = result.number;
        outcome.version = result.version;
      },
      [&] {
        host.dropHeldAfter(held);
        if (options.restore) options.restore(before);
      });
  return outcome;
}

DocumentService::DocumentService(script::SharedContext& context, script::Host& host,
                                 config::ObjectDefinition definition)
    : m_context(context), m_host(host), m_definition(std::move(definition)) {
  startNew(QDate::currentDate());
}

DocumentService::~DocumentService() {
  if (!m_engine) return;
  try {
    m_engine->unload();
  } catch (...) {
    // The engine keeps errors of Class_Terminate to itself; nothing is left to report to.
  }
}

std::unique_ptr<DocumentService> DocumentService::open(script::SharedContext& context,
                                                       script::Host& host, const QString& kind) {
  if (!context.db) return nullptr;
  std::optional<config::ObjectDefinition> definition =
      config::readDefinition(*context.db, config::ObjectKind::Document, kind);
  if (!definition) return nullptr;
  return std::make_unique<DocumentService>(context, host, std::move(*definition));
}

void DocumentService::startNew(const QDate& date) {
  m_content = script::newDocumentContent(m_definition, date);
}

std::optional<script::ScriptError> DocumentService::load() {
  if (m_loaded) return std::nullopt;
  m_loaded = true;
  if (!m_context.db) return std::nullopt;
  const std::vector<script::ModuleSource> sources =
      moduleSources(*m_context.db, m_definition.path(), m_definition.module);
  if (sources.empty()) return std::nullopt;
  m_engine = std::make_unique<script::Engine>(m_host);
  m_engine->setGlobalObject(script::createGlobalFunctions(m_host, m_context));
  m_engine->addObject(QStringLiteral("Форма"),
                      std::make_shared<script::ContentForm>(
                          m_content, newDocumentTitle(m_definition.description.trimmed().isEmpty()
                                                          ? m_definition.name
                                                          : m_definition.description.trimmed())));
  m_engine->addObject(QStringLiteral("Таблица"), std::make_shared<script::ContentTable>(m_content));
  try {
    m_engine->load(sources);
  } catch (const script::ScriptError& e) {
    m_engine.reset();
    return e;
  }
  return std::nullopt;
}

std::optional<script::ScriptError> DocumentService::tableChanged() {
  if (!m_engine || !m_engine->hasProcedure(kTableChangedProcedure)) return std::nullopt;
  try {
    m_engine->runThis(kTableChangedProcedure);
  } catch (const script::ScriptError& e) {
    return e;
  }
  return std::nullopt;
}

SaveOutcome DocumentService::saveAndPost(const std::optional<script::DocumentKey>& stored,
                                         QTime now, bool post,
                                         std::optional<qint64> expectedVersion) {
  SaveOptions options;
  options.restore = [this](const script::DocumentContent& before) { m_content = before; };
  options.expectedVersion = expectedVersion;
  return documents::saveAndPost(m_context, m_host, m_content, stored, m_engine.get(), now, post,
                                options);
}

bool DocumentService::readStored(const script::DocumentKey& key) {
  storage::Session& db = *m_context.db;
  const QString kind = m_definition.name;
  storage::Recordset header =
      db.openRecordset(QStringLiteral("SELECT * FROM ") + config::documentHeaderTable(kind) +
                       documentKeyCondition(key));
  // Unposted or deleted meanwhile: nothing to repost.
  if (header.eof() || header.text(QStringLiteral("Проводка")).trimmed() != QStringLiteral("1"))
    return false;
  startNew(QDate::fromString(key.date, QStringLiteral("dd.MM.yyyy")));
  m_storedNumber = header.fieldIndex(config::kDocumentNumberColumn) >= 0
                       ? header.text(config::kDocumentNumberColumn).trimmed()
                       : QString();
  // Every stored requisite reaches the module whole, whether or not the form shows it.
  QStringList names;
  for (int i = 0; i < header.fieldCount(); ++i) names << header.fieldName(i);
  const QStringList columns = config::requisiteColumns(config::TableRole::Header, names);
  const QList<int> at = fieldPositions(header, columns);
  m_content.header.clear();
  for (int c = 0; c < columns.size(); ++c)
    m_content.header.append({columns[c], header.text(at[c])});
  const QString tablePart = config::documentTablePartTable(kind);
  if (m_content.hasTablePart && db.tableExists(tablePart)) {
    storage::Recordset rows =
        db.openRecordset(QStringLiteral("SELECT * FROM ") + tablePart + documentKeyCondition(key));
    const QList<int> cells = fieldPositions(rows, m_content.rowColumns);
    for (; !rows.eof(); rows.moveNext()) {
      QStringList row;
      row.reserve(cells.size());
      for (int c : cells) row << (c >= 0 ? rows.text(c) : QString());
      m_content.rows << row;
    }
  }
  return true;
}

QString DocumentService::repost(const script::DocumentKey& key, const QStringList& registers,
                                bool* reposted, bool* closed) {
  if (reposted) *reposted = false;
  if (closed) *closed = false;
  if (!m_context.db) return QStringLiteral("база данных не открыта");
  storage::Session& db = *m_context.db;
  if (const std::optional<script::ScriptError> error = load()) return error->message();
  std::optional<script::ScriptError> error;
  QString skipped;
  bool gone = false;
  {
    script::Host::MessageHold hold(m_host);
    const std::size_t held = m_host.heldCount();
    retryWhenBusy(
        [&] {
          error.reset();
          skipped.clear();
          storage::Transaction transaction(db);
          gone = !readStored(key);
          if (gone) return;
          if (config::periods::readState(db).isClosed(m_content.date)) {
            if (closed) *closed = true;
            skipped = config::periods::closedText(config::periods::readState(db).closedTo) +
                      QStringLiteral(" Документ пропущен.");
            return;
          }
          script::posting::unpost(db, m_definition.name, key, registers, false);
          db.execute(QStringLiteral("UPDATE ") + config::documentHeaderTable(m_definition.name) +
                     QStringLiteral(" SET Проводка='1'") + documentKeyCondition(key));
          const script::DocumentContent read = m_content;
          script::posting::runAsPosting(
              m_context, m_definition.name, m_content.date, key,
              [&] {
                if (!m_engine) return true;
                try {
                  m_engine->runThis(kSaveProcedure);
                  return true;
                } catch (const script::ScriptError& e) {
                  error = e;
                  return false;
                }
              },
              m_storedNumber);
          // What the module wrote into the document is stored, as in a posting from its
          // window.
          if (!error && !(m_content == read)) script::posting::rewrite(db, m_content, key);
          if (!error) {
            config::audit::append(
                db, config::audit::event::kPosting,
                config::objectPath(config::ObjectKind::Document, m_definition.name),
                key.date + u' ' + key.time,
                QStringLiteral("№ %1; перепроведение").arg(m_storedNumber));
            transaction.commit();
          }
        },
        [&] { m_host.dropHeldAfter(held); });
  }
  if (gone) return QString();
  if (!skipped.isEmpty()) return skipped;
  if (reposted) *reposted = !error;
  return error ? error->message() : QString();
}

}  // namespace balvix::documents
