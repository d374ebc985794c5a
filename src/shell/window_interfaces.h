#pragma once

#include <QDate>
#include <QString>

namespace balvix::shell {

// A document window as the program's script host sees it: modules run in it are stamped
// with its date.
class DocumentWindowInterface {
 public:
  virtual ~DocumentWindowInterface() = default;
  virtual QDate documentDate() const = 0;
};

// A window that may hold what the user has not saved yet: asked before it closes and before
// the program ends.
class UnsavedWork {
 public:
  virtual ~UnsavedWork() = default;
  // Asks «Сохранить изменения?» when something is unsaved and saves on «Да». False when the
  // window must stay open: «Отмена», or the save failed.
  virtual bool confirmClose() = 0;
};

}  // namespace balvix::shell
