#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "configurator/journal_designer.h"
#include "runtime/catalog_list.h"
#include "runtime/document_form.h"
#include "runtime/form_control.h"
#include "runtime/form_table.h"
#include "runtime/journal.h"
#include "runtime/list_search.h"
#include "runtime/report_model.h"
#include "runtime/value_field.h"
#include "runtime_fixture.h"

namespace balvix::runtime::testing {
namespace {

const QString nb = QString(QChar(0x00A0));

// Key by key, as typed (QTest's own typing knows only ASCII).
void typeInto(QWidget* widget, const QString& text) {
  for (const QChar ch : text) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
    QApplication::sendEvent(widget, &press);
  }
}

void focus(QWidget* widget, QEvent::Type type) {
  QFocusEvent event(type, Qt::TabFocusReason);
  QApplication::sendEvent(widget, &event);
}

// A number field: shown as people read it, edited as its plain value, typed in any of the
// forms people type.
TEST(AmountFields, ANumberFieldShowsItsValueFormattedAndEditsItPlain) {
  const struct {
    const char* type;
    QString stored;
    QString shown;
  } cases[] = {
      {"Число.Сумма", "1495864", "1" + nb + "495" + nb + "864,00"},
      {"Число", "1495864", "1" + nb + "495" + nb + "864"},
      {"Число", "2,125", "2,125"},
      {"Текст", "1495864", "1495864"},
  };
  for (const auto& c : cases) {
    const QString type = QString::fromUtf8(c.type);
    ValueField field(fieldKindOfType(type), type, QStringLiteral("Цена"));
    auto* line = qobject_cast<QLineEdit*>(field.focusWidget());
    ASSERT_TRUE(line);
    field.setText(c.stored);
    EXPECT_EQ(line->text(), c.shown) << c.type;
    focus(line, QEvent::FocusIn);
    EXPECT_EQ(line->text(), c.stored) << c.type;
    focus(line, QEvent::FocusOut);
    EXPECT_EQ(line->text(), c.shown) << c.type;
    EXPECT_EQ(field.text(), c.stored) << c.type;
  }
}

TEST(AmountFields, EveryTypedFormOfAnAmountIsTakenAsItsPlainValue) {
  const struct {
    QString typed;
    QString kept;
  } cases[] = {
      {"1 495 864,00", "1495864,00"},
      {"1" + nb + "495" + nb + "864,00", "1495864,00"},
      {"1495864,00", "1495864,00"},
      {"1495864.00", "1495864.00"},
  };
  for (const auto& c : cases) {
    ValueField field(FieldKind::Number, QStringLiteral("Число.Сумма"), QStringLiteral("Сумма"));
    auto* line = qobject_cast<QLineEdit*>(field.focusWidget());
    focus(line, QEvent::FocusIn);
    line->clear();
    typeInto(line, c.typed);
    EXPECT_EQ(field.text(), c.kept) << c.typed.toStdString();
    focus(line, QEvent::FocusOut);
    EXPECT_EQ(line->text(), "1" + nb + "495" + nb + "864,00") << c.typed.toStdString();
    EXPECT_EQ(field.text(), c.kept) << c.typed.toStdString();
  }
}

TEST(AmountFields, ATableCellShowsItsNumberFormattedAndKeepsTheStoredText) {
  FormTable table;
  for (const auto& [name, type] : {std::pair{"Товар", "Текст"}, std::pair{"Количество", "Число"},
                                   std::pair{"Цена", "Число.Сумма"}}) {
    table.addColumn(QString::fromUtf8(name));
    table.setStatus(QString::fromUtf8(type));
  }
  table.newRow();
  table.setData(table.index(0, 0), QStringLiteral("1500"), Qt::EditRole);
  table.setData(table.index(0, 1), QStringLiteral("1500,5"), Qt::EditRole);
  table.setData(table.index(0, 2), QStringLiteral("1 495 864,00"), Qt::EditRole);
  const struct {
    int column;
    QString stored;
    QString shown;
    bool right;
  } cases[] = {{0, "1500", "1500", false},
               {1, "1500,5", "1" + nb + "500,5", true},
               {2, "1495864,00", "1" + nb + "495" + nb + "864,00", true}};
  for (const auto& c : cases) {
    const QModelIndex cell = table.index(0, c.column);
    EXPECT_EQ(table.cell(0, c.column), c.stored);
    EXPECT_EQ(cell.data(Qt::EditRole).toString(), c.stored);
    EXPECT_EQ(cell.data(Qt::DisplayRole).toString(), c.shown);
    EXPECT_EQ(cell.data(Qt::TextAlignmentRole).value<Qt::Alignment>().testFlag(Qt::AlignRight),
              c.right);
  }
}

class AmountListsTest : public RuntimeTest {};

// A requisite made an amount after its form was arranged shows as one in the saved form.
TEST_F(AmountListsTest, ASavedFormShowsTheRequisitesCurrentType) {
  db().execute(
      QStringLiteral("INSERT INTO form_items (name,descript,code,type,items_type,table_,item) "
                     "VALUES ('Счет','Счет','_','Документ','Число.Сумма;','0',"
                     "'name=txt;index=1;top=700;left=250;width=2000;caption=Цена;type=Число;')"));
  db().execute(
      QStringLiteral("CREATE TABLE items_Документ_Счет(Цена TEXT(50),cDATE TEXT(10),"
                     "cTIME TEXT(10),Проводка TEXT(10),Номер TEXT(10))"));
  main()->BuildMenus();
  auto* doc = clickMenu<frmUniDoc>(1, QStringLiteral("Счет"));
  ASSERT_TRUE(doc);
  ValueField* price = doc->form()->field(QStringLiteral("Цена"));
  ASSERT_TRUE(price);
  EXPECT_EQ(price->type(), QStringLiteral("Число.Сумма"));
  price->setText(QStringLiteral("1495864"));
  auto* line = qobject_cast<QLineEdit*>(price->focusWidget());
  ASSERT_TRUE(line);
  EXPECT_EQ(line->text(), "1" + nb + "495" + nb + "864,00");
  // Where the layout put it, and as large.
  EXPECT_TRUE(Contains(doc->form()->GetLayout(), QStringLiteral("width=2000;")));
}

// The journal's own columns sort by what they hold: numbers by value, dates by date, empty
// values last.
TEST_F(AmountListsTest, TheJournalsOwnColumnsSortByTheirValues) {
  db().execute(
      QStringLiteral("INSERT INTO form_items (name,descript,type,items_type) VALUES "
                     "('Склад','Склад','Журнал','Количество;Оплата;Срок;Примечание;')"));
  db().execute(
      QStringLiteral("INSERT INTO form_items (name,descript,code,type,zurnal,items_type) VALUES "
                     "('Заказ','Заказ','_','Документ','Склад','Текст;Число;Число.Сумма;Дата;"
                     "Текст;')"));
  db().execute(QStringLiteral(
      "CREATE TABLE items_Документ_Заказ(Наименование TEXT(50),Количество TEXT(50),Оплата "
      "TEXT(50),Срок TEXT(50),Примечание TEXT(50),cDATE TEXT(10),cTIME TEXT(10),Проводка "
      "TEXT(10),Номер TEXT(10))"));
  const QString today = QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy"));
  const struct {
    const char* name;
    const char* quantity;
    const char* paid;
    const char* due;
    const char* note;
  } documents[] = {{"А", "10", "1 200,50", "05.03.2026", "б"},
                   {"Б", "9", "99", "20.01.2026", "а"},
                   {"В", "2,5", "", "01.12.2025", "в"},
                   {"Г", "", "1000.5", "", ""}};
  int second = 0;
  for (const auto& d : documents)
    db().execute(QStringLiteral("INSERT INTO items_Документ_Заказ VALUES (%1,%2,%3,%4,%5,%6,"
                                "'10:00:%7','1','1')")
                     .arg(storage::quote(QString::fromUtf8(d.name)),
                          storage::quote(QString::fromUtf8(d.quantity)),
                          storage::quote(QString::fromUtf8(d.paid)),
                          storage::quote(QString::fromUtf8(d.due)),
                          storage::quote(QString::fromUtf8(d.note)), storage::quote(today))
                     .arg(++second, 2, 10, QLatin1Char('0')));
  main()->BuildMenus();
  auto* journal = clickMenu<frmZurnal>(2, QStringLiteral("Склад"));
  ASSERT_TRUE(journal);
  QAbstractItemModel* m = journal->list()->model();
  const int name = journal->model()->columnOf(JournalModel::Name);
  const struct {
    int column;
    Qt::SortOrder order;
    QStringList names;
  } cases[] = {{4, Qt::AscendingOrder, {"В", "Б", "А", "Г"}},
               {4, Qt::DescendingOrder, {"Г", "А", "Б", "В"}},
               {5, Qt::AscendingOrder, {"Б", "Г", "А", "В"}},
               {6, Qt::AscendingOrder, {"В", "Б", "А", "Г"}},
               {7, Qt::AscendingOrder, {"Г", "Б", "А", "В"}}};
  for (const auto& c : cases) {
    journal->list()->sortByColumn(c.column, c.order);
    QStringList names;
    for (int r = 0; r < m->rowCount(); ++r) names << m->index(r, name).data().toString();
    EXPECT_EQ(names, c.names) << m->headerData(c.column, Qt::Horizontal).toString().toStdString()
                              << " " << c.order;
  }
}

TEST_F(AmountListsTest, ACatalogListShowsAmountsAndQuantitiesAsTheyRead) {
  createCatalog(
      QStringLiteral("Товары"),
      {{"Наименование", "Текст"}, {"Артикул", "Текст"}, {"Цена", "Число.Сумма"}, {"Вес", "Число"}});
  db().execute(QStringLiteral(
      "INSERT INTO items_Справочник_Товары VALUES ('Стол','1500','1495864','2500,75')"));
  main()->BuildMenus();
  auto* list = clickMenu<frmSprList>(0, QStringLiteral("Товары"));
  ASSERT_TRUE(list);
  QAbstractItemModel* m = list->list()->model();
  EXPECT_EQ(m->index(0, 2).data().toString(), QStringLiteral("1500"));
  EXPECT_EQ(m->index(0, 3).data().toString(), "1" + nb + "495" + nb + "864,00");
  EXPECT_EQ(m->index(0, 4).data().toString(), "2" + nb + "500,75");
  EXPECT_TRUE(m->index(0, 3).data(Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight);
  // The exports and the element form take the stored text.
  EXPECT_EQ(m->index(0, 3).data(Qt::EditRole).toString(), QStringLiteral("1495864"));
}

// Columns chosen in the journal designer are stored with the journal and shown after
// «Вид документа», searchable and sortable.
TEST_F(AmountListsTest, TheJournalShowsTheColumnsItsDesignerChose) {
  db().execute(QStringLiteral(
      "INSERT INTO form_items (name,descript,type) VALUES ('Склад','Склад','Журнал')"));
  db().execute(
      QStringLiteral("INSERT INTO form_items (name,descript,code,type,zurnal,items_type) VALUES "
                     "('Продажа','Продажа','_','Документ','Склад','Текст;Справочник.Контрагенты;"
                     "Справочник.Склады;')"));
  db().execute(
      QStringLiteral("CREATE TABLE items_Документ_Продажа(Наименование TEXT(50),Контрагент "
                     "TEXT(50),Склад TEXT(50),cDATE TEXT(10),cTIME TEXT(10),Проводка TEXT(10),"
                     "Номер TEXT(10))"));
  const QString today = QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy"));
  for (const auto& [name, party, store, time] :
       {std::tuple{"Первая", "ООО «Альянс»", "Центральный", "10:00:01"},
        std::tuple{"Вторая", "ИП Борисов", "Северный", "10:00:02"}})
    db().execute(
        QStringLiteral("INSERT INTO items_Документ_Продажа VALUES (%1,%2,%3,%4,%5,'1','1')")
            .arg(storage::quote(QString::fromUtf8(name)), storage::quote(QString::fromUtf8(party)),
                 storage::quote(QString::fromUtf8(store)), storage::quote(today),
                 storage::quote(QString::fromUtf8(time))));
  main()->BuildMenus();

  state.currentObjectType = QStringLiteral("Журнал");
  state.currentObjectName = QStringLiteral("Склад");
  state.selectedConfigNode = QStringLiteral("Журнал.Склад");
  auto* designer = qobject_cast<configurator::frmZurnalFrm*>(
      windows().sharedWindow(QStringLiteral("frmZurnalFrm")));
  ASSERT_TRUE(designer);
  designer->show();
  QListWidget* columns = designer->columnList();
  ASSERT_TRUE(columns);
  EXPECT_EQ(columns->accessibleName(), QStringLiteral("Графы журнала"));
  ASSERT_EQ(columns->count(), 2);  // Контрагент and Склад; the name is always a column
  for (int i = 0; i < columns->count(); ++i) columns->item(i)->setCheckState(Qt::Checked);
  designer->findChild<QListWidget*>(QStringLiteral("List1"))->item(0)->setSelected(true);
  designer->findChild<QPushButton*>(QStringLiteral("Command1"))->click();
  processEvents();
  EXPECT_EQ(value(QStringLiteral(
                "SELECT items_type FROM form_items WHERE type='Журнал' AND name='Склад'")),
            QStringLiteral("Контрагент;Склад;"));

  auto* journal = clickMenu<frmZurnal>(2, QStringLiteral("Склад"));
  ASSERT_TRUE(journal);
  QAbstractItemModel* m = journal->list()->model();
  QStringList headers;
  for (int c = 0; c < m->columnCount(); ++c) headers << m->headerData(c, Qt::Horizontal).toString();
  EXPECT_EQ(headers, (QStringList{"№", "Дата", "Время", "Вид документа", "Контрагент", "Склад",
                                  "Наименование", "Сумма", "Проведен"}));
  journal->list()->sortByColumn(4, Qt::AscendingOrder);
  EXPECT_EQ(m->index(0, 4).data().toString(), QStringLiteral("ИП Борисов"));
  EXPECT_EQ(m->index(0, 5).data().toString(), QStringLiteral("Северный"));
  EXPECT_EQ(journal->list()->horizontalHeader()->sectionResizeMode(
                journal->model()->columnOf(JournalModel::Name)),
            QHeaderView::Stretch);
  typeText(journal->searchField(), QStringLiteral("центр"));
  processEvents();
  ASSERT_EQ(m->rowCount(), 1);
  EXPECT_EQ(m->index(0, journal->model()->columnOf(JournalModel::Name)).data().toString(),
            QStringLiteral("Первая"));
}

TEST(ReportHeadings, AReportsHeaderCellsAreItsOwnColumnTitles) {
  std::optional<ReportSheet> layout = documents::ReportLayoutText::read(QStringLiteral(
      "BalvixReport 1\r\ncolumns 3\r\nrows 2\r\ncell 0 0 0 Товар\r\ncell 0 1 0 Склад\r\n"
      "cell 0 2 0 Количество\r\ncell 1 0 0 [Товар]\r\nsection Шапка 0 0\r\n"
      "section Строка 1 1\r\n"));
  ASSERT_TRUE(layout);
  ReportSheet output = *layout;
  output.rowSections = {QStringLiteral("Шапка"), QStringLiteral("Строка")};
  ReportModel model;
  model.setSheet(output);
  QStringList names;
  for (int c = 0; c < model.columnCount(); ++c)
    names << model.headerData(c, Qt::Horizontal, Qt::AccessibleTextRole).toString();
  EXPECT_EQ(names, (QStringList{"Товар", "Склад", "Количество"}));
  // A layout being designed keeps the numbers Ячейка counts by.
  model.setEditable(true);
  EXPECT_EQ(model.headerData(0, Qt::Horizontal, Qt::DisplayRole).toInt(), 1);
}

}  // namespace
}  // namespace balvix::runtime::testing
