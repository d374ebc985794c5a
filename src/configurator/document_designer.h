#pragma once

#include <QPointer>

#include "configurator/designer_window.h"
#include "shell/window_names.h"

class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace balvix::configurator {

class frmPrintForms;

// Document designer: the document's name, menu caption, journal, header requisites and
// table-part columns. Saving writes the form_items row (with a module template for a
// new document) and re-creates the header and table-part tables, keeping stored rows.
class frmDocs : public DesignerWindow {
  Q_OBJECT

 public:
  static inline const QString& kWindowName = shell::window_names::kDocumentDesigner;

  explicit frmDocs(shell::AppState& state, QWidget* parent = nullptr);

  // Removes the blanks from the name when it has any, with the correction message.
  void checkName();

  static QString moduleTemplate();

  // «Печатные формы…» of a saved kind: the window that lists them; nullptr before a save.
  frmPrintForms* openPrintForms();
  QPushButton* printFormsButton() const { return m_printFormsButton; }

 protected:
  void load() override;
  QListWidget* requisiteList(RequisiteList list) override {
    return list == RequisiteList::Main ? m_list1 : m_list2;
  }
  QString validate(const QString& name) override;
  void write(const QString& name) override;
  void afterSave() override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void loadExisting();
  void addRow(bool header);
  void changeHeaderRow();

  QLineEdit* m_text2 = nullptr;
  QComboBox* m_combo1 = nullptr;
  QListWidget* m_list1 = nullptr;
  QListWidget* m_list2 = nullptr;
  QPushButton* m_addHeaderButton = nullptr;     // Command5
  QPushButton* m_changeHeaderButton = nullptr;  // Command4
  QPushButton* m_deleteHeaderButton = nullptr;  // Command3
  QPushButton* m_addColumnButton = nullptr;     // Command6
  QPushButton* m_changeColumnButton = nullptr;  // Command7
  QPushButton* m_deleteColumnButton = nullptr;  // Command8
  QPushButton* m_saveButton = nullptr;          // Command1
  QPushButton* m_formButton = nullptr;          // Command2
  QPushButton* m_moduleButton = nullptr;        // Command9
  QPushButton* m_closeButton = nullptr;         // Command10
  QPushButton* m_printFormsButton = nullptr;    // Command11
  QPointer<frmPrintForms> m_printForms;
};

}  // namespace balvix::configurator
