#pragma once

class QAbstractItemView;
class QToolBar;

namespace balvix::shell {

// Makes reachable from the application's accessibility tree what Qt leaves out of it: the
// pop-up menu that is open (a context menu, «Выбор значения») is a child of the
// application, and every child window has a «Закрыть» button for its title bar's close
// button, which is only painted. Installed once, before anything asks for the tree.
void installAccessibility();

// Names the «››» button that a toolbar shows when its buttons do not fit.
void nameToolbarOverflow(QToolBar* bar);

// A row selected without the keyboard or the mouse (through the accessibility interface)
// becomes the current row, so that the commands that act on the current row follow.
void currentFollowsSelection(QAbstractItemView* view);

}  // namespace balvix::shell
