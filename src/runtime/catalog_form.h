#pragma once

#include <QMap>
#include <QPointer>
#include <QStringList>
#include <optional>

#include "runtime/runtime_window.h"
#include "shell/layout_design.h"

class QPushButton;

namespace balvix::documents {
struct FieldProblem;
}

namespace balvix::runtime {

class FormControl;
class frmSprList;

// The catalog element form: one element of a catalog in a form built from the catalog's
// layout; saves it back with INSERT or UPDATE. Opened in layout design by the catalog
// designer, it arranges the catalog's fields and stores the layout when it closes.
class frmUniSpr : public RuntimeWindow, public shell::LayoutDesignTarget {
  Q_OBJECT

 public:
  // Loads at once from the shared state (CurrentObjectName, CurrentElementName); layout
  // design only when the opener asks for it.
  explicit frmUniSpr(shell::AppState& state, bool designMode = false, QWidget* parent = nullptr);
  ~frmUniSpr() override;

  FormControl* form() const { return m_frm; }
  const QString& catalog() const { return m_catalog; }
  // The list that opened the window: it is brought up to date after saving.
  void setOpener(frmSprList* list);
  // False when the element to open no longer exists: the window then closes itself.
  bool loaded() const { return m_loaded; }

  // The element menu and the requisite editor's element mode act on the layout.
  bool renameElement(const QString& element, const QString& newName) override;
  bool removeElement(const QString& element) override;

  // "&Записать": true when the element was written (the window then closes). An element written
  // by someone else since the window read it is not written over unless the user chooses so.
  bool save();
  // Who has the element open for editing when this window got it only to view; empty otherwise.
  const QString& editedBy() const { return m_editedBy; }
  qint64 version() const { return m_version; }
  bool hasUnsavedChanges() const override;

  // Default size of a catalog form without a stored layout, and the smallest size.
  static constexpr int kDefaultWidth = 7905;
  static constexpr int kDefaultHeight = 4875;
  static constexpr int kMinWidth = 6100;
  static constexpr int kMinHeight = 4400;

  // The layout composed for a catalog that has none: one text field per requisite.
  static QString composeLayout(const QStringList& names, const QStringList& types);

 protected:
  void activated(bool on) override;
  bool unload() override;
  bool saveChanges() override { return save(); }

 private:
  void load();
  // Writes the element; without `checkVersion` over whatever is stored.
  bool write(bool checkVersion);
  // Reads the stored element into the fields again («Взять их версию»); false when it is gone.
  bool readStored();
  // The refused write: the user chooses what becomes of it.
  bool resolveConflict();
  void lockForEditing();
  void chooseValue(const QString& type, const QString& field);
  void showElementMenu(const QString& name);
  QString table() const;
  // The values of the form's fields in their order: what closing compares with.
  QStringList fieldValues() const;
  // A required field left empty or a reference to nothing, among the fields shown.
  std::optional<documents::FieldProblem> checkFields(const QStringList& columns,
                                                     const QStringList& values);

  FormControl* m_frm = nullptr;
  QPushButton* m_cmdSave = nullptr;
  QPushButton* m_cmdClose = nullptr;
  QString m_catalog;
  QString m_elementName;  // the frm tag: the name the element had when the window opened
  bool m_designMode = false;
  bool m_loaded = false;
  QMap<QString, QString> m_values;  // what was read, for columns the layout has no field for
  QStringList m_clean;              // the field values as opened
  QPointer<frmSprList> m_list;
  qint64 m_version = 0;  // of the stored element as read
  QString m_lockKey;     // held while the window has the element open for editing
  QString m_editedBy;
};

}  // namespace balvix::runtime
