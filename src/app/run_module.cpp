#include "app/run_module.h"

#include <QFile>
#include <QHash>
#include <QTime>
#include <cstdio>
#include <memory>
#include <optional>

#include "app/console_host.h"
#include "config/global_module.h"
#include "documents/document_title.h"
#include "script/engine.h"
#include "script/objects/document_content_objects.h"
#include "script/objects/document_posting.h"
#include "script/objects/object_factory.h"
#include "storage/session.h"

namespace balvix::app {

namespace {

using namespace balvix::script;

// A host object for the interpreter benchmark (method calls into C++): Add(x) adds to a
// running total, Total reads it. Registered only when BALVIX_BENCH is set.
class BenchAccumulator : public SimpleHostObject {
 public:
  BenchAccumulator() {
    addMember(kAdd, QStringLiteral("Add"));
    addMember(kTotal, QStringLiteral("Total"));
  }
  Value invoke(int dispId, Args& args) override {
    if (dispId == kAdd) {
      if (args.size() != 1) throw ScriptError(ErrorCode::WrongArgumentCount, QStringLiteral("Add"));
      const Value& x = args[0];
      m_total += x.isWhole() ? x.asInt() : toDouble(x);
      return Value();
    }
    return m_total == static_cast<double>(static_cast<std::int64_t>(m_total)) &&
                   m_total < 2147483647.0 && m_total > -2147483648.0
               ? Value::number(static_cast<std::int64_t>(m_total))
               : Value::real(m_total);
  }
  QString typeName() const override { return QStringLiteral("BenchAccumulator"); }

 private:
  enum { kAdd, kTotal };
  double m_total = 0;
};

// --trace: each statement, before it runs, as "MODULE:LINE: text of the line" on stderr.
class LineTrace : public DebugHook {
 public:
  LineTrace() { armed = true; }
  void atStatement(Engine& engine, const QString& module, int line, int) override {
    QStringList& lines = m_lines[module];
    if (lines.isEmpty()) lines = engine.moduleText(module).split(u'\n');
    const QString text =
        line >= 1 && line <= lines.size() ? lines.at(line - 1).trimmed() : QString();
    writeLine(stderr, QStringLiteral("%1:%2: %3").arg(module, QString::number(line), text));
  }

 private:
  QHash<QString, QStringList> m_lines;
};

void reportError(const QString& file, const ScriptError& e) {
  // An error in the global module names it rather than the file that called it.
  const QString& where = e.module().isEmpty() ? file : e.module();
  // One multi-argument arg(): a "%1" inside the file name must not be substituted again.
  if (e.line() > 0)
    writeLine(stderr,
              QStringLiteral("%1:%2: %3").arg(where, QString::number(e.line()), e.description()));
  else
    writeLine(stderr, QStringLiteral("%1: %2").arg(where, e.description()));
}

}  // namespace

int runModuleCommand(const QString& file, const QString& dbPath, const QString& callProc,
                     const QString& postKind, const QString& postDate, bool commit, bool trace) {
  QFile f(file);
  if (!f.open(QIODevice::ReadOnly)) {
    writeLine(stderr, QStringLiteral("%1: не удается открыть файл: %2").arg(file, f.errorString()));
    return 2;
  }
  // Read no more than a module may hold: a huge file or a device such as /dev/zero ends
  // with a message instead of filling the memory.
  const QByteArray bytes = f.read(Engine::kMaxModuleBytes + 1);
  if (bytes.size() > Engine::kMaxModuleBytes) {
    reportError(file, ScriptError(ErrorCode::OutOfMemory));
    return 1;
  }
  const QString text = QString::fromUtf8(bytes);

  std::unique_ptr<storage::Session> session;
  if (!dbPath.isEmpty() && !(session = openCommandDatabase(dbPath))) return 2;

  ConsoleHost host;
  SharedContext context;
  context.db = session.get();
  std::optional<storage::Transaction> transaction;
  QDate date;
  DocumentKey key;
  if (!postKind.isEmpty()) {
    date = postDate.isEmpty() ? QDate::currentDate()
                              : QDate::fromString(postDate, QStringLiteral("dd.MM.yyyy"));
    if (!date.isValid()) {
      writeLine(stderr, QStringLiteral("--date: «%1» не является датой ДД.ММ.ГГГГ").arg(postDate));
      return 2;
    }
    if (!session) {
      writeLine(stderr, QStringLiteral("--post: документ проводится только в базе данных (--db)"));
      return 2;
    }
  }
  Engine engine(host);
  LineTrace lineTrace;
  if (trace) engine.setDebugHook(&lineTrace);
  engine.setGlobalObject(createGlobalFunctions(host, context));
  // A posting module reads and fills its document through Форма and Таблица: here those of
  // a new document of the kind, empty as its window starts.
  std::optional<DocumentContent> document;
  if (!postKind.isEmpty()) {
    QString title;
    try {
      document = newDocumentContent(*session, postKind, date);
      title = documents::newDocumentTitle(documents::kindCaption(*session, postKind));
    } catch (const storage::DbError& e) {
      writeLine(stderr, QStringLiteral("%1: %2").arg(dbPath, e.description()));
      return 2;
    }
    // A kind the configuration does not describe still posts, with nothing in its form.
    if (!document) {
      document.emplace();
      document->kind = postKind;
      document->date = date;
    }
    engine.addObject(QStringLiteral("Форма"), std::make_shared<ContentForm>(*document, title));
    engine.addObject(QStringLiteral("Таблица"), std::make_shared<ContentTable>(*document));
  }
  if (qEnvironmentVariableIsSet("BALVIX_BENCH"))
    engine.addObject(QStringLiteral("BenchAccumulator"), std::make_shared<BenchAccumulator>());
  bool missingProcedure = false;
  std::vector<ModuleSource> sources{{file, text}};
  const SaveProcedure body = [&] {
    engine.load(sources);
    if (!callProc.isEmpty()) {
      if (!engine.hasProcedure(callProc)) {
        missingProcedure = true;
        return false;
      }
      engine.runThis(callProc);
    }
    engine.unload();
    return true;
  };
  try {
    // A module run against a database sees its global module, as every module of the
    // program does; an error there names the global module and its own line.
    if (session) sources.push_back({config::kGlobalModuleName, config::readGlobalModule(*session)});
    if (!postKind.isEmpty()) {
      // The same posting as the document form's: a key of its own, one transaction.
      transaction.emplace(*session);
      key = posting::freeKey(*session, postKind, date, QTime::currentTime());
      if (posting::runAsPosting(context, postKind, date, key, body) && commit) {
        transaction->commit();
      } else if (!missingProcedure) {
        transaction.reset();
        writeLine(stderr, QStringLiteral("Пробное проведение: движения не записаны (записать их: "
                                         "--commit)."));
      }
    } else {
      body();
    }
    if (missingProcedure) {
      writeLine(stderr,
                QStringLiteral("%1: %2").arg(
                    file, ScriptError(ErrorCode::ProcedureNotFound, callProc).description()));
      return 1;
    }
  } catch (const ScriptError& e) {
    reportError(file, e);
    return 1;
  } catch (const storage::DbError& e) {
    writeLine(stderr, QStringLiteral("%1: %2").arg(dbPath, e.description()));
    return 1;
  }
  return 0;
}

}  // namespace balvix::app
