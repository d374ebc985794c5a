#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include "script/objects/document_posting.h"

namespace balvix::demo {

// The catalogs the history trades in, as the data files give them.
struct DemoCatalogs {
  struct Good {
    QString name;
    qint64 priceKopecks = 0;  // the usual purchase price, VAT included
  };
  QList<Good> goods;
  QStringList stores;
  QStringList suppliers;
  QStringList buyers;  // those whose name starts with «ИП» pay cash
};

// What the history consists of, by kind of document.
struct HistoryCounts {
  int receipts = 0;  // ПриходнаяНакладная with positive quantities
  int returns = 0;  // ПриходнаяНакладная with negative quantities: returns to the supplier
  int sales = 0;     // РасходнаяНакладная
  int payments = 0;  // the bank and cash documents
  int closings = 0;  // ЗакрытиеМесяца
};

struct PlannedDocument {
  script::DocumentContent content;
  QTime time;
};

// The 364 days of a small trading firm up to `today`, in the order of their dates:
// purchases before sales, each warehouse restocked weekly, buyers paying after a delay
// (bank or, for sole traders, cash), suppliers paid when their terms fall due and the money
// is there, a few returns to suppliers, and a month-end on every month's last day. The
// same documents are planned whatever `today` is; only their dates move. Only the
// documents are planned here; their modules post them.
QList<PlannedDocument> planHistory(const DemoCatalogs& catalogs, const QDate& today,
                                   HistoryCounts& counts);

}  // namespace balvix::demo
