#pragma once

#include <QWidget>

#include "shell/app_state.h"

class QLineEdit;
class QListWidget;
class QPushButton;

namespace balvix::configurator {

class frmItem;

// Register designer: the register's name, description and requisites (without types).
// Saving writes the form_items row and re-creates the movements table, keeping the
// movements already stored, then closes the designer.
class frmRegister : public QWidget {
  Q_OBJECT

 public:
  explicit frmRegister(shell::AppState& state, QWidget* parent = nullptr);

  bool isLoaded() const { return m_loaded; }
  bool isExisting() const { return m_existing; }

  void load();
  // "&Сохранить"; true when everything was written.
  bool save();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void addRequisite();
  void changeRequisite();
  void deleteRequisite();
  QString validate(const QString& name);
  void write(const QString& name);
  frmItem* requisiteEditor() const;

  shell::AppState& m_state;
  bool m_loaded = false;
  bool m_existing = false;
  bool m_saving = false;
  QString m_name;  // the name the form_items row is stored under

  QLineEdit* m_text1 = nullptr;
  QLineEdit* m_text2 = nullptr;
  QListWidget* m_list1 = nullptr;
  QPushButton* m_command5 = nullptr;
  QPushButton* m_command4 = nullptr;
  QPushButton* m_command3 = nullptr;
  QPushButton* m_command2 = nullptr;
  QPushButton* m_command1 = nullptr;
};

}  // namespace balvix::configurator
