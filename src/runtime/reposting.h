#pragma once

#include <QString>
#include <QStringList>
#include <map>
#include <memory>
#include <vector>

#include "documents/document_service.h"
#include "script/objects/document_posting.h"
#include "shell/app_state.h"

class QWidget;

namespace balvix::runtime {

struct RepostItem {
  QString kind;
  script::DocumentKey key;
};

struct RepostSummary {
  int reposted = 0;
  int skipped = 0;  // dated in the closed period: left as they are
  bool cancelled = false;
  QStringList failures;  // "Приход от 02.03.2026 10:00:00: строка 7: …"
};

// Reposts stored documents: each one is unposted and its module's "ПриСохранении" run
// again over its stored header and table rows, in one transaction per document, so a
// failing document stays posted as it was. The module runs in the document service of the
// kind, made once per kind, over the stored document read whole.
class Reposter {
 public:
  explicit Reposter(shell::AppState& state);
  ~Reposter();
  Reposter(const Reposter&) = delete;
  Reposter& operator=(const Reposter&) = delete;

  // Empty on success (or when the document is no longer posted), else what went wrong.
  // A document posted again is announced to the shared state's document events.
  // One dated in the closed period is skipped: `closed` is set and the reason returned.
  QString repost(const RepostItem& item, bool* closed = nullptr);

 private:
  script::Host& host();

  shell::AppState& m_state;
  std::unique_ptr<script::Host> m_ownHost;  // when the program has none (tests, benchmarks)
  std::map<QString, std::unique_ptr<documents::DocumentService>> m_services;
  QStringList m_registers;
};

// Reposts the documents in their order with a progress dialog that can be cancelled
// between documents.
RepostSummary repostWithProgress(shell::AppState& state, const std::vector<RepostItem>& items,
                                 QWidget* parent);

}  // namespace balvix::runtime
