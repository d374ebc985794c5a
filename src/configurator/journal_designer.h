#pragma once

#include <QWidget>

#include "shell/app_state.h"

class QLineEdit;
class QListWidget;
class QPushButton;

namespace balvix::configurator {

// Journal designer: the journal's name and menu caption, and which documents it lists.
// Membership is kept on the documents' side (form_items.zurnal), so saving rewrites the
// binding of every document in the list.
class frmZurnalFrm : public QWidget {
  Q_OBJECT

 public:
  explicit frmZurnalFrm(shell::AppState& state, QWidget* parent = nullptr);

  bool isLoaded() const { return m_loaded; }

  void load();
  // Returns true when everything was written (the designer then closes).
  bool save();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  QString validate();

  shell::AppState& m_state;
  bool m_loaded = false;
  bool m_isNew = true;
  QString m_name;  // the stored name of an existing journal

  QLineEdit* m_text1 = nullptr;
  QLineEdit* m_text2 = nullptr;
  QListWidget* m_list1 = nullptr;
  QPushButton* m_command1 = nullptr;
  QPushButton* m_command6 = nullptr;
};

}  // namespace balvix::configurator
