#pragma once

#include "configurator/designer_window.h"
#include "shell/window_names.h"

class QLineEdit;
class QListWidget;
class QPushButton;

namespace balvix::configurator {

// Register designer: the register's name, description and requisites (without types).
// Saving writes the form_items row and re-creates the movements table, keeping the
// movements already stored, then closes the designer.
class frmRegister : public DesignerWindow {
  Q_OBJECT

 public:
  static inline const QString& kWindowName = shell::window_names::kRegisterDesigner;

  explicit frmRegister(shell::AppState& state, QWidget* parent = nullptr);

 protected:
  void load() override;
  QListWidget* requisiteList(RequisiteList list) override {
    return list == RequisiteList::Main ? m_list1 : nullptr;
  }
  QString validate(const QString& name) override;
  void write(const QString& name) override;
  void afterSave() override;

 private:
  QLineEdit* m_text2 = nullptr;
  QListWidget* m_list1 = nullptr;
  QPushButton* m_addButton = nullptr;     // Command5
  QPushButton* m_changeButton = nullptr;  // Command4
  QPushButton* m_deleteButton = nullptr;  // Command3
  QPushButton* m_saveButton = nullptr;    // Command2
  QPushButton* m_closeButton = nullptr;   // Command1
};

}  // namespace balvix::configurator
