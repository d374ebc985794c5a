#include "object_fixture.h"

using namespace balvix::script;
using namespace balvix::script::testing;

namespace {

// An account «500» with two subaccounts and the postings of four documents, each side a row
// as the account object writes them.
class PostingsObjectTest : public ObjectTest {
 protected:
  void SetUp() override {
    ObjectTest::SetUp();
    for (const char* code : {"500", "500.1", "500.2"})
      exec(QStringLiteral("INSERT INTO plan (Код,Наименование,Признак) VALUES ('%1','Счет %1','1')")
               .arg(QString::fromUtf8(code)));
    const struct {
      const char *date, *time, *kind, *code, *debit, *credit;
    } rows[] = {
        {"20.01.2026", "09:00:00", "Приход", "500.2", "10", nullptr},
        {"20.01.2026", "09:00:00", "Приход", "600", nullptr, "10"},
        {"01.02.2026", "10:00:00", "Продажа", "500.1", "100", nullptr},
        {"01.02.2026", "10:00:00", "Продажа", "600", nullptr, "100"},
        {"01.02.2026", "10:00:00", "Продажа", "700", "60", nullptr},
        {"01.02.2026", "10:00:00", "Продажа", "500.2", nullptr, "60"},
        // A sum split on the other side names that side's account.
        {"05.02.2026", "09:00:00", "Оплата", "600", "30", nullptr},
        {"05.02.2026", "09:00:00", "Оплата", "600", "70", nullptr},
        {"05.02.2026", "09:00:00", "Оплата", "500.1", nullptr, "100"},
        // With two accounts there, both.
        {"06.02.2026", "08:00:00", "Зачет", "500.1", "50", nullptr},
        {"06.02.2026", "08:00:00", "Зачет", "600", nullptr, "20"},
        {"06.02.2026", "08:00:00", "Зачет", "700", nullptr, "30"},
        {"01.03.2026", "08:00:00", "Зачет", "500.1", "1", nullptr},
    };
    auto text = [](const char* v) {
      return v ? u'\'' + QString::fromUtf8(v) + u'\'' : QStringLiteral("NULL");
    };
    for (const auto& r : rows)
      exec(QStringLiteral("INSERT INTO itogi (Код,Дебет,Кредит,cDATE,cTIME,Документ) VALUES "
                          "('%1',%2,%3,'%4','%5','%6')")
               .arg(QString::fromUtf8(r.code), text(r.debit), text(r.credit),
                    QString::fromUtf8(r.date), QString::fromUtf8(r.time),
                    QString::fromUtf8(r.kind)));
  }
  QStringList figuresOf(const QString& code) {
    return run(QStringLiteral(
                   "Объект Пр = СоздатьОбъект(\"Проводки\")\nПр.Счет = \"%1\"\n"
                   "Пр.Период(\"01.02.2026\", \"28.02.2026\")\n"
                   "Сообщить(Пр.СНД & \" \" & Пр.СНК & \" \" & Пр.ОборотД & \" \" & Пр.ОборотК & "
                   "\" \" & Пр.СКД & \" \" & Пр.СКК & \" \" & Пр.ЕстьСубсчета & \" \" & "
                   "Пр.Субсчет)\n"
                   "Пр.Выбрать()\nДелать Пока Пр.Получить() = 1\n"
                   "  Сообщить(Пр.Дата & \" \" & Пр.Документ & \" \" & Пр.СчетПроводки & \" \" & "
                   "Пр.КорСчет & \" \" & Пр.Дебет & \" \" & Пр.Кредит)\nЦикл\n")
                   .arg(code));
  }
};

// A parent adds up its subaccounts' balances side by side and lists their postings, each
// with the account the same document put the other side of that sum on.
TEST_F(PostingsObjectTest, AParentSumsItsSubaccountsAndNamesEachPostingsCorrespondent) {
  EXPECT_EQ(figuresOf(QStringLiteral("500")),
            (QStringList{"10 0 150 160 50 50 1 0", "01.02.2026 Продажа 500.1 600 100 0",
                         "01.02.2026 Продажа 500.2 700 0 60", "05.02.2026 Оплата 500.1 600 0 100",
                         "06.02.2026 Зачет 500.1 600, 700 50 0"}));
  EXPECT_EQ(figuresOf(QStringLiteral("500.2")),
            (QStringList{"10 0 0 60 0 50 0 1", "01.02.2026 Продажа 500.2 700 0 60"}));
}

}  // namespace
