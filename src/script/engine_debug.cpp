#include <QAtomicPointer>
#include <algorithm>

#include "script/class_object.h"
#include "script/coerce.h"
#include "script/engine.h"
#include "script/lexer.h"
#include "script/runtime.h"

namespace balvix::script {

namespace {

QAtomicPointer<DebugHook> g_installed;

// Arrays and objects show this many parts at most; a debugger is no dump.
constexpr std::size_t kMaxChildren = 200;
constexpr int kMaxNesting = 4;

QString shownText(const Value& v) {
  try {
    if (v.isString()) return u'"' + v.asString() + u'"';
    if (v.isEmpty()) return QStringLiteral("Empty");
    if (v.isNull()) return QStringLiteral("Null");
    return toText(v);
  } catch (...) {
    return QString();
  }
}

// The indices of the n-th element, the first index running fastest.
QString indexText(const ArrayData& a, std::size_t n) {
  QStringList parts;
  for (const int upper : a.upper) {
    const std::size_t extent = static_cast<std::size_t>(upper) + 1;
    parts << QString::number(extent ? n % extent : 0);
    if (extent) n /= extent;
  }
  return u'(' + parts.join(QStringLiteral(", ")) + u')';
}

DebugVariable describe(const QString& name, const Value& value, int nesting) {
  const Value& v = value.deref();
  DebugVariable out{name, typeName(v), QString(), {}};
  if (v.isArray()) {
    const ArrayData& a = *v.asArray();
    QStringList bounds;
    for (const int upper : a.upper) bounds << QString::number(upper);
    out.value = u'(' + bounds.join(QStringLiteral(", ")) + u')';
    if (nesting < kMaxNesting)
      for (std::size_t i = 0; i < std::min(a.items.size(), kMaxChildren); ++i)
        out.children.push_back(describe(indexText(a, i), a.items[i], nesting + 1));
    return out;
  }
  if (v.isObject()) {
    if (v.isNothing()) {
      out.value = QStringLiteral("Nothing");
      return out;
    }
    const auto* instance = dynamic_cast<const ClassObject*>(v.asObject().get());
    if (instance && nesting < kMaxNesting) {
      for (const ClassDef::Member& m : instance->definition().members)
        if (m.field >= 0 && static_cast<std::size_t>(m.field) < instance->fields.size())
          out.children.push_back(describe(
              m.spelled, instance->fields[static_cast<std::size_t>(m.field)], nesting + 1));
    }
    return out;
  }
  out.value = shownText(v);
  return out;
}

// The compiled program knows its names folded; a debugger shows them as the module first
// writes them ("Итог", not "итог").
QHash<QString, QString> spellings(const QStringList& texts) {
  QHash<QString, QString> out;
  for (const QString& text : texts) {
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n;) {
      if (!(text.at(i).isLetter() || text.at(i) == u'_')) {
        ++i;
        continue;
      }
      qsizetype end = i + 1;
      while (end < n && (text.at(end).isLetterOrNumber() || text.at(end) == u'_')) ++end;
      const QString word = text.mid(i, end - i);
      const QString folded = foldIdentifier(word);
      if (!out.contains(folded)) out.insert(folded, word);
      i = end;
    }
  }
  return out;
}

std::vector<DebugVariable> sortedVariables(const QHash<QString, int>& names, const Value* values,
                                           std::size_t slotCount, int skipSlot,
                                           const QHash<QString, QString>& spelled) {
  std::vector<DebugVariable> out;
  for (auto it = names.constBegin(); it != names.constEnd(); ++it) {
    if (it.value() == skipSlot || it.value() < 0 ||
        static_cast<std::size_t>(it.value()) >= slotCount)
      continue;
    out.push_back(describe(spelled.value(it.key(), it.key()), values[it.value()], 0));
  }
  std::sort(out.begin(), out.end(),
            [](const DebugVariable& a, const DebugVariable& b) { return a.name < b.name; });
  return out;
}

}  // namespace

void installDebugHook(DebugHook* hook) {
  g_installed.storeRelease(hook);
}

DebugHook* installedDebugHook() {
  return g_installed.loadAcquire();
}

void Runtime::pushDebugFrame(const Procedure* proc, Value* vars) {
  debugFrames.push_back({proc, vars, proc ? proc->line : 0});
}

void Runtime::popDebugFrame() {
  if (!debugFrames.empty()) debugFrames.pop_back();
}

void Runtime::debugStatement(int line) {
  if (debugFrames.empty())
    debugTopLine = line;
  else
    debugFrames.back().line = line;
  const auto [module, own] = engine.moduleLine(line);
  debug->atStatement(engine, module, own, static_cast<int>(debugFrames.size()));
}

std::vector<DebugFrameInfo> Engine::debugStack() const {
  std::vector<DebugFrameInfo> out;
  if (!m_runtime) return out;
  const auto& frames = m_runtime->debugFrames;
  for (auto it = frames.rbegin(); it != frames.rend(); ++it) {
    const auto [module, line] = moduleLine(it->line);
    out.push_back({it->proc ? it->proc->spelled : QString(), module, line});
  }
  const auto [module, line] = moduleLine(m_runtime->debugTopLine);
  out.push_back({QString(), module, line});
  return out;
}

std::vector<DebugVariable> Engine::debugVariables(int frameIndex) const {
  if (!m_runtime || !m_program || frameIndex < 0) return {};
  const auto& frames = m_runtime->debugFrames;
  const std::size_t count = frames.size();
  if (static_cast<std::size_t>(frameIndex) >= count)
    return sortedVariables(m_program->globalByName, m_runtime->globals.data(),
                           m_runtime->globals.size(), -1, spelledNames());
  const Runtime::DebugFrame& f = frames[count - 1 - static_cast<std::size_t>(frameIndex)];
  if (!f.proc) return {};
  return sortedVariables(f.proc->localNames, f.vars, static_cast<std::size_t>(f.proc->slotCount),
                         f.proc->meSlot, spelledNames());
}

QHash<QString, QString> Engine::spelledNames() const {
  QStringList texts;
  for (const ModuleSpan& s : m_spans) texts << s.text;
  return spellings(texts);
}

QString Engine::moduleText(const QString& module) const {
  for (const ModuleSpan& s : m_spans)
    if (s.name == module) return s.text;
  return QString();
}

}  // namespace balvix::script
