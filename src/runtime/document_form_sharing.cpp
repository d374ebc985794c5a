// The document window's part in working beside other users: its saves checked against the
// stored version, the choice when someone else wrote first, and the editing lock.
#include <QDateEdit>
#include <QPointer>
#include <QPushButton>

#include "config/object_kind.h"
#include "config/row_versions.h"
#include "documents/document_service.h"
#include "runtime/document_form.h"
#include "runtime/edit_conflict.h"
#include "runtime/form_control.h"
#include "runtime/form_table.h"
#include "shell/message_box.h"

namespace balvix::runtime {

using shell::MessageBoxes;

namespace {

FieldValues fieldValues(const script::DocumentContent& doc) {
  FieldValues values = doc.header;
  values.prepend({QStringLiteral("Дата"), doc.date.toString(QStringLiteral("dd.MM.yyyy"))});
  for (int r = 0; r < doc.rows.size(); ++r)
    values.append({QStringLiteral("Строка %1").arg(r + 1), doc.rows[r].join(QStringLiteral("; "))});
  return values;
}

}  // namespace

void frmUniDoc::showContent(const script::DocumentContent& doc) {
  m_dt->setDate(doc.date);
  for (const auto& [column, value] : doc.header) m_frm->setValue(column, value);
  if (!m_hasTable) return;
  FormTable* table = m_frm->table();
  table->clearRows();
  for (const QStringList& row : doc.rows) {
    table->newRow();
    for (int c = 0; c < row.size() && c < doc.rowColumns.size(); ++c)
      table->addValue(row[c], doc.rowColumns[c]);
  }
}

bool frmUniDoc::saveDocument(bool posting, bool checkVersion) {
  if (m_designMode || !m_loaded || !m_state.db) return false;
  if (refuseOutdated()) return false;
  if (!m_editedBy.isEmpty()) {
    MessageBoxes::show(
        QStringLiteral("Открыт для изменения пользователем %1: документ открыт только для "
                       "просмотра.")
            .arg(m_editedBy));
    return false;
  }
  if (readOnly()) {
    MessageBoxes::show(posting ? QStringLiteral("Документ уже проведен.")
                               : QStringLiteral("Проведенный документ изменить нельзя: сначала "
                                                "отмените проведение."));
    return false;
  }
  // Modules posted here reach this window for its date and their choice lists.
  m_state.documentWindow = this;
  // The module's ПриСохранении reads the window's fields and may write into them: what is
  // stored is read from the window again after it has run.
  script::DocumentContent doc = content();
  const std::optional<script::DocumentKey> previous = m_stored;
  documents::SaveOptions options;
  if (posting) {
    options.reread = [&] { doc = content(); };
    options.restore = [&](const script::DocumentContent& before) {
      showContent(before);
      doc = before;
    };
  }
  if (m_stored && checkVersion) options.expectedVersion = m_version;
  documents::SaveOutcome result;
  try {
    result = documents::saveAndPost(m_state, m_frm->host(), doc, m_stored, m_frm->engine(),
                                    QTime::currentTime(), posting, options);
  } catch (const storage::DbError& e) {
    // Nothing was written; the user's input stays in the window.
    MessageBoxes::show((posting ? QStringLiteral("Документ не проведен: ")
                                : QStringLiteral("Документ не записан: ")) +
                       e.description());
    return false;
  }
  if (result.outcome == script::PostOutcome::ChangedElsewhere) return resolveConflict(posting);
  if (!succeeded(result)) return false;
  m_version = result.version;
  if (previous && !(*previous == result.key)) unlockEditing();
  if (posting) {
    QString name;
    for (const auto& [column, value] : doc.header)
      if (column.compare(QStringLiteral("Наименование"), Qt::CaseInsensitive) == 0) name = value;
    // The window closes: it has no need to hear its own announcement.
    disconnect(&m_state.events, nullptr, this, nullptr);
    m_state.events.announcePosted(m_kind, previous, result.key, name);
    m_loaded = false;
    close();
    return true;
  }
  m_stored = result.key;
  m_storedPosted = false;
  m_clean = doc;
  m_announcing = true;
  m_state.events.announceSaved(m_kind, previous, result.key);
  m_announcing = false;
  updateTitle();
  applyPostedState();
  return true;
}

bool frmUniDoc::resolveConflict(bool posting) {
  const ConflictChoice choice =
      askConflict(QStringLiteral("Документ изменен другим пользователем после того, как это окно "
                                 "его открыло."));
  if (choice == ConflictChoice::WriteMine) return saveDocument(posting, false);
  if (choice == ConflictChoice::TakeTheirs) {
    rereadStored();
    return false;
  }
  const FieldValues mine = fieldValues(content());
  const script::DocumentContent minePart = content();
  // The stored copy is read into the window for the comparison and the user's version put back.
  FieldValues theirs;
  bool posted = false;
  try {
    if (readDocument(*m_state.db, *m_stored, &posted)) theirs = fieldValues(content());
  } catch (const storage::DbError& e) {
    MessageBoxes::show(e.description());
  }
  showContent(minePart);
  auto* versions = new frmVersions(windowTitle(), mine, theirs, this);
  versions->setWindowFlag(Qt::Window);
  QPointer<frmUniDoc> self(this);
  connect(versions, &frmVersions::takeTheirs, this, [self] {
    if (self) self->rereadStored();
  });
  connect(versions, &frmVersions::writeMine, this, [self, posting] {
    if (self) self->saveDocument(posting, false);
  });
  versions->show();
  return false;
}

bool frmUniDoc::rereadStored() {
  if (!m_state.db || !m_stored) return false;
  try {
    storage::Session& db = *m_state.db;
    m_version = config::rowVersion(db, config::objectPath(config::ObjectKind::Document, m_kind),
                                   config::documentVersionKey(m_stored->date, m_stored->time));
    bool posted = false;
    if (!readDocument(db, *m_stored, &posted)) {
      MessageBoxes::show(QStringLiteral("Документ «%1» от %2 %3 не найден: возможно, он удален.")
                             .arg(m_kind, m_stored->date, m_stored->time));
      return false;
    }
    m_storedPosted = posted;
    m_clean = content();
    updateTitle();
    applyPostedState();
    return true;
  } catch (const storage::DbError& e) {
    MessageBoxes::show(e.description());
    return false;
  }
}

void frmUniDoc::lockForEditing() {
  storage::ObjectLocks* locks = m_state.objectLocks();
  if (!locks || !m_stored) return;
  const QString key =
      config::editingLockKey(config::objectPath(config::ObjectKind::Document, m_kind),
                             config::documentVersionKey(m_stored->date, m_stored->time));
  m_editedBy = locks->tryLock(key, m_state.userName);
  if (m_editedBy.isEmpty()) {
    m_lockKey = key;
    return;
  }
  MessageBoxes::show(QStringLiteral("Открыт для изменения пользователем %1. Документ открыт только "
                                    "для просмотра.")
                         .arg(m_editedBy),
                     shell::MsgButtons::Ok, QString(), shell::MsgIcon::Information);
}

void frmUniDoc::unlockEditing() {
  if (m_lockKey.isEmpty()) return;
  if (storage::ObjectLocks* locks = m_state.objectLocks()) locks->unlock(m_lockKey);
  m_lockKey.clear();
}

}  // namespace balvix::runtime
