#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include "shell/app_state.h"

class QLineEdit;
class QListWidget;
class QPushButton;

namespace balvix::configurator {

// «Печатные формы…» of the document designer: the print forms of one document kind, added,
// renamed and deleted here; «Макет» opens a form's layout in the report grid's design mode,
// «Модуль» its module in the module editor. Every change is stored at once.
class frmPrintForms : public QWidget {
  Q_OBJECT

 public:
  frmPrintForms(shell::AppState& state, const QString& kind, QWidget* parent = nullptr);

  const QString& kind() const { return m_kind; }
  QListWidget* list() const { return m_list; }
  QLineEdit* nameField() const { return m_name; }
  // The name typed in «Имя формы:» makes a form (with an empty layout and a template module)
  // or becomes the selected form's name; false, after the message, when it cannot.
  bool addForm();
  bool renameForm();
  // After the question; true when deleted.
  bool deleteForm();
  // The windows opened; nullptr when no form is selected or no window could be made.
  QWidget* openLayout();
  QWidget* openModule();

 private:
  void reload(const QString& select = QString());
  QString selectedName() const;
  QString checkedName(const QString& except = QString()) const;

  shell::AppState& m_state;
  QString m_kind;
  QListWidget* m_list = nullptr;
  QLineEdit* m_name = nullptr;
  QPushButton* m_add = nullptr;
  QPushButton* m_rename = nullptr;
  QPushButton* m_delete = nullptr;
  QPushButton* m_layout = nullptr;
  QPushButton* m_module = nullptr;
  QPushButton* m_close = nullptr;
};

}  // namespace balvix::configurator
