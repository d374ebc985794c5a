// The element menu of runtime forms in layout design.
#include <QComboBox>
#include <QLineEdit>

#include "shell/frm_main.h"
#include "shell/layout_design.h"
#include "shell/window_names.h"
#include "shell/window_provider.h"

namespace balvix::shell {

void frmMain::removeContextElement() {
  if (m_state.contextFormKind != QLatin1String("spr"))
    m_state.contextFormKind = QStringLiteral("doc");
  if (!m_state.windows) return;
  const QString formName = m_state.contextFormKind == QLatin1String("spr")
                               ? window_names::kCatalogElementForm
                               : window_names::kDocumentForm;
  // Only a form already open for layout design has elements to act on.
  if (auto* form =
          dynamic_cast<LayoutDesignTarget*>(m_state.windows->existingSharedWindow(formName)))
    form->removeElement(m_state.contextItemName);
}

void frmMain::renameContextElement() {
  QWidget* editor =
      m_state.windows ? m_state.windows->sharedWindow(window_names::kRequisiteEditor) : nullptr;
  if (!editor) return;
  editor->show();
  // The editor's element mode: the caption it has by design, the name box at "Новый",
  // no type.
  editor->setWindowTitle(QStringLiteral(" Элемент"));
  if (auto* name = editor->findChild<QLineEdit*>(QStringLiteral("Text1"))) {
    name->setText(QStringLiteral("Новый"));
    name->selectAll();
    name->setFocus();
  }
  if (auto* type = editor->findChild<QComboBox*>(QStringLiteral("Combo1"))) type->setEnabled(false);
  editor->raise();
  editor->activateWindow();
}

}  // namespace balvix::shell
