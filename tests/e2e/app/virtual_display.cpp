#include "virtual_display.h"

#include <QProcessEnvironment>

VirtualDisplay::VirtualDisplay() {
  server_.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                                         QStringLiteral("0"), QStringLiteral("1024x768x24"),
                                         QStringLiteral("-nolisten"), QStringLiteral("tcp")});
  if (server_.waitForStarted(5000) && server_.waitForReadyRead(10000)) {
    display_ = QLatin1Char(':') + QString::fromLatin1(server_.readAllStandardOutput()).trimmed();
  }
}

VirtualDisplay::~VirtualDisplay() {
  server_.terminate();
  server_.waitForFinished(5000);
}

QString runTool(const QString& display, const QStringList& arguments) {
  QProcess tool;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("DISPLAY"), display);
  tool.setProcessEnvironment(environment);
  tool.start(QStringLiteral("xdotool"), arguments);
  tool.waitForFinished(20000);
  return QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
}

QString playerWindow(const QString& display, const QString& name) {
  const QString notice = QStringLiteral("Notice");
  const QStringList windows =
      runTool(display, {QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--onlyvisible"),
                        QStringLiteral("--class"), QStringLiteral("TFormMyTavelo")})
          .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  for (const QString& window : windows) {
    const QString shownName = runTool(display, {QStringLiteral("getwindowname"), window});
    if (name.isEmpty() ? shownName != notice : shownName == name) return window;
  }
  return {};
}
