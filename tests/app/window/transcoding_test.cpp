// Converting the Audio Files list on a real window: a CUE sheet's tracks whose files hold exactly
// their ranges of the source, a rerun that replaces them, the progress label, the refused mode
// switch, and a window that keeps handling its timers while a long file is converted.
#include "audio_files.h"
#include "files_fixture.h"

#include <QAction>
#include <QCheckBox>
#include <QMenu>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace tavelo;

namespace {

class Transcoding : public FilesWindow {
 protected:
  void startLongMp3Conversion();
};

constexpr std::uint32_t kRate = 44100;

QByteArray sheet() {
  return "FILE \"album.wav\" WAVE\r\n"
         "  TRACK 01 AUDIO\r\n    TITLE \"One?\"\r\n    INDEX 01 00:00:00\r\n"
         "  TRACK 02 AUDIO\r\n    TITLE \"Two: B\"\r\n    INDEX 01 00:01:00\r\n"
         "  TRACK 03 AUDIO\r\n    TITLE \"Three\"\r\n    INDEX 01 00:03:00\r\n";
}

std::vector<std::int16_t> decoded(const QString& path) {
  tavelo::test::TempDir scratch;
  const std::string wav = scratch.file("d.wav");
  if (!tavelo::test::run("ffmpeg -v error -y -i '" + path.toStdString() + "' -c:a pcm_s16le '" + wav + "'")) return {};
  return tavelo::test::readWav(wav).samples;
}

std::vector<std::int16_t> secondsOf(const std::vector<std::int16_t>& all, int from, int to) {
  const auto last = to < 0 ? all.size() : std::size_t(to) * kRate * 2;
  return {all.begin() + std::ptrdiff_t(std::size_t(from) * kRate * 2), all.begin() + std::ptrdiff_t(last)};
}

TEST_F(Transcoding, AllTracksOfACueSheetHoldTheirRangesAndARerunReplacesThem) {
  const std::string album = music("album.wav").toStdString();
  tavelo::test::writeWav(album, kRate, 2, 4 * kRate,
                         [](std::int64_t frame, int channel) { return 0.4 * std::sin(frame * (0.01 + frame * 1e-7) + channel); });
  const auto all = tavelo::test::readWav(album).samples;
  open(text("album.cue", sheet()));
  form->ButtonStop->click();
  const QDir rips(program_.path() + "Rips");
  form->Stored.ripRoot = rips.path();
  for (const int format : {3, 6}) {
    const QString extension = format == 3 ? ".flac" : ".wav";
    SCOPED_TRACE(extension.toStdString());
    form->Stored.ripFormat = format;
    for (int pass = 0; pass < 2; ++pass) {
      form->chb_decodeAll->setChecked(true);
      form->sb_decode->click();
      EXPECT_FALSE(form->sb_decode->isEnabled());
      EXPECT_FALSE(form->LabelOp->isHidden());
      ASSERT_TRUE(QTest::qWaitFor([&] { return form->sb_decode->isEnabled(); }, 60000));
      EXPECT_TRUE(form->LabelOp->isHidden());
      EXPECT_FALSE(form->chb_decodeAll->isChecked());
      EXPECT_TRUE(form.dialogs.messages.isEmpty()) << form.dialogs.messages.join('|').toStdString();
      EXPECT_TRUE(decoded(rips.filePath("01. One_" + extension)) == secondsOf(all, 0, 1));
      EXPECT_TRUE(decoded(rips.filePath("02. Two_ B" + extension)) == secondsOf(all, 1, 3));
      EXPECT_TRUE(decoded(rips.filePath("03. Three" + extension)) == secondsOf(all, 3, -1));
      EXPECT_FALSE(QFile::exists(rips.filePath("album" + extension))) << "item 0 is skipped";
      EXPECT_TRUE(rips.entryList({"*.part"}).isEmpty());
    }
  }
  EXPECT_EQ(rips.entryList(QDir::Files).size(), 6) << "a rerun replaces, it adds nothing";
}

TEST_F(Transcoding, TheSheetItselfConvertsTheWholeFileAndTheLabelShowsProgress) {
  tone("album.wav", 4);
  open(text("album.cue", sheet()));
  form->ButtonStop->click();
  form->Stored.ripRoot = program_.path() + "Rips";
  form->Stored.ripFormat = 3;
  form->ListBox1->setCurrentRow(2);
  QStringList seen;
  form->sb_decode->click();
  ASSERT_TRUE(QTest::qWaitFor([&] {
    if (seen.isEmpty() || seen.last() != form->LabelOp->text()) seen << form->LabelOp->text();
    return form->sb_decode->isEnabled();
  }, 60000));
  EXPECT_TRUE(QFile::exists(program_.path() + "Rips/02. Two_ B.flac"));
  EXPECT_TRUE(seen.contains("Track 2 Done 100%")) << seen.join('|').toStdString();
  form->ListBox1->setCurrentRow(0);
  form->sb_decode->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return form->sb_decode->isEnabled(); }, 60000));
  EXPECT_TRUE(QFile::exists(program_.path() + "Rips/album.flac"));
}

