#pragma once

#include <QString>

namespace balvix::script {

// Converts module text between the built-in language (Russian keywords) and the form
// the interpreter stores and runs. The conversion is a fixed, ordered list of plain
// case-sensitive substring replacements: it knows nothing of lines, strings, comments
// or identifiers, so a keyword inside a word or a literal is replaced as well.
class ERRE {
 public:
  // Stored (host) form to the form the user edits.
  QString EngToRus(const QString& tmpText) const;
  // Edited form back to the stored (host) form.
  QString RusToEng(const QString& tmpText) const;
};

}  // namespace balvix::script
