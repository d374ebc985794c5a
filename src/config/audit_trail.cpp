#include "config/audit_trail.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QHash>
#include <algorithm>
#include <vector>

#include "storage/row_guards.h"
#include "storage/session.h"
#include "storage/sql_text.h"

namespace balvix::config::audit {

namespace {

using storage::quote;

const QString kRefused = QStringLiteral(
    "Журнал регистрации не изменяется: его записи только добавляются, изменение и удаление "
    "запрещены.");

QString text(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

const QString kStateRefused = QStringLiteral(
    "Состояние журнала регистрации не изменяется назад и не удаляется: без него не видно, "
    "что удалены последние записи.");

const QStringList kStateColumns{QStringLiteral("ПервыйНомер"), QStringLiteral("ХешПередПервым"),
                                QStringLiteral("ПоследнийНомер"), QStringLiteral("ПоследнийХеш"),
                                QStringLiteral("СрокХраненияЛет")};

const QString kGuardPrefix = QStringLiteral("guard_audit_");
constexpr int kGuardCount = 5;

void writeRecord(storage::Session& db, const Record& r) {
  QStringList values{QString::number(r.number)};
  for (const QString* value : {&r.date, &r.time, &r.user, &r.event, &r.object, &r.reference,
                               &r.details, &r.previousHash, &r.hash})
    values << *value;
  db.executeEach(QStringLiteral("INSERT INTO ") + auditTable() + QStringLiteral(" (") +
                     auditColumns().join(u',') + QStringLiteral(") VALUES (?") +
                     QStringLiteral(",?").repeated(values.size() - 1) + u')',
                 {values});
}

// The state as the records themselves give it: for a trail made before its state was kept.
State stateOfRecords(storage::Session& db) {
  State state;
  storage::Recordset first =
      db.openRecordset(QStringLiteral("SELECT Номер,ПредыдущийХеш FROM ") + auditTable() +
                       QStringLiteral(" ORDER BY Номер LIMIT 1"));
  if (first.eof()) return state;
  state.firstNumber = first.value(0).toLongLong();
  state.hashBeforeFirst = first.text(1);
  storage::Recordset last =
      db.openRecordset(QStringLiteral("SELECT Номер,Хеш FROM ") + auditTable() +
                       QStringLiteral(" ORDER BY Номер DESC LIMIT 1"));
  state.lastNumber = last.value(0).toLongLong();
  state.lastHash = last.text(1);
  return state;
}

void createState(storage::Session& db, const State& s) {
  db.execute(QStringLiteral("CREATE TABLE ") + auditStateTable() +
             QStringLiteral("(ПервыйНомер INTEGER, ХешПередПервым TEXT, ПоследнийНомер INTEGER, "
                            "ПоследнийХеш TEXT, СрокХраненияЛет INTEGER)"));
  db.executeEach(QStringLiteral("INSERT INTO ") + auditStateTable() + QStringLiteral(" (") +
                     kStateColumns.join(u',') + QStringLiteral(") VALUES (?,?,?,?,?)"),
                 {{QString::number(s.firstNumber), s.hashBeforeFirst, QString::number(s.lastNumber),
                   s.lastHash, QString::number(s.retentionYears)}});
}

}  // namespace

void createGuards(storage::Session& db, bool deletable) {
  storage::createRowGuard(db, QStringLiteral("guard_audit_update"), auditTable(),
                          storage::RowEvent::Update, QString(), kRefused);
  if (deletable)
    storage::dropRowGuard(db, QStringLiteral("guard_audit_delete"));
  else
    storage::createRowGuard(db, QStringLiteral("guard_audit_delete"), auditTable(),
                            storage::RowEvent::Delete, QString(), kRefused);
  storage::createRowGuard(
      db, QStringLiteral("guard_audit_state_insert"), auditStateTable(), storage::RowEvent::Insert,
      QStringLiteral("(SELECT count(*) FROM ") + auditStateTable() + QStringLiteral(") > 0"),
      kStateRefused);
  storage::createRowGuard(db, QStringLiteral("guard_audit_state_update"), auditStateTable(),
                          storage::RowEvent::Update,
                          QStringLiteral("NEW.ПоследнийНомер < OLD.ПоследнийНомер OR "
                                         "NEW.ПервыйНомер < OLD.ПервыйНомер"),
                          kStateRefused);
  storage::createRowGuard(db, QStringLiteral("guard_audit_state_delete"), auditStateTable(),
                          storage::RowEvent::Delete, QString(), kStateRefused);
}

QString auditTable() {
  return QStringLiteral("ЖурналРегистрации");
}

QString auditStateTable() {
  return QStringLiteral("ЖурналРегистрацииСостояние");
}

QStringList auditColumns() {
  return {QStringLiteral("Номер"),         QStringLiteral("Дата"),
          QStringLiteral("Время"),         QStringLiteral("Пользователь"),
          QStringLiteral("Событие"),       QStringLiteral("Объект"),
          QStringLiteral("Ссылка"),        QStringLiteral("Подробности"),
          QStringLiteral("ПредыдущийХеш"), QStringLiteral("Хеш")};
}

QString recordHash(const Record& r) {
  const QChar separator(0x1f);
  const QString content = QStringList{QString::number(r.number),
                                      r.date,
                                      r.time,
                                      r.user,
                                      r.event,
                                      r.object,
                                      r.reference,
                                      r.details,
                                      r.previousHash}
                              .join(separator);
  return QString::fromLatin1(
      QCryptographicHash::hash(content.toUtf8(), QCryptographicHash::Sha256).toHex());
}

QString currentUser() {
  for (const char* name : {"USER", "USERNAME", "LOGNAME"}) {
    const QString user = qEnvironmentVariable(name).trimmed();
    if (!user.isEmpty()) return user;
  }
  // A service started without a login environment still has a home folder named for its user.
  const QString home = QDir::homePath().section(u'/', -1);
  return home.isEmpty() ? QStringLiteral("неизвестный пользователь") : home;
}

State readState(storage::Session& db) {
  if (!db.tableExists(auditStateTable()))
    return db.tableExists(auditTable()) ? stateOfRecords(db) : State();
  storage::Recordset rs = db.openRecordset(QStringLiteral("SELECT ") + kStateColumns.join(u',') +
                                           QStringLiteral(" FROM ") + auditStateTable());
  State state;
  if (rs.eof()) return state;
  state.firstNumber = rs.value(0).toLongLong();
  state.hashBeforeFirst = rs.text(1);
  state.lastNumber = rs.value(2).toLongLong();
  state.lastHash = rs.text(3);
  state.retentionYears = rs.value(4).toInt();
  return state;
}

void createTrail(storage::Session& db, const State& initial) {
  db.execute(QStringLiteral("CREATE TABLE ") + auditTable() +
             QStringLiteral("(Номер INTEGER PRIMARY KEY, Дата TEXT(10), Время TEXT(8), "
                            "Пользователь TEXT, Событие TEXT, Объект TEXT, Ссылка TEXT, "
                            "Подробности TEXT, ПредыдущийХеш TEXT, Хеш TEXT)"));
  createState(db, initial);
  createGuards(db);
}

bool ensure(storage::Session& db) {
  const bool hadTrail = db.tableExists(auditTable());
  if (hadTrail && db.tableExists(auditStateTable())) {
    if (storage::rowGuards(db, kGuardPrefix).size() < kGuardCount) createGuards(db);
    return false;
  }
  storage::Transaction transaction(db);
  if (hadTrail) {
    // A trail begun before its state was kept: the state starts from its records as they are.
    createState(db, stateOfRecords(db));
    createGuards(db);
  } else {
    createTrail(db, State());
    append(db, event::kStart, QStringLiteral("База данных"), QString(),
           QStringLiteral("Журнал регистрации начат."));
  }
  transaction.commit();
  return !hadTrail;
}

void append(storage::Session& db, const QString& eventKind, const QString& object,
            const QString& reference, const QString& details) {
  if (!db.tableExists(auditTable())) return;
  storage::Transaction transaction(db);
  // The next record follows the state's last one, not the table's: a last record removed by an
  // outside tool leaves a gap before the next, which the check finds. A record added past the
  // state by such a tool is stepped over, so that work goes on while the chain shows the break.
  qint64 last = 0;
  QString lastHash;
  const bool hasState = db.tableExists(auditStateTable());
  if (hasState) {
    storage::Recordset rs = db.openRecordset(
        QStringLiteral("SELECT ПоследнийНомер,ПоследнийХеш,(SELECT max(Номер) FROM ") +
        auditTable() + QStringLiteral(") FROM ") + auditStateTable());
    if (!rs.eof()) {
      last = std::max(rs.value(0).toLongLong(), rs.value(2).toLongLong());
      lastHash = rs.text(1);
    }
  } else {
    const State state = stateOfRecords(db);
    last = state.lastNumber;
    lastHash = state.lastHash;
  }
  const QDateTime now = QDateTime::currentDateTime();
  Record r;
  r.number = last + 1;
  r.date = now.toString(QStringLiteral("dd.MM.yyyy"));
  r.time = now.toString(QStringLiteral("hh:mm:ss"));
  r.user = currentUser();
  r.event = eventKind;
  r.object = object;
  r.reference = reference;
  r.details = details;
  r.previousHash = lastHash;
  r.hash = recordHash(r);
  writeRecord(db, r);
  if (hasState)
    db.executeEach(QStringLiteral("UPDATE ") + auditStateTable() +
                       QStringLiteral(" SET ПоследнийНомер=?,ПоследнийХеш=?"),
                   {{QString::number(r.number), r.hash}});
  transaction.commit();
}

QString Verification::text() const {
  if (ok())
    return QStringLiteral("Журнал регистрации: цепочка из %1 записей не нарушена.").arg(records);
  return QStringLiteral("Журнал регистрации нарушен: %1").arg(problem);
}

Verification verify(storage::Session& db, const std::function<bool(qint64, qint64)>& progress) {
  Verification result;
  // A database the program has not opened since before the trail has nothing to verify yet.
  if (!db.tableExists(auditTable())) return result;
  const bool hasState = db.tableExists(auditStateTable());
  const State state = readState(db);
  const qint64 total = db.openRecordset(QStringLiteral("SELECT count(*) FROM ") + auditTable())
                           .value(0)
                           .toLongLong();
  Record previous;
  bool first = true;
  qint64 done = 0;
  const auto missing = [](qint64 from, qint64 to) {
    return from == to ? QStringLiteral("нет записи № %1 (удалена).").arg(from)
                      : QStringLiteral("нет записей № %1–%2 (удалены).").arg(from).arg(to);
  };
  db.forEachRow(
      QStringLiteral("SELECT ") + auditColumns().join(u',') + QStringLiteral(" FROM ") +
          auditTable() + QStringLiteral(" ORDER BY Номер"),
      [&](const storage::RowView& row) {
        if (result.firstBroken != 0) return;
        Record r;
        r.number = text(row.text(0)).toLongLong();
        QString* fields[] = {&r.date,      &r.time,    &r.user,         &r.event, &r.object,
                             &r.reference, &r.details, &r.previousHash, &r.hash};
        for (int c = 0; c < 9; ++c) *fields[c] = text(row.text(c + 1));
        ++done;
        const auto broken = [&](const QString& why) {
          result.firstBroken = r.number;
          result.problem = QStringLiteral("запись № %1 (%2 %3, %4): %5")
                               .arg(QString::number(r.number), r.date, r.time, r.event, why);
        };
        const qint64 expected = first ? state.firstNumber : previous.number + 1;
        if (r.number > expected)
          broken(QStringLiteral("перед ней ") + missing(expected, r.number - 1));
        else if (first && r.number < expected)
          broken(QStringLiteral("записи до № %1 перенесены в архив, а эта осталась (журнал "
                                "изменен).")
                     .arg(expected));
        else if (r.previousHash != (first ? state.hashBeforeFirst : previous.hash))
          broken(
              QStringLiteral("не совпадает хеш предыдущей записи (предыдущая запись изменена "
                             "или удалена)."));
        else if (r.hash != recordHash(r))
          broken(QStringLiteral("содержимое записи не совпадает с ее хешем (запись изменена)."));
        else if (hasState && r.number == state.lastNumber && r.hash != state.lastHash)
          broken(QStringLiteral("это не та запись, которой журнал кончается (запись заменена)."));
        previous = r;
        first = false;
        if (progress && done % 65536 == 0 && !progress(done, total))
          throw storage::DbError(storage::ErrorCode::Cancelled,
                                 QStringLiteral("Проверка журнала регистрации прервана."));
      });
  result.records = done;
  // The end of the chain is checked against the state: records removed from the end leave no
  // gap between the ones that are left.
  // The state is read before the walk for what is missing and after it for what is too many, so
  // that records another program appends meanwhile count as neither.
  const qint64 lastLeft = first ? state.firstNumber - 1 : previous.number;
  if (result.firstBroken != 0 || !hasState) return result;
  if (lastLeft < state.lastNumber) {
    result.firstBroken = lastLeft + 1;
    result.problem = QStringLiteral("запись № %1: после записи № %2 %3")
                         .arg(lastLeft + 1)
                         .arg(lastLeft)
                         .arg(missing(lastLeft + 1, state.lastNumber));
  } else if (const qint64 end = readState(db).lastNumber; lastLeft > end) {
    result.firstBroken = end + 1;
    result.problem = QStringLiteral(
                         "запись № %1: добавлена после последней записи журнала № %2, "
                         "мимо программы.")
                         .arg(end + 1)
                         .arg(end);
  }
  return result;
}

QString fieldChanges(const QList<QPair<QString, QString>>& before,
                     const QList<QPair<QString, QString>>& after) {
  QHash<QString, QString> old;
  for (const auto& [name, value] : before) old.insert(storage::foldName(name), value);
  QStringList lines;
  for (const auto& [name, value] : after) {
    const auto it = old.constFind(storage::foldName(name));
    const QString was = it == old.cend() ? QString() : *it;
    if (was != value) lines << QStringLiteral("%1: «%2» → «%3»").arg(name, was, value);
  }
  return lines.join(u'\n');
}

QString lineDiff(const QString& before, const QString& after) {
  const QStringList a = before.split(u'\n');
  const QStringList b = after.split(u'\n');
  // The common head and tail are cut first: a module edit touches a few lines of many.
  qsizetype head = 0;
  while (head < a.size() && head < b.size() && a[head] == b[head]) ++head;
  qsizetype tail = 0;
  while (tail < a.size() - head && tail < b.size() - head &&
         a[a.size() - 1 - tail] == b[b.size() - 1 - tail])
    ++tail;
  const qsizetype n = a.size() - head - tail;
  const qsizetype m = b.size() - head - tail;
  if (n == 0 && m == 0) return QString();
  QStringList out;
  out << QStringLiteral("@@ -%1,%2 +%3,%4 @@").arg(head + 1).arg(n).arg(head + 1).arg(m);
  // Beyond a few million cells the middle is given as removed and added whole.
  if (n * m > 4'000'000) {
    for (qsizetype i = 0; i < n; ++i) out << u'-' + a[head + i];
    for (qsizetype j = 0; j < m; ++j) out << u'+' + b[head + j];
    return out.join(u'\n');
  }
  std::vector<int> lcs(static_cast<std::size_t>((n + 1) * (m + 1)), 0);
  const auto at = [&](qsizetype i, qsizetype j) -> int& {
    return lcs[static_cast<std::size_t>(i * (m + 1) + j)];
  };
  for (qsizetype i = n - 1; i >= 0; --i)
    for (qsizetype j = m - 1; j >= 0; --j)
      at(i, j) =
          a[head + i] == b[head + j] ? at(i + 1, j + 1) + 1 : std::max(at(i + 1, j), at(i, j + 1));
  qsizetype i = 0, j = 0;
  while (i < n || j < m) {
    if (i < n && j < m && a[head + i] == b[head + j]) {
      out << u' ' + a[head + i];
      ++i;
      ++j;
    } else if (i < n && (j == m || at(i + 1, j) >= at(i, j + 1))) {
      out << u'-' + a[head + i++];
    } else {
      out << u'+' + b[head + j++];
    }
  }
  return out.join(u'\n');
}

}  // namespace balvix::config::audit
