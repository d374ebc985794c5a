#include "shell/database_files.h"

#include <QCoreApplication>
#include <QDir>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTimer>

#include "shell/server_dialog.h"
#include "shell/window_interfaces.h"
#include "shell_fixture.h"

using namespace balvix;
using balvix::testing::writeFile;
using shell::DatabaseFiles;
using shell::MsgAnswer;

namespace {

// A child window with unsaved work: it asks, and keeps itself open on «Отмена».
class Draft : public QWidget, public shell::UnsavedWork {
 public:
  bool confirmClose() override {
    return shell::MessageBoxes::show(QStringLiteral("Сохранить изменения?"),
                                     shell::MsgButtons::YesNoCancel) != MsgAnswer::Cancel;
  }
};

class DatabaseFilesTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    forgetRecent();
  }
  static void forgetRecent() {
    QSettings s(QStringLiteral("Balvix"), QStringLiteral("Balvix"));
    s.remove(QStringLiteral("Setting/RecentDatabases"));
  }
  DatabaseFiles& files() { return *m_main->databaseFiles(); }
  QString path(const QString& name) { return m_dir.filePath(name); }
  // A second database holding one catalog.
  QString otherDatabase() {
    const QString file = path(QStringLiteral("другая.mdb"));
    storage::Session::createNew(file)->execute(QStringLiteral(
        "INSERT INTO form_items (type,name,descript) VALUES ('Справочник','Склады','Склады')"));
    return file;
  }
  QStringList catalogMenu() {
    QStringList captions;
    for (QAction* a : m_main->userMenuItems(0))
      if (!a->text().isEmpty()) captions << a->text();
    return captions;
  }
  QString openPath() { return QFileInfo(m_state.db->path()).absoluteFilePath(); }
};

TEST_F(DatabaseFilesTest, TheOperationsMenuOffersOpenCreateAndTheLastDatabases) {
  auto* menu = m_main->findChild<QMenu*>(QStringLiteral("mnuOperations"));
  ASSERT_TRUE(menu);
  QStringList captions;
  for (QAction* a : menu->actions())
    if (!a->isSeparator()) captions << a->text();
  EXPECT_EQ(captions.mid(0, 7),
            (QStringList{"Новый документ", "Открыть файл...", "Открыть базу данных…",
                         "Открыть базу данных на сервере…", "Создать базу данных…",
                         "Последние базы данных", "План счетов учета"}));
  EXPECT_TRUE(Contains(m_main->windowTitle(), QStringLiteral("basa.mdb")));
}

// The server dialog names its fields as the user reads them, opens «Подключить» only once
// the server and the database are named, and «Отмена» leaves the open database as it was.
TEST_F(DatabaseFilesTest, TheServerDialogAsksForTheServerAndTheDatabaseAndCancelsCleanly) {
  QSettings(QStringLiteral("Balvix"), QStringLiteral("Balvix")).remove(QStringLiteral("server"));
  const QString before = openPath();
  QString address;
  QStringList names;
  bool emptyRefused = false;
  QTimer::singleShot(0, [&] {
    shell::frmServerConnection* dialog = files().serverDialog();
    if (!dialog) return;
    for (QWidget* w : QList<QWidget*>{dialog->host(), dialog->port(), dialog->database(),
                                      dialog->user(), dialog->connectButton()})
      names << w->accessibleName();
    emptyRefused = !dialog->connectButton()->isEnabled();
    dialog->host()->setText(QStringLiteral("db.firm.local"));
    dialog->port()->setValue(5433);
    dialog->database()->setText(QStringLiteral("книги"));
    dialog->user()->setText(QStringLiteral("ivan"));
    if (dialog->connectButton()->isEnabled()) address = dialog->address();
    dialog->reject();
  });
  m_main->findChild<QAction*>(QStringLiteral("mnuOpenServerDatabase"))->trigger();
  EXPECT_EQ(names, (QStringList{"Сервер", "Порт", "База данных", "Пользователь", "Подключить"}));
  EXPECT_TRUE(emptyRefused);
  EXPECT_EQ(address,
            QStringLiteral("postgresql://ivan@db.firm.local:5433/%D0%BA%D0%BD%D0%B8%D0%B3%D0%B8"));
  EXPECT_EQ(openPath(), before);
  EXPECT_FALSE(files().serverDialog());
}

