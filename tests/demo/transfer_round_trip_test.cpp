#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "config/object_definition.h"
#include "config/table_names.h"
#include "demo/demo_database.h"
#include "documents/catalog_import.h"
#include "documents/list_export.h"
#include "storage/session.h"
#include "test_helpers.h"

namespace balvix::demo::testing {
namespace {

// Every stored value of a table, Null told from the empty text, in table order.
QStringList dump(storage::Session& db, const QString& table) {
  QStringList rows;
  db.forEachRow(QStringLiteral("SELECT * FROM ") + table, [&](const storage::RowView& row) {
    QStringList values;
    for (int c = 0; c < row.columnCount(); ++c)
      values << (row.isNull(c) ? QStringLiteral("<null>")
                               : QString::fromUtf8(row.text(c).data(),
                                                   static_cast<qsizetype>(row.text(c).size())));
    rows << values.join(u'\x1F');
  });
  return rows;
}

TEST(TransferRoundTripTest, TheDemoCatalogsExportAndLoadBackUnchangedAndTheJournalExports) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("demo.mdb"));
  createDemoDatabase(path, QDate(2026, 11, 30));
  auto db = storage::Session::open(path);
  const QStringList catalogs = config::objectNames(*db, config::ObjectKind::Catalog);
  ASSERT_GE(catalogs.size(), 3);
  for (const QString& catalog : catalogs) {
    const QString table = config::catalogTable(catalog);
    const QStringList before = dump(*db, table);
    ASSERT_FALSE(before.isEmpty()) << catalog.toStdString();
    for (const QString& extension : {QStringLiteral("csv"), QStringLiteral("xlsx")}) {
      const QString file = dir.filePath(catalog + u'.' + extension);
      ASSERT_EQ(
          documents::list_export::write(documents::list_export::catalogList(*db, catalog), file),
          QString());
      // Over the catalog as it is the file changes nothing; into an empty one it brings every
      // element back as it was stored.
      documents::CatalogImport same(*db, catalog);
      ASSERT_EQ(same.open(), QString());
      ASSERT_EQ(same.readFile(file), QString());
      const documents::ImportReport unchanged = same.load({});
      EXPECT_EQ(unchanged.unchanged, before.size()) << file.toStdString();
      EXPECT_FALSE(unchanged.written);
      db->execute(QStringLiteral("DELETE FROM ") + table);
      documents::CatalogImport again(*db, catalog);
      ASSERT_EQ(again.open(), QString());
      ASSERT_EQ(again.readFile(file), QString());
      const documents::ImportReport report = again.load({});
      EXPECT_EQ(report.error, QString()) << file.toStdString();
      EXPECT_EQ(dump(*db, table), before) << file.toStdString();
    }
  }
  db.reset();

  const QString journal = dir.filePath(QStringLiteral("журнал.csv"));
  QString error, output;
  ASSERT_EQ(balvix::testing::runProgram({"--export", "Журнал", "Полный", "--db", path, "--from",
                                         "01.11.2026", "--to", "30.11.2026", "--csv", journal},
                                        &error, &output),
            0)
      << error.toStdString();
  QFile file(journal);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QStringList lines = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"));
  EXPECT_EQ(lines.first(),
            QStringLiteral("№;Дата;Время;Вид документа;Наименование;Сумма;Проведен"));
  EXPECT_TRUE(Contains(output, QStringLiteral("Выгружено строк: %1").arg(lines.size() - 2)));
  EXPECT_GT(lines.size(), 3);
  for (qsizetype i = 1; i + 1 < lines.size(); ++i)
    EXPECT_TRUE(lines[i].section(u';', 1, 1).endsWith(QStringLiteral(".11.2026")))
        << lines[i].toStdString();
}

}  // namespace
}  // namespace balvix::demo::testing
