#include "script/value.h"

#include <atomic>

#include "script/host_object.h"
#include "script/script_error.h"

namespace balvix::script {

namespace {
// About 500 MB of values in arrays at once.
constexpr std::int64_t kMaxLiveElements = std::int64_t(1) << 24;
std::atomic<std::int64_t> g_liveElements{0};
}  // namespace

void ArrayData::countElements(std::size_t n) {
  const auto add = static_cast<std::int64_t>(n);
  if (g_liveElements.fetch_add(add) + add > kMaxLiveElements) {
    g_liveElements.fetch_sub(add);
    throw ScriptError(ErrorCode::OutOfMemory);
  }
  m_counted += n;
}

void ArrayData::releaseElements() noexcept {
  g_liveElements.fetch_sub(static_cast<std::int64_t>(m_counted));
  m_counted = 0;
}

void ArrayData::reuse(std::vector<int> newUpper, std::size_t total) {
  if (total > m_counted) {
    countElements(total - m_counted);
  } else {
    g_liveElements.fetch_sub(static_cast<std::int64_t>(m_counted - total));
    m_counted = total;
  }
  upper = std::move(newUpper);
  if (items.capacity() / 2 > total) {
    // Much smaller than before: the memory goes back.
    std::vector<Value>(total).swap(items);
    return;
  }
  const std::size_t keep = std::min(items.size(), total);
  for (std::size_t i = 0; i < keep; ++i) items[i].clear();
  items.resize(total);
}

std::int64_t ArrayData::liveElements() {
  return g_liveElements.load();
}

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
