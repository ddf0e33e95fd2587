#include "recording/encoders.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>

using namespace tavelo;

namespace {

TEST(RecordFormats, ProgramsAndExtensionsInFormatOrder) {
  const char* programs[] = {"lame", "faac", "oggenc", "flac", "mac", "wavpack", ""};
  const char* extensions[] = {".mp3", ".aac", ".ogg", ".flac", ".ape", ".wv", ".wav"};
  for (int format = 0; format < kRecordFormatCount; ++format) {
    EXPECT_EQ(kRecordFormats[format].encoder, programs[format]);
    EXPECT_EQ(kRecordFormats[format].extension, extensions[format]);
  }
  EXPECT_EQ(kRecordFormats[kWaveFormat].item, "WAVE file");
}

// A program folder and a PATH of our own, so the machine's encoders do not decide the outcome.
class EncoderAvailability : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(programFolder.isValid() && pathFolder.isValid());
    savedPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(pathFolder.path()));
  }
  void TearDown() override { qputenv("PATH", savedPath); }

  static void makeProgram(const QTemporaryDir& folder, const char* name, bool executable = true) {
    QFile file(folder.filePath(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\nexit 0\n");
    file.setPermissions(executable ? QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                   : QFile::ReadOwner | QFile::WriteOwner);
  }
  QString programDir() const { return programFolder.path() + QLatin1Char('/'); }

  QTemporaryDir programFolder;
  QTemporaryDir pathFolder;
  QByteArray savedPath;
};

TEST_F(EncoderAvailability, ProgramFolderFirstThenPath) {
  makeProgram(programFolder, "faac");
  makeProgram(programFolder, "lame");
  makeProgram(pathFolder, "lame");
  makeProgram(pathFolder, "flac");
  makeProgram(programFolder, "mac", false);  // not executable: does not count

  EXPECT_EQ(findEncoder(programDir(), "lame"), programFolder.filePath("lame"));
  EXPECT_EQ(findEncoder(programDir(), "flac"), pathFolder.filePath("flac"));
  EXPECT_EQ(findEncoder(programDir(), "mac"), QString());
  EXPECT_EQ(availableRecordFormats(programDir()), (FormatAvailability{true, true, false, true, false, false, true}));
}

TEST_F(EncoderAvailability, AacFallsBackToFfmpegWhenFaacIsMissing) {
  makeProgram(pathFolder, "ffmpeg");
  EXPECT_EQ(findFormatEncoder(programDir(), kAacFormat), pathFolder.filePath("ffmpeg"));
  EXPECT_TRUE(availableRecordFormats(programDir())[kAacFormat]);
  makeProgram(programFolder, "faac");
  EXPECT_EQ(findFormatEncoder(programDir(), kAacFormat), programFolder.filePath("faac"));
  EXPECT_EQ(findFormatEncoder(programDir(), kWaveFormat), QString());
}

TEST_F(EncoderAvailability, NoEncodersLeavesOnlyWave) {
  EXPECT_EQ(availableRecordFormats(programDir()),
            (FormatAvailability{false, false, false, false, false, false, true}));
}

TEST(RecordFormatOfFile, TheExactExtensionChoosesTheFormat) {
  const std::pair<const char*, int> cases[] = {{"/r/a.mp3", 0}, {"a.aac", 1}, {"a.ogg", 2}, {"a b.flac", 3}, {"a.ape", 4},
                                               {"a.wv", 5},      {"a.wav", 6}, {"a.MP3", -1}, {"a.mp3.part", -1}, {"wav", -1}};
  for (const auto& [path, format] : cases) EXPECT_EQ(recordFormatOfFile(path), format) << path;
}

TEST(UsableRecordFormat, DisabledOrUnknownFormatsBecomeWave) {
  const FormatAvailability onlyOgg{false, false, true, false, false, false, true};
  const std::pair<int, int> cases[] = {{0, 6}, {1, 6}, {2, 2}, {5, 6}, {6, 6}, {-1, 6}, {7, 6}};
  for (const auto& [stored, usable] : cases) EXPECT_EQ(usableRecordFormat(stored, onlyOgg), usable) << stored;
}

struct LineCase {
  int format, bitrate;
  const char* program;
  const char* line;
};

TEST(EncoderCommandLine, EveryFormatReadsToTheEndOfItsInput) {
  const LineCase cases[] = {
      {0, 0, "lame", R"("lame" --quiet -m s --lowpass 12 --cbr -b 64 --ignorelength - "temp.mp3")"},
      {0, 1, "lame", R"("lame" --quiet -m s --lowpass 14 --cbr -b 96 --ignorelength - "temp.mp3")"},
      {0, 2, "lame", R"("lame" --quiet -m s --lowpass 16 --cbr -b 128 --ignorelength - "temp.mp3")"},
      {0, 3, "lame", R"("lame" --quiet -m s --cbr -b 160 --ignorelength - "temp.mp3")"},
      {0, 6, "lame", R"("lame" --quiet -m s --cbr -b 320 --ignorelength - "temp.mp3")"},
      {1, 0, "ffmpeg", R"("ffmpeg" -v error -y -f wav -ignore_length 1 -i - -c:a aac -b:a 64k -cutoff 12500 -f adts "temp.mp3")"},
      {1, 1, "ffmpeg", R"("ffmpeg" -v error -y -f wav -ignore_length 1 -i - -c:a aac -b:a 96k -cutoff 14000 -f adts "temp.mp3")"},
      {1, 4, "/usr/bin/ffmpeg", R"("/usr/bin/ffmpeg" -v error -y -f wav -ignore_length 1 -i - -c:a aac -b:a 192k -f adts "temp.mp3")"},
      {1, 0, "/opt/faac", R"("/opt/faac" -c 12500 -b 64 -o "temp.mp3" -)"},
      {1, 1, "faac", R"("faac" -c 14000 -b 96 -o "temp.mp3" -)"},
      {1, 2, "faac", R"("faac" -b 128 -o "temp.mp3" -)"},
      {2, 0, "oggenc", R"("oggenc" -Q --ignorelength -b 64 -o "temp.mp3" -)"},
      {2, 6, "oggenc", R"("oggenc" -Q --ignorelength -b 320 -o "temp.mp3" -)"},
      {3, 2, "flac", R"("flac" -f -5 -s --ignore-chunk-sizes -o "temp.mp3" -)"},
      {4, 2, "mac", R"("mac" - "temp.mp3" -c2000)"},
      {5, 2, "wavpack", R"("wavpack" -q -y -i - -o "temp.mp3")"},
      {6, 2, "", R"("temp.mp3")"},
      {7, 2, "lame", ""},
      {0, 9, "lame", R"("lame" --quiet -m s --cbr -b 192 --ignorelength - "temp.mp3")"},
  };
  for (const LineCase& c : cases) {
    const EncoderSetup setup{c.program, "temp.mp3", {44100, 2}};
    EXPECT_EQ(EncoderCommandLine(c.format, c.bitrate, setup), c.line) << c.format << "/" << c.bitrate;
  }
}

TEST(EncoderCommandLine, PathsAreQuotedWithTheirQuotesAndBackslashesEscaped) {
  const EncoderSetup setup{"/opt/my player/lame", R"(/tmp/a "b" c\d/x.mp3.part)", {44100, 2}};
  EXPECT_EQ(EncoderCommandLine(0, 4, setup),
            R"("/opt/my player/lame" --quiet -m s --cbr -b 192 --ignorelength - "/tmp/a \"b\" c\\d/x.mp3.part")");
}

TEST(OggencBitrate, MonoAndLowRatesAreCappedAtWhatOggencTakes) {
  const struct {
    int kbps, rate, channels, expected;
  } cases[] = {
      {320, 44100, 2, 320}, {320, 48000, 2, 320}, {320, 44100, 1, 240}, {256, 48000, 1, 240},
      {192, 44100, 1, 192}, {96, 22050, 1, 88},   {64, 22050, 1, 64},   {192, 22050, 2, 176},
      {160, 22050, 2, 160}, {320, 8000, 1, 40},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(oggencBitrate(c.kbps, {c.rate, c.channels}), c.expected) << c.kbps << " " << c.rate << " " << c.channels;
    const EncoderSetup setup{"oggenc", "o.ogg", {c.rate, c.channels}};
    const int index = int(std::find(kBitratesKbps.begin(), kBitratesKbps.end(), c.kbps) - kBitratesKbps.begin());
    if (index < kBitrateCount) {
      EXPECT_TRUE(EncoderCommandLine(2, index, setup).contains(QString(" -b %1 ").arg(c.expected)));
    }
  }
}

}  // namespace
