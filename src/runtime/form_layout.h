#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace balvix::runtime {

// One line of a form's layout text: key=value pairs in their order. A line that was
// not changed since it was read is written back exactly as it was read.
class LayoutLine {
 public:
  // Parses one line (without its line end); false when it is not a run of key=value;
  // pairs with a name.
  bool parse(const QString& text);

  QString value(const QString& key) const;
  bool has(const QString& key) const;
  // Sets a key, keeping its place; a new key goes to the end.
  void set(const QString& key, const QString& value);
  QString text() const;
  const QList<QPair<QString, QString>>& pairs() const { return m_pairs; }

 private:
  QList<QPair<QString, QString>> m_pairs;
  QString m_original;
  bool m_changed = true;
};

// The lines of a layout text: CR LF or LF separated; empty lines are ignored.
QStringList layoutLines(const QString& text);

}  // namespace balvix::runtime
