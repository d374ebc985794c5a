#include "script/objects/document_posting.h"

#include "object_fixture.h"
#include "storage/sql_text.h"

using namespace balvix::script;
using namespace balvix::script::testing;

namespace {

// Saving and posting documents without windows: the same code the document form, the
// journal and the headless runner use.
class DocumentPostingTest : public ObjectTest {
 protected:
  void SetUp() override {
    ObjectTest::SetUp();
    addRegister(QStringLiteral("Остатки"), {QStringLiteral("Товар"), QStringLiteral("Количество")});
    addRegister(QStringLiteral("Прочее"), {QStringLiteral("Товар")});
    exec(QStringLiteral(
        "INSERT INTO form_items (name,type,table_) VALUES ('Приход','Документ','1')"));
    exec(
        QStringLiteral("CREATE TABLE items_Документ_Приход(Наименование TEXT(50),Сумма TEXT(50),"
                       "cDATE TEXT(10),cTIME TEXT(10),Проводка TEXT(10))"));
    exec(
        QStringLiteral("CREATE TABLE table_Документ_Приход(Товар TEXT(50),Количество TEXT(50),"
                       "cDATE TEXT(10),cTIME TEXT(10))"));
  }

  // The module of the kind: one movement per table row, a posting of the sum.
  static QString module(const QString& tail = QString()) {
    return QStringLiteral(
               "Процедура ПриСохранении()\n"
               "  Объект Рег = СоздатьОбъект(\"Регистр\")\n"
               "  Рег.Вид = \"Остатки\"\n"
               "  Рег.Реквизит(\"Товар\") = \"Стол\"\n"
               "  Рег.Реквизит(\"Количество\") = \"2\"\n"
               "  Рег.ДвижениеВыполнить(\"+\")\n"
               "  Рег.Реквизит(\"Товар\") = \"Стул\"\n"
               "  Рег.Реквизит(\"Количество\") = \"2\"\n"
               "  Рег.ДвижениеВыполнить(\"+\")\n"
               "  Объект Сч = СоздатьОбъект(\"Счет\")\n"
               "  Сч.Вид = \"41\"\n"
               "  Сч.ПриходВыполнить(4)\n") +
           tail + QStringLiteral("КонецПроцедуры\n");
  }

  DocumentContent content(const QString& name, const QList<QStringList>& rows = {}) {
    DocumentContent doc;
    doc.kind = QStringLiteral("Приход");
    doc.date = QDate(2026, 3, 2);
    doc.header = {{QStringLiteral("Наименование"), name},
                  {QStringLiteral("Сумма"), QStringLiteral("4")}};
    doc.rowColumns = {QStringLiteral("Товар"), QStringLiteral("Количество")};
    doc.rows = rows;
    doc.hasTablePart = true;
    return doc;
  }

  PostResult post(const DocumentContent& doc, const QString& code = module(),
                  const std::optional<DocumentKey>& stored = std::nullopt,
                  QTime at = QTime(10, 0, 0)) {
    Engine engine(host);
    engine.setGlobalObject(createGlobalFunctions(host, context));
    engine.load(code);
    return posting::saveAndPost(
        context, doc, stored,
        [&] {
          engine.runThis(QStringLiteral("ПриСохранении"));
          return true;
        },
        at);
  }

