#include "demo/demo_database.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QRandomGenerator>
#include <QTime>
#include <memory>

#include "config/form_layout.h"
#include "config/object_definition.h"
#include "config/print_forms.h"
#include "config/references.h"
#include "config/table_names.h"
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

using config::ObjectDefinition;
using config::ObjectKind;
using config::Requisite;
using config::RequisiteType;

namespace {

const QString kGoods = QStringLiteral("Товары");
const QString kStores = QStringLiteral("Склады");
const QString kParties = QStringLiteral("Контрагенты");
const QString kUnits = QStringLiteral("ЕдиницыИзмерения");
const QString kStock = QStringLiteral("ОстаткиТоваров");
const QString kReceipt = QStringLiteral("ПриходнаяНакладная");
const QString kSale = QStringLiteral("РасходнаяНакладная");
const QString kJournal = QStringLiteral("Склад");

Requisite text(const QString& name) {
  return {name, RequisiteType::ofKind(RequisiteType::Kind::Text)};
}
Requisite number(const QString& name) {
  return {name, RequisiteType::ofKind(RequisiteType::Kind::Number)};
}
Requisite amount(const QString& name) {
  return {name, RequisiteType::amount()};
}
Requisite catalog(const QString& name, const QString& of) {
  return {name, RequisiteType::catalog(of)};
}
Requisite required(Requisite requisite) {
  requisite.required = true;
  return requisite;
}

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

// A configuration object as its designer stores it: the form_items row, then the tables.
void define(storage::Session& db, ObjectDefinition definition) {
  if (config::hasForm(definition.kind) && !definition.layout) {
    QList<Requisite> fields = definition.requisites;
    definition.layout = config::composeDefaultLayout(fields).text();
    definition.size = config::defaultFormSize().text();
  }
  config::insertDefinition(db, definition);
  const QStringList names = definition.requisiteNames();
  switch (definition.kind) {
    case ObjectKind::Catalog:
      db.execute(config::createTableStatement(config::TableRole::Elements, definition.name, names));
      break;
    case ObjectKind::Register:
      db.execute(
          config::createTableStatement(config::TableRole::Movements, definition.name, names));
      config::ensureKeyIndex(db, config::TableRole::Movements, definition.name);
      script::totals::rebuild(db, definition.name);
      break;
    case ObjectKind::Document:
      db.execute(config::createTableStatement(config::TableRole::Header, definition.name, names));
      config::ensureKeyIndex(db, config::TableRole::Header, definition.name);
      if (definition.hasTablePart) {
        db.execute(config::createTableStatement(config::TableRole::TablePart, definition.name,
                                                definition.tableRequisiteNames()));
        config::ensureKeyIndex(db, config::TableRole::TablePart, definition.name);
      }
      break;
    default:
      break;
  }
}

void fillCatalog(storage::Session& db, const QString& catalog, const QStringList& columns) {
  for (const QStringList& row : dataRows(catalog + QStringLiteral(".txt"))) {
    QStringList values;
    for (int i = 0; i < columns.size(); ++i) values << storage::quote(row.value(i).trimmed());
    db.execute(QStringLiteral("INSERT INTO ") + config::catalogTable(catalog) + u'(' +
               columns.join(u',') + QStringLiteral(") VALUES (") + values.join(u',') + u')');
  }
}

void defineConfiguration(storage::Session& db) {
  ObjectDefinition units;
  units.kind = ObjectKind::Enumeration;
  units.name = kUnits;
  units.description = QStringLiteral("Единицы измерения");
  units.setEnumerationValues(
      {QStringLiteral("шт"), QStringLiteral("кг"), QStringLiteral("л"), QStringLiteral("м")});
  define(db, units);

  ObjectDefinition goods;
  goods.kind = ObjectKind::Catalog;
  goods.name = kGoods;
  goods.description = QStringLiteral("Товары");
  goods.module = QStringLiteral("_");
  goods.requisites = {text(QStringLiteral("Наименование")),
                      text(QStringLiteral("Артикул")),
                      {QStringLiteral("Единица"), RequisiteType::enumeration(kUnits)},
                      amount(QStringLiteral("Цена"))};
  define(db, goods);

  ObjectDefinition stores = goods;
  stores.name = kStores;
  stores.description = QStringLiteral("Склады");
  stores.requisites = {text(QStringLiteral("Наименование")), text(QStringLiteral("Адрес"))};
  stores.layout.reset();
  define(db, stores);

  ObjectDefinition parties = stores;
  parties.name = kParties;
  parties.description = QStringLiteral("Контрагенты");
  parties.requisites = {text(QStringLiteral("Наименование")), text(QStringLiteral("ИНН")),
                        text(QStringLiteral("Телефон"))};
  define(db, parties);

  ObjectDefinition stock;
  stock.kind = ObjectKind::Register;
  stock.name = kStock;
  stock.description = QStringLiteral("Остатки товаров по складам");
  stock.requisites = {{QStringLiteral("Товар"), {}},
                      {QStringLiteral("Склад"), {}},
                      {QStringLiteral("Количество"), {}}};
  define(db, stock);

  ObjectDefinition journal;
  journal.kind = ObjectKind::Journal;
  journal.name = kJournal;
  journal.description = QStringLiteral("Складские документы");
  journal.columns = {QStringLiteral("Контрагент"), QStringLiteral("Склад")};
  define(db, journal);

  for (const auto& [name, caption, partner] :
       {std::tuple{kReceipt, QStringLiteral("Приходная накладная"), QStringLiteral("Поставщик")},
        std::tuple{kSale, QStringLiteral("Расходная накладная"), QStringLiteral("Покупатель")}}) {
    (void)partner;
    ObjectDefinition doc;
    doc.kind = ObjectKind::Document;
    doc.name = name;
    doc.description = caption;
    doc.journal = kJournal;
    doc.module = resourceText(name + QStringLiteral(".txt"));
    doc.requisites = {text(QStringLiteral("Наименование")),
                      required(catalog(QStringLiteral("Контрагент"), kParties)),
                      required(catalog(QStringLiteral("Склад"), kStores))};
    doc.hasTablePart = true;
    doc.tableRequisites = {required(catalog(QStringLiteral("Товар"), kGoods)),
                           required(number(QStringLiteral("Количество"))),
                           required(amount(QStringLiteral("Цена"))),
                           amount(QStringLiteral("Сумма"))};
    define(db, doc);
  }

  // Each invoice prints through one layout; the procedure its module begins with names the
  // parties and the signatures.
  const QString invoice = resourceText(QStringLiteral("Накладная.print.txt"));
  const QString invoiceLayout = resourceText(QStringLiteral("Накладная.layout"));
  const QString firm = QStringLiteral("ООО «Стройторг»");
  auto quoted = [](QString text) {
    return u'"' + text.replace(u'"', QStringLiteral("\"\"")) + u'"';
  };
  auto roles = [&quoted](const QString& role1, const QString& party1, const QString& role2,
                         const QString& party2, const QString& sign1, const QString& sign2) {
    auto set = [](const QString& name, const QString& value) {
      return QStringLiteral("  Отчет.Параметр(\"%1\") = %2\r\n").arg(name, value);
    };
    return QStringLiteral("Процедура Роли\r\n") +
           set(QStringLiteral("Заголовок"), QStringLiteral("Документ.Название")) +
           set(QStringLiteral("Роль1"), quoted(role1)) + set(QStringLiteral("Сторона1"), party1) +
           set(QStringLiteral("Роль2"), quoted(role2)) + set(QStringLiteral("Сторона2"), party2) +
           set(QStringLiteral("Подпись1"), quoted(sign1)) +
           set(QStringLiteral("Подпись2"), quoted(sign2)) +
           QStringLiteral("КонецПроцедуры\r\n\r\n");
  };
  const QString partner = QStringLiteral("Форма.Значение(\"Контрагент\")");
  const QString us = quoted(firm);
  config::addPrintForm(db, kSale,
                       {QStringLiteral("Расходная накладная"), invoiceLayout,
                        roles(QStringLiteral("Продавец"), us, QStringLiteral("Покупатель"), partner,
                              QStringLiteral("Отпустил"), QStringLiteral("Получил")) +
                            invoice});
  config::addPrintForm(db, kReceipt,
                       {QStringLiteral("Приходная накладная"), invoiceLayout,
                        roles(QStringLiteral("Поставщик"), partner, QStringLiteral("Получатель"),
                              us, QStringLiteral("Сдал"), QStringLiteral("Принял")) +
                            invoice});

  for (const auto& [name, caption] : {std::pair{kStock, QStringLiteral("Остатки товаров")},
                                      std::pair{QStringLiteral("ОборотноСальдоваяВедомость"),
                                                QStringLiteral("Оборотно-сальдовая ведомость")}}) {
    ObjectDefinition report;
    report.kind = ObjectKind::Report;
    report.name = name;
    report.description = caption;
    report.module = resourceText(name + QStringLiteral(".txt"));
    report.layout = resourceText(name + QStringLiteral(".layout"));
    // Both reports ask for their period (the balances for its last day) before they run.
    report.dialog =
        QStringLiteral("name=lbl;index=1;top=300;left=250;width=4000;height=300;caption=%1;\r\n")
            .arg(name == kStock ? QStringLiteral("Остатки на конец периода")
                                : QStringLiteral("Обороты за период"));
    define(db, report);
  }

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
