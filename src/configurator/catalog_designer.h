#pragma once

#include "configurator/designer_window.h"
#include "shell/window_names.h"

class QLineEdit;
class QListWidget;
class QPushButton;

namespace balvix::configurator {

// Catalog designer: the catalog's name, its menu caption and its requisites with their
// types. Saving writes the form_items row and re-creates the element table, keeping
// the elements already stored.
class frmSprFrm : public DesignerWindow {
  Q_OBJECT

 public:
  static inline const QString& kWindowName = shell::window_names::kCatalogDesigner;

  explicit frmSprFrm(shell::AppState& state, QWidget* parent = nullptr);

 protected:
  void load() override;
  QListWidget* requisiteList(RequisiteList list) override {
    return list == RequisiteList::Main ? m_list1 : nullptr;
  }
  QString validate(const QString& name) override;
  void write(const QString& name) override;
  void afterSave() override;

 public:
  // "Ф&орма": the catalog's element form in layout design.
  void openForm();

 private:
  QLineEdit* m_text2 = nullptr;
  QListWidget* m_list1 = nullptr;
  QPushButton* m_addButton = nullptr;     // Command5
  QPushButton* m_changeButton = nullptr;  // Command4
  QPushButton* m_deleteButton = nullptr;  // Command3
  QPushButton* m_saveButton = nullptr;    // Command1
  QPushButton* m_formButton = nullptr;    // Command2
  QPushButton* m_closeButton = nullptr;   // Command6
};

}  // namespace balvix::configurator
