#include "script/execute_local.h"

#include "script/coerce.h"
#include "script/engine.h"
#include "script/nodes.h"

namespace balvix::script::nodes {

Value ExecuteLocal::eval(Ctx& c) {
  Value v = text->eval(c);
  if (v.isObject()) v = plain(v);
  if (v.isNull()) throw ScriptError(ErrorCode::InvalidUseOfNull);
  const QString code = toText(v);
  if (isEval) return c.rt.engine.evaluate(code, names.get(), c.vars);
  c.rt.engine.executeGlobal(code, names.get(), c.vars);
  return Value();
}

}  // namespace balvix::script::nodes
