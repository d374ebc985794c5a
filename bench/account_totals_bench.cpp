// Account balances and turnovers from the accounts' monthly totals against raw SQLite summing
// the postings (itogi) in the same run: one account over a period, the whole chart as a
// trial balance does it, and Итог over every posting.
// Usage: account_totals_bench FILE [postings] [rounds]
// A FILE that does not exist is made first (timed on its own); one made before is reused.
#include <sqlite3.h>

#include <QDate>
#include <QFile>
#include <QRandomGenerator>
#include <cmath>
#include <cstdlib>

#include "bench_support.h"
#include "script/objects/account_totals.h"

using namespace balvix;
using bench::Clock;
using bench::millisecondsSince;
using bench::secondsSince;

namespace {

const QDate kFirstMonth(2024, 1, 1);
const char* const kDay = "(substr(cDATE,7,4)||substr(cDATE,4,2)||substr(cDATE,1,2))";

QStringList accountCodes(storage::Session& db) {
  QStringList codes;
  for (storage::Recordset rs =
           db.openRecordset(QStringLiteral("SELECT Код FROM plan ORDER BY Код"));
       !rs.eof(); rs.moveNext())
    codes << rs.text(0);
  return codes;
}

bool generate(const QString& file, int postings) {
  storage::Session::createNew(file).reset();
  QStringList codes;
  {
    auto session = storage::Session::open(file);
    codes = accountCodes(*session);
  }
  if (codes.isEmpty()) return false;
  sqlite3* db = nullptr;
  if (sqlite3_open(QFile::encodeName(file).constData(), &db) != SQLITE_OK) return false;
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO itogi VALUES (?,?,?,?,'10:00:00','Операция')", -1, &insert,
                     nullptr);
  QRandomGenerator random(4242);
  for (int i = 0; i < postings; ++i) {
    const QByteArray code = codes[random.bounded(codes.size())].toUtf8();
    const QByteArray amount = QByteArray::number(random.bounded(1000000) / 100.0, 'f', 2);
    const QByteArray date = kFirstMonth.addMonths(random.bounded(36))
                                .addDays(random.bounded(28))
                                .toString(QStringLiteral("dd.MM.yyyy"))
                                .toUtf8();
    const bool debit = random.bounded(2) == 0;
    sqlite3_bind_text(insert, 1, code.constData(), int(code.size()), SQLITE_TRANSIENT);
    if (debit) {
      sqlite3_bind_text(insert, 2, amount.constData(), int(amount.size()), SQLITE_TRANSIENT);
      sqlite3_bind_null(insert, 3);
    } else {
      sqlite3_bind_null(insert, 2);
      sqlite3_bind_text(insert, 3, amount.constData(), int(amount.size()), SQLITE_TRANSIENT);
    }
    sqlite3_bind_text(insert, 4, date.constData(), int(date.size()), SQLITE_TRANSIENT);
    if (sqlite3_step(insert) != SQLITE_DONE) return false;
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);
  const int rc = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_close(db);
  return rc == SQLITE_OK;
}

// A host that keeps the module's last message.
class KeepingHost : public bench::QuietHost {
 public:
  QString last;
  int showMessage(const QString& text, int, const QString&) override {
    last = text;
    return script::MsgBoxCode::AnswerOk;
  }
};

struct Module : bench::BasicModuleEngine<KeepingHost> {
  using BasicModuleEngine::BasicModuleEngine;
  QString run(const QString& text) {
    engine.load(QStringLiteral("Процедура Б()\n") + text + QStringLiteral("КонецПроцедуры\n"));
    engine.runThis(QStringLiteral("Б"));
    return host.last;
  }
};

QString day(const QDate& date) {
  return date.toString(QStringLiteral("dd.MM.yyyy"));
}

struct Raw {
  sqlite3* db = nullptr;
  explicit Raw(const QString& file) {
    sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
  }
  ~Raw() { sqlite3_close(db); }
  // Rows of `sql`, each column a number, flattened.
  std::vector<double> numbers(const QString& sql) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr) != SQLITE_OK) {
      std::fprintf(stderr, "raw SQLite: %s\n", sqlite3_errmsg(db));
      std::exit(1);
    }
    std::vector<double> out;
    while (sqlite3_step(st) == SQLITE_ROW)
      for (int c = 0; c < sqlite3_column_count(st); ++c)
        out.push_back(sqlite3_column_double(st, c));
    sqlite3_finalize(st);
    return out;
  }
};

QString key(const QDate& date) {
  return date.toString(QStringLiteral("yyyyMMdd"));
}

// A number as the module writes it (a decimal comma).
double number(QString text) {
  return text.replace(u',', u'.').remove(u' ').toDouble();
}

