#include "configurator/designer_set.h"

#include "configurator/catalog_designer.h"
#include "configurator/document_designer.h"
#include "configurator/enum_designer.h"
#include "configurator/journal_designer.h"
#include "configurator/module_editor.h"
#include "configurator/register_designer.h"
#include "configurator/report_designer.h"
#include "configurator/requisite_editor.h"

namespace balvix::configurator {

DesignerSet::DesignerSet(shell::AppState& state, QWidget* parentWindow)
    : m_state(state), m_parent(parentWindow) {}

DesignerSet::~DesignerSet() {
  // Windows parented to a main window that is already gone were deleted with it; the
  // guarded pointers of those are null by now.
  for (auto it = m_windows.begin(); it != m_windows.end(); ++it) delete it.value().data();
  if (m_state.windows == this) m_state.windows = nullptr;
}

QStringList DesignerSet::classNames() {
  return {QStringLiteral("frmItem"),     QStringLiteral("frmDocs"), QStringLiteral("frmSprFrm"),
          QStringLiteral("frmRegister"), QStringLiteral("frmEnum"), QStringLiteral("frmZurnalFrm"),
          QStringLiteral("frmRepFrm"),   QStringLiteral("frmEdit")};
}

QWidget* DesignerSet::sharedWindow(const QString& className) {
  auto it = m_windows.find(className);
  if (it != m_windows.end() && !it.value().isNull()) return it.value().data();
  QWidget* window = create(className);
  if (window) m_windows.insert(className, window);
  return window;
}

QWidget* DesignerSet::create(const QString& className) {
  QWidget* parent = m_parent.data();
  if (className == QLatin1String("frmItem")) return new frmItem(m_state, parent);
  if (className == QLatin1String("frmDocs")) return new frmDocs(m_state, parent);
  if (className == QLatin1String("frmSprFrm")) return new frmSprFrm(m_state, parent);
  if (className == QLatin1String("frmRegister")) return new frmRegister(m_state, parent);
  if (className == QLatin1String("frmEnum")) return new frmEnum(m_state, parent);
  if (className == QLatin1String("frmZurnalFrm")) return new frmZurnalFrm(m_state, parent);
  if (className == QLatin1String("frmRepFrm")) return new frmRepFrm(m_state, parent);
  if (className == QLatin1String("frmEdit")) return new frmEdit(m_state, parent);
  return nullptr;
}

}  // namespace balvix::configurator
