#pragma once

#include <QObject>
#include <QString>

namespace balvix::shell {

// Announces that many elements of a catalog changed at once (a load from a file), once its
// transaction has ended, so that every open list of that catalog reads it again.
class CatalogEvents : public QObject {
  Q_OBJECT

 public:
  using QObject::QObject;

  void announceElementsChanged(const QString& catalog);

 signals:
  void elementsChanged(const QString& catalog);
};

}  // namespace balvix::shell
