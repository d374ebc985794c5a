#include "documents/list_export.h"

#include <QHash>

#include "config/object_definition.h"
#include "config/table_names.h"
#include "documents/report_export.h"
#include "documents/source_table.h"
#include "script/number_text.h"
#include "storage/session.h"
#include "storage/sql_text.h"

namespace balvix::documents::list_export {

using Kind = config::RequisiteType::Kind;

namespace {

const QString kDateFormat = QStringLiteral("dd.MM.yyyy");
const QString kTotalColumn = QStringLiteral("Сумма");

QString text(std::string_view view) {
  return QString::fromUtf8(view.data(), static_cast<qsizetype>(view.size()));
}

// A column width in pixels that shows most of the column's texts.
int widthOf(const ListTable& table, int column) {
  qsizetype longest = table.headers.value(column).size();
  const std::size_t sample = std::min<std::size_t>(table.rows.size(), 500);
  for (std::size_t r = 0; r < sample; ++r)
    longest = std::max(longest, table.rows[r].value(column).size());
  return static_cast<int>(std::clamp<qsizetype>(longest, 4, 60) * 7 + 10);
}

enum class Target { Csv, Xlsx };

// The texts of a list that loads back as a number in a CSV: the stored text itself, with a
// decimal comma for a point, so that the text read back differs at most in the separator
// (which the forms and the import take either way). A text with blanks, leading zeros or an
// exponent stays text.
bool csvNumberKeepsText(const QString& text, double* number, int* decimals) {
  const std::optional<double> read = script::readNumber(text, decimals);
  if (!read) return false;
  *number = *read;
  return script::numberText(*read, *decimals, false) == QString(text).replace(u'.', u',');
}

ReportSheet sheetOf(const ListTable& table, Target target) {
  ReportSheet sheet;
  const int columns = static_cast<int>(table.headers.size());
  sheet.columns = columns;
  CellStyle header;
  header.bold = true;
  const int bold = sheet.styleIndex(header);
  CellStyle amount;
  amount.decimals = 2;
  const int amounts = sheet.styleIndex(amount);
  sheet.rows.reserve(table.rows.size() + 1);
  std::vector<ReportCell> first(static_cast<std::size_t>(columns));
  for (int c = 0; c < columns; ++c) first[static_cast<std::size_t>(c)] = {table.headers[c], bold};
  sheet.rows.push_back(std::move(first));
  for (const QStringList& values : table.rows) {
    std::vector<ReportCell> row(static_cast<std::size_t>(columns));
    for (int c = 0; c < columns && c < values.size(); ++c) {
      ReportCell& cell = row[static_cast<std::size_t>(c)];
      cell.text = values[c];
      if (cell.text.isEmpty()) continue;
      const Kind kind = table.kinds.value(c, Kind::Text);
      if (kind == Kind::Number) {
        bool ok = false;
        double number = 0;
        int decimals = 0;
        if (table.loadsBack && target == Target::Csv) {
          // Its own decimals, not an amount's two: the text must load back.
          if (csvNumberKeepsText(cell.text, &number, &decimals)) {
            cell.kind = CellKind::Number;
            cell.number = number;
          }
          continue;
        }
        number = cell.text.toDouble(&ok);
        ok = ok && QString::number(number, 'g', 15) == cell.text;
        if (!ok && !table.loadsBack) {
          const std::optional<double> read = script::readNumber(cell.text);
          ok = read.has_value();
          number = read.value_or(0);
        }
        if (ok) {
          cell.kind = CellKind::Number;
          cell.number = number;
          if (table.money.value(c, false)) cell.style = amounts;
        }
      } else if (kind == Kind::Date) {
        const QDate date = dateOfText(cell.text);
        if (date.isValid() && date.toString(kDateFormat) == cell.text) {
          cell.kind = CellKind::Date;
          cell.number = static_cast<double>(QDate(1899, 12, 30).daysTo(date));
        }
      }
    }
    sheet.rows.push_back(std::move(row));
  }
  if (target == Target::Xlsx) {
    sheet.columnWidths.resize(static_cast<std::size_t>(columns));
    for (int c = 0; c < columns; ++c)
      sheet.columnWidths[static_cast<std::size_t>(c)] = widthOf(table, c);
  }
  return sheet;
}

}  // namespace

QString writeCsv(const ListTable& table, const QString& path) {
  return report_export::writeCsv(sheetOf(table, Target::Csv), path);
}

QString writeXlsx(const ListTable& table, const QString& path, int* alteredCells) {
  return report_export::writeXlsx(sheetOf(table, Target::Xlsx), path, table.title, alteredCells);
}

QString write(const ListTable& table, const QString& path, int* alteredCells) {
  if (path.endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive))
    return writeXlsx(table, path, alteredCells);
  return writeCsv(table, path);
}

ListTable catalogList(storage::Session& db, const QString& catalog) {
  ListTable table;
  table.title = catalog;
  QList<config::Requisite> requisites;
  if (const auto definition = config::readDefinition(db, config::ObjectKind::Catalog, catalog))
    requisites = definition->requisites;
  QStringList columns;
  int code = 0;
  db.forEachRow(
      QStringLiteral("SELECT * FROM ") + config::catalogTable(catalog),
      [&](const storage::RowView& row) {
        QStringList values;
        values.reserve(row.columnCount() + 1);
        values << QString::number(++code);
        for (int c = 0; c < row.columnCount(); ++c) values << text(row.text(c));
        table.rows.push_back(std::move(values));
      },
      &columns);
  table.headers << QStringLiteral("Код");
  table.kinds << Kind::Number;
  table.money << false;
  for (const QString& column : config::requisiteColumns(config::TableRole::Elements, columns)) {
    Kind kind = Kind::Text;
    bool money = false;
    for (const config::Requisite& r : requisites)
      if (r.name.compare(column, Qt::CaseInsensitive) == 0) {
        kind = r.type.kind;
        money = r.type.isMoney();
      }
    table.headers << column;
    table.kinds << kind;
    table.money << money;
  }
  return table;
}

