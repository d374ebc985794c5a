#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

// Runs every module file under tests/script through the headless runner and checks it
// against the expectations written in its comments:
//   ' expect: TEXT                              the next line of standard output
//   ' expect error line N: SUBSTRING            a syntax error at line N
//   ' expect runtime error line N: SUBSTRING    a run-time error at line N
// An error expectation means the runner must exit non-zero with "FILE:N:" and the
// substring on standard error; the output lines before the error are still compared.

namespace {

struct ErrorExpectation {
  bool runtime = false;
  int line = 0;
  QString text;
};

struct ScriptFile {
  QString path;
  QString relative;
  QStringList expectedLines;
  std::optional<ErrorExpectation> error;
  QStringList problems;  // malformed expectation comments
};

const QRegularExpression& expectPattern() {
  static const QRegularExpression re(
      QStringLiteral("'\\s*expect(?:\\s+(runtime\\s+)?(error)(?:\\s+line\\s+(\\d+))?)?:\\s?(.*)$"));
  return re;
}

ScriptFile parseScriptFile(const QString& path, const QString& relative) {
  ScriptFile file;
  file.path = path;
  file.relative = relative;
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) {
    file.problems << QStringLiteral("cannot read the file");
    return file;
  }
  const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
  for (int i = 0; i < lines.size(); ++i) {
    QString line = lines[i];
    if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    const auto m = expectPattern().match(line);
    if (!m.hasMatch()) continue;
    if (m.captured(2).isEmpty()) {
      file.expectedLines << m.captured(4);
      continue;
    }
    if (file.error) {
      file.problems << QStringLiteral("line %1: a second error expectation").arg(i + 1);
      continue;
    }
    ErrorExpectation error;
    error.runtime = !m.captured(1).isEmpty();
    error.line = m.captured(3).toInt();
    error.text = m.captured(4).trimmed();
    if (error.line <= 0)
      file.problems << QStringLiteral("line %1: an error expectation needs 'line N'").arg(i + 1);
    file.error = error;
  }
  if (file.expectedLines.isEmpty() && !file.error)
    file.problems << QStringLiteral("the file has no expectations");
  // A syntax error stops the module before its first statement, so nothing is printed.
  if (file.error && !file.error->runtime && !file.expectedLines.isEmpty())
    file.problems << QStringLiteral("a file with a syntax error cannot expect output");
  return file;
}

std::vector<ScriptFile> collectScriptFiles() {
  std::vector<ScriptFile> files;
  const QDir root(QStringLiteral(BALVIX_SOURCE_DIR "/tests/script"));
  QDirIterator it(root.path(), {QStringLiteral("*.vbs")}, QDir::Files,
                  QDirIterator::Subdirectories);
  QStringList paths;
  while (it.hasNext()) paths << it.next();
  paths.sort();
  for (const QString& path : paths)
    files.push_back(parseScriptFile(path, root.relativeFilePath(path)));
  return files;
}

const std::vector<ScriptFile>& scriptFiles() {
  static const std::vector<ScriptFile> files = collectScriptFiles();
  return files;
}

QStringList outputLines(const QByteArray& bytes) {
  QString text = QString::fromUtf8(bytes);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  if (text.isEmpty()) return {};
  if (text.endsWith(QLatin1Char('\n'))) text.chop(1);
  return text.split(QLatin1Char('\n'));
}

// Side-by-side listing of expected and actual lines; a mismatching row is marked "!".
std::string lineDiff(const QStringList& expected, const QStringList& actual) {
  QString out = QStringLiteral("   #  expected | actual\n");
  const qsizetype n = std::max(expected.size(), actual.size());
  for (qsizetype i = 0; i < n; ++i) {
    const QString e =
        i < expected.size() ? QStringLiteral("«%1»").arg(expected[i]) : QStringLiteral("(none)");
    const QString a =
        i < actual.size() ? QStringLiteral("«%1»").arg(actual[i]) : QStringLiteral("(none)");
    const bool same = i < expected.size() && i < actual.size() && expected[i] == actual[i];
    out += QStringLiteral("%1 %2  %3 | %4\n")
               .arg(same ? QLatin1Char(' ') : QLatin1Char('!'))
               .arg(i + 1, 3)
               .arg(e, a);
  }
  return out.toStdString();
}

class ScriptFileTest : public ::testing::TestWithParam<std::size_t> {};

