#include "script/value.h"

#include "script/host_object.h"

namespace balvix::script {

void Value::copyHeavy(const Value& o) {
  switch (o.m_type) {
    case Type::String:
      new (&m_str) QString(o.m_str);
      break;
    case Type::Object:
      new (&m_obj) std::shared_ptr<HostObject>(o.m_obj);
      break;
    case Type::Array:
      new (&m_arr) std::shared_ptr<ArrayData>(o.m_arr);
      break;
    default:
      m_raw = o.m_raw;
  }
}

void Value::moveHeavy(Value&& o) noexcept {
  switch (o.m_type) {
    case Type::String:
      new (&m_str) QString(std::move(o.m_str));
      o.m_str.~QString();
      break;
    case Type::Object:
      new (&m_obj) std::shared_ptr<HostObject>(std::move(o.m_obj));
      o.m_obj.~shared_ptr();
      break;
    case Type::Array:
      new (&m_arr) std::shared_ptr<ArrayData>(std::move(o.m_arr));
      o.m_arr.~shared_ptr();
      break;
    default:
      m_raw = o.m_raw;
  }
  o.m_type = Type::Empty;
  o.m_raw = 0;
}

void Value::destroyHeavy() noexcept {
  switch (m_type) {
    case Type::String:
      m_str.~QString();
      break;
    case Type::Object:
      m_obj.~shared_ptr();
      break;
    case Type::Array:
      m_arr.~shared_ptr();
      break;
    default:
      break;
  }
}

}  // namespace balvix::script
