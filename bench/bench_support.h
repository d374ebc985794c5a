#pragma once

#include <sqlite3.h>

#include <QProcess>
#include <QString>
#include <QStringList>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "script/engine.h"
#include "script/objects/object_factory.h"
#include "script/objects/program_host.h"
#include "script/objects/shared_context.h"
#include "storage/session.h"

namespace balvix::bench {

using Clock = std::chrono::steady_clock;

inline double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

inline double millisecondsSince(Clock::time_point start) {
  return secondsSince(start) * 1000.0;
}

// The smallest of `runs` results of `measure`: the run least disturbed by other work.
template <typename Measure>
double bestOf(int runs, Measure measure) {
  double best = 1e300;
  for (int run = 0; run < runs; ++run) best = std::min(best, static_cast<double>(measure()));
  return best;
}

// A host without windows whose messages go to stdout.
class QuietHost : public script::ProgramHost {
 public:
  int showMessage(const QString& text, int, const QString&) override {
    std::printf("%s\n", text.toUtf8().constData());
    return script::MsgBoxCode::AnswerOk;
  }
  void setStatus(const QString&) override {}
  void startProgram(const QString&) override {}
};

// The module engine as the program sets it up, with its global functions on `session`.
template <class Host = QuietHost>
struct BasicModuleEngine {
  Host host;
  script::SharedContext context;
  script::Engine engine{host};

  explicit BasicModuleEngine(storage::Session& session) {
    context.db = &session;
    engine.setGlobalObject(script::createGlobalFunctions(host, context));
  }
};
using ModuleEngine = BasicModuleEngine<>;

// A receipt's posting module: each table row into the stock register, the header's sum
// as postings Дт 41 Кт 60.
inline QString receiptModule() {
  return QStringLiteral(
      "Процедура ПриСохранении()\r\n"
      "  Объект Рег = СоздатьОбъект(\"Регистр\")\r\n"
      "  Рег.Вид = \"Остатки\"\r\n"
      "  Таблица.ВыбратьСтроки()\r\n"
      "  Делать Пока Таблица.ПолучитьСтроку() = 1\r\n"
      "    Рег.Реквизит(\"Товар\") = Таблица.ЗначениеКолонки(\"Товар\")\r\n"
      "    Рег.Реквизит(\"Количество\") = Таблица.ЗначениеКолонки(\"Количество\")\r\n"
      "    Рег.ДвижениеВыполнить(\"+\")\r\n"
      "  Цикл\r\n"
      "  Объект Сч = СоздатьОбъект(\"Счет\")\r\n"
      "  Сч.Вид = \"41\"\r\n"
      "  Сч.ПриходВыполнить(Форма.Значение(\"Сумма\"))\r\n"
      "  Сч.Вид = \"60\"\r\n"
      "  Сч.РасходВыполнить(Форма.Значение(\"Сумма\"))\r\n"
      "КонецПроцедуры\r\n");
}

// Anchor: every column of every row of `sql` read as text through the raw C API, from opening
// the file to closing it; milliseconds.
inline double rawReadAllMs(const QString& path, const char* sql) {
  const auto start = Clock::now();
  sqlite3* db = nullptr;
  sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
  std::vector<std::string> values;
  const int columns = sqlite3_column_count(st);
  while (sqlite3_step(st) == SQLITE_ROW)
    for (int c = 0; c < columns; ++c)
      values.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, c)));
  sqlite3_finalize(st);
  sqlite3_close(db);
  return millisecondsSince(start);
}

// Runs a script with CPython 3.11 (the benchmarks' second anchor) and returns what it
// printed; empty with the error on stderr when it failed.
inline QString runPython(const QString& script, const QStringList& args, int timeoutMs = 600000) {
  QProcess python;
  python.start(QStringLiteral("/usr/bin/python3.11"),
               QStringList{QStringLiteral("-c"), script} + args);
  if (!python.waitForFinished(timeoutMs) || python.exitCode() != 0) {
    std::fprintf(stderr, "python: %s\n", python.readAllStandardError().constData());
    return {};
  }
  return QString::fromUtf8(python.readAllStandardOutput()).trimmed();
}

// Anchor: the rows of `sql` read into a list by CPython's sqlite3, connection included;
// milliseconds as Python measured them, -1 on failure.
inline double pythonReadAllMs(const QString& path, const char* sql) {
  const QString script = QStringLiteral(
      "import sqlite3,sys,time\n"
      "t=time.perf_counter()\n"
      "c=sqlite3.connect(sys.argv[1])\n"
      "rows=list(c.execute(sys.argv[2]))\n"
      "print((time.perf_counter()-t)*1000)\n");
  const QString out = runPython(script, {path, QString::fromUtf8(sql)}, 60000);
  return out.isEmpty() ? -1 : out.toDouble();
}

}  // namespace balvix::bench
