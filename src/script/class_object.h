#pragma once

#include <QHash>
#include <QString>
#include <atomic>
#include <deque>
#include <memory>
#include <unordered_set>
#include <vector>

#include "script/host_object.h"
#include "script/runtime.h"

// Classes of the module language (Class … End Class, New). An instance is a HostObject,
// so calls, property reads and assignments, With, Is, TypeName and default members reach
// it the way they reach the program's own objects.
namespace balvix::script {

// A class as compiled: its fields and members.
struct ClassDef {
  QString name;  // folded
  QString spelled;
  int line = 0;
  struct Member {
    QString spelled;
    bool isPrivate = false;
    int field = -1;               // a field: its index among the instance's fields
    Procedure* method = nullptr;  // Sub or Function
    Procedure* get = nullptr;     // Property Get
    Procedure* let = nullptr;     // Property Let
    Procedure* set = nullptr;     // Property Set
  };
  std::vector<Member> members;
  QHash<QString, int> memberByName;  // folded name → index into members (the dispatch id)
  int fieldCount = 0;
  // Fields declared as arrays: the upper bounds they start with (-1: `Dim a()`).
  struct ArrayField {
    int field;
    std::vector<int> upper;
    bool fixed;
  };
  std::vector<ArrayField> arrayFields;
  int defaultMember = -1;
  Procedure* initialize = nullptr;
  Procedure* terminate = nullptr;
  std::vector<std::unique_ptr<Procedure>> procedures;
};

class ClassSupport;

class ClassObject final : public HostObject, public std::enable_shared_from_this<ClassObject> {
 public:
  ClassObject(std::shared_ptr<const ClassDef> def, ClassSupport* support);
  ~ClassObject() override;

  int dispatchId(const QString& name) const override;
  Value invoke(int dispId, Args& args) override;
  void put(int dispId, Args& args, const Value& value, bool isSet) override;
  int defaultMember() const override { return m_def->defaultMember; }
  QString typeName() const override { return m_def->spelled; }
  const void* dispatchCacheKey() const override { return m_def.get(); }

  const ClassDef& definition() const { return *m_def; }
  // Instances alive in the process: tests check that cycles do not outlive their engine.
  static int liveCount() { return s_live.load(); }
  std::vector<Value> fields;

  // Used as the deleter of every instance: with a Class_Terminate the instance waits for
  // the next statement boundary instead of running module code inside a destructor, and
  // a long chain of instances is freed without recursion.
  struct Deleter {
    void operator()(ClassObject* p) const;
  };

 private:
  friend class ClassSupport;
  // Runs a member procedure with Me set; `assigned` is the value of Property Let/Set.
  Value run(Procedure& proc, Args& args, const Value* assigned);

  static inline std::atomic<int> s_live{0};
  std::shared_ptr<const ClassDef> m_def;
  ClassSupport* m_support;
  bool m_terminated = false;
};

// The instances of one running program.
class ClassSupport {
 public:
  explicit ClassSupport(Runtime& rt) : m_rt(rt) {}
  // Breaks cycles between the instances still alive and detaches them from the program.
  ~ClassSupport();
  ClassSupport(const ClassSupport&) = delete;
  ClassSupport& operator=(const ClassSupport&) = delete;

  // New: fields set up, Class_Initialize run.
  std::shared_ptr<ClassObject> create(const std::shared_ptr<const ClassDef>& def);
  void runPending();
  Runtime& runtime() { return m_rt; }

 private:
  friend class ClassObject;
  Runtime& m_rt;
  std::unordered_set<ClassObject*> m_live;
  std::deque<ClassObject*> m_pending;
  bool m_dying = false;
  bool m_running = false;
};

namespace nodes {

// A field of Me inside a member of its class.
struct FieldVar : Expr {
  int meSlot;
  int field;
  FieldVar(int me, int f) : meSlot(me), field(f) {}
  Value* ref(Ctx& c) override {
    return &static_cast<ClassObject*>(c.vars[meSlot].asObject().get())->fields[field];
  }
  Value eval(Ctx& c) override { return *ref(c); }
};

// `New Name`: the class is looked up when the expression runs, as ExecuteGlobal may
// define it later.
struct NewObject : Expr {
  QString name;  // folded
  QString spelled;
  const QHash<QString, std::shared_ptr<ClassDef>>* classes = nullptr;
  Value eval(Ctx& c) override;
};

}  // namespace nodes

}  // namespace balvix::script
