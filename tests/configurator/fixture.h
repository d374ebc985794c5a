#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QPushButton>
#include <QTemporaryDir>
#include <QWidget>
#include <memory>

#include "configurator/designer_set.h"
#include "configurator/requisite_editor.h"
#include "shell/app_state.h"
#include "shell/frm_main.h"
#include "shell/message_box.h"
#include "storage/session.h"
#include "test_helpers.h"

namespace balvix::configurator::testing {

// A fresh configuration for one test: a new database in a temporary folder, the shared
// state pointing at it, the designer windows, and a recorder that answers every message
// (so no test ever waits on a real dialog). The main window is created only on request,
// because most designer behaviour does not need it.
class ConfiguratorTest : public ::testing::Test, public balvix::testing::TempDatabase {
 protected:
  ConfiguratorTest() {
    state.db = m_db.get();
    m_designers = std::make_unique<DesignerSet>(state, nullptr);
    state.windows = m_designers.get();
  }

  ~ConfiguratorTest() override {
    // Windows go before the main window that may parent them, and both before the
    // database their unload logic might still read.
    m_designers.reset();
    m_main.reset();
    state.windows = nullptr;
    state.mainWindow = nullptr;
  }

  // The shared instance of a designer window, cast to its class.
  template <class T>
  T* window(const QString& className) {
    return qobject_cast<T*>(m_designers->sharedWindow(className));
  }

  // Creates the main window on first use, makes it the state's main window and parents
  // the designers to it. Call it before the first window is taken: windows taken
  // earlier are discarded.
  shell::frmMain* mainWindow() {
    if (!m_main) {
      auto* main = new shell::frmMain(state);
      m_main.reset(main);
      state.mainWindow = main;
      m_designers = std::make_unique<DesignerSet>(state, main);
      state.windows = m_designers.get();
    }
    return state.mainWindow;
  }

  // Opens a designer the way the configuration tree does: the shared state names the
  // object, then the shared window is shown (and loads).
  template <class T>
  T* openDesigner(const QString& className, const QString& type, const QString& name) {
    state.currentObjectType = type;
    state.currentObjectName = name;
    state.selectedConfigNode = type + QLatin1Char('.') + name;
    auto* designer = window<T>(className);
    designer->show();
    return designer;
  }

  // A control of a window by its object name.
  template <class T = QPushButton>
  static T* child(QWidget* w, const char* name) {
    return w->findChild<T*>(QLatin1String(name));
  }

  DesignerSet& designers() { return *m_designers; }

  // The designer's name and menu caption fields.
  static void setNames(QWidget* d, const QString& name, const QString& menu) {
    child<QLineEdit>(d, "Text1")->setText(name);
    child<QLineEdit>(d, "Text2")->setText(menu);
  }

  // A designer's "add" button, then the requisite editor, the way the user does it; an
  // empty type leaves the editor's type box as it is.
  void addRequisite(QWidget* d, const char* button, const QString& name,
                    const QString& type = QString()) {
    child(d, button)->click();
    auto* editor = window<frmItem>(frmItem::kWindowName);
    child<QLineEdit>(editor, "Text1")->setText(name);
    if (!type.isEmpty()) child<QComboBox>(editor, "Combo1")->setCurrentText(type);
    child(editor, "Command2")->click();
  }

  // A save that must be refused and leave the designer open: the messages it showed.
  template <class Designer>
  QString refusal(Designer* d) {
    messages.clear();
    EXPECT_FALSE(d->save());
    EXPECT_TRUE(d->isVisible());
    return messages.texts().join('|');
  }

  // The requisite types a designer's list holds, row by row.
  static QStringList requisiteTypes(const QListWidget* list) {
    QStringList types;
    for (int i = 0; i < list->count(); ++i) types << list->item(i)->data(Qt::UserRole).toString();
    return types;
  }

  // Lets queued events (deferred loads, deleteLater) run.
  static void processEvents() { QApplication::processEvents(); }

  shell::AppState state;
  shell::MessageRecorder messages;

 private:
  std::unique_ptr<QMainWindow> m_main;
  std::unique_ptr<DesignerSet> m_designers;
};

}  // namespace balvix::configurator::testing
