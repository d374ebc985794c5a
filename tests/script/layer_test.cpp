#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStringList>

// The module language stands on Qt Core alone: no source of it includes the database, the
// configuration, the script objects or anything above them, so its library and its tests
// link none of them.
TEST(LanguageLayer, IncludesNothingAboveQtCore) {
  const QDir folder(QStringLiteral(BALVIX_SOURCE_DIR "/src/script"));
  const QStringList files =
      folder.entryList({QStringLiteral("*.h"), QStringLiteral("*.cpp")}, QDir::Files, QDir::Name);
  ASSERT_GT(files.size(), 20) << "the language's sources are not where they were";
  const QRegularExpression include(QStringLiteral(
      R"(^\s*#\s*include\s*[<"]((storage|config|documents|shell|runtime|configurator|demo|app)/)"
      R"(|script/objects/|Qt(Gui|Widgets|Sql)\b|Q(Widget|Application|GuiApplication|Dialog)\b))"));
  QStringList found;
  for (const QString& name : files) {
    QFile file(folder.filePath(name));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
    int line = 0;
    while (!file.atEnd()) {
      ++line;
      const QString text = QString::fromUtf8(file.readLine());
      if (include.match(text).hasMatch())
        found << QStringLiteral("%1:%2: %3").arg(name).arg(line).arg(text.trimmed());
    }
  }
  EXPECT_TRUE(found.isEmpty()) << found.join(u'\n').toStdString();
}
