#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <memory>
#include <vector>

#include "script/ast.h"
#include "script/builtins.h"
#include "script/execute_local.h"
#include "script/host_object.h"
#include "script/runtime.h"

namespace balvix::script {

namespace compile_helpers {
template <class T>
std::unique_ptr<T> make(int line) {
  auto p = std::make_unique<T>();
  p->line = line;
  return p;
}
// The operands of a chain of `&`, left to right.
void flattenConcat(const ast::Expression& n, std::vector<const ast::Expression*>& out);
// A variable as an argument: passed by reference.
bool isVariable(const Expr* e);
}  // namespace compile_helpers

// Turns the parse tree into executable nodes, resolving every name once: variables to
// slots, calls to procedures, built-ins or members of the global object.
class Compiler {
 public:
  struct Environment {
    const BuiltinTable* builtins = nullptr;
    HostObject* globalObject = nullptr;
    std::vector<std::pair<QString, Value>> objects;  // folded name → object
  };

  explicit Compiler(Environment env) : m_env(std::move(env)) {}
  // Throws ScriptError (syntax) for duplicate procedures and invalid assignments.
  std::unique_ptr<Program> compile(ParsedModule& module);
  // Compiles more text into a program that is already running (ExecuteGlobal): its
  // procedures and module-level variables join the program's; returns the statements
  // to run.
  // With `local`, the text runs inside a procedure and sees its frame; names it does not
  // know become module-level variables (the frame cannot grow).
  Block extend(Program& program, ParsedModule& module, const LocalNames* local = nullptr);
  // An expression (Eval) at the module level of a running program, or inside a procedure.
  ExprPtr expression(Program& program, const ast::Expression& expr,
                     const LocalNames* local = nullptr);

 private:
  // Field and ClassMember: a member of the class whose procedure is being compiled.
  enum class Kind {
    Local,
    Global,
    Proc,
    Err,
    Object,
    Member,
    Builtin,
    Field,
    ClassMember,
    Unknown
  };
  struct Resolved {
    Kind kind = Kind::Unknown;
    int slot = -1;
    bool readonly = false;
    Procedure* proc = nullptr;
    const BuiltinInfo* builtin = nullptr;
    Value object;
  };
  struct Scope {
    Procedure* proc = nullptr;  // null: top level
    QHash<QString, int> locals;
    QHash<QString, bool> readonly;
    std::vector<std::pair<int, bool>> withSlots;  // slot, global
    const ClassDef* cls = nullptr;                // inside a member of this class
    int meSlot = -1;
    bool frozen = false;  // the frame of a running procedure: no local can be added
    // Execute and Eval of this procedure, told its names when its compilation ends.
    std::vector<std::shared_ptr<LocalNames>> executes;
  };
  Scope localScope(const LocalNames* local) const;
  void finishScope(Scope& scope);
  bool canDeclareLocal() const { return m_scope->proc && !m_scope->frozen; }
  // A class declared by the text being compiled, with the definition of each procedure.
  struct NewClass {
    ClassDef* def;
    const ast::ClassDecl* node;
    std::vector<std::pair<Procedure*, const ast::ProcedureDecl*>> procedures;
    std::size_t statement;  // index among the module's statements (for Option Explicit)
  };

  void declareProcedures(ParsedModule& module);
  void declareClasses(ParsedModule& module);
  void declareClassMembers(ClassDef& def, const ast::ClassDecl& n, NewClass& out);
  void compileClassProcedure(ClassDef& def, Procedure& proc, const ast::ProcedureDecl& n);
  // A call or property read of a member of the class being compiled, through Me.
  ExprPtr classMemberCall(int member, const QString& spelled,
                          const std::vector<ast::ExprNode>& args, int line);
  void collectDeclarations(const ast::StmtList& block, bool topLevel);
  int declareGlobal(const QString& name, bool readonly);
  int declareLocal(const QString& name, bool readonly);
  Resolved resolve(const QString& name, const QString& spelled);
  ExprPtr varNode(const Resolved& r);
  // The variable a name stands for, declaring it when implicit declaration is allowed.
  ExprPtr lvalue(const ast::Identifier& name);
  int newHiddenSlot(bool& global);

  Block compileBlock(const ast::StmtList& block);
  StmtPtr compileStatement(const ast::Statement& n);
  StmtPtr compileAssign(const ast::AssignStmt& n);
  StmtPtr assignMember(const Resolved& r, const QString& spelled,
                       const std::vector<ast::ExprNode>& args, const ast::AssignStmt& n);
  // A procedure with the name, kind and parameter passing of its definition.
  static std::unique_ptr<Procedure> newProcedure(const ast::ProcedureDecl& decl);
  StmtPtr compileCallStatement(const ast::CallStmt& n);
  StmtPtr compileConst(const ast::ConstStmt& n);
  StmtPtr compileDim(const ast::DimStmt& n);
  StmtPtr compileSelect(const ast::SelectStmt& n);
  void compileProcedure(const ast::ProcedureDecl& n);

  ExprPtr compileExpr(const ast::Expression& n);
  ExprPtr compileBinary(const ast::BinaryExpr& n);
  ExprPtr compileName(const ast::NameExpr& n);
  ExprPtr compileCall(const ast::Expression& callee, const std::vector<ast::ExprNode>& args,
                      int line);
  ExprPtr compileMemberCall(ExprPtr object, const QString& name,
                            const std::vector<ast::ExprNode>& args, int line);
  std::vector<ExprPtr> compileArgs(const std::vector<ast::ExprNode>& args);
  ExprPtr withObject(const ast::WithDotExpr& n);
  bool safeAppendPiece(const ast::Expression& n, const QString& target);

  [[noreturn]] void fail(int line, const QString& message) const;

  Environment m_env;
  Program* m_program = nullptr;
  Scope* m_scope = nullptr;
  QHash<QString, bool> m_globalReadonly;
  QSet<QString> m_readOnlyGlobals;  // implicit globals the module level reads but never assigns
  QHash<const Procedure*, const ast::ProcedureDecl*>
      m_definition;  // the definition each procedure compiles
  std::vector<NewClass> m_newClasses;
};

}  // namespace balvix::script
