#include "storage/initial_content.h"

#include <QSet>

#include "storage_fixture.h"

using namespace balvix::storage;

namespace {

using InitialContent = StorageTest;

TEST_F(InitialContent, ChartOfAccountsReportWithLayoutAndModule) {
  auto rs = db().openRecordset(QStringLiteral("SELECT * FROM form_items WHERE type='Отчет'"));
  ASSERT_EQ(rs.rowCount(), 1);
  EXPECT_EQ(rs.text(QStringLiteral("name")), QStringLiteral("ПланСчетов"));
  EXPECT_EQ(rs.text(QStringLiteral("descript")), QStringLiteral("План счетов"));
  EXPECT_TRUE(rs.text(QStringLiteral("item")).startsWith(QStringLiteral("BalvixReport 1")));
  EXPECT_TRUE(rs.text(QStringLiteral("code")).contains(QStringLiteral("Сч.ВыбратьСчета()")));
}

TEST_F(InitialContent, FullJournalAndEmptyGlobalModule) {
  auto rs = db().openRecordset(QStringLiteral("SELECT * FROM form_items WHERE type<>'Отчет'"));
  ASSERT_EQ(rs.rowCount(), 1);
  EXPECT_EQ(rs.text(QStringLiteral("type")), QStringLiteral("Журнал"));
  EXPECT_EQ(rs.text(QStringLiteral("name")), QStringLiteral("Полный"));
  EXPECT_FALSE(rs.text(QStringLiteral("descript")).isEmpty());
  EXPECT_TRUE(rs.isNull(QStringLiteral("code")));

  auto module = db().openRecordset(QStringLiteral("SELECT код FROM ГлобальныйМодуль"));
  ASSERT_EQ(module.rowCount(), 1);
  EXPECT_FALSE(module.isNull(QStringLiteral("код")));
  EXPECT_EQ(module.text(0), QString());
  EXPECT_EQ(count(QStringLiteral("itogi")), 0);
}

TEST_F(InitialContent, ChartOfAccountsMarksGroupAccounts) {
  auto rs = db().openRecordset(QStringLiteral("SELECT Код, Наименование, Признак FROM plan"));
  QStringList codes;
  QMap<QString, bool> postable;
  for (; !rs.eof(); rs.moveNext()) {
    const QString code = rs.text(0);
    EXPECT_FALSE(rs.text(1).isEmpty()) << code.toStdString();
    codes << code;
    postable[code] = rs.value(2).toInt() == 1;
  }
  EXPECT_GE(codes.size(), 25);
  for (const char* code :
       {"01", "10", "41", "41.1", "41.2", "50", "51", "60", "62", "68", "70", "90", "90.1", "99"})
    EXPECT_TRUE(codes.contains(QString::fromLatin1(code))) << code;
  for (const QString& code : codes) {
    const bool top = code.size() == 2;
    EXPECT_TRUE(top || codes.contains(code.left(2)))
        << "sub-account without its group: " << code.toStdString();
    bool hasSubAccounts = false;
    for (const QString& other : codes)
      hasSubAccounts = hasSubAccounts || other.startsWith(code + QLatin1Char('.'));
    EXPECT_EQ(postable[code], !hasSubAccounts) << code.toStdString();
  }
  EXPECT_FALSE(postable[QStringLiteral("41")]);
  EXPECT_TRUE(postable[QStringLiteral("41.1")]);
  // Sub-accounts follow their group, so the expanded chart reads in order.
  EXPECT_EQ(codes.indexOf(QStringLiteral("41.1")), codes.indexOf(QStringLiteral("41")) + 1);
}

TEST_F(InitialContent, HelpCoversTheLanguageWithClassesTogether) {
  auto rs = db().openRecordset(QStringLiteral("SELECT * FROM ОписаниеЯзыка"));
  QMap<QString, QStringList> members;
  QStringList classOrder;
  for (; !rs.eof(); rs.moveNext()) {
    const QString cls = rs.text(QStringLiteral("класс"));
    const QString member = rs.text(QStringLiteral("значение"));
    if (classOrder.isEmpty() || classOrder.last() != cls) {
      EXPECT_FALSE(classOrder.contains(cls)) << "class rows are split: " << cls.toStdString();
      classOrder << cls;
    }
    EXPECT_FALSE(member.contains(QLatin1Char('.'))) << member.toStdString();
    EXPECT_GT(rs.text(QStringLiteral("описание")).size(), 20) << member.toStdString();
    members[cls] << member;
  }

  const QStringList keywords = QStringLiteral(
                                   "Процедура КонецПроцедуры Если Тогда Иначе ИначеЕсли КонецЕсли "
                                   "Для До Далее Пока Делать Цикл "
                                   "Перем Объект И Главная ПриОткрытии ?")
                                   .split(QLatin1Char(' '));
  ASSERT_EQ(keywords.size(), 19);
  EXPECT_EQ(members.value(QStringLiteral("Ключевые слова")), keywords);

  const QStringList functions = QStringLiteral(
                                    "СоздатьОбъект Формат ТекущаяДата ЗапуститьПриложение Сообщить "
                                    "Строка Число Состояние ОткрытьФорму")
                                    .split(QLatin1Char(' '));
  EXPECT_EQ(members.value(QStringLiteral("Глобальные функции")), functions);

  const QMap<QString, QString> objects = {
      {"Справочник", "Вид Выбрать Получить Значение"},
      {"Документ",
       QStringLiteral("Вид ВыбратьДокументы ПолучитьДокумент НайтиДокумент ВыбратьСтроки "
                      "ПолучитьСтроку Колонка")},
      {"Регистр", "Вид Реквизит ДвижениеВыполнить ВыбратьОстатки Получить"},
      {"Счет", QStringLiteral("Вид ВыбратьСчета Получить Наименование Код ВыбратьИтоги СНД СНК "
                              "СКД СКК Итог ПриходВыполнить РасходВыполнить")},
      {"ФС", QStringLiteral("СоздатьКаталог СоздатьФайл ОткрытьФайл УдалитьКаталог УдалитьФайл "
                            "ТекущийКаталог")},
  };
  for (auto it = objects.cbegin(); it != objects.cend(); ++it) {
    for (const QString& member : it.value().split(QLatin1Char(' ')))
      EXPECT_TRUE(members.value(it.key()).contains(member))
          << it.key().toStdString() << "." << member.toStdString();
  }
}

TEST_F(InitialContent, HelpRowIsFoundByTheHelpTreeQuery) {
  auto rs = db().openRecordset(QStringLiteral(
      "SELECT * FROM ОписаниеЯзыка WHERE класс='Счет' AND значение='ПриходВыполнить'"));
  ASSERT_EQ(rs.rowCount(), 1);
  EXPECT_TRUE(rs.text(QStringLiteral("описание")).contains(QStringLiteral("дебет")));
}

TEST_F(InitialContent, ContentIsWrittenWhole) {
  EXPECT_EQ(count(QStringLiteral("plan")), static_cast<int>(chartOfAccounts().size()));
  EXPECT_EQ(count(QStringLiteral("ОписаниеЯзыка")), static_cast<int>(languageHelp().size()));
}

}  // namespace
