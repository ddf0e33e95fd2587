// The window on the offscreen platform, its mixer and engine on the sound server with_pulse.sh
// started.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication::setApplicationName(QStringLiteral("TFormMyTavelo"));
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
