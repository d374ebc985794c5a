#include "documents/catalog_import.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>

#include "config/object_definition.h"
#include "config/table_names.h"
#include "documents/csv_reader.h"
#include "documents/list_export.h"
#include "documents/xlsx_reader.h"
#include "storage/row_guards.h"
#include "storage/session.h"
#include "storage/sql_text.h"
#include "storage/table_indexes.h"
#include "test_helpers.h"

namespace balvix::documents::testing {
namespace {

using config::RequisiteType;
using Action = ImportAction;

QByteArray bytesOf(const QString& path) {
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
  return file.readAll();
}

QByteArray withBom(const char16_t* text) {
  return "\xEF\xBB\xBF" + QString::fromUtf16(text).toUtf8();
}

TEST(CsvReaderTest, SplitsRecordsAsSpreadsheetsWriteThem) {
  struct Case {
    const char* text;
    QStringList header;
    std::vector<QStringList> rows;
    std::vector<int> numbers;
  };
  const Case cases[] = {
      {"a;b\r\n1;2\r\n", {"a", "b"}, {{"1", "2"}}, {2}},
      // More commas than semicolons in the header: commas separate.
      {"a,b\n1,\"x;y\"\n", {"a", "b"}, {{"1", "x;y"}}, {2}},
      // Doubled quotes, a line break inside quotes (still one row), then row 3.
      {"a;b\n\"say \"\"hi\"\"\";\"two\r\nlines\"\n3;4",
       {"a", "b"},
       {{"say \"hi\"", "two\r\nlines"}, {"3", "4"}},
       {2, 3}},
      // Blank lines and rows of empty fields are skipped but counted; the header is trimmed.
      {" a ;b\n\n;\n5;6\n", {"a", "b"}, {{"5", "6"}}, {4}},
      // A quote inside an unquoted field is kept; a missing last field reads as empty.
      {"a;b;c\n1\"2;x;\n", {"a", "b", "c"}, {{"1\"2", "x", ""}}, {2}},
  };
  for (const Case& c : cases) {
    SourceTable table;
    EXPECT_EQ(csv_reader::parse(QString::fromUtf8(c.text), table), QString()) << c.text;
    EXPECT_EQ(table.header, c.header) << c.text;
    EXPECT_EQ(table.rows, c.rows) << c.text;
    EXPECT_EQ(table.rowNumbers, c.numbers) << c.text;
  }
  SourceTable table;
  EXPECT_TRUE(Contains(csv_reader::parse(QStringLiteral("a\n\"open"), table),
                       QStringLiteral("не закрыта")));
}

TEST(CsvReaderTest, TellsUtf8WithAndWithoutBomFromWindows1251) {
  const QString word = QStringLiteral("Ёлка №5 — «ящик»");
  struct Case {
    QByteArray bytes;
    csv_reader::Encoding encoding;
  };
  const QByteArray cp1251("\xA8\xEB\xEA\xE0 \xB9\x35 \x97 \xAB\xFF\xF9\xE8\xEA\xBB");
  const Case cases[] = {{word.toUtf8(), csv_reader::Encoding::Utf8},
                        {"\xEF\xBB\xBF" + word.toUtf8(), csv_reader::Encoding::Utf8WithBom},
                        {cp1251, csv_reader::Encoding::Windows1251}};
  for (const Case& c : cases) {
    csv_reader::Encoding found{};
    EXPECT_EQ(csv_reader::decode(c.bytes, &found), word);
    EXPECT_EQ(found, c.encoding);
  }
}

TEST(SourceDatesTest, ReadsTheFormsFilesBringAndNothingElse) {
  struct Case {
    const char* text;
    QDate date;  // invalid: no date
  };
  const Case cases[] = {
      {"05.03.2026", {2026, 3, 5}},
      {"5.3.2026", {2026, 3, 5}},
      {"05.03.26", {2026, 3, 5}},
      {"01.02.49", {2049, 2, 1}},
      {"01.02.50", {1950, 2, 1}},
      {"2026-03-05", {2026, 3, 5}},
      {"2026-3-5", {2026, 3, 5}},
      {"5/3/2026", {2026, 3, 5}},
      {"29.02.2024", {2024, 2, 29}},
      {"29.02.2026", {}},
      {"31.04.2026", {}},
      {"05-03-2026", {}},
      {"5.3/2026", {}},
      {"5.3", {}},
      {"5.3.2026.1", {}},
      {"05.03.202", {}},
      {"123.03.2026", {}},
      {"", {}},
      {"пятое.03.2026", {}},
      {"05.13.2026", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(dateOfText(QString::fromUtf8(c.text)), c.date) << c.text;
}

// The parts of a workbook as spreadsheets write them: shared strings in runs with phonetic
// hints and entities, inline strings, formulas with their cached values, cells left out,
// booleans, a namespace prefix, empty rows.
TEST(XlsxReaderTest, ReadsSharedStringsAndSheetCellsAsSpreadsheetsWriteThem) {
  QStringList shared;
  ASSERT_EQ(
      xlsx_reader::readSharedStrings(
          "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
          "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
          "<si><t>Наименование</t></si>"
          "<si><r><rPr><b/></rPr><t xml:space=\"preserve\">Лак </t></r><r><t>&quot;Б&amp;К&quot;"
          "</t></r><rPh sb=\"0\" eb=\"1\"><t>ラ</t></rPh></si>"
          "<si><t/></si><si/>"
          "<si><t>две\r\nстроки &#1025;&#x451; _x0041_ &lt;x&gt;</t></si>"
          "<!-- <si><t>нет</t></si> --><si><t><![CDATA[a<b&c]]></t></si></sst>",
          shared),
      QString());
  EXPECT_EQ(shared,
            (QStringList{"Наименование", "Лак \"Б&К\"", "", "", "две\nстроки Ёё A <x>", "a<b&c"}));
  SourceTable table;
  ASSERT_EQ(xlsx_reader::readSheet(
                "<x:worksheet xmlns:x=\"s\"><x:sheetData>"
                "<x:row r=\"1\"><x:c r=\"A1\" t=\"s\"><x:v>0</x:v></x:c>"
                "<x:c r=\"C1\" t=\"inlineStr\"><x:is><x:t>Цена</x:t></x:is></x:c></x:row>"
                "<x:row r=\"2\" spans=\"1:3\"/>"
                "<x:row r=\"4\"><x:c r=\"A4\" t=\"s\"><x:v>1</x:v></x:c>"
                "<x:c r=\"B4\" s=\"3\"/><x:c r=\"C4\"><x:f>B4*2</x:f><x:v>1.5E-3</x:v></x:c>"
                "</x:row>"
                "<x:row><x:c t=\"b\"><x:v>1</x:v></x:c><x:c t=\"str\"><x:v>_x005F_x</x:v></x:c>"
                "<x:c t='s'><x:v>4</x:v></x:c><x:c t=\"s\"><x:v>99</x:v></x:c></x:row>"
                "</x:sheetData><x:row r=\"9\"><x:c><x:v>вне листа</x:v></x:c></x:row>"
                "</x:worksheet>",
                shared, table),
            QString());
  EXPECT_EQ(table.header, (QStringList{"Наименование", "", "Цена"}));
  EXPECT_EQ(table.rows, (std::vector<QStringList>{{"Лак \"Б&К\"", "", "1.5E-3"},
                                                  {"1", "_x", "две\nстроки Ёё A <x>"}}));
  EXPECT_EQ(table.rowNumbers, (std::vector<int>{4, 5}));
  for (const char* broken :
       {"<sheetData><row><c><v>1</v></c", "<sheetData><row><c><v>1", "<sheetData><row><!-- 1"}) {
    SourceTable t;
    EXPECT_FALSE(xlsx_reader::readSheet(broken, shared, t).isEmpty()) << broken;
  }
}

// A sheet inflated piece by piece, its rows cut wherever the pieces end, reads back whole.
TEST(XlsxReaderTest, ALargeSheetReadsBackEveryRowInOrder) {
  QTemporaryDir dir;
  ListTable list;
  list.headers = {QStringLiteral("Наименование"), QStringLiteral("Описание")};
  for (int i = 0; i < 30000; ++i)
    list.rows.push_back({QStringLiteral("Товар №%1 <&>").arg(i),
                         i % 3 ? QString() : QStringLiteral("строка\nвторая %1").arg(i)});
  const QString path = dir.filePath(QStringLiteral("много.xlsx"));
  ASSERT_EQ(list_export::writeXlsx(list, path), QString());
  SourceTable table;
  ASSERT_EQ(xlsx_reader::readFile(path, table), QString());
  EXPECT_EQ(table.header, list.headers);
  ASSERT_EQ(table.rows.size(), list.rows.size());
  for (std::size_t i = 0; i < list.rows.size(); ++i) {
    QStringList expected = list.rows[i];
    if (expected.last().isEmpty()) expected.removeLast();  // an empty last cell is not written
    ASSERT_EQ(table.rows[i], expected) << i;
    ASSERT_EQ(table.rowNumbers[i], static_cast<int>(i) + 2);
  }
}

// A damaged sheet, inflated on its own thread, is refused as damaged wherever it breaks;
// nothing hangs and nothing is half read as if whole.
TEST(XlsxReaderTest, ADamagedSheetIsRefusedWhereverItBreaks) {
  QTemporaryDir dir;
  ListTable list;
  list.headers = {QStringLiteral("Наименование")};
  for (int i = 0; i < 60000; ++i) list.rows.push_back({QStringLiteral("Товар %1").arg(i * 7919)});
  const QString path = dir.filePath(QStringLiteral("книга.xlsx"));
  ASSERT_EQ(list_export::writeXlsx(list, path), QString());
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray whole = file.readAll();
  file.close();
  const qsizetype sheet = whole.indexOf("xl/worksheets/sheet1.xml");
  ASSERT_GT(sheet, 0);
  const qsizetype next = whole.indexOf("PK\x03\x04", sheet);
  const qsizetype end = next > sheet ? next : whole.size();
  for (const double at : {0.1, 0.5, 0.95}) {
    QByteArray damaged = whole;
    const qsizetype spot = sheet + 64 + static_cast<qsizetype>((end - sheet - 64) * at);
    for (qsizetype k = spot; k < spot + 16; ++k) damaged[k] = static_cast<char>(damaged[k] ^ 0x5a);
    const QString broken = dir.filePath(QStringLiteral("плохая.xlsx"));
    QFile out(broken);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    out.write(damaged);
    out.close();
    SourceTable table;
    EXPECT_NE(xlsx_reader::readFile(broken, table), QString()) << at;
  }
}

// A catalog of goods with a number, a date, a reference to the stores and an enumeration.
class CatalogImportTest : public ::testing::Test, protected balvix::testing::TempDatabase {
 protected:
  void SetUp() override {
    define(QStringLiteral("Склады"),
           {{QStringLiteral("Наименование"), RequisiteType::ofKind(RequisiteType::Kind::Text)}});
    config::ObjectDefinition units;
    units.kind = config::ObjectKind::Enumeration;
    units.name = QStringLiteral("Единицы");
    units.setEnumerationValues({QStringLiteral("шт"), QStringLiteral("кг")});
    config::insertDefinition(db(), units);
    define(QStringLiteral("Товары"),
           {{QStringLiteral("Наименование"), RequisiteType::ofKind(RequisiteType::Kind::Text)},
            {QStringLiteral("Цена"), RequisiteType::ofKind(RequisiteType::Kind::Number)},
            {QStringLiteral("Склад"), RequisiteType::catalog(QStringLiteral("Склады"))},
            {QStringLiteral("Единица"), RequisiteType::enumeration(QStringLiteral("Единицы"))},
            {QStringLiteral("Поступил"), RequisiteType::ofKind(RequisiteType::Kind::Date)}});
    db().execute(QStringLiteral("INSERT INTO items_Справочник_Склады VALUES ('Главный')"));
    db().execute(QStringLiteral(
        "INSERT INTO items_Справочник_Товары VALUES ('Гвозди','10','Главный','кг','01.02.2026')"));
  }
  void define(const QString& name, const QList<config::Requisite>& requisites) {
    config::ObjectDefinition d;
    d.kind = config::ObjectKind::Catalog;
    d.name = name;
    d.description = name;
    d.module = QStringLiteral("_");
    d.requisites = requisites;
    config::insertDefinition(db(), d);
    db().execute(
        config::createTableStatement(config::TableRole::Elements, name, d.requisiteNames()));
  }
  QString file(const QString& name, const QByteArray& content) {
    const QString path = m_dir.filePath(name);
    balvix::testing::writeFile(path, content);
    return path;
  }
  // The import over a file, opened and read.
  std::unique_ptr<CatalogImport> importOf(const QString& path) {
    auto import = std::make_unique<CatalogImport>(db(), QStringLiteral("Товары"));
    EXPECT_EQ(import->open(), QString());
    EXPECT_EQ(import->readFile(path), QString());
    return import;
  }
  QStringList goods() {
    QStringList rows;
    storage::Recordset rs =
        db().openRecordset(QStringLiteral("SELECT * FROM items_Справочник_Товары"));
    for (; !rs.eof(); rs.moveNext()) {
      QStringList values;
      for (int c = 0; c < rs.fieldCount(); ++c)
        values << (rs.value(c).isNull() ? "<null>" : rs.text(c));
      rows << values.join(u'|');
    }
    // A server keeps no order of insertion: an updated row moves to the end there.
    rows.sort();
    return rows;
  }
  static QByteArray good() {
    return "Наименование;цена;Склад;Единица;Поступил\r\n"
           "Шурупы;1 234,50;Главный;шт;5.3.2026\r\n"
           "Гвозди;12.5;Главный;кг;01.02.2026\r\n";
  }
};

TEST_F(CatalogImportTest, DryRunNamesWhatWouldBeAddedChangedAndRefusedAndWritesNothing) {
  // Windows-1251 text with quotes and a line break inside a name (one row, row 2), a bad
  // number, an unknown
  // store, an unknown unit, a bad date, a name given twice and an empty name.
  const QString text = QStringLiteral(
      "Наименование;Цена;Склад;Единица;Поступил;Примечание\r\n"
      "\"Краска \"\"Снежок\"\"\r\nбелая\";390;Главный;шт;;x\r\n"
      "Болты;десять;Главный;кг;;\r\n"
      "Лак;610;Северный;шт;;\r\n"
      "Клей;100;Главный;тонна;;\r\n"
      "Гипс;100;Главный;кг;31.02.2026;\r\n"
      "Лак;611;Главный;шт;;\r\n"
      ";5;;;;\r\n"
      "Гвозди;10;Главный;кг;2026-02-01;\r\n");
  QByteArray cp1251;
  for (const QChar c : text)
    cp1251 += c.unicode() < 0x80 ? char(c.unicode()) : char(0xC0 + c.unicode() - 0x0410);
  const QStringList before = goods();
  auto import = importOf(file(QStringLiteral("товары.csv"), cp1251));
  const ImportReport report = import->check({});
  EXPECT_EQ(goods(), before);
  EXPECT_EQ(report.notes, QStringList{QStringLiteral("Столбец «Примечание» не загружается.")});
  struct Expected {
    int row;
    Action action;
    const char* reason;
  };
  const Expected expected[] = {
      {2, Action::Added, ""},
      {3, Action::Refused, "Цена: «десять» не является числом"},
      {4, Action::Refused, "Склад: в справочнике «Склады» нет элемента «Северный»"},
      {5, Action::Refused, "Единица: «тонна» не является значением перечисления «Единицы»"},
      {6, Action::Refused, "Поступил: «31.02.2026» не является датой"},
      {7, Action::Refused, "Наименование «Лак» уже есть в строке 4"},
      {8, Action::Refused, "не заполнено Наименование"},
  };
  ASSERT_EQ(report.rows.size(), std::size(expected));
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    const ImportRowOutcome& row = report.rows[static_cast<qsizetype>(i)];
    EXPECT_EQ(row.row, expected[i].row);
    EXPECT_EQ(row.action, expected[i].action) << expected[i].row;
    EXPECT_TRUE(Contains(row.reason, QString::fromUtf8(expected[i].reason)));
  }
  EXPECT_EQ(report.rows[0].name, QStringLiteral("Краска \"Снежок\"\r\nбелая"));
  // The last row is the stored element as it is (the ISO date is the same day).
  EXPECT_EQ(report.unchanged, 1);
  EXPECT_EQ(report.refused, 6);
  EXPECT_FALSE(report.written);
}

TEST_F(CatalogImportTest, DatesAreStoredAsDayMonthYearWhateverFormTheFileBringsThemIn) {
  const struct {
    const char* text;
    const char* stored;  // empty: refused
  } cases[] = {
      {"5.3.26", "05.03.2026"},
      {"2026-03-05", "05.03.2026"},
      {"2026-03-05T10:00:00", "05.03.2026"},
      {"05.03.2026 10:15", "05.03.2026"},
      {"46086", "05.03.2026"},
      {"46086.75", "05.03.2026"},
      {"0", ""},
      {"завтра", ""},
      {"31.12.1899", "31.12.1899"},
      {"1.1.2026 ", "01.01.2026"},
  };
  QByteArray csv = "Наименование;Поступил\n";
  for (std::size_t i = 0; i < std::size(cases); ++i)
    csv += "Товар " + QByteArray::number(qsizetype(i)) + ";" + cases[i].text + "\n";
  auto import = importOf(file(QStringLiteral("даты.csv"), csv));
  const ImportReport report = import->load({true, false});
  ASSERT_EQ(report.error, QString());
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const QString stored = balvix::testing::firstText(
        db(), QStringLiteral("SELECT Поступил FROM items_Справочник_Товары WHERE "
                             "Наименование='Товар %1'")
                  .arg(i));
    EXPECT_EQ(stored, QString::fromUtf8(cases[i].stored)) << cases[i].text;
  }
  EXPECT_EQ(report.refused, 2);
}

TEST_F(CatalogImportTest, OneRefusedRowOrAFailedWriteLoadsNothing) {
  const QByteArray badLast = good() + "Болты;abc;Главный;шт;\r\n";
  const QStringList before = goods();
  auto import = importOf(file(QStringLiteral("плохой.csv"), badLast));
  ImportReport report = import->load({});
  EXPECT_TRUE(Contains(report.error, QStringLiteral("отказано строк: 1")));
  EXPECT_EQ(goods(), before);
  EXPECT_FALSE(QFile::exists(refusalsPath(import->sourcePath())));

  // The database refusing the last insert takes back the rows written before it.
  storage::createRowGuard(db(), QStringLiteral("refuse"), QStringLiteral("items_Справочник_Товары"),
                          storage::RowEvent::Insert, QStringLiteral("NEW.Наименование='Болты'"),
                          QStringLiteral("диск полон"));
  import = importOf(file(QStringLiteral("последний.csv"), good() + "Болты;5;Главный;шт;\r\n"));
  report = import->load({});
  EXPECT_TRUE(Contains(report.error, QStringLiteral("диск полон")));
  EXPECT_FALSE(report.written);
  EXPECT_EQ(goods(), before);
}

TEST_F(CatalogImportTest, SkippingBadRowsLoadsTheRestAndWritesTheRefusalsBesideTheSource) {
  auto import = importOf(file(QStringLiteral("товары.csv"), good() + "Болты;abc;Главный;шт;\r\n"));
  const ImportReport report = import->load({true, false});
  EXPECT_EQ(report.error, QString());
  EXPECT_EQ(report.refusalsFile, m_dir.filePath(QStringLiteral("товары.отказы.csv")));
  EXPECT_EQ(goods(), (QStringList{QStringLiteral("Гвозди|12.5|Главный|кг|01.02.2026"),
                                  QStringLiteral("Шурупы|1234,50|Главный|шт|05.03.2026")}));
  EXPECT_EQ(bytesOf(report.refusalsFile),
            withBom(u"Строка;Причина;Наименование;цена;Склад;Единица;Поступил\r\n"
                    "4;Цена: «abc» не является числом;Болты;abc;Главный;шт;\r\n"));
}

TEST_F(CatalogImportTest, LoadingTheSameFileTwiceChangesNothingTheSecondTime) {
  const QString path = file(QStringLiteral("товары.csv"), good());
  ImportReport first = importOf(path)->load({});
  EXPECT_EQ(std::tuple(first.added, first.changed, first.unchanged), std::tuple(1, 1, 0));
  EXPECT_EQ(first.rows[1].reason, QStringLiteral("Цена"));
  const QStringList after = goods();
  const ImportReport second = importOf(path)->load({});
  EXPECT_EQ(std::tuple(second.added, second.changed, second.unchanged), std::tuple(0, 0, 2));
  EXPECT_FALSE(second.written);
  EXPECT_EQ(goods(), after);
}

TEST_F(CatalogImportTest, ManyChangedElementsAreUpdatedByNameAndTheLoadLeavesNoIndexBehind) {
  QByteArray first = "Наименование;Цена\n", second = first;
  for (int i = 0; i < 300; ++i) {
    first += "Товар " + QByteArray::number(i) + ";" + QByteArray::number(i) + "\n";
    second += "Товар " + QByteArray::number(i) + ";" + QByteArray::number(i + 1000) + "\n";
  }
  ASSERT_EQ(importOf(file(QStringLiteral("первый.csv"), first))->load({}).added, 300);
  const QString table = QStringLiteral("items_Справочник_Товары");
  // A cancel once the updates are written but not committed, then the whole load.
  auto import = importOf(file(QStringLiteral("второй.csv"), second));
  const ImportReport cancelled =
      import->load({}, [](qint64 done, qint64 total) { return done < total * 3 / 4; });
  EXPECT_TRUE(cancelled.cancelled);
  EXPECT_EQ(value(QStringLiteral("SELECT Цена FROM items_Справочник_Товары WHERE "
                                 "Наименование='Товар 299'")),
            QStringLiteral("299"));
  const ImportReport report = import->load({});
  EXPECT_EQ(report.changed, 300);
  EXPECT_EQ(rows(QStringLiteral("SELECT * FROM items_Справочник_Товары WHERE Цена+0 >= 1000")),
            300);
  EXPECT_FALSE(storage::hasIndexOn(db(), table, {QStringLiteral("Наименование")}));
}

TEST_F(CatalogImportTest, MissingReferencesAreCreatedOnlyWhenAskedAndACancelKeepsTheCatalog) {
  const QString path =
      file(QStringLiteral("склады.csv"), "Наименование;Склад\nЛак;Северный\nКлей;Северный\n");
  auto import = importOf(path);
  EXPECT_EQ(import->check({}).refused, 2);
  const QStringList before = goods();
  const ImportReport cancelled =
      import->load({false, true}, [](qint64 done, qint64 total) { return done < total / 2; });
  EXPECT_TRUE(cancelled.cancelled);
  EXPECT_EQ(goods(), before);
  EXPECT_EQ(rows(QStringLiteral("SELECT * FROM items_Справочник_Склады")), 1);

  const ImportReport report = import->load({false, true});
  EXPECT_EQ(report.created, QStringList{QStringLiteral("Склады: Северный")});
  EXPECT_EQ(report.added, 2);
  EXPECT_EQ(
      rows(QStringLiteral("SELECT * FROM items_Справочник_Склады WHERE Наименование='Северный'")),
      1);
}

TEST_F(CatalogImportTest, AWorkbookLoadsBackWhatTheListExportWrote) {
  importOf(file(QStringLiteral("товары.csv"), good()))->load({});
  db().execute(
      QStringLiteral("INSERT INTO items_Справочник_Товары VALUES "
                     "('_x0041_ и \"кавычки\"\nвторая строка','7','Главный','шт','')"));
  const QStringList before = goods();
  const ListTable list = list_export::catalogList(db(), QStringLiteral("Товары"));
  const QString xlsx = m_dir.filePath(QStringLiteral("товары.xlsx"));
  ASSERT_EQ(list_export::writeXlsx(list, xlsx), QString());
  db().execute(QStringLiteral("DELETE FROM items_Справочник_Товары"));
  auto import = importOf(xlsx);
  EXPECT_EQ(import->source().header.first(), QStringLiteral("Код"));
  const ImportReport report = import->load({});
  EXPECT_EQ(report.error, QString());
  EXPECT_EQ(goods(), before);
  EXPECT_EQ(report.notes, QStringList{QStringLiteral("Столбец «Код» не загружается.")});
}

// A catalog's CSV writes «12.5» as «12,5» for the spreadsheet; loaded over the catalog it is
// the same number, and the stored text stays.
TEST_F(CatalogImportTest, ACsvOfTheCatalogLoadsBackOverItWithoutChanges) {
  importOf(file(QStringLiteral("товары.csv"), good()))->load({});
  const QStringList before = goods();
  ASSERT_TRUE(before.join(u'\n').contains(QStringLiteral("|12.5|")));
  const QString csv = m_dir.filePath(QStringLiteral("список.csv"));
  ASSERT_EQ(list_export::writeCsv(list_export::catalogList(db(), QStringLiteral("Товары")), csv),
            QString());
  auto import = importOf(csv);
  ASSERT_EQ(import->source().rows.size(), 2u);
  const auto has = [&](const char* value) {
    return std::any_of(
        import->source().rows.begin(), import->source().rows.end(),
        [&](const QStringList& row) { return row.contains(QString::fromUtf8(value)); });
  };
  EXPECT_TRUE(has("12,5"));
  EXPECT_TRUE(has("1234,50"));
  const ImportReport report = import->load({});
  EXPECT_EQ(std::tuple(report.added, report.changed, report.unchanged), std::tuple(0, 0, 2));
  EXPECT_EQ(goods(), before);
}

TEST_F(CatalogImportTest, TheCommandLineSaysWhatItRefusedAndExitsWithOneForIt) {
  const QString path = file(QStringLiteral("товары.csv"), good() + "Болты;abc;Главный;шт;\r\n");
  QString error, output;
  EXPECT_EQ(balvix::testing::runProgram(
                {"--import", "Товары", path, "--db", dbAddress(), "--dry-run"}, &error, &output),
            1);
  EXPECT_TRUE(Contains(error, path + QStringLiteral(":4: Цена: «abc» не является числом")));
  EXPECT_TRUE(Contains(
      output, QStringLiteral("Проверка: добавлено 1, изменено 1, без изменений 0, отказано 1")));
  const QString csv = m_dir.filePath(QStringLiteral("список.csv"));
  EXPECT_EQ(balvix::testing::runProgram(
                {"--export", "Справочник", "Товары", "--db", dbAddress(), "--csv", csv}),
            0);
  EXPECT_EQ(bytesOf(csv), withBom(u"Код;Наименование;Цена;Склад;Единица;Поступил\r\n"
                                  "1;Гвозди;10;Главный;кг;01.02.2026\r\n"));
  EXPECT_EQ(balvix::testing::runProgram(
                {"--export", "Справочник", "Нет", "--db", dbAddress(), "--csv", csv}),
            1);
  EXPECT_EQ(balvix::testing::runProgram({"--export", "Справочник", "Товары", "--db", dbAddress()}),
            2);
  EXPECT_EQ(balvix::testing::runProgram({"--import", "Товары", "--db", dbAddress()}), 2);
}

}  // namespace
}  // namespace balvix::documents::testing
