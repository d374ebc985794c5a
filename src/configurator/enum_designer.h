#pragma once

#include <QWidget>

#include "shell/app_state.h"

class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace balvix::configurator {

// Enumeration designer: a name and an ordered list of text values, kept as the value
// list ("value;value;") in the code column of the enumeration's form_items row.
class frmEnum : public QWidget {
  Q_OBJECT

 public:
  explicit frmEnum(shell::AppState& state, QWidget* parent = nullptr);

  bool isLoaded() const { return m_loaded; }
  // The enumeration has a form_items row (opened for an existing one, or saved once).
  bool isExisting() const { return !m_isNew; }

  void load();
  // Returns true when the row was written.
  bool save();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void addValue();
  void changeValue();
  void deleteValue();
  QString validate() const;
  void openRequisiteEditor(const QString& mode, const QString& text);

  shell::AppState& m_state;
  bool m_loaded = false;
  bool m_isNew = true;
  QString m_name;  // the stored name of an existing enumeration

  QLineEdit* m_text1 = nullptr;
  QListWidget* m_list1 = nullptr;
  QPushButton* m_command5 = nullptr;
  QPushButton* m_command4 = nullptr;
  QPushButton* m_command3 = nullptr;
  QPushButton* m_command2 = nullptr;
  QPushButton* m_command1 = nullptr;
};

// Splits a stored value list: every value ends with ";"; text after the last ";" is not
// a value.
QStringList splitValueList(const QString& code);

}  // namespace balvix::configurator
