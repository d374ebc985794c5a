#include "shell/database_service.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>

#include "script/objects/register_totals.h"
#include "shell/startup.h"
#include "shell_fixture.h"
#include "storage/database_file.h"

using namespace balvix;

namespace {

class DatabaseServiceTest : public ShellTest {
 protected:
  shell::DatabaseService& service() { return *m_main->findChild<shell::DatabaseService*>(); }

  QStringList catalogMenu() {
    m_main->BuildMenus();
    QStringList captions;
    for (QAction* a : m_main->userMenuItems(0)) captions << a->text();
    return captions;
  }

  int goods() {
    return m_db->openRecordset(QStringLiteral("SELECT count(*) FROM items_Справочник_Товары"))
        .value(0)
        .toInt();
  }
};

TEST_F(DatabaseServiceTest, TheServiceMenuOffersCheckTotalsBackupAndRestore) {
  auto* menu = m_main->findChild<QMenu*>(QStringLiteral("mnuServices"));
  ASSERT_TRUE(menu);
  QStringList captions;
  for (QAction* a : menu->actions())
    if (!a->isSeparator()) captions << a->text();
  EXPECT_EQ(captions.mid(captions.size() - 6),
            (QStringList{"Проверка базы данных…", "Пересчитать итоги", "Резервная копия…",
                         "Восстановить из копии…", "Закрытие периода…", "Журнал регистрации"}));

  QAction* check = m_main->findChild<QAction*>(QStringLiteral("mnuCheckDatabase"));
  check->trigger();
  EXPECT_TRUE(Contains(m_messages.last(), QStringLiteral("повреждений не найдено")));

  // A register whose totals disagree with its movements: the check names the row, the
  // rebuild mends it.
  addObject(QStringLiteral("Регистр"), QStringLiteral("Остатки"));
  m_db->execute(
      QStringLiteral("CREATE TABLE items_Регистр_Остатки(Товар TEXT(50),Количество "
                     "TEXT(50),cDATE TEXT(10),cTIME TEXT(10),Документ TEXT(50),Флаг "
                     "TEXT(5))"));
  m_db->execute(QStringLiteral(
      "INSERT INTO items_Регистр_Остатки VALUES ('Стол','5','02.03.2026','','Д','+')"));
  script::totals::rebuild(*m_db, QStringLiteral("Остатки"));
  m_db->execute(QStringLiteral("UPDATE totals_Регистр_Остатки SET ИтогПриход=4"));
  check->trigger();
  EXPECT_TRUE(Contains(m_messages.last(), QStringLiteral("Остатки: Товар=Стол, месяц 03.2026")));
  m_main->findChild<QAction*>(QStringLiteral("mnuRebuildTotals"))->trigger();
  EXPECT_TRUE(Contains(m_messages.last(), QStringLiteral("регистров: 1")));
  check->trigger();
  EXPECT_TRUE(Contains(m_messages.last(), QStringLiteral("повреждений не найдено")));
}

TEST_F(DatabaseServiceTest, ABackupRestoredBringsBackTheDataAndTheMenus) {
  addObject(QStringLiteral("Справочник"), QStringLiteral("Товары"));
  m_db->execute(QStringLiteral("CREATE TABLE items_Справочник_Товары(Наименование TEXT(50))"));
  m_db->execute(QStringLiteral("INSERT INTO items_Справочник_Товары VALUES ('Стол')"));
  const QString copy = m_dir.filePath(QStringLiteral("копия.mdb"));
  ASSERT_TRUE(service().backupTo(copy));
  EXPECT_TRUE(m_messages.last().contains(QDir::toNativeSeparators(copy)));

  m_db->execute(QStringLiteral("DELETE FROM items_Справочник_Товары"));
  addObject(QStringLiteral("Справочник"), QStringLiteral("Склады"));
  EXPECT_TRUE(catalogMenu().contains(QStringLiteral("Склады")));

  // Declining the question changes nothing.
  m_messages.reply(shell::MsgAnswer::No);
  EXPECT_FALSE(service().restoreFrom(copy));
  EXPECT_EQ(goods(), 0);

  m_main->mdiArea()->addSubWindow(new QLabel(QStringLiteral("список")))->show();
  m_messages.clear();
  ASSERT_TRUE(service().restoreFrom(copy));
  ASSERT_EQ(m_messages.messages().size(), 2u);
  EXPECT_TRUE(m_messages.texts().at(0).contains(QStringLiteral("будет заменено")));
  EXPECT_TRUE(m_messages.last().contains(QStringLiteral("восстановлена")));
  EXPECT_EQ(goods(), 1);
  EXPECT_FALSE(catalogMenu().contains(QStringLiteral("Склады")));
  EXPECT_TRUE(m_main->mdiArea()->subWindowList().isEmpty());
  // The content before the restore is kept aside.
  const QStringList aside = QDir(m_dir.path()).entryList({"basa до восстановления *.mdb"});
  ASSERT_EQ(aside.size(), 1);
  auto before = storage::Session::open(m_dir.filePath(aside.first()));
  EXPECT_EQ(before->openRecordset(QStringLiteral("SELECT count(*) FROM items_Справочник_Товары"))
                .value(0)
                .toInt(),
            0);

  // A file that is no copy is refused with the reason, and nothing changes.
  EXPECT_FALSE(service().restoreFrom(m_dir.filePath(QStringLiteral("нет такого.mdb"))));
  EXPECT_TRUE(m_messages.last().contains(QStringLiteral("нет такого.mdb")));
  EXPECT_EQ(goods(), 1);
}

TEST_F(DatabaseServiceTest, DamageIsReportedAtStartUpAndTheProgramStillStarts) {
  m_db->execute(QStringLiteral("CREATE TABLE items_Справочник_Товары(Наименование TEXT(50))"));
  for (int i = 0; i < 2000; ++i)
    m_db->execute(QStringLiteral("INSERT INTO items_Справочник_Товары VALUES ('%1')")
                      .arg(QStringLiteral("ж").repeated(200)));
  const QString file = m_db->path();
  m_main.reset();
  m_state.db = nullptr;
  m_db.reset();

  QString error;
  auto sound = shell::openDatabaseAtStartup(nullptr, file, &error);
  ASSERT_TRUE(sound);
  EXPECT_TRUE(m_messages.messages().empty());
  sound.reset();

  {
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.seek(f.size() - 8 * 4096);
    f.write(QByteArray(4096, '\x33'));
  }
  auto damaged = shell::openDatabaseAtStartup(nullptr, file, &error);
  EXPECT_TRUE(damaged);
  ASSERT_EQ(m_messages.messages().size(), 1u);
  EXPECT_TRUE(m_messages.last().contains(QStringLiteral("повреждена")));
  EXPECT_TRUE(m_messages.last().contains(QStringLiteral("Восстановить из копии")));
}

}  // namespace
