#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QStandardItemModel>
#include <QTableView>

#include "runtime/catalog_list.h"
#include "runtime/form_control.h"
#include "runtime/import_dialog.h"
#include "runtime/list_search.h"
#include "runtime/toolbar_control.h"
#include "runtime/value_choice.h"
#include "runtime_fixture.h"

namespace balvix::runtime::testing {
namespace {

class TransferWindowsTest : public RuntimeTest {
 protected:
  TransferWindowsTest() {
    createCatalog(QStringLiteral("Товары"), {{"Наименование", "Текст"}, {"Цена", "Число"}});
    for (const char* name : {"Стол", "Стул", "Шкаф"})
      addElement(QStringLiteral("Товары"), QString::fromUtf8(name), "5");
    main()->BuildMenus();
  }
  QString file(const QString& name, const QByteArray& content = {}) {
    const QString path = m_dir.filePath(name);
    if (!content.isEmpty()) balvix::testing::writeFile(path, content);
    return path;
  }
  static QString read(const QString& path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return QString::fromUtf8(f.readAll());
  }
};

TEST_F(TransferWindowsTest, TheServiceMenuLoadsAFileThroughTheMappingTheUserChose) {
  QAction* item = main()->findChild<QAction*>(QStringLiteral("mnuImport"));
  ASSERT_TRUE(item);
  EXPECT_EQ(item->text(), QStringLiteral("Загрузка данных…"));
  item->trigger();
  processEvents();
  frmImport* dialog = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* d = qobject_cast<frmImport*>(w); d && d->isVisible()) dialog = d;
  ASSERT_TRUE(dialog);
  // Every field, list and button is named as the user reads it.
  for (QWidget* w : dialog->findChildren<QWidget*>()) {
    // The corner buttons of the tables are Qt's own, not the dialog's.
    if (qobject_cast<QTableView*>(w->parentWidget())) continue;
    if (qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) ||
        qobject_cast<QAbstractButton*>(w) || qobject_cast<QTableView*>(w)) {
      EXPECT_FALSE(w->accessibleName().isEmpty()) << w->metaObject()->className();
    }
  }

  dialog->catalogField()->setCurrentText(QStringLiteral("Товары"));
  ASSERT_TRUE(dialog->openFile(file(QStringLiteral("товары.csv"),
                                    "Наименование;Цена;Цвет\nСтол;7;красный\nДиван;x;синий\n")));
  QStandardItemModel* mapping = dialog->mapping();
  ASSERT_EQ(mapping->rowCount(), 3);
  EXPECT_EQ(mapping->item(1, 1)->text(), QStringLiteral("Цена"));
  EXPECT_EQ(mapping->item(2, 1)->text(), frmImport::kSkipColumn);

  ASSERT_TRUE(dialog->check());
  ASSERT_EQ(dialog->results()->rowCount(), 2);
  EXPECT_EQ(dialog->results()->index(1, 3).data().toString(),
            QStringLiteral("Цена: «x» не является числом"));
  EXPECT_FALSE(dialog->load());  // all or nothing
  EXPECT_TRUE(Contains(messages.texts().join(u'\n'), QStringLiteral("отказано строк: 1")));
  EXPECT_EQ(elementNames(QStringLiteral("Товары")).size(), 3);

  // Not loading the price makes every row good.
  mapping->item(1, 1)->setText(frmImport::kSkipColumn);
  ASSERT_TRUE(dialog->load());
  EXPECT_EQ(elementNames(QStringLiteral("Товары")), (QStringList{"Стол", "Стул", "Шкаф", "Диван"}));
  EXPECT_TRUE(Contains(dialog->summary()->text(), QStringLiteral("добавлено 1")));
  dialog->close();
}

TEST_F(TransferWindowsTest, OpenListsOfTheCatalogShowWhatALoadWroteInTheirOrderAndPlace) {
  frmSprList* list = clickMenu<frmSprList>(0, QStringLiteral("Товары"));
  ASSERT_TRUE(list);
  list->list()->sortByColumn(1, Qt::DescendingOrder);
  const auto column = [](frmSprList* l, int c) {
    QStringList values;
    for (int r = 0; r < l->list()->model()->rowCount(); ++r)
      values << l->list()->model()->index(r, c).data().toString();
    return values;
  };
  list->list()->setCurrentIndex(
      list->list()->model()->index(column(list, 1).indexOf(QStringLiteral("Стул")), 1));
  FormControl document;  // the form a reference field of which asks for a good
  chooseValue(state, &document, QStringLiteral("Документ"), QStringLiteral("Справочник.Товары"),
              QStringLiteral("Товар"));
  processEvents();
  frmSprList* choice = openWindows<frmSprList>().last();
  ASSERT_NE(choice, list);
  ASSERT_TRUE(choice->choiceMode());

  frmImport dialog(state, main());
  dialog.catalogField()->setCurrentText(QStringLiteral("Товары"));
  ASSERT_TRUE(
      dialog.openFile(file(QStringLiteral("товары.csv"), "Наименование;Цена\nДиван;9\nСтул;8\n")));
  ASSERT_TRUE(dialog.load());
  processEvents();
  EXPECT_EQ(column(list, 1), (QStringList{"Шкаф", "Стул", "Стол", "Диван"}));
  EXPECT_EQ(column(list, 2), (QStringList{"5", "8", "5", "9"}));
  EXPECT_EQ(list->list()->currentIndex().siblingAtColumn(1).data().toString(),
            QStringLiteral("Стул"));
  EXPECT_EQ(column(choice, 1), (QStringList{"Стол", "Стул", "Шкаф", "Диван"}));
}

TEST_F(TransferWindowsTest, TheCatalogListExportsTheRowsItShowsInItsOrder) {
  frmSprList* list = clickMenu<frmSprList>(0, QStringLiteral("Товары"));
  ASSERT_TRUE(list);
  list->list()->sortByColumn(1, Qt::DescendingOrder);
  typeText(list->searchField(), QStringLiteral("ст"));
  const QString csv = file(QStringLiteral("список.csv"));
  ASSERT_TRUE(list->exportList(csv));
  EXPECT_EQ(read(csv), QStringLiteral("Код;Наименование;Цена\r\n2;Стул;5\r\n1;Стол;5\r\n"));
  const QString xlsx = file(QStringLiteral("список.xlsx"));
  ASSERT_TRUE(list->exportList(xlsx));
  EXPECT_TRUE(
      Contains(balvix::testing::zipEntry(xlsx, "xl/sharedStrings.xml"), QStringLiteral("Стул")));
}

}  // namespace
}  // namespace balvix::runtime::testing
