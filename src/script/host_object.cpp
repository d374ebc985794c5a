#include "script/host_object.h"

#include "script/script_error.h"

namespace balvix::script {

void HostObject::put(int, Args&, const Value&, bool) {
  throw ScriptError(ErrorCode::NotSupported);
}

std::unique_ptr<Enumerator> HostObject::enumerate(const std::shared_ptr<HostObject>&) {
  return nullptr;
}

int SimpleHostObject::dispatchId(const QString& name) const {
  const QString folded = foldName(name);
  for (const Entry& e : m_members)
    if (e.folded == folded) return e.id;
  return -1;
}

void SimpleHostObject::addMember(int dispId, const QString& name) {
  m_members.push_back({foldName(name), dispId});
}

}  // namespace balvix::script
