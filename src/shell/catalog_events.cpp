#include "shell/catalog_events.h"

namespace balvix::shell {

void CatalogEvents::announceElementsChanged(const QString& catalog) {
  emit elementsChanged(catalog);
}

}  // namespace balvix::shell
