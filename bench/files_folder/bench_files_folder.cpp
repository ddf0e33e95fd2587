// Listing a folder of 10,000 files for "Play Full Dir": our listing against Qt's own sorted,
// filtered directory listing and against a bare readdir that neither filters nor sorts.
// Prints milliseconds (median of the runs) for each.
#include "files/playlist.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <dirent.h>
#include <functional>
#include <vector>

using namespace tavelo;

namespace {

const QString kExtensionList = QStringLiteral(
    "*.mp3;*.mp2;*.mp1;*.ogg;*.wav;*.aif;*.flac;*.wv;*.ape;*.m4a;*.aac;*.mid;*.midi;*.rmi;*.kar;");

void fillFolder(const QString& folder, int count) {
  const char* extensions[] = {".mp3", ".MP3", ".ogg", ".flac", ".jpg", ".txt", ".wav"};
  auto* random = QRandomGenerator::global();
  for (int i = 0; i < count; ++i) {
    const QString name = QStringLiteral("%1 Track %2 %3%4")
                             .arg(QChar(random->bounded(2) ? 'A' + random->bounded(26) : 'a' + random->bounded(26)))
                             .arg(random->bounded(100000))
                             .arg(i)
                             .arg(extensions[random->bounded(7)]);
    QFile(QDir(folder).filePath(name)).open(QIODevice::WriteOnly);
  }
}

double medianMs(const std::function<qsizetype()>& run, int runs, qsizetype& found) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    QElapsedTimer timer;
    timer.start();
    found = run();
    times.push_back(timer.nsecsElapsed() / 1e6);
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

qsizetype bareReaddir(const QString& folder) {
  DIR* dir = ::opendir(QFile::encodeName(folder).constData());
  qsizetype count = 0;
  while (::readdir(dir)) ++count;
  ::closedir(dir);
  return count;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int fileCount = argc > 1 ? std::atoi(argv[1]) : 10000;
  QTemporaryDir dir;
  fillFolder(dir.path(), fileCount);
  const PlayableExtensions extensions(kExtensionList);
  QStringList qtFilters;
  for (const QString& extension : extensions.inOrder()) qtFilters << QLatin1Char('*') + extension;
  const QString chosen = playableFilesInFolder(dir.path(), extensions).value(0);

  const int runs = 15;
  qsizetype ours = 0, qt = 0, bare = 0;
  const double oursMs = medianMs([&] { return playlistPathsForOpenedFile(chosen, true, extensions).size(); }, runs, ours);
  const double qtMs = medianMs(
      [&] {
        return QDir(dir.path(), {}, QDir::Name | QDir::IgnoreCase, QDir::Files | QDir::Hidden | QDir::System)
            .entryList(qtFilters)
            .size();
      },
      runs, qt);
  const double bareMs = medianMs([&] { return bareReaddir(dir.path()); }, runs, bare);

  std::printf("Play Full Dir listing, folder of %d files, median of %d runs\n", fileCount, runs);
  std::printf("  %-44s %8.2f ms  %6lld files\n", "tavelo playlistPathsForOpenedFile", oursMs, qlonglong(ours));
  std::printf("  %-44s %8.2f ms  %6lld files\n", "QDir::entryList (filters, name order)", qtMs, qlonglong(qt));
  std::printf("  %-44s %8.2f ms  %6lld entries\n", "readdir only (no filter, no order)", bareMs, qlonglong(bare));
  return 0;
}
