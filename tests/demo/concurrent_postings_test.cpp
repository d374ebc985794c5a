// Two programs posting into one demo database (a file, or on the server pass a database on the
// server) at the same moment, each in a process of its own (the program without windows,
// --document): neither sees a half of the other's work.
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>

#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>

#include "config/global_module.h"
#include "config/object_definition.h"
#include "config/table_names.h"
#include "demo/demo_database.h"
#include "script/objects/register_totals.h"
#include "storage/session.h"
#include "test_helpers.h"

using namespace balvix;
using balvix::testing::firstText;
using balvix::testing::writeFile;

namespace {

const QString kReceipt = QStringLiteral("ПриходнаяНакладная");
const QString kSale = QStringLiteral("РасходнаяНакладная");
const QString kStore = QStringLiteral("Склад гонки");

class ConcurrentPostings : public ::testing::Test {
 protected:
  void SetUp() override {
    demo::createDemoDatabase(m_db);
    // A warehouse of its own: its stock is only what the test puts there.
    auto db = storage::Session::open(m_db);
    db->execute(QStringLiteral("INSERT INTO ") + config::catalogTable(QStringLiteral("Склады")) +
                QStringLiteral(" (Наименование) VALUES ('") + kStore + QStringLiteral("')"));
  }

  QString file(const QString& kind, const QString& quantity, const QString& date = "07.12.2026") {
    const QString path = m_dir.filePath(QStringLiteral("doc%1.json").arg(++m_files));
    writeFile(path, QStringLiteral(R"({"kind": "%1", "date": "%2", "header": {"Контрагент": )"
                                   R"("ИП Петров А. В.", "Склад": "%3"}, "rows": [{"Товар": )"
                                   R"("Лак паркетный", "Количество": "%4", "Цена": "600"}]})")
                        .arg(kind, date, kStore, quantity)
                        .toUtf8());
    return path;
  }

  QProcess* start(const QStringList& files) {
    auto* p = new QProcess;
    p->start(QStringLiteral(BALVIX_BINARY),
             QStringList{"--document"} + files + QStringList{"--db", m_db, "--post"});
    EXPECT_TRUE(p->waitForStarted());
    return p;
  }
  // Runs both at once; their exit codes (-1 for a crash), and what they wrote to stderr.
  std::pair<int, int> together(const QStringList& a, const QStringList& b, QString* errors) {
    std::unique_ptr<QProcess> first(start(a)), second(start(b));
    int codes[2] = {-1, -1};
    QProcess* both[2] = {first.get(), second.get()};
    for (int i = 0; i < 2; ++i) {
      EXPECT_TRUE(both[i]->waitForFinished(600000));
      if (both[i]->exitStatus() == QProcess::NormalExit) codes[i] = both[i]->exitCode();
      if (errors) *errors += QString::fromUtf8(both[i]->readAllStandardError());
    }
    return {codes[0], codes[1]};
  }

  int count(storage::Session& db, const QString& kind) {
    return firstText(db,
                     QStringLiteral("SELECT COUNT(*) FROM ") + config::documentHeaderTable(kind))
        .toInt();
  }
  // The quantity the test's warehouse received, as its movements add up (receipts only).
  double stock(storage::Session& db) {
    double total = 0;
    db.forEachRow(QStringLiteral("SELECT Количество FROM ") +
                      config::registerTable(QStringLiteral("ОстаткиТоваров")) +
                      QStringLiteral(" WHERE Склад='") + kStore + u'\'',
                  [&](const storage::RowView& row) {
                    total += QString::fromUtf8(row.text(0).data(), row.text(0).size()).toDouble();
                  });
    return total;
  }

