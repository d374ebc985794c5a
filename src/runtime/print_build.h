#pragma once

#include <QString>
#include <optional>

#include "config/print_forms.h"
#include "documents/print_form.h"
#include "documents/report_sheet.h"

namespace balvix::script {
class Host;
struct SharedContext;
}  // namespace balvix::script

namespace balvix::runtime {

// Fills a print form's layout from one document: the layout is read, the module runs with
// `Документ`, `Форма`, `Таблица` and `Отчет`, and what it output comes back. A form whose
// layout has no sections prints the layout itself with its parameters as set. A malformed
// layout or a module error is shown through the message boxes (naming the form's module and
// its line) and gives nullopt. The document window, the journal and `--print` all print
// through here.
std::optional<documents::ReportSheet> buildPrintForm(script::SharedContext& context,
                                                     script::Host& host,
                                                     const config::PrintForm& form,
                                                     const documents::PrintedDocument& document);

}  // namespace balvix::runtime