ListTable journalList(storage::Session& db, const QString& journal, const QDate& from,
                      const QDate& to) {
  ListTable table;
  table.title = journal;
  table.headers = {QStringLiteral("№"),
                   QStringLiteral("Дата"),
                   QStringLiteral("Время"),
                   QStringLiteral("Вид документа"),
                   QStringLiteral("Наименование"),
                   QStringLiteral("Сумма"),
                   QStringLiteral("Проведен")};
  table.kinds = {Kind::Number, Kind::Date,   Kind::Text, Kind::Text,
                 Kind::Text,   Kind::Number, Kind::Text};
  table.money = {false, false, false, false, false, true, false};
  table.loadsBack = false;
  // The journal's own columns follow «Вид документа», as in its window.
  QStringList extras;
  if (journal != config::kFullJournalName)
    if (const auto definition = config::readDefinition(db, config::ObjectKind::Journal, journal))
      extras = definition->columns;
  for (int i = 0; i < extras.size(); ++i) {
    table.headers.insert(4 + i, extras[i]);
    table.kinds.insert(4 + i, Kind::Text);
    table.money.insert(4 + i, false);
  }
  auto inPeriod = [&](const QString& date) {
    if (!from.isValid() && !to.isValid()) return true;
    const QDate d = QDate::fromString(date.trimmed(), kDateFormat);
    return d.isValid() && (!from.isValid() || d >= from) && (!to.isValid() || d <= to);
  };
  auto amountOf = [](const QString& stored) {
    QString t = stored;
    t.remove(u' ');
    t.replace(u',', u'.');
    return t.toDouble();
  };
  for (const config::FormItemRow& kindRow :
       config::readFormItemRows(db, config::ObjectKind::Document)) {
    const QString kind = kindRow.name.value_or(QString());
    if (journal != config::kFullJournalName && kindRow.zurnal.value_or(QString()) != journal)
      continue;
    const QString header = config::documentHeaderTable(kind);
    if (!storage::isValidIdentifier(kind) || !db.tableExists(header)) continue;
    const QString described = kindRow.descript.value_or(QString()).trimmed();
    const QString caption = described.isEmpty() ? kind : described;
    // A journal's own column holds numbers or dates as the first kind that has it says.
    if (!extras.isEmpty())
      if (const auto definition = config::readDefinition(db, config::ObjectKind::Document, kind))
        for (int i = 0; i < extras.size(); ++i)
          for (const config::Requisite& r : definition->requisites)
            if (r.name.compare(extras[i], Qt::CaseInsensitive) == 0 &&
                table.kinds[4 + i] == Kind::Text &&
                (r.type.kind == Kind::Number || r.type.kind == Kind::Date)) {
              table.kinds[4 + i] = r.type.kind;
              table.money[4 + i] = r.type.isMoney();
            }
    const QStringList headerColumns = db.columns(header);
    const QString lines = config::documentTablePartTable(kind);
    const bool headerTotal = headerColumns.contains(kTotalColumn, Qt::CaseInsensitive);
    const bool linesTotal = !headerTotal && db.tableExists(lines) &&
                            db.columns(lines).contains(kTotalColumn, Qt::CaseInsensitive);
    QHash<QString, double> sums;
    if (linesTotal)
      db.forEachRow(QStringLiteral("SELECT cDATE,cTIME,Сумма FROM ") + lines,
                    [&](const storage::RowView& row) {
                      sums[text(row.text(0)) + u'\n' + text(row.text(1))] +=
                          amountOf(text(row.text(2)));
                    });
    QString extrasSelect;
    for (const QString& extra : extras)
      extrasSelect +=
          u',' +
          (headerColumns.contains(extra, Qt::CaseInsensitive) ? extra : QStringLiteral("''"));
    const QString number =
        headerColumns.contains(config::kDocumentNumberColumn, Qt::CaseInsensitive)
            ? config::kDocumentNumberColumn
            : QStringLiteral("''");
    db.forEachRow(QStringLiteral("SELECT Наименование,cDATE,cTIME,Проводка,") + number + u',' +
                      (headerTotal ? kTotalColumn : QStringLiteral("''")) + extrasSelect +
                      QStringLiteral(" FROM ") + header,
                  [&](const storage::RowView& row) {
                    const QString date = text(row.text(1));
                    if (!inPeriod(date)) return;
                    const QString time = text(row.text(2));
                    const std::string_view posted = row.text(3);
                    QString total;
                    if (headerTotal)
                      total = script::amountText(amountOf(text(row.text(5))));
                    else if (linesTotal)
                      total = script::amountText(sums.value(date + u'\n' + time));
                    QStringList values{text(row.text(4)).trimmed(), date, time, caption};
                    for (int i = 0; i < extras.size(); ++i) values << text(row.text(6 + i));
                    values << text(row.text(0)) << total
                           << (posted == "1" || posted == " 1" ? QStringLiteral("Проведен")
                                                               : QStringLiteral("Не проведен"));
                    table.rows.push_back(std::move(values));
                  });
  }
  return table;
}

}  // namespace balvix::documents::list_export
