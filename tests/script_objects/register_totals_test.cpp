#include "script/objects/register_totals.h"

#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <chrono>
#include <csignal>
#include <thread>

#include "config/object_definition.h"
#include "config/references.h"
#include "config/table_names.h"
#include "object_fixture.h"
#include "script/coerce.h"
#include "script/objects/document_posting.h"
#include "storage/sql_text.h"

using namespace balvix;
using namespace balvix::script;
using namespace balvix::script::testing;

namespace {

struct Movement {
  QString goods, store, quantity, flag;
};

const QStringList kGoods = {QStringLiteral("Стол"), QStringLiteral("Стул"),
                            QStringLiteral("Шкаф 'М'"), QStringLiteral("A"), QString()};
const QStringList kStores = {QStringLiteral("Главный"), QStringLiteral("Малый"),
                             QStringLiteral("Дальний")};

// A register kept by documents of one kind, whose save procedure writes the movements given.
class RegisterTotalsTest : public ObjectTest {
 protected:
  void SetUp() override {
    ObjectTest::SetUp();
    addRegister(QStringLiteral("Остатки"),
                {QStringLiteral("Товар"), QStringLiteral("Склад"), QStringLiteral("Количество")});
    exec(QStringLiteral("INSERT INTO form_items (name,type) VALUES ('Накладная','Документ')"));
    exec(
        QStringLiteral("CREATE TABLE items_Документ_Накладная(Наименование TEXT(50),cDATE "
                       "TEXT(10),cTIME TEXT(10),Проводка TEXT(10),Номер TEXT(10))"));
    totals::rebuild(*session, QStringLiteral("Остатки"));
  }

  static QString module(const QList<Movement>& rows) {
    QString text = QStringLiteral(
        "Процедура ПриСохранении()\nОбъект Рег = СоздатьОбъект(\"Регистр\")\nРег.Вид = "
        "\"Остатки\"\n");
    for (const Movement& m : rows)
      text += QStringLiteral(
                  "Рег.Реквизит(\"Товар\") = \"%1\"\nРег.Реквизит(\"Склад\") = \"%2\"\n"
                  "Рег.Реквизит(\"Количество\") = \"%3\"\nРег.ДвижениеВыполнить(\"%4\")\n")
                  .arg(m.goods, m.store, m.quantity, m.flag);
    return text + QStringLiteral("КонецПроцедуры\n");
  }

  DocumentKey post(const QDate& date, const QList<Movement>& rows, QTime at,
                   const std::optional<DocumentKey>& stored = std::nullopt) {
    Engine engine(host);
    engine.setGlobalObject(createGlobalFunctions(host, context));
    engine.load(module(rows));
    DocumentContent doc;
    doc.kind = QStringLiteral("Накладная");
    doc.date = date;
    doc.header = {{QStringLiteral("Наименование"), QStringLiteral("Н")}};
    return posting::saveAndPost(
               context, doc, stored,
               [&] {
                 engine.runThis(QStringLiteral("ПриСохранении"));
                 return true;
               },
               at)
        .key;
  }

  // Unposts and posts again with other movements in one transaction, as the reposting does.
  void repost(const DocumentKey& key, const QDate& date, const QList<Movement>& rows) {
    Engine engine(host);
    engine.setGlobalObject(createGlobalFunctions(host, context));
    engine.load(module(rows));
    storage::Transaction transaction(*session);
    posting::unpost(*session, QStringLiteral("Накладная"), key);
    exec(QStringLiteral("UPDATE items_Документ_Накладная SET Проводка='1' WHERE cDATE='%1' AND "
                        "cTIME='%2'")
             .arg(key.date, key.time));
    posting::runAsPosting(context, QStringLiteral("Накладная"), date, key, [&] {
      engine.runThis(QStringLiteral("ПриСохранении"));
      return true;
    });
    transaction.commit();
  }