// A "lame" in the program folder that takes its input at a crawl and writes a little of it to its
// output: a run lasts long on any machine, which these tests need, while what they check is the
// window around the run, not the encoder.
constexpr char kSlowEncoder[] = R"(#!/usr/bin/env python3
import sys, time
with open(sys.argv[-1], 'wb') as out:
    while chunk := sys.stdin.buffer.read(65536):
        out.write(chunk[:16])
        time.sleep(0.05)
)";

// Ten minutes of tone converted to MP3 into "Rips" by the slow encoder.
void Transcoding::startLongMp3Conversion() {
  program_.write("lame", kSlowEncoder);
  QFile(program_.path() + "lame").setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  tone("long.wav", 600);
  form->CheckBoxFullDir->setChecked(false);
  open(music("long.wav"));
  form->ButtonStop->click();
  form->Stored.ripRoot = program_.path() + "Rips";
  form->Stored.ripFormat = 0;
  form->sb_decode->click();
}

TEST_F(Transcoding, TheWindowKeepsItsTimersAndRefusesAModeSwitchDuringALongRun) {
  startLongMp3Conversion();
  QElapsedTimer sinceTick;
  qint64 longestGap = 0;
  QTimer timer;
  timer.setInterval(10);
  sinceTick.start();
  QObject::connect(&timer, &QTimer::timeout, [&] {
    longestGap = std::max(longestGap, sinceTick.restart());
  });
  timer.start();
  QTest::qWait(1500);
  timer.stop();
  EXPECT_LT(longestGap, 100) << "the window thread never waits for the encoder";
  EXPECT_TRUE(form->filesMode().conversionRunning());
  form->ButtonCdHdClick(form->Image1);
  EXPECT_EQ(form.dialogs.messages.value(0), "Record in Process! Stop Record and try again.");
  form->PUM1->findChild<QAction*>("CancelOperation")->trigger();
  ASSERT_TRUE(QTest::qWaitFor([&] { return form->sb_decode->isEnabled(); }, 20000));
  EXPECT_FALSE(QFile::exists(program_.path() + "Rips/long.mp3"));
  EXPECT_FALSE(QFile::exists(program_.path() + "Rips/long.mp3.part"));
}

TEST_F(Transcoding, ClosingDuringARunLeavesNoWorkFile) {
  startLongMp3Conversion();
  ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(program_.path() + "Rips/long.mp3.part"); }, 10000));
  form->close();
  EXPECT_FALSE(QFile::exists(program_.path() + "Rips/long.mp3.part"));
  EXPECT_FALSE(QFile::exists(program_.path() + "Rips/long.mp3"));
}

}  // namespace
