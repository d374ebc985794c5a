#include "runtime/runtime_windows.h"

#include <QMdiArea>
#include <QMdiSubWindow>

#include "runtime/catalog_form.h"
#include "runtime/catalog_list.h"
#include "runtime/chart_of_accounts.h"
#include "shell/frm_main.h"

namespace balvix::runtime {

RuntimeWindows::RuntimeWindows(shell::AppState& state, shell::WindowProvider* next) : m_state(state), m_next(next) {}

RuntimeWindows::~RuntimeWindows() {
  if (m_state.windows == this) m_state.windows = m_next;
  for (auto it = m_shared.begin(); it != m_shared.end(); ++it) delete it.value().data();
}

QStringList RuntimeWindows::classNames() {
  return {QStringLiteral("frmUniSpr"), QStringLiteral("frmSprList"), QStringLiteral("frmPlan")};
}

QWidget* RuntimeWindows::create(const QString& className) {
  if (className == QLatin1String("frmUniSpr")) return new frmUniSpr(m_state);
  if (className == QLatin1String("frmSprList")) return new frmSprList(m_state);
  if (className == QLatin1String("frmPlan")) return new frmPlan(m_state);
  return nullptr;
}

QWidget* RuntimeWindows::sharedWindow(const QString& className) {
  if (!classNames().contains(className)) return m_next ? m_next->sharedWindow(className) : nullptr;
  auto it = m_shared.find(className);
  if (it != m_shared.end() && !it.value().isNull()) return it.value().data();
  QWidget* window = create(className);
  if (window) {
    m_shared.insert(className, window);
    showChild(m_state, window);
  }
  return window;
}

QWidget* RuntimeWindows::newWindow(const QString& className) {
  if (!classNames().contains(className)) return m_next ? m_next->newWindow(className) : nullptr;
  return create(className);
}

void showChild(shell::AppState& state, QWidget* window) {
  if (!window) return;
  if (state.mainWindow && !qobject_cast<QMdiSubWindow*>(window->parentWidget())) {
    state.mainWindow->addChildWindow(window);
  } else {
    window->show();
  }
  if (auto* sub = qobject_cast<QMdiSubWindow*>(window->parentWidget())) {
    sub->show();
    sub->raise();
    if (state.mainWindow) state.mainWindow->mdiArea()->setActiveSubWindow(sub);
  } else {
    window->raise();
  }
}

}  // namespace balvix::runtime
