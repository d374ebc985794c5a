// Times the configuration as text files: the export of a configuration of 200 objects with
// 50,000 module lines into a folder, the import of that folder into an empty database (read,
// parse, compare, store every object through the designers' saving) and a second import that
// finds nothing to change. The anchors do the bare work with the engine and stdio in the same
// run: one SELECT of the rows written out as files, and the rows inserted and the tables
// created in one transaction.
#include <sqlite3.h>

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <cstdio>

#include "bench_support.h"
#include "config/table_names.h"
#include "documents/config_files.h"
#include "documents/config_import.h"
#include "storage/session.h"

using namespace balvix;
using config::ObjectKind;
using config::Requisite;
using config::RequisiteType;

namespace {

QString moduleOf(int object, int lines) {
  QString text;
  for (int i = 0; i < lines; ++i)
    text += QStringLiteral("  Сумма%1 = Сумма%1 + %2 ' строка %3\r\n").arg(object).arg(i).arg(i);
  return QStringLiteral("Процедура ПриОткрытии\r\n") + text + QStringLiteral("КонецПроцедуры\r\n");
}

// The objects every database comes with, and the generated ones.
documents::ConfigTree makeTree(storage::Session& db, int objects, int moduleLines) {
  documents::ConfigTree tree = documents::readConfigTree(db);
  auto kindOf = [](int i) {
    const int kind = i % 10;
    return kind < 4    ? ObjectKind::Catalog
           : kind < 8  ? ObjectKind::Document
           : kind == 8 ? ObjectKind::Register
                       : ObjectKind::Report;
  };
  // Every object but the registers has a module; together they hold the lines asked for.
  int withModules = 0;
  for (int i = 0; i < objects; ++i) withModules += kindOf(i) != ObjectKind::Register;
  for (int i = 0; i < objects; ++i) {
    documents::ConfigObject object;
    config::ObjectDefinition& d = object.definition;
    d.name = QStringLiteral("Объект%1").arg(i);
    d.description = QStringLiteral("Объект номер %1").arg(i);
    d.kind = kindOf(i);
    for (int r = 0; r < 6; ++r)
      d.requisites << Requisite{
          QStringLiteral("Реквизит%1_%2").arg(i).arg(r),
          RequisiteType::ofKind(r % 2 ? RequisiteType::Kind::Number : RequisiteType::Kind::Text)};
    if (d.kind == ObjectKind::Register)
      for (Requisite& r : d.requisites) r.type = RequisiteType();
    if (d.kind == ObjectKind::Document) {
      d.journal = config::kFullJournalName;
      d.hasTablePart = true;
      for (int r = 0; r < 4; ++r)
        d.tableRequisites << Requisite{QStringLiteral("Колонка%1_%2").arg(i).arg(r),
                                       RequisiteType::ofKind(RequisiteType::Kind::Number)};
    }
    if (d.kind == ObjectKind::Register || d.kind == ObjectKind::Report) d.requisites.clear();
    if (d.kind == ObjectKind::Register)
      d.requisites = {{QStringLiteral("Товар%1").arg(i), {}},
                      {QStringLiteral("Количество%1").arg(i), {}}};
    // Each module's two procedure lines count among its lines.
    if (d.kind != ObjectKind::Register) d.module = moduleOf(i, moduleLines / withModules - 2);
    tree.objects << object;
  }
  tree.sort();
  return tree;
}

int moduleLines(const documents::ConfigTree& tree) {
  int lines = 0;
  for (const documents::ConfigObject& o : tree.objects) lines += o.definition.module.count(u'\n');
  return lines;
}

double exportAnchor(storage::Session& db, const QString& dir) {
  QDir().mkpath(dir);
  const auto start = bench::Clock::now();
  sqlite3_stmt* statement = nullptr;
  sqlite3_prepare_v2(db.handle(), "SELECT name,type,descript,items_type,code FROM form_items", -1,
                     &statement, nullptr);
  int n = 0;
  while (sqlite3_step(statement) == SQLITE_ROW) {
    const QByteArray path = (dir + QStringLiteral("/%1.txt").arg(n++)).toUtf8();
    FILE* file = std::fopen(path.constData(), "wb");
    for (int c = 0; c < 5; ++c) {
      const auto* text = sqlite3_column_text(statement, c);
      if (text) std::fwrite(text, 1, static_cast<size_t>(sqlite3_column_bytes(statement, c)), file);
      std::fputc('\n', file);
    }
    std::fclose(file);
  }
  sqlite3_finalize(statement);
  return bench::millisecondsSince(start);
}

double importAnchor(storage::Session& db, const documents::ConfigTree& tree) {
  const auto start = bench::Clock::now();
  sqlite3_exec(db.handle(), "BEGIN", nullptr, nullptr, nullptr);
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(
      db.handle(), "INSERT INTO form_items (name,type,descript,code,items_type) VALUES (?,?,?,?,?)",
      -1, &insert, nullptr);
  for (const documents::ConfigObject& o : tree.objects) {
    if (o.definition.name == config::kFullJournalName ||
        o.definition.name == QStringLiteral("ПланСчетов"))
      continue;
    const config::FormItemRow row = o.definition.toRow();
    const QByteArray values[] = {
        row.name.value_or(QString()).toUtf8(), row.type.value_or(QString()).toUtf8(),
        row.descript.value_or(QString()).toUtf8(), row.code.value_or(QString()).toUtf8(),
        row.itemsType.value_or(QString()).toUtf8()};
    for (int c = 0; c < 5; ++c)
      sqlite3_bind_text(insert, c + 1, values[c].constData(), static_cast<int>(values[c].size()),
                        SQLITE_TRANSIENT);
    sqlite3_step(insert);
    sqlite3_reset(insert);
    const config::ObjectDefinition& d = o.definition;
    auto create = [&db](config::TableRole role, const QString& name, const QStringList& columns) {
      sqlite3_exec(db.handle(),
                   config::createTableStatement(role, name, columns).toUtf8().constData(), nullptr,
                   nullptr, nullptr);
    };
    if (d.kind == ObjectKind::Catalog)
      create(config::TableRole::Elements, d.name, d.requisiteNames());
    if (d.kind == ObjectKind::Register)
      create(config::TableRole::Movements, d.name, d.requisiteNames());
    if (d.kind == ObjectKind::Document) {
      create(config::TableRole::Header, d.name, d.requisiteNames());
      create(config::TableRole::TablePart, d.name, d.tableRequisiteNames());
    }
  }
  sqlite3_finalize(insert);
  sqlite3_exec(db.handle(), "COMMIT", nullptr, nullptr, nullptr);
  return bench::millisecondsSince(start);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int objects = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 200;
  const int lines = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 50000;
  QTemporaryDir dir;
  auto source = storage::Session::createNew(dir.filePath(QStringLiteral("source.mdb")));
  const documents::ConfigTree tree = makeTree(*source, objects, lines);
  documents::applyImport(*source, tree, documents::planImport(*source, tree), false);

  const QString folder = dir.filePath(QStringLiteral("files"));
  auto start = bench::Clock::now();
  const int files = documents::exportConfiguration(*source, folder);
  const double exportMs = bench::millisecondsSince(start);

  const double exportAnchorMs = exportAnchor(*source, dir.filePath(QStringLiteral("raw")));

  auto target = storage::Session::createNew(dir.filePath(QStringLiteral("target.mdb")));
  start = bench::Clock::now();
  const documents::ConfigTree read = documents::readConfigurationFiles(folder);
  const documents::ImportPlan plan = documents::planImport(*target, read);
  documents::applyImport(*target, read, plan, false);
  const double importMs = bench::millisecondsSince(start);

  start = bench::Clock::now();
  const bool unchanged =
      documents::planImport(*target, documents::readConfigurationFiles(folder)).isEmpty();
  const double againMs = bench::millisecondsSince(start);

  auto anchor = storage::Session::createNew(dir.filePath(QStringLiteral("anchor.mdb")));
  const double importAnchorMs = importAnchor(*anchor, tree);

  std::printf("configuration of %lld objects, %d module lines, %d files\n",
              static_cast<long long>(tree.objects.size()), moduleLines(tree), files);
  std::printf("export: %.1f ms; bare engine and stdio: %.1f ms; ratio %.1f\n", exportMs,
              exportAnchorMs, exportMs / exportAnchorMs);
  std::printf(
      "import into an empty database: %.1f ms; bare engine inserts and creates: %.1f ms; "
      "ratio %.1f\n",
      importMs, importAnchorMs, importMs / importAnchorMs);
  std::printf("second import (nothing to change): %.1f ms%s\n", againMs,
              unchanged ? "" : " — CHANGES FOUND");
  return unchanged ? 0 : 1;
}
