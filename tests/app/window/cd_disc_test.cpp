// The Audio CD mode on CD images as drives: the track list from CD-TEXT, the transport, the end
// of the last track, door and lock, a disc taken out, the drive changed while a track plays,
// closing, and the CDDB lookup on the CDDB fixture reached as a proxy.
#include "app/glyphs.h"
#include "cd_disc_fixture.h"
#include "cd_images.h"
#include "cddb_fixture.h"
#include "program_folder.h"
#include "scripted_http_server.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using tavelo::test::CdImageSpec;

const QString kLocked = QStringLiteral("\u0420");
const QString kUnlocked = QStringLiteral("\u041F");
const QStringList kCdTextItems{QStringLiteral("First Song (0:04)"), QString::fromUtf8("Zweites Lied é (0:03)"),
                               QStringLiteral("Track 03 (0:02)")};

CdImageSpec untitled() {
  CdImageSpec spec = tavelo::test::threeSongDisc();
  for (auto& track : spec.tracks) track.title.clear();
  spec.albumTitle.clear();
  return spec;
}

TEST_F(CdDisc, CdTextNamesTheTracksAndNoLookupStarts) {
  QDir().mkpath(images());
  tavelo::test::writeTocImage(imagesFolder(), "disc", tavelo::test::threeSongDisc());
  CddbFixture cddb({QStringLiteral("*=11000903")});
  ASSERT_NO_FATAL_FAILURE(start(true, cddb.port()));
  ASSERT_NO_FATAL_FAILURE(useDrive(QStringLiteral("disc.toc")));
  tick();
  EXPECT_EQ(items(), kCdTextItems);
  EXPECT_EQ(window().ListBox1->currentRow(), 0);
  EXPECT_TRUE(window().ButtonPlay->isEnabled() && window().ButtonNext->isEnabled());
  EXPECT_FALSE(window().ButtonStop->isEnabled());
  QTest::qWait(300);
  EXPECT_TRUE(cddb.requests().isEmpty());
  const QString driveText = window().CBCDdrives->currentText();
  window().FormClose();
  EXPECT_EQ(QString::fromUtf8(folder.read("Settings.ini")).split(QStringLiteral("\r\n")).value(3), driveText);
}

TEST_F(CdDisc, DataTrackHasNoTime) {
  ASSERT_NO_FATAL_FAILURE(startOnDataDisc());
  ASSERT_EQ(items().size(), 4);
  EXPECT_EQ(items().last(), QStringLiteral("Track 04 (data)"));
}

TEST_F(CdDisc, TransportCaptionsAndButtons) {
  ASSERT_NO_FATAL_FAILURE(startOnThreeSongs());
  window().ButtonPlayClick();
  EXPECT_EQ(window().windowTitle(), QStringLiteral("Play First Song (0:04)"));
  EXPECT_FALSE(window().Stopped);
  EXPECT_FALSE(window().ButtonOpen->isEnabled());
  EXPECT_TRUE(window().ButtonStop->isEnabled() && window().ButtonPause->isEnabled() && window().PB1->isEnabled());
  EXPECT_EQ(window().cdMode().trackLength(), 4);
  window().ButtonPauseClick();
  EXPECT_EQ(window().windowTitle(), QStringLiteral("Pause Audio CD"));
  EXPECT_FALSE(window().ButtonPause->isEnabled());
  // Play while paused with another track chosen starts that track, not the paused one.
  window().ListBox1->setCurrentRow(2);
  window().ButtonPlayClick();
  EXPECT_EQ(window().windowTitle(), QStringLiteral("Play Track 03 (0:02)"));
  EXPECT_EQ(playingTrack(), 2);
  EXPECT_FALSE(window().cdMode().paused());
  window().ButtonNextClick();
  EXPECT_EQ(playingTrack(), 2) << "no wrap-around";
  window().ButtonPrevClick();
  EXPECT_EQ(playingTrack(), 1);
  EXPECT_EQ(window().cdMode().trackLength(), 3);
  window().PB1MouseUp(window().PB1->width() / 2);
  EXPECT_NEAR(BASS_ChannelBytes2Seconds(window().cdMode().cdStream(int(drive())),
                                        BASS_ChannelGetPosition(window().cdMode().cdStream(int(drive())), BASS_POS_BYTE)),
              1.0, 0.3);
  window().ButtonStopClick();
  EXPECT_EQ(window().windowTitle(), QString::fromUtf8("ACD - Stop Zweites Lied é (0:03)"));
  EXPECT_EQ(window().cdMode().cdStream(int(drive())), 0u);
  EXPECT_TRUE(window().Stopped);
  EXPECT_TRUE(window().ButtonOpen->isEnabled());
}

