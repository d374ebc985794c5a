#pragma once

#include <QWidget>

#include "shell/app_state.h"

class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace balvix::configurator {

class frmItem;

// Document designer: the document's name, menu caption, journal, header requisites and
// table-part columns. Saving writes the form_items row (with a module template for a
// new document) and re-creates the header and table-part tables, keeping stored rows.
class frmDocs : public QWidget {
  Q_OBJECT

 public:
  explicit frmDocs(shell::AppState& state, QWidget* parent = nullptr);

  bool isLoaded() const { return m_loaded; }
  bool isExisting() const { return m_existing; }

  void load();
  // "&Сохранить"; true when everything was written.
  bool save();
  // Removes the blanks from the name when it has any, with the correction message.
  void checkName();

  static QString moduleTemplate();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void loadExisting();
  void addRow(bool header);
  void changeHeaderRow();
  void changeTableRow();
  void deleteRow(bool header);
  void openModule();
  QString validate(const QString& name);
  void write(const QString& name);
  frmItem* requisiteEditor() const;

  shell::AppState& m_state;
  bool m_loaded = false;
  bool m_existing = false;
  bool m_saving = false;
  QString m_name;  // the name the form_items row is stored under
  QString m_type = QStringLiteral("Документ");

  QLineEdit* m_text1 = nullptr;
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
