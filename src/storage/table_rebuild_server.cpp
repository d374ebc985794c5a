#include <QRegularExpression>

#include "storage/pg_session.h"
#include "storage/sql_text.h"
#include "storage/table_rebuild.h"

namespace balvix::storage {

namespace {

QString quotedName(const QString& name) {
  return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
         QLatin1Char('"');
}

std::string catalogText(const QString& value) {
  return quote(value).toStdString();
}

QString storedName(Session& db, const QString& table) {
  db.refreshTables();
  for (int i = 0; i < db.tableCount(); ++i) {
    if (sameName(db.table(i).name, table)) return db.table(i).name;
  }
  return QString();
}

struct ServerIndex {
  QString name;
  bool unique = false;
  QStringList columns;
};

}  // namespace

// The server form of rebuildTable: the same steps over the server's catalog. Its indexes and
// guard triggers are read from the catalog and made again on the new table.
RebuildResult rebuildServerTable(PgSession& db, const QString& table, const QString& createSql,
                                 RebuildProgress* progress) {
  RebuildResult result;
  Transaction transaction(db);
  const QString current = storedName(db, table);
  if (current.isEmpty()) {
    db.execute(createSql);
    transaction.commit();
    return result;
  }
  result.hadTable = true;
  const std::string relation = catalogText(quotedName(current));
  std::vector<ServerIndex> indexes;
  for (Recordset rs = db.serverRecordset(
           "SELECT i.relname, x.indisunique, array_to_string(array(SELECT a.attname FROM "
           "unnest(x.indkey) WITH ORDINALITY k(attnum, ord) JOIN pg_catalog.pg_attribute a ON "
           "a.attrelid = x.indrelid AND a.attnum = k.attnum ORDER BY k.ord), chr(1)) FROM "
           "pg_catalog.pg_index x JOIN pg_catalog.pg_class i ON i.oid = x.indexrelid WHERE "
           "x.indrelid = " +
           relation + "::regclass AND NOT x.indisprimary ORDER BY i.oid");
       !rs.eof(); rs.moveNext())
    indexes.push_back({rs.text(0), rs.value(1).toInt() != 0, rs.text(2).split(QChar(1))});
  QStringList triggers;
  QStringList triggerNames;
  for (Recordset rs = db.serverRecordset(
           "SELECT tgname, pg_catalog.pg_get_triggerdef(oid) FROM pg_catalog.pg_trigger WHERE "
           "tgrelid = " +
           relation + "::regclass AND NOT tgisinternal ORDER BY oid");
       !rs.eof(); rs.moveNext()) {
    triggerNames << rs.text(0);
    triggers << rs.text(1);
  }

  QString old = QStringLiteral("old_") + current;
  for (int n = 2; !storedName(db, old).isEmpty(); ++n)
    old = QStringLiteral("old_") + current + QLatin1Char('_') + QString::number(n);
  for (const ServerIndex& index : indexes)
    db.execute(QStringLiteral("DROP INDEX ") + quotedName(index.name));
  db.execute(
      QStringLiteral("ALTER TABLE %1 RENAME TO %2").arg(quotedName(current), quotedName(old)));
  db.execute(createSql);
  const QString created = storedName(db, table);
  if (created.isEmpty())
    throw DbError(ErrorCode::TableNotFound,
                  QStringLiteral("Описание таблицы «%1» создает другую таблицу.").arg(table));

  const QStringList newColumns = db.columns(created);
  QStringList from;
  QStringList to;
  auto newName = [&](const QString& column) {
    for (const QString& c : newColumns) {
      if (sameName(c, column)) return c;
    }
    return QString();
  };
  for (const QString& column : db.columns(old)) {
    const QString match = newName(column);
    if (match.isEmpty()) {
      result.droppedColumns << column;
    } else if (!result.keptColumns.contains(match)) {
      from << quotedName(column);
      to << quotedName(match);
      result.keptColumns << match;
    }
  }
  if (!from.isEmpty()) {
    const qint64 total = db.openRecordset(QStringLiteral("SELECT count(*) FROM ") + quotedName(old))
                             .value(0)
                             .toLongLong();
    if (progress) progress->start(created, total);
    db.execute(QStringLiteral("INSERT INTO %1 (%2) SELECT %3 FROM %4 ORDER BY ctid")
                   .arg(quotedName(created), to.join(u','), from.join(u','), quotedName(old)));
    result.rowsCopied = db.changes();
    if (progress) {
      progress->advance(result.rowsCopied);
      progress->finish();
    }
  }
  db.execute(QStringLiteral("DROP TABLE ") + quotedName(old));

  for (const ServerIndex& index : indexes) {
    QStringList columns;
    for (const QString& column : index.columns) {
      const QString match = newName(column);
      if (match.isEmpty()) break;
      columns << quotedName(match);
    }
    if (columns.size() != index.columns.size()) {
      result.droppedIndexes << index.name;
      continue;
    }
    db.execute(QStringLiteral("CREATE %1INDEX %2 ON %3(%4)")
                   .arg(index.unique ? QStringLiteral("UNIQUE ") : QString(),
                        quotedName(index.name), quotedName(created), columns.join(u',')));
    result.keptIndexes << index.name;
  }
  static const QRegularExpression shape(
      QStringLiteral("^CREATE (?:CONSTRAINT )?TRIGGER \\S+ (.+?) ON \\S+ (.*)$"),
      QRegularExpression::DotMatchesEverythingOption);
  for (int i = 0; i < triggers.size(); ++i) {
    const auto m = shape.match(triggers[i]);
    bool kept = m.hasMatch();
    if (kept) {
      db.runServerText("SAVEPOINT rebuild_trigger");
      try {
        db.runServerText(
            QStringLiteral("CREATE TRIGGER %1 %2 ON %3 %4")
                .arg(quotedName(triggerNames[i]), m.captured(1), quotedName(created), m.captured(2))
                .toStdString());
        db.runServerText("RELEASE SAVEPOINT rebuild_trigger");
      } catch (const DbError&) {
        // The guard's condition names a column the table no longer has.
        db.runServerText("ROLLBACK TO SAVEPOINT rebuild_trigger");
        kept = false;
      }
    }
    (kept ? result.keptTriggers : result.droppedTriggers) << triggerNames[i];
  }
  db.refreshTables();
  transaction.commit();
  const QString loss = result.lossSummary();
  if (progress && !loss.isEmpty())
    progress->notice(QStringLiteral("Таблица «%1»: %2").arg(created, loss));
  return result;
}

}  // namespace balvix::storage
