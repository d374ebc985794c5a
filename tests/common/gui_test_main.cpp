#include <gtest/gtest.h>

#include <QGuiApplication>

// The tests of the layers below the widgets start no QApplication: a QGuiApplication on the
// offscreen platform gives a PDF its fonts and needs no screen.
int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  QGuiApplication::setOrganizationName(QStringLiteral("BalvixTests"));
  QGuiApplication::setApplicationName(QStringLiteral("Balvix"));
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
