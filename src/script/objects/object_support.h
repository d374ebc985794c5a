#pragma once

#include <QString>
#include <QVariant>
#include <cstdint>
#include <memory>
#include <optional>

#include "script/host.h"
#include "script/host_object.h"
#include "script/objects/shared_context.h"
#include "script/value.h"
#include "storage/session.h"

namespace balvix::script {

// What the catalog, document, register, account and file-system objects have in common:
// the program's shared state and host, and the reading of arguments as the declared
// types of the object model (text, 16-bit integer).
class ScriptObject : public SimpleHostObject {
 public:
  ScriptObject(std::shared_ptr<SharedContext> context, Host& host)
      : m_context(std::move(context)), m_host(host) {}

 protected:
  SharedContext& context() const { return *m_context; }
  Host& host() const { return m_host; }
  // The open database; a clear run-time error when the module runs without one.
  storage::Session& db() const;

 private:
  std::shared_ptr<SharedContext> m_context;
  Host& m_host;
};

// For Each over an object that walks a selection with a fetch operation (Получить): each
// pass fetches the next record of the selection the module made and yields the object
// itself, positioned on that record.
std::unique_ptr<Enumerator> fetchEnumerator(const std::shared_ptr<HostObject>& self, int fetchId);

namespace object_args {
void expectCount(const Args& args, int count);
// Argument i as text: numbers and dates as the language prints them, Null refused.
QString text(const Args& args, int i);
// The assigned value of a text property.
QString text(const Value& value);
}  // namespace object_args

// Вид goes into a table name: a text that could not be a name is refused before it reaches
// a statement. Returns the name.
const QString& checkedKind(const QString& kind);

// A 16-bit integer result of a fetch or an existence test: 1 or 0.
inline Value flagResult(bool yes) {
  return Value::integer(yes ? 1 : 0);
}

// The value of a column as text; Null gives the empty text.
QString variantText(const QVariant& value);

// The fetch of the catalog, document and account objects: the very first call reads the
// first record, every later one moves before reading. True while a record is current.
bool fetchRecord(storage::Recordset& rs, std::int16_t& fetchedFlag);
// Moves to the next record; a closed recordset or one already past its end is an error.
void moveNextChecked(storage::Recordset& rs);

// A column of the current record as text, or the empty text for any failure (no such
// column, no current record, no value).
QString columnTextOrEmpty(const storage::Recordset& rs, const QString& column);
// The same with every failure raised, Null included.
QString columnTextStrict(const storage::Recordset& rs, const QString& column);

// Numbers kept as text in register and posting columns are read with either "." or ","
// as the decimal separator, so balances do not depend on the regional settings of the
// machine that wrote them. False when the text is not a number.
bool parseStoredNumber(QStringView text, double& out);

// A date as yyyymmdd, so that dates compare as dates and not as text.
inline int dateKey(const QDate& date) {
  return date.year() * 10000 + date.month() * 100 + date.day();
}
// A stored date text (dd.MM.yyyy, or any form the language reads as a date) as yyyymmdd;
// nullopt when it is not a date.
std::optional<int> dateKeyFromText(QStringView text);

// The text a posting or movement is stamped with for its date: dd.MM.yyyy.
QString dateText(const QDate& date);
// A date text dd.MM.yyyy (or any form the language reads as a date) as a date; throws a
// run-time error naming `what` otherwise.
QDate parseDateArgument(const QString& text, const QString& what);

}  // namespace balvix::script
