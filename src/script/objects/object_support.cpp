#include "script/objects/object_support.h"

#include "script/coerce.h"
#include "script/script_error.h"
#include "storage/sql_text.h"

namespace balvix::script {

storage::Session& ScriptObject::db() const {
  if (!m_context->db)
    throw ScriptError::custom(ErrorCode::ObjectNotSet,
                              QStringLiteral("База данных не открыта: объекту некуда обратиться."));
  return *m_context->db;
}

namespace object_args {

void expectCount(const Args& args, int count) {
  if (args.size() != count) throw ScriptError(ErrorCode::WrongArgumentCount);
}

QString text(const Value& value) {
  const Value& v = value.deref();
  if (v.isNull()) throw ScriptError(ErrorCode::InvalidUseOfNull);
  if (v.isObject() || v.isArray()) throw ScriptError(ErrorCode::TypeMismatch);
  return toText(v);
}

QString text(const Args& args, int i) {
  return text(args[i]);
}

}  // namespace object_args

const QString& checkedKind(const QString& kind) {
  if (!storage::isValidIdentifier(kind))
    throw ScriptError::custom(
        ErrorCode::InvalidCall,
        QStringLiteral("Вид «%1» не может быть именем объекта конфигурации.").arg(kind));
  return kind;
}

QString variantText(const QVariant& value) {
  if (value.isNull()) return QString();
  if (value.typeId() == QMetaType::Double) return formatDouble(value.toDouble());
  return value.toString();
}

void moveNextChecked(storage::Recordset& rs) {
  if (!rs.isOpen())
    throw storage::DbError(storage::ErrorCode::ObjectClosed,
                           QStringLiteral("Набор записей закрыт: выборка уже закончена."));
  if (rs.eof())
    throw storage::DbError(storage::ErrorCode::NoCurrentRecord,
                           QStringLiteral("Нет текущей записи: выборка уже прочитана до конца."));
  rs.moveNext();
}

namespace {
class FetchEnumerator : public Enumerator {
 public:
  FetchEnumerator(std::shared_ptr<HostObject> self, int fetchId)
      : m_self(std::move(self)), m_fetchId(fetchId) {}
  bool next(Value& element) override {
    Args none(nullptr, 0);
    const Value more = m_self->invoke(m_fetchId, none);
    if (!more.isWhole() || more.asInt() == 0) return false;
    element = Value(m_self);
    return true;
  }

 private:
  std::shared_ptr<HostObject> m_self;
  int m_fetchId;
};
}  // namespace

std::unique_ptr<Enumerator> fetchEnumerator(const std::shared_ptr<HostObject>& self, int fetchId) {
  return std::make_unique<FetchEnumerator>(self, fetchId);
}

bool fetchRecord(storage::Recordset& rs, std::int16_t& fetchedFlag) {
  if (fetchedFlag == 1)
    moveNextChecked(rs);
  else
    fetchedFlag = 1;
  return !rs.eof();
}

QString columnTextOrEmpty(const storage::Recordset& rs, const QString& column) {
  try {
    return variantText(rs.value(column));
  } catch (const storage::DbError&) {
    return QString();
  }
}

QString columnTextStrict(const storage::Recordset& rs, const QString& column) {
  const QVariant value = rs.value(column);
  if (value.isNull()) throw ScriptError(ErrorCode::InvalidUseOfNull);
  return variantText(value);
}

bool parseStoredNumber(QStringView text, double& out) {
  return parseNumber(text, out);
}

QString dateText(const QDate& date) {
  return date.toString(QStringLiteral("dd.MM.yyyy"));
}

std::optional<int> dateKeyFromText(QStringView text) {
  const QDate exact = QDate::fromString(text.trimmed().toString(), QStringLiteral("dd.MM.yyyy"));
  if (exact.isValid()) return dateKey(exact);
  double serial = 0;
  if (parseDate(text, serial)) return dateKey(fromSerial(serial).date());
  return std::nullopt;
}

QDate parseDateArgument(const QString& text, const QString& what) {
  const QDate exact = QDate::fromString(text.trimmed(), QStringLiteral("dd.MM.yyyy"));
  if (exact.isValid()) return exact;
  double serial = 0;
  if (parseDate(text, serial)) return fromSerial(serial).date();
  throw ScriptError::custom(
      ErrorCode::TypeMismatch,
      QStringLiteral("%1: «%2» не является датой (ожидается ДД.ММ.ГГГГ).").arg(what, text));
}

}  // namespace balvix::script
