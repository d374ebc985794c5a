// Balances from a register's monthly totals against raw SQLite over its movements, in the
// same run, on a register of many movements over 36 months, 10,000 goods x 20 warehouses.
// Usage: register_totals_bench FILE [movements] [rounds]
// A FILE that does not exist is made first (that step is timed on its own and takes the
// longest); a FILE made before is reused as it is.
#include <sqlite3.h>
#include <sys/resource.h>

#include <QDate>
#include <QFile>
#include <QRandomGenerator>
#include <cstdlib>

#include "bench_support.h"
#include "script/objects/document_posting.h"
#include "script/objects/register_balances.h"
#include "script/objects/register_totals.h"

using namespace balvix;
using bench::Clock;
using bench::millisecondsSince;
using bench::secondsSince;

namespace {

constexpr int kGoods = 10000;
constexpr int kStores = 20;
const QDate kFirstMonth(2024, 1, 1);
const char* const kDay = "(substr(cDATE,7,4)||substr(cDATE,4,2)||substr(cDATE,1,2))";
const char* const kAmount =
    "CASE WHEN Флаг='+' THEN CAST(Количество AS REAL) ELSE -CAST(Количество AS REAL) END";

QString good(int i) {
  return QStringLiteral("Товар %1").arg(i, 5, 10, QLatin1Char('0'));
}
QString store(int i) {
  return QStringLiteral("Склад %1").arg(i, 2, 10, QLatin1Char('0'));
}

long maxRssMb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024;
}

bool generate(const QString& file, int movements) {
  storage::Session::createNew(file).reset();
  sqlite3* db = nullptr;
  if (sqlite3_open(QFile::encodeName(file).constData(), &db) != SQLITE_OK) return false;
  sqlite3_exec(db,
               "CREATE TABLE items_Регистр_Остатки(Товар TEXT(50),Склад TEXT(50),Количество "
               "TEXT(50),cDATE TEXT(10),cTIME TEXT(10),Документ TEXT(50),Флаг TEXT(5));"
               "INSERT INTO form_items (name,type) VALUES ('Остатки','Регистр'),"
               "('Накладная','Документ');"
               "CREATE TABLE items_Документ_Накладная(Наименование TEXT(50),cDATE TEXT(10),"
               "cTIME TEXT(10),Проводка TEXT(10),Номер TEXT(10));BEGIN",
               nullptr, nullptr, nullptr);
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO items_Регистр_Остатки VALUES (?,?,?,?,'10:00:00','Приход',?)",
                     -1, &insert, nullptr);
  QRandomGenerator random(12345);
  for (int i = 0; i < movements; ++i) {
    const QByteArray g = good(random.bounded(kGoods)).toUtf8();
    const QByteArray s = store(random.bounded(kStores)).toUtf8();
    const QByteArray quantity = QByteArray::number(1 + random.bounded(100));
    const QByteArray date = kFirstMonth.addMonths(random.bounded(36))
                                .addDays(random.bounded(28))
                                .toString(QStringLiteral("dd.MM.yyyy"))
                                .toUtf8();
    sqlite3_bind_text(insert, 1, g.constData(), int(g.size()), SQLITE_TRANSIENT);
    sqlite3_bind_text(insert, 2, s.constData(), int(s.size()), SQLITE_TRANSIENT);
    sqlite3_bind_text(insert, 3, quantity.constData(), int(quantity.size()), SQLITE_TRANSIENT);
    sqlite3_bind_text(insert, 4, date.constData(), int(date.size()), SQLITE_TRANSIENT);
    sqlite3_bind_text(insert, 5, random.bounded(4) ? "+" : "-", 1, SQLITE_STATIC);
    if (sqlite3_step(insert) != SQLITE_DONE) return false;
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);
  // The key index the program keeps, and the anchor's index for one good's movements.
  const int rc = sqlite3_exec(db,
                              "COMMIT;CREATE INDEX idx_items_Регистр_Остатки ON "
                              "items_Регистр_Остатки(cDATE,cTIME);CREATE INDEX anchor_good ON "
                              "items_Регистр_Остатки(Товар,Склад)",
                              nullptr, nullptr, nullptr);
  sqlite3_close(db);
  return rc == SQLITE_OK;
}

