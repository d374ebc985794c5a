#include <QFileInfo>

#include "../shell/shell_fixture.h"
#include "demo/demo_database.h"
#include "shell/database_files.h"

using namespace balvix;

namespace {

// «Создать базу данных…» with the demo: made as `--new-database --demo` makes it, then open.
TEST_F(ShellTest, ADatabaseCreatedWithTheDemoFromTheMenuIsOpenWithItsObjects) {
  shell::DatabaseFiles* files = m_main->databaseFiles();
  int steps = 0;
  files->setCreator(
      [&steps](const QString& path, bool demo, const shell::DatabaseFiles::Progress& progress) {
        if (!demo) {
          storage::Session::createNew(path);
          return;
        }
        demo::createDemoDatabase(path, QDate::currentDate(), [&](int done, int total) {
          ++steps;
          progress(done, total);
        });
      });
  const QString file = m_dir.filePath(QStringLiteral("пример.mdb"));
  ASSERT_TRUE(files->create(file, true)) << m_messages.last().toStdString();
  EXPECT_EQ(QFileInfo(m_state.db->path()).absoluteFilePath(), file);
  EXPECT_GT(steps, 100);
  QStringList catalogs;
  for (QAction* a : m_main->userMenuItems(0))
    if (!a->text().isEmpty()) catalogs << a->text();
  for (const char* name : {"Товары", "Склады", "Контрагенты"})
    EXPECT_TRUE(catalogs.contains(QString::fromUtf8(name))) << catalogs.join(u',').toStdString();
  EXPECT_GT(balvix::testing::rowCount(
                *m_state.db, QStringLiteral("SELECT * FROM items_Документ_РасходнаяНакладная")),
            0);
}

}  // namespace
