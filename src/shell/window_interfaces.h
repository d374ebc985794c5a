#pragma once

#include <QDate>
#include <QString>

namespace balvix::shell {

// A journal window as the main window's commands see it: "Сделать не проведенным" acts
// on the row selected in it and has it show the document unposted, without the shell
// knowing the window's class.
class JournalWindowInterface {
 public:
  virtual ~JournalWindowInterface() = default;
  // The document of this kind and key is no longer posted.
  virtual void documentUnposted(const QString& kind, const QString& date, const QString& time) = 0;
};

// A document window as the program's script host sees it: modules run in it are stamped
// with its date.
class DocumentWindowInterface {
 public:
  virtual ~DocumentWindowInterface() = default;
  virtual QDate documentDate() const = 0;
};

}  // namespace balvix::shell