  int count(const QString& table) {
    return column(QStringLiteral("SELECT COUNT(*) FROM ") + table).value(0).toInt();
  }
  // The register's balance of a good, as a report sums it.
  int balance() {
    return column(QStringLiteral("SELECT COALESCE(SUM(CASE WHEN Флаг='+' THEN +Количество ELSE "
                                 "-Количество END),0) "
                                 "FROM items_Регистр_Остатки"))
        .value(0)
        .toInt();
  }
};

TEST_F(DocumentPostingTest, NewDocumentWritesHeaderRowsMovementsAndPostingsUnderOneKey) {
  const PostResult result = post(content(QStringLiteral("П-1"), {{"Стол", "2"}, {"Стул", "3"}}));
  ASSERT_EQ(result.outcome, PostOutcome::Posted);
  EXPECT_EQ(result.key, (DocumentKey{QStringLiteral("02.03.2026"), QStringLiteral("10:00:00")}));
  EXPECT_EQ(column(QStringLiteral(
                "SELECT Наименование||Сумма||cDATE||cTIME||Проводка FROM items_Документ_Приход")),
            QStringList{QStringLiteral("П-1402.03.202610:00:001")});
  EXPECT_EQ(
      column(QStringLiteral("SELECT Товар||Количество||cDATE||cTIME FROM table_Документ_Приход")),
      (QStringList{QStringLiteral("Стол202.03.202610:00:00"),
                   QStringLiteral("Стул302.03.202610:00:00")}));
  EXPECT_EQ(
      column(QStringLiteral("SELECT cDATE||cTIME||Документ FROM items_Регистр_Остатки")).size(), 2);
  EXPECT_EQ(column(QStringLiteral("SELECT Код||Дебет||cDATE||cTIME||Документ FROM itogi")),
            QStringList{QStringLiteral("41402.03.202610:00:00Приход")});
  // The posting's state does not outlive it.
  EXPECT_FALSE(context.documentDate.has_value());
}

TEST_F(DocumentPostingTest, ModuleErrorAfterTwoMovementsLeavesNothing) {
  EXPECT_THROW(post(content(QStringLiteral("П-1"), {{"Стол", "2"}}),
                    module(QStringLiteral("  Сч.ПриходВыполнить(\"много\")\n"))),
               ScriptError);
  for (const QString& table :
       {QStringLiteral("items_Документ_Приход"), QStringLiteral("table_Документ_Приход"),
        QStringLiteral("items_Регистр_Остатки"), QStringLiteral("itogi")})
    EXPECT_EQ(count(table), 0) << table.toStdString();
  EXPECT_FALSE(session->inTransaction());
}

TEST_F(DocumentPostingTest, SaveProcedureThatReportsFailureRollsBackToo) {
  Engine engine(host);
  engine.setGlobalObject(createGlobalFunctions(host, context));
  engine.load(module());
  const PostResult result =
      posting::saveAndPost(context, content(QStringLiteral("П-1")), std::nullopt, [&] {
        engine.runThis(QStringLiteral("ПриСохранении"));
        return false;  // an interrupted module, reported by the window
      });
  EXPECT_EQ(result.outcome, PostOutcome::Aborted);
  EXPECT_EQ(count(QStringLiteral("items_Документ_Приход")), 0);
  EXPECT_EQ(count(QStringLiteral("items_Регистр_Остатки")), 0);
}

TEST_F(DocumentPostingTest, TwoDocumentsInOneSecondGetTheirOwnKeysAndUnpostSeparately) {
  const PostResult first = post(content(QStringLiteral("П-1")));
  const PostResult second = post(content(QStringLiteral("П-2")));
  ASSERT_EQ(second.outcome, PostOutcome::Posted);
  EXPECT_EQ(first.key.time, QStringLiteral("10:00:00"));
  EXPECT_EQ(second.key.time, QStringLiteral("10:00:01"));
  EXPECT_EQ(balance(), 8);
  posting::unpost(*session, QStringLiteral("Приход"), first.key);
  EXPECT_EQ(balance(), 4);
  EXPECT_EQ(column(QStringLiteral(
                "SELECT Наименование||Проводка FROM items_Документ_Приход ORDER BY cTIME")),
            (QStringList{QStringLiteral("П-10"), QStringLiteral("П-21")}));
  EXPECT_EQ(column(QStringLiteral("SELECT cTIME FROM itogi")),
            QStringList{QStringLiteral("10:00:01")});
}

TEST_F(DocumentPostingTest, PostedDocumentIsRefusedAndUnpostedOneIsRewrittenKeepingItsTime) {
  const PostResult first = post(content(QStringLiteral("П-1"), {{"Стол", "1"}}));
  const PostResult other = post(content(QStringLiteral("П-2"), {{"Шкаф", "1"}}));
  EXPECT_EQ(post(content(QStringLiteral("П-1 изм")), module(), first.key).outcome,
            PostOutcome::AlreadyPosted);
  EXPECT_EQ(count(QStringLiteral("items_Регистр_Остатки")), 4);

  posting::unpost(*session, QStringLiteral("Приход"), first.key);
  DocumentContent edited =
      content(QStringLiteral("Пр'иход №1"), {{"Ст'ул", "5"}, {"Табурет", "1"}});
  edited.date = QDate(2026, 3, 5);
  const PostResult again = post(edited, module(), first.key, QTime(11, 30, 0));
  ASSERT_EQ(again.outcome, PostOutcome::Posted);
  // Re-dated, it keeps the time it was first saved at, not the time of this posting.
  EXPECT_EQ(again.key, (DocumentKey{QStringLiteral("05.03.2026"), first.key.time}));
  EXPECT_EQ(count(QStringLiteral("items_Документ_Приход")), 2);
  EXPECT_EQ(column(QStringLiteral(
                "SELECT Наименование FROM items_Документ_Приход WHERE cDATE='05.03.2026'")),
            QStringList{QStringLiteral("Пр'иход №1")});
  EXPECT_EQ(
      column(QStringLiteral("SELECT Товар FROM table_Документ_Приход WHERE cDATE='05.03.2026'")),
      (QStringList{QStringLiteral("Ст'ул"), QStringLiteral("Табурет")}));
  // The other document's rows are untouched.
  EXPECT_EQ(column(QStringLiteral("SELECT Товар FROM table_Документ_Приход WHERE cTIME=") +
                   balvix::storage::quote(other.key.time)),
            QStringList{QStringLiteral("Шкаф")});
}

TEST_F(DocumentPostingTest, UnpostClearsEveryRegisterAndDeleteRemovesTheWholeDocument) {
  const PostResult first = post(content(QStringLiteral("П-1"), {{"Стол", "2"}}));
  const PostResult second = post(content(QStringLiteral("П-2"), {{"Стул", "2"}}));
  // A movement of the same key in a register the module never wrote to goes as well.
  exec(QStringLiteral(
      "INSERT INTO items_Регистр_Прочее VALUES ('x','02.03.2026','10:00:00','Приход','+')"));
  posting::unpost(*session, QStringLiteral("Приход"), first.key);
  EXPECT_EQ(count(QStringLiteral("items_Регистр_Прочее")), 0);

  posting::remove(*session, QStringLiteral("Приход"), second.key);
  EXPECT_EQ(balance(), 0);
  EXPECT_EQ(column(QStringLiteral("SELECT Наименование FROM items_Документ_Приход")),
            QStringList{QStringLiteral("П-1")});
  EXPECT_EQ(column(QStringLiteral("SELECT Товар FROM table_Документ_Приход")),
            QStringList{QStringLiteral("Стол")});
  EXPECT_EQ(count(QStringLiteral("itogi")), 0);
}

TEST_F(DocumentPostingTest, NumbersRunPerYearWithoutGapsAndStayWithTheDocument) {
  const QString says =
      QStringLiteral("  Объект Д = СоздатьОбъект(\"Документ\")\n  Сообщить(\"№\" & Д.Номер)\n");
  // The kind's table is from before numbers: the first save gives it the column.
  const PostResult first = post(content(QStringLiteral("П-1")), module(says));
  EXPECT_EQ(first.number, QStringLiteral("1"));
  EXPECT_EQ(host.messages.value(0), QStringLiteral("№1"));
  // A posting its module breaks gives its number to the next document, a draft here.
  EXPECT_THROW(post(content(QStringLiteral("П-x")),
                    module(says + QStringLiteral("  Сч.ПриходВыполнить(\"много\")\n"))),
               ScriptError);
  const PostResult draft = posting::saveAndPost(context, content(QStringLiteral("П-2")),
                                                std::nullopt, {}, QTime(10, 0, 5), false);
  EXPECT_EQ(draft.number, QStringLiteral("2"));
  DocumentContent nextYear = content(QStringLiteral("П-3"));
  nextYear.date = QDate(2027, 1, 10);
  EXPECT_EQ(post(nextYear).number, QStringLiteral("1"));
  // The draft posted later, and a document re-dated into the next year, keep their numbers.
  EXPECT_EQ(post(content(QStringLiteral("П-2")), module(says), draft.key).number,
            QStringLiteral("2"));
  EXPECT_EQ(host.messages.last(), QStringLiteral("№2"));
  posting::unpost(*session, QStringLiteral("Приход"), first.key);
  DocumentContent moved = content(QStringLiteral("П-1"));
  moved.date = QDate(2027, 2, 1);
  EXPECT_EQ(post(moved, module(), first.key).number, QStringLiteral("1"));
  EXPECT_EQ(
      column(QStringLiteral("SELECT Наименование||'='||Номер FROM items_Документ_Приход "
                            "ORDER BY Наименование")),
      (QStringList{QStringLiteral("П-1=1"), QStringLiteral("П-2=2"), QStringLiteral("П-3=1")}));
  EXPECT_TRUE(context.documentNumber.isEmpty());
}

TEST_F(DocumentPostingTest, KindThatIsNoNameIsRefusedBeforeAnyStatement) {
  DocumentContent doc = content(QStringLiteral("П-1"));
  doc.kind = QStringLiteral("Приход; DROP TABLE itogi");
  EXPECT_THROW(post(doc), balvix::storage::DbError);
  EXPECT_THROW(posting::unpost(*session, doc.kind, {}), balvix::storage::DbError);
  EXPECT_TRUE(session->tableExists(QStringLiteral("itogi")));
}

}  // namespace
