#include "recording/encoders.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

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

TEST_F(EncoderAvailability, NoEncodersLeavesOnlyWave) {
  EXPECT_EQ(availableRecordFormats(programDir()),
            (FormatAvailability{false, false, false, false, false, false, true}));
}

TEST(UsableRecordFormat, DisabledOrUnknownFormatsBecomeWave) {
  const FormatAvailability onlyOgg{false, false, true, false, false, false, true};
  const std::pair<int, int> cases[] = {{0, 6}, {1, 6}, {2, 2}, {5, 6}, {6, 6}, {-1, 6}, {7, 6}};
  for (const auto& [stored, usable] : cases) EXPECT_EQ(usableRecordFormat(stored, onlyOgg), usable) << stored;
}

}  // namespace
