#pragma once

#include <QObject>
#include <QString>
#include <optional>

#include "script/objects/document_posting.h"

namespace balvix::shell {

// The one place that announces changes of stored documents. Whoever saves, posts, unposts
// or removes a document announces it here once its transaction has ended; journals and
// open document windows listen, so no window looks for another one to tell it. Changes
// made elsewhere (another session on the same database) can be fed in the same way.
class DocumentEvents : public QObject {
  Q_OBJECT

 public:
  using QObject::QObject;

  // Saved without posting: stored and marked unposted. `previous` as for a posting.
  void announceSaved(const QString& kind, const std::optional<script::DocumentKey>& previous,
                     const script::DocumentKey& key);
  // Saved and posted, or posted again. `previous` is the key the document was stored
  // under before (none for a new document; the same key when it was reposted).
  void announcePosted(const QString& kind, const std::optional<script::DocumentKey>& previous,
                      const script::DocumentKey& key, const QString& name);
  // Its postings and movements removed; the document itself stays.
  void announceUnposted(const QString& kind, const script::DocumentKey& key);
  // Removed whole.
  void announceRemoved(const QString& kind, const script::DocumentKey& key);
  // Another program wrote to the database; what it wrote is not known.
  void announceChangedElsewhere() { emit changedElsewhere(); }

 signals:
  void saved(const QString& kind, const std::optional<script::DocumentKey>& previous,
             const script::DocumentKey& key);
  void posted(const QString& kind, const std::optional<script::DocumentKey>& previous,
              const script::DocumentKey& key, const QString& name);
  void unposted(const QString& kind, const script::DocumentKey& key);
  void removed(const QString& kind, const script::DocumentKey& key);
  void changedElsewhere();
};

}  // namespace balvix::shell
