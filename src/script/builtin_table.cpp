#include "script/amount_words.h"
#include "script/builtins.h"

namespace balvix::script {

void BuiltinTable::add(const QString& name, BuiltinFn fn, int minArgs, int maxArgs) {
  BuiltinInfo info;
  info.name = name;
  info.fn = fn;
  info.minArgs = minArgs;
  info.maxArgs = maxArgs;
  const QString folded = name.toCaseFolded();
  for (std::size_t i = 0; i < m_folded.size(); ++i) {
    if (m_folded[i] == folded) {
      m_items[i] = std::move(info);
      return;
    }
  }
  m_items.push_back(std::move(info));
  m_folded.push_back(folded);
}

void BuiltinTable::addConstant(const QString& name, const Value& value) {
  add(name, nullptr, 0, 0);
  BuiltinInfo* info = const_cast<BuiltinInfo*>(find(name));
  info->isConstant = true;
  info->constant = value;
}

const BuiltinInfo* BuiltinTable::find(const QString& name) const {
  const QString folded = name.toCaseFolded();
  for (std::size_t i = 0; i < m_folded.size(); ++i)
    if (m_folded[i] == folded) return &m_items[i];
  return nullptr;
}

void registerBuiltins(BuiltinTable& table) {
  registerStringBuiltins(table);
  registerMathBuiltins(table);
  registerDateBuiltins(table);
  registerConversionBuiltins(table);
  registerIntrinsicBuiltins(table);
  registerAmountWordBuiltins(table);
  // These read their argument as a value: an object with a default property gives it.
  static const char16_t* const byValue[] = {
      u"CInt", u"CLng", u"CDbl", u"CBool", u"CStr", u"CCur", u"CDate", u"CSng",      u"CByte",
      u"Len",  u"Fix",  u"Int",  u"Abs",   u"Hex",  u"Oct",  u"Sgn",   u"IsNumeric", u"IsDate"};
  for (const char16_t* name : byValue)
    if (auto* info = const_cast<BuiltinInfo*>(table.find(QString::fromUtf16(name))))
      info->takesDefault = true;
  if (auto* info = const_cast<BuiltinInfo*>(table.find(QStringLiteral("Randomize"))))
    info->isSub = true;
}

}  // namespace balvix::script
