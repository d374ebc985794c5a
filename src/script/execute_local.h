#pragma once

#include <QHash>
#include <QString>
#include <memory>

#include "script/runtime.h"

// Execute and Eval inside a procedure: the text sees and changes the procedure's locals
// and parameters (and the fields of Me in a member of a class), as the language has it.
// ExecuteGlobal, and both at the module level, run at the module level.
namespace balvix::script {

// The names of a procedure's frame, as its compilation ended.
struct LocalNames {
  Procedure* proc = nullptr;
  QHash<QString, int> locals;
  QHash<QString, bool> readonly;
  const ClassDef* cls = nullptr;
  int meSlot = -1;
};

namespace nodes {

struct ExecuteLocal : Expr {
  bool isEval = false;
  ExprPtr text;
  std::shared_ptr<LocalNames> names;  // filled when the procedure's compilation ends
  Value eval(Ctx& c) override;
};

}  // namespace nodes

}  // namespace balvix::script
