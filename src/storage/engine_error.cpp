#include "storage/engine_error.h"

#include <sqlite3.h>

#include <QDir>
#include <QRegularExpression>

#include "storage/database_file.h"
#include "storage/row_guards.h"

namespace balvix::storage {

namespace {

QString displayPath(const QString& file) {
  return QDir::toNativeSeparators(file);
}

// The engine names tables as "main.name" in some messages; the user knows only the name.
QString plainName(QString name) {
  name = name.trimmed();
  if (name.startsWith(QLatin1String("main."))) name = name.mid(5);
  if (name.size() >= 2 && name.startsWith(QLatin1Char('"')) && name.endsWith(QLatin1Char('"')))
    name = name.mid(1, name.size() - 2);
  return name;
}

// Text after a fixed prefix of the engine's message, or a null string when it differs.
QString after(const QString& message, QLatin1String prefix) {
  return message.startsWith(prefix) ? message.mid(prefix.size()) : QString();
}

// Failure analysis runs only on the error path, where a regular expression costs nothing.
QRegularExpressionMatch match(const QString& message, const char* pattern) {
  return QRegularExpression(QString::fromLatin1(pattern)).match(message);
}

DbError constraintError(int extended, const QString& message) {
  if (extended == SQLITE_CONSTRAINT_UNIQUE || extended == SQLITE_CONSTRAINT_PRIMARYKEY) {
    QStringList fields;
    QString table;
    for (const QString& part : after(message, QLatin1String("UNIQUE constraint failed: "))
                                   .split(QLatin1Char(','), Qt::SkipEmptyParts)) {
      const QString item = part.trimmed();
      const qsizetype dot = item.indexOf(QLatin1Char('.'));
      table = item.left(dot);
      fields << item.mid(dot + 1);
    }
    if (fields.isEmpty())
      return DbError(ErrorCode::DuplicateKey,
                     QStringLiteral("Изменения не внесены: запись повторяет значение ключа, "
                                    "которое уже есть в таблице."));
    return DbError(ErrorCode::DuplicateKey,
                   QStringLiteral("Изменения не внесены: в таблице «%1» уже есть запись с теми же "
                                  "значениями полей «%2».")
                       .arg(table, fields.join(QStringLiteral(", "))));
  }
  // A guard trigger's own text says why, in Russian, and is shown as it is.
  if (extended == SQLITE_CONSTRAINT_TRIGGER) return DbError(ErrorCode::Refused, message);
  if (extended == SQLITE_CONSTRAINT_NOTNULL) {
    QString field = after(message, QLatin1String("NOT NULL constraint failed: "));
    field = field.mid(field.indexOf(QLatin1Char('.')) + 1);
    return DbError(
        ErrorCode::NullNotAllowed,
        QStringLiteral("Поле «%1» не может содержать пустое значение (Null).").arg(field));
  }
  return DbError(
      ErrorCode::Other,
      QStringLiteral("Изменения не внесены: нарушено ограничение базы данных (%1).").arg(message));
}

}  // namespace

DbError statementError(const QString& message) {
  QString name;
  if (!(name = after(message, QLatin1String("no such table: "))).isNull())
    return DbError(ErrorCode::TableNotFound,
                   QStringLiteral("Таблица «%1» не найдена в базе данных.").arg(plainName(name)));
  if (auto m = match(message, "^(table|view) (.+) already exists$"); m.hasMatch())
    return DbError(ErrorCode::TableExists,
                   QStringLiteral("Таблица «%1» уже существует.").arg(plainName(m.captured(2))));
  if (!(name = after(message,
                     QLatin1String("there is already another table or index with this name: ")))
           .isNull())
    return DbError(ErrorCode::TableExists,
                   QStringLiteral("Таблица или индекс «%1» уже существует.").arg(plainName(name)));
  if (auto m = match(message, "^index (.+) already exists$"); m.hasMatch())
    return DbError(ErrorCode::TableExists,
                   QStringLiteral("Индекс «%1» уже существует.").arg(plainName(m.captured(1))));
  if (!(name = after(message, QLatin1String("no such column: "))).isNull())
    return DbError(ErrorCode::ColumnNotFound,
                   QStringLiteral("Поле «%1» не найдено.").arg(plainName(name)));
  if (auto m = match(message, "^table (.+) has no column named (.+)$"); m.hasMatch())
    return DbError(ErrorCode::ColumnNotFound, QStringLiteral("В таблице «%1» нет поля «%2».")
                                                  .arg(plainName(m.captured(1)), m.captured(2)));
  if (!(name = after(message, QLatin1String("duplicate column name: "))).isNull())
    return DbError(
        ErrorCode::DuplicateField,
        QStringLiteral("Поле «%1» указано в описании таблицы более одного раза.").arg(name));
  if (auto m = match(message, "^(\\d+) values for (\\d+) columns$"); m.hasMatch())
    return DbError(ErrorCode::ValueCountMismatch,
                   QStringLiteral("Число значений (%1) не совпадает с числом полей (%2).")
                       .arg(m.captured(1), m.captured(2)));
  if (auto m = match(message, "^table (.+) has (\\d+) columns but (\\d+) values were supplied$");
      m.hasMatch())
    return DbError(
        ErrorCode::ValueCountMismatch,
        QStringLiteral("Число значений (%1) не совпадает с числом полей таблицы «%2» (%3).")
            .arg(m.captured(3), plainName(m.captured(1)), m.captured(2)));
  if (!(name = after(message, QLatin1String("no such function: "))).isNull())
    return DbError(ErrorCode::UndefinedFunction,
                   QStringLiteral("Неизвестная функция «%1» в выражении.").arg(name));
  if (auto m = match(message, "^near \"(.*)\": syntax error$"); m.hasMatch())
    return DbError(
        ErrorCode::SyntaxError,
        QStringLiteral("Синтаксическая ошибка в инструкции SQL около «%1».").arg(m.captured(1)));
  if (message == QLatin1String("incomplete input"))
    return DbError(ErrorCode::SyntaxError,
                   QStringLiteral("Синтаксическая ошибка: инструкция SQL не закончена."));
  if (!(name = after(message, QLatin1String("unrecognized token: "))).isNull())
    return DbError(
        ErrorCode::SyntaxError,
        QStringLiteral("Синтаксическая ошибка: непонятный элемент %1 в инструкции SQL.").arg(name));
  if (message.contains(QLatin1String("syntax error")))
    return DbError(ErrorCode::SyntaxError,
                   QStringLiteral("Синтаксическая ошибка в инструкции SQL (%1).").arg(message));
  return DbError(ErrorCode::Other, QStringLiteral("Ошибка базы данных: %1.").arg(message));
}

QString fileNotFoundText(const QString& file) {
  return QStringLiteral("Файл базы данных «%1» не найден.").arg(displayPath(file));
}

QString notADatabaseText(const QString& file) {
  return QStringLiteral("Файл «%1» не является базой данных программы или поврежден.")
      .arg(displayPath(file));
}

DbError engineError(sqlite3* db, int resultCode, const QString& file) {
  const int extended = db ? sqlite3_extended_errcode(db) : resultCode;
  const QString message =
      db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(resultCode));
  switch (resultCode & 0xff) {
    case SQLITE_CONSTRAINT:
      return constraintError(extended, message);
    case SQLITE_BUSY:
    case SQLITE_LOCKED: {
      const QString holder = file.isEmpty() ? QString() : lockHolder(file);
      return DbError(ErrorCode::Locked,
                     QStringLiteral("База данных «%1» заблокирована другой программой%2; "
                                    "изменения не внесены, повторите действие позже.")
                         .arg(displayPath(file),
                              holder.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(holder)));
    }
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
      return DbError(ErrorCode::NotADatabase, notADatabaseText(file));
    case SQLITE_READONLY:
      return DbError(ErrorCode::ReadOnly,
                     QStringLiteral("База данных «%1» доступна только для чтения; изменения не "
                                    "сохранены.")
                         .arg(displayPath(file)));
    case SQLITE_CANTOPEN:
      return DbError(
          ErrorCode::CannotOpen,
          QStringLiteral("Не удается открыть файл базы данных «%1».").arg(displayPath(file)));
    case SQLITE_FULL:
      return DbError(ErrorCode::Other,
                     QStringLiteral("Недостаточно места на диске для базы данных «%1»; изменения "
                                    "не внесены.")
                         .arg(displayPath(file)));
    case SQLITE_IOERR:
      // A write refused by the system: the disk is full, the file has reached the size the
      // system allows, or the medium has gone.
      if (extended == SQLITE_IOERR_WRITE || extended == SQLITE_IOERR_FSYNC ||
          extended == SQLITE_IOERR_TRUNCATE || extended == SQLITE_IOERR_SHMSIZE)
        return DbError(ErrorCode::Other,
                       QStringLiteral("Не удалось записать файл базы данных «%1»: недостаточно "
                                      "места на диске, превышен допустимый размер файла или "
                                      "носитель недоступен. Изменения не внесены.")
                           .arg(displayPath(file)));
      return DbError(ErrorCode::Other,
                     QStringLiteral("Ошибка чтения или записи файла базы данных «%1».")
                         .arg(displayPath(file)));
    case SQLITE_TOOBIG:
      return DbError(ErrorCode::Other,
                     QStringLiteral("Значение или инструкция слишком велики для базы данных."));
    default:
      return statementError(message);
  }
}

}  // namespace balvix::storage
