#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "script/engine.h"
#include "script/objects/object_factory.h"
#include "shell/app_state.h"
#include "storage/session.h"

using namespace balvix;

namespace {

class SilentHost : public script::Host {
 public:
  int showMessage(const QString& text, int, const QString&) override {
    messages << text;
    return script::MsgBoxCode::AnswerOk;
  }
  void setStatus(const QString&) override {}
  void startProgram(const QString&) override {}
  QStringList messages;
};

// Modules and windows share one recordset and one posting context: the program's state.
TEST(SharedState, ModulesAndWindowsUseTheSameRecordsetAndPostingContext) {
  QTemporaryDir dir;
  auto db = storage::Session::createNew(dir.filePath(QStringLiteral("basa.mdb")));
  shell::AppState state;
  state.db = db.get();
  SilentHost host;
  script::Engine engine(host);
  engine.setGlobalObject(script::createGlobalFunctions(host, state));
  engine.load(
      QStringLiteral("Объект Сч = СоздатьОбъект(\"Счет\")\nСч.ВыбратьСчета()\n"
                     "Sub Шаг()\n  Сч.Получить()\n  Сообщить(Сч.Код)\nEnd Sub\n"
                     "Sub Провести()\n  Сч.Вид = \"50\"\n  Сч.ПриходВыполнить(10)\nEnd Sub\n"));
  engine.runThis(QStringLiteral("Шаг"));
  ASSERT_FALSE(state.sharedRecordset.eof());
  EXPECT_EQ(state.sharedRecordset.text(QStringLiteral("Код")), QStringLiteral("01"));

  // A window's query replaces the selection; the module's next fetch continues on it.
  state.sharedRecordset =
      db->openRecordset(QStringLiteral("SELECT Код FROM plan WHERE Код='41' OR Код='50'"));
  engine.runThis(QStringLiteral("Шаг"));
  EXPECT_EQ(host.messages, (QStringList{"01", "50"}));

  state.currentObjectType = QStringLiteral("Документ");
  state.currentObjectName = QStringLiteral("Приход");
  state.documentSaveTime = QStringLiteral("09:30:00");
  state.documentDate = QDate(2026, 3, 4);
  engine.runThis(QStringLiteral("Провести"));
  storage::Recordset posted =
      db->openRecordset(QStringLiteral("SELECT Код||Дебет||cDATE||cTIME||Документ FROM itogi"));
  ASSERT_FALSE(posted.eof());
  EXPECT_EQ(posted.text(0), QStringLiteral("501004.03.202609:30:00Приход"));
}

}  // namespace