  static QList<Movement> randomRows(QRandomGenerator& random) {
    static const QStringList quantities = {QStringLiteral("1"), QStringLiteral("7"),
                                           QStringLiteral("2,5"), QStringLiteral("20"),
                                           QStringLiteral("0.25")};
    QList<Movement> rows;
    for (int n = 1 + random.bounded(5); n > 0; --n)
      rows.append({kGoods[random.bounded(kGoods.size())], kStores[random.bounded(kStores.size())],
                   quantities[random.bounded(quantities.size())],
                   random.bounded(3) ? QStringLiteral("+") : QStringLiteral("-")});
    return rows;
  }

  // What the module reads: each group with its balance, and with a period its opening
  // balance and turnovers.
  QStringList moduleBalances(const QString& goods, const QString& store, const QDate& from,
                             const QDate& to, bool period) {
    QString text =
        QStringLiteral("Объект Рег = СоздатьОбъект(\"Регистр\")\nРег.Вид = \"Остатки\"\n");
    if (!goods.isEmpty()) text += QStringLiteral("Рег.Реквизит(\"Товар\") = \"%1\"\n").arg(goods);
    if (!store.isEmpty()) text += QStringLiteral("Рег.Реквизит(\"Склад\") = \"%1\"\n").arg(store);
    if (period)
      text += QStringLiteral("Рег.Период(\"%1\", \"%2\")\n")
                  .arg(from.toString(QStringLiteral("dd.MM.yyyy")),
                       to.toString(QStringLiteral("dd.MM.yyyy")));
    text += QStringLiteral(
        "Рег.ВыбратьОстатки()\nДелать Пока Рег.Получить() = 1\n"
        "  Сообщить(Рег.Реквизит(\"Товар\") & \"|\" & Рег.Реквизит(\"Склад\") & \"|\" & "
        "Рег.Реквизит(\"Количество\") & \"|\" & Рег.Реквизит(\"НачальныйОстаток\") & \"|\" & "
        "Рег.Реквизит(\"Приход\") & \"|\" & Рег.Реквизит(\"Расход\") & \"|\" & "
        "Рег.Реквизит(\"Документ\"))\nЦикл\n");
    return run(text);
  }

  // The same answer from one SQL query over the movements.
  QStringList rawBalances(const QString& goods, const QString& store, const QDate& from,
                          const QDate& to, bool period) {
    const QString day = QStringLiteral("(substr(cDATE,7,4)||substr(cDATE,4,2)||substr(cDATE,1,2))");
    const QString amount = QStringLiteral(
        "(CASE WHEN Флаг='+' THEN 1 ELSE -1 END)*CAST(REPLACE(Количество,',','.') AS REAL)");
    QStringList where;
    if (!goods.isEmpty()) where << QStringLiteral("Товар=") + storage::quote(goods);
    if (!store.isEmpty()) where << QStringLiteral("Склад=") + storage::quote(store);
    const QString fromKey = from.toString(QStringLiteral("yyyyMMdd"));
    if (period)
      where << day + QStringLiteral("<='") + to.toString(QStringLiteral("yyyyMMdd")) + u'\'';
    const QString sql =
        QStringLiteral(
            "SELECT Товар,Склад,SUM(%1),SUM(CASE WHEN %2<'%3' THEN %1 ELSE 0 END),"
            "SUM(CASE WHEN %2>='%3' AND Флаг='+' THEN %1 ELSE 0 END),"
            "-SUM(CASE WHEN %2>='%3' AND Флаг<>'+' THEN %1 ELSE 0 END),"
            "(SELECT Документ FROM items_Регистр_Остатки f WHERE f.Товар=m.Товар AND "
            "f.Склад=m.Склад %4 ORDER BY rowid LIMIT 1) "
            "FROM items_Регистр_Остатки m %5 GROUP BY Товар,Склад ORDER BY Товар,Склад")
            .arg(
                amount, day, fromKey,
                period
                    ? QStringLiteral("AND ") +
                          QString(day).replace(QStringLiteral("cDATE"), QStringLiteral("f.cDATE")) +
                          QStringLiteral("<='") + to.toString(QStringLiteral("yyyyMMdd")) + u'\''
                    : QString(),
                where.isEmpty() ? QString() : QStringLiteral("WHERE ") + where.join(" AND "));
    QStringList lines;
    for (storage::Recordset rs = session->openRecordset(sql); !rs.eof(); rs.moveNext()) {
      QStringList cells = {rs.text(0), rs.text(1), formatDouble(rs.value(2).toDouble())};
      for (int c = 3; c < 6; ++c)
        cells << (period ? formatDouble(rs.value(c).toDouble() + 0.0) : QString());
      cells << rs.text(6);
      lines << cells.join(u'|');
    }
    return lines;
  }