script::BalanceQuery query(const QString& goods, const QString& place, const QDate& on) {
  script::BalanceQuery q;
  q.table = QStringLiteral("items_Регистр_Остатки");
  q.totalsTable = QStringLiteral("totals_Регистр_Остатки");
  q.groupColumns = {QStringLiteral("Товар"), QStringLiteral("Склад")};
  q.quantityColumn = QStringLiteral("Количество");
  if (!goods.isEmpty()) q.filter.emplace_back(QStringLiteral("Товар"), goods);
  if (!place.isEmpty()) q.filter.emplace_back(QStringLiteral("Склад"), place);
  q.periodEnd = on;
  return q;
}

QDate randomDay(QRandomGenerator& random) {
  return kFirstMonth.addMonths(random.bounded(36)).addDays(random.bounded(28));
}

// Raw SQLite: one good's balance with its index, or every group's with one GROUP BY.
struct Raw {
  sqlite3* db = nullptr;
  sqlite3_stmt* one = nullptr;
  sqlite3_stmt* all = nullptr;
  explicit Raw(const QString& file) {
    sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    const QByteArray oneSql = QStringLiteral(
                                  "SELECT SUM(%1) FROM items_Регистр_Остатки WHERE "
                                  "Товар=? AND Склад=? AND %2<=?")
                                  .arg(QString::fromUtf8(kAmount), QString::fromUtf8(kDay))
                                  .toUtf8();
    const QByteArray allSql = QStringLiteral(
                                  "SELECT Товар,Склад,SUM(%1) FROM items_Регистр_Остатки "
                                  "NOT INDEXED WHERE %2<=? GROUP BY Товар,Склад")
                                  .arg(QString::fromUtf8(kAmount), QString::fromUtf8(kDay))
                                  .toUtf8();
    if (sqlite3_prepare_v2(db, oneSql.constData(), -1, &one, nullptr) != SQLITE_OK ||
        sqlite3_prepare_v2(db, allSql.constData(), -1, &all, nullptr) != SQLITE_OK) {
      std::fprintf(stderr, "raw SQLite: %s\n", sqlite3_errmsg(db));
      std::exit(1);
    }
  }
  ~Raw() {
    sqlite3_finalize(one);
    sqlite3_finalize(all);
    sqlite3_close(db);
  }
  double balance(const QString& g, const QString& s, const QDate& on) {
    const QByteArray a = g.toUtf8(), b = s.toUtf8(), d = on.toString("yyyyMMdd").toUtf8();
    sqlite3_reset(one);
    sqlite3_bind_text(one, 1, a.constData(), int(a.size()), SQLITE_TRANSIENT);
    sqlite3_bind_text(one, 2, b.constData(), int(b.size()), SQLITE_TRANSIENT);
    sqlite3_bind_text(one, 3, d.constData(), int(d.size()), SQLITE_TRANSIENT);
    return sqlite3_step(one) == SQLITE_ROW ? sqlite3_column_double(one, 0) : 0;
  }
  double whole(const QDate& on, int& groups) {
    const QByteArray d = on.toString("yyyyMMdd").toUtf8();
    sqlite3_reset(all);
    sqlite3_bind_text(all, 1, d.constData(), int(d.size()), SQLITE_TRANSIENT);
    double sum = 0;
    groups = 0;
    while (sqlite3_step(all) == SQLITE_ROW) {
      sum += sqlite3_column_double(all, 2);
      ++groups;
    }
    return sum;
  }
};

