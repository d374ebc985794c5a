#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QDate>

#include "config/control_tables.h"
#include "config/object_definition.h"
#include "config/table_names.h"
#include "documents/document_service.h"
#include "message_host.h"
#include "script/objects/register_totals.h"
#include "test_helpers.h"

namespace balvix::documents::testing {

// A receipt whose module moves a register and posts to an account, in a database with the
// audit trail and the closing date, as the program opens one.
class PeriodTest : public ::testing::Test, public balvix::testing::TempDatabase {
 protected:
  void SetUp() override {
    using config::RequisiteType;
    config::ObjectDefinition stock;
    stock.kind = config::ObjectKind::Register;
    stock.name = QStringLiteral("Остатки");
    stock.requisites = {
        {QStringLiteral("Товар"), RequisiteType::ofKind(RequisiteType::Kind::Text)},
        {QStringLiteral("Количество"), RequisiteType::ofKind(RequisiteType::Kind::Number)}};
    config::insertDefinition(db(), stock);
    db().execute(config::createTableStatement(config::TableRole::Movements, stock.name,
                                              stock.requisiteNames()));
    receipt.kind = config::ObjectKind::Document;
    receipt.name = QStringLiteral("Приход");
    receipt.requisites = {
        {QStringLiteral("Наименование"), RequisiteType::ofKind(RequisiteType::Kind::Text)}};
    receipt.hasTablePart = true;
    receipt.tableRequisites = {
        {QStringLiteral("Товар"), RequisiteType::ofKind(RequisiteType::Kind::Text)}};
    receipt.module = QStringLiteral(
        "Процедура ПриСохранении()\n"
        "  Объект Рег = СоздатьОбъект(\"Регистр\")\n"
        "  Рег.Вид = \"Остатки\"\n"
        "  Рег.Реквизит(\"Товар\") = \"Стол\"\n"
        "  Рег.Реквизит(\"Количество\") = \"2\"\n"
        "  Рег.ДвижениеВыполнить(\"+\")\n"
        "  Объект Сч = СоздатьОбъект(\"Счет\")\n"
        "  Сч.Вид = \"41\"\n"
        "  Сч.ПриходВыполнить(4)\n"
        "КонецПроцедуры\n");
    config::insertDefinition(db(), receipt);
    db().execute(config::createTableStatement(config::TableRole::Header, receipt.name,
                                              receipt.requisiteNames()));
    db().execute(config::createTableStatement(config::TableRole::TablePart, receipt.name,
                                              receipt.tableRequisiteNames()));
    script::totals::ensureAll(db());
    ASSERT_EQ(config::ensureControlTables(db()), QString());
    context.db = &db();
    service = DocumentService::open(context, host, receipt.name);
    ASSERT_TRUE(service);
  }

  // Saves (and posts) a receipt dated `date`, over the stored one `stored` when given.
  SaveOutcome save(const QDate& date, const std::optional<script::DocumentKey>& stored = {},
                   bool post = true) {
    service->startNew(date);
    service->content().header = {{QStringLiteral("Наименование"), QStringLiteral("Приход")}};
    service->content().rows = {{QStringLiteral("Стол")}};
    if (const auto error = service->load()) ADD_FAILURE() << error->message().toStdString();
    return service->saveAndPost(stored, QTime(10, 0, 0), post);
  }
  script::DocumentKey posted(const QDate& date) {
    const SaveOutcome outcome = save(date);
    EXPECT_EQ(outcome.outcome, script::PostOutcome::Posted)
        << (outcome.error ? outcome.error->message().toStdString() : std::string());
    return outcome.key;
  }

  // Rows of every table a posting writes: what "nothing written" compares.
  QString snapshot() {
    QStringList counts;
    for (const QString& table :
         {config::documentHeaderTable(receipt.name), config::documentTablePartTable(receipt.name),
          config::registerTable(QStringLiteral("Остатки")),
          config::registerTotalsTable(QStringLiteral("Остатки")), QStringLiteral("itogi"),
          config::accountTotalsTable()})
      counts << QString::number(rows(QStringLiteral("SELECT count(*) FROM ") + table));
    counts << value(QStringLiteral("SELECT group_concat(cDATE||Проводка) FROM ") +
                    config::documentHeaderTable(receipt.name));
    return counts.join(u' ');
  }

  // Runs `sql` as an outside tool would: through a connection of its own, past the program
  // (on the server pass, a session of its own); the database's error message, empty when none.
  QString outside(const QString& sql) {
    if (m_server.active()) {
      try {
        storage::Session::open(dbAddress())->execute(sql);
      } catch (const storage::DbError& e) {
        return e.description();
      }
      return {};
    }
    sqlite3* handle = nullptr;
    sqlite3_open(dbPath().toUtf8().constData(), &handle);
    char* error = nullptr;
    sqlite3_exec(handle, sql.toUtf8().constData(), nullptr, nullptr, &error);
    const QString message = error ? QString::fromUtf8(error) : QString();
    sqlite3_free(error);
    sqlite3_close(handle);
    return message;
  }

  config::ObjectDefinition receipt;
  script::MessageHost host;
  script::SharedContext context;
  std::unique_ptr<DocumentService> service;
};

}  // namespace balvix::documents::testing
