#include "configurator/configurator_window.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>

#include "shell/window_geometry.h"

namespace balvix::configurator {

ConfiguratorWindow::ConfiguratorWindow(shell::AppState& state, const QString& name, QWidget* parent)
    : QWidget(parent), m_state(state) {
  setWindowFlag(Qt::Window);
  setObjectName(name);
  shell::keepPlacement(this, shell::placementKey(name));
}

void ConfiguratorWindow::ensureLoaded() {
  if (m_loaded) return;
  m_loaded = true;
  load();
}

void ConfiguratorWindow::showEvent(QShowEvent* event) {
  ensureLoaded();
  QWidget::showEvent(event);
}

void ConfiguratorWindow::closeEvent(QCloseEvent* event) {
  if (!unload()) {
    event->ignore();
    return;
  }
  m_loaded = false;
  QWidget::closeEvent(event);
}

QPushButton* ConfiguratorWindow::button(const QString& objectName, const QString& caption,
                                        QWidget* parent) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(objectName);
  return b;
}

QLabel* ConfiguratorWindow::buddyLabel(const QString& text, QWidget* field, QWidget* parent,
                                       const QString& accessibleName) {
  auto* label = new QLabel(text, parent);
  label->setBuddy(field);
  field->setAccessibleName(accessibleName.isEmpty() ? text : accessibleName);
  return label;
}

void ConfiguratorWindow::disableUntilWorkingMode(QPushButton* button) {
  button->setEnabled(false);
  button->setToolTip(QStringLiteral("Будет доступно в рабочем режиме"));
}

}  // namespace balvix::configurator
