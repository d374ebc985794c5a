#include <QCompleter>
#include <QLineEdit>

#include "demo_windows_fixture.h"
#include "runtime/value_field.h"

namespace balvix::runtime::testing {
namespace {

class DocumentChecksWindowsTest : public DemoWindowsTest {
 protected:
  QString first(const QString& catalog) {
    return value(QStringLiteral("SELECT Наименование FROM items_Справочник_") + catalog);
  }
  static QLineEdit* line(frmUniDoc* doc, const QString& field) {
    return qobject_cast<QLineEdit*>(doc->form()->field(field)->focusWidget());
  }
  static void leave(QWidget* widget, Qt::FocusReason reason) {
    QFocusEvent out(QEvent::FocusOut, reason);
    QApplication::sendEvent(widget, &out);
    processEvents();
  }
};

TEST_F(DocumentChecksWindowsTest, PostingIsRefusedWithTheFieldAndRowNamedAndNothingWritten) {
  const QString sales = QStringLiteral("items_Документ_РасходнаяНакладная");
  const QString movements = QStringLiteral("items_Регистр_ОстаткиТоваров");
  const struct {
    QString good;
    QString store;
    QString message;
    int row;  // where the focus goes: a cell's row, -1 for the warehouse field
  } cases[] = {
      {QStringLiteral("Несуществующий товар"), first(QStringLiteral("Склады")),
       QStringLiteral("Строка 1, поле «Товар»: «Несуществующий товар» нет в справочнике «Товары»."),
       0},
      {first(QStringLiteral("Товары")), QString(),
       QStringLiteral("Не заполнено обязательное поле «Склад»."), -1},
  };
  for (const auto& c : cases) {
    const int documentsBefore = rowsOf(sales);
    const int movementsBefore = rowsOf(movements);
    frmUniDoc* doc = newSale(c.good, c.store, QStringLiteral("1"), QStringLiteral("100"));
    ASSERT_TRUE(doc);
    messages.clear();
    post(doc);
    EXPECT_EQ(messages.texts(), QStringList{c.message});
    EXPECT_TRUE(doc->isVisible());
    EXPECT_EQ(rowsOf(sales), documentsBefore);
    EXPECT_EQ(rowsOf(movements), movementsBefore);
    if (c.row >= 0) {
      EXPECT_EQ(doc->focusWidget(), doc->form()->tableView());
      EXPECT_EQ(doc->form()->tableView()->currentIndex(), doc->form()->table()->index(c.row, 0));
    } else {
      EXPECT_EQ(doc->focusWidget(), line(doc, QStringLiteral("Склад")));
    }
    doc->close();
    processEvents();
  }
}

TEST_F(DocumentChecksWindowsTest, AFieldCompletesWhatIsTypedAndRefusesWhatDoesNotExistOnLeaving) {
  frmUniDoc* doc = clickMenu<frmUniDoc>(1, QStringLiteral("ПриходнаяНакладная"));
  ASSERT_TRUE(doc);
  QLineEdit* store = line(doc, QStringLiteral("Склад"));
  ASSERT_TRUE(store && store->completer());
  // Any part of a name, letter case ignored.
  store->completer()->setCompletionPrefix(QStringLiteral("северн"));
  ASSERT_EQ(store->completer()->completionCount(), 1);
  const QString chosen = store->completer()->currentCompletion();
  EXPECT_EQ(chosen, QStringLiteral("Склад №2 (Северный)"));
  emit store->completer()->activated(chosen);
  EXPECT_EQ(doc->form()->value(QStringLiteral("Склад")), chosen);

  const struct {
    QString text;
    Qt::FocusReason reason;
    QStringList messages;
  } cases[] = {
      {chosen, Qt::TabFocusReason, {}},
      {QString(), Qt::TabFocusReason, {}},
      {QStringLiteral("Склад на Луне"),
       Qt::TabFocusReason,
       {QStringLiteral("Поле «Склад»: «Склад на Луне» нет в справочнике «Склады».")}},
      // Another window taking the focus (a choice list, the message itself) is not leaving.
      {QStringLiteral("Склад на Луне"), Qt::ActiveWindowFocusReason, {}},
  };
  for (const auto& c : cases) {
    messages.clear();
    store->setText(c.text);
    // The focus really moves on (the field refuses it once, not for each event).
    if (c.reason == Qt::TabFocusReason) doc->form()->tableView()->setFocus();
    leave(store, c.reason);
    EXPECT_EQ(messages.texts(), c.messages) << c.text.toStdString();
    if (!c.messages.isEmpty()) {
      EXPECT_EQ(doc->focusWidget(), store);
    }
  }
}

TEST_F(DocumentChecksWindowsTest, ACellCommittedWithAMissingGoodIsRefusedAndEditedAgain) {
  frmUniDoc* doc = clickMenu<frmUniDoc>(1, QStringLiteral("ПриходнаяНакладная"));
  ASSERT_TRUE(doc);
  doc->toolbar()->click(2);
  FormTableView* view = doc->form()->tableView();
  const QModelIndex cell = doc->form()->table()->index(0, 0);
  for (const QString& text : {QStringLiteral("Несуществующий товар"), first("Товары")}) {
    messages.clear();
    view->setCurrentIndex(cell);
    view->edit(cell);
    processEvents();
    auto* editor = qobject_cast<ValueField*>(view->indexWidget(cell));
    ASSERT_TRUE(editor);
    auto* edit = qobject_cast<QLineEdit*>(editor->focusWidget());
    ASSERT_TRUE(edit && edit->completer());
    edit->setText(text);
    QTest::keyClick(edit, Qt::Key_Return);
    processEvents();
    // The typed text stays in the cell either way; only a missing one is refused.
    EXPECT_EQ(doc->form()->table()->cell(0, 0), text);
    if (text == first("Товары")) {
      EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('|').toStdString();
    } else {
      EXPECT_EQ(messages.texts(),
                QStringList{QStringLiteral(
                    "Строка 1, поле «Товар»: «Несуществующий товар» нет в справочнике «Товары».")});
      // The cell is being edited again.
      EXPECT_EQ(view->currentIndex(), cell);
      auto* again = qobject_cast<ValueField*>(view->indexWidget(cell));
      ASSERT_TRUE(again);
      QTest::keyClick(again->focusWidget(), Qt::Key_Escape);
      processEvents();
    }
  }
}

}  // namespace
}  // namespace balvix::runtime::testing
