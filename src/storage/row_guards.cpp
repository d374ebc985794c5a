#include "storage/row_guards.h"

#include <QCryptographicHash>

#include "storage/pg_session.h"
#include "storage/session.h"
#include "storage/sql_text.h"

namespace balvix::storage {

namespace {

QString quotedName(const QString& name) {
  QString doubled = name;
  doubled.replace(QLatin1Char('"'), QStringLiteral("\"\""));
  return QLatin1Char('"') + doubled + QLatin1Char('"');
}

// The server keeps 63 bytes of a name. A longer guard name is cut and ends in a digest of the
// whole, so that the guards of one long-named table (…_i, …_u, …_d) stay apart there.
QString serverGuardName(const QString& name) {
  const QByteArray utf8 = name.toUtf8();
  if (utf8.size() <= 63) return name;
  const QByteArray digest =
      QCryptographicHash::hash(utf8, QCryptographicHash::Sha1).toHex().left(8);
  return PgSession::serverName(name, 63 - 1 - static_cast<int>(digest.size())) + u'_' +
         QString::fromLatin1(digest);
}

const char* eventWord(RowEvent event) {
  switch (event) {
    case RowEvent::Insert:
      return "INSERT";
    case RowEvent::Update:
      return "UPDATE";
    case RowEvent::Delete:
      return "DELETE";
  }
  return "";
}

}  // namespace

void createRowGuard(Session& db, const QString& name, const QString& table, RowEvent event,
                    const QString& condition, const QString& message) {
  dropRowGuard(db, name);
  if (db.isServer()) {
    // The server's trigger calls one function of the program's that refuses with its
    // argument as the message.
    const QString trigger =
        QStringLiteral(
            "CREATE TRIGGER %1 BEFORE %2 ON %3 FOR EACH ROW%4 EXECUTE FUNCTION "
            "balvix_refuse(%5)")
            .arg(quotedName(serverGuardName(name)), QLatin1String(eventWord(event)),
                 quotedName(table),
                 condition.isEmpty() ? QString() : QStringLiteral(" WHEN (") + condition + u')',
                 quote(message));
    auto* server = dynamic_cast<PgSession*>(&db);
    if (!server || !condition.contains(QStringLiteral("select"), Qt::CaseInsensitive)) {
      db.execute(trigger);
      return;
    }
    // The server allows no query in a trigger's WHEN: a condition that reads other rows
    // becomes the body of a function of the guard's own, written as the WHEN would have been
    // (names resolved and rewritten). Its comment keeps the condition as the program wrote it,
    // for a copy back into a file.
    const QString rewritten = server->resolveIdentifiers(trigger);
    const qsizetype from = rewritten.indexOf(QStringLiteral(" WHEN ("));
    const qsizetype to = rewritten.lastIndexOf(QStringLiteral(" EXECUTE FUNCTION"));
    if (from < 0 || to < from)
      throw DbError(ErrorCode::Other,
                    QStringLiteral("Правило «%1» не удается записать на сервер.").arg(name));
    const QString serverCondition = rewritten.mid(from + 6, to - from - 6);
    const QString function = quotedName(serverGuardName(QStringLiteral("balvix_guard_") + name));
    server->runServerText(
        QStringLiteral("CREATE OR REPLACE FUNCTION %1() RETURNS trigger LANGUAGE plpgsql AS "
                       "$balvix$BEGIN IF %2 THEN RAISE EXCEPTION USING MESSAGE = %3, ERRCODE = "
                       "'P0001'; END IF; IF TG_OP = 'DELETE' THEN RETURN OLD; END IF; RETURN NEW; "
                       "END$balvix$")
            .arg(function, serverCondition, quote(message))
            .toStdString());
    server->runServerText(QStringLiteral("COMMENT ON FUNCTION %1() IS %2")
                              .arg(function, quote(condition + QChar(1) + message))
                              .toStdString());
    server->runServerText((rewritten.left(from) + QStringLiteral(" EXECUTE FUNCTION ") + function +
                           QStringLiteral("()"))
                              .toStdString());
    return;
  }
  db.execute(QStringLiteral("CREATE TRIGGER %1 BEFORE %2 ON %3 FOR EACH ROW%4 BEGIN SELECT "
                            "RAISE(ABORT, %5); END")
                 .arg(quotedName(name), QLatin1String(eventWord(event)), quotedName(table),
                      condition.isEmpty() ? QString() : QStringLiteral(" WHEN ") + condition,
                      quote(message)));
}

void dropRowGuard(Session& db, const QString& name) {
  if (auto* server = dynamic_cast<PgSession*>(&db)) {
    // A trigger's name is the table's own on the server: the drop names its table.
    Recordset rs = server->serverRecordset(
        "SELECT c.relname FROM pg_catalog.pg_trigger t JOIN pg_catalog.pg_class c ON c.oid = "
        "t.tgrelid JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace WHERE n.nspname = "
        "current_schema() AND t.tgname = " +
        quote(serverGuardName(name)).toStdString());
    for (; !rs.eof(); rs.moveNext())
      db.execute(QStringLiteral("DROP TRIGGER IF EXISTS %1 ON %2")
                     .arg(quotedName(serverGuardName(name)), quotedName(rs.text(0))));
    server->runServerText(
        QStringLiteral("DROP FUNCTION IF EXISTS %1()")
            .arg(quotedName(serverGuardName(QStringLiteral("balvix_guard_") + name)))
            .toStdString());
    return;
  }
  db.execute(QStringLiteral("DROP TRIGGER IF EXISTS ") + quotedName(name));
}

QStringList rowGuards(Session& db, const QString& prefix) {
  QStringList names;
  if (auto* server = dynamic_cast<PgSession*>(&db)) {
    Recordset rs = server->serverRecordset(
        QStringLiteral("SELECT t.tgname FROM pg_catalog.pg_trigger t JOIN pg_catalog.pg_class c "
                       "ON c.oid = t.tgrelid JOIN pg_catalog.pg_namespace n ON n.oid = "
                       "c.relnamespace WHERE n.nspname = current_schema() AND NOT t.tgisinternal "
                       "AND substr(t.tgname, 1, %1) = %2")
            .arg(prefix.size())
            .arg(quote(prefix))
            .toStdString());
    for (; !rs.eof(); rs.moveNext()) names << rs.text(0);
    return names;
  }
  Recordset rs = db.openRecordset(
      QStringLiteral("SELECT name FROM sqlite_master WHERE type='trigger' AND substr(name,1,%1)=%2")
          .arg(prefix.size())
          .arg(quote(prefix)));
  for (; !rs.eof(); rs.moveNext()) names << rs.text(0);
  return names;
}

QString sortableDate(const QString& column) {
  return QStringLiteral("(substr(%1,7,4)||substr(%1,4,2)||substr(%1,1,2))").arg(column);
}

QString isDateText(const QString& column) {
  return QStringLiteral("length(%1)=10").arg(column);
}

}  // namespace balvix::storage
