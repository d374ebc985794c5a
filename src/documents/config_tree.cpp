#include "documents/config_tree.h"

#include <algorithm>

#include "config/global_module.h"
#include "script/translator.h"
#include "storage/session.h"

namespace balvix::documents {

using namespace config;

namespace {

int kindOrder(ObjectKind kind) {
  return static_cast<int>(std::find(kAllKinds.begin(), kAllKinds.end(), kind) - kAllKinds.begin());
}

}  // namespace

const ConfigObject* ConfigTree::find(ObjectKind kind, const QString& name) const {
  for (const ConfigObject& object : objects) {
    if (object.definition.kind == kind &&
        object.definition.name.compare(name, Qt::CaseInsensitive) == 0)
      return &object;
  }
  return nullptr;
}

void ConfigTree::sort() {
  std::stable_sort(objects.begin(), objects.end(),
                   [](const ConfigObject& a, const ConfigObject& b) {
                     const int ka = kindOrder(a.definition.kind), kb = kindOrder(b.definition.kind);
                     if (ka != kb) return ka < kb;
                     return a.definition.name < b.definition.name;
                   });
}

ConfigTree readConfigTree(storage::Session& db) {
  ConfigTree tree;
  for (ObjectKind kind : kAllKinds) {
    for (const QString& name : objectNames(db, kind)) {
      std::optional<ObjectDefinition> definition = readDefinition(db, kind, name);
      if (!definition) continue;
      ConfigObject object{std::move(*definition), {}};
      if (kind == ObjectKind::Document) object.printForms = readPrintForms(db, name);
      tree.objects << std::move(object);
    }
  }
  tree.globalModule = readGlobalModule(db);
  tree.sort();
  return tree;
}

QString plainFileText(const QString& stored) {
  QString text = stored;
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return text;
}

QString storedText(const QString& fileText) {
  QString text = fileText;
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(u'\n', QStringLiteral("\r\n"));
  return text;
}

QString moduleFileText(const QString& stored) {
  const script::ERRE translator;
  const QString russian = translator.EngToRus(stored);
  if (translator.RusToEng(russian) == stored) return plainFileText(russian);
  return plainFileText(stored);
}

}  // namespace balvix::documents
