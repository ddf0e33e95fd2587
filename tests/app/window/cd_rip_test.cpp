// Ripping the Audio CD mode's tracks on CD images as drives: files that hold the tracks byte for
// byte, the items' markers, a rerun that replaces the files, a cut image whose lost sectors are
// counted as errors, and what is refused while a rip runs.
#include "audio_files.h"
#include "cd_disc_fixture.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

namespace {

using tavelo::test::CdImageSpec;

constexpr int kFlac = 3;
constexpr int kWave = 6;

const QStringList kItems{QStringLiteral("First Song (0:04)"), QString::fromUtf8("Zweites Lied é (0:03)"),
                         QStringLiteral("Track 03 (0:02)")};
const QStringList kFileStems{QStringLiteral("First Song (0_04)"), QString::fromUtf8("Zweites Lied é (0_03)"),
                             QStringLiteral("Track 03 (0_02)")};

QStringList marked(const QStringList& items, const QStringList& markers) {
  QStringList texts;
  for (int i = 0; i < items.size(); ++i) texts << items[i] + markers.value(i);
  return texts;
}

// The samples of a ripped file: a WAVE as it is, a FLAC decoded by flac itself.
std::vector<std::int16_t> samplesOf(const QString& path) {
  if (!path.endsWith(QLatin1String(".flac"))) return tavelo::test::readWav(path.toStdString()).samples;
  tavelo::test::TempDir scratch;
  const std::string wav = scratch.file("d.wav");
  if (!tavelo::test::run("flac -d -s -f -o '" + wav + "' '" + path.toStdString() + "'")) return {};
  return tavelo::test::readWav(wav).samples;
}

class CdRip : public CdDisc {
 protected:
  QString rips() const { return folder.path() + QStringLiteral("Rips"); }
  QString ripped(int track, const QString& extension) const {
    return rips() + QLatin1Char('/') + kFileStems.value(track) + extension;
  }
  // Clicks the record button to rip into "Rips".
  void startRipping(int format, bool all) {
    window().Stored.ripRoot = rips();
    window().Stored.ripFormat = format;
    window().chb_decodeAll->setChecked(all);
    window().sb_decode->click();
  }
  // Rips and waits for the run to end.
  void rip(int format, bool all) {
    startRipping(format, all);
    EXPECT_FALSE(window().sb_decode->isEnabled());
    ASSERT_TRUE(QTest::qWaitFor([&] { return window().sb_decode->isEnabled(); }, 60000)) << "the rip hangs";
    EXPECT_TRUE(window().LabelOp->isHidden());
    EXPECT_FALSE(window().chb_decodeAll->isChecked());
    EXPECT_FALSE(window().cdMode().ripRunning());
  }
};

TEST_F(CdRip, AllTracksRippedToFlacAndWaveHoldTheTracksByteForByteAndARerunReplacesThem) {
  ASSERT_NO_FATAL_FAILURE(startOnThreeSongs());
  const CdImageSpec disc = tavelo::test::threeSongDisc();
  for (const int format : {kFlac, kWave}) {
    const QString extension = format == kFlac ? QStringLiteral(".flac") : QStringLiteral(".wav");
    for (int pass = 0; pass < 2; ++pass) {
      SCOPED_TRACE(extension.toStdString() + " pass " + std::to_string(pass));
      if (pass == 1) QFile(ripped(0, extension)).resize(100);  // the rerun must put the whole track back
      window().ListBox1->setCurrentRow(2);
      ASSERT_NO_FATAL_FAILURE(rip(format, true));
      EXPECT_TRUE(dialogs().messages.isEmpty()) << dialogs().messages.join('|').toStdString();
      EXPECT_EQ(items(), marked(kItems, {"  --->  OK", "  --->  OK", "  --->  OK"}));
      EXPECT_EQ(window().ListBox1->currentRow(), 0);
      for (int track = 0; track < 3; ++track)
        EXPECT_TRUE(samplesOf(ripped(track, extension)) == tavelo::test::tonePcm(disc.tracks[std::size_t(track)]))
            << "track " << track + 1;
    }
  }
  EXPECT_EQ(QDir(rips()).entryList(QDir::Files).size(), 6) << "a rerun replaces, it adds nothing";
}

TEST_F(CdRip, TheSelectedTrackAloneIsRippedAndPlayRemovesTheMarkers) {
  ASSERT_NO_FATAL_FAILURE(startOnThreeSongs());
  window().ListBox1->setCurrentRow(1);
  ASSERT_NO_FATAL_FAILURE(rip(kWave, false));
  EXPECT_EQ(items(), marked(kItems, {"", "  --->  OK", ""}));
  EXPECT_EQ(window().ListBox1->currentRow(), 1);
  EXPECT_TRUE(samplesOf(ripped(1, ".wav")) == tavelo::test::tonePcm(tavelo::test::threeSongDisc().tracks[1]));
  EXPECT_FALSE(QFile::exists(ripped(0, ".wav")) || QFile::exists(ripped(2, ".wav")));
  window().ButtonPlayClick();
  EXPECT_EQ(items(), kItems);
  window().ButtonStopClick();
}

TEST_F(CdRip, ACutImageMarksItsTracksWithTheLostSectorsAndEnds) {
  QDir().mkpath(images());
  CdImageSpec spec = tavelo::test::threeSongDisc();
  spec.binBytes = std::int64_t(300 + 100) * 2352;  // the second track's first 100 of 225 sectors
  tavelo::test::writeTocImage(imagesFolder(), "cut", spec);
  ASSERT_NO_FATAL_FAILURE(start());
  ASSERT_NO_FATAL_FAILURE(useDrive(QStringLiteral("cut.toc")));
  tick();
  ASSERT_EQ(items(), kItems);
  ASSERT_NO_FATAL_FAILURE(rip(kWave, true));
  EXPECT_EQ(items(), marked(kItems, {"  --->  OK", "  --->  125 Errors", "  --->  150 Errors"}));
  EXPECT_EQ(window().ListBox1->currentRow(), 0);
  // The lost sectors are silence: each file still has its track's full length.
  EXPECT_EQ(samplesOf(ripped(1, ".wav")).size(), tavelo::test::tonePcm(spec.tracks[1]).size());
  EXPECT_TRUE(samplesOf(ripped(0, ".wav")) == tavelo::test::tonePcm(spec.tracks[0]));
}

TEST_F(CdRip, WhileARipRunsPlayAndTheModeSwitchAreRefusedAndAPlayingDiscIsNotRipped) {
  ASSERT_NO_FATAL_FAILURE(startOnThreeSongs());
  window().ButtonPlayClick();
  startRipping(kWave, false);
  EXPECT_TRUE(dialogs().messages.value(0).startsWith("First Stop Playing!\n")) << dialogs().messages.join('|').toStdString();
  EXPECT_TRUE(window().sb_decode->isEnabled());
  EXPECT_FALSE(window().cdMode().ripRunning());
  window().ButtonStopClick();
  dialogs().messages.clear();

  startRipping(kWave, true);
  ASSERT_TRUE(window().cdMode().ripRunning());
  window().ButtonPlayClick();
  window().ButtonNextClick();
  window().ButtonCdHdClick(window().Image1);
  ASSERT_EQ(dialogs().messages.size(), 3) << dialogs().messages.join('|').toStdString();
  EXPECT_TRUE(dialogs().messages[0].startsWith("First Stop Recording!\n"));
  EXPECT_TRUE(dialogs().messages[1].startsWith("First Stop Recording!\n"));
  EXPECT_EQ(dialogs().messages[2], "Record in Process! Stop Record and try again.");
  EXPECT_EQ(window().CurrentMode, int(PlayMode::AudioCd));
  EXPECT_FALSE(window().cdMode().cdStream(int(drive())));
  ASSERT_TRUE(QTest::qWaitFor([&] { return window().sb_decode->isEnabled(); }, 60000));
  EXPECT_EQ(items(), marked(kItems, {"  --->  OK", "  --->  OK", "  --->  OK"}));
}

TEST_F(CdRip, ADataTrackIsReportedAndTheSoundTracksAreStillRipped) {
  ASSERT_NO_FATAL_FAILURE(startOnDataDisc());
  ASSERT_EQ(items().size(), 4);
  ASSERT_NO_FATAL_FAILURE(rip(kWave, true));
  EXPECT_EQ(dialogs().messages, QStringList{"Couldn't read track 4 of the disc"});
  EXPECT_EQ(items(), marked(kItems + QStringList{"Track 04 (data)"}, {"  --->  OK", "  --->  OK", "  --->  OK"}));
  EXPECT_FALSE(QFile::exists(rips() + "/Track 04 (data).wav"));
}

TEST_F(CdRip, CancelOperationEndsTheRipKeepingTheFinishedTracks) {
  ASSERT_NO_FATAL_FAILURE(startOnThreeSongs());
  startRipping(kFlac, true);
  window().PUM1->findChild<QAction*>("CancelOperation")->trigger();
  ASSERT_TRUE(QTest::qWaitFor([&] { return window().sb_decode->isEnabled(); }, 60000));
  EXPECT_TRUE(QDir(rips()).entryList({"*.part"}).isEmpty());
  for (int track = 0; track < 3; ++track)
    EXPECT_EQ(items()[track].endsWith("  --->  OK"), QFile::exists(ripped(track, ".flac"))) << "track " << track + 1;
  EXPECT_FALSE(items()[2].endsWith("  --->  OK")) << "the run went on after the cancel";
}

TEST_F(CdRip, ClosingDuringARipLeavesNoWorkFile) {
  ASSERT_NO_FATAL_FAILURE(startOnThreeSongs());
  startRipping(kFlac, true);
  ASSERT_TRUE(window().cdMode().ripRunning());
  window().FormClose();
  EXPECT_TRUE(QDir(rips()).entryList({"*.part"}).isEmpty());
}

}  // namespace
