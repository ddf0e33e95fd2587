// Net Radio on a real window against a real icecast2 server with live sources: the labels of an
// MP3 station up to its name and bitrate, a title changed by the station's admin, Ogg titles
// behind an "encoder=" comment, and a silent station restarted by the watchdog.
#include "icecast_fixture.h"
#include "radio_fixture.h"

#include <QLabel>
#include <QSystemTrayIcon>

using namespace tavelo;
using tavelo::test::IcecastFixture;
using tavelo::test::Mount;

namespace {

class RadioOnIcecast : public RadioFixture {
 protected:
  static void SetUpTestSuite() { server = new IcecastFixture; }
  static void TearDownTestSuite() {
    delete server;
    server = nullptr;
  }
  static QString url(Mount mount) { return QString::fromStdString(server->url(mount)); }
  // The tests drive Timer1's ticks themselves: its own firing would add to the silent ticks.
  void startOn(Mount mount) {
    ASSERT_NO_FATAL_FAILURE(start({{" Loopback FM ", url(mount), "none"}}));
    form().Timer1->setInterval(24 * 3600 * 1000);
  }

  static inline IcecastFixture* server = nullptr;
};

TEST_F(RadioOnIcecast, Mp3StationShowsItsNameBitrateAndTheTitleItsAdminSets) {
  ASSERT_NO_FATAL_FAILURE(startOn(Mount::Mp3));
  click(1);
  QStringList seen{status()};
  ASSERT_TRUE(waitFor([&] {
    if (seen.last() != status()) seen << status();
    return status() == QLatin1String(tavelo::test::kMp3StationName);
  })) << seen.join(QLatin1Char('|')).toStdString();
  EXPECT_TRUE(seen.contains(QStringLiteral("connecting..."))) << seen.join(QLatin1Char('|')).toStdString();
  EXPECT_EQ(form().Label6->text(), QStringLiteral("bitrate: 128 kbps"));
  ASSERT_TRUE(waitFor([this] { return form().Label4->text() == QLatin1String(tavelo::test::kMp3FirstTitle); }));
  tick();
  EXPECT_EQ(form().windowTitle(), QLatin1String(tavelo::test::kMp3FirstTitle));

  const QString next = QString::fromUtf8("Caf\xc3\xa9 Del Mar - Second Song");
  ASSERT_TRUE(server->setTitle(next.toStdString()));
  ASSERT_TRUE(waitFor([&] { return form().Label4->text() == next; }, 20000)) << form().Label4->text().toStdString();
  tick();
  EXPECT_EQ(form().windowTitle(), next);
  EXPECT_EQ(form().TrayIcon1->toolTip(), next);
}

TEST_F(RadioOnIcecast, OggStationShowsArtistAndTitleBehindTheEncoderComment) {
  ASSERT_NO_FATAL_FAILURE(startOn(Mount::Ogg));
  click(1);
  const auto songTitle = [this] {
    for (const auto& song : tavelo::test::kOggSongs) {
      if (form().Label4->text() == QString::fromLatin1(song.artist) + " - " + song.title) return true;
    }
    return false;
  };
  ASSERT_TRUE(waitFor(songTitle, 15000)) << form().Label4->text().toStdString() << " / " << status().toStdString();
}

// The silent mount connects and plays, but nothing is heard: every 151 ticks the watchdog
// connects again, and the 21st time it stops the radio.
TEST_F(RadioOnIcecast, SilentStationIsRestartedAfter151TicksAndStoppedAfter20Restarts) {
  ASSERT_NO_FATAL_FAILURE(startOn(Mount::Silent));
  const auto playing = [this] { return !form().radioMode().connecting() && form().Timer1->isActive(); };
  click(1);
  for (int restart = 1; restart <= 20; ++restart) {
    SCOPED_TRACE(restart);
    ASSERT_TRUE(waitFor(playing));
    tick(150);
    EXPECT_FALSE(form().radioMode().connecting()) << "150 silent ticks do nothing";
    tick(1);
    EXPECT_TRUE(form().radioMode().connecting()) << "the 151st connects again";
  }
  ASSERT_TRUE(waitFor(playing));
  tick(151);
  EXPECT_EQ(status(), QStringLiteral("Not playing"));
  EXPECT_EQ(form().windowTitle(), QStringLiteral("NR - Stop Loopback FM"));
  EXPECT_FALSE(form().Timer1->isActive());
}

}  // namespace
