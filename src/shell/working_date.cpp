#include "shell/working_date.h"

#include <QSettings>

namespace balvix::shell {

namespace {

const QString kFormat = QStringLiteral("dd.MM.yyyy");

QDate storedDate() {
  QSettings settings(QStringLiteral("Balvix"), QStringLiteral("Balvix"));
  settings.beginGroup(QStringLiteral("Setting"));
  return QDate::fromString(settings.value(QStringLiteral("WorkDate")).toString(), kFormat);
}

}  // namespace

QDate workingDate() {
  const QDate stored = storedDate();
  return stored.isValid() ? stored : QDate::currentDate();
}

bool workingDateIsSet() {
  return storedDate().isValid();
}

void setWorkingDate(const QDate& date) {
  QSettings settings(QStringLiteral("Balvix"), QStringLiteral("Balvix"));
  settings.beginGroup(QStringLiteral("Setting"));
  if (date.isValid())
    settings.setValue(QStringLiteral("WorkDate"), date.toString(kFormat));
  else
    settings.remove(QStringLiteral("WorkDate"));
}

}  // namespace balvix::shell
