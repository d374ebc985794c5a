// The audit trail's cost. First, posting N documents (2,000 by default; each with 5 table rows,
// 5 register movements and 2 postings) through the document service into three databases in
// the same run: without the trail (a database the program has not opened since before it),
// with it, and with it and a closed period (the guards checked on every row written); raw
// SQLite writing the same rows, one transaction per document, is the anchor. Second, the
// «Журнал регистрации» window over 1,000,000 records: from making the window to its first
// paint, against raw SQLite reading the rows it shows; and the chain's verification.
//
// `audit_bench [N] [RECORDS]`
#include <sqlite3.h>

#include <QApplication>
#include <QTableView>
#include <QTemporaryDir>
#include <cstdio>

#include "bench_support.h"
#include "config/audit_trail.h"
#include "config/closed_periods.h"
#include "config/control_tables.h"
#include "config/object_definition.h"
#include "config/table_names.h"
#include "documents/document_service.h"
#include "script/objects/register_totals.h"
#include "shell/app_state.h"
#include "shell/audit_window.h"
#include "storage/sql_text.h"

using namespace balvix;

namespace {

constexpr int kRows = 5;

const QString kModule = bench::receiptModule();

enum class Mode { NoTrail, Trail, TrailAndClosed };

std::unique_ptr<storage::Session> makeDatabase(const QString& path, Mode mode) {
  auto db = storage::Session::createNew(path);
  db->execute(QStringLiteral("INSERT INTO form_items "
                             "(name,descript,code,type,zurnal,items_type,table_,TableItemsType) "
                             "VALUES ('Приход','Приход',") +
              storage::quote(kModule) +
              QStringLiteral(",'Документ','','Текст;Число;','1','Текст;Число;')"));
  const QStringList header = {QStringLiteral("Наименование"), QStringLiteral("Сумма")};
  const QStringList rows = {QStringLiteral("Товар"), QStringLiteral("Количество")};
  const QString doc = QStringLiteral("Приход"), reg = QStringLiteral("Остатки");
  db->execute(config::createTableStatement(config::TableRole::Header, doc, header));
  db->execute(config::createTableStatement(config::TableRole::TablePart, doc, rows));
  db->execute(config::createTableStatement(config::TableRole::Movements, reg, rows));
  config::ensureKeyIndex(*db, config::TableRole::Header, doc);
  config::ensureKeyIndex(*db, config::TableRole::TablePart, doc);
  config::ensureKeyIndex(*db, config::TableRole::Movements, reg);
  script::totals::ensureAll(*db);
  if (mode != Mode::NoTrail) config::ensureControlTables(*db);
  if (mode == Mode::TrailAndClosed) config::periods::closePeriod(*db, QDate(2025, 12, 31));
  return db;
}

QDate dateOf(int i) {
  return QDate(2026, 1, 1).addDays(i % 300);
}

double postSeconds(const QString& path, Mode mode, int documents) {
  auto db = makeDatabase(path, mode);
  bench::QuietHost host;
  script::SharedContext context;
  context.db = db.get();
  auto service = documents::DocumentService::open(context, host, QStringLiteral("Приход"));
  const auto start = bench::Clock::now();
  for (int i = 0; i < documents; ++i) {
    service->startNew(dateOf(i));
    service->content().header = {{QStringLiteral("Наименование"), QStringLiteral("Д-%1").arg(i)},
                                 {QStringLiteral("Сумма"), QString::number(100 + i % 50)}};
    for (int r = 0; r < kRows; ++r)
      service->content().rows << QStringList{QStringLiteral("Товар %1").arg(r),
                                             QString::number(r + 1)};
    service->load();
    if (service->saveAndPost(std::nullopt, QTime(8, 0).addSecs(i % 30000)).outcome !=
        script::PostOutcome::Posted)
      std::fprintf(stderr, "document %d not posted\n", i);
  }
  return bench::secondsSince(start);
}

// The anchor: the same rows with prepared statements, one transaction per document.
double rawSeconds(const QString& path, int documents) {
  makeDatabase(path, Mode::NoTrail);
  sqlite3* db = nullptr;
  sqlite3_open(path.toUtf8().constData(), &db);
  sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;", nullptr, nullptr,
               nullptr);
  const auto prepare = [&](const char* sql) {
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &s, nullptr);
    return s;
  };
  sqlite3_stmt* head = prepare("INSERT INTO items_Документ_Приход VALUES (?3,'100',?1,?2,'1',?4)");
  sqlite3_stmt* row = prepare("INSERT INTO table_Документ_Приход VALUES (?3,'1',?1,?2)");
  sqlite3_stmt* move =
      prepare("INSERT INTO items_Регистр_Остатки VALUES (?3,'1',?1,?2,'Приход','+')");
  sqlite3_stmt* post = prepare(
      "INSERT INTO itogi (Код,Дебет,cDATE,cTIME,Документ) VALUES (?3,'100',?1,?2,'Приход')");
  const auto start = bench::Clock::now();
  for (int i = 0; i < documents; ++i) {
    const QByteArray date = dateOf(i).toString(QStringLiteral("dd.MM.yyyy")).toUtf8();
    const QByteArray time = QTime(8, 0).addSecs(i % 30000).toString().toUtf8();
    sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    const auto step = [&](sqlite3_stmt* s, const QByteArray& third) {
      sqlite3_bind_text(s, 1, date.constData(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_text(s, 2, time.constData(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_text(s, 3, third.constData(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_int(s, 4, i);
      sqlite3_step(s);
      sqlite3_reset(s);
    };
    step(head, "Д");
    for (int r = 0; r < kRows; ++r) {
      step(row, "Товар");
      step(move, "Товар");
    }
    step(post, "41");
    step(post, "60");
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  }
  const double seconds = bench::secondsSince(start);
  for (sqlite3_stmt* s : {head, row, move, post}) sqlite3_finalize(s);
  sqlite3_close(db);
  return seconds;
}

// A trail of `records` records, chained as the program chains them, written in one go.
void fillTrail(storage::Session& db, int records) {
  config::ensureControlTables(db);
  sqlite3* handle = db.handle();
  sqlite3_exec(handle, "BEGIN", nullptr, nullptr, nullptr);
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(handle,
                     "INSERT INTO ЖурналРегистрации VALUES (?1,?2,?3,?4,?5,?6,?7,?8,?9,?10)", -1,
                     &insert, nullptr);
  storage::Recordset last =
      db.openRecordset(QStringLiteral("SELECT Хеш FROM ЖурналРегистрации ORDER BY Номер DESC"));
  config::audit::Record r;
  r.hash = last.text(0);
  for (int i = 2; i <= records; ++i) {
    r.previousHash = r.hash;
    r.number = i;
    r.date = QDate(2020, 1, 1).addDays(i / 600).toString(QStringLiteral("dd.MM.yyyy"));
    r.time = QTime(8, 0).addSecs(i % 36000).toString();
    r.user = QStringLiteral("бухгалтер%1").arg(i % 3);
    r.event = i % 2 ? config::audit::event::kPosting : config::audit::event::kUnposting;
    r.object = QStringLiteral("Документ.Приход");
    r.reference = r.date + u' ' + r.time;
    r.details = QStringLiteral("№ %1").arg(i);
    r.hash = config::audit::recordHash(r);
    sqlite3_bind_int64(insert, 1, r.number);
    int at = 2;
    for (const QString* v : {&r.date, &r.time, &r.user, &r.event, &r.object, &r.reference,
                             &r.details, &r.previousHash, &r.hash}) {
      const QByteArray bytes = v->toUtf8();
      sqlite3_bind_text(insert, at++, bytes.constData(), static_cast<int>(bytes.size()),
                        SQLITE_TRANSIENT);
    }
    sqlite3_step(insert);
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);
  sqlite3_exec(handle, "COMMIT", nullptr, nullptr, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int documents = argc > 1 ? std::atoi(argv[1]) : 2000;
  const int records = argc > 2 ? std::atoi(argv[2]) : 1000000;
  QTemporaryDir dir;

  const auto file = [&](const char* name) { return dir.filePath(QString::fromLatin1(name)); };
  // The best of three runs of each, interleaved so that the machine's load falls on all alike.
  double off = 1e300, on = 1e300, closed = 1e300, raw = 1e300;
  for (int run = 0; run < 3; ++run) {
    const QString n = QString::number(run);
    off = std::min(off, postSeconds(file("off") + n, Mode::NoTrail, documents));
    on = std::min(on, postSeconds(file("on") + n, Mode::Trail, documents));
    closed = std::min(closed, postSeconds(file("closed") + n, Mode::TrailAndClosed, documents));
    raw = std::min(raw, rawSeconds(file("raw") + n, documents));
  }
  std::printf("posting %d documents (5 rows, 5 movements, 2 postings each):\n", documents);
  std::printf("  raw SQLite (anchor)             %8.3f s  %8.0f documents/s\n", raw,
              documents / raw);
  std::printf("  without the audit trail         %8.3f s  %8.0f documents/s  (%.1fx raw)\n", off,
              documents / off, off / raw);
  std::printf("  with the audit trail            %8.3f s  %8.0f documents/s  (%.1fx raw)\n", on,
              documents / on, on / raw);
  std::printf("  with the trail, period closed   %8.3f s  %8.0f documents/s  (%.1fx raw)\n", closed,
              documents / closed, closed / raw);
  std::printf(
      "  throughput with / without the trail: %.2f (target >= 0.85); with a closed "
      "period: %.2f\n",
      off / on, off / closed);

  auto db = storage::Session::createNew(file("trail.mdb"));
  const auto filling = bench::Clock::now();
  fillTrail(*db, records);
  std::printf("audit trail of %d records written in %.1f s\n", records,
              bench::secondsSince(filling));
  const double rawMs = bench::bestOf(3, [&] {
    const auto start = bench::Clock::now();
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db->handle(),
                       "SELECT * FROM ЖурналРегистрации ORDER BY Номер DESC LIMIT 256", -1, &st,
                       nullptr);
    std::vector<std::string> values;
    while (sqlite3_step(st) == SQLITE_ROW)
      for (int c = 0; c < 10; ++c)
        values.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, c)));
    sqlite3_finalize(st);
    return bench::millisecondsSince(start);
  });
  shell::AppState state;
  state.db = db.get();
  const double paintMs = bench::bestOf(3, [&] {
    const auto start = bench::Clock::now();
    auto* window = shell::showAuditWindow(state, nullptr);
    window->grab();
    const double ms = bench::millisecondsSince(start);
    window->close();
    QApplication::processEvents();
    return ms;
  });
  std::printf(
      "«Журнал регистрации» over %d records: first paint %.1f ms (target <= 500); raw "
      "SQLite reading its first 256 rows %.2f ms\n",
      records, paintMs, rawMs);
  const auto verifying = bench::Clock::now();
  const config::audit::Verification result = config::audit::verify(*db);
  std::printf("chain of %lld records verified in %.2f s: %s\n",
              static_cast<long long>(result.records), bench::secondsSince(verifying),
              result.ok() ? "holds" : result.text().toUtf8().constData());
  return 0;
}
