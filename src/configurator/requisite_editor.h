#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>

#include "config/object_definition.h"
#include "configurator/configurator_window.h"
#include "shell/layout_design.h"
#include "shell/window_names.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;

namespace balvix::configurator {

class DesignerWindow;

// The small non-modal dialog every designer uses to edit one row of its requisite list
// (or one enumeration value, or the name of a form element). The caption is the mode;
// Apply writes straight into the caller's list and closes the dialog.
class frmItem : public ConfiguratorWindow, public shell::ElementRenameDialog {
  Q_OBJECT

 public:
  static inline const QString& kWindowName = shell::window_names::kRequisiteEditor;

  explicit frmItem(shell::AppState& state, QWidget* parent = nullptr);

  // The caption the dialog has before any caller sets one; also the element-rename mode.
  static inline const QString kElementMode = QStringLiteral(" Элемент");

  // Loads the dialog when it is not open, sets the mode (caption), the name and, when
  // given, the type text and the type box's enabled state (the «Обязательный» box goes
  // with it: only typed requisites can be required), and shows it non-modally.
  // `target` is the designer whose list Apply writes into; without one, Apply writes into
  // the designer of the kind the mode names.
  void open(const QString& mode, const QString& name, const QString& type = QString(),
            bool typeEnabled = true, DesignerWindow* target = nullptr, bool required = false);

  // The main window's "Новое имя": whatever the dialog was doing, it now renames the
  // right-clicked form element.
  void openForElement() override;

  void apply();   // "&Применить"
  void cancel();  // "&Отмена"

 protected:
  void load() override;
  bool unload() override;

 private:
  void resetToDesignState();
  void typeChosen(int index);
  void renameElement();

  QTabWidget* m_tabs = nullptr;           // SSTab1
  QLineEdit* m_text1 = nullptr;           // name
  QComboBox* m_combo1 = nullptr;          // type
  QCheckBox* m_required = nullptr;        // «Обязательный»
  QLineEdit* m_text3 = nullptr;           // length
  QLineEdit* m_text2 = nullptr;           // description
  QPushButton* m_applyButton = nullptr;   // Command2 "&Применить"
  QPushButton* m_cancelButton = nullptr;  // Command1 "&Отмена"
  QPointer<DesignerWindow> m_target;
};

// Helpers for the requisite lists of the designers: row text = name, row tag
// (Qt::UserRole) = bare type text, kRequiredRole = the requisite is required.
inline constexpr int kRequiredRole = Qt::UserRole + 1;
void addRequisiteRow(QListWidget* list, const QString& name, const QString& type = QString());
QStringList requisiteNames(const QListWidget* list);
// The list's rows as requisites: name and parsed type.
QList<config::Requisite> requisitesOf(const QListWidget* list);
// Fills a list from a table's requisite columns and a stored type list: each column is
// added and takes the next ";"-ended entry as its tag (its required mark as kRequiredRole); when
// the entries run out, the column just added stays without a type and the remaining columns are not
// listed.
void fillRequisiteList(QListWidget* list, const QStringList& columns, QString typeList);

}  // namespace balvix::configurator