// Another database replaces the open one: its windows are asked and closed first, the
// menus list the new database's objects, and the old one comes second in the list.
TEST_F(DatabaseFilesTest, OpeningAnotherDatabaseClosesTheWindowsAndRebuildsTheMenus) {
  addObject(QStringLiteral("Справочник"), QStringLiteral("Товары"));
  m_main->BuildMenus();
  m_main->load();
  EXPECT_EQ(catalogMenu(), QStringList{QStringLiteral("Товары")});
  const QString other = otherDatabase();
  auto* draft = new Draft;
  QMdiSubWindow* sub = m_main->addChildWindow(draft);
  sub->setAttribute(Qt::WA_DeleteOnClose);
  QPointer<Draft> alive = draft;

  m_messages.reply(MsgAnswer::Cancel);
  EXPECT_FALSE(files().open(other));
  EXPECT_EQ(openPath(), QFileInfo(dbPath()).absoluteFilePath());
  EXPECT_TRUE(alive);
  EXPECT_EQ(catalogMenu(), QStringList{QStringLiteral("Товары")});

  m_messages.reply(MsgAnswer::No);
  EXPECT_TRUE(files().open(other));
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(openPath(), other);
  EXPECT_FALSE(alive);
  EXPECT_TRUE(m_main->mdiArea()->subWindowList().isEmpty());
  EXPECT_EQ(catalogMenu(), QStringList{QStringLiteral("Склады")});
  EXPECT_TRUE(Contains(m_main->windowTitle(), QStringLiteral("другая.mdb")));
  EXPECT_EQ(DatabaseFiles::recentDatabases(),
            (QStringList{other, QFileInfo(dbPath()).absoluteFilePath()}));
}

TEST_F(DatabaseFilesTest, AFileThatCannotBeOpenedLeavesTheCurrentDatabaseOpen) {
  writeFile(path(QStringLiteral("испорчена.mdb")), QByteArray("это не база данных").repeated(300));
  writeFile(path(QStringLiteral("пустой.mdb")), QByteArray());
  QDir(m_dir.path()).mkdir(QStringLiteral("папка.mdb"));
  for (const char* name : {"испорчена.mdb", "пустой.mdb", "нет такого.mdb", "папка.mdb"}) {
    SCOPED_TRACE(name);
    m_messages.clear();
    EXPECT_FALSE(files().open(path(QString::fromUtf8(name))));
    EXPECT_EQ(m_state.db, m_db.get());
    ASSERT_EQ(m_messages.messages().size(), 1u);
    EXPECT_TRUE(Contains(m_messages.last(), QString::fromUtf8(name)));
    EXPECT_TRUE(Contains(m_messages.last(), QStringLiteral("Открытой остается база данных")));
    EXPECT_FALSE(DatabaseFiles::recentDatabases().contains(path(QString::fromUtf8(name))));
  }
  EXPECT_EQ(rows(QStringLiteral("SELECT * FROM form_items WHERE 1=0")), 0);
}

TEST_F(DatabaseFilesTest, AnEmptyDatabaseIsCreatedAndOpenedButNeverOverAFile) {
  const QString made = path(QStringLiteral("новая.mdb"));
  EXPECT_TRUE(files().create(made, false));
  EXPECT_EQ(openPath(), made);
  EXPECT_TRUE(m_state.db->tableExists(QStringLiteral("form_items")));
  EXPECT_TRUE(catalogMenu().isEmpty());

  // An existing file is refused and stays as it was; the database open stays open.
  writeFile(path(QStringLiteral("чужой.mdb")), QByteArray("письмо"));
  m_messages.clear();
  EXPECT_FALSE(files().create(path(QStringLiteral("чужой.mdb")), false));
  EXPECT_EQ(openPath(), made);
  EXPECT_TRUE(Contains(m_messages.last(), QStringLiteral("уже существует")));
  QFile file(path(QStringLiteral("чужой.mdb")));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), QByteArray("письмо"));
}

TEST_F(DatabaseFilesTest, TheLastFiveDatabasesAreListedMostRecentFirstMissingOnesDisabled) {
  QStringList made;
  for (int i = 1; i <= 7; ++i) {
    made.prepend(path(QStringLiteral("база%1.mdb").arg(i)));
    storage::Session::createNew(made.first());
    DatabaseFiles::noteOpened(made.first());
  }
  DatabaseFiles::noteOpened(made.at(3));  // opened again: first now
  const QStringList expected{made[3], made[0], made[1], made[2], made[4]};
  EXPECT_EQ(DatabaseFiles::recentDatabases(), expected);
  QFile::remove(made[1]);

  QMenu* recent = files().recentMenu();
  ASSERT_TRUE(recent);
  emit recent->aboutToShow();
  const QList<QAction*> items = recent->actions();
  ASSERT_EQ(items.size(), 5);
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    EXPECT_TRUE(Contains(items[i]->text(), QDir::toNativeSeparators(expected[i])));
    EXPECT_EQ(items[i]->isEnabled(), i != 2);
  }
  EXPECT_TRUE(Contains(items[2]->text(), QStringLiteral("(файл не найден)")));
  items[1]->trigger();
  EXPECT_EQ(openPath(), expected[1]);
  EXPECT_EQ(DatabaseFiles::recentDatabases().first(), expected[1]);
}

}  // namespace
