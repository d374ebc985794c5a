#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <memory>

#include "script/objects/shared_context.h"
#include "shell/catalog_events.h"
#include "shell/document_events.h"
#include "storage/object_locks.h"
#include "storage/session.h"

namespace balvix::script {
class ProgramHost;
}

namespace balvix::shell {

class frmMain;
class WindowProvider;

// The state that all windows share, in one visible place. The application owns the
// one instance and hands it to every window it creates. Its base holds what the script
// objects share with the windows (Db, SharedRecordset, CurrentObjectType,
// CurrentObjectName, DocumentSaveTime), so modules and windows see the same instances.
struct AppState : script::SharedContext {
  QString currentElementName;               // CurrentElementName
  QString selectedConfigNode;               // SelectedConfigNode: text of the node last clicked
  bool objectNodeSelected = false;          // ObjectNodeSelected
  bool formDesignMode = false;              // FormDesignMode
  QString pendingControlType;               // PendingControlType
  QString contextItemName;                  // ContextItemName
  QString contextFormKind;                  // ContextFormKind
  bool moduleEditorOpen = false;            // ModuleEditorOpen
  QStringList selectedJournalItem;          // SelectedJournalItem: the row's column texts
  QString pickedDocumentDate;               // PickedDocumentDate
  QString pickedDocumentTime;               // PickedDocumentTime
  QPointer<QObject> globalFunctionsObject;  // GlobalFunctionsObject

  QPointer<QWidget> documentWindow;  // DocumentWindow
  QPointer<QWidget> choiceWindow;    // ChoiceWindow
  QPointer<QWidget> journalWindow;   // JournalWindow
  QPointer<QWidget> reportWindow;    // ReportWindow

  // Saved, posted, unposted and removed documents, for every window that shows them.
  DocumentEvents events;
  // Catalogs whose elements changed in bulk, for the lists that show them.
  CatalogEvents catalogEvents;

  frmMain* mainWindow = nullptr;
  WindowProvider* windows = nullptr;    // the window factory
  script::ProgramHost* host = nullptr;  // the program's script host, handed to every engine

  // The locks and the presence of the program on the open database, made when first asked
  // for (the program then counts as one of the database's users); nullptr without a database.
  storage::ObjectLocks* objectLocks();
  // The user's name as the other programs see it.
  QString userName = storage::currentUserName();

 private:
  std::unique_ptr<storage::ObjectLocks> m_locks;
  const storage::Session* m_locksSession = nullptr;
  QString m_locksPath;
};

// Places a window in the middle of the main window's client area (negative positions
// are kept when the window is larger).
void CenterForm(AppState& state, QWidget* window);

}  // namespace balvix::shell
