#include "script/objects/document_object.h"

#include "config/object_kind.h"
#include "config/table_names.h"
#include "script/script_error.h"

namespace balvix::script {

clsДокумент::clsДокумент(std::shared_ptr<SharedContext> context, Host& host)
    : ScriptObject(std::move(context), host) {
  addMember(kKind, QStringLiteral("Вид"));
  addMember(kSelectDocuments, QStringLiteral("ВыбратьДокументы"));
  addMember(kFetchDocument, QStringLiteral("ПолучитьДокумент"));
  addMember(kFindDocument, QStringLiteral("НайтиДокумент"));
  addMember(kSelectRows, QStringLiteral("ВыбратьСтроки"));
  addMember(kFetchRow, QStringLiteral("ПолучитьСтроку"));
  addMember(kColumn, QStringLiteral("Колонка"));
  addMember(kGetView, QStringLiteral("GetView"));
  addMember(kNumber, QStringLiteral("Номер"));
}

Value clsДокумент::invoke(int dispId, Args& args) {
  switch (dispId) {
    case kKind:
      object_args::expectCount(args, 0);
      return Value(m_kind);
    case kSelectDocuments:
      object_args::expectCount(args, 0);
      selectDocuments();
      return Value();
    case kFetchDocument:
      object_args::expectCount(args, 0);
      return flagResult(fetchDocument());
    case kFindDocument:
      object_args::expectCount(args, 1);
      return flagResult(findDocument(object_args::text(args, 0)));
    case kSelectRows:
      object_args::expectCount(args, 0);
      m_rows = db().openRecordset(QStringLiteral("SELECT * FROM ") +
                                  config::documentTablePartTable(checkedKind(m_kind)));
      return Value();
    case kFetchRow:
      object_args::expectCount(args, 0);
      return flagResult(fetchRecord(m_rows, m_rowFetched));
    case kColumn:
      object_args::expectCount(args, 1);
      return Value(columnTextOrEmpty(m_rows, object_args::text(args, 0)));
    case kGetView:
      object_args::expectCount(args, 0);
      getView();
      return Value();
    case kNumber:
      object_args::expectCount(args, 0);
      return Value(number());
  }
  throw ScriptError(ErrorCode::NotSupported);
}

void clsДокумент::put(int dispId, Args& args, const Value& value, bool isSet) {
  if (dispId != kKind || args.size() != 0 || isSet) {
    ScriptObject::put(dispId, args, value, isSet);
    return;
  }
  m_kind = object_args::text(value);
}

// The fetched document's number; with none fetched, that of the document being posted.
QString clsДокумент::number() {
  const storage::Recordset& rs = context().sharedRecordset;
  if (m_documentFetched == 1 && !rs.eof())
    return columnTextOrEmpty(rs, config::kDocumentNumberColumn).trimmed();
  return context().documentNumber;
}

void clsДокумент::selectDocuments() {
  if (!m_kind.isEmpty()) {
    context().sharedRecordset = db().openRecordset(
        QStringLiteral("SELECT * FROM ") + config::documentHeaderTable(checkedKind(m_kind)));
    return;
  }
  m_walk.start(db(), config::ObjectKind::Document);
  if (m_walk.isEmpty()) context().sharedRecordset = KindWalk::emptySelection();
  getView();
}

void clsДокумент::getView() {
  m_allKinds = m_walk.step(context(), m_kind, [this] {
    context().sharedRecordset = db().openRecordset(
        QStringLiteral("SELECT * FROM ") + config::documentHeaderTable(checkedKind(m_kind)));
  });
}

bool clsДокумент::fetchDocument() {
  if (fetchRecord(context().sharedRecordset, m_documentFetched)) return true;
  if (!m_allKinds) return false;
  getView();
  return m_allKinds;
}

// Whether a document kind exists: its header table is among the program's own tables,
// the name compared exactly.
bool clsДокумент::findDocument(const QString& kind) {
  storage::Session& session = db();
  const QString wanted = config::documentHeaderTable(kind);
  for (int i = 0; i < session.tableCount(); ++i) {
    const storage::TableDef& table = session.table(i);
    if (table.attributes == 0 && table.name == wanted) return true;
  }
  return false;
}

ТекущийДокумент::ТекущийДокумент(std::shared_ptr<SharedContext> context, Host& host)
    : ScriptObject(std::move(context), host) {
  addMember(kName, QStringLiteral("Наименование"));
  addMember(kDate, QStringLiteral("Дата"));
  addMember(kTime, QStringLiteral("Время"));
  addMember(kValue, QStringLiteral("ПолучитьЗначение"));
  addMember(kNumber, QStringLiteral("Номер"));
}

Value ТекущийДокумент::invoke(int dispId, Args& args) {
  const storage::Recordset& rs = context().sharedRecordset;
  switch (dispId) {
    case kName:
      object_args::expectCount(args, 0);
      return Value(columnTextStrict(rs, QStringLiteral("Наименование")));
    case kDate:
      object_args::expectCount(args, 0);
      return Value(columnTextStrict(rs, QStringLiteral("cDate")));
    case kTime:
      object_args::expectCount(args, 0);
      return Value(columnTextStrict(rs, QStringLiteral("cTime")));
    case kValue:
      object_args::expectCount(args, 1);
      return Value(columnTextOrEmpty(rs, object_args::text(args, 0)));
    case kNumber:
      object_args::expectCount(args, 0);
      return Value(columnTextStrict(rs, config::kDocumentNumberColumn).trimmed());
  }
  throw ScriptError(ErrorCode::NotSupported);
}

std::unique_ptr<Enumerator> clsДокумент::enumerate(const std::shared_ptr<HostObject>& self) {
  selectDocuments();
  m_documentFetched = 0;
  return fetchEnumerator(self, kFetchDocument);
}

}  // namespace balvix::script
