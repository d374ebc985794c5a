#pragma once

#include <QString>
#include <optional>

#include "script/objects/document_posting.h"
#include "shell/app_state.h"

namespace balvix::runtime {

class frmUniDoc;

// The commands on a stored document that the journal and the document window share. Each
// asks the question that names the document and what goes with it, then acts in one
// transaction and announces the change. False when the user declined or it failed (the
// failure is shown after the rollback).
bool unpostDocument(shell::AppState& state, const QString& kind, const script::DocumentKey& key);
bool removeDocument(shell::AppState& state, const QString& kind, const script::DocumentKey& key);

// Opens the document form on the stored document `key` of `kind` (as the journal does on a
// double click); nullptr when the window could not open.
frmUniDoc* openStoredDocument(shell::AppState& state, const QString& kind,
                              const script::DocumentKey& key);

// Opens the document form on a new document of `kind`; with `copyOf`, filled with that stored
// document's header and rows (dated today, unsaved, so it gets its own number when written).
// nullptr when the window could not open.
frmUniDoc* openNewDocument(shell::AppState& state, const QString& kind,
                           const std::optional<script::DocumentKey>& copyOf = std::nullopt);

}  // namespace balvix::runtime
