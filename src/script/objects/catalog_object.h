#pragma once

#include <QStringList>

#include "config/object_kind.h"
#include "script/objects/object_support.h"

namespace balvix::script {

// The walk over the kinds of one object type (every catalog, every document kind), in the
// order the configuration lists them. Kinds without rows are skipped, so a walk never
// stops on a kind with no current record.
class KindWalk {
 public:
  // Reads the list of kinds of the object type.
  void start(storage::Session& db, config::ObjectKind type);
  // Steps to the next kind that has rows: `open(kind)` selects the kind's rows into the
  // shared recordset and `kind` receives its name. Returns false when the list is done;
  // `kind` then keeps the last name.
  template <typename OpenFn>
  bool step(SharedContext& context, QString& kind, OpenFn open) {
    while (m_next < m_kinds.size()) {
      kind = m_kinds.at(m_next++);
      open();
      if (!context.sharedRecordset.eof()) return true;
    }
    return false;
  }
  // A walk over no kinds at all leaves an empty selection rather than the recordset of
  // whatever was queried before.
  bool isEmpty() const { return m_kinds.isEmpty(); }
  static storage::Recordset emptySelection() { return storage::Recordset::fromRows({}, {}, 0); }

 private:
  QStringList m_kinds;
  qsizetype m_next = 0;
};

// A catalog as a module reads it: set Вид, Выбрать, then Получить in a loop and Значение
// inside; Удалить(name) deletes an element, Переименовать(name, newName) renames one. With Вид
// empty, Выбрать walks every catalog and Вид names the catalog of the current element. The
// selection lives in the shared recordset.
class clsСправочник : public ScriptObject {
 public:
  clsСправочник(std::shared_ptr<SharedContext> context, Host& host);

  Value invoke(int dispId, Args& args) override;
  void put(int dispId, Args& args, const Value& value, bool isSet) override;
  QString typeName() const override { return QStringLiteral("clsСправочник"); }
  // For Each makes the selection itself and walks it from its first record.
  std::unique_ptr<Enumerator> enumerate(const std::shared_ptr<HostObject>& self) override;

 private:
  enum Member { kKind = 1, kSelect, kFetch, kValue, kGetView, kDelete, kRename };
  void select();
  void getView();
  bool fetch();
  // Удалить(name): deletes the element of Вид so named, unless the books still name it.
  void deleteElement(const QString& name);
  // Переименовать(name, newName): renames the element and every reference to it.
  void renameElement(const QString& name, const QString& newName);

  QString m_kind;
  std::int16_t m_fetched = 0;
  KindWalk m_walk;
  bool m_allKinds = false;
};

// The journal object: modules can create it, it has no operations.
class clsЖурнал : public ScriptObject {
 public:
  using ScriptObject::ScriptObject;
  Value invoke(int dispId, Args& args) override;
  QString typeName() const override { return QStringLiteral("clsЖурнал"); }
};

}  // namespace balvix::script
