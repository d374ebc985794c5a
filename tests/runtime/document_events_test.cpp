#include "shell/document_events.h"

#include <QSignalSpy>
#include <functional>

#include "runtime/document_form.h"
#include "runtime/form_control.h"
#include "runtime/journal.h"
#include "runtime/toolbar_control.h"
#include "runtime_fixture.h"
#include "shell/object_deletion.h"

namespace balvix::runtime::testing {
namespace {

using shell::DocumentEvents;
using shell::MsgAnswer;

class DocumentEventsTest : public RuntimeTest {
 protected:
  DocumentEventsTest() {
    db().execute(QStringLiteral(
        "INSERT INTO form_items (name,descript,type) VALUES ('Основной','Основной','Журнал')"));
    db().execute(
        QStringLiteral("INSERT INTO form_items (name,descript,code,type,zurnal,items_type)"
                       " VALUES ('Приход','Приход','_','Документ','Основной','Текст;')"));
    db().execute(
        QStringLiteral("CREATE TABLE items_Документ_Приход(Наименование TEXT(50),"
                       "Сумма TEXT(50),cDATE TEXT(10),cTIME TEXT(10),Проводка TEXT(10))"));
    main()->BuildMenus();
  }

  frmZurnal* openJournal() { return clickMenu<frmZurnal>(2, QStringLiteral("Основной")); }
  // A journal that is no child of the main window's document area.
  std::unique_ptr<frmZurnal> looseJournal() {
    state.currentObjectName = QStringLiteral("Основной");
    return std::make_unique<frmZurnal>(state);
  }
  void store(const QString& name, const QString& posted) {
    db().execute(QStringLiteral(
                     "INSERT INTO items_Документ_Приход (Наименование,Сумма,cDATE,cTIME,Проводка) "
                     "VALUES (%1,'5',%2,'10:00:00',%3)")
                     .arg(storage::quote(name), storage::quote(today()), storage::quote(posted)));
  }
  static QString today() { return QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy")); }
  static QStringList rows(frmZurnal* journal) {
    QStringList out;
    JournalModel* m = journal->model();
    for (int r = 0; r < m->size(); ++r)
      out << m->at(r).name + (m->at(r).posted ? QStringLiteral("|+") : QStringLiteral("|-"));
    return out;
  }
  static void selectRow(frmZurnal* journal, int row) {
    journal->list()->setCurrentIndex(journal->list()->model()->index(row, 0));
    processEvents();
  }
  frmUniDoc* openFromJournal(frmZurnal* journal) {
    selectRow(journal, 0);
    journal->openDocument();
    processEvents();
    return openWindows<frmUniDoc>().value(openWindows<frmUniDoc>().size() - 1);
  }
  void repost(frmZurnal* journal) {
    journal->toolbar()->click(5);
    processEvents();
  }
  void removeFirst(frmZurnal* journal) {
    selectRow(journal, 0);
    messages.reply(MsgAnswer::Yes);
    journal->deleteDocument();
    processEvents();
  }
};

TEST_F(DocumentEventsTest, EachChangeIsAnnouncedOnceAndReachesEveryJournal) {
  frmZurnal* journal = openJournal();
  ASSERT_TRUE(journal);
  const std::unique_ptr<frmZurnal> loose = looseJournal();
  ASSERT_FALSE(loose->parentWidget());
  QSignalSpy saved(&state.events, &DocumentEvents::saved);
  QSignalSpy posted(&state.events, &DocumentEvents::posted);
  QSignalSpy unposted(&state.events, &DocumentEvents::unposted);
  QSignalSpy removed(&state.events, &DocumentEvents::removed);
  const auto counts = [&] {
    return QList<qsizetype>{saved.count(), posted.count(), unposted.count(), removed.count()};
  };

  frmUniDoc* doc = clickMenu<frmUniDoc>(1, QStringLiteral("Приход"));
  ASSERT_TRUE(doc);
  doc->form()->setValue(QStringLiteral("Наименование"), QStringLiteral("Д1"));
  ASSERT_TRUE(doc->post());
  processEvents();
  EXPECT_EQ(counts(), (QList<qsizetype>{0, 1, 0, 0}));
  const auto key = posted.at(0).at(2).value<script::DocumentKey>();
  EXPECT_EQ(posted.at(0).at(0).toString(), QStringLiteral("Приход"));
  EXPECT_FALSE(posted.at(0).at(1).value<std::optional<script::DocumentKey>>());
  EXPECT_EQ(key.date, today());
  EXPECT_EQ(posted.at(0).at(3).toString(), QStringLiteral("Д1"));
  for (frmZurnal* j : {journal, loose.get()}) EXPECT_EQ(rows(j), QStringList{"Д1|+"});

  // Posted again over what is stored: the same key before and after.
  repost(journal);
  EXPECT_EQ(counts(), (QList<qsizetype>{0, 2, 0, 0}));
  EXPECT_EQ(posted.at(1).at(1).value<std::optional<script::DocumentKey>>(), key);
  EXPECT_EQ(posted.at(1).at(2).value<script::DocumentKey>(), key);
  for (frmZurnal* j : {journal, loose.get()}) EXPECT_EQ(rows(j), QStringList{"Д1|+"});

  selectRow(journal, 0);
  ASSERT_TRUE(shell::unpostSelectedDocument(state));
  EXPECT_EQ(counts(), (QList<qsizetype>{0, 2, 1, 0}));
  for (frmZurnal* j : {journal, loose.get()}) EXPECT_EQ(rows(j), QStringList{"Д1|-"});

  removeFirst(loose.get());
  EXPECT_EQ(counts(), (QList<qsizetype>{0, 2, 1, 1}));
  EXPECT_EQ(removed.at(0).at(1).value<script::DocumentKey>(), key);
  for (frmZurnal* j : {journal, loose.get()}) EXPECT_TRUE(rows(j).isEmpty());
  EXPECT_TRUE(state.selectedJournalItem.isEmpty());
}

TEST_F(DocumentEventsTest, ChangesFedFromElsewhereShowInTheJournalWithoutDuplicates) {
  frmZurnal* journal = openJournal();
  ASSERT_TRUE(journal);
  store(QStringLiteral("Чужой"), QStringLiteral("0"));
  const script::DocumentKey key{today(), QStringLiteral("10:00:00")};
  state.events.announceSaved(QStringLiteral("Приход"), key, key);
  EXPECT_EQ(rows(journal), QStringList{"Чужой|-"});
  state.events.announcePosted(QStringLiteral("Приход"), std::nullopt, key, QStringLiteral("Чужой"));
  EXPECT_EQ(rows(journal), QStringList{"Чужой|+"});
  // A kind this journal does not list, and a document it does not show.
  state.events.announcePosted(QStringLiteral("Заметка"), std::nullopt, key, QStringLiteral("З"));
  state.events.announceRemoved(QStringLiteral("Приход"), {today(), QStringLiteral("11:00:00")});
  EXPECT_EQ(rows(journal), QStringList{"Чужой|+"});
}

TEST_F(DocumentEventsTest, AnOpenDocumentIsNotPostedOverAChangedOrRemovedOne) {
  const QString changed = QStringLiteral(
      "Документ изменен после открытия этого окна: закройте окно и откройте "
      "документ снова.");
  const QString gone =
      QStringLiteral("Документ удален после открытия этого окна: провести его нельзя.");
  struct Case {
    const char* what;
    QString storedPosted;
    std::function<void(frmZurnal*)> change;
    QString refusal;  // empty: the window still posts
  };
  const std::vector<Case> cases = {
      // Once unposted again, the stale copy here would otherwise go in over the other one.
      {"posted from another window, then unposted", QStringLiteral("0"),
       [this](frmZurnal* j) {
         frmUniDoc* other = openFromJournal(j);
         ASSERT_TRUE(other);
         other->form()->setValue(QStringLiteral("Сумма"), QStringLiteral("7"));
         ASSERT_TRUE(other->post());
         selectRow(j, 0);
         ASSERT_TRUE(shell::unpostSelectedDocument(state));
       },
       changed},
      {"removed from the journal", QStringLiteral("1"), [this](frmZurnal* j) { removeFirst(j); },
       gone},
      {"unposted", QStringLiteral("1"),
       [this](frmZurnal* j) {
         selectRow(j, 0);
         ASSERT_TRUE(shell::unpostSelectedDocument(state));
       },
       QString()},
      {"reposted, then unposted", QStringLiteral("1"),
       [this](frmZurnal* j) {
         repost(j);
         selectRow(j, 0);
         ASSERT_TRUE(shell::unpostSelectedDocument(state));
       },
       QString()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    db().execute(QStringLiteral("DELETE FROM items_Документ_Приход"));
    store(QStringLiteral("Д1"), c.storedPosted);
    const std::unique_ptr<frmZurnal> journal = looseJournal();
    frmUniDoc* doc = openFromJournal(journal.get());
    ASSERT_TRUE(doc);
    doc->form()->setValue(QStringLiteral("Сумма"), QStringLiteral("9"));
    c.change(journal.get());
    processEvents();
    ASSERT_TRUE(openWindows<frmUniDoc>().contains(doc));
    EXPECT_EQ(doc->outdated(), !c.refusal.isEmpty());
    messages.clear();
    EXPECT_EQ(doc->post(), c.refusal.isEmpty());
    processEvents();
    if (c.refusal.isEmpty()) {
      EXPECT_EQ(value(QStringLiteral("SELECT Сумма FROM items_Документ_Приход")),
                QStringLiteral("9"));
    } else {
      EXPECT_EQ(messages.last(), c.refusal);
      EXPECT_NE(value(QStringLiteral("SELECT COUNT(*) FROM items_Документ_Приход WHERE "
                                     "Сумма='9'")),
                QStringLiteral("1"));
      doc->close();
    }
  }
}

}  // namespace
}  // namespace balvix::runtime::testing
