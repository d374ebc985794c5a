#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <memory>

#include "configurator/designer_set.h"
#include "runtime/runtime_host.h"
#include "runtime/runtime_windows.h"
#include "shell/app_state.h"
#include "shell/frm_main.h"
#include "shell/message_box.h"
#include "shell/window_geometry.h"
#include "storage/session.h"
#include "storage/sql_text.h"
#include "test_helpers.h"

namespace balvix::runtime::testing {

// A fresh database, the main window, the configurator's and the runtime's windows, and a
// recorder that answers every message.
class RuntimeTest : public ::testing::Test, public balvix::testing::TempDatabase {
 protected:
  RuntimeTest() {
    // Each test's windows open at their design size, whatever an earlier test left.
    shell::forgetAllPlacements();
    state.db = m_db.get();
    m_main = std::make_unique<shell::frmMain>(state);
    m_host = std::make_unique<RuntimeHost>(state);
    state.host = m_host.get();
    m_main->resize(1200, 900);
    m_main->show();
    m_designers = std::make_unique<configurator::DesignerSet>(state, m_main.get());
    state.windows = m_designers.get();
    registerRuntimeWindows(*m_designers, state);
  }
  ~RuntimeTest() override {
    m_designers.reset();
    m_main.reset();
    state.host = nullptr;
    m_host.reset();
  }

  shell::frmMain* main() { return m_main.get(); }
  configurator::DesignerSet& windows() { return *m_designers; }

  // A catalog with these requisites (name, type), as the designer stores it.
  void createCatalog(const QString& name, const QList<std::pair<QString, QString>>& requisites,
                     const QString& code = QStringLiteral("_")) {
    QString types, columns;
    for (const auto& [column, type] : requisites) {
      types += type + QLatin1Char(';');
      columns += column + QStringLiteral(" TEXT(50),");
    }
    columns.chop(1);
    db().execute(QStringLiteral("INSERT INTO form_items (name,descript,code,type,items_type) "
                                "VALUES (%1,%2,%3,'Справочник',%4)")
                     .arg(storage::quote(name), storage::quote(name), storage::quote(code),
                          storage::quote(types)));
    db().execute(QStringLiteral("CREATE TABLE items_Справочник_") + name + QLatin1Char('(') +
                 columns + QLatin1Char(')'));
  }
  void addElement(const QString& catalog, const QString& name, const QString& extra = QString()) {
    const QStringList columns = db().columns(QStringLiteral("items_Справочник_") + catalog);
    QString values = storage::quote(name);
    for (int i = 1; i < columns.size(); ++i)
      values += QLatin1Char(',') + storage::quote(i == 1 ? extra : QString());
    db().execute(QStringLiteral("INSERT INTO items_Справочник_") + catalog +
                 QStringLiteral(" VALUES (") + values + QLatin1Char(')'));
  }
  QStringList elementNames(const QString& catalog) {
    QStringList names;
    storage::Recordset rs =
        db().openRecordset(QStringLiteral("SELECT Наименование FROM items_Справочник_") + catalog);
    for (; !rs.eof(); rs.moveNext()) names << rs.text(0);
    return names;
  }
  // Key by key, as typed: QTest's own typing knows only ASCII.
  static void typeText(QWidget* widget, const QString& text) {
    for (const QChar ch : text) {
      QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
      QApplication::sendEvent(widget, &press);
      QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(ch));
      QApplication::sendEvent(widget, &release);
    }
  }
  // Chooses an object from a user menu (0 catalogs, 1 documents, 2 journals, 3 reports) the
  // way the user does; the last open window of the class it opens.
  template <class T>
  T* clickMenu(int menu, const QString& name) {
    const auto& items = main()->userMenuItems(menu);
    for (std::size_t i = 0; i < items.size(); ++i)
      if (items[i]->data().toString() == name) {
        if (menu == 3)
          main()->reportClicked(static_cast<int>(i));
        else
          items[i]->trigger();
      }
    processEvents();
    const auto windows = openWindows<T>();
    return windows.isEmpty() ? nullptr : windows.last();
  }
  // The open child windows of the main window, of one class.
  template <class T>
  QList<T*> openWindows() {
    QList<T*> found;
    for (QMdiSubWindow* sub : m_main->mdiArea()->subWindowList())
      if (auto* w = qobject_cast<T*>(sub->widget())) found << w;
    return found;
  }
  static void processEvents() {
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
  }

  shell::AppState state;
  shell::MessageRecorder messages;

 private:
  std::unique_ptr<shell::frmMain> m_main;
  std::unique_ptr<RuntimeHost> m_host;
  std::unique_ptr<configurator::DesignerSet> m_designers;
};

}  // namespace balvix::runtime::testing
