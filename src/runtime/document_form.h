#pragma once

#include <QDate>
#include <QStringList>
#include <optional>

#include "runtime/runtime_window.h"
#include "script/objects/document_posting.h"
#include "shell/layout_design.h"
#include "shell/window_interfaces.h"

class QDateEdit;
class QLabel;
class QPushButton;

namespace balvix::documents {
struct SaveOutcome;
}

namespace balvix::runtime {

class FormControl;
class ToolBarControl;

// The document form: the header fields of a document kind built from its layout, the
// table part, the document date and "Провести", which saves and posts the document in
// one transaction. Opened empty from the "Документы" menu, with a stored document from a
// journal, or by the document designer to arrange the kind's layout.
class frmUniDoc : public RuntimeWindow,
                  public shell::LayoutDesignTarget,
                  public shell::DocumentWindowInterface {
  Q_OBJECT

 public:
  // Loads at once from the shared state: CurrentObjectName (the kind), and for a stored
  // document PickedDocumentDate and PickedDocumentTime. Layout design is asked for by the
  // opener alone, never read from the shared state, so that a designer left open does not
  // turn documents opened from the menus into layouts.
  explicit frmUniDoc(shell::AppState& state, bool designMode = false, QWidget* parent = nullptr);
  ~frmUniDoc() override;

  FormControl* form() const { return m_frm; }
  QDateEdit* datePicker() const { return m_dt; }
  ToolBarControl* toolbar() const { return m_toolbar; }
  const QString& kind() const { return m_kind; }
  bool loaded() const { return m_loaded; }
  bool hasTable() const { return m_hasTable; }
  // The key of the stored document shown; nullopt for a new one.
  const std::optional<script::DocumentKey>& storedKey() const { return m_stored; }
  // Whether the stored document was posted with other content or removed after this
  // window read it: its copy here is not posted over it.
  bool outdated() const { return m_outdated != Outdated::No; }

  // "&Провести": true when the document was saved and posted (the window then closes).
  bool post();
  // "З&аписать" (Ctrl+S): saves the document unposted, as a draft; the window stays open on
  // the stored document. True when written.
  bool write();
  // "Отменить проведение" of a posted document, after the question; it becomes editable.
  bool unpost();
  // Fills a new document with the header and rows of the stored document `key` of this kind;
  // the date stays today's. False when it cannot be read.
  bool copyFrom(const script::DocumentKey& key);
  // «Печать»: the stored document through one of its kind's print forms (a menu of them
  // when there are several). A document not written yet, or changed since, is not printed.
  void print();
  void toolbarClicked(int number);
  // A stored posted document takes no input until it is unposted; nor does one that another
  // user has open for editing.
  bool readOnly() const;
  // Who has the document open for editing when this window got it only to view; empty
  // otherwise.
  const QString& editedBy() const { return m_editedBy; }
  qint64 version() const { return m_version; }
  bool hasUnsavedChanges() const override;
  QPushButton* saveButton() const { return m_cmdSave; }
  QPushButton* unpostButton() const { return m_cmdUnpost; }
  QPushButton* printButton() const { return m_cmdPrint; }

  bool renameElement(const QString& element, const QString& newName) override;
  bool removeElement(const QString& element) override;
  QDate documentDate() const override;

  static constexpr int kDefaultWidth = 7905;
  static constexpr int kDefaultHeight = 4875;
  static constexpr int kMinWidth = 7000;
  static constexpr int kMinHeight = 4400;
  static constexpr int kTablePartHeight = 2400;

 protected:
  void activated(bool on) override;
  bool unload() override;
  bool saveChanges() override { return write(); }

 private:
  void load();
  bool loadStored(storage::Session& db);
  // Shows the header and rows of the stored document `key`; false when there is none.
  bool readDocument(storage::Session& db, const script::DocumentKey& key, bool* posted);
  // The caption: the document's title once stored, the kind's caption and «(новый)» before.
  void updateTitle();
  // Posted: fields read-only, the bar with «Отменить проведение» shown.
  void applyPostedState();
  // Refuses with the reason when the stored copy changed or went after this window read it.
  bool refuseOutdated();
  // Shows why a save or posting did not go through (the refusal, the module's error) once
  // its transaction has ended; true when it went through.
  bool succeeded(const documents::SaveOutcome& result);
  void closeLater();
  script::DocumentContent content() const;
  // Puts `doc` back into the fields and the table (a posting retried after the module wrote).
  void showContent(const script::DocumentContent& doc);
  // Saves (and posts); without `checkVersion` over whatever is stored.
  bool saveDocument(bool posting, bool checkVersion);
  // A save refused because someone else wrote the document: the user chooses.
  bool resolveConflict(bool posting);
  // Shows the stored document again with its version («Взять их версию»).
  bool rereadStored();
  // Takes the editing lock of the stored document shown, or learns who holds it.
  void lockForEditing();
  void unlockEditing();
  void listenToDocumentEvents();
  bool showsStored(const QString& kind, const script::DocumentKey& key) const;
  void markOutdated(bool removed);

  FormControl* m_frm = nullptr;
  QLabel* m_ndoc = nullptr;
  QDateEdit* m_dt = nullptr;
  QPushButton* m_cmdOK = nullptr;
  QPushButton* m_cmdSave = nullptr;
  QPushButton* m_cmdUnpost = nullptr;
  QWidget* m_postedBar = nullptr;
  QPushButton* m_cmdClose = nullptr;
  QPushButton* m_cmdPrint = nullptr;
  ToolBarControl* m_toolbar = nullptr;
  QString m_kind;
  QString m_modulePath;  // "Документ.Приход": what its module errors are reported under
  bool m_designMode = false;
  bool m_hasTable = false;
  bool m_loaded = false;
  std::optional<script::DocumentKey> m_stored;
  bool m_storedPosted = false;  // as far as this window has heard
  enum class Outdated { No, Changed, Removed };
  Outdated m_outdated = Outdated::No;
  // What the window held when it was opened or last written: closing asks when it differs.
  script::DocumentContent m_clean;
  // Set while this window announces its own change, which it need not hear.
  bool m_announcing = false;
  qint64 m_version = 0;  // of the stored document as read
  QString m_lockKey;     // held while the window has the document open for editing
  QString m_editedBy;
};

}  // namespace balvix::runtime
