#include "demo/demo_history.h"

#include <QMap>
#include <QRandomGenerator>
#include <algorithm>

namespace balvix::demo {

namespace {

const QString kReceipt = QStringLiteral("ПриходнаяНакладная");
const QString kSale = QStringLiteral("РасходнаяНакладная");

QString money(qint64 kopecks) {
  return QString::number(static_cast<double>(kopecks) / 100.0, 'f', 2);
}

// A debt to be settled on a day: positive is owed to the party (a supplier's invoice, a
// return's credit negative), or by the party (a buyer's invoice).
struct Due {
  QDate date;
  QString party;
  qint64 kopecks = 0;
};

// A year of days, the last of them today.
constexpr int kDays = 364;

class Planner {
 public:
  Planner(const DemoCatalogs& catalogs, HistoryCounts& counts)
      : m_catalogs(catalogs), m_counts(counts), m_random(20240601) {}

  // The days are counted from the first, not by the calendar, so that the same documents
  // are planned whatever day `today` is: only their dates and the month-ends move.
  QList<PlannedDocument> plan(const QDate& today) {
    const QDate first = today.addDays(-(kDays - 1));
    // The warehouses the history trades through: enough to fill a stock report.
    const QStringList busy = m_catalogs.stores.mid(0, 4);
    for (int index = 0; index < kDays; ++index) {
      const QDate day = first.addDays(index);
      m_day = day;
      m_sequence = 0;
      // The shop works six days a week and restocks on the first of them.
      const bool working = index % 7 != 6;
      // The first days only buy; afterwards each warehouse is restocked weekly.
      if (index < 3 || index % 7 == 0)
        for (const QString& store : busy) receipt(store, index < 3);
      if (working && index >= 3) {
        const int sales = 1 + m_random.bounded(2);
        for (int i = 0; i < sales; ++i) sale(busy[m_random.bounded(busy.size())]);
        if (m_random.bounded(60) == 0) supplierReturn();
      }
      // Buyers' money comes in every third day; suppliers are paid once a week.
      if (working && index % 3 == 1) collect();
      if (index % 7 == 3) pay();
      if (day == QDate(day.year(), day.month(), day.daysInMonth())) closeMonth();
    }
    return m_documents;
  }

 private:
  QTime nextTime() { return QTime(9, 0).addSecs(7 * 60 * m_sequence++); }

  void add(script::DocumentContent doc) {
    doc.date = m_day;
    m_documents << PlannedDocument{std::move(doc), nextTime()};
  }

  script::DocumentContent goodsDocument(const QString& kind) {
    script::DocumentContent doc;
    doc.kind = kind;
    doc.hasTablePart = true;
    doc.rowColumns = {QStringLiteral("Товар"), QStringLiteral("Количество"), QStringLiteral("Цена"),
                      QStringLiteral("Сумма")};
    return doc;
  }

  // The opening purchase stocks a dozen goods; a weekly one tops up the goods of the
  // warehouse that run low and now and then adds one it has never had.
  void receipt(const QString& store, bool opening) {
    QList<int> wanted;
    if (opening) {
      while (wanted.size() < 12) {
        const int g = m_random.bounded(m_catalogs.goods.size());
        if (!wanted.contains(g)) wanted << g;
      }
    } else {
      for (int g = 0; g < m_catalogs.goods.size(); ++g)
        if (m_lastPrice.contains({g, store}) && m_stock.value({g, store}) < 8) wanted << g;
      if (m_random.bounded(4) == 0) {
        const int g = m_random.bounded(m_catalogs.goods.size());
        if (!m_lastPrice.contains({g, store})) wanted << g;
      }
    }
    if (wanted.isEmpty()) return;
    const QString supplier = m_catalogs.suppliers[m_random.bounded(m_catalogs.suppliers.size())];
    script::DocumentContent doc = goodsDocument(kReceipt);
    qint64 total = 0;
    for (const int g : std::as_const(wanted)) {
      // Suppliers' prices drift around the usual one, so the average cost is an average.
      const qint64 price = m_catalogs.goods[g].priceKopecks * (95 + m_random.bounded(11)) / 100;
      const int quantity = 20 + m_random.bounded(21);
      m_stock[{g, store}] += quantity;
      m_lastPrice[{g, store}] = price;
      m_lastSupplier[{g, store}] = supplier;
      total += price * quantity;
      doc.rows << QStringList{m_catalogs.goods[g].name, QString::number(quantity), money(price),
                              QString()};
    }
    // A supplier's invoice that has not come yet leaves the VAT undeducted.
    const bool deducted = m_random.bounded(20) != 0;
    doc.header = {
        {QStringLiteral("Наименование"), QStringLiteral("Поступление: ") + supplier},
        {QStringLiteral("Контрагент"), supplier},
        {QStringLiteral("Склад"), store},
        {QStringLiteral("НДСКВычету"), deducted ? QStringLiteral("Да") : QStringLiteral("Нет")}};
    add(std::move(doc));
    ++m_counts.receipts;
    m_payables << Due{m_day.addDays(14 + m_random.bounded(21)), supplier, total};
  }

