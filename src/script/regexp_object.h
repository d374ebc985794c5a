#pragma once

#include <QRegularExpression>
#include <QString>
#include <memory>

#include "script/host_object.h"

namespace balvix::script {

// The language's regular-expression object (`New RegExp`, СоздатьОбъект("RegExp")):
// Pattern, Global, IgnoreCase, Multiline, Test, Execute and Replace.
//
// Patterns are read by QRegularExpression with Unicode properties, so \w, \d and \b take
// Cyrillic letters as letters: «\w+» finds «Стол», as a Russian user expects, where the
// language itself would stop at the first letter beyond ASCII.
class RegExpObject : public SimpleHostObject {
 public:
  RegExpObject();

  Value invoke(int dispId, Args& args) override;
  void put(int dispId, Args& args, const Value& value, bool isSet) override;
  QString typeName() const override { return QStringLiteral("IRegExp2"); }

 private:
  enum Member { kPattern, kGlobal, kIgnoreCase, kMultiline, kTest, kExecute, kReplace };

  const QRegularExpression& compiled();
  Value execute(const QString& text);
  QString replace(const QString& text, const QString& replacement);

  QString m_pattern;
  bool m_global = false;
  bool m_ignoreCase = false;
  bool m_multiline = false;
  QRegularExpression m_compiled;
  bool m_dirty = true;
};

// `New RegExp` when the module defines no class of that name.
bool isRegExpClassName(const QString& foldedName);
std::shared_ptr<HostObject> createRegExp();

}  // namespace balvix::script
