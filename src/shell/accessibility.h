#pragma once

#include <Qt>

class QTableView;
class QToolBar;

namespace balvix::shell {

// Makes reachable from the application's accessibility tree what Qt leaves out of it: the
// pop-up menu that is open (a context menu, «Выбор значения») is a child of the
// application, and every child window has a «Закрыть» button for its title bar's close
// button, which is only painted. Installed once, before anything asks for the tree.
void installAccessibility();

// Names the «››» button that a toolbar shows when its buttons do not fit.
void nameToolbarOverflow(QToolBar* bar);

// The view's cells as an accessibility client reads them: each cell is named by its column's
// title and its text is what it shows; a cell the view lets the user edit takes a new text
// (a number cell a new value too). A row or cell selected or focused through the interface
// becomes the current one, so that the commands that act on the current row follow. Called
// when the view is made, before anything asks for its interface.
void describeCells(QTableView* view);

// A model gives a number cell's value (a double) under this role; clients read and set it
// through the value interface.
inline constexpr int kCellNumberRole = Qt::UserRole + 64;

}  // namespace balvix::shell
