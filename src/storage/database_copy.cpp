#include "storage/database_copy.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <vector>

#include "storage/pg_session.h"
#include "storage/row_guards.h"
#include "storage/session.h"
#include "storage/sql_text.h"
#include "storage/sqlite_session.h"

namespace balvix::storage {

namespace {

constexpr int kRowsPerBatch = 2000;

QString quotedName(const QString& name) {
  return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
         QLatin1Char('"');
}

struct IndexDef {
  QString name;
  bool unique = false;
  QStringList columns;
};

struct GuardDef {
  QString name;
  RowEvent event = RowEvent::Insert;
  QString condition;
  QString message;
};

struct TableShape {
  QString name;
  QString createSql;  // in the program's dialect
  QStringList columns;
  std::vector<IndexDef> indexes;
  std::vector<GuardDef> guards;
};

RowEvent eventOf(const QString& word) {
  if (word.compare(QLatin1String("UPDATE"), Qt::CaseInsensitive) == 0) return RowEvent::Update;
  if (word.compare(QLatin1String("DELETE"), Qt::CaseInsensitive) == 0) return RowEvent::Delete;
  return RowEvent::Insert;
}

QString unquoted(QString name) {
  if (name.size() >= 2 && name.startsWith(u'"') && name.endsWith(u'"'))
    name = name.mid(1, name.size() - 2).replace(QStringLiteral("\"\""), QStringLiteral("\""));
  return name;
}

// The program's type of a column the server describes.
QString fileType(const QString& serverType) {
  if (serverType == QLatin1String("bigint") || serverType == QLatin1String("integer") ||
      serverType == QLatin1String("smallint"))
    return QStringLiteral("INTEGER");
  if (serverType == QLatin1String("double precision") || serverType == QLatin1String("real"))
    return QStringLiteral("REAL");
  if (serverType == QLatin1String("numeric")) return QStringLiteral("NUMERIC");
  if (serverType == QLatin1String("bytea")) return QStringLiteral("BLOB");
  if (serverType == QLatin1String("boolean")) return QStringLiteral("BOOLEAN");
  return QStringLiteral("TEXT");
}

std::vector<TableShape> fileShapes(Session& db) {
  std::vector<TableShape> shapes;
  for (Recordset rs = db.openRecordset(QStringLiteral(
           "SELECT name, sql FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite\\_%' "
           "ESCAPE '\\' ORDER BY rowid"));
       !rs.eof(); rs.moveNext())
    shapes.push_back({rs.text(0), rs.text(1), db.columns(rs.text(0)), {}, {}});
  static const QRegularExpression guard(
      QStringLiteral("^CREATE TRIGGER (\\S+) BEFORE (INSERT|UPDATE|DELETE) ON \\S+ FOR EACH ROW"
                     "(?: WHEN (.*))? BEGIN SELECT RAISE\\(ABORT, '((?:[^']|'')*)'\\); END$"),
      QRegularExpression::DotMatchesEverythingOption);
  for (TableShape& shape : shapes) {
    for (Recordset rs = db.openRecordset(
             QStringLiteral(
                 "SELECT type, name, sql FROM sqlite_master WHERE type IN "
                 "('index','trigger') AND tbl_name=%1 AND sql IS NOT NULL ORDER BY rowid")
                 .arg(quote(shape.name)));
         !rs.eof(); rs.moveNext()) {
      if (rs.text(0) == QLatin1String("index")) {
        static const QRegularExpression index(
            QStringLiteral("^CREATE (UNIQUE )?INDEX (?:IF NOT EXISTS )?(\\S+) ON [^(]+\\((.*)\\)$"),
            QRegularExpression::CaseInsensitiveOption);
        const auto m = index.match(rs.text(2).trimmed());
        if (!m.hasMatch())
          throw DbError(ErrorCode::Other,
                        QStringLiteral("Индекс «%1» таблицы «%2» не удается перенести.")
                            .arg(rs.text(1), shape.name));
        QStringList columns;
        for (const QString& c : m.captured(3).split(u',')) columns << unquoted(c.trimmed());
        shape.indexes.push_back({rs.text(1), !m.captured(1).isEmpty(), columns});
        continue;
      }
      const auto m = guard.match(rs.text(2).trimmed());
      if (!m.hasMatch())
        throw DbError(ErrorCode::Other,
                      QStringLiteral("Триггер «%1» таблицы «%2» не удается перенести: программа "
                                     "переносит только свои правила изменения строк.")
                          .arg(rs.text(1), shape.name));
      shape.guards.push_back({unquoted(m.captured(1)), eventOf(m.captured(2)), m.captured(3),
                              m.captured(4).replace(QStringLiteral("''"), QStringLiteral("'"))});
    }
  }
  return shapes;
}

std::vector<TableShape> serverShapes(PgSession& db) {
  std::vector<TableShape> shapes;
  db.refreshTables();
  for (int i = 0; i < db.tableCount(); ++i) {
    TableShape shape;
    shape.name = db.table(i).name;
    const std::string relation = quote(quotedName(shape.name)).toStdString() + "::regclass";
    QStringList columns;
    for (Recordset rs = db.serverRecordset(
             "SELECT a.attname, pg_catalog.format_type(a.atttypid, NULL) FROM "
             "pg_catalog.pg_attribute a WHERE a.attrelid = " +
             relation + " AND a.attnum > 0 AND NOT a.attisdropped ORDER BY a.attnum");
         !rs.eof(); rs.moveNext()) {
      shape.columns << rs.text(0);
      columns << quotedName(rs.text(0)) + u' ' + fileType(rs.text(1));
    }
    shape.createSql =
        QStringLiteral("CREATE TABLE %1(%2)").arg(quotedName(shape.name), columns.join(u','));
    for (Recordset rs = db.serverRecordset(
             "SELECT i.relname, x.indisunique, array_to_string(array(SELECT a.attname FROM "
             "unnest(x.indkey) WITH ORDINALITY k(attnum, ord) JOIN pg_catalog.pg_attribute a ON "
             "a.attrelid = x.indrelid AND a.attnum = k.attnum ORDER BY k.ord), chr(1)) FROM "
             "pg_catalog.pg_index x JOIN pg_catalog.pg_class i ON i.oid = x.indexrelid WHERE "
             "x.indrelid = " +
             relation + " ORDER BY i.oid");
         !rs.eof(); rs.moveNext())
      shape.indexes.push_back({rs.text(0), rs.value(1).toInt() != 0, rs.text(2).split(QChar(1))});
    static const QRegularExpression guard(
        QStringLiteral(
            "^CREATE TRIGGER (\\S+) BEFORE (INSERT|UPDATE|DELETE) ON \\S+ FOR EACH ROW"
            "(?: WHEN \\((.*)\\))? EXECUTE FUNCTION balvix_refuse\\('((?:[^']|'')*)'\\)$"),
        QRegularExpression::DotMatchesEverythingOption);
    // The server writes casts of its own into a condition it shows; the file engine needs none.
    static const QRegularExpression casts(
        QStringLiteral("::(text|bigint|integer|numeric|double precision|boolean)\\b"));
    for (Recordset rs = db.serverRecordset(
             "SELECT tgname, pg_catalog.pg_get_triggerdef(oid) FROM pg_catalog.pg_trigger WHERE "
             "tgrelid = " +
             relation + " AND NOT tgisinternal ORDER BY oid");
         !rs.eof(); rs.moveNext()) {
      // A guard whose condition reads other rows keeps it in the comment of its function.
      static const QRegularExpression own(QStringLiteral(
          "^CREATE TRIGGER (\\S+) BEFORE (INSERT|UPDATE|DELETE) ON \\S+ FOR EACH ROW "
          "EXECUTE FUNCTION \"?(balvix_guard_[^\"(]+)\"?\\(\\)$"));
      if (const auto f = own.match(rs.text(1)); f.hasMatch()) {
        Recordset comment = db.serverRecordset(
            "SELECT pg_catalog.obj_description(p.oid, 'pg_proc') FROM pg_catalog.pg_proc p WHERE "
            "p.proname = " +
            quote(f.captured(3)).toStdString());
        const QStringList parts = comment.eof() ? QStringList() : comment.text(0).split(QChar(1));
        if (parts.size() != 2)
          throw DbError(ErrorCode::Other,
                        QStringLiteral("Правило «%1» таблицы «%2» не удается перенести: у его "
                                       "функции нет описания.")
                            .arg(rs.text(0), shape.name));
        shape.guards.push_back({rs.text(0), eventOf(f.captured(2)), parts[0], parts[1]});
        continue;
      }
      const auto m = guard.match(rs.text(1));
      if (!m.hasMatch())
        throw DbError(ErrorCode::Other,
                      QStringLiteral("Триггер «%1» таблицы «%2» не удается перенести: программа "
                                     "переносит только свои правила изменения строк.")
                          .arg(rs.text(0), shape.name));
      QString condition = m.captured(3);
      condition.replace(casts, QString()).replace(QStringLiteral("~~*"), QStringLiteral("LIKE"));
      condition.replace(QStringLiteral("~~"), QStringLiteral("LIKE"));
      shape.guards.push_back({rs.text(0), eventOf(m.captured(2)), condition,
                              m.captured(4).replace(QStringLiteral("''"), QStringLiteral("'"))});
    }
    shapes.push_back(std::move(shape));
  }
  return shapes;
}

void writeValues(Session& to, const QString& sql, const std::vector<std::vector<QVariant>>& rows) {
  if (auto* server = dynamic_cast<PgSession*>(&to))
    server->executeValues(sql, rows);
  else
    dynamic_cast<SqliteSession&>(to).executeValues(sql, rows);
}

void copyInto(Session& from, Session& to, const WorkProgress& progress) {
  std::vector<TableShape> shapes =
      from.isServer() ? serverShapes(dynamic_cast<PgSession&>(from)) : fileShapes(from);
  qint64 total = 0;
  std::vector<qint64> counts;
  for (const TableShape& shape : shapes) {
    counts.push_back(
        from.openRecordset(QStringLiteral("SELECT count(*) FROM ") + quotedName(shape.name))
            .value(0)
            .toLongLong());
    total += counts.back();
  }
  qint64 done = 0;
  Transaction transaction(to);
  for (std::size_t t = 0; t < shapes.size(); ++t) {
    const TableShape& shape = shapes[t];
    // The new database has the fixed tables already; the source's own take their place.
    if (to.tableExists(shape.name))
      to.execute(QStringLiteral("DROP TABLE ") + quotedName(shape.name));
    to.execute(shape.createSql);
    QStringList names;
    QStringList marks;
    for (const QString& column : shape.columns) {
      names << quotedName(column);
      marks << QStringLiteral("?");
    }
    const QString insert = QStringLiteral("INSERT INTO %1(%2) VALUES (%3)")
                               .arg(quotedName(shape.name), names.join(u','), marks.join(u','));
    std::vector<std::vector<QVariant>> batch;
    auto flush = [&] {
      writeValues(to, insert, batch);
      done += static_cast<qint64>(batch.size());
      batch.clear();
      if (progress && !progress(done, total))
        throw DbError(ErrorCode::Cancelled, QStringLiteral("Копирование базы данных остановлено."));
    };
    Recordset rows = from.openRecordset(
        QStringLiteral("SELECT %1 FROM %2").arg(names.join(u','), quotedName(shape.name)));
    for (; !rows.eof(); rows.moveNext()) {
      std::vector<QVariant> row;
      row.reserve(static_cast<std::size_t>(shape.columns.size()));
      for (int c = 0; c < shape.columns.size(); ++c) row.push_back(rows.value(c));
      batch.push_back(std::move(row));
      if (static_cast<int>(batch.size()) >= kRowsPerBatch) flush();
    }
    if (!batch.empty()) flush();
    for (const IndexDef& index : shape.indexes) {
      QStringList columns;
      for (const QString& c : index.columns) columns << quotedName(c);
      to.execute(QStringLiteral("CREATE %1INDEX %2 ON %3(%4)")
                     .arg(index.unique ? QStringLiteral("UNIQUE ") : QString(),
                          quotedName(index.name), quotedName(shape.name), columns.join(u',')));
    }
    for (const GuardDef& guard : shape.guards)
      createRowGuard(to, guard.name, shape.name, guard.event, guard.condition, guard.message);
    const qint64 copied =
        to.openRecordset(QStringLiteral("SELECT count(*) FROM ") + quotedName(shape.name))
            .value(0)
            .toLongLong();
    if (copied != counts[t])
      throw DbError(ErrorCode::Other,
                    QStringLiteral("Копия таблицы «%1» не совпадает с исходной: %2 строк вместо "
                                   "%3; копия не сохранена.")
                        .arg(shape.name)
                        .arg(copied)
                        .arg(counts[t]));
  }
  transaction.commit();
}

}  // namespace

void copyDatabase(Session& from, const QString& to, const WorkProgress& progress) {
  if (from.inTransaction())
    throw DbError(ErrorCode::Other,
                  QStringLiteral("Идет запись в базу данных; повторите копирование позже."));
  std::unique_ptr<Session> target = Session::createNew(to);
  try {
    copyInto(from, *target, progress);
  } catch (...) {
    const QString file = target->isServer() ? QString() : target->path();
    target.reset();
    if (!file.isEmpty()) {
      for (const char* suffix : {"", "-wal", "-shm", "-journal"})
        QFile::remove(file + QLatin1String(suffix));
    }
    throw;
  }
}

void copyServerDatabase(Session& db, const QString& target, const WorkProgress& progress,
                        bool force) {
  if (QFileInfo::exists(target) && !force)
    throw DbError(ErrorCode::FileExists,
                  QStringLiteral("Файл «%1» уже существует; копия не записана, чтобы не затереть "
                                 "его.")
                      .arg(QDir::toNativeSeparators(target)));
  const QString part =
      target + QStringLiteral(".part-") + QString::number(QCoreApplication::applicationPid());
  for (const char* suffix : {"", "-wal", "-shm"}) QFile::remove(part + QLatin1String(suffix));
  copyDatabase(db, part, progress);
  QFile::remove(target);
  if (!QFile::rename(part, target)) {
    QFile::remove(part);
    throw DbError(ErrorCode::CannotOpen, QStringLiteral("Не удается записать копию в файл «%1».")
                                             .arg(QDir::toNativeSeparators(target)));
  }
}

}  // namespace balvix::storage
