#pragma once

#include <QDate>
#include <QString>
#include <memory>
#include <optional>

#include "storage/session.h"

namespace balvix::script {

namespace totals {
class Changes;
}

// The state that the script objects share with the windows: the database session, the
// one recordset of the most recent query, and what a document's posting stamps its
// movements with. The shell's shared state is this object (it derives from it), so a
// window and a module see the same recordset and the same posting context; the headless
// runner and the tests own one of their own.
struct SharedContext {
  storage::Session* db = nullptr;      // Db
  storage::Recordset sharedRecordset;  // SharedRecordset: replaced by every query

  QString currentObjectType;  // CurrentObjectType: "Документ" while a document is posted
  QString currentObjectName;  // CurrentObjectName: the kind of that document
  QString documentSaveTime;   // DocumentSaveTime: the time a posting is stamped with
  // The date of the document being posted. The posting sets it for the time of its save
  // procedure; when it is unset the host is asked for the document window's date.
  std::optional<QDate> documentDate;
  // The number of the document being posted, for the save procedure's Документ.Номер.
  QString documentNumber;
  // The totals changes of the movements the posting has written so far; written in key
  // order when the save procedure ends (or before a balance is read). Unset outside a
  // posting: a movement then changes its totals at once.
  std::shared_ptr<totals::Changes> pendingTotals;
};

}  // namespace balvix::script
