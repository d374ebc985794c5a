#include "config/document_numbers.h"

#include <QDate>
#include <QMap>
#include <algorithm>
#include <vector>

#include "config/table_names.h"
#include "storage/session.h"
#include "storage/sql_text.h"

namespace balvix::config {

namespace {

using storage::quote;

QString counterCondition(const QString& kind, int year) {
  return QStringLiteral(" WHERE kind=") + quote(kind) + QStringLiteral(" AND year=") +
         QString::number(year);
}

int counterValue(storage::Session& db, const QString& kind, int year) {
  storage::Recordset rs = db.openRecordset(QStringLiteral("SELECT last FROM ") +
                                           documentNumbersTable() + counterCondition(kind, year));
  return rs.eof() ? 0 : rs.value(0).toInt();
}

void setCounter(storage::Session& db, const QString& kind, int year, int last) {
  db.execute(QStringLiteral("UPDATE ") + documentNumbersTable() + QStringLiteral(" SET last=") +
             QString::number(last) + counterCondition(kind, year));
  if (db.changes() == 0)
    db.execute(QStringLiteral("INSERT INTO ") + documentNumbersTable() +
               QStringLiteral(" (kind,year,last) VALUES (") + quote(kind) + QLatin1Char(',') +
               QString::number(year) + QLatin1Char(',') + QString::number(last) + QLatin1Char(')'));
}

struct StoredDocument {
  QDate date;
  QString dateText;
  QString time;
};

// Documents of one year, the numbered ones' highest number and the others in date order.
struct YearDocuments {
  int highest = 0;
  QList<StoredDocument> unnumbered;
};

}  // namespace

void ensureDocumentNumbersTable(storage::Session& db) {
  if (db.tableExists(documentNumbersTable())) return;
  db.execute(QStringLiteral("CREATE TABLE ") + documentNumbersTable() +
             QStringLiteral("(kind TEXT(50),year INTEGER,last INTEGER,PRIMARY KEY(kind,year))"));
}

int takeDocumentNumber(storage::Session& db, const QString& kind, int year) {
  ensureDocumentNumbersTable(db);
  db.execute(QStringLiteral("UPDATE ") + documentNumbersTable() +
             QStringLiteral(" SET last=last+1") + counterCondition(kind, year));
  if (db.changes() == 0) {
    // The year's first number: another user's program may be taking it at this moment, and
    // then this one waits for it and takes the next.
    db.execute(QStringLiteral("INSERT INTO ") + documentNumbersTable() +
               QStringLiteral(" (kind,year,last) VALUES (") + quote(kind) + QLatin1Char(',') +
               QString::number(year) +
               QStringLiteral(",1) ON CONFLICT(kind,year) DO UPDATE SET last=last+1"));
  }
  return counterValue(db, kind, year);
}

QString documentNumber(storage::Session& db, const QString& kind, const QString& date,
                       const QString& time) {
  const QString header = documentHeaderTable(kind);
  if (!storage::isValidIdentifier(kind) || !db.tableExists(header) ||
      !db.columns(header).contains(kDocumentNumberColumn, Qt::CaseInsensitive))
    return QString();
  storage::Recordset rs = db.openRecordset(
      QStringLiteral("SELECT ") + kDocumentNumberColumn + QStringLiteral(" FROM ") + header +
      QStringLiteral(" WHERE cDATE=") + quote(date) + QStringLiteral(" AND cTIME=") + quote(time));
  return rs.eof() ? QString() : rs.text(0).trimmed();
}

int numberDocuments(storage::Session& db, const QString& kind) {
  const QString header = documentHeaderTable(kind);
  if (!storage::isValidIdentifier(kind) || !db.tableExists(header)) return 0;
  const QStringList columns = db.columns(header);
  if (!columns.contains(QStringLiteral("cDATE"), Qt::CaseInsensitive) ||
      !columns.contains(QStringLiteral("cTIME"), Qt::CaseInsensitive))
    return 0;
  ensureDocumentNumbersTable(db);
  if (!columns.contains(kDocumentNumberColumn, Qt::CaseInsensitive))
    db.execute(QStringLiteral("ALTER TABLE ") + header + QStringLiteral(" ADD COLUMN ") +
               kDocumentNumberColumn + QStringLiteral(" TEXT(10)"));

  QMap<int, YearDocuments> years;
  storage::Recordset rs =
      db.openRecordset(QStringLiteral("SELECT cDATE,cTIME,") + kDocumentNumberColumn +
                       QStringLiteral(" FROM ") + header);
  for (; !rs.eof(); rs.moveNext()) {
    StoredDocument document{QDate::fromString(rs.text(0).trimmed(), QStringLiteral("dd.MM.yyyy")),
                            rs.text(0), rs.text(1)};
    // A date that does not read as one is counted with the year 0, apart from every real year.
    YearDocuments& year = years[document.date.isValid() ? document.date.year() : 0];
    bool isNumber = false;
    const int number = rs.text(2).trimmed().toInt(&isNumber);
    if (isNumber)
      year.highest = std::max(year.highest, number);
    else
      year.unnumbered << document;
  }
  rs.close();

  // One statement for all of them: a database of 100,000 documents is numbered at once.
  std::vector<QStringList> updates;
  for (auto it = years.begin(); it != years.end(); ++it) {
    YearDocuments& year = it.value();
    const int counter = counterValue(db, kind, it.key());
    int last = std::max(counter, year.highest);
    std::stable_sort(year.unnumbered.begin(), year.unnumbered.end(),
                     [](const StoredDocument& a, const StoredDocument& b) {
                       if (a.date != b.date) return a.date < b.date;
                       return a.time < b.time;
                     });
    for (const StoredDocument& document : std::as_const(year.unnumbered))
      updates.push_back({QString::number(++last), document.dateText, document.time});
    if (last != counter) setCounter(db, kind, it.key(), last);
  }
  db.executeEach(QStringLiteral("UPDATE ") + header + QStringLiteral(" SET ") +
                     kDocumentNumberColumn + QStringLiteral("=? WHERE cDATE=? AND cTIME=?"),
                 updates);
  return static_cast<int>(updates.size());
}

void forgetDocumentNumbers(storage::Session& db, const QString& kind) {
  if (!db.tableExists(documentNumbersTable())) return;
  db.execute(QStringLiteral("DELETE FROM ") + documentNumbersTable() +
             QStringLiteral(" WHERE kind=") + quote(kind));
}

int numberAllDocuments(storage::Session& db) {
  db.refreshTables();
  const QString prefix = tablePrefix(TableRole::Header);
  QStringList kinds;
  for (int i = 0; i < db.tableCount(); ++i) {
    const storage::TableDef& table = db.table(i);
    if (table.attributes == 0 && table.name.startsWith(prefix, Qt::CaseInsensitive))
      kinds << table.name.mid(prefix.size());
  }
  int numbered = 0;
  for (const QString& kind : std::as_const(kinds)) numbered += numberDocuments(db, kind);
  return numbered;
}

std::optional<std::pair<QString, QString>> findNumberedDocument(storage::Session& db,
                                                                const QString& kind,
                                                                const QString& number, int year,
                                                                const QString& date) {
  const QString header = documentHeaderTable(kind);
  if (!db.tableExists(header) ||
      !db.columns(header).contains(kDocumentNumberColumn, Qt::CaseInsensitive))
    return std::nullopt;
  // Dates are stored as dd.MM.yyyy text: the year is its last four characters.
  const QString when = date.isEmpty()
                           ? QStringLiteral("substr(cDATE,7,4)=") + quote(QString::number(year))
                           : QStringLiteral("cDATE=") + quote(date);
  storage::Recordset rs = db.openRecordset(
      QStringLiteral("SELECT cDATE,cTIME FROM ") + header + QStringLiteral(" WHERE ") +
      kDocumentNumberColumn + QLatin1Char('=') + quote(number.trimmed()) + QStringLiteral(" AND ") +
      when +
      QStringLiteral(" ORDER BY substr(cDATE,7,4),substr(cDATE,4,2),substr(cDATE,1,2),cTIME"));
  if (rs.eof()) return std::nullopt;
  return std::pair{rs.text(0), rs.text(1)};
}

}  // namespace balvix::config
