#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

// Every test executable gets a QApplication so that window tests can create widgets;
// the platform is chosen by QT_QPA_PLATFORM (offscreen under CTest).
int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // Settings written by the windows under test go to a private folder, never to the
  // user's own configuration.
  QTemporaryDir config;
  qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
  QApplication app(argc, argv);
  QApplication::setOrganizationName(QStringLiteral("BalvixTests"));
  QApplication::setApplicationName(QStringLiteral("Balvix"));
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
