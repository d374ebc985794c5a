#pragma once

#include <QString>

#include "configurator/configurator_window.h"
#include "script/translator.h"
#include "shell/window_names.h"

class QComboBox;
class QInputDialog;

namespace balvix::configurator {

class ModuleHighlighter;
class ModuleTextEdit;

// The module editor: shows the stored code of an object (or the global module) with
// the built-in language's keywords, lists its procedures, and on closing offers to
// store the edited text back in the host form.
class frmEdit : public ConfiguratorWindow {
  Q_OBJECT

 public:
  static inline const QString& kWindowName = shell::window_names::kModuleEditor;

  explicit frmEdit(shell::AppState& state, QWidget* parent = nullptr);
  ~frmEdit() override;

  static inline const QString kGlobalModule = QStringLiteral("Глобальный модуль");

  bool hasUnsavedChanges() const { return m_dirty; }

  // The edited text in the stored (host) form, ending with CR LF.
  QString currentHostText() const;
  // Checks the text, then stores it; on failure shows why and returns false (the text
  // stays). A module that does not compile is stored only when the user says so after
  // seeing the error and its line, which stays marked.
  bool saveModule();

  ModuleTextEdit* textEdit() const { return m_rich; }
  // Ctrl+G: asks for a line number in a small dialog (kept open, not modal-blocking, so
  // that it can be driven like any window) and goes there.
  QInputDialog* askLine();

 protected:
  void load() override;
  // Offers to store unsaved changes; a text that could not be stored keeps the editor open.
  bool unload() override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void markChanged();
  void setCaption(const QString& caption);
  void buildProcedureList();
  void procedureChosen(int index);
  void insertionChosen(int index);
  void restoreGeometry();
  void storeGeometry();
  void connectMainWindow(bool open);

  script::ERRE m_translator;
  bool m_dirty = false;
  bool m_insertAllowed = false;
  bool m_settingCaption = false;
  bool m_filling = false;
  QString m_type;  // the module being edited, as it was when the editor opened
  QString m_name;
  QString m_caption;  // without the unsaved-changes marker

  ModuleTextEdit* m_rich = nullptr;
  QComboBox* m_combo1 = nullptr;
  QComboBox* m_combo2 = nullptr;
  ModuleHighlighter* m_highlighter = nullptr;
};

}  // namespace balvix::configurator
