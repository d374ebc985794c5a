// Times a 1,000-row sales invoice printed to PDF through the demo's print form «Расходная
// накладная» (the form's module fills the layout, the report painter writes the pages)
// against the same lines drawn as plain text on A4 pages by QPdfWriter in the same run:
// what the painting of a PDF costs at all, without a layout.
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <cstdio>

#include "bench_support.h"
#include "config/object_definition.h"
#include "config/print_forms.h"
#include "demo/demo_database.h"
#include "documents/print_form.h"
#include "documents/report_export.h"
#include "runtime/print_build.h"
#include "shell/message_box.h"
#include "storage/sql_text.h"

using namespace balvix;

namespace {

const QString kKey = QStringLiteral("'15.03.2025','10:00:00'");

void addInvoice(storage::Session& db, int rows) {
  db.execute(QStringLiteral("INSERT INTO items_Документ_РасходнаяНакладная "
                            "(Наименование,Контрагент,Склад,cDATE,cTIME,Проводка,Номер) VALUES "
                            "('Большая','ИП Петров А. В.','Склад №1 (Центральный)',") +
             kKey + QStringLiteral(",'1','777')"));
  storage::Transaction transaction(db);
  for (int i = 1; i <= rows; ++i)
    db.execute(QStringLiteral("INSERT INTO table_Документ_РасходнаяНакладная "
                              "(Товар,Количество,Цена,Сумма,cDATE,cTIME) VALUES "
                              "('Гвозди строительные 100 мм',%1,'10.5',%2,")
                   .arg(i)
                   .arg(storage::quote(QString::number(i * 10.5))) +
               kKey + u')');
  transaction.commit();
}

// The anchor: the invoice's lines as plain text, 60 to an A4 page.
double plainPdfMs(const QStringList& lines, const QString& path) {
  const auto start = bench::Clock::now();
  QPdfWriter writer(path);
  writer.setPageSize(QPageSize(QPageSize::A4));
  writer.setResolution(300);
  QPainter painter(&writer);
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPointSizeF(8);
  painter.setFont(font);
  const int step = painter.fontMetrics().height();
  int y = step;
  for (const QString& line : lines) {
    if (y + step > writer.height()) {
      writer.newPage();
      y = step;
    }
    painter.drawText(0, y, line);
    y += step;
  }
  painter.end();
  return bench::millisecondsSince(start);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const int rows = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 1000;
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("demo.mdb"));
  demo::createDemoDatabase(path);
  auto db = storage::Session::open(path);
  addInvoice(*db, rows);

  const QString kind = QStringLiteral("РасходнаяНакладная");
  const std::optional<config::ObjectDefinition> definition =
      config::readDefinition(*db, config::ObjectKind::Document, kind);
  const QList<config::PrintForm> forms = config::readPrintForms(*db, kind);
  if (!definition || forms.isEmpty()) {
    std::fprintf(stderr, "the demo has no sales invoice form\n");
    return 1;
  }
  const std::optional<documents::PrintedDocument> document = documents::readPrintedDocument(
      *db, *definition, {QStringLiteral("15.03.2025"), QStringLiteral("10:00:00")});
  if (!document) {
    std::fprintf(stderr, "the invoice was not stored\n");
    return 1;
  }
  bool failed = false;
  shell::MessageBoxes::setResponder([&failed](const shell::Message& m) {
    std::fprintf(stderr, "%s\n", m.text.toUtf8().constData());
    failed = true;
    return shell::MsgAnswer::Ok;
  });
  bench::QuietHost host;
  script::SharedContext context;
  context.db = db.get();

  const QString ours = dir.filePath(QStringLiteral("накладная.pdf"));
  QStringList lines;
  double buildMs = 0;
  const double printMs = bench::bestOf(3, [&] {
    const auto start = bench::Clock::now();
    const std::optional<documents::ReportSheet> sheet =
        runtime::buildPrintForm(context, host, forms.front(), *document);
    if (!sheet) return -1.0;
    buildMs = bench::millisecondsSince(start);
    const QString error = documents::report_export::writePdf(
        *sheet, ours, documents::printTitle(forms.front(), *document));
    if (!error.isEmpty()) {
      std::fprintf(stderr, "%s\n", error.toUtf8().constData());
      failed = true;
    }
    if (lines.isEmpty())
      for (const std::vector<documents::ReportCell>& row : sheet->rows) {
        QStringList cells;
        for (const documents::ReportCell& cell : row) cells << cell.text;
        lines << cells.join(u' ').simplified();
      }
    return bench::millisecondsSince(start);
  });
  const QString plain = dir.filePath(QStringLiteral("строки.pdf"));
  const double anchorMs = bench::bestOf(3, [&] { return plainPdfMs(lines, plain); });
  std::printf(
      "invoice of %d rows to PDF through its print form: %.0f ms (best of 3; filling "
      "the form %.0f ms)\n",
      rows, printMs, buildMs);
  std::printf("anchor: the same %lld lines as plain text by QPdfWriter: %.0f ms\n",
              static_cast<long long>(lines.size()), anchorMs);
  std::printf("ratio %.2f\n", printMs / anchorMs);
  return failed || printMs <= 0 || anchorMs <= 0 ? 1 : 0;
}
