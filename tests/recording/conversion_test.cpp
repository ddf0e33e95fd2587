// Conversion runs on the real engine ("No sound" device) and the real encoders: CUE-like ranges
// whose files hold exactly the source's samples, reruns that replace, and the failures that must
// keep what was there.
#include "recording/conversion.h"

#include "audio_files.h"
#include "engine/engine.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>

using namespace tavelo;
using tavelo::test::TempDir;

namespace {

constexpr std::uint32_t kRate = 44100;

struct RunLog {
  QList<int> started;
  QStringList failures;
  QList<int> lastPercent;
  bool finished = false;
};

class Conversion : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(BASS_Init(0, kRate, 0, nullptr, nullptr)); }
  void TearDown() override { BASS_Free(); }

  // Runs to the end, handling the run's calls as the window would.
  RunLog convert(std::vector<ConversionItem> items, const QString& programDir = QString()) {
    RunLog log;
    ConversionRun::Events events{
        [&log](int item) { log.started << item; },
        [&log](int, int percent) { log.lastPercent << percent; },
        [&log](int, const QString& message) { log.failures << message; },
        [&log] { log.finished = true; },
    };
    ConversionRun run(std::move(items), {programDir, 4}, events);
    QElapsedTimer timer;
    timer.start();
    while (!log.finished && timer.elapsed() < 60000) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_TRUE(log.finished) << "the run ends";
    return log;
  }

  QString file(const char* name) const { return QString::fromStdString(dir.file(name)); }

  // A 16-bit stereo sweep of `seconds`, no two stretches alike.
  std::string makeSource(const char* name, double seconds) const {
    const std::string path = dir.file(name);
    tavelo::test::writeWav(path, kRate, 2, std::int64_t(seconds * kRate),
                           [](std::int64_t frame, int channel) { return 0.4 * std::sin(frame * (0.01 + frame * 1e-7) + channel); });
    return path;
  }

  static std::vector<std::int16_t> decoded(const QString& path) {
    TempDir scratch;
    const std::string wav = scratch.file("d.wav");
    if (!tavelo::test::run("ffmpeg -v error -y -i '" + path.toStdString() + "' -c:a pcm_s16le '" + wav + "'")) return {};
    return tavelo::test::readWav(wav).samples;
  }

  TempDir dir;
};

std::vector<std::int16_t> samplesBetween(const std::vector<std::int16_t>& all, double from, double to) {
  const auto first = std::size_t(from * kRate) * 2;
  const auto last = to < 0 ? all.size() : std::size_t(to * kRate) * 2;
  return {all.begin() + std::ptrdiff_t(first), all.begin() + std::ptrdiff_t(last)};
}

TEST_F(Conversion, ThreeRangesHoldExactlyTheSourceSamplesAndARerunReplacesThem) {
  const QString source = QString::fromStdString(makeSource("album.wav", 3.5));
  const auto all = tavelo::test::readWav(source.toStdString()).samples;
  const double bounds[][2] = {{0, 1}, {1, 2.5}, {2.5, -1}};
  for (const char* extension : {".flac", ".wav"}) {
    SCOPED_TRACE(extension);
    std::vector<ConversionItem> items;
    for (int t = 0; t < 3; ++t)
      items.push_back({source, bounds[t][0], bounds[t][1], file("0") + QString::number(t + 1) + ". Track" + extension});
    for (int pass = 0; pass < 2; ++pass) {
      SCOPED_TRACE(pass == 0 ? "first run" : "rerun");
      const RunLog log = convert(items);
      EXPECT_TRUE(log.failures.isEmpty()) << log.failures.join('|').toStdString();
      EXPECT_EQ(log.started, (QList<int>{0, 1, 2}));
      ASSERT_FALSE(log.lastPercent.isEmpty());
      EXPECT_EQ(log.lastPercent.last(), 100);
      for (int t = 0; t < 3; ++t) {
        EXPECT_TRUE(decoded(items[t].target) == samplesBetween(all, bounds[t][0], bounds[t][1])) << "track " << t + 1;
        EXPECT_FALSE(QFile::exists(items[t].target + ".part"));
      }
    }
  }
}

