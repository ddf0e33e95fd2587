// The program entry: one copy per user; a later copy hands its file over and ends.
#include "app/form.h"
#include "app/qt_dialogs.h"
#include "platform/single_instance.h"
#include "platform/termination_signals.h"

#include <QApplication>
#include <QFileInfo>
#include <QSessionManager>

using namespace tavelo;

namespace {

// A relative path means the folder the user started the player from. Start-up changes the
// current folder, and a running copy has its own, so every path is made absolute first thing.
QStringList absoluteArguments(const QStringList& arguments) {
  QStringList absolute;
  for (const QString& argument : arguments)
    absolute << (argument.contains(QLatin1String("://")) ? argument : QFileInfo(argument).absoluteFilePath());
  return absolute;
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication::setApplicationName(QStringLiteral("TFormMyTavelo"));
  QApplication app(argc, argv);
  const QStringList arguments = absoluteArguments(app.arguments().mid(1));

  SingleInstance instance(QFileInfo(QCoreApplication::applicationFilePath()).fileName());
  if (!instance.listen()) {
    if (!arguments.isEmpty()) instance.handOver(arguments.constFirst());
    return 0;
  }

  QtDialogs dialogs;
  TFormMyTavelo form(dialogs, QCoreApplication::applicationDirPath() + QLatin1Char('/'));
  QObject::connect(&instance, &SingleInstance::handedOver, &form, &TFormMyTavelo::HandOverReceived);
  TerminationSignals termination;
  QObject::connect(&termination, &TerminationSignals::terminationRequested, &form, &TFormMyTavelo::SessionEnding);
  QObject::connect(&app, &QGuiApplication::commitDataRequest, &form, &TFormMyTavelo::SessionEnding);
  if (!form.FormCreate(arguments)) return 1;
  form.show();
  return app.exec();
}
