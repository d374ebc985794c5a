#pragma once

#include "configurator/designer_window.h"
#include "shell/window_names.h"

class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace balvix::configurator {

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
  QPushButton* m_command5 = nullptr;
  QPushButton* m_command4 = nullptr;
  QPushButton* m_command3 = nullptr;
  QPushButton* m_command6 = nullptr;
  QPushButton* m_command7 = nullptr;
  QPushButton* m_command8 = nullptr;
  QPushButton* m_command1 = nullptr;
  QPushButton* m_command2 = nullptr;
  QPushButton* m_command9 = nullptr;
  QPushButton* m_command10 = nullptr;
};

}  // namespace balvix::configurator