TEST_F(Conversion, BadItemsAreSkippedWithAMessageAndTheRestConverted) {
  const QString source = QString::fromStdString(makeSource("song.wav", 1));
  const struct {
    const char* name;
    ConversionItem item;
    const char* message;  // how the message starts
  } cases[] = {
      {"a missing source", {file("gone.wav"), -1, -1, file("gone.flac")}, "Couldn't open "},
      {"a reversed range", {source, 0.8, 0.2, file("r.flac")}, "Nothing to convert in r.flac"},
      {"an empty range", {source, 0.5, 0.5, file("e.flac")}, "Nothing to convert in e.flac"},
      {"a start past the end", {source, 5, -1, file("p.flac")}, "Nothing to convert in p.flac"},
      {"its own target", {source, -1, -1, source}, "Couldn't convert "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QByteArray before = QFile::exists(c.item.target) ? [&] { QFile f(c.item.target); f.open(QIODevice::ReadOnly); return f.readAll(); }() : QByteArray();
    const RunLog log = convert({c.item, {source, -1, -1, file("after.flac")}});
    ASSERT_EQ(log.failures.size(), 1);
    EXPECT_TRUE(log.failures.first().startsWith(c.message)) << log.failures.first().toStdString();
    EXPECT_EQ(log.started, (QList<int>{0, 1})) << "the next item still runs";
    EXPECT_TRUE(QFile::exists(file("after.flac")));
    if (!before.isEmpty()) {
      QFile f(c.item.target);
      ASSERT_TRUE(f.open(QIODevice::ReadOnly));
      EXPECT_EQ(f.readAll(), before) << "the source is untouched";
    }
  }
}

TEST_F(Conversion, AFailingEncoderKeepsTheOldTargetAndEndsTheRun) {
  const QString source = QString::fromStdString(makeSource("song.wav", 2));
  const QString programs = file("programs");
  QDir().mkpath(programs);
  QFile lame(programs + "/lame");
  ASSERT_TRUE(lame.open(QIODevice::WriteOnly));
  lame.write("#!/bin/sh\nhead -c 50000 >/dev/null\necho 'lame: disk trouble' >&2\nexit 1\n");
  lame.close();
  lame.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  QFile old(file("song.mp3"));
  ASSERT_TRUE(old.open(QIODevice::WriteOnly));
  old.write("the earlier file");
  old.close();
  const RunLog log = convert({{source, -1, -1, file("song.mp3")}, {source, -1, -1, file("next.mp3")}}, programs + "/");
  EXPECT_EQ(log.failures, QStringList{"Couldn't finish song.mp3\nexit status 1: lame: disk trouble"});
  EXPECT_EQ(log.started, QList<int>{0}) << "the run ends";
  ASSERT_TRUE(old.open(QIODevice::ReadOnly));
  EXPECT_EQ(old.readAll(), QByteArray("the earlier file"));
  EXPECT_FALSE(QFile::exists(file("song.mp3.part")));
  EXPECT_FALSE(QFile::exists(file("next.mp3")));
}

TEST_F(Conversion, ATruncatedSourceGivesTheFileUpToTheDamage) {
  const std::string path = makeSource("cut.wav", 2);
  const auto all = tavelo::test::readWav(path).samples;
  ASSERT_EQ(truncate(path.c_str(), 44 + 4 * kRate), 0);  // one second left, the header still says two
  const RunLog log = convert({{QString::fromStdString(path), -1, -1, file("cut.flac")}});
  EXPECT_TRUE(log.failures.isEmpty()) << log.failures.join('|').toStdString();
  EXPECT_TRUE(decoded(file("cut.flac")) == samplesBetween(all, 0, 1));
}

TEST_F(Conversion, CancellingRemovesTheWorkFileAndKeepsFinishedOnes) {
  const QString shortSource = QString::fromStdString(makeSource("short.wav", 0.5));
  const QString longSource = QString::fromStdString(makeSource("long.wav", 60));
  RunLog log;
  std::unique_ptr<ConversionRun> run;
  ConversionRun::Events events{
      [&log](int item) { log.started << item; },
      [&](int item, int percent) {
        if (item == 1 && percent >= 5) run->cancel();
      },
      [&log](int, const QString& message) { log.failures << message; },
      [&log] { log.finished = true; },
  };
  run = std::make_unique<ConversionRun>(
      std::vector<ConversionItem>{{shortSource, -1, -1, file("short.flac")}, {longSource, -1, -1, file("long.flac")}},
      ConversionSettings{{}, 4}, events);
  QElapsedTimer timer;
  timer.start();
  while (!log.finished && timer.elapsed() < 60000) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  ASSERT_TRUE(log.finished);
  EXPECT_TRUE(QFile::exists(file("short.flac")));
  EXPECT_FALSE(QFile::exists(file("long.flac")));
  EXPECT_FALSE(QFile::exists(file("long.flac.part")));
  EXPECT_TRUE(log.failures.isEmpty());
}

// A small tmpfs stands for a full disk; where mounting is refused (no privilege) the test says so.
class FullDisk : public Conversion {
 protected:
  void SetUp() override {
    Conversion::SetUp();
    mountPoint = file("full");
    QDir().mkpath(mountPoint);
    const std::string command = "mount -t tmpfs -o size=64k tmpfs '" + mountPoint.toStdString() + "' 2>/dev/null";
    mounted = tavelo::test::run(command);
    if (!mounted) GTEST_SKIP() << "a tmpfs cannot be mounted here (needs root): the full-disk case is not checked";
  }
  void TearDown() override {
    if (mounted) tavelo::test::run("umount '" + mountPoint.toStdString() + "'");
    Conversion::TearDown();
  }
  QString mountPoint;
  bool mounted = false;
};

TEST_F(FullDisk, AFullDiskKeepsTheOldTargetAndSaysWhy) {
  const QString source = QString::fromStdString(makeSource("big.wav", 3));  // 500 kB of FLAC at least
  for (const char* name : {"/big.flac", "/big.wav"}) {
    SCOPED_TRACE(name);
    const QString target = mountPoint + name;
    QFile old(target);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
    const RunLog log = convert({{source, -1, -1, target}});
    ASSERT_EQ(log.failures.size(), 1);
    EXPECT_TRUE(log.failures.first().startsWith(QStringLiteral("Couldn't finish ") + QString(name).mid(1) + "\n"))
        << log.failures.first().toStdString();
    EXPECT_TRUE(log.failures.first().contains("No space left on device") || log.failures.first().contains("exit status"))
        << log.failures.first().toStdString();
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("old"));
    old.close();
    EXPECT_FALSE(QFile::exists(target + ".part"));
  }
}

TEST(NumberRepeatedTargets, ASecondSourceOfTheSameNameGetsANumber) {
  std::vector<ConversionItem> items{{"/a/song.flac", -1, -1, "/out/song.mp3"},
                                    {"/b/song.flac", -1, -1, "/out/song.mp3"},
                                    {"/c/song.wav", -1, -1, "/out/song.mp3"},
                                    {"/c/other.wav", -1, -1, "/out/other.mp3"}};
  numberRepeatedTargets(items);
  const QStringList expected = {"/out/song.mp3", "/out/song001.mp3", "/out/song002.mp3", "/out/other.mp3"};
  for (std::size_t i = 0; i < items.size(); ++i) EXPECT_EQ(items[i].target, expected[int(i)]);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
