#pragma once

#include <QList>
#include <QString>
#include <optional>
#include <utility>

#include "config/object_definition.h"
#include "config/requisite_type.h"

namespace balvix::config {

// One element of a runtime form's layout: one line of the layout text, a run of
// key=value pairs each ended by ";". The pairs are kept in their stored order, unknown
// keys included, and an element nobody changed is written back exactly as it was read.
//
// Known keys: name (the element kind: txt field, lbl label, btn button, chk check box,
// cmb choice list), index, top, left, width, height (twips), caption, type (a requisite
// type text), proc (the module procedure a button runs).
class LayoutElement {
 public:
  enum class Kind { Field, Label, Button, CheckBox, ChoiceList, Other };
  using Pair = std::pair<QString, QString>;

  LayoutElement() = default;
  // A new element with its kind as the first pair.
  explicit LayoutElement(Kind kind);

  // The value of the first pair with this key (exact spelling); null when absent.
  QString value(const QString& key) const;
  bool has(const QString& key) const;
  // Replaces the value of the first pair with this key, or appends the pair. A value
  // cannot hold ";" or a line break (they would end the pair or the line): ";" becomes
  // "," and a line break a blank.
  void setValue(const QString& key, const QString& value);
  void remove(const QString& key);
  const QList<Pair>& pairs() const { return m_pairs; }

  Kind kind() const;
  QString kindCode() const { return value(QStringLiteral("name")); }
  // A number of twips; `fallback` when the key is absent or not a number.
  int number(const QString& key, int fallback = 0) const;
  int index() const { return number(QStringLiteral("index")); }
  int top() const { return number(QStringLiteral("top")); }
  int left() const { return number(QStringLiteral("left")); }
  int width() const { return number(QStringLiteral("width")); }
  int height() const { return number(QStringLiteral("height")); }
  QString caption() const { return value(QStringLiteral("caption")); }
  RequisiteType type() const { return RequisiteType::parse(value(QStringLiteral("type"))); }
  QString proc() const { return value(QStringLiteral("proc")); }

  void setKind(Kind kind);
  void setNumber(const QString& key, int twips) { setValue(key, QString::number(twips)); }
  void setIndex(int index) { setNumber(QStringLiteral("index"), index); }
  void setTop(int twips) { setNumber(QStringLiteral("top"), twips); }
  void setLeft(int twips) { setNumber(QStringLiteral("left"), twips); }
  void setWidth(int twips) { setNumber(QStringLiteral("width"), twips); }
  void setHeight(int twips) { setNumber(QStringLiteral("height"), twips); }
  void setCaption(const QString& caption) { setValue(QStringLiteral("caption"), caption); }
  void setType(const RequisiteType& type) { setValue(QStringLiteral("type"), type.text()); }
  void setProc(const QString& proc) { setValue(QStringLiteral("proc"), proc); }

  // The line without its CR LF.
  QString line() const;

  static QString kindCode(Kind kind);
  static Kind kindOf(const QString& code);

 private:
  friend struct LayoutParser;
  QList<Pair> m_pairs;
  QString m_source;  // the line as read; used while the element is unchanged
};

// A line of layout text that could not be read; it is left out of the layout.
struct LayoutProblem {
  int line = 0;  // counted from 1
  QString text;
  QString reason;  // in Russian, for the user

  QString message() const;
};

// The elements of a runtime form, in line order.
struct FormLayout {
  QList<LayoutElement> elements;

  // Every element's line followed by CR LF.
  QString text() const;
  // The first element with this caption; nullptr when none has it.
  const LayoutElement* findByCaption(const QString& caption) const;
  LayoutElement* findByCaption(const QString& caption);
  bool removeByCaption(const QString& caption);
};

struct LayoutParseResult {
  FormLayout layout;
  QList<LayoutProblem> problems;  // the malformed lines, which the layout leaves out
};

// Reads layout text. Lines may end in CR LF, LF or CR; empty lines are skipped. A line
// with a piece that is not key=value (no "=", an empty key) or without the key "name" is
// reported and skipped; nothing throws.
LayoutParseResult parseLayout(const QString& text);

// The size of a runtime form: width "-" height, in twips.
struct FormSize {
  double width = 0;
  double height = 0;

  // The part before the first "-" and the part after it; nullopt unless both are numbers.
  static std::optional<FormSize> parse(const QString& text);
  // Each number as single-precision text ("7905-4875").
  QString text() const;
  bool operator==(const FormSize& other) const = default;
};

// The layout a catalog or document form gets while it has none stored: one field per
// requisite, "name=txt;index=" + i + ";top=" + top + ";left=250;caption=" + name +
// ";type=" + type text + ";", i from 1, top 700 and then 500 more per line.
FormLayout composeDefaultLayout(const QList<Requisite>& requisites);
// A saved layout owns where a requisite's field is and how large it is; the definition owns
// what the field holds. A field captioned with a requisite's name (letter case ignored) takes
// that requisite's current type, so a type changed after the form was arranged («Число»
// become «Число.Сумма») shows at once. Returns whether the element changed.
bool takeRequisiteType(LayoutElement& element, const QList<Requisite>& requisites);

// The size that goes with it: 7905 by 4875 twips.
FormSize defaultFormSize();

}  // namespace balvix::config
