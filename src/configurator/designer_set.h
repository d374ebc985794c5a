#pragma once

#include <QHash>
#include <QPointer>
#include <QString>
#include <QWidget>

#include "shell/app_state.h"
#include "shell/window_provider.h"

namespace balvix::configurator {

// Owns the one shared instance of every configurator window (designers, requisite
// editor, module editor), created on first use. Windows find each other through it by
// class name, so none of them needs to know how the others are made.
class DesignerSet : public shell::WindowProvider {
 public:
  DesignerSet(shell::AppState& state, QWidget* parentWindow);
  ~DesignerSet() override;
  DesignerSet(const DesignerSet&) = delete;
  DesignerSet& operator=(const DesignerSet&) = delete;

  // "frmItem", "frmDocs", "frmSprFrm", "frmRegister", "frmEnum", "frmZurnalFrm",
  // "frmRepFrm" or "frmEdit"; nullptr for any other name.
  QWidget* sharedWindow(const QString& className) override;

  // The shared instance of a window class, by its type.
  template <class T>
  T* window() {
    QString name = QString::fromLatin1(T::staticMetaObject.className());
    name = name.mid(name.lastIndexOf(QLatin1Char(':')) + 1);
    return qobject_cast<T*>(sharedWindow(name));
  }

  // Class names this set can create.
  static QStringList classNames();

 private:
  QWidget* create(const QString& className);

  shell::AppState& m_state;
  QPointer<QWidget> m_parent;
  QHash<QString, QPointer<QWidget>> m_windows;
};

}  // namespace balvix::configurator