bool near(double a, double b) {
  return std::fabs(a - b) <= 1e-6 * std::max(1.0, std::fabs(b));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: account_totals_bench FILE [postings] [rounds]\n");
    return 2;
  }
  const QString file = QString::fromLocal8Bit(argv[1]);
  const int postings = argc > 2 ? std::max(1, std::atoi(argv[2])) : 2000000;
  const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
  if (!QFile::exists(file)) {
    auto start = Clock::now();
    if (!generate(file, postings)) return 1;
    std::printf("generated %d postings: %.1f s\n", postings, secondsSince(start));
    start = Clock::now();
    auto session = storage::Session::open(file);
    script::account_totals::rebuild(*session);
    std::printf("built the accounts' monthly totals: %.1f s\n", secondsSince(start));
  }
  auto session = storage::Session::open(file);
  script::account_totals::ensure(*session);
  const QStringList codes = accountCodes(*session);
  Module module(*session);
  Raw raw(file);
  QRandomGenerator random(99);
  const QString amount = QStringLiteral("CAST(%1 AS REAL)");

  // One account's closing debit and credit turnover over a random period.
  double oursMs = 0, rawMs = 0;
  const int singles = 50;
  for (int i = 0; i < singles; ++i) {
    const QString code = codes[random.bounded(codes.size())];
    QDate from = kFirstMonth.addDays(random.bounded(1080)), to = from.addDays(random.bounded(300));
    auto start = Clock::now();
    const QStringList got = module
                                .run(QStringLiteral("Объект Сч = СоздатьОбъект(\"Счет\")\nСч.Вид = "
                                                    "\"%1\"\nСч.ВыбратьСчета()\nСч.Получить()\n"
                                                    "Сч.Период(\"%2\", \"%3\")\nСообщить(\"\" & "
                                                    "Сч.ОборотД & \";\" & Сч.СКК)\n")
                                         .arg(code, day(from), day(to)))
                                .split(u';');
    oursMs += millisecondsSince(start);
    start = Clock::now();
    const std::vector<double> want = raw.numbers(
        QStringLiteral("SELECT coalesce(SUM(CASE WHEN %1>='%2' THEN %3 END),0),"
                       "coalesce(SUM(%4),0) FROM itogi WHERE Код='%5' AND %1<='%6'")
            .arg(QString::fromUtf8(kDay), key(from), amount.arg(QStringLiteral("Дебет")),
                 amount.arg(QStringLiteral("Кредит")), code, key(to)));
    rawMs += millisecondsSince(start);
    if (got.size() != 2 || !near(number(got[0]), want[0]) || !near(number(got[1]), want[1])) {
      std::fprintf(stderr, "account %s differs: %s vs raw %f;%f\n", qPrintable(code),
                   qPrintable(got.join(u';')), want[0], want[1]);
      return 1;
    }
  }
  std::printf("one account over a period: totals %.2f ms, raw SQLite %.2f ms (%.1fx faster)\n",
              oursMs / singles, rawMs / singles, rawMs / oursMs);

  // The whole chart over a period, as the trial balance reads it.
  double bestOurs = 1e300, bestRaw = 1e300;
  for (int round = 0; round < rounds; ++round) {
    const QDate from = kFirstMonth.addMonths(random.bounded(30)),
                to = from.addMonths(3).addDays(-1);
    auto start = Clock::now();
    const QString got = module.run(
        QStringLiteral("Объект Сч = СоздатьОбъект(\"Счет\")\nСч.Период(\"%1\", \"%2\")\n"
                       "Сч.ВыбратьСчета()\nс = 0\nДелать Пока Сч.Получить() = 1\n"
                       "  с = с + Сч.СНД + Сч.СНК + Сч.ОборотД + Сч.ОборотК + Сч.СКД + Сч.СКК\n"
                       "Цикл\nСообщить(\"\" & с)\n")
            .arg(day(from), day(to)));
    const double ours = millisecondsSince(start);
    start = Clock::now();
    const std::vector<double> sums = raw.numbers(
        QStringLiteral("SELECT coalesce(SUM(CASE WHEN %1<'%2' THEN %3 END),0),"
                       "coalesce(SUM(CASE WHEN %1<'%2' THEN %4 END),0),"
                       "coalesce(SUM(CASE WHEN %1>='%2' THEN %3 END),0),"
                       "coalesce(SUM(CASE WHEN %1>='%2' THEN %4 END),0) FROM itogi NOT INDEXED "
                       "WHERE %1<='%5' GROUP BY Код")
            .arg(QString::fromUtf8(kDay), key(from), amount.arg(QStringLiteral("Дебет")),
                 amount.arg(QStringLiteral("Кредит")), key(to)));
    const double rawTime = millisecondsSince(start);
    // The opening netted on one side, as the account object nets it; the closing sums and
    // the turnovers gross.
    double want = 0;
    for (std::size_t i = 0; i + 3 < sums.size(); i += 4)
      want += std::fabs(sums[i] - sums[i + 1]) + 2 * (sums[i + 2] + sums[i + 3]) + sums[i] +
              sums[i + 1];
    if (!near(number(got), want)) {
      std::fprintf(stderr, "trial balance differs: %s vs raw %f\n", qPrintable(got), want);
      return 1;
    }
    bestOurs = std::min(bestOurs, ours);
    bestRaw = std::min(bestRaw, rawTime);
  }
  std::printf(
      "every account over a quarter (best of %d): totals %.1f ms, raw GROUP BY %.1f ms (%.1fx "
      "faster)\n",
      rounds, bestOurs, bestRaw, bestRaw / bestOurs);

  // Итог over every posting.
  auto start = Clock::now();
  const QString total = module.run(
      QStringLiteral("Объект Сч = СоздатьОбъект(\"Счет\")\nСообщить(\"\" & Сч.Итог(\"СКД\"))\n"));
  const double ours = millisecondsSince(start);
  start = Clock::now();
  const double want = raw.numbers(QStringLiteral("SELECT SUM(CAST(Дебет AS REAL)) FROM itogi"))[0];
  const double rawTime = millisecondsSince(start);
  if (!near(number(total), want)) {
    std::fprintf(stderr, "Итог differs: %s vs raw %f\n", qPrintable(total), want);
    return 1;
  }
  std::printf("Итог(\"СКД\") of every posting: totals %.2f ms, raw SUM %.1f ms (%.0fx faster)\n",
              ours, rawTime, rawTime / ours);
  return 0;
}
