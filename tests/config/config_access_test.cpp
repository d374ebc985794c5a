#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QStringList>
#include <algorithm>

namespace {

// The text literals of a C++ source, comments left out (a comment may name the table).
QStringList stringLiterals(const QString& source) {
  QStringList literals;
  qsizetype i = 0;
  const qsizetype n = source.size();
  while (i < n) {
    const QChar c = source.at(i);
    if (source.mid(i, 2) == QLatin1String("//")) {
      i = source.indexOf(QLatin1Char('\n'), i);
      if (i < 0) break;
    } else if (source.mid(i, 2) == QLatin1String("/*")) {
      i = source.indexOf(QLatin1String("*/"), i + 2);
      if (i < 0) break;
      i += 2;
    } else if (c == QLatin1Char('R') && source.mid(i + 1, 1) == QLatin1String("\"")) {
      const qsizetype open = source.indexOf(QLatin1Char('('), i);
      if (open < 0) break;
      const QString end = QLatin1Char(')') + source.mid(i + 2, open - i - 2) + QLatin1Char('"');
      const qsizetype close = source.indexOf(end, open);
      if (close < 0) break;
      literals << source.mid(open + 1, close - open - 1);
      i = close + end.size();
    } else if (c == QLatin1Char('"') ||
               // A quote after a digit separates digits (1'000) and opens nothing.
               (c == QLatin1Char('\'') && (i == 0 || !source.at(i - 1).isDigit()))) {
      qsizetype j = i + 1;
      while (j < n && source.at(j) != c && source.at(j) != QLatin1Char('\n'))
        j += source.at(j) == QLatin1Char('\\') ? 2 : 1;
      if (c == QLatin1Char('"')) literals << source.mid(i + 1, j - i - 1);
      i = j + 1;
    } else {
      ++i;
    }
  }
  return literals;
}

// A literal that names the configuration table or spells out a generated table name:
// both belong to the configuration model alone.
bool reachesAroundConfig(const QString& literal) {
  static const QRegularExpression table(QStringLiteral("\\bform_items\\b"),
                                        QRegularExpression::CaseInsensitiveOption);
  static const QRegularExpression generated(
      QStringLiteral("\\b(items|table)_(Справочник|Документ|Регистр)"),
      QRegularExpression::CaseInsensitiveOption);
  return table.match(literal).hasMatch() || generated.match(literal).hasMatch();
}

bool offending(const QString& source) {
  const QStringList literals = stringLiterals(source);
  return std::any_of(literals.begin(), literals.end(), reachesAroundConfig);
}

TEST(ConfigAccess, ScanFindsStatementsInLiteralsOnly) {
  const struct {
    const char* source;
    bool offends;
  } cases[] = {
      {"db.execute(QStringLiteral(\"DELETE FROM form_items WHERE type=\") + t);", true},
      {"rs = db.openRecordset(u\"SELECT code FROM FORM_ITEMS\"_s);", true},
      {"auto sql = R\"x(UPDATE form_items SET code='')x\";", true},
      {"QStringLiteral(\"SELECT * FROM items_Справочник_\") + name", true},
      {"// Rebuild the menus from form_items.\nint x = 0;", false},
      {"/* SELECT * FROM form_items */ f(\"form items\", 'f');", false},
      {"QStringLiteral(\"items_type\"), QStringLiteral(\"table_\")", false},
      {"const char* s = \"a \\\" form\"; // \"FROM form_items\"", false},
      {"n = 1'000'000; f(\"FROM form_items\");", true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(offending(QString::fromUtf8(c.source)), c.offends) << c.source;
}

// The configuration rows and the generated tables are reached through src/config; storage
// keeps its own schema code below it.
TEST(ConfigAccess, NoSourceOutsideConfigAndStorageBuildsConfigurationStatements) {
  const QString root = QStringLiteral(BALVIX_SOURCE_DIR "/src");
  QStringList found;
  int scanned = 0;
  QDirIterator it(root, {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                  QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString path = it.next();
    const QString relative = path.mid(root.size() + 1);
    if (relative.startsWith(QLatin1String("config/")) ||
        relative.startsWith(QLatin1String("storage/")))
      continue;
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    ++scanned;
    if (offending(QString::fromUtf8(file.readAll()))) found << relative;
  }
  EXPECT_GT(scanned, 50);
  EXPECT_TRUE(found.isEmpty()) << found.join(QStringLiteral(", ")).toStdString();
}

}  // namespace
