#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>

// The layers below the windows are tested without a QApplication: an application of Qt Core
// gives QProcess and the event loop what they need, and nothing here needs a screen.
int main(int argc, char** argv) {
  // Settings written by the code under test go to a private folder, never to the user's own
  // configuration.
  QTemporaryDir config;
  qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
  QCoreApplication app(argc, argv);
  QCoreApplication::setOrganizationName(QStringLiteral("BalvixTests"));
  QCoreApplication::setApplicationName(QStringLiteral("Balvix"));
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
