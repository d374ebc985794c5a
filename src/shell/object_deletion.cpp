#include "shell/object_deletion.h"

#include "config/document_numbers.h"
#include "config/object_definition.h"
#include "config/object_kind.h"
#include "config/object_removal.h"
#include "config/print_forms.h"
#include "config/table_names.h"
#include "script/objects/document_posting.h"
#include "shell/app_state.h"
#include "shell/frm_main.h"
#include "shell/layout_design.h"
#include "shell/message_box.h"
#include "shell/window_names.h"
#include "shell/window_provider.h"
#include "storage/sql_text.h"

namespace balvix::shell {

bool deleteConfigurationObject(AppState& state, const QString& type, const QString& name) {
  // Only the six kinds have rows of their own; any other type word names nothing to delete.
  const std::optional<config::ObjectKind> kind = config::kindFromWord(type);
  if (!state.db || !kind || name.isEmpty() || name == config::kNewObjectName) return false;
  if (MessageBoxes::ask(QStringLiteral(
          "Удаление объекта приведет к удалению движений связанных с ним, продолжить?")) !=
      MsgAnswer::Yes)
    return false;
  try {
    if (kind == config::ObjectKind::Document && config::hasPostedDocuments(*state.db, name)) {
      MessageBoxes::show(QStringLiteral("Удаляемый объект имеет движения, удаление невозможно!"));
      return false;
    }
    // All or nothing: a half-deleted object would leave a metadata row without its tables.
    storage::Transaction transaction(*state.db);
    config::removeObject(*state.db, *kind, name);
    transaction.commit();
  } catch (const storage::DbError& e) {
    MessageBoxes::show(e.description());
    return false;
  }
  if (state.mainWindow) {
    state.mainWindow->BuildMenus();
    state.mainWindow->BuildConfigTree();
  }
  MessageBoxes::show(QStringLiteral("Все успешно удалено."), MsgButtons::Ok,
                     QStringLiteral("Удаление объекта"));
  return true;
}

bool removeFormElement(AppState& state) {
  QString form = window_names::kCatalogElementForm;
  if (state.contextFormKind != QLatin1String("spr")) {
    state.contextFormKind = QStringLiteral("doc");
    form = window_names::kDocumentForm;
  }
  if (!state.windows) return false;
  auto* target = dynamic_cast<LayoutDesignTarget*>(state.windows->existingSharedWindow(form));
  return target && target->removeElement(state.contextItemName);
}

bool unpostSelectedDocument(AppState& state) {
  // A copy: announcing the change re-selects the row, which replaces the selection.
  const QStringList row = state.selectedJournalItem;
  if (!state.db || row.size() < 4) return false;
  return unpostStoredDocument(state, row[1], script::DocumentKey{row[2], row[3]});
}

bool unpostStoredDocument(AppState& state, const QString& kind, const script::DocumentKey& key) {
  if (!state.db) return false;
  try {
    script::posting::unpost(*state.db, kind, key);
  } catch (const storage::DbError& e) {
    MessageBoxes::show(QStringLiteral("Проведение документа не отменено: ") + e.description());
    return false;
  }
  state.events.announceUnposted(kind, key);
  return true;
}

}  // namespace balvix::shell
