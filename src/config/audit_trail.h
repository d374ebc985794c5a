#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <functional>

namespace balvix::storage {
class Session;
}

namespace balvix::config::audit {

// The audit trail: who changed what and when, appended in the transaction of the change it
// records. Records are never changed or removed (the table refuses it); each carries a
// SHA-256 over its own content and the hash of the record before it, so that a record edited
// by an outside tool breaks the chain from that record on.
QString auditTable();
QStringList auditColumns();  // Номер, Дата, Время, Пользователь, Событие, Объект, Ссылка, ...
// The trail's one-row state: where its chain begins (after the records moved to an archive) and
// where it ends, kept apart from the records so that a removed last record is told too.
QString auditStateTable();

// The kinds of event, as the journal shows them.
namespace event {
inline const QString kStart = QStringLiteral("Начало журнала");
inline const QString kPosting = QStringLiteral("Проведение");
inline const QString kUnposting = QStringLiteral("Отмена проведения");
inline const QString kDocumentSave = QStringLiteral("Запись документа");
inline const QString kDeletion = QStringLiteral("Удаление");
inline const QString kElementNew = QStringLiteral("Новый элемент");
inline const QString kElementChange = QStringLiteral("Изменение элемента");
inline const QString kConfiguration = QStringLiteral("Изменение конфигурации");
inline const QString kPeriodClose = QStringLiteral("Закрытие периода");
inline const QString kPeriodReopen = QStringLiteral("Открытие периода");
inline const QString kPeriodLock = QStringLiteral("Запрет изменения периода");
inline const QString kBackup = QStringLiteral("Резервная копия");
inline const QString kRestore = QStringLiteral("Восстановление из копии");
inline const QString kImport = QStringLiteral("Загрузка данных");
inline const QString kArchive = QStringLiteral("Перенос в архив");
inline const QString kRetention = QStringLiteral("Срок хранения журнала");
}  // namespace event

// One record as stored.
struct Record {
  qint64 number = 0;
  QString date;  // dd.MM.yyyy
  QString time;  // hh:mm:ss
  QString user;
  QString event;
  QString object;  // "Документ.Приход", "Справочник.Товары", "Период"
  QString reference;  // what names the row within the object: a document's key, an element's code
  QString details;
  QString previousHash;
  QString hash;
};

// Where the chain stands. `firstNumber` and `hashBeforeFirst` move on when the oldest records go
// to an archive; `lastNumber` and `lastHash` with every record appended.
struct State {
  qint64 firstNumber = 1;
  QString hashBeforeFirst;
  qint64 lastNumber = 0;
  QString lastHash;
  int retentionYears = 0;  // records older than this go to the archive; 0: all are kept
};
// The state of the trail; a database without the trail gives the state of an empty one.
State readState(storage::Session& db);

// Creates the trail's table, its state (`initial`) and their guards in a database that has
// neither: the archive file starts so. The transaction is the caller's.
void createTrail(storage::Session& db, const State& initial);
// Makes the guards of the trail anew; the records' delete guard may be left out while the
// oldest records are moved away in the same transaction.
void createGuards(storage::Session& db, bool deletable = false);

// The hash a record must carry: over its content and the previous record's hash.
QString recordHash(const Record& record);

// Who works with the database: on SQLite the user of the operating system.
QString currentUser();

// Creates the table and its guards when the database has none (a database made before the
// trail), with a first record that starts the chain. True when it was created.
bool ensure(storage::Session& db);

// Appends a record dated now. A database without the table (one the program has not opened
// since before the trail) records nothing until it is opened.
void append(storage::Session& db, const QString& eventKind, const QString& object,
            const QString& reference, const QString& details);

struct Verification {
  qint64 records = 0;
  qint64 firstBroken = 0;  // the number of the first record that fails; 0 when none does
  QString problem;         // why it fails, in Russian
  bool ok() const { return firstBroken == 0 && problem.isEmpty(); }
  // One sentence for the check's report.
  QString text() const;
};
// Walks the chain from its first record; `progress` (done, total) may stop the walk.
Verification verify(storage::Session& db, const std::function<bool(qint64, qint64)>& progress = {});

// "Поле: «было» → «стало»" for every value that differs, one per line; values are matched by
// name, letter case ignored.
QString fieldChanges(const QList<QPair<QString, QString>>& before,
                     const QList<QPair<QString, QString>>& after);
// A unified diff of two texts by lines ("-" removed, "+" added, with the hunks' line numbers).
QString lineDiff(const QString& before, const QString& after);

}  // namespace balvix::config::audit
