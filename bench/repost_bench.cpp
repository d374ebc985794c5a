// Reposting documents through the journal's "Перепровести" code path (Reposter: one
// transaction per document, the module's ПриСохранении writing 5 register movements and
// 2 postings), against raw SQLite writing the same rows with one transaction per
// document, in the same run.
//
// `repost_bench [N]` times N documents (10,000 by default). With BALVIX_BENCH_NO_INDEX set
// the tables lack the index on the document key (cDATE, cTIME), as in databases made before
// the designers created it: `repost_bench 2000` with and without shows what it brings.
// `repost_bench --kill [N] [ROUNDS]` starts a repost of N documents (1,000) in a child
// process, kills it with SIGKILL at a moment drawn from the measured length of a whole repost,
// and checks that every document is
// either fully posted or fully unposted; ROUNDS times (20). It reports how many rounds were
// killed in the middle of the work.
#include <signal.h>
#include <sqlite3.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "bench_support.h"
#include "config/table_names.h"
#include "runtime/reposting.h"
#include "shell/app_state.h"
#include "storage/session.h"
#include "storage/sql_text.h"

using namespace balvix;

namespace {

constexpr int kRows = 5;

const QString kModule = bench::receiptModule();

QString timeOf(int i) {
  return QStringLiteral("%1:%2:%3")
      .arg(i / 3600 % 24, 2, 10, QLatin1Char('0'))
      .arg(i / 60 % 60, 2, 10, QLatin1Char('0'))
      .arg(i % 60, 2, 10, QLatin1Char('0'));
}
QString dateOf(int i) {
  return QStringLiteral("%1.01.2026").arg(1 + i / 86400, 2, 10, QLatin1Char('0'));
}

void createDatabase(const QString& path, int documents) {
  auto db = storage::Session::createNew(path);
  db->execute(QStringLiteral("INSERT INTO form_items "
                             "(name,descript,code,type,zurnal,items_type,table_,TableItemsType) "
                             "VALUES ('Приход','Приход',") +
              storage::quote(kModule) +
              QStringLiteral(",'Документ','','Текст;Число;','1','Текст;Число;')"));
  // The tables as the designers make them, with the key index they give them.
  const QStringList header = {QStringLiteral("Наименование"), QStringLiteral("Сумма")};
  const QStringList rows = {QStringLiteral("Товар"), QStringLiteral("Количество")};
  const QString doc = QStringLiteral("Приход"), reg = QStringLiteral("Остатки");
  db->execute(config::createTableStatement(config::TableRole::Header, doc, header));
  db->execute(config::createTableStatement(config::TableRole::TablePart, doc, rows));
  db->execute(config::createTableStatement(config::TableRole::Movements, reg, rows));
  if (qEnvironmentVariableIsEmpty("BALVIX_BENCH_NO_INDEX")) {
    config::ensureKeyIndex(*db, config::TableRole::Header, doc);
    config::ensureKeyIndex(*db, config::TableRole::TablePart, doc);
    config::ensureKeyIndex(*db, config::TableRole::Movements, reg);
  } else {
    // The tables of a database made before they had the index.
    db->execute(QStringLiteral("DROP INDEX idx_itogi"));
  }
  storage::Transaction t(*db);
  for (int i = 0; i < documents; ++i) {
    const QString key = storage::quote(dateOf(i)) + QLatin1Char(',') + storage::quote(timeOf(i));
    db->execute(QStringLiteral("INSERT INTO items_Документ_Приход VALUES (%1,%2,%3,'1')")
                    .arg(storage::quote(QStringLiteral("Д-%1").arg(i)),
                         storage::quote(QString::number(100 + i % 50)), key));
    for (int r = 0; r < kRows; ++r)
      db->execute(QStringLiteral("INSERT INTO table_Документ_Приход VALUES (%1,%2,%3)")
                      .arg(storage::quote(QStringLiteral("Товар %1").arg(r)),
                           storage::quote(QString::number(r + 1)), key));
  }
  t.commit();
}

std::vector<runtime::RepostItem> items(int documents) {
  std::vector<runtime::RepostItem> out;
  for (int i = 0; i < documents; ++i)
    out.push_back({QStringLiteral("Приход"), {dateOf(i), timeOf(i)}});
  return out;
}

int repostAll(const QString& path, int documents) {
  auto db = storage::Session::open(path);
  bench::QuietHost host;
  shell::AppState state;
  state.db = db.get();
  state.host = &host;
  runtime::Reposter reposter(state);
  int failed = 0;
  for (const runtime::RepostItem& item : items(documents))
    if (!reposter.repost(item).isEmpty()) ++failed;
  return failed;
}

// The same rows written with prepared statements: per document, in one transaction,
// the movements and postings of the key are deleted and written again.
double rawSqliteSeconds(const QString& path, int documents) {
  sqlite3* db = nullptr;
  sqlite3_open(path.toUtf8().constData(), &db);
  sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;", nullptr, nullptr,
               nullptr);
  auto prepare = [&](const char* sql) {
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &s, nullptr);
    return s;
  };
  sqlite3_stmt* delItogi =
      prepare("DELETE FROM itogi WHERE cDATE=?1 AND cTIME=?2 AND Документ='Приход'");
  sqlite3_stmt* delMoves = prepare(
      "DELETE FROM items_Регистр_Остатки WHERE cDATE=?1 AND cTIME=?2 AND Документ='Приход'");
  sqlite3_stmt* rows =
      prepare("SELECT Товар,Количество FROM table_Документ_Приход WHERE cDATE=?1 AND cTIME=?2");
  sqlite3_stmt* move =
      prepare("INSERT INTO items_Регистр_Остатки VALUES (?3,?4,?1,?2,'Приход','+')");
  sqlite3_stmt* post = prepare(
      "INSERT INTO itogi (Код,Дебет,cDATE,cTIME,Документ) VALUES (?3,'100',?1,?2,'Приход')");
  const auto start = bench::Clock::now();
  for (const runtime::RepostItem& item : items(documents)) {
    const QByteArray date = item.key.date.toUtf8(), time = item.key.time.toUtf8();
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    for (sqlite3_stmt* s : {delItogi, delMoves, rows}) {
      sqlite3_bind_text(s, 1, date.constData(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_text(s, 2, time.constData(), -1, SQLITE_TRANSIENT);
    }
    sqlite3_step(delItogi);
    sqlite3_reset(delItogi);
    sqlite3_step(delMoves);
    sqlite3_reset(delMoves);
    while (sqlite3_step(rows) == SQLITE_ROW) {
      sqlite3_bind_text(move, 1, date.constData(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_text(move, 2, time.constData(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_text(move, 3, reinterpret_cast<const char*>(sqlite3_column_text(rows, 0)), -1,
                        SQLITE_TRANSIENT);
      sqlite3_bind_text(move, 4, reinterpret_cast<const char*>(sqlite3_column_text(rows, 1)), -1,
                        SQLITE_TRANSIENT);
      sqlite3_step(move);
      sqlite3_reset(move);
    }
    sqlite3_reset(rows);
    for (const char* account : {"41", "60"}) {
      sqlite3_bind_text(post, 1, date.constData(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_text(post, 2, time.constData(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_text(post, 3, account, -1, SQLITE_STATIC);
      sqlite3_step(post);
      sqlite3_reset(post);
    }
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  }
  const double seconds = bench::secondsSince(start);
  for (sqlite3_stmt* s : {delItogi, delMoves, rows, move, post}) sqlite3_finalize(s);
  sqlite3_close(db);
  return seconds;
}

// Every document is either posted with all of its 5 movements and 2 postings, or
// unposted with none. Returns the number of documents that are neither.
int inconsistent(const QString& path, int documents, int* posted) {
  auto db = storage::Session::open(path);
  int bad = 0;
  *posted = 0;
  for (const runtime::RepostItem& item : items(documents)) {
    const QString cond = QStringLiteral(" WHERE cDATE=") + storage::quote(item.key.date) +
                         QStringLiteral(" AND cTIME=") + storage::quote(item.key.time);
    const bool isPosted =
        db->openRecordset(QStringLiteral("SELECT Проводка FROM items_Документ_Приход") + cond)
            .text(0) == QStringLiteral("1");
    const int moves =
        db->openRecordset(QStringLiteral("SELECT COUNT(*) FROM items_Регистр_Остатки") + cond)
            .text(0)
            .toInt();
    const int postings =
        db->openRecordset(QStringLiteral("SELECT COUNT(*) FROM itogi") + cond).text(0).toInt();
    if (isPosted) ++*posted;
    if (!(isPosted && moves == kRows && postings == 2) &&
        !(!isPosted && moves == 0 && postings == 0))
      ++bad;
  }
  return bad;
}

int killRounds(int documents, int rounds, const char* self) {
  // Every round starts from the same database whose documents are all posted with their
  // movements and postings (a first repost wrote them), checkpointed into one file.
  QTemporaryDir templateDir;
  const QString templatePath = templateDir.filePath(QStringLiteral("basa.mdb"));
  createDatabase(templatePath, documents);
  repostAll(templatePath, documents);
  int posted0 = 0;
  if (inconsistent(templatePath, documents, &posted0) != 0 || posted0 != documents) {
    std::printf("the starting database is not consistent\n");
    return 1;
  }
  // Postings written after this row were written by the killed repost.
  const int baseline = storage::Session::open(templatePath)
                           ->openRecordset(QStringLiteral("SELECT MAX(rowid) FROM itogi"))
                           .text(0)
                           .toInt();
  // Kill moments are drawn from the measured length of one whole repost (from the start of
  // its process), so that they land inside the work rather than after it.
  qint64 durationMs = 0;
  {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("basa.mdb"));
    QFile::copy(templatePath, path);
    QElapsedTimer timer;
    timer.start();
    QProcess child;
    child.start(QString::fromLocal8Bit(self),
                {QStringLiteral("--child"), path, QString::number(documents)});
    child.waitForFinished(-1);
    durationMs = std::max<qint64>(timer.elapsed(), 20);
    std::printf("one whole repost of %d documents takes %lld ms\n", documents,
                static_cast<long long>(durationMs));
  }
  int checked = 0, bad = 0, running = 0, middle = 0;
  for (int round = 0; round < rounds; ++round) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("basa.mdb"));
    QFile::copy(templatePath, path);
    QProcess child;
    child.start(QString::fromLocal8Bit(self),
                {QStringLiteral("--child"), path, QString::number(documents)});
    QElapsedTimer timer;
    timer.start();
    child.waitForStarted();
    const qint64 at = durationMs * QRandomGenerator::global()->bounded(5, 95) / 100;
    if (at > timer.elapsed()) QThread::msleep(static_cast<unsigned long>(at - timer.elapsed()));
    const bool wasRunning = child.state() == QProcess::Running;
    running += wasRunning ? 1 : 0;
    ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
    child.waitForFinished();
    int posted = 0;
    const int wrong = inconsistent(path, documents, &posted);
    const int reposted =
        storage::Session::open(path)
            ->openRecordset(
                QStringLiteral("SELECT COUNT(*) FROM itogi WHERE rowid>%1").arg(baseline))
            .text(0)
            .toInt() /
        2;
    // In the middle: the repost had written some documents and not yet all.
    if (wasRunning && reposted > 0 && reposted < documents) ++middle;
    std::printf(
        "round %2d: %s, %d reposted before, %d documents checked, %d posted, %d unposted, %d "
        "inconsistent\n",
        round + 1, wasRunning ? "killed while running" : "had already ended", reposted, documents,
        posted, documents - posted, wrong);
    checked += documents;
    bad += wrong;
  }
  std::printf(
      "kill -9 during repost: %d rounds (%d killed while running, %d in the middle of the work), "
      "%d documents checked, %d inconsistent\n",
      rounds, running, middle, checked, bad);
  return bad == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.value(1) == QLatin1String("--child"))
    return repostAll(args.value(2), args.value(3).toInt());
  if (args.value(1) == QLatin1String("--kill"))
    return killRounds(args.size() > 2 ? args.value(2).toInt() : 1000,
                      args.size() > 3 ? args.value(3).toInt() : 20, argv[0]);

  const int documents = args.size() > 1 ? args.value(1).toInt() : 10000;
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("basa.mdb"));
  createDatabase(path, documents);
  repostAll(path, documents);  // the first pass writes the movements the timed one replaces
  const auto start = bench::Clock::now();
  const int failed = repostAll(path, documents);
  const double ours = bench::secondsSince(start);
  const double raw = rawSqliteSeconds(path, documents);
  std::printf(
      "repost of %d documents (%d rows, 5 movements, 2 postings each), one transaction per "
      "document\n",
      documents, kRows);
  std::printf("Перепровести: %.2f s, %.0f documents/s (%d failed)\n", ours, documents / ours,
              failed);
  std::printf("anchor raw SQLite, same rows: %.2f s, %.0f documents/s; rate ratio %.2f\n", raw,
              documents / raw, raw / ours);
  return failed == 0 && raw / ours >= 0.3 ? 0 : 1;
}
