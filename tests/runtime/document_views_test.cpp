#include <QDateEdit>

#include "documents/document_service.h"
#include "runtime/document_form.h"
#include "runtime/form_control.h"
#include "runtime/form_table.h"
#include "runtime/journal.h"
#include "runtime_fixture.h"

namespace balvix::runtime::testing {
namespace {

// Its save procedure writes a movement per row, marks every row, and writes the total
// into the header before posting it: what the module wrote must be what is stored.
const QString kModule = QStringLiteral(
    "Процедура ПриСохранении()\r\n"
    "  Объект Рег = СоздатьОбъект(\"Регистр\")\r\n"
    "  Рег.Вид = \"Остатки\"\r\n"
    "  Итог = 0\r\n"
    "  Таблица.ВыбратьСтроки()\r\n"
    "  Делать Пока Таблица.ПолучитьСтроку() = 1\r\n"
    "    Таблица.УстановитьЗначениеКолонки \"товар\", Таблица.ЗначениеКолонки(1) & \"!\"\r\n"
    "    Рег.Реквизит(\"Товар\") = Таблица.ЗначениеКолонки(\"Товар\")\r\n"
    "    Рег.Реквизит(\"Количество\") = Таблица.ЗначениеКолонки(2)\r\n"
    "    Рег.ДвижениеВыполнить(\"+\")\r\n"
    "    Итог = Итог + Таблица.ЗначениеКолонки(\"Количество\")\r\n"
    "  Цикл\r\n"
    "  Форма.Значение(\"Сумма\") = Итог\r\n"
    "  Объект Сч = СоздатьОбъект(\"Счет\")\r\n"
    "  Сч.Вид = \"41\"\r\n"
    "  Сч.ПриходВыполнить(Форма.Значение(\"сумма\"))\r\n"
    "КонецПроцедуры\r\n");

class DocumentViewsTest : public RuntimeTest {
 protected:
  DocumentViewsTest() { addReceiptDocument(kModule); }

  // The key of the one document stored.
  script::DocumentKey storedKey() {
    storage::Recordset rs =
        db().openRecordset(QStringLiteral("SELECT cDATE,cTIME FROM items_Документ_Приход"));
    return {rs.text(0), rs.text(1)};
  }
  QString number() {
    return db().openRecordset(QStringLiteral("SELECT Номер FROM items_Документ_Приход")).text(0);
  }
  // Every row the posting wrote, in every table it writes, without the time of the key and
  // the number (two postings of one content differ only in them).
  QStringList stored() {
    QStringList out;
    for (const char* table :
         {"items_Документ_Приход", "table_Документ_Приход", "items_Регистр_Остатки", "itogi"}) {
      storage::Recordset rs =
          db().openRecordset(QStringLiteral("SELECT * FROM ") + QString::fromUtf8(table));
      for (; !rs.eof(); rs.moveNext()) {
        QStringList cells{QString::fromUtf8(table)};
        for (int i = 0; i < rs.fieldCount(); ++i)
          if (rs.fieldName(i).compare(QLatin1String("cTIME"), Qt::CaseInsensitive) != 0 &&
              rs.fieldName(i).compare(QStringLiteral("Номер"), Qt::CaseInsensitive) != 0)
            cells << rs.text(i);
        out << cells.join(QLatin1Char('|'));
      }
    }
    return out;
  }
};

TEST_F(DocumentViewsTest, TheWindowAndTheServiceStoreTheSameDocument) {
  const QDate date(2026, 12, 1);
  const QList<QStringList> rows{{"Стол", "2"}, {"Стул", "3"}};

  frmUniDoc* window = clickMenu<frmUniDoc>(1, QStringLiteral("Приход"));
  ASSERT_TRUE(window && window->loaded());
  window->datePicker()->setDate(date);
  window->form()->setValue(QStringLiteral("Наименование"), QStringLiteral("Накладная"));
  window->form()->setValue(QStringLiteral("Сумма"), QStringLiteral("0"));
  FormTable* table = window->form()->table();
  for (const QStringList& row : rows) {
    table->newRow();
    for (int c = 0; c < row.size(); ++c) table->setCell(table->rows() - 1, c, row[c]);
  }
  ASSERT_TRUE(window->post());
  processEvents();
  const QStringList fromWindow = stored();
  EXPECT_TRUE(fromWindow.contains(QStringLiteral("items_Документ_Приход|Накладная|5|01.12.2026|1")))
      << fromWindow.join(QLatin1Char('\n')).toStdString();
  EXPECT_TRUE(fromWindow.contains(QStringLiteral("table_Документ_Приход|Стол!|2|01.12.2026")));
  EXPECT_EQ(number(), QStringLiteral("1"));

  script::posting::remove(db(), QStringLiteral("Приход"), storedKey());
  ASSERT_TRUE(stored().isEmpty());

  std::unique_ptr<documents::DocumentService> service =
      documents::DocumentService::open(state, *state.host, QStringLiteral("Приход"));
  ASSERT_TRUE(service);
  ASSERT_FALSE(service->load());
  service->startNew(date);
  script::DocumentContent& content = service->content();
  content.header = {{"Наименование", "Накладная"}, {"Сумма", "0"}};
  content.rows = rows;
  const documents::SaveOutcome outcome = service->saveAndPost();
  EXPECT_EQ(outcome.outcome, script::PostOutcome::Posted);
  EXPECT_EQ(stored(), fromWindow);
  // The number of a removed document is not given again.
  EXPECT_EQ(outcome.number, QStringLiteral("2"));
  EXPECT_EQ(number(), QStringLiteral("2"));

  // Reposting runs the module over the stored document; what it writes is stored as well.
  EXPECT_EQ(service->repost(storedKey(), script::posting::registerTables(db())), QString());
  EXPECT_TRUE(stored().contains(QStringLiteral("table_Документ_Приход|Стол!!|2|01.12.2026")));
}

}  // namespace
}  // namespace balvix::runtime::testing
