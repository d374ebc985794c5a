#pragma once

#include "script/objects/catalog_object.h"

namespace balvix::script {

// Documents of a kind as a module reads them: ВыбратьДокументы and ПолучитьДокумент walk
// the headers in the shared recordset (every kind when Вид is empty), ВыбратьСтроки and
// ПолучитьСтроку walk the table-part rows of all documents of the kind in a selection of
// the object's own. Номер is the fetched document's number, or during a posting with none
// fetched the number of the document being posted.
class clsДокумент : public ScriptObject {
 public:
  clsДокумент(std::shared_ptr<SharedContext> context, Host& host);

  Value invoke(int dispId, Args& args) override;
  void put(int dispId, Args& args, const Value& value, bool isSet) override;
  QString typeName() const override { return QStringLiteral("clsДокумент"); }
  // For Each makes the selection itself and walks it from its first record.
  std::unique_ptr<Enumerator> enumerate(const std::shared_ptr<HostObject>& self) override;

 private:
  enum Member {
    kKind = 1,
    kSelectDocuments,
    kFetchDocument,
    kFindDocument,
    kSelectRows,
    kFetchRow,
    kColumn,
    kGetView,
    kNumber
  };
  QString number();
  void selectDocuments();
  void getView();
  bool fetchDocument();
  bool findDocument(const QString& kind);

  QString m_kind;
  std::int16_t m_rowFetched = 0;
  std::int16_t m_documentFetched = 0;
  KindWalk m_walk;
  bool m_allKinds = false;
  storage::Recordset m_rows;
};

// A read-only view of the document header current in the shared recordset.
class ТекущийДокумент : public ScriptObject {
 public:
  ТекущийДокумент(std::shared_ptr<SharedContext> context, Host& host);

  Value invoke(int dispId, Args& args) override;
  QString typeName() const override { return QStringLiteral("ТекущийДокумент"); }

 private:
  enum Member { kName = 1, kDate, kTime, kValue, kNumber };
};

}  // namespace balvix::script
