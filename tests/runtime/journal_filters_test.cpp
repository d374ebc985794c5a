#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QTest>

#include "documents/xlsx_reader.h"
#include "runtime/journal.h"
#include "runtime/list_search.h"
#include "runtime_fixture.h"

namespace balvix::runtime::testing {
namespace {

// The journal as documents: the kind's caption, filters by kind and state combined with the
// search, and the period remembered per journal.
class JournalFiltersTest : public RuntimeTest {
 protected:
  JournalFiltersTest() {
    db().execute(QStringLiteral(
        "INSERT INTO form_items (name,descript,type) VALUES ('Склад','Склад','Журнал')"));
    for (const char* kind : {"ПриходнаяНакладная", "РасходнаяНакладная"}) {
      const QString name = QString::fromUtf8(kind);
      const QString caption = name == QStringLiteral("ПриходнаяНакладная")
                                  ? QStringLiteral("Приходная накладная")
                                  : QStringLiteral("Расходная накладная");
      db().execute(
          QStringLiteral("INSERT INTO form_items (name,descript,code,type,zurnal,items_type) "
                         "VALUES (%1,%2,'_','Документ','Склад','Текст;')")
              .arg(storage::quote(name), storage::quote(caption)));
      db().execute(QStringLiteral("CREATE TABLE items_Документ_") + name +
                   QStringLiteral("(Наименование TEXT(50),cDATE TEXT(10),cTIME TEXT(10),"
                                  "Проводка TEXT(10),Номер TEXT(10))"));
    }
    int n = 0;
    for (const auto& [kind, name, posted] :
         {std::tuple{"ПриходнаяНакладная", "Поставка столов", "1"},
          std::tuple{"ПриходнаяНакладная", "Поставка стульев", "0"},
          std::tuple{"РасходнаяНакладная", "Продажа столов", "1"},
          std::tuple{"РасходнаяНакладная", "Продажа ламп", "0"}}) {
      ++n;
      db().execute(
          QStringLiteral("INSERT INTO items_Документ_%1 VALUES (%2,%3,%4,%5,%6)")
              .arg(QString::fromUtf8(kind), storage::quote(QString::fromUtf8(name)),
                   storage::quote(today()), storage::quote(QStringLiteral("10:00:0%1").arg(n)),
                   storage::quote(QString::fromUtf8(posted)), storage::quote(QString::number(n))));
    }
    main()->BuildMenus();
  }
  static QString today() { return QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy")); }
  frmZurnal* openJournal() { return clickMenu<frmZurnal>(2, QStringLiteral("Склад")); }
  static QStringList shown(frmZurnal* journal, int column) {
    QStringList values;
    QAbstractItemModel* m = journal->list()->model();
    for (int r = 0; r < m->rowCount(); ++r) values << m->index(r, column).data().toString();
    return values;
  }
  // A combo is found and chosen by what the user reads.
  static void choose(frmZurnal* journal, const QString& combo, const QString& item) {
    for (QComboBox* box : journal->findChildren<QComboBox*>())
      if (box->accessibleName() == combo) {
        const int at = box->findText(item);
        ASSERT_GE(at, 0) << item.toStdString();
        box->setCurrentIndex(at);
        return;
      }
    FAIL() << combo.toStdString();
  }
};

TEST_F(JournalFiltersTest, ColumnsShowTheKindsCaptionAndTheNameStretches) {
  frmZurnal* journal = openJournal();
  ASSERT_TRUE(journal);
  QStringList headers;
  for (int c = 0; c < journal->list()->model()->columnCount(); ++c)
    headers << journal->list()->model()->headerData(c, Qt::Horizontal).toString();
  EXPECT_EQ(headers, (QStringList{"№", "Дата", "Время", "Вид документа", "Наименование", "Сумма",
                                  "Проведен"}));
  EXPECT_EQ(shown(journal, JournalModel::Kind),
            (QStringList{"Приходная накладная", "Приходная накладная", "Расходная накладная",
                         "Расходная накладная"}));
  EXPECT_EQ(journal->list()->horizontalHeader()->sectionResizeMode(JournalModel::Name),
            QHeaderView::Stretch);
  // The caption is what the search finds too.
  typeText(journal->searchField(), QStringLiteral("расходная"));
  EXPECT_EQ(shown(journal, JournalModel::Name), (QStringList{"Продажа столов", "Продажа ламп"}));
}

TEST_F(JournalFiltersTest, KindStateAndSearchCombine) {
  frmZurnal* journal = openJournal();
  ASSERT_TRUE(journal);
  EXPECT_TRUE(journal->kindFilter()->isVisibleTo(journal));
  EXPECT_EQ(journal->kindFilter()->accessibleName(), QStringLiteral("Вид документа:"));
  EXPECT_EQ(journal->stateFilter()->accessibleName(), QStringLiteral("Состояние:"));
  const struct {
    const char* kind;
    const char* state;
    const char* typed;
    QStringList names;
  } cases[] = {
      {"Все виды",
       "Все",
       "",
       {"Поставка столов", "Поставка стульев", "Продажа столов", "Продажа ламп"}},
      {"Приходная накладная", "Все", "", {"Поставка столов", "Поставка стульев"}},
      {"Все виды", "Проведенные", "", {"Поставка столов", "Продажа столов"}},
      {"Все виды", "Непроведенные", "", {"Поставка стульев", "Продажа ламп"}},
      {"Расходная накладная", "Непроведенные", "", {"Продажа ламп"}},
      {"Все виды", "Проведенные", "стол", {"Поставка столов", "Продажа столов"}},
      {"Приходная накладная", "Проведенные", "стол", {"Поставка столов"}},
      {"Расходная накладная", "Все", "стул", {}},
  };
  for (const auto& c : cases) {
    choose(journal, QStringLiteral("Вид документа:"), QString::fromUtf8(c.kind));
    choose(journal, QStringLiteral("Состояние:"), QString::fromUtf8(c.state));
    journal->searchField()->clear();
    typeText(journal->searchField(), QString::fromUtf8(c.typed));
    EXPECT_EQ(shown(journal, JournalModel::Name), c.names)
        << c.kind << " / " << c.state << " / " << c.typed;
  }
  // A new period keeps the kind chosen.
  choose(journal, QStringLiteral("Вид документа:"), QStringLiteral("Расходная накладная"));
  journal->searchField()->clear();
  journal->periodStart()->setDate(journal->periodStart()->date().addDays(-1));
  EXPECT_EQ(journal->kindFilter()->currentText(), QStringLiteral("Расходная накладная"));
  EXPECT_EQ(shown(journal, JournalModel::Name), (QStringList{"Продажа столов", "Продажа ламп"}));
}

TEST_F(JournalFiltersTest, OneKindShowsNoKindFilter) {
  db().execute(
      QStringLiteral("UPDATE form_items SET zurnal='Полный' WHERE "
                     "name='РасходнаяНакладная'"));
  frmZurnal* journal = openJournal();
  ASSERT_TRUE(journal);
  EXPECT_FALSE(journal->kindFilter()->isVisibleTo(journal));
  EXPECT_EQ(journal->list()->model()->rowCount(), 2);
}

TEST_F(JournalFiltersTest, ThePeriodLastShownIsRememberedPerJournal) {
  frmZurnal* journal = openJournal();
  ASSERT_TRUE(journal);
  EXPECT_EQ(journal->periodStart()->date(), frmZurnal::defaultPeriod(QDate::currentDate()).first);
  const QDate chosenStart = QDate::currentDate().addYears(-2);
  const QDate chosenEnd = QDate::currentDate().addDays(-1);
  journal->periodStart()->setDate(chosenStart);
  journal->periodEnd()->setDate(chosenEnd);
  EXPECT_EQ(journal->list()->model()->rowCount(), 0);
  journal->close();
  processEvents();
  journal = openJournal();
  ASSERT_TRUE(journal);
  EXPECT_EQ(journal->periodStart()->date(), chosenStart);
  EXPECT_EQ(journal->periodEnd()->date(), chosenEnd);
  EXPECT_EQ(journal->list()->model()->rowCount(), 0);
}

TEST_F(JournalFiltersTest, TheTotalIsTheHeadersSumElseTheLinesSum) {
  // Receipts carry «Сумма» in the header; sales only in their lines.
  db().execute(QStringLiteral("ALTER TABLE items_Документ_ПриходнаяНакладная ADD Сумма TEXT(50)"));
  db().execute(
      QStringLiteral("UPDATE items_Документ_ПриходнаяНакладная SET Сумма='1495864' "
                     "WHERE Наименование='Поставка столов'"));
  db().execute(
      QStringLiteral("CREATE TABLE table_Документ_РасходнаяНакладная(Товар TEXT(50),"
                     "Сумма TEXT(50),cDATE TEXT(10),cTIME TEXT(10))"));
  for (const char* amount : {"1 200", "10,5"})
    db().execute(QStringLiteral("INSERT INTO table_Документ_РасходнаяНакладная "
                                "VALUES ('Стол',%1,%2,'10:00:03')")
                     .arg(storage::quote(QString::fromUtf8(amount)), storage::quote(today())));
  frmZurnal* journal = openJournal();
  ASSERT_TRUE(journal);
  const QChar gap(0x00A0);
  EXPECT_EQ(shown(journal, JournalModel::Total),
            (QStringList{
                QStringLiteral("1") + gap + QStringLiteral("495") + gap + QStringLiteral("864,00"),
                "0,00", QStringLiteral("1") + gap + QStringLiteral("210,50"), "0,00"}));
  const QVariant alignment =
      journal->list()->model()->index(0, JournalModel::Total).data(Qt::TextAlignmentRole);
  EXPECT_TRUE(alignment.value<Qt::Alignment>() & Qt::AlignRight);
}

TEST_F(JournalFiltersTest, ItsExportWritesTheColumnsRowsAndOrderItShows) {
  db().execute(QStringLiteral("ALTER TABLE items_Документ_ПриходнаяНакладная ADD Сумма TEXT(50)"));
  db().execute(
      QStringLiteral("UPDATE items_Документ_ПриходнаяНакладная SET Сумма='1495864' "
                     "WHERE Наименование='Поставка столов'"));
  frmZurnal* journal = openJournal();
  ASSERT_TRUE(journal);
  choose(journal, QStringLiteral("Состояние:"), QStringLiteral("Проведенные"));
  typeText(journal->searchField(), QStringLiteral("стол"));
  journal->list()->sortByColumn(JournalModel::Name, Qt::DescendingOrder);
  // The user hid the time and moved the name to the front.
  journal->list()->setColumnHidden(JournalModel::Time, true);
  QHeaderView* header = journal->list()->horizontalHeader();
  header->moveSection(header->visualIndex(JournalModel::Name), 0);

  // The total as a spreadsheet set to Russian reads a number: a decimal comma, no blanks.
  const QStringList headers{"Наименование", "№", "Дата", "Вид документа", "Сумма", "Проведен"};
  const std::vector<QStringList> rows{
      {"Продажа столов", "3", today(), "Расходная накладная", "", "Проведен"},
      {"Поставка столов", "1", today(), "Приходная накладная", "1495864,00", "Проведен"}};
  const QString csv = m_dir.filePath(QStringLiteral("журнал.csv"));
  ASSERT_TRUE(journal->exportList(csv));
  QFile file(csv);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  QString expected = headers.join(u';') + QStringLiteral("\r\n");
  for (const QStringList& row : rows) expected += row.join(u';') + QStringLiteral("\r\n");
  EXPECT_EQ(QString::fromUtf8(file.readAll()), expected);

  // The workbook holds the same table; its dates and totals are typed cells (serial day
  // numbers; the amount as a number, shown with two decimals by its format).
  const QString xlsx = m_dir.filePath(QStringLiteral("журнал.xlsx"));
  ASSERT_TRUE(journal->exportList(xlsx));
  documents::SourceTable table;
  ASSERT_EQ(documents::xlsx_reader::readFile(xlsx, table), QString());
  EXPECT_EQ(table.header, headers);
  std::vector<QStringList> typed = rows;
  for (QStringList& row : typed)
    row[2] = QString::number(QDate(1899, 12, 30).daysTo(QDate::currentDate()));
  typed[1][4] = QStringLiteral("1495864");
  EXPECT_EQ(table.rows, typed);
}

// At 820 px every label of the period and the filters reads whole, colon included.
TEST_F(JournalFiltersTest, NoLabelIsCutShortInANarrowWindow) {
  frmZurnal* journal = openJournal();
  ASSERT_TRUE(journal && journal->kindFilter()->isVisible());
  journal->frame()->resize(820, 520);
  processEvents();
  int checked = 0;
  for (QLabel* label : journal->findChildren<QLabel*>()) {
    if (!label->isVisible()) continue;
    ++checked;
    SCOPED_TRACE(label->text().toStdString());
    EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text()));
    EXPECT_TRUE(label->text().endsWith(u':'));
  }
  EXPECT_EQ(checked, 4);
}

}  // namespace
}  // namespace balvix::runtime::testing
