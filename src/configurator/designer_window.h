#pragma once

#include <QString>
#include <optional>
#include <vector>

#include "config/object_kind.h"
#include "configurator/configurator_window.h"
#include "configurator/table_rebuild.h"

class QGroupBox;
class QLineEdit;
class QListWidget;
class QListWidgetItem;

namespace balvix::configurator {

// The requisite lists a designer may have: its main list (catalog requisites, document
// header, register requisites, enumeration values) and a document's table part.
enum class RequisiteList { Main, TablePart };

// A designer of one configuration object (catalog, document, register, enumeration,
// journal, report): the object's name in Text1, whether it has its form_items row yet,
// and the save sequence they all share.
class DesignerWindow : public ConfiguratorWindow {
  Q_OBJECT

 public:
  // The object has its form_items row: opened for an existing one, or saved once.
  bool isExisting() const { return m_existing; }
  config::ObjectKind kind() const { return m_kind; }

  // Where the requisite editor's Apply lands: a row appended to the list, or the list's
  // selected row changed (nothing when none is selected); `type` and `required` become
  // the row's for the typed lists. A designer that is not open takes nothing.
  void applyRequisite(RequisiteList list, bool change, const QString& name,
                      const std::optional<QString>& type,
                      const std::optional<bool>& required = std::nullopt);

  // "&Сохранить": checks the object, writes it, then does what the designer does after
  // a save. True when everything was written.
  bool save();

 protected:
  DesignerWindow(shell::AppState& state, const QString& name, config::ObjectKind kind,
                 QWidget* parent);

  // The designer's list of that role; nullptr when it has none.
  virtual QListWidget* requisiteList(RequisiteList list) = 0;
  // Why the object cannot be saved under this name; empty when it can.
  virtual QString validate(const QString& name) = 0;
  // Asked once the object is valid and before its transaction begins, so a question never
  // holds the database: false keeps the designer open with nothing written.
  virtual bool confirmSave(const QString& /*name*/) { return true; }
  // Writes the object in one transaction; a DbError leaves nothing written.
  virtual void write(const QString& name) = 0;
  // Runs after a successful write, once the object counts as existing under its name.
  virtual void afterSave() = 0;
  bool unload() override;

  // Takes the object to design from the shared state: its name, whether it is new, the
  // caption, and Text1 (editable only for a new object).
  void captureObject();
  // Throws a DbError with the message when the last UPDATE changed no row: the object's
  // row has gone, and nothing of the save may stay.
  void requireRowUpdated(const QString& message) const;
  // Why a name cannot be given to the object: it is not an identifier (what names it in
  // the message), or the object is new and the name is taken (the taken message, with
  // the name for %1).
  QString nameProblem(const QString& name, const QString& what, const QString& taken) const;
  void rebuildMainWindow(bool withMenus);

  // A button that opens a window of working mode ("Ф&орма", "Д&иалог", "&Отчет"): usable
  // only while the window factory has that window, and, when `needsSavedObject`, once
  // the object has its row.
  void bindWorkingModeButton(QPushButton* button, const QString& windowName, bool needsSavedObject);
  void updateWorkingModeButtons();
  // Opens the shared instance of a runtime window in layout design for the object
  // named in Text1; the window reads FormDesignMode and CurrentObjectName when it loads.
  void openLayoutDesign(const QString& windowName);
  void askClose();
  void openModuleEditor(const QString& name);

  // The requisite list in its frame, with its add, change and delete buttons beside it.
  static QGroupBox* requisiteFrame(const QString& caption, QListWidget* list, QPushButton* add,
                                   QPushButton* change, QPushButton* remove);
  void openRequisiteEditor(const QString& mode, const QString& name,
                           const QString& type = QString(), bool typeEnabled = true,
                           bool required = false);
  // The list's current row, unless there is none or it is the "Наименование" row that a
  // list of typed requisites always keeps.
  static QListWidgetItem* editableRow(QListWidget* list, bool keepNameRow);
  // A row's type, "Текст" when it has none.
  static QString requisiteType(const QListWidgetItem* item);
  static bool isRequired(const QListWidgetItem* item);
  void deleteRequisite(QListWidget* list, bool keepNameRow);

  static inline const QString kNew = QStringLiteral("Новый");
  static inline const QString kNameRequisite = QStringLiteral("Наименование");

  const config::ObjectKind m_kind;
  const QString m_type;  // the kind's type word, as form_items.type holds it
  // Closing the designer ends form design mode (for the designers of objects with forms).
  bool m_endsFormDesign = false;
  QLineEdit* m_text1 = nullptr;  // the object's name, created by each designer
  bool m_existing = false;
  QString m_name;  // the name the form_items row is stored under
  // The object's tables as this designer read them: a save over tables changed since
  // (by another copy of the program) would lose those changes, and is refused.
  TableVersions m_tablesAtOpen;

 private:
  struct WorkingModeButton {
    QPushButton* button;
    QString windowName;
    bool needsSavedObject;
  };

  bool m_saving = false;
  std::vector<WorkingModeButton> m_workingModeButtons;
};

}  // namespace balvix::configurator
