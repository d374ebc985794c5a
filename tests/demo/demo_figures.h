#pragma once

#include <QDate>
#include <QFile>
#include <QMap>
#include <QPair>
#include <QString>
#include <QStringList>

#include "storage/session.h"

namespace balvix::demo::testing {

// Figures computed straight from the raw tables, independently of the program's register
// and account objects, to check what the reports show.
inline QDate dateOf(const QString& text) {
  return QDate::fromString(text, QStringLiteral("dd.MM.yyyy"));
}

// A stored amount as a number, whichever decimal separator it was written with.
inline double amountOf(QString text) {
  return text.replace(u',', u'.').toDouble();
}

// Whole kopecks, so that sums of amounts compare exactly.
inline qint64 kopecks(double amount) {
  return qRound64(amount * 100);
}

// Stock by (good, warehouse) on a date: receipts minus issues of every movement up to it.
inline QMap<QPair<QString, QString>, double> stockOn(storage::Session& db, const QDate& date) {
  QMap<QPair<QString, QString>, double> stock;
  storage::Recordset rs = db.openRecordset(
      QStringLiteral("SELECT Товар,Склад,Количество,Флаг,cDATE FROM items_Регистр_ОстаткиТоваров"));
  for (; !rs.eof(); rs.moveNext()) {
    if (dateOf(rs.text(4)) > date) continue;
    const double q = amountOf(rs.text(2));
    stock[qMakePair(rs.text(0), rs.text(1))] += rs.text(3) == QStringLiteral("+") ? q : -q;
  }
  return stock;
}

struct Stock {
  double quantity = 0, cost = 0;
};

// Quantity and cost of every (good, warehouse) on a date, from the register's movements.
inline QMap<QPair<QString, QString>, Stock> stockWithCostOn(storage::Session& db,
                                                            const QDate& date) {
  QMap<QPair<QString, QString>, Stock> stock;
  storage::Recordset rs = db.openRecordset(QStringLiteral(
      "SELECT Товар,Склад,Количество,Сумма,Флаг,cDATE FROM items_Регистр_ОстаткиТоваров"));
  for (; !rs.eof(); rs.moveNext()) {
    if (dateOf(rs.text(5)) > date) continue;
    const double sign = rs.text(4) == QStringLiteral("+") ? 1 : -1;
    Stock& s = stock[qMakePair(rs.text(0), rs.text(1))];
    s.quantity += sign * amountOf(rs.text(2));
    s.cost += sign * amountOf(rs.text(3));
  }
  return stock;
}

// What the settlements register holds on a date, by counterparty and account: positive
// when the counterparty owes the firm.
inline QMap<QPair<QString, QString>, double> settlementsOn(storage::Session& db,
                                                           const QDate& date) {
  QMap<QPair<QString, QString>, double> debts;
  storage::Recordset rs = db.openRecordset(
      QStringLiteral("SELECT Контрагент,Счет,Сумма,Флаг,cDATE FROM items_Регистр_Взаиморасчеты"));
  for (; !rs.eof(); rs.moveNext())
    if (dateOf(rs.text(4)) <= date)
      debts[qMakePair(rs.text(0), rs.text(1))] +=
          (rs.text(3) == QStringLiteral("+") ? 1 : -1) * amountOf(rs.text(2));
  return debts;
}

struct AccountFigures {
  double openingNet = 0, debit = 0, credit = 0;
};

// Per account: the net balance before the period and the turnovers within it.
inline QMap<QString, AccountFigures> accountsFor(storage::Session& db, const QDate& from,
                                                 const QDate& to) {
  QMap<QString, AccountFigures> accounts;
  storage::Recordset rs =
      db.openRecordset(QStringLiteral("SELECT Код,Дебет,Кредит,cDATE FROM itogi"));
  for (; !rs.eof(); rs.moveNext()) {
    const QDate d = dateOf(rs.text(3));
    const double debit = amountOf(rs.text(1)), credit = amountOf(rs.text(2));
    AccountFigures& a = accounts[rs.text(0)];
    if (d < from)
      a.openingNet += debit - credit;
    else if (d <= to) {
      a.debit += debit;
      a.credit += credit;
    }
  }
  return accounts;
}

// A CSV file as the exporter writes it (BOM, ";" between fields, CR LF; quoted fields).
inline QList<QStringList> readCsv(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  QString text = QString::fromUtf8(f.readAll());
  if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
  QList<QStringList> rows;
  QStringList row;
  QString field;
  bool quoted = false;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (quoted) {
      if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"') {
        field += u'"';
        ++i;
      } else if (c == u'"') {
        quoted = false;
      } else {
        field += c;
      }
    } else if (c == u'"') {
      quoted = true;
    } else if (c == u';') {
      row << field;
      field.clear();
    } else if (c == u'\n') {
      row << field;
      field.clear();
      rows << row;
      row.clear();
    } else if (c != u'\r') {
      field += c;
    }
  }
  if (!field.isEmpty() || !row.isEmpty()) rows << (row << field);
  return rows;
}

// A number of a report cell (grouping blanks and a decimal comma allowed).
inline double cellNumber(QString text) {
  text.remove(u' ').remove(QChar(0xA0)).replace(u',', u'.');
  return text.isEmpty() ? 0.0 : text.toDouble();
}

}  // namespace balvix::demo::testing
