#include "storage/pg_error.h"

#include <libpq-fe.h>

#include <QRegularExpression>

#include "storage/engine_error.h"
#include "storage/row_guards.h"

namespace balvix::storage {

namespace {

QString field(const pg_result* result, int code) {
  const char* text = result ? PQresultErrorField(result, code) : nullptr;
  return text ? QString::fromUtf8(text) : QString();
}

// The first name the server quotes in its message.
QString quotedPart(const QString& message, int which = 0) {
  static const QRegularExpression quoted(QStringLiteral("\"([^\"]*)\""));
  auto it = quoted.globalMatch(message);
  for (int i = 0; it.hasNext(); ++i) {
    const auto m = it.next();
    if (i == which) return m.captured(1);
  }
  return {};
}

bool isConnectionState(const QString& state) {
  return state.startsWith(QLatin1String("08")) || state == QLatin1String("57P01") ||
         state == QLatin1String("57P02") || state == QLatin1String("57P03");
}

}  // namespace

DbError connectionLost(const QString& shown, const QString& reason) {
  return DbError(
      ErrorCode::ConnectionLost,
      QStringLiteral("Связь с сервером базы данных «%1» прервалась%2; изменения, не "
                     "подтвержденные до этого, не сохранены. Программа подключится "
                     "заново при следующем действии.")
          .arg(shown, reason.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(reason)));
}

DbError serverError(const pg_result* result, const pg_conn* connection, const QString& shown) {
  const QString state = field(result, PG_DIAG_SQLSTATE);
  QString message = field(result, PG_DIAG_MESSAGE_PRIMARY);
  if (message.isEmpty() && connection)
    message = QString::fromUtf8(PQerrorMessage(connection)).trimmed();
  if ((connection && PQstatus(connection) == CONNECTION_BAD) || isConnectionState(state))
    return connectionLost(shown, message);
  if (state == QLatin1String("40001") || state == QLatin1String("40P01") ||
      state == QLatin1String("55P03"))
    return DbError(ErrorCode::Conflict,
                   QStringLiteral("Изменения не внесены: им помешали изменения другого "
                                  "пользователя (%1). Повторите действие.")
                       .arg(message));
  if (state == QLatin1String("P0001")) return DbError(ErrorCode::Refused, message);
  // The rest carry the same meaning as the file engine's failures and get the same texts.
  const QString name = quotedPart(message);
  if (state == QLatin1String("42P01"))
    return statementError(QStringLiteral("no such table: ") + name);
  if (state == QLatin1String("42P07"))
    return statementError(QStringLiteral("table %1 already exists").arg(name));
  if (state == QLatin1String("42703")) {
    const QString table = quotedPart(message, 1);
    if (!table.isEmpty())
      return statementError(QStringLiteral("table %1 has no column named %2").arg(table, name));
    return statementError(QStringLiteral("no such column: ") + name);
  }
  if (state == QLatin1String("42701"))
    return statementError(QStringLiteral("duplicate column name: ") + name);
  if (state == QLatin1String("42883")) {
    static const QRegularExpression function(QStringLiteral("^[^ ]+ ([^ (]+)\\("));
    const auto m = function.match(message);
    return statementError(QStringLiteral("no such function: ") +
                          (m.hasMatch() ? m.captured(1) : message));
  }
  if (state == QLatin1String("42601") && message.startsWith(QLatin1String("INSERT has more")))
    return DbError(ErrorCode::ValueCountMismatch,
                   QStringLiteral("Число значений не совпадает с числом полей (%1).").arg(message));
  if (state == QLatin1String("42601")) {
    if (message.contains(QLatin1String("end of input")))
      return statementError(QStringLiteral("incomplete input"));
    if (!name.isEmpty())
      return statementError(QStringLiteral("near \"%1\": syntax error").arg(name));
    return DbError(ErrorCode::SyntaxError,
                   QStringLiteral("Синтаксическая ошибка в инструкции SQL (%1).").arg(message));
  }
  if (state == QLatin1String("42P02") || state == QLatin1String("08P01"))
    return DbError(ErrorCode::SyntaxError,
                   QStringLiteral("Синтаксическая ошибка в инструкции SQL (%1).").arg(message));
  if (state == QLatin1String("23505")) {
    static const QRegularExpression key(QStringLiteral("^Key \\(([^)]*)\\)"));
    const auto m = key.match(field(result, PG_DIAG_MESSAGE_DETAIL));
    const QString table = field(result, PG_DIAG_TABLE_NAME);
    if (!m.hasMatch() || table.isEmpty())
      return DbError(ErrorCode::DuplicateKey,
                     QStringLiteral("Изменения не внесены: запись повторяет значение ключа, "
                                    "которое уже есть в таблице."));
    QStringList fields = m.captured(1).split(QLatin1Char(','));
    for (QString& f : fields) f = f.trimmed().remove(QLatin1Char('"'));
    return DbError(ErrorCode::DuplicateKey,
                   QStringLiteral("Изменения не внесены: в таблице «%1» уже есть запись с теми же "
                                  "значениями полей «%2».")
                       .arg(table, fields.join(QStringLiteral(", "))));
  }
  if (state == QLatin1String("23502"))
    return DbError(ErrorCode::NullNotAllowed,
                   QStringLiteral("Поле «%1» не может содержать пустое значение (Null).")
                       .arg(field(result, PG_DIAG_COLUMN_NAME)));
  if (state.startsWith(QLatin1String("23")))
    return DbError(ErrorCode::Other,
                   QStringLiteral("Изменения не внесены: нарушено ограничение базы данных (%1).")
                       .arg(message));
  if (state == QLatin1String("25006"))
    return DbError(ErrorCode::ReadOnly,
                   QStringLiteral("База данных «%1» доступна только для чтения; изменения не "
                                  "сохранены.")
                       .arg(shown));
  if (state == QLatin1String("53100"))
    return DbError(ErrorCode::Other,
                   QStringLiteral("Недостаточно места на диске сервера для базы данных «%1»; "
                                  "изменения не внесены.")
                       .arg(shown));
  if (state == QLatin1String("57014"))
    return DbError(ErrorCode::Cancelled, QStringLiteral("Работа остановлена."));
  return DbError(ErrorCode::Other, QStringLiteral("Ошибка базы данных: %1.").arg(message));
}

}  // namespace balvix::storage