  QDate randomDate(QRandomGenerator& random) {
    return QDate(2024, 1, 1).addMonths(random.bounded(36)).addDays(random.bounded(28));
  }
};

TEST_F(RegisterTotalsTest, RandomPostingsUnpostingsAndRepostsKeepTotalsAndBalancesRight) {
  QRandomGenerator random(20261207);
  std::vector<std::pair<DocumentKey, bool>> documents;  // key, posted
  const QString kind = QStringLiteral("Накладная");
  int checks = 0;
  for (int op = 0; op < 2500; ++op) {
    const int what = documents.empty() ? 0 : random.bounded(10);
    const std::size_t at = documents.empty() ? 0 : random.bounded(int(documents.size()));
    const QTime time = QTime(8, 0).addSecs(random.bounded(36000));
    if (what < 4) {
      documents.emplace_back(post(randomDate(random), randomRows(random), time), true);
    } else if (what < 6 && documents[at].second) {
      posting::unpost(*session, kind, documents[at].first);
      documents[at].second = false;
    } else if (what < 7) {
      posting::remove(*session, kind, documents[at].first);
      documents.erase(documents.begin() + static_cast<std::ptrdiff_t>(at));
    } else if (documents[at].second) {
      const DocumentKey key = documents[at].first;
      repost(key, QDate::fromString(key.date, QStringLiteral("dd.MM.yyyy")), randomRows(random));
    } else {
      // Saved again under another date: the old month loses nothing it did not have.
      documents[at] = {post(randomDate(random), randomRows(random), time, documents[at].first),
                       true};
    }
    if (op % 250 != 249) continue;
    ASSERT_EQ(totals::compare(*session, QStringLiteral("Остатки")), QStringList()) << "op " << op;
    for (int q = 0; q < 6; ++q) {
      const QString goods = random.bounded(2) ? kGoods[random.bounded(kGoods.size() - 1)] : "";
      const QString store = random.bounded(2) ? kStores[random.bounded(kStores.size())] : "";
      QDate from = randomDate(random), to = randomDate(random);
      if (from > to) std::swap(from, to);
      const bool period = q > 0;
      ASSERT_EQ(moduleBalances(goods, store, from, to, period),
                rawBalances(goods, store, from, to, period))
          << "op " << op << " " << goods.toStdString() << "/" << store.toStdString() << " "
          << from.toString().toStdString() << ".." << to.toString().toStdString();
      ++checks;
    }
  }
  EXPECT_EQ(checks, 60);
  EXPECT_GT(column(QStringLiteral("SELECT count(*) FROM totals_Регистр_Остатки")).value(0).toInt(),
            100);
}

// A repost killed at a random moment leaves the movements and the totals of one and the same
// committed state.
TEST_F(RegisterTotalsTest, RepostKilledAtAnyMomentLeavesTotalsEqualToMovements) {
  QRandomGenerator random(7);
  std::vector<DocumentKey> keys;
  for (int i = 0; i < 20; ++i)
    keys.push_back(post(randomDate(random), randomRows(random), QTime(9, 0).addSecs(i)));
  const QString file = session->path();
  session.reset();
  for (int round = 0; round < 6; ++round) {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      close(ready[0]);
      try {
        session = storage::Session::open(file);
        context.db = session.get();
        QRandomGenerator mine(static_cast<quint32>(round));
        for (int i = 0;; ++i) {
          const DocumentKey& key = keys[static_cast<std::size_t>(i) % keys.size()];
          repost(key, QDate::fromString(key.date, QStringLiteral("dd.MM.yyyy")), randomRows(mine));
          if (i == 3 && write(ready[1], "x", 1) != 1) _exit(2);
        }
      } catch (...) {
        _exit(1);
      }
    }
    close(ready[1]);
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    close(ready[0]);
    std::this_thread::sleep_for(std::chrono::microseconds(random.bounded(200'000)));
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    auto reopened = storage::Session::open(file);
    EXPECT_EQ(totals::compare(*reopened, QStringLiteral("Остатки")), QStringList())
        << "round " << round;
  }
}

TEST_F(RegisterTotalsTest, CheckNamesATotalsRowAlteredOutsideAndRebuildMendsIt) {
  post(QDate(2026, 3, 5), {{"Стол", "Главный", "5", "+"}, {"Стул", "Малый", "2", "+"}},
       QTime(10, 0));
  const QString file = session->path();
  const auto balvix = [&](const QStringList& args) {
    QProcess process;
    process.start(QStringLiteral(BALVIX_BINARY), args);
    process.waitForFinished(60000);
    return std::pair(process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()));
  };
  EXPECT_EQ(balvix({"--check", "--db", file}).first, 0);
  // A hand edit past the program, as the engine's own shell would make it.
  exec(QStringLiteral("UPDATE totals_Регистр_Остатки SET ИтогПриход=6 WHERE Товар='Стол'"));
  session.reset();
  const auto [failed, report] = balvix({"--check", "--db", file});
  EXPECT_EQ(failed, 1);
  EXPECT_TRUE(report.contains(QStringLiteral("Товар=Стол, Склад=Главный, месяц 03.2026")))
      << report.toStdString();
  EXPECT_FALSE(report.contains(QStringLiteral("Стул")));
  EXPECT_EQ(balvix({"--rebuild-totals", "--db", file}).first, 0);
  EXPECT_EQ(balvix({"--check", "--db", file}).first, 0);
}

TEST_F(RegisterTotalsTest, RegisterWithoutTotalsGetsThemBuiltFromItsMovements) {
  post(QDate(2025, 12, 30), {{"Стол", "Главный", "5", "+"}, {"Стол", "Главный", "x", "-"}},
       QTime(10, 0));
  post(QDate(2026, 1, 2), {{"Стол", "Главный", "2", "-"}}, QTime(10, 0));
  exec(QStringLiteral("DROP TABLE totals_Регистр_Остатки"));
  // Movements written by hand, with a date not written dd.MM.yyyy.
  exec(
      QStringLiteral("INSERT INTO items_Регистр_Остатки VALUES "
                     "('Стул','Малый','4','1.2.2026','','Ручной','+')"));
  EXPECT_EQ(totals::compare(*session, QStringLiteral("Остатки")), QStringList());
  EXPECT_EQ(totals::ensureAll(*session), 1);
  EXPECT_EQ(totals::ensureAll(*session), 0);
  EXPECT_EQ(totals::compare(*session, QStringLiteral("Остатки")), QStringList());
  EXPECT_EQ(column(QStringLiteral("SELECT ИтогМесяц||':'||ИтогДвижений||':'||ИтогОшибок FROM "
                                  "totals_Регистр_Остатки ORDER BY 1")),
            (QStringList{"-202601:2:1", "0:1:0", "202512:2:1", "202601:1:0"}));
  // Totals a file's older program made before they kept quarters (a table in key order) are
  // made anew.
  if (!session->isServer()) {
    exec(QStringLiteral("DROP TABLE totals_Регистр_Остатки"));
    exec(
        QStringLiteral("CREATE TABLE totals_Регистр_Остатки(Товар TEXT(50),Склад TEXT(50),"
                       "ИтогМесяц INTEGER,ИтогПриход REAL,ИтогРасход REAL,ИтогДвижений INTEGER,"
                       "ИтогОшибок INTEGER,PRIMARY KEY(Товар,Склад,ИтогМесяц))"));
    EXPECT_EQ(totals::ensureAll(*session), 1);
  }
  EXPECT_TRUE(totals::isCurrent(*session, QStringLiteral("totals_Регистр_Остатки")));
  EXPECT_EQ(totals::lastQuarter(*session, QStringLiteral("totals_Регистр_Остатки")), 202601);
  // The quantity that is no number is named as the walk names it, the dateless movement
  // counts without a period and makes a period walk the movements.
  EXPECT_TRUE(runError(QStringLiteral("Объект Рег = СоздатьОбъект(\"Регистр\")\nРег.Вид = "
                                      "\"Остатки\"\nРег.ВыбратьОстатки()\nРег.Получить()\n"))
                  .contains(QStringLiteral("«x»")));
  exec(QStringLiteral("DELETE FROM items_Регистр_Остатки WHERE Количество='x'"));
  totals::rebuild(*session, QStringLiteral("Остатки"));
  EXPECT_EQ(moduleBalances({}, {}, {}, {}, false),
            (QStringList{"Стол|Главный|3||||Накладная", "Стул|Малый|4||||Ручной"}));
  EXPECT_EQ(moduleBalances({}, {}, QDate(2026, 1, 1), QDate(2026, 2, 1), true),
            (QStringList{"Стол|Главный|3|5|0|2|Накладная", "Стул|Малый|4|0|4|0|Ручной"}));
}

// Renaming a good into another one's name adds their totals rows up, quarter rows too, and
// every balance still equals the movements'.
TEST_F(RegisterTotalsTest, ARenameIntoAnExistingGoodMergesItsTotalsRows) {
  config::ObjectDefinition sets;
  sets.kind = config::ObjectKind::Catalog;
  sets.name = sets.description = QStringLiteral("Комплекты");
  sets.module = QStringLiteral("_");
  sets.requisites = {{QStringLiteral("Товар"), config::RequisiteType::catalog("Товары")}};
  config::insertDefinition(*session, sets);
  exec(config::createTableStatement(config::TableRole::Elements, sets.name, sets.requisiteNames()));
  int minute = 0;
  for (const QDate& day :
       {QDate(2025, 11, 3), QDate(2026, 2, 10), QDate(2026, 5, 20), QDate(2026, 8, 1)}) {
    post(day, {{"Стол", "Главный", "5", "+"}, {"Стол", "Малый", "1", "-"}}, QTime(9, ++minute));
    if (day > QDate(2026, 4, 1))
      post(day, {{"Стул", "Главный", "2", "+"}, {"Стул", "Малый", "3", "+"}}, QTime(9, ++minute));
  }
  // Стол has quarter rows from before Стул's first movement: rows of the old name alone.
  ASSERT_EQ(
      column(QStringLiteral("SELECT Товар FROM totals_Регистр_Остатки WHERE ИтогМесяц=-202601 "
                            "GROUP BY Товар")),
      QStringList{QStringLiteral("Стол")});
  {
    storage::Transaction transaction(*session);
    config::renameReferences(*session, QStringLiteral("Товары"), QStringLiteral("Стол"),
                             QStringLiteral("Стул"));
    transaction.commit();
  }
  EXPECT_EQ(totals::compare(*session, QStringLiteral("Остатки")), QStringList());
  for (const QDate& to : {QDate(2026, 1, 15), QDate(2026, 6, 30), QDate(2026, 12, 31)})
    EXPECT_EQ(moduleBalances({}, {}, QDate(2026, 2, 1), to, true),
              rawBalances({}, {}, QDate(2026, 2, 1), to, true))
        << to.toString().toStdString();
  EXPECT_EQ(moduleBalances({}, {}, {}, {}, false),
            (QStringList{"Стул|Главный|24||||Накладная", "Стул|Малый|2||||Накладная"}));
}

}  // namespace
