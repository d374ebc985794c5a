#pragma once

#include <QHash>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <map>

#include "shell/window_provider.h"

namespace balvix::shell {

// The registry of every window the program can open, by the name the system gives it
// (frmUniDoc, frmSprList, frmUniSpr, frmZurnal, frmPlan, frmReport, frmDocs, ...). Each
// layer registers its windows at start-up; any layer above the shell then opens any of
// them by name, without linking it.
//
// A window is either fresh (a new instance for each opening, owned by whoever shows it,
// usually the main window's document area) or shared (one instance made on first use
// and owned here). The same name can be asked for either way.
class WindowFactory : public WindowProvider {
 public:
  using Creator = std::function<QWidget*(const WindowArguments& arguments, QWidget* parent)>;
  // Hands arguments to a shared window asked for again (optional).
  using Reuse = std::function<void(QWidget* window, const WindowArguments& arguments)>;

  // `parent` becomes the parent of the shared windows (they stay top-level windows).
  explicit WindowFactory(QWidget* parent = nullptr);
  ~WindowFactory() override;
  WindowFactory(const WindowFactory&) = delete;
  WindowFactory& operator=(const WindowFactory&) = delete;

  // Registers a window, replacing an earlier registration of the same name.
  void registerWindow(const QString& name, Creator create, Reuse reuse = {});
  // Registers a window that exists once only (a designer, the module editor): asking for
  // a fresh instance of it gives nullptr.
  void registerSharedWindow(const QString& name, Creator create, Reuse reuse = {});
  void unregisterWindow(const QString& name);
  // The window that designs objects of a kind (frmDocs for documents, ...).
  void registerDesigner(config::ObjectKind kind, const QString& name);
  QStringList registeredNames() const;

  // Moves the shared windows made from now on under another parent.
  void setParentWindow(QWidget* parent) { m_parent = parent; }

  bool hasWindow(const QString& name) const override;
  QWidget* sharedWindow(const QString& name) override;
  QWidget* sharedWindowWith(const QString& name, const WindowArguments& arguments) override;
  QWidget* newWindow(const QString& name) override;
  QWidget* newWindowWith(const QString& name, const WindowArguments& arguments) override;
  QWidget* designer(config::ObjectKind kind) override;
  QWidget* existingSharedWindow(const QString& name) const override;

 private:
  struct Entry {
    Creator create;
    Reuse reuse;
    bool sharedOnly = false;
  };

  QPointer<QWidget> m_parent;
  QHash<QString, Entry> m_entries;
  QHash<QString, QPointer<QWidget>> m_shared;
  std::map<config::ObjectKind, QString> m_designers;
};

}  // namespace balvix::shell
