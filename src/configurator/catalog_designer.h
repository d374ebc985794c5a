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
  QPushButton* m_command5 = nullptr;
  QPushButton* m_command4 = nullptr;
  QPushButton* m_command3 = nullptr;
  QPushButton* m_command1 = nullptr;
  QPushButton* m_command2 = nullptr;
  QPushButton* m_command6 = nullptr;
};

}  // namespace balvix::configurator
