#include "runtime/form_layout.h"

namespace balvix::runtime {

bool LayoutLine::parse(const QString& text) {
  m_pairs.clear();
  m_original = text;
  m_changed = false;
  qsizetype pos = 0;
  while (pos < text.size()) {
    const qsizetype end = text.indexOf(QLatin1Char(';'), pos);
    const QString pair = text.mid(pos, end < 0 ? -1 : end - pos);
    pos = end < 0 ? text.size() : end + 1;
    if (pair.trimmed().isEmpty()) continue;
    const qsizetype eq = pair.indexOf(QLatin1Char('='));
    if (eq <= 0) return false;
    m_pairs.append({pair.left(eq).trimmed(), pair.mid(eq + 1)});
  }
  return !value(QStringLiteral("name")).trimmed().isEmpty();
}

QString LayoutLine::value(const QString& key) const {
  for (const auto& [k, v] : m_pairs)
    if (k.compare(key, Qt::CaseInsensitive) == 0) return v;
  return QString();
}

bool LayoutLine::has(const QString& key) const {
  for (const auto& pair : m_pairs)
    if (pair.first.compare(key, Qt::CaseInsensitive) == 0) return true;
  return false;
}

void LayoutLine::set(const QString& key, const QString& value) {
  for (auto& pair : m_pairs) {
    if (pair.first.compare(key, Qt::CaseInsensitive) == 0) {
      if (pair.second != value) {
        pair.second = value;
        m_changed = true;
      }
      return;
    }
  }
  m_pairs.append({key, value});
  m_changed = true;
}

QString LayoutLine::text() const {
  if (!m_changed) return m_original;
  QString out;
  for (const auto& [k, v] : m_pairs) out += k + QLatin1Char('=') + v + QLatin1Char(';');
  return out;
}

QStringList layoutLines(const QString& text) {
  QStringList lines;
  for (QString line : text.split(QLatin1Char('\n'))) {
    if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    if (!line.trimmed().isEmpty()) lines << line;
  }
  return lines;
}

}  // namespace balvix::runtime
