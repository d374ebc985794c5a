#pragma once

#include <QString>
#include <QStringList>
#include <QTime>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "config/object_definition.h"
#include "documents/document_checks.h"
#include "script/engine.h"
#include "script/objects/document_posting.h"
#include "script/objects/shared_context.h"
#include "storage/session.h"

namespace balvix::documents {

// The save procedure and the table-change procedure of document modules.
inline const QString kSaveProcedure = QStringLiteral("ПриСохранении");
inline const QString kTableChangedProcedure = QStringLiteral("ПриИзмененииТаблицы");

// The texts an object's module runs as: its own module under its path ("Документ.Приход")
// and the global module under its name, so an error names the module it happened in and
// its own line. Empty when the object has no module ("" or the placeholder "_").
std::vector<script::ModuleSource> moduleSources(storage::Session& db, const QString& name,
                                                const QString& code);

// " WHERE cDATE=… AND cTIME=…": the header row and the table rows of one document.
QString documentKeyCondition(const script::DocumentKey& key);
// Positions of `names` among the fields of `rs` (-1 where missing), found once per
// recordset: a kind with thousands of requisites is read in time linear in their count.
QList<int> fieldPositions(const storage::Recordset& rs, const QStringList& names);

// What a save and post came to. A module's error comes back here after the rollback, so
// whoever shows it does so with no transaction open. `problem`: the document was refused
// before anything was written (a required field empty, a reference to nothing).
struct SaveOutcome {
  script::PostOutcome outcome = script::PostOutcome::Aborted;
  script::DocumentKey key;
  QString number;      // the number the document was saved under
  qint64 version = 0;  // the stored document's version after the write, or as found
  std::optional<script::ScriptError> error;
  std::optional<FieldProblem> problem;
};

// Saves and posts `content` in one transaction, with the save procedure of `engine` (none:
// the document has no module). A posting is checked first (checkDocument over the kind's
// definition): with a problem nothing is written; a draft (`post` false) is not checked. The boxes
// the module asks for meanwhile are held on `host` and shown after the transaction has ended.
// Database errors pass through after the rollback. The document window posts through here with the
// engine of its form, and `reread` brings `content` up to date with what the save procedure wrote
// into the form, so that what is stored is what the module left.
// A transaction that meets another session's change or lock is run again whole
// (retryWhenBusy): the boxes of the failed attempt are dropped, and `restore` is handed the
// content as it was before, to put back what the module wrote into the form. With
// `expectedVersion` a stored document written meanwhile by someone else is refused
// (ChangedElsewhere, nothing written).
struct SaveOptions {
  std::function<void()> reread;
  std::function<void(const script::DocumentContent&)> restore;
  std::optional<qint64> expectedVersion;
};
SaveOutcome saveAndPost(script::SharedContext& context, script::Host& host,
                        const script::DocumentContent& content,
                        const std::optional<script::DocumentKey>& stored, script::Engine* engine,
                        QTime now = QTime::currentTime(), bool post = true,
                        const SaveOptions& options = {});

// A document of one kind without a window: its content, and its module loaded with
// `Форма` and `Таблица` over that content. Documents entered from a file, the demo's
// history and "Перепровести" go through it; a service serves any number of documents of
// its kind one after another (the module is loaded once, as in an open window).
class DocumentService {
 public:
  DocumentService(script::SharedContext& context, script::Host& host,
                  config::ObjectDefinition definition);
  ~DocumentService();
  DocumentService(const DocumentService&) = delete;
  DocumentService& operator=(const DocumentService&) = delete;

  // The service of `kind`, nullptr when the configuration has no such document.
  static std::unique_ptr<DocumentService> open(script::SharedContext& context, script::Host& host,
                                               const QString& kind);

  const config::ObjectDefinition& definition() const { return m_definition; }
  // What the module reads and fills: a new document's, or the last one handed over.
  script::DocumentContent& content() { return m_content; }
  // Starts a new document of the kind dated `date`: every requisite empty, no rows.
  void startNew(const QDate& date);

  // Loads the module (its top-level statements and ПриОткрытии run) unless loaded already.
  std::optional<script::ScriptError> load();
  // Runs ПриИзмененииТаблицы, as after the user changed the table.
  std::optional<script::ScriptError> tableChanged();
  // Without `post` the document is only saved, unposted, and ПриСохранении does not run.
  SaveOutcome saveAndPost(const std::optional<script::DocumentKey>& stored = std::nullopt,
                          QTime now = QTime::currentTime(), bool post = true,
                          std::optional<qint64> expectedVersion = std::nullopt);

  // Posts the stored document `key` again over its stored header and rows, read whole:
  // its movements and postings are removed and ПриСохранении run, in one transaction.
  // `registers` are the register tables (posting::registerTables). Empty on success or
  // when the document is no longer posted; else what went wrong («Глобальный модуль,
  // строка 3: Деление на ноль»). `reposted` tells the first case from the second. A document
  // dated in the closed period is skipped with the reason, and `closed` set.
  QString repost(const script::DocumentKey& key, const QStringList& registers,
                 bool* reposted = nullptr, bool* closed = nullptr);

 private:
  // Fills the content from the stored document; false when it is gone or not posted.
  bool readStored(const script::DocumentKey& key);

  script::SharedContext& m_context;
  script::Host& m_host;
  config::ObjectDefinition m_definition;
  script::DocumentContent m_content;
  QString m_storedNumber;  // of the stored document readStored read
  std::unique_ptr<script::Engine> m_engine;
  bool m_loaded = false;
};

}  // namespace balvix::documents
