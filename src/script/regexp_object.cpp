#include "script/regexp_object.h"

#include <vector>

#include "script/coerce.h"
#include "script/script_error.h"

namespace balvix::script {

namespace {

constexpr int kRegExpSyntaxError = 5017;

void expectCount(const Args& args, int count) {
  if (args.size() != count) throw ScriptError(ErrorCode::WrongArgumentCount);
}

QString textArgument(const Value& v) {
  const Value& plain = v.deref();
  if (plain.isNull()) return QString();
  return toText(plain);
}

// A list of values walked by For Each and read by Item(i), numbered from 0.
class ValueList : public SimpleHostObject {
 public:
  ValueList(std::vector<Value> items, QString typeName)
      : m_items(std::move(items)), m_typeName(std::move(typeName)) {
    addMember(kItem, QStringLiteral("Item"));
    addMember(kCount, QStringLiteral("Count"));
  }

  Value invoke(int dispId, Args& args) override {
    if (dispId == kCount) {
      expectCount(args, 0);
      return Value::longValue(static_cast<std::int32_t>(m_items.size()));
    }
    expectCount(args, 1);
    const std::int32_t i = toLong(args[0].deref());
    if (i < 0 || static_cast<std::size_t>(i) >= m_items.size())
      throw ScriptError(ErrorCode::InvalidCall);
    return m_items[static_cast<std::size_t>(i)];
  }
  int defaultMember() const override { return kItem; }
  QString typeName() const override { return m_typeName; }

  std::unique_ptr<Enumerator> enumerate(const std::shared_ptr<HostObject>& self) override {
    class Walk : public Enumerator {
     public:
      explicit Walk(std::shared_ptr<HostObject> list) : m_list(std::move(list)) {}
      bool next(Value& element) override {
        const auto& items = static_cast<const ValueList&>(*m_list).m_items;
        if (m_at >= items.size()) return false;
        element = items[m_at++];
        return true;
      }

     private:
      std::shared_ptr<HostObject> m_list;  // keeps the list alive while it is walked
      std::size_t m_at = 0;
    };
    return std::make_unique<Walk>(self);
  }

 private:
  enum { kItem, kCount };
  std::vector<Value> m_items;
  QString m_typeName;
};

// One match: Value (the default), FirstIndex (from 0), Length, SubMatches.
class MatchObject : public SimpleHostObject {
 public:
  explicit MatchObject(const QRegularExpressionMatch& match)
      : m_value(match.captured(0)), m_first(match.capturedStart(0)) {
    std::vector<Value> groups;
    for (int g = 1; g <= match.lastCapturedIndex(); ++g)
      groups.push_back(match.hasCaptured(g) ? Value(match.captured(g)) : Value());
    // Groups after the last one that took part are still there, empty.
    for (int g = match.lastCapturedIndex() + 1; g <= match.regularExpression().captureCount(); ++g)
      groups.push_back(Value());
    m_subMatches = std::make_shared<ValueList>(std::move(groups), QStringLiteral("ISubMatches"));
    addMember(kValue, QStringLiteral("Value"));
    addMember(kFirstIndex, QStringLiteral("FirstIndex"));
    addMember(kLength, QStringLiteral("Length"));
    addMember(kSubMatches, QStringLiteral("SubMatches"));
  }

  Value invoke(int dispId, Args& args) override {
    if (dispId == kSubMatches && args.size() == 1) {
      Value* sub = args.data();
      Args inner(sub, 1);
      return m_subMatches->invoke(m_subMatches->dispatchId(QStringLiteral("Item")), inner);
    }
    expectCount(args, 0);
    switch (dispId) {
      case kValue:
        return Value(m_value);
      case kFirstIndex:
        return Value::longValue(static_cast<std::int32_t>(m_first));
      case kLength:
        return Value::longValue(static_cast<std::int32_t>(m_value.size()));
      default:
        return Value(std::static_pointer_cast<HostObject>(m_subMatches));
    }
  }
  int defaultMember() const override { return kValue; }
  QString typeName() const override { return QStringLiteral("IMatch2"); }