// Posts `count` documents of five movements each on `day` (a new one per call); documents/s.
double postDocuments(storage::Session& session, int count, const QDate& day,
                     QRandomGenerator& random, double* slowestMs = nullptr) {
  bench::ModuleEngine module(session);
  QString text = QStringLiteral(
      "Процедура ПриСохранении()\nОбъект Рег = СоздатьОбъект(\"Регистр\")\nРег.Вид = "
      "\"Остатки\"\n");
  for (int row = 0; row < 5; ++row)
    text += QStringLiteral(
                "Рег.Реквизит(\"Товар\") = \"%1\"\nРег.Реквизит(\"Склад\") = \"%2\"\n"
                "Рег.Реквизит(\"Количество\") = \"%3\"\nРег.ДвижениеВыполнить(\"+\")\n")
                .arg(good(random.bounded(kGoods)), store(random.bounded(kStores)))
                .arg(1 + row);
  module.engine.load(text + QStringLiteral("КонецПроцедуры\n"));
  script::DocumentContent doc;
  doc.kind = QStringLiteral("Накладная");
  doc.date = day;
  doc.header = {{QStringLiteral("Наименование"), QStringLiteral("Бенч")}};
  const auto start = Clock::now();
  for (int i = 0; i < count; ++i) {
    const auto one = Clock::now();
    script::posting::saveAndPost(
        module.context, doc, std::nullopt,
        [&] {
          module.engine.runThis(QStringLiteral("ПриСохранении"));
          return true;
        },
        QTime(0, 0).addSecs(random.bounded(86000)));
    if (slowestMs) *slowestMs = std::max(*slowestMs, millisecondsSince(one));
  }
  return count / secondsSince(start);
}

