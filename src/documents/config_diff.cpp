#include "documents/config_diff.h"

#include <algorithm>
#include <vector>

namespace balvix::documents {

using config::Requisite;

namespace {

const QString kIndent = QStringLiteral("    ");

QString quoted(const QString& text) {
  return QStringLiteral("«%1»").arg(text);
}

QString requisiteText(const Requisite& r) {
  QString text = r.type.text().isEmpty() ? QStringLiteral("без типа") : r.type.text();
  if (r.required) text += QStringLiteral(", обязательный");
  return text;
}

QStringList names(const QList<Requisite>& requisites) {
  QStringList out;
  for (const Requisite& r : requisites) out << r.name;
  return out;
}

const Requisite* findRequisite(const QList<Requisite>& list, const QString& name) {
  for (const Requisite& r : list)
    if (r.name.compare(name, Qt::CaseInsensitive) == 0) return &r;
  return nullptr;
}

void compareRequisites(const QString& what, bool feminine, const QList<Requisite>& before,
                       const QList<Requisite>& after, QStringList& out) {
  const QString ending = feminine ? QStringLiteral("а") : QString();
  QStringList kept;
  for (const Requisite& r : before) {
    const Requisite* now = findRequisite(after, r.name);
    if (!now) {
      out << QStringLiteral("  %1 %2 удален%3").arg(what, quoted(r.name), ending);
      continue;
    }
    kept << r.name;
    if (now->name != r.name)
      out << QStringLiteral("  %1 %2 переименован%3 в %4")
                 .arg(what, quoted(r.name), ending, quoted(now->name));
    if (now->type != r.type)
      out << QStringLiteral("  %1 %2: тип %3 → %4")
                 .arg(what, quoted(now->name), quoted(r.type.text()), quoted(now->type.text()));
    if (now->required != r.required)
      out << QStringLiteral("  %1 %2: %3")
                 .arg(what, quoted(now->name),
                      (now->required ? QStringLiteral("стал%1 обязательн%2")
                                     : QStringLiteral("стал%1 необязательн%2"))
                          .arg(ending, feminine ? QStringLiteral("ой") : QStringLiteral("ым")));
  }
  QStringList keptAfter;
  for (const Requisite& r : after) {
    if (findRequisite(before, r.name))
      keptAfter << r.name;
    else
      out << QStringLiteral("  %1 %2 добавлен%3: %4")
                 .arg(what, quoted(r.name), ending, requisiteText(r));
  }
  bool sameOrder = kept.size() == keptAfter.size();
  for (qsizetype i = 0; sameOrder && i < kept.size(); ++i)
    sameOrder = kept[i].compare(keptAfter[i], Qt::CaseInsensitive) == 0;
  if (!sameOrder)
    out << QStringLiteral("  порядок: %1 → %2")
               .arg(names(before).join(QStringLiteral(", ")),
                    names(after).join(QStringLiteral(", ")));
}

void compareValue(const QString& what, const QString& before, const QString& after,
                  QStringList& out) {
  if (before == after) return;
  if (before.isEmpty())
    out << QStringLiteral("  %1: %2").arg(what, quoted(after));
  else
    out << QStringLiteral("  %1: %2 → %3").arg(what, quoted(before), quoted(after));
}

void compareText(const QString& what, const QString& before, const QString& after, QStringList& out,
                 bool texts = true) {
  if (before == after) return;
  if (!texts) {
    out << QStringLiteral("  %1: строк %2")
               .arg(what)
               .arg(after.count(u'\n') + (after.endsWith(u'\n') ? 0 : 1));
    return;
  }
  out << QStringLiteral("  %1:").arg(what);
  for (const QString& line : unifiedDiff(before, after)) out << kIndent + line;
}

QString optionalText(const std::optional<QString>& text) {
  return text ? plainFileText(*text) : QString();
}

void comparePrintForms(const ConfigObject& before, const ConfigObject& after, QStringList& out,
                       bool texts) {
  auto find = [](const QList<PrintForm>& forms, const QString& name) -> const PrintForm* {
    for (const PrintForm& f : forms)
      if (f.name == name) return &f;
    return nullptr;
  };
  QStringList orderBefore, orderAfter;
  for (const PrintForm& f : before.printForms) {
    const PrintForm* now = find(after.printForms, f.name);
    if (!now) {
      out << QStringLiteral("  печатная форма %1 удалена").arg(quoted(f.name));
      continue;
    }
    orderBefore << f.name;
    compareText(QStringLiteral("печатная форма %1, макет").arg(quoted(f.name)),
                plainFileText(f.layout), plainFileText(now->layout), out, texts);
    compareText(QStringLiteral("печатная форма %1, модуль").arg(quoted(f.name)),
                moduleFileText(f.module), moduleFileText(now->module), out, texts);
  }
  for (const PrintForm& f : after.printForms) {
    if (find(before.printForms, f.name))
      orderAfter << f.name;
    else
      out << QStringLiteral("  печатная форма %1 добавлена").arg(quoted(f.name));
  }
  if (orderBefore != orderAfter)
    out << QStringLiteral("  порядок печатных форм: %1 → %2")
               .arg(orderBefore.join(QStringLiteral(", ")), orderAfter.join(QStringLiteral(", ")));
}

QStringList objectDetails(const ConfigObject& before, const ConfigObject& after,
                          bool texts = true) {
  const ObjectDefinition& a = before.definition;
  const ObjectDefinition& b = after.definition;
  QStringList out;
  compareValue(QStringLiteral("имя"), a.name, b.name, out);
  const QString description =
      a.kind == ObjectKind::Register ? QStringLiteral("описание") : QStringLiteral("меню");
  if (a.kind != ObjectKind::Enumeration)
    compareValue(description, a.description, b.description, out);
  compareValue(QStringLiteral("журнал"), a.journal, b.journal, out);
  compareRequisites(QStringLiteral("реквизит"), false, a.requisites, b.requisites, out);
  if (a.hasTablePart != b.hasTablePart)
    out << (b.hasTablePart ? QStringLiteral("  табличная часть добавлена")
                           : QStringLiteral("  табличная часть убрана"));
  compareRequisites(QStringLiteral("колонка табличной части"), true, a.tableRequisites,
                    b.tableRequisites, out);
  if (a.columns != b.columns)
    out << QStringLiteral("  колонки журнала: %1 → %2")
               .arg(a.columns.join(QStringLiteral(", ")), b.columns.join(QStringLiteral(", ")));
  if (a.kind == ObjectKind::Enumeration && a.enumerationValues() != b.enumerationValues())
    out << QStringLiteral("  значения: %1 → %2")
               .arg(a.enumerationValues().join(QStringLiteral(", ")),
                    b.enumerationValues().join(QStringLiteral(", ")));
  if (a.size != b.size)
    compareValue(QStringLiteral("размер формы"), optionalText(a.size), optionalText(b.size), out);
  const QString layout =
      a.kind == ObjectKind::Report ? QStringLiteral("макет") : QStringLiteral("форма");
  if (a.layout != b.layout)
    compareText(layout, optionalText(a.layout), optionalText(b.layout), out, texts);
  if (a.dialog != b.dialog)
    compareText(QStringLiteral("диалог"), optionalText(a.dialog), optionalText(b.dialog), out,
                texts);
  if (a.kind != ObjectKind::Enumeration)
    compareText(QStringLiteral("модуль"), moduleFileText(a.module), moduleFileText(b.module), out,
                texts);
  comparePrintForms(before, after, out, texts);
  return out;
}

// The definition without the texts its designer leaves alone; an enumeration's values are
// its structure.
ObjectDefinition structureOf(ObjectDefinition d) {
  if (d.kind != ObjectKind::Enumeration) d.module.clear();
  d.layout.reset();
  d.size.reset();
  d.dialog.reset();
  return d;
}

}  // namespace

QStringList ConfigDiff::lines() const {
  QStringList out;
  for (const ObjectChange& change : objects) {
    const QString path = config::objectPath(change.objectKind, change.name);
    switch (change.kind) {
      case ObjectChange::Kind::Added:
        out << QStringLiteral("+ %1 (добавлен)").arg(path);
        break;
      case ObjectChange::Kind::Removed:
        out << QStringLiteral("- %1 (удален)").arg(path);
        break;
      case ObjectChange::Kind::Changed:
        out << QStringLiteral("* %1 (изменен)").arg(path);
        break;
    }
    out << change.details;
  }
  if (globalModuleChanged) {
    out << QStringLiteral("* Глобальный модуль (изменен)");
    out << globalModuleDetails;
  }
  return out;
}

ConfigDiff compareConfigs(const ConfigTree& database, const ConfigTree& files) {
  ConfigDiff diff;
  for (const ConfigObject& object : database.objects) {
    const ObjectDefinition& d = object.definition;
    if (files.find(d.kind, d.name)) continue;
    ObjectChange change;
    change.kind = ObjectChange::Kind::Removed;
    change.objectKind = d.kind;
    change.name = change.storedName = d.name;
    diff.objects << change;
  }
  for (const ConfigObject& object : files.objects) {
    const ObjectDefinition& d = object.definition;
    ObjectChange change;
    change.objectKind = d.kind;
    change.name = d.name;
    const ConfigObject* stored = database.find(d.kind, d.name);
    if (!stored) {
      change.kind = ObjectChange::Kind::Added;
      ConfigObject empty;
      empty.definition.kind = d.kind;
      empty.definition.name = d.name;
      // A new object's texts are all new: they are named, not shown line by line.
      change.details = objectDetails(empty, object, false);
      change.details.removeIf([](const QString& line) { return line.startsWith(u"  имя"); });
      change.printFormsChanged = !object.printForms.isEmpty();
    } else {
      change.storedName = stored->definition.name;
      change.details = objectDetails(*stored, object);
      if (change.details.isEmpty()) continue;
      change.printFormsChanged = stored->printForms != object.printForms;
      change.structureChanged = structureOf(stored->definition) != structureOf(d);
    }
    diff.objects << change;
  }
  // The removals were listed first: put everything into the order of the kinds and names.
  auto order = [](ObjectKind kind) {
    return std::find(config::kAllKinds.begin(), config::kAllKinds.end(), kind) -
           config::kAllKinds.begin();
  };
  std::stable_sort(diff.objects.begin(), diff.objects.end(),
                   [&order](const ObjectChange& a, const ObjectChange& b) {
                     if (a.objectKind != b.objectKind)
                       return order(a.objectKind) < order(b.objectKind);
                     return a.name < b.name;
                   });
  const QString before = moduleFileText(database.globalModule);
  const QString after = moduleFileText(files.globalModule);
  if (before != after) {
    diff.globalModuleChanged = true;
    for (const QString& line : unifiedDiff(before, after))
      diff.globalModuleDetails << kIndent + line;
  }
  return diff;
}

QStringList unifiedDiff(const QString& before, const QString& after) {
  if (before == after) return {};
  QStringList a = before.split(u'\n');
  QStringList b = after.split(u'\n');
  // A final line break leaves an empty last piece, which is no line of its own.
  if (!a.isEmpty() && a.last().isEmpty()) a.removeLast();
  if (!b.isEmpty() && b.last().isEmpty()) b.removeLast();
  const qsizetype n = a.size(), m = b.size();
  qsizetype prefix = 0;
  while (prefix < n && prefix < m && a[prefix] == b[prefix]) ++prefix;
  qsizetype suffix = 0;
  while (suffix < n - prefix && suffix < m - prefix && a[n - 1 - suffix] == b[m - 1 - suffix])
    ++suffix;
  const qsizetype an = n - prefix - suffix, bn = m - prefix - suffix;

  // The edit script: ' ' kept, '-' removed, '+' added, with the line.
  std::vector<std::pair<char, QString>> ops;
  for (qsizetype i = 0; i < prefix; ++i) ops.push_back({' ', a[i]});
  if (an * bn <= 4'000'000) {
    // Longest common subsequence of the middle; beyond the limit the middle is simply replaced.
    std::vector<std::vector<int>> lcs(an + 1, std::vector<int>(bn + 1, 0));
    for (qsizetype i = an - 1; i >= 0; --i)
      for (qsizetype j = bn - 1; j >= 0; --j)
        lcs[i][j] = a[prefix + i] == b[prefix + j] ? lcs[i + 1][j + 1] + 1
                                                   : std::max(lcs[i + 1][j], lcs[i][j + 1]);
    qsizetype i = 0, j = 0;
    while (i < an || j < bn) {
      if (i < an && j < bn && a[prefix + i] == b[prefix + j]) {
        ops.push_back({' ', a[prefix + i]});
        ++i, ++j;
      } else if (i < an && (j == bn || lcs[i + 1][j] >= lcs[i][j + 1])) {
        ops.push_back({'-', a[prefix + i++]});
      } else {
        ops.push_back({'+', b[prefix + j++]});
      }
    }
  } else {
    for (qsizetype i = 0; i < an; ++i) ops.push_back({'-', a[prefix + i]});
    for (qsizetype j = 0; j < bn; ++j) ops.push_back({'+', b[prefix + j]});
  }
  for (qsizetype i = n - suffix; i < n; ++i) ops.push_back({' ', a[i]});

  QStringList out;
  constexpr qsizetype kContext = 3;
  const qsizetype count = static_cast<qsizetype>(ops.size());
  qsizetype k = 0;
  qsizetype lineA = 1, lineB = 1;  // line numbers at ops[k]
  while (k < count) {
    // The next change, and the hunk from its context before to where the changes stop.
    qsizetype first = k;
    while (first < count && ops[first].first == ' ') ++first;
    if (first == count) break;
    qsizetype start = std::max(k, first - kContext);
    for (qsizetype s = k; s < start; ++s) ++lineA, ++lineB;
    // Changes closer than twice the context share a hunk.
    qsizetype last = first;
    for (qsizetype s = first + 1; s < count && s - last <= 2 * kContext; ++s)
      if (ops[s].first != ' ') last = s;
    const qsizetype end = std::min(count, last + 1 + kContext);
    qsizetype countA = 0, countB = 0;
    for (qsizetype s = start; s < end; ++s) {
      if (ops[s].first != '+') ++countA;
      if (ops[s].first != '-') ++countB;
    }
    out << QStringLiteral("@@ -%1,%2 +%3,%4 @@")
               .arg(countA ? lineA : lineA - 1)
               .arg(countA)
               .arg(countB ? lineB : lineB - 1)
               .arg(countB);
    for (qsizetype s = start; s < end; ++s) out << QChar::fromLatin1(ops[s].first) + ops[s].second;
    lineA += countA;
    lineB += countB;
    k = end;
  }
  // Equal lines but different line breaks (a missing last one) still show as a change.
  if (out.isEmpty()) out << QStringLiteral("(различаются только концы строк)");
  return out;
}

}  // namespace balvix::documents
