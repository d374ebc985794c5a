// Times the load of 100,000 goods into a catalog from CSV and from XLSX (read, checked
// against the requisites' types and the referenced catalog, written in one transaction)
// against CPython in the same run: its csv module reading the same CSV and sqlite3 inserting
// the rows in one transaction, with no checks at all.
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstdio>

#include "bench_support.h"
#include "config/object_definition.h"
#include "config/table_names.h"
#include "documents/catalog_import.h"
#include "documents/list_export.h"
#include "documents/source_table.h"
#include "storage/session.h"

using namespace balvix;
using config::RequisiteType;

namespace {

void define(storage::Session& db, const QString& name, const QList<config::Requisite>& requisites) {
  config::ObjectDefinition d;
  d.kind = config::ObjectKind::Catalog;
  d.name = name;
  d.description = name;
  d.module = QStringLiteral("_");
  d.requisites = requisites;
  config::insertDefinition(db, d);
  db.execute(config::createTableStatement(config::TableRole::Elements, name, d.requisiteNames()));
}

// Milliseconds of one load into the emptied catalog; -1 when it failed.
double loadMs(storage::Session& db, const QString& file, int* added) {
  db.execute(QStringLiteral("DELETE FROM items_Справочник_Товары"));
  const auto start = bench::Clock::now();
  documents::CatalogImport import(db, QStringLiteral("Товары"));
  if (!import.open().isEmpty() || !import.readFile(file).isEmpty()) return -1;
  if (qEnvironmentVariableIsSet("BALVIX_BENCH_STEPS")) {
    const double read = bench::millisecondsSince(start);
    const auto checking = bench::Clock::now();
    import.check({});
    std::printf("  %s: read %.0f ms, check alone %.0f ms\n", qPrintable(file.section(u'.', -1)),
                read, bench::millisecondsSince(checking));
  }
  const documents::ImportReport report = import.load({});
  const double ms = bench::millisecondsSince(start);
  if (!report.error.isEmpty()) {
    std::fprintf(stderr, "%s\n", report.error.toUtf8().constData());
    return -1;
  }
  *added = report.added;
  return ms;
}

double pythonLoadMs(const QString& path, const QString& csv) {
  const QString script = QStringLiteral(
      "import csv,sqlite3,sys,time\n"
      "c=sqlite3.connect(sys.argv[1])\n"
      "c.execute('DELETE FROM items_Справочник_Товары'); c.commit()\n"
      "t=time.perf_counter()\n"
      "with open(sys.argv[2],encoding='utf-8-sig',newline='') as f:\n"
      "  r=csv.reader(f,delimiter=';'); next(r)\n"
      "  c.execute('BEGIN')\n"
      "  c.executemany('INSERT INTO items_Справочник_Товары VALUES (?,?,?,?,?)',r)\n"
      "  c.commit()\n"
      "print((time.perf_counter()-t)*1000)\n");
  const QString out = bench::runPython(script, {path, csv});
  return out.isEmpty() ? -1 : out.toDouble();
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const int count = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100000;
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("basa.mdb"));
  auto db = storage::Session::createNew(path);
  define(*db, QStringLiteral("Склады"),
         {{QStringLiteral("Наименование"), RequisiteType::ofKind(RequisiteType::Kind::Text)}});
  define(*db, QStringLiteral("Товары"),
         {{QStringLiteral("Наименование"), RequisiteType::ofKind(RequisiteType::Kind::Text)},
          {QStringLiteral("Артикул"), RequisiteType::ofKind(RequisiteType::Kind::Text)},
          {QStringLiteral("Цена"), RequisiteType::ofKind(RequisiteType::Kind::Number)},
          {QStringLiteral("Склад"), RequisiteType::catalog(QStringLiteral("Склады"))},
          {QStringLiteral("Поступил"), RequisiteType::ofKind(RequisiteType::Kind::Date)}});
  for (int s = 0; s < 20; ++s)
    db->execute(QStringLiteral("INSERT INTO items_Справочник_Склады VALUES ('Склад %1')").arg(s));

