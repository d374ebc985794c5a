#include "storage/session.h"

#include <libpq-fe.h>
#include <sqlite3.h>

#include <QFileInfo>
#include <QUrl>
#include <algorithm>
#include <cstdlib>

#include "storage/pg_session.h"
#include "storage/sql_text.h"
#include "storage/sqlite_session.h"

namespace balvix::storage {

QString Session::folder() const {
  return m_server ? QString() : QFileInfo(m_path).absolutePath();
}

QString serverAddress(const ServerPlace& place) {
  const auto part = [](const QString& text) {
    return QString::fromLatin1(QUrl::toPercentEncoding(text.trimmed()));
  };
  const QString host = place.host.trimmed();
  const QString port = QString::number(place.port);
  if (host.startsWith(u'/')) {
    QString address = QStringLiteral("postgresql:///") + part(place.database) +
                      QStringLiteral("?host=") + part(host) + QStringLiteral("&port=") + port;
    if (!place.user.trimmed().isEmpty()) address += QStringLiteral("&user=") + part(place.user);
    return address;
  }
  QString address = QStringLiteral("postgresql://");
  if (!place.user.trimmed().isEmpty()) address += part(place.user) + u'@';
  // An IPv6 address goes in brackets, so that its colons are not read as the port's.
  address += host.contains(u':') ? u'[' + host + u']' : part(host);
  return address + u':' + port + u'/' + part(place.database);
}

bool Session::isServerAddress(const QString& path) {
  return path.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) ||
         path.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

std::unique_ptr<Session> Session::open(const QString& path) {
  if (isServerAddress(path)) return PgSession::open(path);
  return SqliteSession::open(path);
}

std::unique_ptr<Session> Session::createNew(const QString& path) {
  if (isServerAddress(path)) return PgSession::createNew(path);
  return SqliteSession::createNew(path);
}

Session::~Session() = default;

bool RowView::isNull(int column) const {
  if (m_result) return PQgetisnull(m_result, m_row, column) != 0;
  return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}

std::string_view RowView::text(int column) const {
  if (m_result) {
    if (PQgetisnull(m_result, m_row, column)) return {};
    return {PQgetvalue(m_result, m_row, column),
            static_cast<std::size_t>(PQgetlength(m_result, m_row, column))};
  }
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
  if (!text) return {};
  return {text, static_cast<std::size_t>(sqlite3_column_bytes(m_statement, column))};
}

std::optional<double> RowView::number(int column) const {
  if (m_result) {
    if (PQgetisnull(m_result, m_row, column) || !isNumericType(PQftype(m_result, column)))
      return std::nullopt;
    return std::strtod(PQgetvalue(m_result, m_row, column), nullptr);
  }
  const int type = sqlite3_column_type(m_statement, column);
  if (type != SQLITE_INTEGER && type != SQLITE_FLOAT) return std::nullopt;
  return sqlite3_column_double(m_statement, column);
}

QString Session::tableChangedSince(const TableVersion& before) {
  const TableVersion now = tableVersion(before.table);
  if (now.exists == before.exists && now.definition == before.definition) return {};
  if (!now.exists)
    return QStringLiteral("таблица «%1» удалена другим пользователем или программой")
        .arg(before.table);
  if (!before.exists)
    return QStringLiteral("таблица «%1» создана другим пользователем или программой")
        .arg(before.table);
  QStringList added;
  QStringList removed;
  for (const QString& column : now.columns) {
    if (!std::any_of(before.columns.begin(), before.columns.end(),
                     [&](const QString& c) { return c == column; }))
      added << QStringLiteral("«%1»").arg(column);
  }
  for (const QString& column : before.columns) {
    if (!now.columns.contains(column)) removed << QStringLiteral("«%1»").arg(column);
  }
  QStringList parts;
  if (!added.isEmpty())
    parts << QStringLiteral("добавлены поля %1").arg(added.join(QStringLiteral(", ")));
  if (!removed.isEmpty())
    parts << QStringLiteral("удалены поля %1").arg(removed.join(QStringLiteral(", ")));
  if (parts.isEmpty()) parts << QStringLiteral("изменено описание таблицы");
  return QStringLiteral("в таблице «%1» %2").arg(before.table, parts.join(QStringLiteral("; ")));
}

QString Session::nameConflict(const QString& name, const QString& what,
                              const QStringList& ownTables) {
  noticeOtherChanges();
  const QString folded = foldName(name);
  auto own = [&](const QString& table) {
    return std::any_of(ownTables.begin(), ownTables.end(),
                       [&](const QString& t) { return foldName(t) == foldName(table); });
  };
  for (const TableDef& table : m_tables) {
    if (table.attributes != 0 || own(table.name)) continue;
    QStringList names = columns(table.name);
    names.prepend(table.name);
    for (const QString& existing : std::as_const(names)) {
      if (existing != name && foldName(existing) == folded)
        return QStringLiteral(
                   "%1 «%2» недопустимо: в базе данных уже есть имя «%3», которое "
                   "отличается только регистром букв; используйте написание «%3».")
            .arg(what, name, existing);
    }
  }
  return {};
}

}  // namespace balvix::storage
