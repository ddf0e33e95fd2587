// Net Radio on a real window against a scripted server: stations refused, connection failures,
// the labels of a playing station, titles, cancelling a connection, the silence watchdog,
// reconnecting, and recording.
#include "app/glyphs.h"
#include "radio_fixture.h"
#include "tinyproxy_fixture.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTest>
#include <csignal>
#include <sys/resource.h>

using namespace tavelo;

namespace {

constexpr int kMetaint = 8192;

using RadioStations = RadioFixture;

TEST_F(RadioStations, RefusedStationsSayWhyAndConnectNothing) {
  const QString longProxy = QString(100, QLatin1Char('p'));
  ASSERT_NO_FATAL_FAILURE(start({{"Empty", "", ""}, {"Long proxy", "http://127.0.0.1:9/", longProxy}}));
  click(1);
  EXPECT_EQ(dialogs().messages, QStringList{"Not URL for This Button."});
  EXPECT_EQ(status(), QStringLiteral("not playing"));
  click(2);
  EXPECT_EQ(status(), QStringLiteral("Proxy text too long."));
  EXPECT_FALSE(form().radioMode().connecting());
  QTest::qWait(200);
  EXPECT_EQ(status(), QStringLiteral("Proxy text too long.")) << "no connection reports";
}

// A station that cannot be opened keeps failing while silent: the watchdog restarts it after
// 151 ticks, 20 times, and stops the radio the 21st time.
TEST_F(RadioStations, SilenceWatchdogRestartsAfter151TicksAndStopsAfter20Restarts) {
  ASSERT_NO_FATAL_FAILURE(start({{" Closed ", "http://127.0.0.1:" + QString::number(ClosedPort()) + "/", "none"}}));
  click(1);
  const auto failed = [this] { return status().startsWith(QStringLiteral("Not playing. Can't play the stream.")); };
  ASSERT_TRUE(waitFor(failed));
  for (int restart = 1; restart <= 20; ++restart) {
    SCOPED_TRACE(restart);
    form().Label5->clear();
    tick(150);
    QTest::qWait(20);
    EXPECT_TRUE(form().Label5->text().isEmpty()) << "150 silent ticks do nothing";
    tick(1);
    ASSERT_TRUE(waitFor(failed)) << "the 151st restarts the station";
  }
  form().Label5->clear();
  tick(151);
  EXPECT_EQ(status(), QStringLiteral("Not playing"));
  EXPECT_EQ(form().windowTitle(), QStringLiteral("NR - Stop Closed"));
  EXPECT_EQ(form().TrayIcon1->toolTip(), form().windowTitle());
  EXPECT_FALSE(form().Timer1->isActive());
  EXPECT_EQ(dialogs().beeps, 21) << "each failed open beeps";
}

TEST_F(RadioStations, NotFoundShowsTheEnginesErrorAndTheReplyLine) {
  ScriptedHttpServer server({});
  ASSERT_NO_FATAL_FAILURE(start({{"Missing", "http://" + server.Url("/missing"), "none"}}));
  click(1);
  ASSERT_TRUE(waitFor([this] { return status().startsWith(QStringLiteral("Not playing.")); }));
  EXPECT_EQ(status(), QStringLiteral("Not playing. Can't play the stream.\r\n(error code: 2)")) << status().toStdString();
  EXPECT_EQ(form().Label6->text(), QStringLiteral("HTTP/1.0 404 Not Found"));
  EXPECT_EQ(dialogs().beeps, 1);
  click(1);
  EXPECT_EQ(dialogs().beeps, 1) << "a failed station frees the connection at once";
  ASSERT_TRUE(waitFor([&] { return server.Requests().size() == 2; }));
}

TEST_F(RadioStations, PlayingStationShowsConnectingBufferingNameBitrateAndTitles) {
  const QByteArray audio = mp3(12);
  ASSERT_FALSE(audio.isEmpty());
  const QString first = QStringLiteral("Band 1 - Song 1");
  const QString next = QString::fromUtf8("Caf\xc3\xa9 Del Mar - It's; Fine");
  QStringList meta(10);
  meta[0] = "StreamTitle='" + first + "';StreamUrl='';";
  meta << "StreamTitle='" + bytesAsText(next.toUtf8()) + "';";
  constexpr int kTwiceRealTime = 32000;  // 128 kbps
  ScriptedHttpServer server({{"/live", {Wait(0.3), Send(icyHead(kMetaint)), paced(audio, kMetaint, meta, kTwiceRealTime), Hold()}}});
  ASSERT_NO_FATAL_FAILURE(start({{"Live", "http://" + server.Url("/live"), "none"}}));
  click(1);
  QStringList seen{status()};
  ASSERT_TRUE(waitFor([&] {
    if (seen.value(seen.size() - 1) != status()) seen << status();
    return status() == QStringLiteral("Test FM");
  }));
  // Reports that arrive together show only the last of them, so the order is what is checked.
  const std::string shown = seen.join(QLatin1Char('|')).toStdString();
  const qsizetype connecting = seen.indexOf(QStringLiteral("connecting..."));
  const auto buffering = std::find_if(seen.cbegin(), seen.cend(),
                                      [](const QString& text) { return text.startsWith(QStringLiteral("buffering... ")); });
  ASSERT_GE(connecting, 1) << shown;
  ASSERT_NE(buffering, seen.cend()) << shown;
  EXPECT_GT(buffering - seen.cbegin(), connecting) << shown;
  EXPECT_EQ(form().Label6->text(), QStringLiteral("bitrate: 128 kbps"));
  EXPECT_EQ(form().Label4->text(), first);
  EXPECT_TRUE(form().Timer1->isActive());
  tick();
  EXPECT_EQ(form().windowTitle(), first);

  ASSERT_TRUE(waitFor([&] { return form().Label4->text() == next; }, 15000));
  tick();
  EXPECT_EQ(form().windowTitle(), next);
  EXPECT_EQ(form().TrayIcon1->toolTip(), next);
}

TEST_F(RadioStations, StreamWithoutNameOrTitlesNamesItsTypeAndTheStation) {
  const QByteArray audio = mp3(6);
  ScriptedHttpServer server({{"/plain", {Send("HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\n\r\n"),
                                         Send(bytesAsText(audio)), Hold()}}});
  ASSERT_NO_FATAL_FAILURE(start({{"Plain", "http://" + server.Url("/plain"), "none"}}));
  click(1);
  ASSERT_TRUE(waitFor([this] { return status() == QStringLiteral("Playing Radio with MP3 Stream."); }));
  EXPECT_EQ(form().Label4->text(), QStringLiteral("No META Data"));
  tick();
  EXPECT_EQ(form().windowTitle(), QStringLiteral("Radio Station - Plain"));
}

// A click while connecting only beeps: the caption of the later Stop still names the first station.
TEST_F(RadioStations, ClickWhileConnectingBeepsAndChangesNothing) {
  ScriptedHttpServer server({{"/slow", {Hold()}}});
  ASSERT_NO_FATAL_FAILURE(start({{"Slow", "http://" + server.Url("/slow"), "none"}, {"Other", "http://" + server.Url("/other"), "none"}}));
  click(1);
  ASSERT_TRUE(waitFor([&] { return server.Requests().size() == 1 && status() == QStringLiteral("connecting..."); }));
  click(2);
  EXPECT_EQ(dialogs().beeps, 1);
  EXPECT_EQ(form().radioMode().station(), 1);
  QTest::qWait(300);
  EXPECT_EQ(server.Requests().size(), 1);
  form().BNetRadioStop->click();
  EXPECT_EQ(form().windowTitle(), QStringLiteral("NR - Stop Slow"));
}

// Stopping or leaving while connecting cancels the connection: no later report, nothing plays,
// and a new click connects at once.
TEST_F(RadioStations, StopOrLeavingWhileConnectingCancelsTheConnection) {
  const QByteArray audio = mp3(12);
  ScriptedHttpServer server(
      {{"/late", {Wait(1.5), Send("HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\n\r\n"), Send(bytesAsText(audio)), Hold()}}});
  ASSERT_NO_FATAL_FAILURE(start({{"Late", "http://" + server.Url("/late"), "none"}}));
  const struct {
    const char* name;
    std::function<void()> cancel;
  } ways[] = {
      {"Stop", [this] { form().BNetRadioStop->click(); }},
      {"leaving Net Radio", [this] { QTest::mouseClick(form().Image1, Qt::LeftButton); }},
  };
  int requests = 0;
  for (const auto& way : ways) {
    SCOPED_TRACE(way.name);
    if (form().CurrentMode != int(PlayMode::NetRadio)) {
      QTest::mouseClick(form().Image1, Qt::LeftButton);
      QTest::mouseClick(form().Image1, Qt::LeftButton);
    }
    ASSERT_EQ(form().CurrentMode, int(PlayMode::NetRadio));
    click(1);
    ++requests;
    ASSERT_TRUE(waitFor([&] { return server.Requests().size() == requests; }));
    way.cancel();
    EXPECT_EQ(status(), QStringLiteral("Not playing"));
    QTest::qWait(2500);
    EXPECT_EQ(status(), QStringLiteral("Not playing")) << "no report after the cancel";
    EXPECT_FALSE(form().Timer1->isActive());
    EXPECT_EQ(form().radioMode().stream(), 0u) << "nothing plays";
    EXPECT_EQ(dialogs().beeps, 0);
  }
  QTest::mouseClick(form().Image1, Qt::LeftButton);
  QTest::mouseClick(form().Image1, Qt::LeftButton);
  click(1);
  EXPECT_EQ(dialogs().beeps, 0) << "a new click connects at once";
  ASSERT_TRUE(waitFor([&] { return status() == QStringLiteral("Playing Radio with MP3 Stream."); }));
}

TEST_F(RadioStations, DroppedStationReconnects) {
  const QByteArray audio = mp3(4);
  ScriptedHttpServer server({{"/drop", {Send("HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\n\r\n"),
                                        Send(bytesAsText(audio))}}});
  ASSERT_NO_FATAL_FAILURE(start({{"Drop", "http://" + server.Url("/drop"), "none"}}));
  click(1);
  ASSERT_TRUE(waitFor([this] { return status() == QStringLiteral("reconnecting..."); }));
  ASSERT_TRUE(waitFor([&] { return server.Requests().size() == 2; }, 5000)) << "after a second";
  form().BNetRadioStop->click();
  const int requests = int(server.Requests().size());
  QTest::qWait(2500);
  EXPECT_EQ(server.Requests().size(), requests) << "Stop ends the reconnecting";
}

// The recording holds the bytes that arrive from the click to Stop, as sent: the sound from
// some place to its end (and maybe a repeated piece after it), nothing after Stop.
TEST_F(RadioStations, RawRecordingHoldsTheBytesReceivedAndEndsOnStop) {
  const QByteArray audio = mp3(8);
  const QByteArray after = audio.mid(audio.size() / 2);
  ScriptedHttpServer server({{"/rec", {Send("HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\n\r\n"),
                                       Send(bytesAsText(audio.first(audio.size() / 2))), Wait(2),
                                       Send(bytesAsText(after)), Wait(1.5),
                                       Repeat(bytesAsText(after.first(4096)), 0.05)}}});
  ASSERT_NO_FATAL_FAILURE(start({{"Rec", "http://" + server.Url("/rec"), "none"}}));
  click(1);
  ASSERT_TRUE(waitFor([this] { return form().radioMode().stream() != 0; }));
  form().BNetRadioRec->click();
  ASSERT_TRUE(form().radioMode().recordRunning());
  EXPECT_TRUE(form().Label17->isVisible());
  EXPECT_EQ(glyphOf(form().BNetRadioRec), QStringLiteral("<"));
  const QDir records(folder.path() + QStringLiteral("Record/Rec"));  // the station's folder
  ASSERT_TRUE(waitFor([&] {
    const QStringList parts = records.entryList({QStringLiteral("*.part")});
    return !parts.isEmpty() && QFileInfo(records.filePath(parts.first())).size() >= after.size();
  }));
  QTest::qWait(300);  // the rest of the sent piece
  form().BNetRadioStop->click();
  EXPECT_FALSE(form().radioMode().recordRunning());
  EXPECT_EQ(glyphOf(form().BNetRadioRec), QStringLiteral("="));
  const QStringList done = records.entryList({QStringLiteral("*.mp3")});
  ASSERT_EQ(done.size(), 1) << records.entryList().join(QLatin1Char(' ')).toStdString();
  QFile recorded(records.filePath(done.first()));
  ASSERT_TRUE(recorded.open(QIODevice::ReadOnly));
  const QByteArray bytes = recorded.readAll();
  const qsizetype start = audio.indexOf(bytes.first(4096));
  ASSERT_GE(start, 0) << "the recording starts with sent bytes";
  const qsizetype rest = audio.size() - start;
  ASSERT_GE(bytes.size(), rest);
  EXPECT_EQ(bytes.first(rest), audio.mid(start)) << "every byte from the click on, as sent";
  QTest::qWait(2000);
  EXPECT_EQ(QFileInfo(records.filePath(done.first())).size(), bytes.size()) << "nothing written after Stop";
  EXPECT_TRUE(records.entryList({QStringLiteral("*.part")}).isEmpty());
}

class FakeEncoder : public EncodedRecording {
 public:
  QStringList files;
  int stops = 0;
  bool StartRecording(std::uint32_t, const QString& file) override {
    files << file;
    return true;
  }
  void StopRecording() override { ++stops; }
};

// A stream that is not MP3, or a station forced to encode, records through the encoder.
TEST_F(RadioStations, OggOrForcedStationsRecordThroughTheEncoder) {
  const struct {
    const char* name;
    std::string extension;
    const char* contentType;
    bool forced;
    double seconds;  // more than the buffer the engine waits for
  } cases[] = {
      {"forced MP3", ".mp3", "audio/mpeg", true, 6},
      {"Ogg", ".ogg", "application/ogg", false, 45},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QByteArray audio = tone(c.seconds, c.extension);
    ASSERT_FALSE(audio.isEmpty());
    ScriptedHttpServer server({{"/enc", {Send(QStringLiteral("HTTP/1.0 200 OK\r\nContent-Type: %1\r\n\r\n")
                                                  .arg(QLatin1String(c.contentType))),
                                         Send(bytesAsText(audio)), Hold()}}});
    ASSERT_NO_FATAL_FAILURE(start({{"Encoded", "http://" + server.Url("/enc"), "none", c.forced}}));
    FakeEncoder encoder;
    form().radioMode().setEncodedRecording(&encoder);
    click(1);
    ASSERT_TRUE(waitFor([this] { return form().radioMode().stream() != 0; })) << status().toStdString();
    form().BNetRadioRec->click();
    ASSERT_EQ(encoder.files.size(), 1);
    EXPECT_TRUE(encoder.files.first().endsWith(QStringLiteral(".mp3"))) << "the radio format: MP3";
    EXPECT_TRUE(form().radioMode().recordRunning());
    form().BnetRadioPause->click();
    EXPECT_EQ(dialogs().messages, QStringList{"Record is started. Operation \"Pause\" is not allowed."});
    form().BNetRadioStop->click();
    EXPECT_EQ(encoder.stops, 1);
    EXPECT_FALSE(form().radioMode().recordRunning());
    form().radioMode().setEncodedRecording(nullptr);
    started.reset();
  }
}

TEST_F(RadioStations, RecordFileThatCannotBeCreatedIsSaidAndNothingRecords) {
  const QByteArray audio = mp3(6);
  ScriptedHttpServer server({{"/mp3", {Send("HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\n\r\n"),
                                       Send(bytesAsText(audio)), Hold()}}});
  ASSERT_NO_FATAL_FAILURE(start({{"Rec", "http://" + server.Url("/mp3"), "none"}}));
  folder.write(QStringLiteral("file"), "not a folder");
  form().Stored.recordRoot = folder.path() + QStringLiteral("file/Record");
  click(1);
  ASSERT_TRUE(waitFor([this] { return form().radioMode().stream() != 0; }));
  form().BNetRadioRec->click();
  ASSERT_EQ(dialogs().messages.size(), 1);
  EXPECT_TRUE(dialogs().messages.first().startsWith(QStringLiteral("Couldn't create "))) << dialogs().messages.first().toStdString();
  EXPECT_FALSE(form().radioMode().recordRunning());
  EXPECT_FALSE(form().Label17->isVisible());
  EXPECT_EQ(glyphOf(form().BNetRadioRec), QStringLiteral("="));
}

// A write that fails (the file size limit here) ends the recording as the download's end
// would, and says so once.
TEST_F(RadioStations, FailedRecordWriteEndsTheRecordingOnce) {
  const QByteArray audio = mp3(10);
  ScriptedHttpServer server({{"/mp3", {Send("HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\n\r\n"),
                                       Send(bytesAsText(audio.first(60000))), Wait(1),
                                       Send(bytesAsText(audio.mid(60000))), Hold()}}});
  ASSERT_NO_FATAL_FAILURE(start({{"Rec", "http://" + server.Url("/mp3"), "none"}}));
  click(1);
  ASSERT_TRUE(waitFor([this] { return form().radioMode().stream() != 0; }));
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  rlimit small = old;
  small.rlim_cur = 16384;
  setrlimit(RLIMIT_FSIZE, &small);
  form().BNetRadioRec->click();
  const bool ended = waitFor([this] { return !form().radioMode().recordRunning(); });
  setrlimit(RLIMIT_FSIZE, &old);
  ASSERT_TRUE(ended);
  EXPECT_EQ(dialogs().messages, QStringList{"Recording stopped: File too large"});
  EXPECT_FALSE(form().Label17->isVisible());
  EXPECT_EQ(glyphOf(form().BNetRadioRec), QStringLiteral("="));
  form().BNetRadioStop->click();
  QTest::qWait(200);
  EXPECT_EQ(dialogs().messages.size(), 1) << "said once";
}

// The station's own proxy line decides: tinyproxy with credentials carries the request with
// the player's agent and metadata request; "none" ignores a dead proxy of the environment.
TEST_F(RadioStations, EachStationUsesItsOwnProxyLine) {
  const QByteArray audio = mp3(6);
  ScriptedHttpServer server({{"/p", {Send("HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\n\r\n"),
                                     Send(bytesAsText(audio)), Hold()}}});
  Tinyproxy proxy;
  const QByteArray deadProxy = "http://127.0.0.1:" + QByteArray::number(ClosedPort());
  qputenv("http_proxy", deadProxy);
  ASSERT_NO_FATAL_FAILURE(start({{"Proxied", "http://" + server.Url("/p"),
                                  "user:pass@127.0.0.1:" + QString::number(proxy.Port())},
                                 {"Direct", "http://" + server.Url("/p"), "none"}}));
  click(1);
  const auto playing = [this] { return status() == QStringLiteral("Playing Radio with MP3 Stream."); };
  const bool proxied = waitFor(playing);
  click(2);
  const bool direct = waitFor([&] { return server.Requests().size() == 2 && playing(); });
  qunsetenv("http_proxy");
  ASSERT_TRUE(proxied) << status().toStdString();
  ASSERT_TRUE(direct) << status().toStdString();
  const QByteArray viaProxy = server.Requests().at(0).Raw;
  EXPECT_TRUE(viaProxy.contains("Via:")) << viaProxy.constData();
  EXPECT_TRUE(viaProxy.contains("User-Agent: Tavelo/1.0.14")) << viaProxy.constData();
  EXPECT_TRUE(viaProxy.contains("Icy-MetaData: 1")) << viaProxy.constData();
  EXPECT_FALSE(server.Requests().at(1).Raw.contains("Via:"));
}

}  // namespace
