#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>

#include "configurator/catalog_designer.h"
#include "configurator/requisite_editor.h"
#include "configurator/table_rebuild.h"
#include "fixture.h"
#include "shell/window_provider.h"

namespace balvix::configurator::testing {
namespace {

using shell::MsgAnswer;

// A second copy of the program on the same database file: its own session, shared state
// and designers.
struct SecondInstance {
  explicit SecondInstance(const QString& file) : db(storage::Session::open(file)) {
    state.db = db.get();
    designers = std::make_unique<DesignerSet>(state, nullptr);
    state.windows = designers.get();
  }
  std::unique_ptr<storage::Session> db;
  shell::AppState state;
  std::unique_ptr<DesignerSet> designers;
};

class ConcurrentDesignersTest : public ConfiguratorTest {
 protected:
  frmSprFrm* open(shell::WindowProvider& windows, shell::AppState& s, const QString& name) {
    s.currentObjectType = QStringLiteral("Справочник");
    s.currentObjectName = name;
    auto* d = qobject_cast<frmSprFrm*>(windows.sharedWindow(QStringLiteral("frmSprFrm")));
    d->show();
    return d;
  }
  void addRequisite(shell::WindowProvider& windows, frmSprFrm* d, const QString& name) {
    child(d, "Command5")->click();
    auto* editor = qobject_cast<frmItem*>(windows.sharedWindow(QStringLiteral("frmItem")));
    child<QLineEdit>(editor, "Text1")->setText(name);
    child<QComboBox>(editor, "Combo1")->setCurrentText(QStringLiteral("Текст"));
    child(editor, "Command2")->click();
  }
};

TEST_F(ConcurrentDesignersTest, ASaveOverATableChangedByAnotherCopyIsRefusedAndLosesNothing) {
  frmSprFrm* first = open(designers(), state, QStringLiteral("Новый"));
  setNames(first, QStringLiteral("Товары"), QStringLiteral("Товары"));
  messages.reply(MsgAnswer::No);
  ASSERT_TRUE(first->save());
  first->close();

  SecondInstance other(dbPath());
  // Both copies open the catalog's designer.
  first = open(designers(), state, QStringLiteral("Товары"));
  frmSprFrm* second = open(*other.designers, other.state, QStringLiteral("Товары"));

  // The first adds "Цвет", saves, and fills it in.
  addRequisite(designers(), first, QStringLiteral("Цвет"));
  messages.reply(MsgAnswer::No);
  ASSERT_TRUE(first->save());
  db().execute(QStringLiteral("INSERT INTO items_Справочник_Товары VALUES ('Стол','красный')"));

  // The second, unaware, adds "Цена": its save would drop "Цвет" and its data. While the
  // first copy works with the database, no configuration change is taken at all.
  addRequisite(*other.designers, second, QStringLiteral("Цена"));
  messages.clear();
  EXPECT_FALSE(second->save());
  EXPECT_TRUE(Contains(messages.last(), QStringLiteral("работают другие пользователи")));
  // A copy that does not announce itself (its folder of presences gone) meets the check of the
  // tables instead.
  ASSERT_TRUE(QDir(dbPath() + QStringLiteral(".users")).removeRecursively());
  messages.clear();
  EXPECT_FALSE(second->save());
  ASSERT_EQ(messages.texts().size(), 1);
  EXPECT_TRUE(Contains(messages.last(), QStringLiteral("«Цвет»")));
  EXPECT_TRUE(messages.last().contains(QStringLiteral("Сохранение отменено")));
  EXPECT_EQ(db().columns(QStringLiteral("items_Справочник_Товары")),
            (QStringList{"Наименование", "Цвет"}));
  EXPECT_EQ(value(QStringLiteral("SELECT Цвет FROM items_Справочник_Товары")),
            QStringLiteral("красный"));

  // Opened anew, the second copy sees the change and may save on top of it.
  second->close();
  second = open(*other.designers, other.state, QStringLiteral("Товары"));
  addRequisite(*other.designers, second, QStringLiteral("Цена"));
  messages.reply(MsgAnswer::No);
  EXPECT_TRUE(second->save());
  EXPECT_EQ(db().columns(QStringLiteral("items_Справочник_Товары")),
            (QStringList{"Наименование", "Цвет", "Цена"}));
  // A designer that saved may save again: what it wrote is what it knows.
  messages.reply(MsgAnswer::No);
  EXPECT_TRUE(second->save());
  second->close();
  first->close();
}

TEST_F(ConcurrentDesignersTest, ARequisiteRemovedTakesItsIndexAlongAndTheUserIsTold) {
  frmSprFrm* d = open(designers(), state, QStringLiteral("Новый"));
  setNames(d, QStringLiteral("Товары"), QStringLiteral("Товары"));
  addRequisite(designers(), d, QStringLiteral("Артикул"));
  messages.reply(MsgAnswer::No);
  ASSERT_TRUE(d->save());
  d->close();
  db().execute(QStringLiteral("CREATE INDEX по_артикулу ON items_Справочник_Товары(Артикул)"));
  db().execute(QStringLiteral("CREATE INDEX по_имени ON items_Справочник_Товары(Наименование)"));

  d = open(designers(), state, QStringLiteral("Товары"));
  auto* list = child<QListWidget>(d, "List1");
  list->setCurrentRow(1);
  messages.reply(MsgAnswer::Yes);  // delete the row
  child(d, "Command3")->click();
  messages.clear();
  messages.reply(MsgAnswer::No);  // keep the designer open
  ASSERT_TRUE(d->save());
  ASSERT_EQ(messages.texts().size(), 2);
  EXPECT_TRUE(Contains(messages.texts().at(0), QStringLiteral("по_артикулу")));
  EXPECT_FALSE(messages.texts().at(0).contains(QStringLiteral("по_имени")));
  EXPECT_EQ(messages.texts().at(1), QStringLiteral("Закрыть форму?"));
  EXPECT_EQ(value(QStringLiteral("SELECT name FROM sqlite_master WHERE type='index' "
                                 "AND tbl_name='items_Справочник_Товары'")),
            QStringLiteral("по_имени"));
  d->close();
}

}  // namespace
}  // namespace balvix::configurator::testing
