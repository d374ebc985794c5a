#include "runtime/report_grid.h"

#include <QHeaderView>
#include <QTimer>
#include <QToolBar>

#include "runtime/report_model.h"
#include "runtime_fixture.h"
#include "script/objects/object_factory.h"

namespace balvix::runtime::testing {
namespace {

// A layout with every cell attribute, a merge, three sections and a line of a later
// version of the program.
ReportSheet sampleLayout() {
  ReportSheet s;
  CellStyle head;
  head.bold = true;
  head.italic = true;
  head.size = 14;
  head.align = Qt::AlignHCenter;
  head.borders = QStringLiteral("ltrb");
  head.background = QColor(QStringLiteral("#ffeecc"));
  CellStyle number;
  number.align = Qt::AlignRight;
  const int h = s.styleIndex(head);
  const int n = s.styleIndex(number);
  s.cellRef(0, 0) = {"Остатки на [Дата]", h};
  s.cellRef(1, 0) = {"[Товар]", 0};
  s.cellRef(1, 1) = {"[Склад]", 0};
  s.cellRef(1, 2) = {"[Количество]", n};
  s.cellRef(2, 0) = {"Итого 'всего'; \\ \"x\"\nвторая строка", h};
  s.cellRef(2, 2) = {"[Итог]", n};
  s.merges << QRect(0, 0, 3, 1);
  s.columnWidths = {150, 0, 80};
  s.resize(3, 3);
  s.rowHeights[0] = 40;
  s.sections << ReportSection{"Шапка", 0, 0} << ReportSection{"Строка", 1, 1}
             << ReportSection{"Итог", 2, 2};
  s.unknownLines << QStringLiteral("picture 0 0 logo.png");
  return s;
}

TEST(ReportLayoutText, EveryAttributeMergeSectionAndUnknownLineRoundTrips) {
  const ReportSheet s = sampleLayout();
  const QString text = ReportLayoutText::write(s);
  QString problem;
  const std::optional<ReportSheet> back = ReportLayoutText::read(text, &problem);
  ASSERT_TRUE(back) << problem.toStdString();
  EXPECT_EQ(back->columns, 3);
  EXPECT_EQ(back->rowCount(), 3);
  EXPECT_EQ(back->cell(2, 0)->text, s.cell(2, 0)->text);
  EXPECT_EQ(back->cell(0, 0)->text, QStringLiteral("Остатки на [Дата]"));
  const CellStyle& h = back->style(back->cell(0, 0)->style);
  EXPECT_TRUE(h.bold);
  EXPECT_TRUE(h.italic);
  EXPECT_EQ(h.size, 14);
  EXPECT_EQ(h.align, Qt::AlignHCenter);
  EXPECT_EQ(h.borders, QStringLiteral("ltrb"));
  EXPECT_EQ(h.background, QColor(QStringLiteral("#ffeecc")));
  EXPECT_EQ(back->style(back->cell(1, 2)->style).align, Qt::AlignRight);
  EXPECT_FALSE(back->style(back->cell(1, 0)->style).bold);
  EXPECT_EQ(back->merges, QList<QRect>{QRect(0, 0, 3, 1)});
  EXPECT_EQ(back->columnWidth(0), 150);
  EXPECT_EQ(back->columnWidth(1), ReportSheet::kDefaultColumnWidth);
  EXPECT_EQ(back->columnWidth(2), 80);
  EXPECT_EQ(back->rowHeight(0), 40);
  ASSERT_EQ(back->sections.size(), 3);
  EXPECT_EQ(back->section(QStringLiteral("строка"))->first, 1);
  EXPECT_EQ(back->unknownLines, QStringList{"picture 0 0 logo.png"});
  // Written again, the text is the same.
  EXPECT_EQ(ReportLayoutText::write(*back), text);
}

TEST(ReportLayoutText, MalformedTextIsRefusedWithAMessage) {
  QString problem;
  EXPECT_FALSE(ReportLayoutText::read(QStringLiteral("name=txt;caption=x;"), &problem));
  EXPECT_TRUE(problem.contains(QStringLiteral("не распознан")));
  EXPECT_FALSE(ReportLayoutText::read(QStringLiteral("BalvixReport 1\ncell x 0 0 a"), &problem));
  EXPECT_TRUE(problem.contains(QStringLiteral("строка 2")));
  EXPECT_FALSE(ReportLayoutText::read(QStringLiteral("BalvixReport 1\nmerge 0 0 0 2"), &problem));
  EXPECT_FALSE(ReportLayoutText::read(QStringLiteral("BalvixReport 1\nsection А 3 1"), &problem));
  EXPECT_FALSE(
      ReportLayoutText::read(QStringLiteral("BalvixReport 1\ncell 99999999 0 0 a"), &problem));
  // A style the text never defined shows the cell plain.
  const auto ok = ReportLayoutText::read(QStringLiteral("BalvixReport 1\ncell 0 0 7 a"));
  ASSERT_TRUE(ok);
  EXPECT_EQ(ok->cell(0, 0)->style, 0);
}

TEST(ReportLayoutText, InsertedAndRemovedRowsMoveMergesAndSections) {
  ReportSheet s = sampleLayout();
  s.merges << QRect(0, 1, 1, 2);  // rows 1-2 of the first column
  s.insertRow(1);
  EXPECT_EQ(s.rowCount(), 4);
  EXPECT_EQ(s.cell(2, 0)->text, QStringLiteral("[Товар]"));
  EXPECT_EQ(s.rowHeight(0), 40);
  EXPECT_EQ(s.merges, (QList<QRect>{QRect(0, 0, 3, 1), QRect(0, 2, 1, 2)}));
  EXPECT_EQ(s.section(QStringLiteral("Шапка"))->last, 0);
  EXPECT_EQ(s.section(QStringLiteral("Строка"))->first, 2);
  EXPECT_EQ(s.section(QStringLiteral("Итог"))->first, 3);
  s.removeRow(1);
  s.removeRow(1);  // the row of the section "Строка": the section goes, the merge shrinks away
  EXPECT_EQ(s.rowCount(), 2);
  EXPECT_EQ(s.merges, QList<QRect>{QRect(0, 0, 3, 1)});
  EXPECT_FALSE(s.section(QStringLiteral("Строка")));
  EXPECT_EQ(s.section(QStringLiteral("Итог"))->first, 1);
  EXPECT_EQ(s.cell(1, 2)->text, QStringLiteral("[Итог]"));
}

class ReportGridTest : public RuntimeTest {
 protected:
  void addRegister() {
    db().execute(QStringLiteral("INSERT INTO form_items (name,type) VALUES ('Остатки','Регистр')"));
    db().execute(QStringLiteral(
        "CREATE TABLE items_Регистр_Остатки(Товар TEXT(50),Склад TEXT(50),Количество TEXT(50),"
        "cDATE TEXT(10),cTIME TEXT(10),Документ TEXT(50),Флаг TEXT(5))"));
    db().execute(QStringLiteral(
        "INSERT INTO items_Регистр_Остатки VALUES ('Стол','Главный','5','01.02.2026','','Д1','+'),"
        "('Стул','Малый','7','01.02.2026','','Д2','+'),('Стол','Главный','2','03.02.2026','','Д3','"
        "-'),"
        "('Шкаф','Главный','2','04.02.2026','','Д4','+')"));
  }
  bool run(ReportGrid& grid, const QString& module, const ReportDialogValues* dialog = nullptr) {
    grid.setHost(state.host);
    return grid.LoadModule(module, script::createGlobalFunctions(*state.host, state), dialog);
  }
  QStringList rowTexts(const ReportGrid& grid) {
    QStringList rows;
    const ReportSheet& s = grid.sheet();
    for (int r = 0; r < s.rowCount(); ++r) {
      QStringList cells;
      for (int c = 0; c < s.columns; ++c) cells << (s.cell(r, c) ? s.cell(r, c)->text : QString());
      rows << cells.join(QLatin1Char('|'));
    }
    return rows;
  }
  const QString balances = QStringLiteral(
      "Отчет.Параметр(\"Дата\") = \"04.02.2026\"\n"
      "Отчет.Вывести(\"Шапка\")\n"
      "Объект Рег = СоздатьОбъект(\"Регистр\")\nРег.Вид = \"Остатки\"\nРег.ВыбратьОстатки()\n"
      "Итог = 0\n"
      "Делать Пока Рег.Получить() = 1\n"
      "  Отчет.Параметр(\"Товар\") = Рег.Реквизит(\"Товар\")\n"
      "  Отчет.Параметр(\"Склад\") = Рег.Реквизит(\"Склад\")\n"
      "  Отчет.Параметр(\"Количество\") = Рег.Реквизит(\"Количество\")\n"
      "  Итог = Итог + Число(Рег.Реквизит(\"Количество\"))\n"
      "  Отчет.Вывести(\"Строка\")\n"
      "Цикл\n"
      "Отчет.Параметр(\"Итог\") = Итог\n"
      "Отчет.Вывести(\"Итог\")\n");
};

TEST_F(ReportGridTest, ModuleOutputsHeaderOneRowPerBalanceGroupAndTotal) {
  addRegister();
  ReportGrid grid;
  grid.LoadLayout(ReportLayoutText::write(sampleLayout()));
  ASSERT_TRUE(run(grid, balances)) << messages.last().toStdString();
  EXPECT_EQ(rowTexts(grid),
            (QStringList{"Остатки на 04.02.2026||", "Стол|Главный|3", "Стул|Малый|7",
                         "Шкаф|Главный|2", "Итого 'всего'; \\ \"x\"\nвторая строка||12"}));
  const ReportSheet& out = grid.sheet();
  // Styles, merges, heights and the sections the rows came from travel with the copies.
  EXPECT_TRUE(out.style(out.cell(0, 0)->style).bold);
  EXPECT_EQ(out.style(out.cell(3, 2)->style).align, Qt::AlignRight);
  EXPECT_EQ(out.merges, QList<QRect>{QRect(0, 0, 3, 1)});
  EXPECT_EQ(out.rowHeight(0), 40);
  EXPECT_EQ(out.rowSections, (QStringList{"Шапка", "Строка", "Строка", "Строка", "Итог"}));
  EXPECT_EQ(grid.model()->rowCount(), 5);
  EXPECT_EQ(grid.model()->data(grid.model()->index(1, 0), Qt::DisplayRole).toString(),
            QStringLiteral("Стол"));
  EXPECT_TRUE(messages.texts().isEmpty());
}

TEST_F(ReportGridTest, CellClearCaptionAndErrorsKeepTheOutputSoFar) {
  ReportGrid grid;
  grid.setWindowTitle(QStringLiteral("Отчет.Проба"));
  grid.setModuleName(QStringLiteral("Отчет.Проба"));
  grid.LoadLayout(ReportLayoutText::write(sampleLayout()));
  ASSERT_TRUE(run(
      grid, QStringLiteral(
                "Отчет.Параметр(\"Товар\") = \"А\"\nОтчет.Вывести(\"Строка\")\n"
                "Отчет.Очистить()\nОтчет.Вывести(\"Строка\")\n"
                "Отчет.Ячейка(1, 2) = \"Б\"\nОтчет.Ячейка(3, 4) = \"В\"\n"
                "Сообщить(Отчет.Ячейка(1, 1) & Отчет.Ячейка(1, 2) & Отчет.Параметр(\"товар\"))\n"
                "Сообщить(Отчет.Заголовок)\nОтчет.Заголовок = \"Новый заголовок\"\n")));
  EXPECT_EQ(messages.texts(), (QStringList{"АБА", "Отчет.Проба"}));
  EXPECT_EQ(grid.windowTitle(), QStringLiteral("Новый заголовок"));
  EXPECT_EQ(rowTexts(grid), (QStringList{"А|Б||", "|||", "|||В"}));
  messages.clear();
  // An unknown section stops the module with its line; the rows output before stay.
  EXPECT_FALSE(run(
      grid,
      QStringLiteral("Отчет.Очистить()\nОтчет.Вывести(\"Шапка\")\n\nОтчет.Вывести(\"Подвал\")\n")));
  ASSERT_EQ(messages.texts().size(), 1);
  EXPECT_TRUE(Contains(messages.last(), QStringLiteral("строка 4")));
  EXPECT_TRUE(messages.last().contains(QStringLiteral("Подвал")));
  EXPECT_EQ(grid.model()->rowCount(), 1);
  messages.clear();
  EXPECT_FALSE(run(grid, QStringLiteral("Отчет.Ячейка(0, 1) = \"x\"\n")));
  EXPECT_EQ(messages.texts().size(), 1);
}

TEST_F(ReportGridTest, LongModuleIsInterruptedAndKeepsItsRows) {
  ReportGrid grid;
  grid.setModuleName(QStringLiteral("Отчет.Долгий"));
  grid.LoadLayout(ReportLayoutText::write(sampleLayout()));
  grid.show();
  // The program's host lets events run while the module works: the status line counts
  // the rows, and the timer asks the module to stop.
  QString status;
  QTimer::singleShot(200, [&] {
    status = main()->statusText();
    state.host->requestInterrupt();
  });
  EXPECT_FALSE(
      run(grid,
          QStringLiteral("Н = 0\nДелать Пока 1 = 1\n  Н = Н + 1\n  Отчет.Параметр(\"Товар\") = Н\n"
                         "  Отчет.Вывести(\"Строка\")\nЦикл\n")));
  ASSERT_EQ(messages.texts().size(), 1);
  EXPECT_TRUE(Contains(messages.last(), QStringLiteral("прервано")));
  const int rows = grid.model()->rowCount();
  EXPECT_GT(rows, 0);
  EXPECT_EQ(grid.sheet().rowCount(), rows);
  EXPECT_EQ(grid.cellText(rows, 1), QString::number(rows));
  EXPECT_TRUE(status.startsWith(QStringLiteral("Формируется отчет: "))) << status.toStdString();
  EXPECT_EQ(main()->statusText(), QStringLiteral("Строк в отчете: %1").arg(rows));
}

TEST_F(ReportGridTest, MalformedLayoutOpensEmptyWithAMessageAndWithoutSectionsIsThePage) {
  ReportGrid grid;
  EXPECT_FALSE(grid.LoadLayout(QStringLiteral("это не макет")));
  EXPECT_EQ(grid.model()->rowCount(), 0);
  ASSERT_EQ(messages.texts().size(), 1);
  EXPECT_TRUE(messages.last().contains(QStringLiteral("макет открыт пустым")));
  ReportSheet page;
  page.cellRef(1, 1).text = QStringLiteral("Справка");
  EXPECT_TRUE(grid.LoadLayout(ReportLayoutText::write(page)));
  EXPECT_EQ(grid.model()->data(grid.model()->index(1, 1), Qt::DisplayRole).toString(),
            QStringLiteral("Справка"));
}

TEST_F(ReportGridTest, DesignCommandsEditTheLayoutThatGetLayoutWrites) {
  ReportGrid grid;
  grid.setDesignMode(true);
  grid.LoadLayout(QString());
  EXPECT_TRUE(grid.designBar()->isVisibleTo(&grid));
  auto* m = grid.model();
  ASSERT_TRUE(m->flags(m->index(0, 0)) & Qt::ItemIsEditable);
  m->setData(m->index(0, 0), QStringLiteral("Заголовок 'в кавычках'"), Qt::EditRole);
  m->setData(m->index(1, 2), QStringLiteral("[Товар]"), Qt::EditRole);
  grid.selectRange(QRect(0, 0, 3, 1));
  grid.mergeSelection();
  grid.toggleBold();
  grid.toggleItalic();
  grid.setAlignment(Qt::AlignHCenter);
  grid.toggleBorders();
  EXPECT_TRUE(grid.nameSection(QStringLiteral("Шапка")));
  grid.selectRange(QRect(0, 1, 1, 2));
  EXPECT_TRUE(grid.nameSection(QStringLiteral("Строка")));
  grid.selectRange(QRect(2, 1, 1, 1));
  grid.toggleAmount();
  grid.toggleBlankZero();
  grid.view()->horizontalHeader()->resizeSection(2, 177);
  EXPECT_FALSE(grid.nameSection(QStringLiteral("  ")));

  const auto back = ReportLayoutText::read(grid.GetLayout());
  ASSERT_TRUE(back);
  EXPECT_EQ(back->cell(0, 0)->text, QStringLiteral("Заголовок 'в кавычках'"));
  EXPECT_EQ(back->cell(1, 2)->text, QStringLiteral("[Товар]"));
  const CellStyle& s = back->style(back->cell(0, 1)->style);
  EXPECT_TRUE(s.bold && s.italic);
  EXPECT_EQ(s.align, Qt::AlignHCenter);
  EXPECT_EQ(s.borders, QStringLiteral("ltrb"));
  EXPECT_EQ(s.decimals, -1);
  const CellStyle& amount = back->style(back->cell(1, 2)->style);
  EXPECT_EQ(amount.decimals, 2);
  EXPECT_TRUE(amount.blankZero);
  EXPECT_EQ(back->merges, QList<QRect>{QRect(0, 0, 3, 1)});
  EXPECT_EQ(back->columnWidth(2), 177);
  ASSERT_EQ(back->sections.size(), 2);
  EXPECT_EQ(back->section(QStringLiteral("Строка"))->first, 1);
  EXPECT_EQ(back->section(QStringLiteral("Строка"))->last, 2);
  grid.selectRange(QRect(0, 1, 1, 1));
  grid.insertRow();
  EXPECT_EQ(grid.layout().cell(2, 2)->text, QStringLiteral("[Товар]"));
  EXPECT_EQ(grid.layout().section(QStringLiteral("Строка"))->first, 2);
  grid.selectRange(QRect(0, 1, 1, 1));
  grid.removeRows();
  EXPECT_EQ(grid.layout().cell(1, 2)->text, QStringLiteral("[Товар]"));
  grid.selectRange(QRect(1, 0, 1, 1));
  grid.unmergeSelection();
  EXPECT_TRUE(ReportLayoutText::read(grid.GetLayout())->merges.isEmpty());
}

}  // namespace
}  // namespace balvix::runtime::testing