TEST_P(ScriptFileTest, MatchesExpectations) {
  const ScriptFile& file = scriptFiles().at(GetParam());
  ASSERT_TRUE(file.problems.isEmpty()) << file.relative.toStdString() << ": "
                                       << file.problems.join(QStringLiteral("; ")).toStdString();
  ASSERT_TRUE(QFileInfo::exists(QStringLiteral(BALVIX_BINARY)))
      << "the runner is not built: " << BALVIX_BINARY;

  QProcess process;
  process.setProgram(QStringLiteral(BALVIX_BINARY));
  process.setArguments({QStringLiteral("--run"), file.path});
  auto env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  process.setProcessEnvironment(env);
  process.start();
  ASSERT_TRUE(process.waitForStarted(10000)) << "cannot start " << BALVIX_BINARY;
  process.closeWriteChannel();
  if (!process.waitForFinished(30000)) {
    process.kill();
    process.waitForFinished();
    FAIL() << file.relative.toStdString() << ": the runner did not finish in 30 s";
  }
  const QStringList actual = outputLines(process.readAllStandardOutput());
  const QString stderrText = QString::fromUtf8(process.readAllStandardError());
  const bool crashed = process.exitStatus() != QProcess::NormalExit;
  const int exitCode = process.exitCode();

  EXPECT_FALSE(crashed) << file.relative.toStdString() << ": the runner crashed\n"
                        << stderrText.toStdString();
  EXPECT_TRUE(actual == file.expectedLines)
      << file.relative.toStdString() << ": standard output differs\n"
      << lineDiff(file.expectedLines, actual) << "stderr: " << stderrText.toStdString();

  if (!file.error) {
    EXPECT_EQ(exitCode, 0) << file.relative.toStdString()
                           << ": unexpected failure\nstderr: " << stderrText.toStdString();
    return;
  }
  const ErrorExpectation& error = *file.error;
  const char* kind = error.runtime ? "run-time" : "syntax";
  EXPECT_NE(exitCode, 0) << file.relative.toStdString() << ": a " << kind
                         << " error was expected but the runner succeeded";
  const QString location =
      QStringLiteral("%1:%2:").arg(QFileInfo(file.path).fileName()).arg(error.line);
  EXPECT_TRUE(stderrText.contains(location))
      << file.relative.toStdString() << ": expected a " << kind << " error at «"
      << location.toStdString() << "»\nstderr: " << stderrText.toStdString();
  EXPECT_TRUE(stderrText.contains(error.text, Qt::CaseInsensitive))
      << file.relative.toStdString() << ": expected the message to contain «"
      << error.text.toStdString() << "»\nstderr: " << stderrText.toStdString();
}

std::vector<std::size_t> scriptFileIndexes() {
  std::vector<std::size_t> indexes(scriptFiles().size());
  for (std::size_t i = 0; i < indexes.size(); ++i) indexes[i] = i;
  return indexes;
}

std::string scriptTestName(const ::testing::TestParamInfo<std::size_t>& info) {
  QString name = scriptFiles().at(info.param).relative;
  name.chop(4);  // ".vbs"
  std::string out;
  for (const QChar c : name)
    out += (c.unicode() < 128 && c.isLetterOrNumber()) ? char(c.unicode()) : '_';
  return out;
}

INSTANTIATE_TEST_SUITE_P(Files, ScriptFileTest, ::testing::ValuesIn(scriptFileIndexes()),
                         scriptTestName);

// The expectation syntax itself: a typo in a comment must not silently drop a check.
TEST(ScriptFileExpectations, ParsesEveryForm) {
  const QString text = QStringLiteral(
      "Сообщить(1) ' expect: 1\n"
      "' expect:  two blanks\n"
      "' expect:\n"
      "x = 1 / 0 ' expect runtime error line 4: деление на ноль\n");
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.filePath(QStringLiteral("sample.vbs"));
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(text.toUtf8());
  f.close();
  const ScriptFile file = parseScriptFile(path, QStringLiteral("sample.vbs"));
  EXPECT_TRUE(file.problems.isEmpty()) << file.problems.join(';').toStdString();
  EXPECT_EQ(file.expectedLines,
            QStringList({QStringLiteral("1"), QStringLiteral(" two blanks"), QString()}));
  ASSERT_TRUE(file.error.has_value());
  EXPECT_TRUE(file.error->runtime);
  EXPECT_EQ(file.error->line, 4);
  EXPECT_EQ(file.error->text, QStringLiteral("деление на ноль"));
}

TEST(ScriptFileExpectations, SuiteHasFilesInEveryTopic) {
  QStringList topics;
  int checks = 0;
  for (const ScriptFile& file : scriptFiles()) {
    topics << file.relative.section(QLatin1Char('/'), 0, 0);
    checks += file.expectedLines.size() + (file.error ? 1 : 0);
  }
  topics.removeDuplicates();
  for (const char* topic : {"statements", "coercion", "builtins", "errors", "cyrillic"})
    EXPECT_TRUE(topics.contains(QLatin1String(topic))) << "no module files in " << topic;
  EXPECT_GE(checks, 150);
}

}  // namespace
