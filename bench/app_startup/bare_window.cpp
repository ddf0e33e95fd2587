// The toolkit's floor: an empty Qt window of the player's size, nothing else.
#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[]) {
  QApplication::setApplicationName(QStringLiteral("BareQtWindow"));
  QApplication app(argc, argv);
  QWidget window;
  window.resize(408, 382);
  window.show();
  return app.exec();
}
