#include "runtime/value_choice.h"

#include "config/object_definition.h"
#include "config/requisite_type.h"
#include "runtime/catalog_list.h"
#include "runtime/chart_of_accounts.h"
#include "runtime/form_control.h"
#include "runtime/runtime_windows.h"
#include "shell/message_box.h"
#include "shell/window_names.h"
#include "shell/window_provider.h"
#include "storage/db_error.h"

namespace balvix::runtime {

void chooseValue(shell::AppState& state, FormControl* form, const QString& caption,
                 const QString& type, const QString& field) {
  if (!form) return;
  const qsizetype point = type.indexOf(QLatin1Char('.'));
  const QString kind = point < 0 ? type : type.left(point);
  const QString object = point < 0 ? QString() : type.mid(point + 1);
  if (kind == QStringLiteral("Счет")) {
    auto* plan = qobject_cast<frmPlan*>(
        state.windows ? state.windows->sharedWindow(shell::window_names::kChartOfAccounts)
                      : nullptr);
    if (!plan) return;
    plan->setChoiceTarget(form, caption, field);
    showChild(state, plan);
  } else if (kind == config::typeWord(config::ObjectKind::Catalog)) {
    state.currentObjectName = object;
    auto* list = qobject_cast<frmSprList*>(
        state.windows ? state.windows->newWindow(shell::window_names::kCatalogList) : nullptr);
    if (!list) return;
    state.choiceWindow = list;
    list->setChoiceTarget(form, caption, field);
    showChild(state, list);
  } else if (kind == config::typeWord(config::ObjectKind::Enumeration)) {
    if (!state.db) return;
    try {
      for (const QString& value : config::readEnumerationValues(*state.db, object))
        form->AddChoice(value);
      form->ShowChoices();
    } catch (const storage::DbError& e) {
      shell::MessageBoxes::show(e.description());
    }
  }
}

}  // namespace balvix::runtime
