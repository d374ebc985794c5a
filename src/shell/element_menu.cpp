// The element menu of runtime forms in layout design.
#include "shell/frm_main.h"
#include "shell/layout_design.h"
#include "shell/object_deletion.h"
#include "shell/window_names.h"
#include "shell/window_provider.h"

namespace balvix::shell {

void frmMain::removeContextElement() {
  removeFormElement(m_state);
}

void frmMain::renameContextElement() {
  QWidget* editor =
      m_state.windows ? m_state.windows->sharedWindow(window_names::kRequisiteEditor) : nullptr;
  // The requisite editor in its element mode takes the new name and hands it to the form.
  if (auto* dialog = dynamic_cast<ElementRenameDialog*>(editor)) dialog->openForElement();
}

}  // namespace balvix::shell
