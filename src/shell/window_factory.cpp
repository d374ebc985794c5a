#include "shell/window_factory.h"

namespace balvix::shell {

WindowFactory::WindowFactory(QWidget* parent) : m_parent(parent) {}

WindowFactory::~WindowFactory() {
  // Shared windows parented to a main window that is already gone were deleted with it;
  // their guarded pointers are null by now.
  for (auto it = m_shared.begin(); it != m_shared.end(); ++it) delete it.value().data();
}

void WindowFactory::registerWindow(const QString& name, Creator create, Reuse reuse) {
  m_entries.insert(name, Entry{std::move(create), std::move(reuse), false});
}

void WindowFactory::registerSharedWindow(const QString& name, Creator create, Reuse reuse) {
  m_entries.insert(name, Entry{std::move(create), std::move(reuse), true});
}

void WindowFactory::unregisterWindow(const QString& name) {
  m_entries.remove(name);
}

void WindowFactory::registerDesigner(config::ObjectKind kind, const QString& name) {
  m_designers[kind] = name;
}

QStringList WindowFactory::registeredNames() const {
  QStringList names = m_entries.keys();
  names.sort();
  return names;
}

bool WindowFactory::hasWindow(const QString& name) const {
  return m_entries.contains(name);
}

QWidget* WindowFactory::sharedWindow(const QString& name) {
  return sharedWindowWith(name, WindowArguments());
}

QWidget* WindowFactory::sharedWindowWith(const QString& name, const WindowArguments& arguments) {
  const auto entry = m_entries.constFind(name);
  if (entry == m_entries.constEnd()) return nullptr;
  if (QWidget* existing = existingSharedWindow(name)) {
    if (entry->reuse) entry->reuse(existing, arguments);
    return existing;
  }
  QWidget* window = entry->create(arguments, m_parent.data());
  if (window) m_shared.insert(name, window);
  return window;
}

QWidget* WindowFactory::newWindow(const QString& name) {
  return newWindowWith(name, WindowArguments());
}

QWidget* WindowFactory::newWindowWith(const QString& name, const WindowArguments& arguments) {
  const auto entry = m_entries.constFind(name);
  if (entry == m_entries.constEnd() || entry->sharedOnly) return nullptr;
  return entry->create(arguments, nullptr);
}

QWidget* WindowFactory::designer(config::ObjectKind kind) {
  const auto it = m_designers.find(kind);
  return it == m_designers.end() ? nullptr : sharedWindow(it->second);
}

QWidget* WindowFactory::existingSharedWindow(const QString& name) const {
  const auto it = m_shared.constFind(name);
  return it == m_shared.constEnd() ? nullptr : it.value().data();
}

}  // namespace balvix::shell