void removeBenchDocuments(storage::Session& session) {
  std::vector<script::DocumentKey> keys;
  for (storage::Recordset rs = session.openRecordset(
           QStringLiteral("SELECT cDATE,cTIME FROM items_Документ_Накладная"));
       !rs.eof(); rs.moveNext())
    keys.push_back({rs.text(0), rs.text(1)});
  for (const script::DocumentKey& key : keys)
    script::posting::remove(session, QStringLiteral("Накладная"), key);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: register_totals_bench FILE [movements] [rounds]\n");
    return 2;
  }
  const QString file = QString::fromLocal8Bit(argv[1]);
  const int movements = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10000000;
  const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 3;
  if (!QFile::exists(file)) {
    auto start = Clock::now();
    if (!generate(file, movements)) return 1;
    std::printf("generated %d movements with their indexes: %.1f s\n", movements,
                secondsSince(start));
    start = Clock::now();
    auto session = storage::Session::open(file);
    script::totals::rebuild(*session, QStringLiteral("Остатки"));
    std::printf("built the monthly totals: %.1f s (peak memory %ld MB)\n", secondsSince(start),
                maxRssMb());
  }
  auto session = storage::Session::open(file);
  if (!script::totals::isCurrent(*session, QStringLiteral("totals_Регистр_Остатки"))) {
    // Totals made by an older program: made anew, as the program does at start-up.
    const auto start = Clock::now();
    script::totals::rebuild(*session, QStringLiteral("Остатки"));
    std::printf("made the totals anew with quarters: %.1f s (peak memory %ld MB)\n",
                secondsSince(start), maxRssMb());
  }
  const long quarterRows = session
                               ->openRecordset(QStringLiteral(
                                   "SELECT count(*) FROM totals_Регистр_Остатки WHERE ИтогМесяц<0"))
                               .value(0)
                               .toLongLong();
  std::printf("quarter rows: %ld\n", quarterRows);
  const long rows =
      session->openRecordset(QStringLiteral("SELECT count(*) FROM totals_Регистр_Остатки"))
          .value(0)
          .toLongLong();
  std::printf("totals rows: %ld\n", rows);
  Raw raw(file);
  QRandomGenerator random(777);

  // One good on one warehouse on a random date.
  double fastMs = 0, rawMs = 0;
  const int singles = 50;
  for (int i = 0; i < singles; ++i) {
    const QString g = good(random.bounded(kGoods)), s = store(random.bounded(kStores));
    const QDate on = randomDay(random);
    auto start = Clock::now();
    const script::BalanceSet set = script::BalanceSet::compute(*session, query(g, s, on));
    fastMs += millisecondsSince(start);
    start = Clock::now();
    const double want = raw.balance(g, s, on);
    rawMs += millisecondsSince(start);
    const double got = set.groups().empty() ? 0 : set.groups().front().quantity;
    if (got != want) {
      std::fprintf(stderr, "one balance differs: %f vs raw %f (%s, %s, %s)\n", got, want,
                   qPrintable(g), qPrintable(s), qPrintable(on.toString("dd.MM.yyyy")));
      return 1;
    }
  }
  std::printf(
      "one good on one warehouse: totals %.2f ms, raw with index %.2f ms (ratio %.2f, "
      "target <= 5 ms)\n",
      fastMs / singles, rawMs / singles, rawMs / fastMs);

  // The whole stock on a date.
  double bestFast = 1e9, bestRaw = 1e9;
  const long before = maxRssMb();
  for (int round = 0; round < rounds; ++round) {
    const QDate on = randomDay(random);
    auto start = Clock::now();
    const script::BalanceSet set = script::BalanceSet::compute(*session, query({}, {}, on));
    const double fast = secondsSince(start);
    start = Clock::now();
    int rawGroups = 0;
    const double rawSum = raw.whole(on, rawGroups);
    const double slow = secondsSince(start);
    double sum = 0;
    int nonZero = 0;
    for (const script::BalanceGroup& group : set.groups()) {
      sum += group.quantity;
      nonZero += group.quantity != 0;
    }
    if (int(set.groups().size()) != rawGroups || sum != rawSum) {
      std::fprintf(stderr, "whole balance differs: %d groups %f vs raw %d groups %f\n",
                   int(set.groups().size()), sum, rawGroups, rawSum);
      return 1;
    }
    std::printf("whole stock on %s: totals %.3f s, raw GROUP BY %.3f s (%d groups, %d non-zero)\n",
                qPrintable(on.toString("dd.MM.yyyy")), fast, slow, rawGroups, nonZero);
    bestFast = std::min(bestFast, fast);
    bestRaw = std::min(bestRaw, slow);
  }
  std::printf(
      "whole stock (best of %d): totals %.3f s, raw %.3f s, %.1fx faster (target <= 1 s, "
      ">= 5x); memory grew by %ld MB\n",
      rounds, bestFast, bestRaw, bestRaw / bestFast, maxRssMb() - before);

  // Posting, with the totals kept and without them (the totals table put aside meanwhile).
  const int documents = 300;
  const QDate last = kFirstMonth.addMonths(35).addDays(27);
  const double with = postDocuments(*session, documents, last, random);
  removeBenchDocuments(*session);
  session->execute(QStringLiteral("ALTER TABLE totals_Регистр_Остатки RENAME TO aside_totals"));
  const double without = postDocuments(*session, documents, last, random);
  removeBenchDocuments(*session);
  session->execute(QStringLiteral("ALTER TABLE aside_totals RENAME TO totals_Регистр_Остатки"));
  std::printf(
      "posting 5-row documents: %.0f/s with totals, %.0f/s without (ratio %.2f, target "
      ">= 0.8)\n",
      with, without, with / without);

  // Back-dated postings, 30 months before the last month.
  double slowest = 0;
  const int backDated = 30;
  const auto start = Clock::now();
  postDocuments(*session, backDated, last.addMonths(-30), random, &slowest);
  std::printf(
      "back-dated posting 30 months back: %.2f ms on average, %.2f ms at most (target "
      "<= 20 ms)\n",
      millisecondsSince(start) / backDated, slowest);
  removeBenchDocuments(*session);
  const QStringList problems = script::totals::compare(*session, QStringLiteral("Остатки"));
  std::printf("totals equal to movements afterwards: %s\n", problems.isEmpty() ? "yes" : "NO");
  return problems.isEmpty() ? 0 : 1;
}
