#include "configurator/designer_window.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "configurator/requisite_editor.h"
#include "configurator/table_rebuild.h"
#include "documents/sole_user.h"
#include "shell/frm_main.h"
#include "shell/message_box.h"
#include "shell/window_names.h"
#include "shell/window_provider.h"
#include "storage/sql_text.h"

namespace balvix::configurator {

DesignerWindow::DesignerWindow(shell::AppState& state, const QString& name, config::ObjectKind kind,
                               QWidget* parent)
    : ConfiguratorWindow(state, name, parent), m_kind(kind), m_type(config::typeWord(kind)) {}

bool DesignerWindow::save() {
  if (m_saving || !m_state.db) return false;
  const QString name = m_text1->text();
  QString problem;
  try {
    problem = validate(name);
  } catch (const storage::DbError& e) {
    problem = e.description();
  }
  if (!problem.isEmpty()) {
    shell::MessageBoxes::show(problem);
    return false;
  }
  try {
    documents::requireSoleUser(m_state.objectLocks());
    if (!confirmSave(name)) return false;
  } catch (const storage::DbError& e) {
    shell::MessageBoxes::show(e.description());
    return false;
  }

  m_saving = true;
  try {
    storage::Transaction transaction(*m_state.db);
    if (m_existing) {
      const QString changes = tableChanges(*m_state.db, m_tablesAtOpen);
      if (!changes.isEmpty())
        throw storage::DbError(
            storage::ErrorCode::Other,
            QStringLiteral("%1 «%2» изменен после того, как конструктор был открыт (вероятно, "
                           "в другой копии программы): %3. Сохранение отменено, чтобы эти "
                           "изменения не пропали. Закройте конструктор и откройте его снова.")
                .arg(m_type, m_name, changes));
    }
    write(name);
    transaction.commit();
  } catch (const storage::DbError& e) {
    m_saving = false;
    takeRebuildNotices(this);
    shell::MessageBoxes::show(e.description());
    return false;
  }
  m_saving = false;
  for (const QString& notice : takeRebuildNotices(this)) shell::MessageBoxes::show(notice);
  // From now on the object exists: a second save updates its row instead of adding one,
  // and its name (the suffix of its tables) is fixed like that of any existing object.
  m_existing = true;
  m_name = name;
  m_tablesAtOpen = objectTables(*m_state.db, m_kind, m_name);
  m_text1->setEnabled(false);
  updateWorkingModeButtons();
  afterSave();
  return true;
}

bool DesignerWindow::unload() {
  if (m_endsFormDesign) m_state.formDesignMode = false;
  return true;
}

void DesignerWindow::captureObject() {
  m_name = m_state.currentObjectName;
  m_existing = m_name != kNew;
  setWindowTitle(m_state.currentObjectType + QStringLiteral(": ") + m_name);
  m_text1->setEnabled(!m_existing);
  m_text1->setText(m_name);
  m_tablesAtOpen.clear();
  if (m_existing && m_state.db) {
    try {
      m_tablesAtOpen = objectTables(*m_state.db, m_kind, m_name);
    } catch (const storage::DbError&) {
      // Unreadable now: the designer's own load reports it.
    }
  }
  updateWorkingModeButtons();
}

void DesignerWindow::requireRowUpdated(const QString& message) const {
  if (m_state.db->changes() == 0) throw storage::DbError(storage::ErrorCode::Other, message);
}

QString DesignerWindow::nameProblem(const QString& name, const QString& what,
                                    const QString& taken) const {
  const QString problem = storage::identifierProblem(name, what);
  if (problem.isEmpty() && !m_existing && objectNameTaken(*m_state.db, m_kind, name))
    return taken.arg(name);
  return problem;
}

void DesignerWindow::rebuildMainWindow(bool withMenus) {
  if (!m_state.mainWindow) return;
  m_state.mainWindow->BuildConfigTree();
  if (withMenus) m_state.mainWindow->BuildMenus();
}

void DesignerWindow::bindWorkingModeButton(QPushButton* button, const QString& windowName,
                                           bool needsSavedObject) {
  m_workingModeButtons.push_back({button, windowName, needsSavedObject});
  connect(button, &QPushButton::clicked, this,
          [this, windowName] { openLayoutDesign(windowName); });
  updateWorkingModeButtons();
}

void DesignerWindow::updateWorkingModeButtons() {
  for (const WorkingModeButton& b : m_workingModeButtons) {
    const bool registered = m_state.windows && m_state.windows->hasWindow(b.windowName);
    if (!registered) {
      disableUntilWorkingMode(b.button);
      continue;
    }
    b.button->setToolTip(QString());
    b.button->setEnabled(!b.needsSavedObject || m_existing);
  }
}

void DesignerWindow::openLayoutDesign(const QString& windowName) {
  if (!m_state.windows) return;
  m_state.formDesignMode = true;
  m_state.currentObjectName = m_text1->text();
  shell::WindowArguments arguments;
  arguments.kind = m_kind;
  arguments.objectName = m_text1->text();
  arguments.designMode = true;
  QWidget* window = m_state.windows->sharedWindowWith(windowName, arguments);
  if (!window) return;
  if (m_state.mainWindow)
    m_state.mainWindow->showRuntimeWindow(window);
  else
    window->show();
}

void DesignerWindow::askClose() {
  if (shell::MessageBoxes::ask(QStringLiteral("Закрыть форму?")) == shell::MsgAnswer::Yes) close();
}

void DesignerWindow::openModuleEditor(const QString& name) {
  QWidget* editor =
      m_state.windows ? m_state.windows->sharedWindow(shell::window_names::kModuleEditor) : nullptr;
  if (!editor) return;
  // The module editor reads the object it edits from the shared state when it loads.
  m_state.currentObjectType = m_type;
  m_state.currentObjectName = name;
  editor->setWindowTitle(QStringLiteral("Модуль: (") + m_type + QLatin1Char('.') + name +
                         QLatin1Char(')'));
  editor->show();
  editor->raise();
  editor->activateWindow();
}

QGroupBox* DesignerWindow::requisiteFrame(const QString& caption, QListWidget* list,
                                          QPushButton* add, QPushButton* change,
                                          QPushButton* remove) {
  list->setAccessibleName(caption);
  auto* frame = new QGroupBox(caption);
  auto* layout = new QHBoxLayout(frame);
  layout->addWidget(list);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(add);
  buttons->addWidget(change);
  buttons->addWidget(remove);
  buttons->addStretch();
  layout->addLayout(buttons);
  return frame;
}

void DesignerWindow::openRequisiteEditor(const QString& mode, const QString& name,
                                         const QString& type, bool typeEnabled, bool required) {
  if (!m_state.windows) return;
  auto* editor = qobject_cast<frmItem*>(m_state.windows->sharedWindow(frmItem::kWindowName));
  if (editor) editor->open(mode, name, type, typeEnabled, this, required);
}

void DesignerWindow::applyRequisite(RequisiteList list, bool change, const QString& name,
                                    const std::optional<QString>& type,
                                    const std::optional<bool>& required) {
  // A designer closed while the editor was open gets nothing: writing into a hidden
  // window would only show up as a stray row the next time it is loaded.
  QListWidget* target = requisiteList(list);
  if (!target || !isVisible()) return;
  QListWidgetItem* item = change ? target->currentItem() : new QListWidgetItem(target);
  if (!item) return;
  item->setText(name);
  if (type) item->setData(Qt::UserRole, *type);
  if (required) item->setData(kRequiredRole, *required);
}

QListWidgetItem* DesignerWindow::editableRow(QListWidget* list, bool keepNameRow) {
  QListWidgetItem* item = list->currentItem();
  if (!item || (keepNameRow && item->text() == kNameRequisite)) return nullptr;
  return item;
}

QString DesignerWindow::requisiteType(const QListWidgetItem* item) {
  const QString type = item->data(Qt::UserRole).toString();
  return type.isEmpty() ? QStringLiteral("Текст") : type;
}

bool DesignerWindow::isRequired(const QListWidgetItem* item) {
  return item->data(kRequiredRole).toBool();
}

void DesignerWindow::deleteRequisite(QListWidget* list, bool keepNameRow) {
  QListWidgetItem* item = editableRow(list, keepNameRow);
  if (!item) return;
  if (shell::MessageBoxes::ask(QStringLiteral("Удалить выбранный элемент - ") + item->text() +
                               QLatin1Char('?')) == shell::MsgAnswer::Yes)
    delete item;
}

}  // namespace balvix::configurator
