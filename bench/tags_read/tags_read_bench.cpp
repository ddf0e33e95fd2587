// tags_read_bench make FOLDER COUNT BASE...  copies the base files (one per format) COUNT times in
//   turn into FOLDER, each copy tagged by TagLib with fields of its own.
// tags_read_bench read FOLDER  reads the seven fields of every file there through the player's
//   reader (the engine's open check, FLAC through the FFmpeg plug-in as in the player, then
//   TagLib) and through a raw TagLib loop; best of 3.
#include "engine/engine.h"
#include "files/tag_reader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <taglib/fileref.h>
#include <taglib/tag.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRounds = 3;

int make(const QString& folder, int count, const QStringList& bases) {
  QDir().mkpath(folder);
  for (int i = 0; i < count; ++i) {
    const QString base = bases[i % bases.size()];
    const QString copy = folder + QStringLiteral("/%1.%2").arg(i, 5, 10, QLatin1Char('0')).arg(QFileInfo(base).suffix());
    QFile::remove(copy);
    if (!QFile::copy(base, copy)) return std::fprintf(stderr, "cannot copy %s\n", qPrintable(base)), 1;
    TagLib::FileRef ref(QFile::encodeName(copy).constData());
    if (ref.isNull()) return std::fprintf(stderr, "TagLib cannot open %s\n", qPrintable(copy)), 1;
    TagLib::Tag* tag = ref.tag();
    tag->setTitle(TagLib::String(QStringLiteral("Title %1 — é").arg(i).toStdString(), TagLib::String::UTF8));
    tag->setArtist("Artist");
    tag->setAlbum("Album");
    tag->setGenre("Genre");
    tag->setComment("Comment");
    tag->setTrack(unsigned(i % 99 + 1));
    tag->setYear(unsigned(1950 + i % 70));
    ref.save();
  }
  return 0;
}

std::size_t rawTagLib(const QStringList& files) {
  std::size_t characters = 0;
  for (const QString& file : files) {
    const TagLib::FileRef ref(QFile::encodeName(file).constData(), false);
    if (ref.isNull()) continue;
    const TagLib::Tag* tag = ref.tag();
    characters += tag->title().size() + tag->artist().size() + tag->album().size() + tag->genre().size() +
                  tag->comment().size() + (tag->track() > 0) + (tag->year() > 0);
  }
  return characters;
}

std::size_t playersReader(const QStringList& files) {
  std::size_t characters = 0;
  for (const QString& file : files) {
    if (const auto tags = tavelo::readTagFields(file)) {
      characters += std::size_t(tags->title.size() + tags->artist.size() + tags->album.size() + tags->genre.size() +
                                tags->comment.size() + !tags->trackNr.isEmpty() + !tags->year.isEmpty());
    }
  }
  return characters;
}

double bestSeconds(const std::function<std::size_t()>& run, std::size_t* result) {
  double best = 1e9;
  for (int round = 0; round < kRounds; ++round) {
    const auto start = Clock::now();
    *result = run();
    best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
  }
  return best;
}

int read(const QString& folder) {
  if (!BASS_Init(0, 44100, 0, nullptr, nullptr)) return std::fprintf(stderr, "engine did not start\n"), 1;
  if (BASS_PluginLoad(TAVELO_BENCH_PLUGIN_DIR "/ffmpeg.so", 0) == 0) {
    return std::fprintf(stderr, "the FFmpeg plug-in did not load (error %d)\n", BASS_ErrorGetCode()), 1;
  }
  QStringList files;
  for (const QString& name : QDir(folder).entryList(QDir::Files, QDir::Name)) files << folder + '/' + name;
  std::size_t raw = 0;
  std::size_t ours = 0;
  const double rawSeconds = bestSeconds([&] { return rawTagLib(files); }, &raw);
  const double ourSeconds = bestSeconds([&] { return playersReader(files); }, &ours);
  BASS_Free();
  std::printf("Seven tag fields of %lld files (best of %d)\n", static_cast<long long>(files.size()), kRounds);
  std::printf("  raw TagLib loop      %.2f s\n", rawSeconds);
  std::printf("  the player's reader  %.2f s   (%.2f x raw TagLib; target: at most 1.30)\n", ourSeconds,
              ourSeconds / rawSeconds);
  if (raw != ours) std::printf("  the two readers disagree: %zu against %zu characters\n", ours, raw);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
  if (mode == QLatin1String("make") && argc > 4) {
    QStringList bases;
    for (int i = 4; i < argc; ++i) bases << QString::fromLocal8Bit(argv[i]);
    return make(QString::fromLocal8Bit(argv[2]), std::atoi(argv[3]), bases);
  }
  if (mode == QLatin1String("read") && argc == 3) return read(QString::fromLocal8Bit(argv[2]));
  std::fprintf(stderr, "usage: tags_read_bench make FOLDER COUNT BASE... | read FOLDER\n");
  return 2;
}
