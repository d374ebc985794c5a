#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "demo/demo_database.h"
#include "demo_figures.h"
#include "demo_windows_fixture.h"
#include "storage/session.h"
#include "storage/sql_text.h"
#include "test_helpers.h"

namespace balvix::demo::testing {
namespace {

// A module example of the user guide: its text, what it prints, how it is run.
struct Example {
  QString text;
  QStringList expected;    // "' выводит: …" lines
  QStringList runArgs;     // "' запуск: …" (as a document's posting, say)
  QStringList reportArgs;  // "' отчет: …": run as a report module
  bool report = false;
};

QList<Example> guideExamples() {
  QFile f(QStringLiteral(BALVIX_SOURCE_DIR "/docs/guide.md"));
  if (!f.open(QIODevice::ReadOnly)) return {};
  QList<Example> examples;
  std::optional<Example> open;
  for (const QString& line : QString::fromUtf8(f.readAll()).split(u'\n')) {
    if (!open && line.trimmed() == QStringLiteral("```модуль")) {
      open.emplace();
      continue;
    }
    if (!open) continue;
    if (line.trimmed() == QStringLiteral("```")) {
      examples << *open;
      open.reset();
      continue;
    }
    open->text += line + QStringLiteral("\r\n");
    const QString t = line.trimmed();
    if (t.startsWith(QStringLiteral("' выводит: "))) open->expected << t.mid(11);
    if (t.startsWith(QStringLiteral("' запуск: ")))
      open->runArgs = t.mid(10).split(u' ', Qt::SkipEmptyParts);
    if (t.startsWith(QStringLiteral("' отчет"))) {
      open->report = true;
      open->reportArgs = t.section(u':', 1).split(u' ', Qt::SkipEmptyParts);
    }
  }
  return examples;
}

TEST(GuideExamples, EveryModuleExampleRunsOnTheDemoAndPrintsWhatTheGuideSays) {
  QTemporaryDir dir;
  const QString base = dir.filePath(QStringLiteral("demo.mdb"));
  createDemoDatabase(base);
  const QList<Example> examples = guideExamples();
  ASSERT_GE(examples.size(), 6);
  int n = 0;
  for (const Example& example : examples) {
    SCOPED_TRACE(example.text.toStdString());
    ++n;
    EXPECT_FALSE(example.expected.isEmpty()) << "an example without its output";
    const QString db = dir.filePath(QStringLiteral("e%1.mdb").arg(n));
    ASSERT_TRUE(QFile::copy(base, db));
    QStringList args;
    QString out;
    if (example.report) {
      // A report whose layout has the one section "Строка" with the cell [Текст].
      auto session = storage::Session::open(db);
      session->execute(
          QStringLiteral(
              "INSERT INTO form_items (type,name,code,item) VALUES ('Отчет','Пример',%1,%2)")
              .arg(storage::quote(example.text),
                   storage::quote(
                       QStringLiteral("BalvixReport 1\r\ncolumns 1\r\nrows 1\r\ncell 0 0 0 "
                                      "[Текст]\r\nsection Строка 0 0\r\n"))));
      session.reset();
      out = dir.filePath(QStringLiteral("e%1.csv").arg(n));
      args << QStringLiteral("--report") << QStringLiteral("Пример") << QStringLiteral("--db") << db
           << example.reportArgs << QStringLiteral("--csv") << out;
    } else {
      const QString file = dir.filePath(QStringLiteral("e%1.txt").arg(n));
      balvix::testing::writeFile(file, example.text.toUtf8());
      args << QStringLiteral("--run") << file << QStringLiteral("--db") << db << example.runArgs;
    }
    QString error, output;
    EXPECT_EQ(balvix::testing::runProgram(args, &error, &output), 0) << error.toStdString();
    QStringList printed;
    if (example.report) {
      for (const QStringList& row : readCsv(out)) printed << row.join(u';');
    } else {
      printed = output.split(u'\n', Qt::SkipEmptyParts);
    }
    EXPECT_EQ(printed, example.expected);
  }
}

using DemoWindowsTest = runtime::testing::DemoWindowsTest;

// What the guide shows of Форма and Таблица without windows is what a user gets in a new
// document's window: the same module, run by the window on opening, says the same.
TEST_F(DemoWindowsTest, TheFormAndTableExamplesSayTheSameInANewDocumentWindow) {
  int checked = 0;
  for (const Example& example : guideExamples()) {
    const qsizetype post = example.runArgs.indexOf(QStringLiteral("--post"));
    if (post < 0 || (!example.text.contains(QStringLiteral("Форма.")) &&
                     !example.text.contains(QStringLiteral("Таблица."))))
      continue;
    SCOPED_TRACE(example.text.toStdString());
    const QString kind = example.runArgs.value(post + 1);
    db().execute(QStringLiteral("UPDATE form_items SET code=") + storage::quote(example.text) +
                 QStringLiteral(" WHERE type='Документ' AND name=") + storage::quote(kind));
    messages.clear();
    runtime::frmUniDoc* doc = clickMenu<runtime::frmUniDoc>(1, kind);
    ASSERT_TRUE(doc);
    EXPECT_EQ(messages.texts(), example.expected);
    doc->close();
    processEvents();
    ++checked;
  }
  EXPECT_EQ(checked, 2);
}

}  // namespace
}  // namespace balvix::demo::testing
