#include "script/objects/object_factory.h"

#include "script/objects/account_object.h"
#include "script/objects/catalog_object.h"
#include "script/objects/document_object.h"
#include "script/objects/file_system_object.h"
#include "script/objects/postings_object.h"
#include "script/objects/program_host.h"
#include "script/objects/register_object.h"
#include "script/runtime.h"
#include "storage/db_error.h"

namespace balvix::script {

namespace {

// A database error keeps its number and text in the module (Err.Number 3022 for a
// duplicate key, and so on).
std::optional<ScriptError> databaseError(const std::exception& failure) {
  if (const auto* db = dynamic_cast<const storage::DbError*>(&failure))
    return ScriptError::custom(db->number(), db->description());
  return std::nullopt;
}

}  // namespace

ScriptObjectFactory::ScriptObjectFactory(Host& host, std::shared_ptr<SharedContext> context)
    : m_host(host), m_context(std::move(context)) {
  // Every engine whose module reaches the database has its global functions made here.
  static const bool installed = (setFailureTranslator(&databaseError), true);
  (void)installed;
}

// The kinds compare exactly, letter case included: "справочник" is no object.
std::shared_ptr<HostObject> ScriptObjectFactory::createObject(const QString& kind) {
  if (kind == QStringLiteral("Справочник"))
    return std::make_shared<clsСправочник>(m_context, m_host);
  if (kind == QStringLiteral("Документ")) return std::make_shared<clsДокумент>(m_context, m_host);
  if (kind == QStringLiteral("Журнал")) return std::make_shared<clsЖурнал>(m_context, m_host);
  if (kind == QStringLiteral("Регистр")) return std::make_shared<clsРегистр>(m_context, m_host);
  if (kind == QStringLiteral("Счет")) return std::make_shared<clsСчет>(m_context, m_host);
  if (kind == QStringLiteral("Проводки")) return std::make_shared<clsПроводки>(m_context, m_host);
  if (kind == QStringLiteral("ФС")) return std::make_shared<clsФС>(m_context, m_host);
  if (kind == QStringLiteral("ТекущийДокумент"))
    return std::make_shared<ТекущийДокумент>(m_context, m_host);
  return nullptr;
}

// The name is kept in CurrentObjectName for the window that opens; catalogs and the chart
// of accounts open as choice lists of the document window.
void ScriptObjectFactory::openForm(const QString& kind, const QString& name) {
  m_context->currentObjectName = name;
  if (kind == QStringLiteral("Справочник") || kind == QStringLiteral("Счет"))
    ProgramHost::openChoiceWindowOf(m_host, kind, name);
}

void ScriptObjectFactory::openReport(const ReportRequest& request) {
  ProgramHost::openReportOf(m_host, request);
}

std::shared_ptr<HostObject> createGlobalFunctions(Host& host, storage::Session* session) {
  auto context = std::make_shared<SharedContext>();
  context->db = session;
  return std::make_shared<clsExt>(host, std::make_shared<ScriptObjectFactory>(host, context));
}

std::shared_ptr<HostObject> createGlobalFunctions(Host& host, SharedContext& context) {
  // The program owns its shared state; the objects only refer to it.
  std::shared_ptr<SharedContext> shared(&context, [](SharedContext*) {});
  return std::make_shared<clsExt>(host, std::make_shared<ScriptObjectFactory>(host, shared));
}

}  // namespace balvix::script
