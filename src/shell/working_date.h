#pragma once

#include <QDate>

namespace balvix::shell {

// The date new documents start on: the one the user set in the program's settings, or
// today when none is set (the usual case; a date set once stays until it is cleared).
QDate workingDate();
// A null date clears the setting, so that the working date follows today again.
void setWorkingDate(const QDate& date);
// Whether the user set a date of their own.
bool workingDateIsSet();

}  // namespace balvix::shell
