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

}  // namespace balvix::shell
