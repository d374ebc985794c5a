#pragma once

#include <QString>
#include <QWidget>

#include "shell/app_state.h"

class QLabel;
class QPushButton;

namespace balvix::configurator {

// A configurator window that behaves like a classic form: showing it while it is not
// open loads it from the shared state, showing it while open only brings it forward
// with its current content, and closing it unloads it, so the next showing starts
// afresh.
class ConfiguratorWindow : public QWidget {
  Q_OBJECT

 public:
  bool isLoaded() const { return m_loaded; }

 protected:
  ConfiguratorWindow(shell::AppState& state, const QString& name, QWidget* parent);

  // Fills the window from the shared state, once per opening.
  virtual void load() = 0;
  // Runs on every close request; returning false keeps the window open and loaded.
  virtual bool unload() { return true; }
  void ensureLoaded();

  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

  template <class W>
  static W* named(const QString& objectName, QWidget* parent = nullptr) {
    auto* widget = new W(parent);
    widget->setObjectName(objectName);
    return widget;
  }
  static QPushButton* button(const QString& objectName, const QString& caption,
                             QWidget* parent = nullptr);
  // The label of a field, set as its buddy; the field takes the label's text as its
  // accessible name unless another one is given.
  static QLabel* buddyLabel(const QString& text, QWidget* field, QWidget* parent = nullptr,
                            const QString& accessibleName = QString());
  // Buttons of the runtime forms stay visible but cannot be used in the configurator.
  static void disableUntilWorkingMode(QPushButton* button);

  shell::AppState& m_state;

 private:
  bool m_loaded = false;
};

}  // namespace balvix::configurator
