#include <QCoreApplication>
#include <gtest/gtest.h>

// The lookup runs on an event loop, as it does on the window thread.
int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
