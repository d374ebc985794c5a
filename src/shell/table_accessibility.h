#pragma once

class QAccessibleInterface;
class QObject;

namespace balvix::shell {

// The accessibility interface of a table view marked by describeCells (accessibility.h);
// nullptr for any other object, which keeps Qt's own.
QAccessibleInterface* describedTableAccessible(QObject* object);

}  // namespace balvix::shell