  // A few units of a good last bought on a warehouse go back to a supplier at that price;
  // never the whole stock.
  void supplierReturn() {
    QList<QPair<int, QString>> candidates;
    for (auto [key, quantity] : m_stock.asKeyValueRange())
      if (quantity > 10 && m_lastPrice.contains(key)) candidates << key;
    if (candidates.isEmpty()) return;
    const auto key = candidates[m_random.bounded(candidates.size())];
    const int quantity = 1 + m_random.bounded(3);
    const QString supplier = m_lastSupplier.value(key);
    script::DocumentContent doc = goodsDocument(kReceipt);
    const qint64 price = m_lastPrice.value(key);
    doc.rows << QStringList{m_catalogs.goods[key.first].name, QString::number(-quantity),
                            money(price), QString()};
    doc.header = {
        {QStringLiteral("Наименование"), QStringLiteral("Возврат поставщику: ") + supplier},
        {QStringLiteral("Контрагент"), supplier},
        {QStringLiteral("Склад"), key.second},
        {QStringLiteral("НДСКВычету"), QStringLiteral("Да")}};
    m_stock[key] -= quantity;
    add(std::move(doc));
    ++m_counts.returns;
    m_payables << Due{m_day, supplier, -price * quantity};
  }

  void sale(const QString& store) {
    const QString buyer = m_catalogs.buyers[m_random.bounded(m_catalogs.buyers.size())];
    script::DocumentContent doc = goodsDocument(kSale);
    qint64 total = 0;
    QList<int> used;
    QList<int> inStock;
    for (int g = 0; g < m_catalogs.goods.size(); ++g)
      if (m_stock.value({g, store}) > 0) inStock << g;
    if (inStock.isEmpty()) return;
    const int lines = 1 + m_random.bounded(4);
    for (int l = 0; l < lines; ++l) {
      const int g = inStock[m_random.bounded(inStock.size())];
      const QPair<int, QString> key{g, store};
      const int quantity = std::min(1 + m_random.bounded(10), m_stock.value(key));
      if (used.contains(g) || quantity <= 0) continue;
      used << g;
      const qint64 price = m_catalogs.goods[g].priceKopecks * 13 / 10;
      m_stock[key] -= quantity;
      total += price * quantity;
      doc.rows << QStringList{m_catalogs.goods[g].name, QString::number(quantity), money(price),
                              QString()};
    }
    if (doc.rows.isEmpty()) return;
    doc.header = {{QStringLiteral("Наименование"), QStringLiteral("Отгрузка: ") + buyer},
                  {QStringLiteral("Контрагент"), buyer},
                  {QStringLiteral("Склад"), store}};
    add(std::move(doc));
    ++m_counts.sales;
    // Buyers pay within a few weeks; one in eight pays in two parts.
    const QDate due = m_day.addDays(3 + m_random.bounded(25));
    if (m_random.bounded(8) == 0) {
      m_receivables << Due{due, buyer, total / 2} << Due{due.addDays(10), buyer, total - total / 2};
    } else {
      m_receivables << Due{due, buyer, total};
    }
  }

  void payment(const QString& kind, const QString& name, const QString& party, qint64 kopecks) {
    script::DocumentContent doc;
    doc.kind = kind;
    doc.header = {{QStringLiteral("Наименование"), name + party},
                  {QStringLiteral("Контрагент"), party},
                  {QStringLiteral("Сумма"), money(kopecks)}};
    add(std::move(doc));
    ++m_counts.payments;
  }

