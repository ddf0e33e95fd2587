// Window tests run a real window on the offscreen platform, the engine on its silent device.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // A private runtime folder: no sound server is found there, so the engine plays silently.
  QTemporaryDir runtime;
  QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
  qunsetenv("PULSE_SERVER");
  QApplication::setApplicationName(QStringLiteral("TFormMyTavelo"));
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
