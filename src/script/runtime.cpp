#include "script/runtime.h"

#include <atomic>
#include <new>

#include "script/class_object.h"
#include "script/coerce.h"
#include "script/engine.h"

namespace balvix::script {

namespace {
constexpr int kChunkSize = 64 * 1024;

enum ErrMember { kNumber, kDescription, kSource, kClear, kRaise, kHelpFile, kHelpContext };
}  // namespace

Runtime::Runtime(Engine& e, Host& h, int globalCount)
    : engine(e),
      host(h),
      globals(),
      err(std::make_shared<ErrObject>()),
      interrupt(&h.interruptFlag()) {
  globals.reserve(static_cast<std::size_t>(globalCount) + kSpareGlobals);
  globals.resize(static_cast<std::size_t>(globalCount));
}

Runtime::~Runtime() {
  // Before the module-level variables go: cycles between instances are broken and no
  // Class_Terminate runs without its program.
  classes.reset();
}

void Runtime::setError(const ScriptError& e) {
  err->number = e.code();
  err->description = e.description();
  // The language's own errors name it as their source.
  err->source = e.source().isEmpty() ? QStringLiteral("Ошибка выполнения модуля") : e.source();
  err->helpFile = e.helpFile();
  err->helpContext = e.helpContext();
}

void Runtime::clearError() {
  err->number = 0;
  err->description.clear();
  err->source.clear();
  err->helpFile.clear();
  err->helpContext = 0;
}

Value* Runtime::allocFrameSlow(int n) {
  // The rest of the current chunk is too small: the frame goes to the start of the next.
  std::size_t next = 0;
  if (m_top) {
    while (m_chunks[next].data.get() + m_chunks[next].size != m_limit) ++next;
    ++next;
  }
  if (next == m_chunks.size())
    m_chunks.push_back(
        {std::make_unique<Value[]>(std::max(kChunkSize, n)), std::max(kChunkSize, n)});
  else if (m_chunks[next].size < n)
    m_chunks[next] = {std::make_unique<Value[]>(n), n};
  Value* base = m_chunks[next].data.get();
  m_top = base + n;
  m_limit = base + m_chunks[next].size;
  return base;
}

Flow execBlock(const Block& block, Ctx& c) {
  for (const StmtPtr& s : block) {
    const Flow f = execStatement(*s, c);
    if (f != Flow::Normal) return f;
  }
  return Flow::Normal;
}

void statementFailed(const Stmt& s, Ctx& c) {
  try {
    throw;
  } catch (ScriptError& e) {
    if (e.line() == 0) e.setLine(s.line);
    if (!c.resumeNext || e.isInterrupt() || e.isSyntax()) throw;
    c.rt.setError(e);
  } catch (...) {
    ScriptError e = translateException(std::current_exception());
    e.setLine(s.line);
    if (!c.resumeNext) throw e;
    c.rt.setError(e);
  }
}

void throwOutOfStack() {
  throw ScriptError(ErrorCode::OutOfStack);
}

Value callProcedure(Runtime& rt, Procedure& proc, std::vector<Value>& args) {
  if (args.size() != proc.byVal.size())
    throw ScriptError(ErrorCode::WrongArgumentCount, proc.spelled);
  // Entries from the host count too: a host method that calls back into the module
  // that called it recurses through here.
  checkCallDepth(rt);
  rt.checkInterrupt();
  Runtime::CallFrame callFrame(rt, proc.slotCount, &proc);
  Value* s = callFrame.base();
  for (std::size_t i = 0; i < args.size(); ++i) s[i + 1] = args[i];
  Ctx ctx{rt, s};
  execBlock(proc.body, ctx);
  return std::move(s[0]);
}

namespace {
std::atomic<FailureTranslator> g_failureTranslator{nullptr};
}  // namespace

void setFailureTranslator(FailureTranslator translator) {
  g_failureTranslator.store(translator, std::memory_order_release);
}

ScriptError translateException(std::exception_ptr e) {
  try {
    std::rethrow_exception(e);
  } catch (const ScriptError& se) {
    return se;
  } catch (const std::bad_alloc&) {
    return ScriptError(ErrorCode::OutOfMemory);
  } catch (const std::exception& ex) {
    if (const FailureTranslator translate = g_failureTranslator.load(std::memory_order_acquire))
      if (std::optional<ScriptError> known = translate(ex)) return *known;
    return ScriptError::custom(ErrorCode::InvalidCall, QString::fromUtf8(ex.what()));
  } catch (...) {
    return ScriptError(ErrorCode::InvalidCall);
  }
}

ErrObject::ErrObject() {
  addMember(kNumber, QStringLiteral("Number"));
  addMember(kDescription, QStringLiteral("Description"));
  addMember(kSource, QStringLiteral("Source"));
  addMember(kClear, QStringLiteral("Clear"));
  addMember(kRaise, QStringLiteral("Raise"));
  addMember(kHelpFile, QStringLiteral("HelpFile"));
  addMember(kHelpContext, QStringLiteral("HelpContext"));
}

Value ErrObject::invoke(int dispId, Args& args) {
  // Only Raise takes arguments (number, source, description, help file, help context).
  if (dispId == kRaise ? args.size() > 5 : args.size() > 0)
    throw ScriptError(ErrorCode::WrongArgumentCount, memberName(dispId));
  switch (dispId) {
    case kNumber:
      return Value::number(number);
    case kDescription:
      return Value(description);
    case kSource:
      return Value(source);
    case kClear:
      number = 0;
      description.clear();
      source.clear();
      helpFile.clear();
      helpContext = 0;
      return Value();
    case kRaise: {
      if (!args.has(0)) throw ScriptError(ErrorCode::WrongArgumentCount, QStringLiteral("Raise"));
      // Any number but 0 is kept as given (&H8000 is -32768, vbObjectError + 1 negative),
      // except that the language's own facility code is dropped: &H800A000B is 11.
      int code = toLong(args[0]);
      if (code == 0) throw ScriptError(ErrorCode::InvalidCall);
      if ((static_cast<std::uint32_t>(code) & 0xFFFF0000u) == 0x800A0000u) code &= 0xFFFF;
      // What is left out keeps what the previous error left in Err.
      const QString src = args.has(1) ? toText(args[1]) : source;
      const QString desc = args.has(2) ? toText(args[2]) : description;
      ScriptError e = ScriptError::custom(code, desc, src);
      if (!desc.isEmpty()) e.setRaisedByModule();
      e.setHelp(args.has(3) ? toText(args[3]) : helpFile,
                args.has(4) ? toLong(args[4]) : helpContext);
      throw e;
    }
    case kHelpFile:
      return Value(helpFile);
    case kHelpContext:
      return Value::longValue(helpContext);
  }
  throw ScriptError(ErrorCode::NotSupported);
}

QString ErrObject::memberName(int dispId) const {
  static const char16_t* const names[] = {u"Number", u"Description", u"Source",     u"Clear",
                                          u"Raise",  u"HelpFile",    u"HelpContext"};
  return dispId >= 0 && dispId < 7 ? QString::fromUtf16(names[dispId]) : QString();
}

void ErrObject::put(int dispId, Args& args, const Value& value, bool) {
  if (args.size() > 0) throw ScriptError(ErrorCode::WrongArgumentCount, memberName(dispId));
  switch (dispId) {
    case kNumber:
      number = toLong(value);
      return;
    case kHelpFile:
      helpFile = toText(value);
      return;
    case kHelpContext:
      helpContext = toLong(value);
      return;
    case kDescription:
      description = toText(value);
      return;
    case kSource:
      source = toText(value);
      return;
    default:
      throw ScriptError(ErrorCode::NotSupported);
  }
}

}  // namespace balvix::script
