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

}  // namespace balvix::shell
