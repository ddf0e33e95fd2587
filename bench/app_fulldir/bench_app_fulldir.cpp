// "Play Full Dir" on a folder of 10,000 files in the real window (offscreen, silent device):
// how long the click holds the window thread, how long until the list is filled and the chosen
// file plays, and the bare folder listing the window runs on its worker thread, side by side.
#include "app/form.h"
#include "recording_dialogs.h"
#include "files/playlist.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

using namespace tavelo;

namespace {

constexpr int kFiles = 10000;

void fillFolder(const QString& folder) {
  const char* extensions[] = {".mp3", ".ogg", ".flac", ".jpg", ".txt", ".wav"};
  for (int i = 0; i < kFiles; ++i) {
    QFile(QDir(folder).filePath(QStringLiteral("Track %1%2").arg(i, 5, 10, QLatin1Char('0')).arg(extensions[i % 6])))
        .open(QIODevice::WriteOnly);
  }
}

bool makeTone(const QString& path) {
  return QProcess::execute(QStringLiteral("ffmpeg"), {"-v", "error", "-y", "-f", "lavfi", "-i",
                                                      "sine=frequency=440:duration=5", path}) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir runtime;
  QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());  // no sound server: the silent device
  QApplication app(argc, argv);
  QTemporaryDir program, music;
  fillFolder(music.path());
  const QString chosen = music.filePath(QStringLiteral("Track 05000 chosen.wav"));
  if (!makeTone(chosen)) return 1;

  RecordingDialogs dialogs;
  TFormMyTavelo form(dialogs, program.path() + QLatin1Char('/'));
  if (!form.FormCreate({})) return 1;

  QElapsedTimer clock;
  dialogs.chosenFiles.enqueue({chosen});
  clock.start();
  form.ButtonOpen->click();
  const double clickMs = clock.nsecsElapsed() / 1e6;
  while (form.filesMode().folderScanRunning() || !form.Timer1->isActive()) QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
  const double playingMs = clock.nsecsElapsed() / 1e6;

  const PlayableExtensions extensions(form.ExtensionList);
  clock.restart();
  const QStringList listed = playlistPathsForOpenedFile(chosen, true, extensions);
  const double listingMs = clock.nsecsElapsed() / 1e6;

  std::printf("Play Full Dir, %d files (%lld listed, playing \"%s\")\n", kFiles,
              static_cast<long long>(form.ListBox1->count()), qPrintable(form.windowTitle()));
  std::printf("  window thread held by the click        %8.1f ms\n", clickMs);
  std::printf("  click to list filled and file playing  %8.1f ms\n", playingMs);
  std::printf("  bare folder listing (worker thread)    %8.1f ms (%lld files)\n", listingMs,
              static_cast<long long>(listed.size()));
  form.FormClose();
  return 0;
}