TEST_F(CdDisc, LastTrackStopsOrRepeats) {
  ASSERT_NO_FATAL_FAILURE(startOnThreeSongs());
  for (const bool repeat : {true, false}) {
    SCOPED_TRACE(repeat ? "Repeat" : "no Repeat");
    window().ChBoxRep->setChecked(repeat);
    window().ListBox1->setCurrentRow(2);
    window().ButtonPlayClick();
    const QString expected = repeat ? QStringLiteral("Play First Song (0:04)") : QStringLiteral("ACD - Stop First Song (0:04)");
    EXPECT_TRUE(QTest::qWaitFor([&] { return window().windowTitle() == expected; }, 8000)) << window().windowTitle().toStdString();
    EXPECT_EQ(window().ListBox1->currentRow(), 0);
    EXPECT_EQ(window().Stopped, !repeat);
    if (repeat) EXPECT_EQ(playingTrack(), 0);
    window().ButtonStopClick();
  }
}

// The first track is 440 Hz, its left channel at half scale; the 440 Hz band at -6 dB halves it.
TEST_F(CdDisc, EnabledEqualiserActsOnTheTrackThatPlays) {
  ASSERT_NO_FATAL_FAILURE(startOnThreeSongs());
  window().findChild<QSlider*>(QStringLiteral("tbar_440"))->setValue(21);  // 15 - 21 = -6 dB
  window().findChild<QCheckBox*>(QStringLiteral("cbox_enEQ"))->click();
  window().ButtonPlayClick();
  const DWORD stream = window().cdMode().cdStream(int(drive()));
  const auto leftLevel = [stream] { return double(BASS_ChannelGetLevel(stream) & 0xffff) / 32768; };
  EXPECT_TRUE(QTest::qWaitFor([&] { return std::abs(leftLevel() - 0.25) < 0.03; }, 3000)) << leftLevel();
}

TEST_F(CdDisc, DoorAndLock) {
  ASSERT_NO_FATAL_FAILURE(startOnThreeSongs());
  window().BLockUnlockClick();
  EXPECT_EQ(glyphOf(window().BLockUnlock), kLocked);
  EXPECT_TRUE(BASS_CD_DoorIsLocked(drive()));
  tick();
  EXPECT_EQ(glyphOf(window().BLockUnlock), kLocked);
  window().ButtonOpenClick();
  EXPECT_TRUE(items().isEmpty());
  tick();
  EXPECT_FALSE(BASS_CD_DoorIsOpen(drive())) << "a locked door stays shut";
  EXPECT_EQ(items(), kCdTextItems);
  window().BLockUnlockClick();
  EXPECT_EQ(glyphOf(window().BLockUnlock), kUnlocked);
  window().ButtonOpenClick();
  tick();
  EXPECT_TRUE(BASS_CD_DoorIsOpen(drive()));
  EXPECT_TRUE(items().isEmpty());
  window().ButtonOpenClick();
  tick();
  EXPECT_EQ(items(), kCdTextItems);
}

TEST_F(CdDisc, DiscTakenOutWhilePlayingClearsAndStops) {
  ASSERT_NO_FATAL_FAILURE(startOnThreeSongs());
  window().ButtonPlayClick();
  BASS_CD_Door(drive(), BASS_CD_DOOR_OPEN);
  const DWORD stream = window().cdMode().cdStream(int(drive()));
  EXPECT_TRUE(QTest::qWaitFor([&] { return BASS_ChannelIsActive(stream) == BASS_ACTIVE_STOPPED; }, 5000));
  tick();
  EXPECT_TRUE(items().isEmpty());
  EXPECT_TRUE(window().Stopped);
  EXPECT_EQ(window().cdMode().cdStream(int(drive())), 0u);
  EXPECT_EQ(window().windowTitle(), QStringLiteral("Audio CD - Stopped"));
}

TEST_F(CdDisc, ChangingTheDriveStopsThePlayingTrackAndClosingUnlocksEveryDoor) {
  QDir().mkpath(images());
  tavelo::test::writeTocImage(imagesFolder(), "a", tavelo::test::threeSongDisc());
  tavelo::test::writeTocImage(imagesFolder(), "b", untitled());
  ASSERT_NO_FATAL_FAILURE(start());
  ASSERT_NO_FATAL_FAILURE(useDrive(QStringLiteral("a.toc")));
  tick();
  const DWORD first = drive();
  window().BLockUnlockClick();
  window().ButtonPlayClick();
  ASSERT_NE(window().cdMode().cdStream(int(first)), 0u);
  ASSERT_NO_FATAL_FAILURE(useDrive(QStringLiteral("b.toc")));
  EXPECT_EQ(window().cdMode().cdStream(int(first)), 0u) << "nothing would stop it later";
  EXPECT_TRUE(window().Stopped);
  EXPECT_EQ(items().value(0), QStringLiteral("Track 01 (0:04)"));
  EXPECT_TRUE(BASS_CD_DoorIsLocked(first));
  window().FormClose();
  EXPECT_FALSE(BASS_CD_DoorIsLocked(first)) << "the kernel would keep a drive's lock";
}

