#pragma once

#include <QString>
#include <memory>
#include <typeinfo>
#include <vector>

#include "script/value.h"

namespace balvix::script {

// An object implemented in C++ that modules call: the global functions, catalog,
// document, register, account and file-system objects, form objects of the host.
//
// Members are found by name once, at the call site, through dispatchId(); the
// interpreter caches the number per call site (keyed by dispatchCacheKey()) and then
// calls invoke()/put() with it. Names are compared without regard to letter case in any
// alphabet: use foldName() or QString::compare(..., Qt::CaseInsensitive) on both sides.
//
// Methods and property reads are one operation, as in the language: `x = obj.Итог` and
// `obj.Добавить 1` both arrive at invoke(). A parameterised property that is assigned
// (`Рег.Реквизит("Товар") = "Стол"`) arrives at put() with the indices as args and the
// assigned value separately. Arguments passed by reference are written back with
// args.setByRef(i, newValue). Results are any Value: text, Value::integer() for 16-bit
// integers, Value::real(), an object reference or Value() for none.
//
// Errors: throw ScriptError (ScriptError(ErrorCode::InvalidCall) or
// ScriptError::custom(number, russianText)); storage::DbError and other
// std::exceptions are turned into run-time errors of the calling module as well.
// The walk of For Each over an object: next() gives the elements one by one and returns
// false after the last.
class Enumerator {
 public:
  virtual ~Enumerator() = default;
  virtual bool next(Value& element) = 0;
};

class HostObject {
 public:
  virtual ~HostObject() = default;

  // The number of a member, or -1 when the object has no member of that name. `name`
  // arrives as written in the module.
  virtual int dispatchId(const QString& name) const = 0;

  // Calls a method or reads a property.
  virtual Value invoke(int dispId, Args& args) = 0;

  // Assigns a property; `args` are the indices of a parameterised property (empty for a
  // plain one). `isSet` tells `Set obj.P = x` from `obj.P = x`. Default: not supported.
  virtual void put(int dispId, Args& args, const Value& value, bool isSet);

  // The member used when the object stands where a plain value is needed (Err stands for
  // Err.Number); -1 when there is none.
  virtual int defaultMember() const { return -1; }

  // For Each over the object: an enumerator of its elements, or nullptr when the object is
  // no collection (error 451). `self` is the reference the module holds to this object.
  virtual std::unique_ptr<Enumerator> enumerate(const std::shared_ptr<HostObject>& self);

  // What TypeName() answers for the object.
  virtual QString typeName() const { return QStringLiteral("Object"); }

  // Member numbers are the same for every object with the same key; objects whose
  // members differ per instance return nullptr (no caching).
  virtual const void* dispatchCacheKey() const { return &typeid(*this); }

  // Letter case folded for every alphabet, the form names are compared in.
  static QString foldName(const QString& name) { return name.toCaseFolded(); }
};

// A convenient base for objects with a fixed list of members: the members are
// registered in the constructor and found by folded name.
class SimpleHostObject : public HostObject {
 public:
  int dispatchId(const QString& name) const override;

 protected:
  // Registers a member name (and optional aliases: pass several names for one id).
  void addMember(int dispId, const QString& name);

 private:
  struct Entry {
    QString folded;
    int id;
  };
  std::vector<Entry> m_members;
};

}  // namespace balvix::script
