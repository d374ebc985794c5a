#pragma once

#include <QString>

#include "script/objects/document_posting.h"

namespace balvix::shell {

struct AppState;

// "Удалить" of the configuration tree: removes a configuration object with its data
// tables after asking. Returns true when the object was deleted.
bool deleteConfigurationObject(AppState& state, const QString& type, const QString& name);

// "Удалить" of the element menu of a form in layout design: the element ContextItemName
// leaves the catalog element form (ContextFormKind "spr") or else the document form
// (ContextFormKind becomes "doc"), the shared instance the designers opened. Returns
// true when the form had the element.
bool removeFormElement(AppState& state);

// "Сделать не проведенным" of the journal's menu: removes the postings and movements of
// the document in SelectedJournalItem (number, kind, date, time, …) and marks it unposted,
// all in one transaction, then announces it, so every journal that lists it shows it
// unposted. A failure is reported and changes nothing. Returns true when the document was
// unposted.
bool unpostSelectedDocument(AppState& state);
// The same for a document named by kind and key; no question is asked here.
bool unpostStoredDocument(AppState& state, const QString& kind, const script::DocumentKey& key);

}  // namespace balvix::shell