  // A buyer pays what has fallen due in one payment: sole traders in cash, others by bank.
  void collect() {
    QMap<QString, qint64> due;
    for (const Due& debt : std::as_const(m_receivables))
      if (debt.date <= m_day) due[debt.party] += debt.kopecks;
    m_receivables.removeIf([&](const Due& debt) { return debt.date <= m_day; });
    for (auto [party, kopecks] : due.asKeyValueRange()) {
      if (party.startsWith(QStringLiteral("ИП"))) {
        payment(QStringLiteral("ПриходныйКассовыйОрдер"), QStringLiteral("Оплата наличными: "),
                party, kopecks);
        m_cash += kopecks;
      } else {
        payment(QStringLiteral("ПоступлениеНаСчет"), QStringLiteral("Оплата от "), party, kopecks);
        m_bank += kopecks;
      }
    }
  }

  // Each supplier is paid what has fallen due, net of returns.
  void pay() {
    QMap<QString, qint64> owed;
    for (const Due& due : std::as_const(m_payables))
      if (due.date <= m_day) owed[due.party] += due.kopecks;
    for (auto [party, kopecks] : owed.asKeyValueRange()) {
      if (kopecks <= 0) continue;
      // The till's money goes first, whatever it has beyond a float; the bank pays the rest,
      // in part when it has less.
      const qint64 fromCash = std::min(kopecks, std::max<qint64>(0, m_cash - 500000) / 100 * 100);
      const bool cashPays = fromCash >= 100000;
      if (cashPays) {
        payment(QStringLiteral("РасходныйКассовыйОрдер"), QStringLiteral("Оплата наличными: "),
                party, fromCash);
        m_cash -= fromCash;
      }
      const qint64 rest = kopecks - (cashPays ? fromCash : 0);
      const qint64 fromBank = std::min(rest, m_bank * 8 / 10 / 100 * 100);
      const bool bankPays = fromBank > 0 && (fromBank == rest || fromBank >= 1000000);
      if (bankPays) {
        payment(QStringLiteral("СписаниеСоСчета"), QStringLiteral("Оплата поставщику: "), party,
                fromBank);
        m_bank -= fromBank;
      }
      qint64 paid = (cashPays ? fromCash : 0) + (bankPays ? fromBank : 0);
      if (paid == 0) continue;
      // What was paid, and what returns took off, settles the oldest of the debts due.
      for (Due& due : m_payables)
        if (due.party == party && due.date <= m_day && due.kopecks < 0) {
          paid -= due.kopecks;
          due.kopecks = 0;
        }
      for (Due& due : m_payables) {
        if (due.party != party || due.date > m_day || paid == 0) continue;
        const qint64 part = std::min(paid, due.kopecks);
        due.kopecks -= part;
        paid -= part;
      }
      m_payables.removeIf([](const Due& due) { return due.kopecks == 0; });
    }
  }

  void closeMonth() {
    script::DocumentContent doc;
    doc.kind = QStringLiteral("ЗакрытиеМесяца");
    doc.header = {{QStringLiteral("Наименование"),
                   QStringLiteral("Закрытие месяца ") + m_day.toString(QStringLiteral("MM.yyyy"))}};
    m_sequence = 120;  // after the day's other documents, at 23:00
    add(std::move(doc));
    ++m_counts.closings;
  }

  const DemoCatalogs& m_catalogs;
  HistoryCounts& m_counts;
  QRandomGenerator m_random;
  QList<PlannedDocument> m_documents;
  QDate m_day;
  int m_sequence = 0;
  QMap<QPair<int, QString>, int> m_stock;
  QMap<QPair<int, QString>, qint64> m_lastPrice;
  QMap<QPair<int, QString>, QString> m_lastSupplier;
  QList<Due> m_payables;
  QList<Due> m_receivables;
  qint64 m_bank = 0;
  qint64 m_cash = 0;
};

}  // namespace

QList<PlannedDocument> planHistory(const DemoCatalogs& catalogs, const QDate& today,
                                   HistoryCounts& counts) {
  return Planner(catalogs, counts).plan(today);
}

}  // namespace balvix::demo
