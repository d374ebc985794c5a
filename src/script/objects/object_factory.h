#pragma once

#include <QString>
#include <memory>

#include "script/global_functions.h"
#include "script/host.h"
#include "script/objects/shared_context.h"

namespace balvix::storage {
class Session;
}

namespace balvix::script {

// The script objects СоздатьОбъект makes (catalog, document, journal, register, account,
// file system, the current document, the postings of an account) over the program's shared state,
// and ОткрытьФорму of a catalog or the chart of accounts as a choice list of the document window.
class ScriptObjectFactory : public ObjectFactory {
 public:
  ScriptObjectFactory(Host& host, std::shared_ptr<SharedContext> context);

  std::shared_ptr<HostObject> createObject(const QString& kind) override;
  void openForm(const QString& kind, const QString& name) override;
  void openReport(const ReportRequest& request) override;

 private:
  Host& m_host;
  std::shared_ptr<SharedContext> m_context;
};

// The global-functions object the engine is given with Engine::setGlobalObject(), with a
// state of its own over the session (which may be null).
std::shared_ptr<HostObject> createGlobalFunctions(Host& host, storage::Session* session);
// The same over the program's shared state, which must outlive the engine.
std::shared_ptr<HostObject> createGlobalFunctions(Host& host, SharedContext& context);

}  // namespace balvix::script
