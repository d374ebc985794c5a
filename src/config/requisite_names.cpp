#include "config/requisite_names.h"

#include "config/object_kind.h"
#include "storage/session.h"
#include "storage/sql_text.h"

namespace balvix::config {

QString requisiteNamesProblem(const QStringList& names, const QStringList& systemColumns) {
  for (qsizetype i = 0; i < names.size(); ++i) {
    const QString& name = names.at(i);
    const QString problem = storage::identifierProblem(name, QStringLiteral("Имя реквизита"));
    if (!problem.isEmpty()) return problem;
    if (name.compare(kNewObjectName, Qt::CaseInsensitive) == 0)
      return QStringLiteral(
                 "Имя реквизита «%1» недопустимо: оно зарезервировано для нового элемента. "
                 "Дайте реквизиту собственное имя.")
          .arg(name);
    for (const QString& system : systemColumns) {
      if (name.compare(system, Qt::CaseInsensitive) == 0)
        return QStringLiteral(
                   "Имя реквизита «%1» недопустимо: так называется служебная колонка "
                   "таблицы.")
            .arg(name);
    }
    for (qsizetype j = 0; j < i; ++j) {
      if (names.at(j).compare(name, Qt::CaseInsensitive) == 0)
        return QStringLiteral("Реквизит «%1» указан дважды.").arg(name);
    }
  }
  return QString();
}

QString requisiteNamesProblem(const QStringList& names, const QStringList& systemColumns,
                              storage::Session& db, const QStringList& ownTables) {
  QString problem = requisiteNamesProblem(names, systemColumns);
  for (qsizetype i = 0; problem.isEmpty() && i < names.size(); ++i)
    problem = db.nameConflict(names.at(i), QStringLiteral("Имя реквизита"), ownTables);
  return problem;
}

}  // namespace balvix::config