  QTemporaryDir m_dir;
  balvix::testing::ServerDatabase m_server;
  const QString m_db =
      m_server.active() ? m_server.address() : m_dir.filePath(QStringLiteral("basa.mdb"));
  int m_files = 0;
};

TEST_F(ConcurrentPostings, OfTwoSalesOfTheLastStockExactlyOnePosts) {
  const int sales = [&] {
    auto db = storage::Session::open(m_db);
    return count(*db, kSale);
  }();
  for (int round = 1; round <= 3; ++round) {
    ASSERT_EQ(
        balvix::testing::runProgram({"--document", file(kReceipt, "4"), "--db", m_db, "--post"}),
        0);
    QString errors;
    const auto [a, b] = together({file(kSale, "4")}, {file(kSale, "4")}, &errors);
    EXPECT_EQ(std::min(a, b), 0) << errors.toStdString();
    EXPECT_EQ(std::max(a, b), 1) << errors.toStdString();
    EXPECT_TRUE(Contains(errors, QStringLiteral("Недостаточно товара «Лак паркетный»")));
    auto db = storage::Session::open(m_db);
    EXPECT_EQ(count(*db, kSale), sales + round);
  }
  // Nothing is left to sell, neither by the movements nor by the totals.
  QString error;
  EXPECT_EQ(
      balvix::testing::runProgram({"--document", file(kSale, "1"), "--db", m_db, "--post"}, &error),
      1);
  EXPECT_TRUE(Contains(error, QStringLiteral("остаток 0")));
  auto db = storage::Session::open(m_db);
  EXPECT_EQ(script::totals::compareAll(*db), QStringList());
}

TEST_F(ConcurrentPostings, TwoThousandPostingsAtOnceKeepTotalsAndNumbers) {
  constexpr int kEach = 1000;
  QStringList a, b;
  // Spread over days: a day's documents take its free seconds one after another.
  for (int i = 0; i < kEach; ++i) {
    const QString date = QStringLiteral("%1.12.2026").arg(1 + i % 7, 2, 10, QLatin1Char('0'));
    a << file(kReceipt, QStringLiteral("1"), date);
    b << file(kReceipt, QStringLiteral("2"), date);
  }
  int before = 0;
  {
    auto db = storage::Session::open(m_db);
    before = count(*db, kReceipt);
  }
  QString errors;
  EXPECT_EQ(together(a, b, &errors), std::make_pair(0, 0)) << errors.toStdString();
  auto db = storage::Session::open(m_db);
  EXPECT_EQ(count(*db, kReceipt), before + 2 * kEach);
  // No two documents share a key (their date and time), which their movements carry.
  EXPECT_EQ(
      firstText(*db, QStringLiteral("SELECT COUNT(*) FROM (SELECT DISTINCT cDATE,cTIME FROM ") +
                         config::documentHeaderTable(kReceipt) + QStringLiteral(") k"))
          .toInt(),
      before + 2 * kEach);
  EXPECT_DOUBLE_EQ(stock(*db), 3.0 * kEach);
  EXPECT_EQ(script::totals::compareAll(*db), QStringList());
  // Every receipt of the year has its own number, from 1 without a gap.
  QList<int> numbers;
  db->forEachRow(QStringLiteral("SELECT Номер FROM ") + config::documentHeaderTable(kReceipt) +
                     QStringLiteral(" WHERE cDATE LIKE '%.2026'"),
                 [&](const storage::RowView& row) {
                   numbers << QString::fromUtf8(row.text(0).data(), row.text(0).size()).toInt();
                 });
  std::sort(numbers.begin(), numbers.end());
  for (int i = 0; i < numbers.size(); ++i) ASSERT_EQ(numbers[i], i + 1) << "at " << i;
}

TEST_F(ConcurrentPostings, AProgramKilledInThePostingLeavesNothingAndTheOtherGoesOn) {
  BALVIX_FILE_ONLY("watches the file's write lock; the server's kill test is ServerSessions'");
  // The receipt's posting writes its movements and then does not end.
  {
    auto db = storage::Session::open(m_db);
    auto receipt = config::readDefinition(*db, config::ObjectKind::Document, kReceipt);
    ASSERT_TRUE(receipt);
    QString module = receipt->module;
    const qsizetype end = module.indexOf(QStringLiteral("КонецПроцедуры"),
                                         module.indexOf(QStringLiteral("Процедура ПриСохранении")));
    ASSERT_GT(end, 0);
    module.insert(end, QStringLiteral("Делать Пока 1 = 1\r\nЦикл\r\n"));
    config::writeModule(*db, config::ObjectKind::Document, kReceipt, module);
  }
  for (int round = 1; round <= 2; ++round) {
    int receipts = 0, sales = 0;
    {
      auto db = storage::Session::open(m_db);
      receipts = count(*db, kReceipt);
      sales = count(*db, kSale);
    }
    std::unique_ptr<QProcess> stuck(start({file(kReceipt, "5")}));
    // Inside its transaction the file is locked for writing.
    sqlite3* probe = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(m_db).constData(), &probe), SQLITE_OK);
    bool locked = false;
    for (int i = 0; i < 600 && !locked; ++i) {
      locked = sqlite3_exec(probe, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_BUSY;
      if (!locked) {
        sqlite3_exec(probe, "ROLLBACK", nullptr, nullptr, nullptr);
        QThread::msleep(50);
      }
    }
    sqlite3_close(probe);
    ASSERT_TRUE(locked) << "the posting never began";
    ::kill(static_cast<pid_t>(stuck->processId()), SIGKILL);
    stuck->waitForFinished();
    auto db = storage::Session::open(m_db);
    EXPECT_EQ(count(*db, kReceipt), receipts) << "round " << round;
    EXPECT_DOUBLE_EQ(stock(*db), 0.0);
    // The other program posts as if nothing had happened (a sale of nothing in stock is
    // refused by its module, not by a lock).
    QString error;
    EXPECT_EQ(balvix::testing::runProgram({"--document", file(kSale, "1"), "--db", m_db, "--post"},
                                          &error),
              1);
    EXPECT_TRUE(Contains(error, QStringLiteral("остаток 0"))) << error.toStdString();
    EXPECT_EQ(count(*db, kSale), sales);
  }
}

}  // namespace
