#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "shell/startup.h"

namespace balvix::shell {
namespace {

TEST(DefaultDatabase, BesideAWritableProgramOtherwiseTheUsersOwnCreatedWithTheDemo) {
  QTemporaryDir program, user;
  // A program run from its build folder: basa.mdb beside it, never created for it.
  DefaultDatabase beside = chooseDefaultDatabase(program.path(), user.path());
  EXPECT_EQ(beside.path, QDir(program.path()).filePath(QStringLiteral("basa.mdb")));
  EXPECT_FALSE(beside.createWithDemo);

  // An installed program's folder cannot be written (here: it cannot even be entered).
  const QString installed = program.filePath(QStringLiteral("нет/bin"));
  DefaultDatabase own = chooseDefaultDatabase(installed, user.filePath(QStringLiteral("Balvix")));
  EXPECT_EQ(own.path, user.filePath(QStringLiteral("Balvix/basa.mdb")));
  EXPECT_TRUE(own.createWithDemo);
  // Once it exists it is opened as it is.
  QDir().mkpath(user.filePath(QStringLiteral("Balvix")));
  QFile f(own.path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.close();
  EXPECT_FALSE(
      chooseDefaultDatabase(installed, user.filePath(QStringLiteral("Balvix"))).createWithDemo);
}

}  // namespace
}  // namespace balvix::shell
