#include "runtime/toolbar_control.h"

#include <QAction>

#include "shell/accessibility.h"

namespace balvix::runtime {

ToolBarControl::ToolBarControl(QWidget* parent) : QToolBar(parent) {
  setObjectName(QStringLiteral("usrMenu1"));
  setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  setMovable(false);
  shell::nameToolbarOverflow(this);
}

QAction* ToolBarControl::addButton(int number, const QString& caption, const QIcon& icon,
                                   const QString& tooltip) {
  QAction* action = addAction(icon, caption);
  action->setObjectName(QStringLiteral("Button%1").arg(number));
  action->setToolTip(tooltip.isEmpty() ? QString(caption).remove(QLatin1Char('&')) : tooltip);
  m_buttons.insert(number, action);
  connect(action, &QAction::triggered, this, [this, number] { emit ButtonClick(number); });
  return action;
}

void ToolBarControl::setButtonEnabled(int number, bool on) {
  if (QAction* action = m_buttons.value(number)) action->setEnabled(on);
}

bool ToolBarControl::isButtonEnabled(int number) const {
  QAction* action = m_buttons.value(number);
  return action && action->isEnabled();
}

void ToolBarControl::click(int number) {
  QAction* action = m_buttons.value(number);
  if (action && action->isEnabled()) action->trigger();
}

}  // namespace balvix::runtime
