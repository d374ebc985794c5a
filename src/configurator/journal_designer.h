#pragma once

#include "configurator/designer_window.h"
#include "shell/window_names.h"

class QLineEdit;
class QListWidget;
class QPushButton;

namespace balvix::configurator {

// Journal designer: the journal's name and menu caption, which documents it lists and which
// of their header requisites it shows as columns («Графы журнала», checked in the order
// shown). Membership is kept on the documents' side (form_items.zurnal), so saving rewrites
// the binding of every document in the list; the columns are kept with the journal.
class frmZurnalFrm : public DesignerWindow {
  Q_OBJECT

 public:
  static inline const QString& kWindowName = shell::window_names::kJournalDesigner;

  explicit frmZurnalFrm(shell::AppState& state, QWidget* parent = nullptr);

  // «Графы журнала»: the documents' header requisites, checked for the journal's columns.
  QListWidget* columnList() const { return m_columns; }
  // The checked requisites, in the order listed.
  QStringList chosenColumns() const;

 protected:
  void load() override;
  QListWidget* requisiteList(RequisiteList) override { return nullptr; }
  QString validate(const QString& name) override;
  void write(const QString& name) override;
  void afterSave() override;

 private:
  QLineEdit* m_text2 = nullptr;
  QListWidget* m_list1 = nullptr;
  QListWidget* m_columns = nullptr;      // the header requisites, checkable
  QPushButton* m_saveButton = nullptr;   // Command1
  QPushButton* m_closeButton = nullptr;  // Command6
};

}  // namespace balvix::configurator
