#include "configurator/designer_set.h"

#include "configurator/catalog_designer.h"
#include "configurator/document_designer.h"
#include "configurator/enum_designer.h"
#include "configurator/journal_designer.h"
#include "configurator/module_debugger.h"
#include "configurator/module_editor.h"
#include "configurator/register_designer.h"
#include "configurator/report_designer.h"
#include "configurator/requisite_editor.h"

namespace balvix::configurator {

namespace {

template <class T>
void addShared(shell::WindowFactory& factory, shell::AppState& state) {
  factory.registerSharedWindow(
      T::kWindowName,
      [&state](const shell::WindowArguments&, QWidget* parent) { return new T(state, parent); });
}

template <class T>
void addDesigner(shell::WindowFactory& factory, shell::AppState& state, config::ObjectKind kind) {
  addShared<T>(factory, state);
  factory.registerDesigner(kind, T::kWindowName);
}

}  // namespace

DesignerSet::DesignerSet(shell::AppState& state, QWidget* parentWindow)
    : shell::WindowFactory(parentWindow),
      m_state(state),
      m_debugger(std::make_unique<ModuleDebugger>(state)) {
  addShared<frmItem>(*this, state);
  addShared<frmEdit>(*this, state);
  addDesigner<frmDocs>(*this, state, config::ObjectKind::Document);
  addDesigner<frmSprFrm>(*this, state, config::ObjectKind::Catalog);
  addDesigner<frmRegister>(*this, state, config::ObjectKind::Register);
  addDesigner<frmEnum>(*this, state, config::ObjectKind::Enumeration);
  addDesigner<frmZurnalFrm>(*this, state, config::ObjectKind::Journal);
  addDesigner<frmRepFrm>(*this, state, config::ObjectKind::Report);
}

DesignerSet::~DesignerSet() {
  if (m_state.windows == this) m_state.windows = nullptr;
}

QStringList DesignerSet::classNames() {
  return {frmItem::kWindowName,     frmDocs::kWindowName, frmSprFrm::kWindowName,
          frmRegister::kWindowName, frmEnum::kWindowName, frmZurnalFrm::kWindowName,
          frmRepFrm::kWindowName,   frmEdit::kWindowName};
}

DesignerWindow* DesignerSet::designerOf(config::ObjectKind kind) {
  return qobject_cast<DesignerWindow*>(designer(kind));
}

}  // namespace balvix::configurator
