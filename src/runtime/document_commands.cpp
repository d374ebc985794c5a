#include "runtime/document_commands.h"

#include "config/object_kind.h"
#include "documents/document_title.h"
#include "runtime/document_form.h"
#include "runtime/runtime_windows.h"
#include "script/objects/document_posting.h"
#include "shell/message_box.h"
#include "shell/object_deletion.h"
#include "shell/window_names.h"
#include "shell/window_provider.h"
#include "storage/session.h"

namespace balvix::runtime {

using shell::MessageBoxes;

namespace {

// The question's text, or empty when the document cannot be read (the error is shown).
QString askAbout(shell::AppState& state, const QString& kind, const script::DocumentKey& key,
                 bool removing) {
  try {
    // A document of the closed period is refused before the question, not after it.
    if (const QString refusal =
            script::posting::closedPeriodRefusal(*state.db, kind, key, removing);
        !refusal.isEmpty()) {
      MessageBoxes::show(
          refusal, shell::MsgButtons::Ok,
          removing ? QStringLiteral("Удаление...") : QStringLiteral("Отмена проведения"),
          shell::MsgIcon::Warning);
      return QString();
    }
    const QString title = documents::documentTitle(*state.db, kind, key);
    const documents::DocumentExtent extent = documents::documentExtent(*state.db, kind, key);
    return removing ? documents::deleteQuestion(title, extent)
                    : documents::unpostQuestion(title, extent);
  } catch (const storage::DbError& e) {
    MessageBoxes::show(e.description());
    return QString();
  }
}

}  // namespace

bool unpostDocument(shell::AppState& state, const QString& kind, const script::DocumentKey& key) {
  if (!state.db) return false;
  const QString question = askAbout(state, kind, key, false);
  if (question.isEmpty() ||
      MessageBoxes::show(question, shell::MsgButtons::YesNo, QStringLiteral("Отмена проведения"),
                         shell::MsgIcon::Question) != shell::MsgAnswer::Yes)
    return false;
  return shell::unpostStoredDocument(state, kind, key);
}

bool removeDocument(shell::AppState& state, const QString& kind, const script::DocumentKey& key) {
  if (!state.db) return false;
  const QString question = askAbout(state, kind, key, true);
  if (question.isEmpty() ||
      MessageBoxes::show(question, shell::MsgButtons::YesNo, QStringLiteral("Удаление..."),
                         shell::MsgIcon::Question) != shell::MsgAnswer::Yes)
    return false;
  try {
    script::posting::remove(*state.db, kind, key);
  } catch (const storage::DbError& e) {
    MessageBoxes::show(QStringLiteral("Документ не удален: ") + e.description());
    return false;
  }
  state.events.announceRemoved(kind, key);
  return true;
}

frmUniDoc* openNewDocument(shell::AppState& state, const QString& kind,
                           const std::optional<script::DocumentKey>& copyOf) {
  if (!state.windows) return nullptr;
  state.currentElementName.clear();
  state.currentObjectType = config::typeWord(config::ObjectKind::Document);
  state.currentObjectName = kind;
  state.pickedDocumentDate.clear();
  state.pickedDocumentTime.clear();
  state.formDesignMode = false;
  auto* form =
      qobject_cast<frmUniDoc*>(state.windows->newWindow(shell::window_names::kDocumentForm));
  if (!form || !form->loaded()) return nullptr;
  if (copyOf && !form->copyFrom(*copyOf)) {
    form->close();
    return nullptr;
  }
  state.documentWindow = form;
  showChild(state, form);
  return form;
}

frmUniDoc* openStoredDocument(shell::AppState& state, const QString& kind,
                              const script::DocumentKey& key) {
  if (!state.windows) return nullptr;
  state.currentElementName = kind;
  state.currentObjectType = config::typeWord(config::ObjectKind::Document);
  state.currentObjectName = kind;
  state.pickedDocumentDate = key.date;
  state.pickedDocumentTime = key.time;
  state.formDesignMode = false;
  auto* form =
      qobject_cast<frmUniDoc*>(state.windows->newWindow(shell::window_names::kDocumentForm));
  if (!form || !form->loaded()) return nullptr;
  state.documentWindow = form;
  showChild(state, form);
  return form;
}

}  // namespace balvix::runtime