class CdDiscCddb : public CdDisc {
 protected:
  // The window on a disc without CD-TEXT; its first poll starts the lookup.
  void startUntitled(quint16 proxyPort, bool useCddb = true) {
    QDir().mkpath(images());
    tavelo::test::writeTocImage(imagesFolder(), "plain", untitled());
    ASSERT_NO_FATAL_FAILURE(start(useCddb, proxyPort));
    ASSERT_NO_FATAL_FAILURE(useDrive(QStringLiteral("plain.toc")));
  }
};

TEST_F(CdDiscCddb, MatchNamesTheTracks) {
  for (const char* known : {"11000903", "21100903"}) {
    SCOPED_TRACE(known);
    CddbFixture cddb({QStringLiteral("*=") + QLatin1String(known)});
    ASSERT_NO_FATAL_FAILURE(startUntitled(cddb.port()));
    tick();
    EXPECT_TRUE(QTest::qWaitFor([&] { return items().value(0).startsWith(QStringLiteral("01.")); }, 10000));
    EXPECT_EQ(items(), (QStringList{QStringLiteral("01.Title (0:04)"), QString::fromUtf8("02.Zweites Lied é (0:03)"),
                                    QString::fromUtf8("03.日本 Track (0:02)")}));
    const QList<QStringList> requests = cddb.requests();
    ASSERT_EQ(requests.size(), 2);
    const QString disc = QString::fromLatin1(BASS_CD_GetID(drive(), BASS_CDID_CDDB)).replace(' ', '+');
    EXPECT_EQ(requests[0].value(0), QStringLiteral("GET http://gnudb.gnudb.org/~cddb/cddb.cgi?cmd=cddb+query+") + disc +
                                        QStringLiteral("&hello=anonymous+localhost+Tavelo+1.0.14&proto=6 HTTP/1.0"));
    EXPECT_TRUE(dialogs().questions.isEmpty());
    form.reset();
  }
}

TEST_F(CdDiscCddb, NoMatchAsksYesAsksAgainWithTheLaterHelloNoKeepsTheNames) {
  CddbFixture cddb({QStringLiteral("*=20200903")});  // no match
  ASSERT_NO_FATAL_FAILURE(startUntitled(cddb.port()));
  dialogs().answers << true << false;
  tick();
  EXPECT_TRUE(QTest::qWaitFor([&] { return dialogs().questions.size() == 2; }, 10000));
  EXPECT_EQ(dialogs().questions.value(0), QStringLiteral("CDDB server is busy or CD id is not in CDDB. Tray again?"));
  const QList<QStringList> requests = cddb.requests();
  ASSERT_EQ(requests.size(), 2);
  EXPECT_TRUE(requests[0].value(0).contains(QStringLiteral("&hello=anonymous+localhost+Tavelo")));
  EXPECT_TRUE(requests[1].value(0).contains(QStringLiteral("&hello=anonymous+localhost.localdomain+Tavelo")));
  EXPECT_EQ(items().value(0), QStringLiteral("Track 01 (0:04)"));
  tick(6);
  QTest::qWait(200);
  EXPECT_EQ(cddb.requests().size(), 2) << "a listed disc is asked about once";
}

TEST_F(CdDiscCddb, RefusedProxyShowsTheSocketError) {
  ASSERT_NO_FATAL_FAILURE(startUntitled(ClosedPort()));
  tick();
  EXPECT_TRUE(QTest::qWaitFor([&] { return !dialogs().messages.isEmpty(); }, 10000));
  EXPECT_TRUE(dialogs().messages.value(0).startsWith(QStringLiteral("Socket Error = (111) ")))
      << dialogs().messages.value(0).toStdString();
  EXPECT_TRUE(dialogs().questions.isEmpty());
}

TEST_F(CdDiscCddb, UseCddbOffSendsNothing) {
  CddbFixture cddb({QStringLiteral("*=11000903")});
  ASSERT_NO_FATAL_FAILURE(startUntitled(cddb.port(), false));
  tick();
  QTest::qWait(300);
  EXPECT_TRUE(cddb.requests().isEmpty());
  EXPECT_EQ(items().value(0), QStringLiteral("Track 01 (0:04)"));
}

}  // namespace