 private:
  enum { kValue, kFirstIndex, kLength, kSubMatches };
  QString m_value;
  qsizetype m_first;
  std::shared_ptr<ValueList> m_subMatches;
};

}  // namespace

RegExpObject::RegExpObject() {
  addMember(kPattern, QStringLiteral("Pattern"));
  addMember(kGlobal, QStringLiteral("Global"));
  addMember(kIgnoreCase, QStringLiteral("IgnoreCase"));
  addMember(kMultiline, QStringLiteral("Multiline"));
  addMember(kTest, QStringLiteral("Test"));
  addMember(kExecute, QStringLiteral("Execute"));
  addMember(kReplace, QStringLiteral("Replace"));
}

Value RegExpObject::invoke(int dispId, Args& args) {
  switch (dispId) {
    case kPattern:
      expectCount(args, 0);
      return Value(m_pattern);
    case kGlobal:
      expectCount(args, 0);
      return Value::boolean(m_global);
    case kIgnoreCase:
      expectCount(args, 0);
      return Value::boolean(m_ignoreCase);
    case kMultiline:
      expectCount(args, 0);
      return Value::boolean(m_multiline);
    case kTest:
      expectCount(args, 1);
      return Value::boolean(compiled().match(textArgument(args[0])).hasMatch());
    case kExecute:
      expectCount(args, 1);
      return execute(textArgument(args[0]));
    case kReplace:
      expectCount(args, 2);
      return Value(replace(textArgument(args[0]), textArgument(args[1])));
  }
  throw ScriptError(ErrorCode::NotSupported);
}

void RegExpObject::put(int dispId, Args& args, const Value& value, bool isSet) {
  if (args.size() != 0 || isSet || dispId > kMultiline) {
    SimpleHostObject::put(dispId, args, value, isSet);
    return;
  }
  const Value& v = value.deref();
  switch (dispId) {
    case kPattern:
      m_pattern = textArgument(v);
      break;
    case kGlobal:
      m_global = toBool(v);
      break;
    case kIgnoreCase:
      m_ignoreCase = toBool(v);
      break;
    default:
      m_multiline = toBool(v);
      break;
  }
  m_dirty = true;
}

namespace {

// Without Multiline the language's "$" matches only at the very end of the text, while the
// library's also matches before a final line feed: such a "$" (not escaped, not in a
// character class) becomes "\z".
QString endOnlyDollars(const QString& pattern) {
  QString out;
  out.reserve(pattern.size() + 4);
  bool inClass = false;
  for (qsizetype i = 0; i < pattern.size(); ++i) {
    const QChar c = pattern.at(i);
    if (c == u'\\' && i + 1 < pattern.size()) {
      out += c;
      out += pattern.at(++i);
      continue;
    }
    if (inClass) {
      if (c == u']') inClass = false;
    } else if (c == u'[') {
      inClass = true;
      out += c;
      // A "]" right after the opening (or after "^") belongs to the class.
      if (i + 1 < pattern.size() && pattern.at(i + 1) == u'^') out += pattern.at(++i);
      if (i + 1 < pattern.size() && pattern.at(i + 1) == u']') out += pattern.at(++i);
      continue;
    } else if (c == u'$') {
      out += QStringLiteral("\\z");
      continue;
    }
    out += c;
  }
  return out;
}

}  // namespace

const QRegularExpression& RegExpObject::compiled() {
  if (!m_dirty) return m_compiled;
  QRegularExpression::PatternOptions options = QRegularExpression::UseUnicodePropertiesOption;
  if (m_ignoreCase) options |= QRegularExpression::CaseInsensitiveOption;
  if (m_multiline) options |= QRegularExpression::MultilineOption;
  QRegularExpression re(m_multiline ? m_pattern : endOnlyDollars(m_pattern), options);
  if (!re.isValid())
    throw ScriptError::custom(
        kRegExpSyntaxError,
        QStringLiteral("Синтаксическая ошибка в регулярном выражении: %1").arg(re.errorString()));
  m_compiled = std::move(re);
  m_dirty = false;
  return m_compiled;
}

Value RegExpObject::execute(const QString& text) {
  const QRegularExpression& re = compiled();
  std::vector<Value> matches;
  if (m_global) {
    QRegularExpressionMatchIterator it = re.globalMatch(text);
    while (it.hasNext()) matches.push_back(Value(std::make_shared<MatchObject>(it.next())));
  } else if (const QRegularExpressionMatch m = re.match(text); m.hasMatch()) {
    matches.push_back(Value(std::make_shared<MatchObject>(m)));
  }
  return Value(
      std::make_shared<ValueList>(std::move(matches), QStringLiteral("IMatchCollection2")));
}

// The replacement text knows $1…$99 (two digits only when there are that many groups),
// $& (the match), $` (before it), $' (after it) and $$; any other $ stays as written.
QString RegExpObject::replace(const QString& text, const QString& replacement) {
  const QRegularExpression& re = compiled();
  const int groups = re.captureCount();
  QString out;
  qsizetype copied = 0;
  QRegularExpressionMatchIterator it = re.globalMatch(text);
  while (it.hasNext()) {
    const QRegularExpressionMatch m = it.next();
    out += QStringView(text).mid(copied, m.capturedStart(0) - copied);
    for (qsizetype i = 0; i < replacement.size(); ++i) {
      const QChar c = replacement[i];
      if (c != u'$' || i + 1 >= replacement.size()) {
        out += c;
        continue;
      }
      const QChar n = replacement[i + 1];
      if (n == u'$') {
        out += u'$';
        ++i;
      } else if (n == u'&') {
        out += m.captured(0);
        ++i;
      } else if (n == u'`') {
        out += QStringView(text).left(m.capturedStart(0));
        ++i;
      } else if (n == u'\'') {
        out += QStringView(text).mid(m.capturedEnd(0));
        ++i;
      } else if (n.isDigit() && n.digitValue() >= 0 && n.digitValue() <= 9) {
        int number = n.digitValue();
        qsizetype used = 1;
        if (i + 2 < replacement.size() && replacement[i + 2].isDigit()) {
          const int two = number * 10 + replacement[i + 2].digitValue();
          if (two >= 1 && two <= groups) {
            number = two;
            used = 2;
          }
        }
        if (number >= 1 && number <= groups) {
          out += m.captured(number);
          i += used;
        } else {
          out += c;
        }
      } else {
        out += c;
      }
    }
    copied = m.capturedEnd(0);
    if (!m_global) break;
  }
  out += QStringView(text).mid(copied);
  return out;
}

bool isRegExpClassName(const QString& foldedName) {
  return foldedName == QStringLiteral("regexp");
}

std::shared_ptr<HostObject> createRegExp() {
  return std::make_shared<RegExpObject>();
}

}  // namespace balvix::script
