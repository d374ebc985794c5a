#include "config/audit_archive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <memory>
#include <vector>

#include "config/audit_trail.h"
#include "storage/row_guards.h"
#include "storage/session.h"
#include "storage/sql_text.h"

namespace balvix::config::audit {

namespace {

const QString kDateFormat = QStringLiteral("dd.MM.yyyy");
constexpr std::size_t kBatch = 10000;

QString display(const QString& path) {
  return QDir::toNativeSeparators(path);
}

QString hashOf(storage::Session& db, qint64 number) {
  storage::Recordset rs =
      db.openRecordset(QStringLiteral("SELECT Хеш FROM ") + auditTable() +
                       QStringLiteral(" WHERE Номер=") + QString::number(number));
  return rs.eof() ? QString() : rs.text(0);
}

[[noreturn]] void refuse(const QString& text) {
  throw storage::DbError(storage::ErrorCode::Other, text);
}

std::unique_ptr<storage::Session> openArchive(const QString& path, const State& trail) {
  std::unique_ptr<storage::Session> archive =
      QFile::exists(path) ? storage::Session::open(path) : storage::Session::createNew(path);
  if (!archive->tableExists(auditTable())) {
    // A new archive begins where the trail begins now, and holds nothing yet.
    State start;
    start.firstNumber = trail.firstNumber;
    start.hashBeforeFirst = trail.hashBeforeFirst;
    start.lastNumber = trail.firstNumber - 1;
    start.lastHash = trail.hashBeforeFirst;
    storage::Transaction transaction(*archive);
    createTrail(*archive, start);
    transaction.commit();
  }
  return archive;
}

// Copies the records after the archive's last one up to `last` into the archive, in one
// transaction of the archive's.
qint64 copyRecords(storage::Session& db, storage::Session& archive, qint64 from, qint64 last,
                   const std::function<bool(qint64, qint64)>& progress) {
  const QString insert = QStringLiteral("INSERT INTO ") + auditTable() + QStringLiteral(" (") +
                         auditColumns().join(u',') + QStringLiteral(") VALUES (?") +
                         QStringLiteral(",?").repeated(auditColumns().size() - 1) + u')';
  const qint64 total = last - from + 1;
  qint64 done = 0;
  std::vector<QStringList> rows;
  rows.reserve(kBatch);
  QString lastHash;
  storage::Transaction transaction(archive);
  const auto flush = [&] {
    archive.executeEach(insert, rows);
    done += static_cast<qint64>(rows.size());
    rows.clear();
    if (progress && !progress(done, total))
      throw storage::DbError(storage::ErrorCode::Cancelled,
                             QStringLiteral("Перенос журнала регистрации в архив прерван."));
  };
  // The rows are held in portions: the walk must not write while it reads.
  for (qint64 start = from; start <= last; start += static_cast<qint64>(kBatch)) {
    const qint64 end = std::min(last, start + static_cast<qint64>(kBatch) - 1);
    db.forEachRow(
        QStringLiteral("SELECT ") + auditColumns().join(u',') + QStringLiteral(" FROM ") +
            auditTable() +
            QStringLiteral(" WHERE Номер BETWEEN %1 AND %2 ORDER BY Номер").arg(start).arg(end),
        [&](const storage::RowView& row) {
          QStringList values;
          for (int c = 0; c < row.columnCount(); ++c) {
            const std::string_view text = row.text(c);
            values << QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
          }
          lastHash = values.last();
          rows.push_back(std::move(values));
        });
    flush();
  }
  archive.executeEach(QStringLiteral("UPDATE ") + auditStateTable() +
                          QStringLiteral(" SET ПоследнийНомер=?,ПоследнийХеш=?"),
                      {{QString::number(last), lastHash}});
  transaction.commit();
  return done;
}

}  // namespace

QString defaultArchivePath(const QString& databasePath) {
  const QFileInfo file(databasePath);
  if (databasePath.contains(QStringLiteral("://")))
    return QDir::home().filePath(QStringLiteral("журнал-архив.mdb"));
  return file.dir().filePath(file.completeBaseName() + QStringLiteral(".журнал-архив.mdb"));
}

QString ArchiveOutcome::text() const {
  if (moved == 0) return QStringLiteral("Записей для переноса в архив журнала регистрации нет.");
  return QStringLiteral("В архив журнала регистрации «%1» перенесено записей: %2 (по № %3).")
      .arg(display(archive))
      .arg(moved)
      .arg(lastMoved);
}

ArchiveOutcome moveToArchive(storage::Session& db, const QDate& before, const QString& archivePath,
                             const std::function<bool(qint64, qint64)>& progress) {
  ArchiveOutcome outcome;
  outcome.archive = archivePath;
  if (!db.tableExists(auditTable()) || !db.tableExists(auditStateTable())) return outcome;
  const State trail = readState(db);
  storage::Recordset bounds = db.openRecordset(
      QStringLiteral("SELECT (SELECT min(Номер) FROM ") + auditTable() + QStringLiteral(" WHERE ") +
      storage::sortableDate(QStringLiteral("Дата")) + QStringLiteral(">=") +
      storage::quote(before.toString(QStringLiteral("yyyyMMdd"))) +
      QStringLiteral("),(SELECT max(Номер) FROM ") + auditTable() + u')');
  const qint64 newest = bounds.value(1).toLongLong();
  const qint64 firstKept = bounds.value(0).isNull() ? newest + 1 : bounds.value(0).toLongLong();
  // The last record stays, so that the trail shows where its chain goes on.
  qint64 last = std::min(firstKept - 1, newest - 1);

  std::unique_ptr<storage::Session> archive = openArchive(archivePath, trail);
  const State kept = readState(*archive);
  const QString archiveName = display(archivePath);
  if (kept.lastNumber < trail.firstNumber - 1)
    refuse(QStringLiteral("Архив журнала регистрации «%1» кончается записью № %2, а журнал базы "
                          "данных начинается с записи № %3: это архив другой базы данных или часть "
                          "его потеряна.")
               .arg(archiveName)
               .arg(kept.lastNumber)
               .arg(trail.firstNumber));
  const QString joint = kept.lastNumber == trail.firstNumber - 1 ? trail.hashBeforeFirst
                                                                 : hashOf(db, kept.lastNumber);
  if (kept.lastNumber >= newest || joint != kept.lastHash)
    refuse(QStringLiteral("Архив журнала регистрации «%1» не продолжает журнал этой базы данных: "
                          "его последняя запись № %2 не совпадает с записью базы.")
               .arg(archiveName)
               .arg(kept.lastNumber));
  // A move broken off after the copy is completed now.
  last = std::max(last, kept.lastNumber);
  if (last < trail.firstNumber) return outcome;

  if (last > kept.lastNumber) copyRecords(db, *archive, kept.lastNumber + 1, last, progress);
  const Verification check = verify(*archive);
  if (!check.ok())
    refuse(QStringLiteral("Архив журнала регистрации «%1» не прошел проверку, записи остались в "
                          "базе данных. %2")
               .arg(archiveName, check.text()));
  archive.reset();

  const QString lastHash = hashOf(db, last);
  storage::Transaction transaction(db);
  createGuards(db, true);
  db.execute(QStringLiteral("DELETE FROM ") + auditTable() + QStringLiteral(" WHERE Номер<=") +
             QString::number(last));
  createGuards(db);
  db.executeEach(QStringLiteral("UPDATE ") + auditStateTable() +
                     QStringLiteral(" SET ПервыйНомер=?,ХешПередПервым=?"),
                 {{QString::number(last + 1), lastHash}});
  outcome.moved = last - trail.firstNumber + 1;
  outcome.lastMoved = last;
  append(db, event::kArchive, QStringLiteral("Журнал регистрации"), archiveName,
         QStringLiteral("Записи № %1–%2, сделанные до %3, перенесены в архив «%4»; хеш последней "
                        "из них: %5.")
             .arg(trail.firstNumber)
             .arg(last)
             .arg(before.toString(kDateFormat), archiveName, lastHash));
  transaction.commit();
  return outcome;
}

int retentionYears(storage::Session& db) {
  return readState(db).retentionYears;
}

void setRetentionYears(storage::Session& db, int years) {
  if (years < 0)
    refuse(QStringLiteral("Срок хранения журнала регистрации не может быть отрицательным."));
  if (!db.tableExists(auditStateTable())) return;
  storage::Transaction transaction(db);
  db.executeEach(
      QStringLiteral("UPDATE ") + auditStateTable() + QStringLiteral(" SET СрокХраненияЛет=?"),
      {{QString::number(years)}});
  append(db, event::kRetention, QStringLiteral("Журнал регистрации"), QString(),
         years == 0 ? QStringLiteral("Записи хранятся в базе данных без срока.")
                    : QStringLiteral("Записи старше %1 лет переносятся в архив.").arg(years));
  transaction.commit();
}

ArchiveOutcome applyRetention(storage::Session& db, const QDate& today, const QString& archivePath,
                              const std::function<bool(qint64, qint64)>& progress) {
  ArchiveOutcome outcome;
  outcome.archive = archivePath;
  const int years = retentionYears(db);
  if (years <= 0) return outcome;
  const QDate before = today.addYears(-years);
  storage::Recordset oldest = db.openRecordset(QStringLiteral("SELECT Дата FROM ") + auditTable() +
                                               QStringLiteral(" ORDER BY Номер LIMIT 1"));
  if (oldest.eof()) return outcome;
  const QDate date = QDate::fromString(oldest.text(0), kDateFormat);
  if (!date.isValid() || date >= before) return outcome;
  return moveToArchive(db, before, archivePath, progress);
}

}  // namespace balvix::config::audit
