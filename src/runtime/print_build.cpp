#include "runtime/print_build.h"

#include "documents/report_engine.h"
#include "runtime/module_runner.h"
#include "script/engine.h"
#include "script/objects/object_factory.h"
#include "script/objects/shared_context.h"
#include "shell/message_box.h"
#include "storage/db_error.h"

namespace balvix::runtime {

std::optional<documents::ReportSheet> buildPrintForm(script::SharedContext& context,
                                                     script::Host& host,
                                                     const config::PrintForm& form,
                                                     const documents::PrintedDocument& document) {
  if (!context.db) return std::nullopt;
  auto report = std::make_shared<documents::ReportEngine>();
  QString problem;
  if (!report->loadLayout(form.layout, &problem)) {
    shell::MessageBoxes::show(
        QStringLiteral("Макет печатной формы «%1»: %2").arg(form.name, problem));
    return std::nullopt;
  }
  report->setCaption(documents::printTitle(form, document));
  std::vector<script::ModuleSource> sources;
  try {
    sources = documents::printFormSources(*context.db, document.content.kind, form);
  } catch (const storage::DbError& e) {
    shell::MessageBoxes::show(e.description());
    return std::nullopt;
  }
  report->restartOutput();
  if (sources.empty()) return report->output();
  bool built = false;
  {
    ModuleRunner runner;
    runner.setHost(&host);
    runner.setModuleName(config::printFormPath(document.content.kind, form.name));
    script::Engine& engine = runner.start(script::createGlobalFunctions(host, context));
    documents::addPrintObjects(report, engine, document);
    built = runner.run([&] { engine.load(sources); });
    runner.end();
  }
  context.sharedRecordset.close();
  if (!built) return std::nullopt;
  return report->output();
}

}  // namespace balvix::runtime
