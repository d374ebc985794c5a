#pragma once

#include <QWidget>

#include "shell/app_state.h"

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace balvix::configurator {

// Report designer: creates a report row (name, menu caption, module template) and opens
// the report's module in the module editor.
class frmRepFrm : public QWidget {
  Q_OBJECT

 public:
  explicit frmRepFrm(shell::AppState& state, QWidget* parent = nullptr);

  bool isLoaded() const { return m_loaded; }
  bool isExisting() const { return !m_isNew; }

  void load();
  // Returns true when the row was written.
  bool save();
  void openModule();

  // The module a new report starts with, in the built-in language's own words.
  static QString moduleTemplate();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  QString validate();

  shell::AppState& m_state;
  bool m_loaded = false;
  bool m_isNew = true;
  QString m_name;  // the stored name of an existing report

  QLineEdit* m_text1 = nullptr;
  QLineEdit* m_text2 = nullptr;
  QPlainTextEdit* m_text3 = nullptr;
  QPushButton* m_command1 = nullptr;
  QPushButton* m_command4 = nullptr;
  QPushButton* m_command2 = nullptr;
  QPushButton* m_command3 = nullptr;
};

}  // namespace balvix::configurator
