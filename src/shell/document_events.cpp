#include "shell/document_events.h"

namespace balvix::shell {

void DocumentEvents::announceSaved(const QString& kind,
                                   const std::optional<script::DocumentKey>& previous,
                                   const script::DocumentKey& key) {
  emit saved(kind, previous, key);
}

void DocumentEvents::announcePosted(const QString& kind,
                                    const std::optional<script::DocumentKey>& previous,
                                    const script::DocumentKey& key, const QString& name) {
  emit posted(kind, previous, key, name);
}

void DocumentEvents::announceUnposted(const QString& kind, const script::DocumentKey& key) {
  emit unposted(kind, key);
}

void DocumentEvents::announceRemoved(const QString& kind, const script::DocumentKey& key) {
  emit removed(kind, key);
}

}  // namespace balvix::shell
