#pragma once

#include "configurator/designer_window.h"
#include "shell/window_names.h"

class QListWidget;
class QPushButton;

namespace balvix::configurator {

// Enumeration designer: a name and an ordered list of text values, kept as the value
// list ("value;value;") in the code column of the enumeration's form_items row.
class frmEnum : public DesignerWindow {
  Q_OBJECT

 public:
  static inline const QString& kWindowName = shell::window_names::kEnumerationDesigner;

  explicit frmEnum(shell::AppState& state, QWidget* parent = nullptr);

 protected:
  void load() override;
  QListWidget* requisiteList(RequisiteList list) override {
    return list == RequisiteList::Main ? m_list1 : nullptr;
  }
  QString validate(const QString& name) override;
  bool confirmSave(const QString& name) override;
  void write(const QString& name) override;
  void afterSave() override;

 private:
  void changeValue();

  QListWidget* m_list1 = nullptr;
  QPushButton* m_addButton = nullptr;     // Command5
  QPushButton* m_changeButton = nullptr;  // Command4
  QPushButton* m_deleteButton = nullptr;  // Command3
  QPushButton* m_saveButton = nullptr;    // Command2
  QPushButton* m_closeButton = nullptr;   // Command1
};

// Splits a stored value list: every value ends with ";"; text after the last ";" is not
// a value.
QStringList splitValueList(const QString& code);

}  // namespace balvix::configurator
