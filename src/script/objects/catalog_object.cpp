#include "script/objects/catalog_object.h"

#include "config/audit_trail.h"
#include "config/object_definition.h"
#include "config/object_kind.h"
#include "config/references.h"
#include "config/table_names.h"
#include "script/script_error.h"
#include "storage/session.h"
#include "storage/sql_text.h"

namespace balvix::script {

void KindWalk::start(storage::Session& db, config::ObjectKind type) {
  m_kinds = config::objectNames(db, type);
  m_next = 0;
}

clsСправочник::clsСправочник(std::shared_ptr<SharedContext> context, Host& host)
    : ScriptObject(std::move(context), host) {
  addMember(kKind, QStringLiteral("Вид"));
  addMember(kSelect, QStringLiteral("Выбрать"));
  addMember(kFetch, QStringLiteral("Получить"));
  addMember(kValue, QStringLiteral("Значение"));
  addMember(kGetView, QStringLiteral("GetView"));
  addMember(kDelete, QStringLiteral("Удалить"));
  addMember(kRename, QStringLiteral("Переименовать"));
}

Value clsСправочник::invoke(int dispId, Args& args) {
  switch (dispId) {
    case kKind:
      object_args::expectCount(args, 0);
      return Value(m_kind);
    case kSelect:
      object_args::expectCount(args, 0);
      select();
      return Value();
    case kFetch:
      object_args::expectCount(args, 0);
      return flagResult(fetch());
    case kValue:
      object_args::expectCount(args, 1);
      return Value(columnTextOrEmpty(context().sharedRecordset, object_args::text(args, 0)));
    case kGetView:
      object_args::expectCount(args, 0);
      getView();
      return Value();
    case kDelete:
      object_args::expectCount(args, 1);
      deleteElement(object_args::text(args, 0));
      return Value();
    case kRename:
      object_args::expectCount(args, 2);
      renameElement(object_args::text(args, 0), object_args::text(args, 1));
      return Value();
  }
  throw ScriptError(ErrorCode::NotSupported);
}

void clsСправочник::put(int dispId, Args& args, const Value& value, bool isSet) {
  if (dispId != kKind || args.size() != 0 || isSet) {
    ScriptObject::put(dispId, args, value, isSet);
    return;
  }
  m_kind = object_args::text(value);
}

void clsСправочник::select() {
  if (!m_kind.isEmpty()) {
    context().sharedRecordset = db().openRecordset(QStringLiteral("SELECT * FROM ") +
                                                   config::catalogTable(checkedKind(m_kind)));
    return;
  }
  m_walk.start(db(), config::ObjectKind::Catalog);
  if (m_walk.isEmpty()) context().sharedRecordset = KindWalk::emptySelection();
  getView();
}

void clsСправочник::getView() {
  m_allKinds = m_walk.step(context(), m_kind, [this] {
    context().sharedRecordset = db().openRecordset(QStringLiteral("SELECT * FROM ") +
                                                   config::catalogTable(checkedKind(m_kind)));
  });
}

void clsСправочник::deleteElement(const QString& name) {
  const QString table = config::catalogTable(checkedKind(m_kind));
  // The same refusal as the catalog list gives: the books would name an element that is gone.
  const config::ElementReferences used = config::findReferences(db(), m_kind, name);
  if (!used.isEmpty())
    throw ScriptError::custom(ErrorCode::InvalidCall, config::referenceMessage(name, used));
  storage::Transaction transaction(db());
  db().execute(QStringLiteral("DELETE FROM ") + table + QStringLiteral(" WHERE Наименование=") +
               storage::quote(name));
  if (db().changes() > 0)
    config::audit::append(db(), config::audit::event::kDeletion,
                          config::objectPath(config::ObjectKind::Catalog, m_kind), name,
                          QStringLiteral("Элемент удален модулем."));
  transaction.commit();
}

void clsСправочник::renameElement(const QString& name, const QString& newName) {
  const QString table = config::catalogTable(checkedKind(m_kind));
  auto exists = [&](const QString& element) {
    return !db().openRecordset(QStringLiteral("SELECT Наименование FROM ") + table +
                               QStringLiteral(" WHERE Наименование=") + storage::quote(element))
                .eof();
  };
  if (newName.trimmed().isEmpty() || !exists(name))
    throw ScriptError::custom(
        ErrorCode::InvalidCall,
        QStringLiteral("Элемент «%1» не найден в справочнике «%2».").arg(name, m_kind));
  if (newName == name) return;
  if (exists(newName))
    throw ScriptError::custom(
        ErrorCode::InvalidCall,
        QStringLiteral("Элемент «%1» уже есть в справочнике «%2».").arg(newName, m_kind));
  // The element and every reference to it move together, as the element form does it.
  storage::Transaction transaction(db());
  db().execute(QStringLiteral("UPDATE ") + table + QStringLiteral(" SET Наименование=") +
               storage::quote(newName) + QStringLiteral(" WHERE Наименование=") +
               storage::quote(name));
  config::renameReferences(db(), m_kind, name, newName);
  config::audit::append(db(), config::audit::event::kElementChange,
                        config::objectPath(config::ObjectKind::Catalog, m_kind), newName,
                        config::audit::fieldChanges({{QStringLiteral("Наименование"), name}},
                                                    {{QStringLiteral("Наименование"), newName}}));
  transaction.commit();
}

bool clsСправочник::fetch() {
  if (fetchRecord(context().sharedRecordset, m_fetched)) return true;
  if (!m_allKinds) return false;
  getView();
  return m_allKinds;
}

Value clsЖурнал::invoke(int, Args&) {
  throw ScriptError(ErrorCode::NotSupported);
}

std::unique_ptr<Enumerator> clsСправочник::enumerate(const std::shared_ptr<HostObject>& self) {
  select();
  m_fetched = 0;
  return fetchEnumerator(self, kFetch);
}

}  // namespace balvix::script
