#pragma once

#include "configurator/designer_window.h"
#include "shell/window_names.h"

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace balvix::configurator {

// Report designer: creates a report row (name, menu caption, module template) and opens
// the report's module in the module editor.
class frmRepFrm : public DesignerWindow {
  Q_OBJECT

 public:
  static inline const QString& kWindowName = shell::window_names::kReportDesigner;

  explicit frmRepFrm(shell::AppState& state, QWidget* parent = nullptr);

  void openModule();

  // The module a new report starts with, in the built-in language's own words.
  static QString moduleTemplate();

 protected:
  void load() override;
  QListWidget* requisiteList(RequisiteList) override { return nullptr; }
  QString validate(const QString& name) override;
  void write(const QString& name) override;
  void afterSave() override;

 private:
  QLineEdit* m_text2 = nullptr;
  QPlainTextEdit* m_text3 = nullptr;
  QPushButton* m_saveButton = nullptr;    // Command1
  QPushButton* m_dialogButton = nullptr;  // Command4
  QPushButton* m_layoutButton = nullptr;  // Command2
  QPushButton* m_moduleButton = nullptr;  // Command3
};

}  // namespace balvix::configurator
