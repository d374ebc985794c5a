// The element menu of runtime forms in layout design.
#include <QComboBox>
#include <QLineEdit>
#include <QMetaObject>

#include "shell/frm_main.h"
#include "shell/window_factory.h"
#include "shell/window_names.h"

namespace balvix::shell {

namespace {

// The form control of the shared form that the designers open for layout design.
QObject* contextFormControl(AppState& state) {
  if (!state.windows) return nullptr;
  const QString formClass = state.contextFormKind == QLatin1String("spr") ? window_names::kCatalogElementForm
                                                                          : window_names::kDocumentForm;
  // Only a form already open for layout design has elements to act on.
  auto* factory = dynamic_cast<WindowFactory*>(state.windows);
  QWidget* form = factory ? factory->existingSharedWindow(formClass) : state.windows->sharedWindow(formClass);
  return form ? form->findChild<QObject*>(QStringLiteral("frm")) : nullptr;
}

}  // namespace

void frmMain::removeContextElement() {
  if (m_state.contextFormKind != QLatin1String("spr")) m_state.contextFormKind = QStringLiteral("doc");
  QObject* control = contextFormControl(m_state);
  if (control && control->metaObject()->indexOfMethod("RemoveElement(QString)") >= 0)
    QMetaObject::invokeMethod(control, "RemoveElement", Q_ARG(QString, m_state.contextItemName));
}

void frmMain::renameContextElement() {
  QWidget* editor = m_state.windows ? m_state.windows->sharedWindow(window_names::kRequisiteEditor) : nullptr;
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
