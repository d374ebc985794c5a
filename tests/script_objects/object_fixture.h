#pragma once

#include <gtest/gtest.h>

#include <QDate>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <optional>
#include <ostream>

#include "script/engine.h"
#include "script/objects/object_factory.h"
#include "script/objects/program_host.h"
#include "script/objects/shared_context.h"
#include "storage/session.h"
#include "test_helpers.h"

namespace balvix::script::testing {

// Records what modules show; plays the document window (its date) and the choice lists.
class ObjectHost : public ProgramHost {
 public:
  int showMessage(const QString& text, int, const QString& title) override {
    messages << text;
    titles << title;
    return MsgBoxCode::AnswerOk;
  }
  void showProgramMessage(const QString& text) override { programMessages << text; }
  void setStatus(const QString& text) override { statuses << text; }
  void processEvents() override { ++eventPumps; }
  void startProgram(const QString&) override {}
  std::optional<QDate> documentWindowDate() override { return windowDate; }
  void openChoiceWindow(const QString& kind, const QString& name) override {
    if (!windowDate)
      throw ScriptError::custom(ErrorCode::ObjectNotSet, QStringLiteral("нет окна документа"));
    choices << kind + u'.' + name;
  }

  QStringList messages;
  QStringList titles;
  QStringList programMessages;
  QStringList statuses;
  QStringList choices;
  std::optional<QDate> windowDate;
  int eventPumps = 0;
};

// A fresh database per test, module text run by the engine over a shared state of the
// test's own.
class ObjectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    session = storage::Session::createNew(address());
    context.db = session.get();
  }

  // Where the test's database lives: the file, or on the server pass its database there.
  QString address() const {
    return server.active() ? server.address() : dir.filePath(QStringLiteral("basa.mdb"));
  }
  void exec(const QString& sql) { session->execute(sql); }
  QStringList column(const QString& sql) {
    QStringList out;
    for (storage::Recordset rs = session->openRecordset(sql); !rs.eof(); rs.moveNext())
      out << (rs.value(0).isNull() ? QStringLiteral("<null>") : rs.text(0));
    return out;
  }

  // Runs the module; "line: description" of its error, nullopt when it ran through. What
  // it showed with Сообщить is in host.messages.
  std::optional<QString> runModule(const QString& module) {
    host.messages.clear();
    Engine engine(host);
    engine.setGlobalObject(createGlobalFunctions(host, context));
    try {
      engine.load(module);
    } catch (const ScriptError& e) {
      return QStringLiteral("%1: %2").arg(e.line()).arg(e.description());
    }
    return std::nullopt;
  }
  // What a module showed; a run-time error fails the test.
  QStringList run(const QString& module) {
    if (const std::optional<QString> error = runModule(module))
      ADD_FAILURE() << "line " << error->toStdString();
    return host.messages;
  }
  // The error of a module that must fail.
  QString runError(const QString& module) {
    const std::optional<QString> error = runModule(module);
    if (!error) ADD_FAILURE() << "the module ran without an error";
    return error.value_or(QString());
  }

  // A catalog with its form_items row and its elements (first column Наименование).
  void addCatalog(const QString& name, const QStringList& columns,
                  const QList<QStringList>& rows = {}) {
    exec(QStringLiteral("INSERT INTO form_items (name,type) VALUES ('%1','Справочник')").arg(name));
    addTable(QStringLiteral("items_Справочник_") + name, columns, rows);
  }
  void addTable(const QString& table, const QStringList& columns, const QList<QStringList>& rows) {
    QStringList defs;
    for (const QString& c : columns) defs << c + QStringLiteral(" TEXT(50)");
    exec(QStringLiteral("CREATE TABLE %1(%2)").arg(table, defs.join(u',')));
    for (const QStringList& row : rows) {
      QStringList values;
      for (const QString& v : row)
        values << (v == QStringLiteral("<null>") ? QStringLiteral("NULL") : u'\'' + v + u'\'');
      exec(QStringLiteral("INSERT INTO %1 VALUES (%2)").arg(table, values.join(u',')));
    }
  }
  // A register: the requisites, then its four system columns.
  void addRegister(const QString& name, const QStringList& requisites) {
    exec(QStringLiteral("INSERT INTO form_items (name,type) VALUES ('%1','Регистр')").arg(name));
    QStringList defs;
    for (const QString& r : requisites) defs << r + QStringLiteral(" TEXT(50)");
    exec(QStringLiteral("CREATE TABLE items_Регистр_%1(%2,cDATE TEXT(10),cTIME TEXT(10),"
                        "Документ TEXT(50),Флаг TEXT(5))")
             .arg(name, defs.join(u',')));
  }
  // The state of a document's posting, as the document window sets it.
  void startPosting(const QString& kind, const QDate& date, const QString& time) {
    context.currentObjectType = QStringLiteral("Документ");
    context.currentObjectName = kind;
    context.documentSaveTime = time;
    host.windowDate = date;
  }

  QTemporaryDir dir;
  // On the server pass, the test's own database there instead of the file.
  balvix::testing::ServerDatabase server;
  std::unique_ptr<storage::Session> session;
  ObjectHost host;
  SharedContext context;
};

}  // namespace balvix::script::testing