  documents::ListTable table;
  table.headers = {QStringLiteral("Наименование"), QStringLiteral("Артикул"),
                   QStringLiteral("Цена"), QStringLiteral("Склад"), QStringLiteral("Поступил")};
  table.kinds = {RequisiteType::Kind::Text, RequisiteType::Kind::Text, RequisiteType::Kind::Number,
                 RequisiteType::Kind::Text, RequisiteType::Kind::Date};
  const QDate first(2024, 1, 1);
  for (int i = 0; i < count; ++i)
    table.rows.push_back({QStringLiteral("Товар \"%1\"; сорт %2").arg(i).arg(i % 7),
                          QStringLiteral("АРТ-%1").arg(i), QString::number((i % 9973) * 1.25),
                          QStringLiteral("Склад %1").arg(i % 20),
                          first.addDays(i % 700).toString(QStringLiteral("dd.MM.yyyy"))});
  const QString csv = dir.filePath(QStringLiteral("товары.csv"));
  const QString xlsx = dir.filePath(QStringLiteral("товары.xlsx"));
  if (!documents::list_export::writeCsv(table, csv).isEmpty() ||
      !documents::list_export::writeXlsx(table, xlsx).isEmpty()) {
    std::fprintf(stderr, "the files could not be written\n");
    return 1;
  }

  // The same goods with every price changed, loaded over the full catalog: 100,000 updates
  // by name.
  for (QStringList& row : table.rows) row[2] = row[2] + QStringLiteral("1");
  const QString changed = dir.filePath(QStringLiteral("цены.csv"));
  if (!documents::list_export::writeCsv(table, changed).isEmpty()) return 1;

  // Reading alone, without the checks and the writing.
  const auto readMs = [](const QString& file) {
    return bench::bestOf(3, [&] {
      documents::SourceTable read;
      const auto start = bench::Clock::now();
      return documents::readSourceFile(file, read).isEmpty() ? bench::millisecondsSince(start)
                                                             : -1.0;
    });
  };
  const double readCsv = readMs(csv), readXlsx = readMs(xlsx);

  int added = 0;
  const double fromCsv = bench::bestOf(3, [&] { return loadMs(*db, csv, &added); });
  const int addedCsv = added;
  const double fromXlsx = bench::bestOf(3, [&] { return loadMs(*db, xlsx, &added); });
  int updated = 0;
  const double changing = bench::bestOf(3, [&] {
    documents::CatalogImport back(*db, QStringLiteral("Товары"));
    if (!back.open().isEmpty() || !back.readFile(csv).isEmpty() || back.load({}).written)
      return -1.0;
    const auto start = bench::Clock::now();
    documents::CatalogImport import(*db, QStringLiteral("Товары"));
    if (!import.open().isEmpty() || !import.readFile(changed).isEmpty()) return -1.0;
    const documents::ImportReport report = import.load({});
    updated = report.changed;
    const double ms = bench::millisecondsSince(start);
    // The original prices again for the next run.
    documents::CatalogImport restore(*db, QStringLiteral("Товары"));
    if (!restore.open().isEmpty() || !restore.readFile(csv).isEmpty()) return -1.0;
    restore.load({});
    return report.error.isEmpty() ? ms : -1.0;
  });
  db.reset();
  const double py = bench::bestOf(3, [&] { return pythonLoadMs(path, csv); });
  std::printf("import of %d goods from CSV: %.0f ms (best of 3), from XLSX: %.0f ms\n", addedCsv,
              fromCsv, fromXlsx);
  std::printf("of which reading the file alone: CSV %.0f ms, XLSX %.0f ms\n", readCsv, readXlsx);
  std::printf("anchor CPython csv + sqlite3, one transaction, no checks: %.0f ms\n", py);
  std::printf("ratio CSV %.2f, XLSX %.2f\n", fromCsv / py, fromXlsx / py);
  std::printf(
      "the same goods with every price changed, over the full catalog: %d updated in "
      "%.0f ms (%.2f of the anchor's inserts)\n",
      updated, changing, changing / py);
  return addedCsv == count && added == count && updated == count && fromCsv > 0 && fromXlsx > 0 &&
                 changing > 0 && py > 0
             ? 0
             : 1;
}
