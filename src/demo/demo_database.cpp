#include "demo/demo_database.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QRandomGenerator>
#include <QTime>
#include <memory>

#include "config/references.h"
#include "config/table_names.h"
#include "documents/config_import.h"
#include "documents/document_service.h"
#include "script/engine.h"
#include "script/host.h"
#include "script/objects/document_content_objects.h"
#include "script/objects/document_posting.h"
#include "script/objects/register_totals.h"
#include "storage/database_file.h"
#include "storage/db_error.h"
#include "storage/session.h"
#include "storage/sql_text.h"

namespace balvix::demo {

namespace {

const QString kGoods = QStringLiteral("Товары");
const QString kStores = QStringLiteral("Склады");
const QString kParties = QStringLiteral("Контрагенты");
const QString kReceipt = QStringLiteral("ПриходнаяНакладная");
const QString kSale = QStringLiteral("РасходнаяНакладная");
const QString kConfigFolder = QStringLiteral(":/democonfig");

// Rows of a data file: "#" lines are comments, fields are separated by ";".
QList<QStringList> dataRows(const QString& name) {
  QList<QStringList> rows;
  for (const QString& line : resourceText(name).split(u'\n')) {
    const QString trimmed = line.trimmed();
    if (trimmed.isEmpty() || trimmed.startsWith(u'#')) continue;
    rows << trimmed.split(u';');
  }
  return rows;
}

void fillCatalog(storage::Session& db, const QString& catalog, const QStringList& columns) {
  for (const QStringList& row : dataRows(catalog + QStringLiteral(".txt"))) {
    QStringList values;
    for (int i = 0; i < columns.size(); ++i) values << storage::quote(row.value(i).trimmed());
    db.execute(QStringLiteral("INSERT INTO ") + config::catalogTable(catalog) + u'(' +
               columns.join(u',') + QStringLiteral(") VALUES (") + values.join(u',') + u')');
  }
}

// The configuration comes from its files (src/demo/config), loaded as any tree of files is;
// the catalogs' elements from the data files beside it.
void defineConfiguration(storage::Session& db) {
  const documents::ConfigTree tree = documents::readConfigurationFiles(kConfigFolder);
  documents::applyImport(db, tree, documents::planImport(db, tree), false);
  fillCatalog(db, kGoods,
              {QStringLiteral("Наименование"), QStringLiteral("Артикул"), QStringLiteral("Единица"),
               QStringLiteral("Цена")});
  fillCatalog(db, kStores, {QStringLiteral("Наименование"), QStringLiteral("Адрес")});
  fillCatalog(db, kParties,
              {QStringLiteral("Наименование"), QStringLiteral("ИНН"), QStringLiteral("Телефон")});
}

// Modules of the history's documents run without windows: messages would have no reader,
// and none is expected (the history only sells what is in stock).
class SilentHost : public script::Host {
 public:
  int showMessage(const QString& text, int, const QString&) override {
    messages << text;
    return script::MsgBoxCode::AnswerOk;
  }
  void setStatus(const QString&) override {}
  void startProgram(const QString&) override {}
  QStringList messages;
};

// Saves and posts one document through the document service of its kind, as its window
// would: the table-change procedure fills the amounts, the save procedure writes the
// movements.
void postDocument(documents::DocumentService& service, const script::DocumentContent& content,
                  QTime time) {
  if (std::optional<script::ScriptError> error = service.load()) throw *error;
  service.startNew(content.date);
  service.content().header = content.header;
  service.content().rowColumns = content.rowColumns;
  service.content().rows = content.rows;
  if (std::optional<script::ScriptError> error = service.tableChanged()) throw *error;
  const documents::SaveOutcome result = service.saveAndPost(std::nullopt, time);
  if (result.error) throw *result.error;
  if (result.problem)
    throw storage::DbError(storage::ErrorCode::Other,
                           QStringLiteral("Документ «%1» демонстрационной базы не проведен: %2")
                               .arg(content.kind, result.problem->message));
  if (result.outcome != script::PostOutcome::Posted)
    throw storage::DbError(
        storage::ErrorCode::Other,
        QStringLiteral("Документ «%1» демонстрационной базы не проведен.").arg(content.kind));
}

}  // namespace

QString resourceText(const QString& name) {
  QFile file(QStringLiteral(":/demo/") + name);
  if (!file.open(QIODevice::ReadOnly))
    throw storage::DbError(
        storage::ErrorCode::Other,
        QStringLiteral("В программе нет файла демонстрационной базы «%1».").arg(name));
  QString text = QString::fromUtf8(file.readAll());
  // Modules are stored with CR LF line ends, as the module editor writes them.
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(u'\n', QStringLiteral("\r\n"));
  return text;
}

DemoSummary addDemo(storage::Session& db, const QDate& today, const Progress& progress) {
  {
    storage::Transaction transaction(db);
    defineConfiguration(db);
    // The stock register's Товар and Склад are counted before a good or warehouse is deleted.
    config::ensureReferenceIndexes(db);
    transaction.commit();
  }

  struct Good {
    QString name;
    int price = 0;
  };
  QList<Good> goods;
  for (const QStringList& row : dataRows(kGoods + QStringLiteral(".txt")))
    goods << Good{row.value(0), row.value(3).toInt()};
  QStringList stores;
  for (const QStringList& row : dataRows(kStores + QStringLiteral(".txt"))) stores << row.value(0);
  QStringList parties;
  for (const QStringList& row : dataRows(kParties + QStringLiteral(".txt")))
    parties << row.value(0);
  // The history keeps to a few busy warehouses, so that stock accumulates and sells.
  const QStringList busy = stores.mid(0, 4);

  SilentHost host;
  script::SharedContext context;
  context.db = &db;
  const std::unique_ptr<documents::DocumentService> receipts =
      documents::DocumentService::open(context, host, kReceipt);
  const std::unique_ptr<documents::DocumentService> sales =
      documents::DocumentService::open(context, host, kSale);
  if (!receipts || !sales)
    throw storage::DbError(storage::ErrorCode::Other,
                           QStringLiteral("Документы демонстрационной базы не описаны."));
  QRandomGenerator random(20240601);
  QMap<QPair<QString, QString>, int> stock;
  DemoSummary summary;
  const int total = 200;
  const QStringList columns = {QStringLiteral("Товар"), QStringLiteral("Количество"),
                               QStringLiteral("Цена"), QStringLiteral("Сумма")};
  // The history covers the last three months, which a journal shows when it opens.
  const QDate first = today.addMonths(-3);
  const qint64 span = first.daysTo(today);
  for (int i = 0; i < total; ++i) {
    const QDate date = first.addDays((i * span) / total);
    const QTime time = QTime(9, 0).addSecs(60 * (i % 400));
    const QString store = busy[random.bounded(busy.size())];
    // Receipts first fill the warehouses; afterwards two documents in three are sales.
    bool sale = i >= 30 && random.bounded(3) != 0;
    script::DocumentContent doc;
    doc.date = date;
    doc.hasTablePart = true;
    doc.rowColumns = columns;
    const int lines = 1 + random.bounded(4);
    QList<int> used;
    for (int l = 0; l < lines; ++l) {
      int g = random.bounded(goods.size());
      if (used.contains(g)) continue;
      const auto key = qMakePair(goods[g].name, store);
      int quantity = 1 + random.bounded(sale ? 10 : 40);
      if (sale) {
        quantity = qMin(quantity, stock.value(key));
        if (quantity <= 0) continue;
      }
      used << g;
      const int price = sale ? goods[g].price * 13 / 10 : goods[g].price;
      doc.rows << QStringList{goods[g].name, QString::number(quantity), QString::number(price),
                              QString()};
    }
    if (doc.rows.isEmpty()) {
      // Nothing of these goods left here: a receipt instead.
      sale = false;
      const int g = random.bounded(goods.size());
      doc.rows << QStringList{goods[g].name, QString::number(10 + random.bounded(30)),
                              QString::number(goods[g].price), QString()};
    }
    ++(sale ? summary.sales : summary.receipts);
    doc.kind = sale ? kSale : kReceipt;
    // The number is the document's own, given as it is saved; the name says what it is.
    const QString party = parties[random.bounded(parties.size())];
    doc.header = {
        {QStringLiteral("Наименование"),
         (sale ? QStringLiteral("Отгрузка: %1") : QStringLiteral("Поступление: %1")).arg(party)},
        {QStringLiteral("Контрагент"), party},
        {QStringLiteral("Склад"), store}};
    postDocument(sale ? *sales : *receipts, doc, time);
    for (const QStringList& row : std::as_const(doc.rows))
      stock[qMakePair(row[0], store)] += sale ? -row[1].toInt() : row[1].toInt();
    if (progress) progress(i + 1, total);
  }
  return summary;
}

DemoSummary createDemoDatabase(const QString& path, const QDate& today, const Progress& progress) {
  // A server's database is made by its administrator and filled here where it stands.
  if (storage::Session::isServerAddress(path))
    return addDemo(*storage::Session::createNew(path), today, progress);
  const QString file = QFileInfo(path).absoluteFilePath();
  if (QFileInfo::exists(file))
    throw storage::DbError(
        storage::ErrorCode::FileExists,
        QStringLiteral("Файл «%1» уже существует; новая база данных не создана, чтобы "
                       "не затереть его.")
            .arg(QDir::toNativeSeparators(file)));
  const QString temp =
      file + QStringLiteral(".demo-") + QString::number(QCoreApplication::applicationPid());
  auto removeTemp = [&] {
    for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
      QFile::remove(temp + suffix);
  };
  removeTemp();
  storage::removeAbandonedWork(file, QStringLiteral(".demo-"));
  DemoSummary summary;
  try {
    std::unique_ptr<storage::Session> db = storage::Session::createNew(temp);
    summary = addDemo(*db, today, progress);
    db.reset();
  } catch (...) {
    removeTemp();
    throw;
  }
  QFile::remove(temp + QStringLiteral("-wal"));
  QFile::remove(temp + QStringLiteral("-shm"));
  if (!QFile::rename(temp, file)) {
    removeTemp();
    throw storage::DbError(
        storage::ErrorCode::FileExists,
        QStringLiteral("Файл «%1» появился, пока создавалась новая база данных; он не затерт.")
            .arg(QDir::toNativeSeparators(file)));
  }
  return summary;
}

}  // namespace balvix::demo
