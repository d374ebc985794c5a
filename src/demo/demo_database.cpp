#include "demo/demo_database.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QTime>
#include <map>
#include <memory>

#include "config/references.h"
#include "config/table_names.h"
#include "demo/demo_history.h"
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
// The first parties of the data file are the firm's suppliers.
constexpr qsizetype kSupplierCount = 5;
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
               QStringLiteral("Цена"), QStringLiteral("СтавкаНДС")});
  fillCatalog(db, kStores, {QStringLiteral("Наименование"), QStringLiteral("Адрес")});
  fillCatalog(db, kParties,
              {QStringLiteral("Наименование"), QStringLiteral("ИНН"), QStringLiteral("Телефон")});
}

// Modules of the history's documents run without windows: messages would have no reader,
// and none is expected (the history only sells what is in stock and pays what it has).
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

  DemoCatalogs catalogs;
  for (const QStringList& row : dataRows(kGoods + QStringLiteral(".txt")))
    catalogs.goods << DemoCatalogs::Good{row.value(0), qRound64(row.value(3).toDouble() * 100)};
  for (const QStringList& row : dataRows(kStores + QStringLiteral(".txt")))
    catalogs.stores << row.value(0);
  // The first parties sell to the firm, the others buy from it.
  const QList<QStringList> parties = dataRows(kParties + QStringLiteral(".txt"));
  for (qsizetype i = 0; i < parties.size(); ++i)
    (i < kSupplierCount ? catalogs.suppliers : catalogs.buyers) << parties[i].value(0);

  HistoryCounts counts;
  const QList<PlannedDocument> history = planHistory(catalogs, today, counts);

  SilentHost host;
  script::SharedContext context;
  context.db = &db;
  std::map<QString, std::unique_ptr<documents::DocumentService>> services;
  const auto serviceOf = [&](const QString& kind) -> documents::DocumentService& {
    auto it = services.find(kind);
    if (it == services.end()) {
      std::unique_ptr<documents::DocumentService> service =
          documents::DocumentService::open(context, host, kind);
      if (!service)
        throw storage::DbError(
            storage::ErrorCode::Other,
            QStringLiteral("Документ «%1» демонстрационной базы не описан.").arg(kind));
      it = services.emplace(kind, std::move(service)).first;
    }
    return *it->second;
  };
  const int total = static_cast<int>(history.size());
  for (int i = 0; i < total; ++i) {
    const PlannedDocument& planned = history[i];
    postDocument(serviceOf(planned.content.kind), planned.content, planned.time);
    if (progress) progress(i + 1, total);
  }
  DemoSummary summary;
  summary.receipts = counts.receipts;
  summary.returns = counts.returns;
  summary.sales = counts.sales;
  summary.payments = counts.payments;
  summary.closings = counts.closings;
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
