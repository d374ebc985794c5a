#include <QMdiArea>
#include <QMdiSubWindow>

#include "runtime/catalog_list.h"
#include "runtime/document_form.h"
#include "runtime/journal.h"
#include "runtime_fixture.h"
#include "shell/window_geometry.h"

namespace balvix::runtime::testing {
namespace {

class WindowPlacesTest : public RuntimeTest {
 protected:
  WindowPlacesTest() {
    forgetPlaces();
    createCatalog(QStringLiteral("Товары"), {{"Наименование", "Текст"}});
    createCatalog(QStringLiteral("Склады"), {{"Наименование", "Текст"}});
    db().execute(QStringLiteral(
        "INSERT INTO form_items (name,descript,type) VALUES ('Основной','Основной','Журнал')"));
    for (const char* kind : {"Приход", "Расход"}) {
      db().execute(QStringLiteral("INSERT INTO form_items (name,descript,code,type,zurnal,"
                                  "items_type,table_) VALUES ('%1','%1','_','Документ',"
                                  "'Основной','Текст;Текст;Текст;','0')")
                       .arg(QString::fromUtf8(kind)));
      db().execute(QStringLiteral("CREATE TABLE items_Документ_%1(Наименование TEXT(50),"
                                  "Склад TEXT(50),Сумма TEXT(50),cDATE TEXT(10),cTIME TEXT(10),"
                                  "Проводка TEXT(10),Номер TEXT(10))")
                       .arg(QString::fromUtf8(kind)));
    }
    main()->BuildMenus();
  }
  ~WindowPlacesTest() override { forgetPlaces(); }

  static void forgetPlaces() { shell::forgetAllPlacements(); }
  QRect room() { return QRect(QPoint(0, 0), main()->mdiArea()->viewport()->size()); }
  // Opens what a user menu names and gives its frame (the child window).
  QWidget* open(int menu, const QString& name) {
    RuntimeWindow* w = nullptr;
    if (menu == 0) w = clickMenu<frmSprList>(menu, name);
    if (menu == 1) w = clickMenu<frmUniDoc>(menu, name);
    if (menu == 2) w = clickMenu<frmZurnal>(menu, name);
    processEvents();
    return w ? w->frame() : nullptr;
  }
  void closeFrame(QWidget* frame) {
    qobject_cast<QMdiSubWindow*>(frame)->widget()->close();
    processEvents();
  }
};

// A list, a document and a journal come back where they were left, each per its object.
TEST_F(WindowPlacesTest, EveryWindowReopensWhereItWasLeftForItsObject) {
  struct Case {
    int menu;
    const char* object;
    const char* other;
  };
  for (const Case& c :
       {Case{0, "Товары", "Склады"}, Case{1, "Приход", "Расход"}, Case{2, "Основной", nullptr}}) {
    SCOPED_TRACE(c.object);
    QWidget* frame = open(c.menu, QString::fromUtf8(c.object));
    ASSERT_TRUE(frame);
    const QRect first = frame->geometry();
    const QRect moved(first.x() + 37, first.y() + 23, first.width() + 61, first.height() + 19);
    ASSERT_TRUE(room().contains(moved));
    frame->setGeometry(moved);
    processEvents();
    closeFrame(frame);
    frame = open(c.menu, QString::fromUtf8(c.object));
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->geometry(), moved);
    closeFrame(frame);
    if (c.other) {
      QWidget* other = open(c.menu, QString::fromUtf8(c.other));
      ASSERT_TRUE(other);
      EXPECT_EQ(other->geometry(), first);
      closeFrame(other);
    }
  }
}

TEST_F(WindowPlacesTest, AMaximizedDocumentOpensMaximized) {
  QWidget* frame = open(1, QStringLiteral("Приход"));
  ASSERT_TRUE(frame);
  const QRect normal = frame->geometry();
  frame->showMaximized();
  processEvents();
  closeFrame(frame);
  frame = open(1, QStringLiteral("Приход"));
  ASSERT_TRUE(frame);
  EXPECT_TRUE(frame->isMaximized());
  frame->showNormal();
  processEvents();
  EXPECT_EQ(frame->geometry(), normal);
}

// Remembered on a larger screen, or smaller than the fields need: fitted into the area, and
// never smaller than the content.
TEST_F(WindowPlacesTest, ARememberedPlaceIsFittedIntoTheAreaAndTheContent) {
  const QString key = shell::placementKey(QStringLiteral("frmUniDoc"), QStringLiteral("Приход"));
  shell::rememberPlacement(key, {QRect(900, 700, 2400, 1600), false});
  QWidget* frame = open(1, QStringLiteral("Приход"));
  ASSERT_TRUE(frame);
  EXPECT_TRUE(room().contains(frame->geometry()))
      << frame->x() << "," << frame->y() << " " << frame->width() << "x" << frame->height();
  closeFrame(frame);

  shell::rememberPlacement(key, {QRect(20, 10, 60, 40), false});
  frame = open(1, QStringLiteral("Приход"));
  ASSERT_TRUE(frame);
  auto* doc = qobject_cast<frmUniDoc*>(qobject_cast<QMdiSubWindow*>(frame)->widget());
  EXPECT_GE(doc->width(), doc->minimumSizeHint().width());
  EXPECT_GE(doc->height(), doc->minimumSizeHint().height());
  EXPECT_EQ(frame->pos(), QPoint(20, 10));
}

}  // namespace
}  // namespace balvix::runtime::testing
