#include "configurator/table_rebuild.h"

#include <QApplication>
#include <QProgressDialog>
#include <algorithm>

#include "storage/sql_text.h"

namespace balvix::configurator {

namespace {

// Stored spellings are written as quoted identifiers, so that the copy does not depend
// on how a name would be resolved or whether it happens to be a keyword.
QString quotedName(const QString& name) {
  QString escaped = name;
  escaped.replace(QLatin1Char('"'), QLatin1String("\"\""));
  return QLatin1Char('"') + escaped + QLatin1Char('"');
}

QString freeTableName(storage::Session& db, const QString& table) {
  const QString base = QStringLiteral("old_") + table;
  QString name = base;
  for (int n = 2; db.tableExists(name); ++n) name = base + QLatin1Char('_') + QString::number(n);
  return name;
}

qint64 integerOf(const storage::Recordset& rs, int index) {
  return rs.eof() || rs.value(index).isNull() ? 0 : rs.value(index).toLongLong();
}

}  // namespace

RebuildResult rebuildTable(storage::Session& db, const QString& table, const QString& createSql,
                           RebuildProgress* progress, int chunkRows) {
  RebuildResult result;
  storage::Transaction transaction(db);
  if (!db.tableExists(table)) {
    db.execute(createSql);
    transaction.commit();
    return result;
  }
  result.hadTable = true;

  const QString old = freeTableName(db, table);
  db.execute(QStringLiteral("ALTER TABLE %1 RENAME TO %2").arg(quotedName(table), quotedName(old)));
  db.execute(createSql);

  const QStringList oldColumns = db.columns(old);
  const QStringList newColumns = db.columns(table);
  QStringList from;
  QStringList to;
  for (const QString& column : oldColumns) {
    const auto match = std::find_if(newColumns.begin(), newColumns.end(), [&](const QString& c) {
      return c.compare(column, Qt::CaseInsensitive) == 0;
    });
    if (match == newColumns.end()) {
      result.droppedColumns << column;
    } else if (!to.contains(*match)) {
      from << quotedName(column);
      to << quotedName(*match);
      result.keptColumns << *match;
    }
  }

  if (!from.isEmpty()) {
    storage::Recordset range = db.openRecordset(
        QStringLiteral("SELECT MIN(rowid), MAX(rowid), COUNT(*) FROM %1").arg(quotedName(old)));
    const qint64 first = integerOf(range, 0);
    const qint64 last = integerOf(range, 1);
    const qint64 total = integerOf(range, 2);
    range.close();
    if (total > 0) {
      if (progress) progress->start(table, total);
      const QString copy =
          QStringLiteral("INSERT INTO %1 (%2) SELECT %3 FROM %4 WHERE rowid BETWEEN ")
              .arg(quotedName(table), to.join(QLatin1Char(',')), from.join(QLatin1Char(',')),
                   quotedName(old));
      const qint64 step = std::max(1, chunkRows);
      for (qint64 low = first; low <= last; low += step) {
        const qint64 high = std::min(last, low + step - 1);
        db.execute(copy + QString::number(low) + QStringLiteral(" AND ") + QString::number(high) +
                   QStringLiteral(" ORDER BY rowid"));
        result.rowsCopied += db.changes();
        if (progress) progress->advance(result.rowsCopied);
      }
      if (progress) progress->finish();
    }
  }

  db.execute(QStringLiteral("DROP TABLE %1").arg(quotedName(old)));
  transaction.commit();
  return result;
}

DialogRebuildProgress::DialogRebuildProgress(QWidget* window) : m_window(window) {}

DialogRebuildProgress::~DialogRebuildProgress() = default;

void DialogRebuildProgress::start(const QString& table, qint64 totalRows) {
  // The dialog counts in int; beyond that the bar simply stays full.
  m_dialog = std::make_unique<QProgressDialog>(
      QStringLiteral("Перенос записей таблицы %1...").arg(table), QString(), 0,
      static_cast<int>(std::min<qint64>(totalRows, 1'000'000'000)), m_window);
  m_dialog->setWindowTitle(QStringLiteral("Сохранение"));
  m_dialog->setWindowModality(Qt::WindowModal);
  m_dialog->setMinimumDuration(300);
  m_dialog->setAutoClose(false);
  m_dialog->setAutoReset(false);
  m_dialog->setValue(0);
}

void DialogRebuildProgress::advance(qint64 copiedRows) {
  if (m_dialog)
    m_dialog->setValue(static_cast<int>(std::min<qint64>(copiedRows, m_dialog->maximum())));
  QApplication::processEvents();
}

void DialogRebuildProgress::finish() {
  m_dialog.reset();
}

QString requisiteNamesProblem(const QStringList& names, const QStringList& systemColumns) {
  for (qsizetype i = 0; i < names.size(); ++i) {
    const QString& name = names.at(i);
    const QString problem = storage::identifierProblem(name, QStringLiteral("Имя реквизита"));
    if (!problem.isEmpty()) return problem;
    if (name.compare(QStringLiteral("Новый"), Qt::CaseInsensitive) == 0)
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

QString requisiteColumns(const QStringList& names) {
  QString columns;
  for (const QString& name : names) columns += name + QStringLiteral(" TEXT(50),");
  return columns;
}

bool objectNameTaken(storage::Session& db, const QString& type, const QString& name) {
  storage::Recordset rs = db.openRecordset(
      QStringLiteral("SELECT name FROM form_items WHERE type=") + storage::quote(type));
  for (; !rs.eof(); rs.moveNext()) {
    if (rs.text(0).compare(name, Qt::CaseInsensitive) == 0) return true;
  }
  return false;
}

}  // namespace balvix::configurator
