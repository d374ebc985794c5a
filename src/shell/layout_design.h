#pragma once

#include <QString>

namespace balvix::shell {

// A runtime form whose layout is being arranged (a catalog element form or a document
// form opened from a designer). The main window's element menu and the requisite
// editor's element mode act on it through this interface, never by looking up its
// controls by name.
class LayoutDesignTarget {
 public:
  virtual ~LayoutDesignTarget() = default;
  // The element takes the new name; false when there is no such element.
  virtual bool renameElement(const QString& element, const QString& newName) = 0;
  // The element leaves the layout; false when there is no such element.
  virtual bool removeElement(const QString& element) = 0;
};

// The dialog that takes a form element's new name (the requisite editor in its element
// mode); the main window's "Новое имя" opens it.
class ElementRenameDialog {
 public:
  virtual ~ElementRenameDialog() = default;
  // Shows the dialog for ContextItemName: element mode, name box at "Новый", no type.
  virtual void openForElement() = 0;
};

}  // namespace balvix::shell
