#pragma once

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <memory>

#include "demo/demo_database.h"
#include "demo_figures.h"
#include "storage/session.h"
#include "test_helpers.h"

namespace balvix::demo::testing {

// One demo database for the suite: building it posts a year of documents.
class DemoDatabaseTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    s_dir = new QTemporaryDir;
    s_server = new balvix::testing::ServerDatabase;
    s_path = s_server->active() ? s_server->address() : s_dir->filePath(QStringLiteral("demo.mdb"));
    s_summary = createDemoDatabase(s_path, s_today);
  }
  static void TearDownTestSuite() {
    delete s_server;
    s_server = nullptr;
    delete s_dir;
    s_dir = nullptr;
  }
  void SetUp() override { m_db = storage::Session::open(s_path); }

  storage::Session& db() { return *m_db; }
  int count(const QString& sql) {
    storage::Recordset rs = db().openRecordset(sql);
    return rs.eof() ? -1 : rs.text(0).toInt();
  }
  static int run(const QStringList& args, QString* error = nullptr) {
    return balvix::testing::runProgram(args, error);
  }
  QList<QStringList> report(const QString& name, const QDate& from, const QDate& to) {
    const QString csv = s_dir->filePath(name + QStringLiteral(".csv"));
    QString error;
    EXPECT_EQ(run({"--report", name, "--db", s_path, "--from",
                   from.toString(QStringLiteral("dd.MM.yyyy")), "--to",
                   to.toString(QStringLiteral("dd.MM.yyyy")), "--csv", csv},
                  &error),
              0)
        << error.toStdString();
    return readCsv(csv);
  }

  static inline QTemporaryDir* s_dir = nullptr;
  static inline balvix::testing::ServerDatabase* s_server = nullptr;
  static inline QString s_path;
  static inline const QDate s_today = QDate(2026, 11, 30);
  static inline DemoSummary s_summary;
  std::unique_ptr<storage::Session> m_db;
};

}  // namespace balvix::demo::testing
