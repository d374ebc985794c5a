// A report module that outputs 100,000 rows through Вывести (three parameters each):
// the time to the finished grid and the memory it takes, then the exports of that
// output to CSV, XLSX and PDF. Anchors in the same run: the same rows filled from the
// same templates by CPython (/usr/bin/python3.11) and written with its csv module, and
// 100,000 rows of three texts inserted into raw SQLite.
#include <sqlite3.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

#include "bench_support.h"
#include "documents/report_export.h"
#include "runtime/report_grid.h"
#include "runtime/report_model.h"
#include "script/objects/object_factory.h"

using namespace balvix;

namespace {

long rssKb() {
  QFile f(QStringLiteral("/proc/self/status"));
  if (!f.open(QIODevice::ReadOnly)) return 0;
  for (const QByteArray& line : f.readAll().split('\n'))
    if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
  return 0;
}

double rawSqliteMs(int rows) {
  QElapsedTimer timer;
  timer.start();
  sqlite3* db = nullptr;
  sqlite3_open(":memory:", &db);
  sqlite3_exec(db, "CREATE TABLE t(a TEXT, b TEXT, c TEXT); BEGIN", nullptr, nullptr, nullptr);
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO t VALUES (?,?,?)", -1, &st, nullptr);
  for (int i = 1; i <= rows; ++i) {
    const QByteArray a = QStringLiteral("Товар %1").arg(i).toUtf8();
    const QByteArray b = QByteArray::number(i % 7);
    const QByteArray c = QByteArray::number(i * 3);
    sqlite3_bind_text(st, 1, a.constData(), static_cast<int>(a.size()), SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 2, b.constData(), static_cast<int>(b.size()), SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 3, c.constData(), static_cast<int>(c.size()), SQLITE_TRANSIENT);
    sqlite3_step(st);
    sqlite3_reset(st);
  }
  sqlite3_finalize(st);
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_close(db);
  return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

QStringList python(int rows, const QString& csvPath) {
  const QString script = QStringLiteral(
      "import csv,sys,time\n"
      "n=int(sys.argv[1])\n"
      "t=time.perf_counter()\n"
      "tpl=['[Товар]','Склад [Склад]','[Количество]']\n"
      "out=[]\n"
      "for i in range(1,n+1):\n"
      "  p={'[Товар]':'Товар %d'%i,'[Склад]':str(i%7),'[Количество]':str(i*3)}\n"
      "  row=[]\n"
      "  for c in tpl:\n"
      "    for k,v in p.items(): c=c.replace(k,v)\n"
      "    row.append(c)\n"
      "  out.append(row)\n"
      "fill=(time.perf_counter()-t)*1000\n"
      "t=time.perf_counter()\n"
      "with open(sys.argv[2],'w',encoding='utf-8-sig',newline='') as f:\n"
      "  csv.writer(f,delimiter=';').writerows(out)\n"
      "print(fill, (time.perf_counter()-t)*1000)\n");
  return bench::runPython(script, {QString::number(rows), csvPath}, 300000).split(u' ');
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int rows = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100000;
  QTemporaryDir dir;
  bench::QuietHost host;

  documents::ReportSheet layout;
  layout.cellRef(0, 0).text = QStringLiteral("Остатки");
  layout.cellRef(1, 0).text = QStringLiteral("[Товар]");
  layout.cellRef(1, 1).text = QStringLiteral("Склад [Склад]");
  layout.cellRef(1, 2).text = QStringLiteral("[Количество]");
  layout.cellRef(2, 0).text = QStringLiteral("Итого");
  // Every output row carries a merged range, the costly case for the view and the pages.
  layout.cellRef(1, 3).text = QStringLiteral("шт.");
  layout.merges << QRect(3, 1, 2, 1);
  layout.sections << documents::ReportSection{QStringLiteral("Шапка"), 0, 0}
                  << documents::ReportSection{QStringLiteral("Строка"), 1, 1}
                  << documents::ReportSection{QStringLiteral("Итог"), 2, 2};
  const QString module = QStringLiteral(
                             "Отчет.Вывести(\"Шапка\")\n"
                             "Для Н = 1 До %1\n"
                             "  Отчет.Параметр(\"Товар\") = \"Товар \" & Н\n"
                             "  Отчет.Параметр(\"Склад\") = Н Mod 7\n"
                             "  Отчет.Параметр(\"Количество\") = Н * 3\n"
                             "  Отчет.Вывести(\"Строка\")\n"
                             "Далее\n"
                             "Отчет.Вывести(\"Итог\")\n")
                             .arg(rows);

  runtime::ReportGrid grid;
  grid.resize(900, 600);
  grid.show();
  grid.setHost(&host);
  grid.LoadLayout(documents::ReportLayoutText::write(layout));
  QApplication::processEvents();
  const long before = rssKb();
  QElapsedTimer timer;
  timer.start();
  const bool ok = grid.LoadModule(module, script::createGlobalFunctions(host, nullptr));
  QApplication::processEvents();
  const double fillMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;
  const long after = rssKb();
  std::printf("report of %d rows through Вывести: %s, %d rows in the grid\n", rows,
              ok ? "ok" : "FAILED", grid.model()->rowCount());
  std::printf("  time to the finished grid: %.0f ms; memory: +%.1f MB (RSS)\n", fillMs,
              (after - before) / 1024.0);

  const QStringList py = python(rows, dir.filePath(QStringLiteral("py.csv")));
  const double sqliteMs = rawSqliteMs(rows);
  const double pyFill = py.value(0).toDouble();
  const double pyCsv = py.value(1).toDouble();
  std::printf("  anchor CPython 3.11 filling the same rows: %.0f ms (ratio %.2f)\n", pyFill,
              fillMs / pyFill);
  std::printf("  anchor raw SQLite inserting %d rows of three texts: %.0f ms (ratio %.2f)\n", rows,
              sqliteMs, fillMs / sqliteMs);

  auto timed = [&](const char* what, auto&& write) {
    QElapsedTimer t;
    t.start();
    const QString error = write();
    const double ms = static_cast<double>(t.nsecsElapsed()) / 1e6;
    std::printf("  export %s: %.0f ms%s\n", what, ms,
                error.isEmpty() ? "" : qPrintable(QStringLiteral(" — ") + error));
    return ms;
  };
  const double csvMs = timed("CSV", [&] {
    return documents::report_export::writeCsv(grid.sheet(), dir.filePath(QStringLiteral("r.csv")));
  });
  std::printf("    anchor CPython csv module: %.0f ms (ratio %.2f)\n", pyCsv, csvMs / pyCsv);
  timed("XLSX", [&] {
    return documents::report_export::writeXlsx(grid.sheet(), dir.filePath(QStringLiteral("r.xlsx")),
                                               QStringLiteral("Отчет"));
  });
  const double pdfMs = timed("PDF", [&] {
    return documents::report_export::writePdf(grid.sheet(), dir.filePath(QStringLiteral("r.pdf")),
                                              QStringLiteral("Отчет"));
  });
  std::printf("    PDF against CPython's CSV of the same rows: ratio %.1f; %lld bytes\n",
              pdfMs / pyCsv,
              static_cast<long long>(QFile(dir.filePath(QStringLiteral("r.pdf"))).size()));
  return ok ? 0 : 1;
}
