#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QLineEdit>

#include "config/object_definition.h"
#include "config/references.h"
#include "config/table_names.h"
#include "runtime/catalog_form.h"
#include "runtime/catalog_list.h"
#include "runtime/form_control.h"
#include "runtime/toolbar_control.h"
#include "runtime/value_field.h"
#include "runtime_fixture.h"
#include "storage/db_error.h"

namespace balvix::runtime::testing {
namespace {

using config::Requisite;
using config::RequisiteType;
using config::TableRole;

// Goods named by receipts (header and rows), by stock movements whose column differs from
// the requisite in letter case only, and by another catalog.
class ElementReferencesTest : public RuntimeTest {
 protected:
  ElementReferencesTest() {
    createCatalog(QStringLiteral("Товары"), {{"Наименование", "Текст"}});
    createCatalog(QStringLiteral("Комплекты"),
                  {{"Наименование", "Текст"}, {"Состав", "Справочник.Товары"}});
    for (const char* good : {"Брус", "Доска", "Гвоздь", "Клей"})
      addElement(QStringLiteral("Товары"), QString::fromUtf8(good));
    addElement(QStringLiteral("Комплекты"), QStringLiteral("Набор"), QStringLiteral("Брус"));

    config::ObjectDefinition receipt;
    receipt.kind = config::ObjectKind::Document;
    receipt.name = QStringLiteral("Приход");
    receipt.journal = QStringLiteral("Полный");
    receipt.requisites = {{QStringLiteral("Наименование"), RequisiteType::parse("Текст")},
                          {QStringLiteral("Образец"), RequisiteType::catalog("Товары")}};
    receipt.hasTablePart = true;
    receipt.tableRequisites = {{QStringLiteral("Товар"), RequisiteType::catalog("Товары")},
                               {QStringLiteral("Количество"), RequisiteType::parse("Число")}};
    config::insertDefinition(db(), receipt);
    db().execute(
        config::createTableStatement(TableRole::Header, receipt.name, receipt.requisiteNames()));
    db().execute(config::createTableStatement(TableRole::TablePart, receipt.name,
                                              receipt.tableRequisiteNames()));
    config::ObjectDefinition stock;
    stock.kind = config::ObjectKind::Register;
    stock.name = QStringLiteral("Остатки");
    config::insertDefinition(db(), stock);
    db().execute(config::createTableStatement(
        TableRole::Movements, stock.name, {QStringLiteral("товар"), QStringLiteral("Количество")}));

    // Брус: in two rows of one receipt and the rows of an earlier one, three movements;
    // Доска: the sample of one receipt only; Клей: one movement only.
    const QString header = config::documentHeaderTable(receipt.name);
    const QString rows = config::documentTablePartTable(receipt.name);
    const QString movements = config::registerTable(stock.name);
    for (const char* insert : {"%1 VALUES ('Приход','','05.10.2026','10:00:00','1','2')",
                               "%1 VALUES ('Приход','Доска','12.11.2025','09:00:00','1','1')",
                               "%1 VALUES ('Приход','','03.10.2026','08:00:00','1','1')",
                               "%2 VALUES ('Брус','1','05.10.2026','10:00:00')",
                               "%2 VALUES ('Брус','2','05.10.2026','10:00:00')",
                               "%2 VALUES ('Брус','3','03.10.2026','08:00:00')",
                               "%3 VALUES ('Брус','1','05.10.2026','10:00:00','Приход','1')",
                               "%3 VALUES ('Брус','2','05.10.2026','10:00:00','Приход','1')",
                               "%3 VALUES ('Брус','3','03.10.2026','08:00:00','Приход','1')",
                               "%3 VALUES ('Клей','1','03.10.2026','08:00:00','Приход','1')"})
      db().execute(QStringLiteral("INSERT INTO ") + QString::fromUtf8(insert)
                                                        .replace("%1", header)
                                                        .replace("%2", rows)
                                                        .replace("%3", movements));
    main()->BuildMenus();
  }
};

TEST_F(ElementReferencesTest, AUsedElementIsRefusedSayingWhereAndAnUnusedOneIsDeleted) {
  struct Case {
    const char* element;
    const char* refusal;  // empty: not used, so asked and deleted
  };
  const Case cases[] = {
      {"Брус",
       "Элемент «Брус» используется: 2 документа (первый — Приход № 1 от 03.10.2026), 3 движения "
       "регистра «Остатки», 1 элемент справочника «Комплекты». Удаление невозможно."},
      {"Доска",
       "Элемент «Доска» используется: 1 документ (первый — Приход № 1 от 12.11.2025). "
       "Удаление невозможно."},
      {"Клей", "Элемент «Клей» используется: 1 движение регистра «Остатки». Удаление невозможно."},
      {"Гвоздь", ""},
  };
  auto* list = clickMenu<frmSprList>(0, QStringLiteral("Товары"));
  ASSERT_TRUE(list);
  for (const Case& c : cases) {
    const QString element = QString::fromUtf8(c.element);
    SCOPED_TRACE(element.toStdString());
    const QStringList before = elementNames(QStringLiteral("Товары"));
    list->rowClicked(static_cast<int>(before.indexOf(element)));
    messages.clear();
    list->toolbar()->click(4);  // a question is answered Yes
    const QString refusal = QString::fromUtf8(c.refusal);
    if (!refusal.isEmpty()) {
      EXPECT_EQ(messages.texts(), QStringList{refusal});  // refused before any question
      EXPECT_EQ(elementNames(QStringLiteral("Товары")), before);
    } else {
      EXPECT_EQ(
          messages.texts(),
          QStringList{QStringLiteral("Удалить данный элемент справочника ") + element + " ?"});
      EXPECT_FALSE(elementNames(QStringLiteral("Товары")).contains(element));
    }
  }
}

TEST_F(ElementReferencesTest, ARenameCarriesThroughEveryReferenceAndSaysHowMany) {
  auto* list = clickMenu<frmSprList>(0, QStringLiteral("Товары"));
  ASSERT_TRUE(list);
  list->rowClicked(0);
  list->toolbar()->click(2);
  processEvents();
  const auto forms = openWindows<frmUniSpr>();
  ASSERT_FALSE(forms.isEmpty());
  auto* edit = qobject_cast<QLineEdit*>(forms.last()->form()->field("Наименование")->focusWidget());
  ASSERT_TRUE(edit);
  edit->setText(QStringLiteral("Брус 50×50"));
  messages.clear();
  ASSERT_TRUE(forms.last()->save());
  EXPECT_EQ(messages.texts(),
            QStringList{"Элемент записан успешно. Перенесено ссылок на новое наименование: 7."});
  const char* const named[] = {"table_Документ_Приход WHERE Товар",
                               "items_Регистр_Остатки WHERE товар",
                               "items_Справочник_Комплекты WHERE Состав"};
  for (const char* where : named) {
    SCOPED_TRACE(where);
    const QString from = QStringLiteral("SELECT count(*) FROM ") + QString::fromUtf8(where);
    EXPECT_EQ(value(from + "='Брус'"), "0");
    EXPECT_NE(value(from + "='Брус 50×50'"), "0");
  }
  EXPECT_EQ(value("SELECT count(*) FROM items_Регистр_Остатки WHERE товар='Клей'"), "1");
}

// A rename stands or falls whole: killed or stopped half-way, every reference keeps the old
// name; let finish, every one has the new name.
TEST_F(ElementReferencesTest, ARenameKilledOrStoppedHalfWayLeavesEveryOldName) {
  std::vector<QStringList> movements(1000, {"Брус", "1", "05.10.2026", "10:00:00", "Приход", "1"});
  db().executeEach(QStringLiteral("INSERT INTO items_Регистр_Остатки VALUES (?,?,?,?,?,?)"),
                   movements);
  const QString file = db().path();
  enum class End { Killed, Stopped, Finished };
  for (End end : {End::Killed, End::Stopped, End::Finished}) {
    SCOPED_TRACE(static_cast<int>(end));
    // No connection is carried across the fork: the child opens its own.
    state.db = nullptr;
    m_db.reset();
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      close(ready[0]);
      int code = 0;  // committed; 1 failed, 2 stopped
      try {
        auto session = storage::Session::open(file);
        storage::Transaction transaction(*session);
        session->execute(
            QStringLiteral("UPDATE items_Справочник_Товары SET Наименование="
                           "'Брус 50×50' WHERE Наименование='Брус'"));
        config::renameReferences(*session, QStringLiteral("Товары"), QStringLiteral("Брус"),
                                 QStringLiteral("Брус 50×50"), [&](qint64 moved, qint64 total) {
                                   if (moved == 0 || moved == total) return true;
                                   // Half-way: the rows of the documents are renamed, the
                                   // movements not yet.
                                   if (write(ready[1], "x", 1) != 1) _exit(3);
                                   if (end == End::Killed) pause();
                                   return end != End::Stopped;
                                 });
        transaction.commit();
      } catch (const storage::DbError& e) {
        code = e.number() == storage::ErrorCode::Cancelled ? 2 : 1;
      }
      // The outcome goes through the pipe: the test program's own child handling may reap
      // this process before waitpid() below would.
      const char outcome = static_cast<char>('0' + code);
      _exit(write(ready[1], &outcome, 1) == 1 ? 0 : 3);
    }
    close(ready[1]);
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);  // half-way
    if (end == End::Killed) kill(child, SIGKILL);
    // Whatever the child says until it ends; after a kill, nothing.
    std::string rest;
    while (read(ready[0], &byte, 1) == 1) rest += byte;
    close(ready[0]);
    waitpid(child, nullptr, 0);
    m_db = storage::Session::open(file);
    state.db = m_db.get();
    EXPECT_EQ(rest.empty() ? 'k' : rest.back(),
              end == End::Killed ? 'k' : (end == End::Stopped ? '2' : '0'));
    const QString renamed = end == End::Finished ? QStringLiteral("Брус 50×50") : "Брус";
    EXPECT_EQ(value("SELECT count(*) FROM items_Регистр_Остатки WHERE товар='" + renamed + "'"),
              "1003");
    EXPECT_EQ(value("SELECT count(*) FROM table_Документ_Приход WHERE Товар='" + renamed + "'"),
              "3");
    EXPECT_EQ(
        value("SELECT count(*) FROM items_Справочник_Товары WHERE Наименование='" + renamed + "'"),
        "1");
  }
}

}  // namespace
}  // namespace balvix::runtime::testing
