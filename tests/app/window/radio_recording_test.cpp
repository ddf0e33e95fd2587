// Radio recordings on a real window, a scripted server and the real encoders: each format lasts
// the time recorded, a dying encoder ends the recording with its reason, a name taken meanwhile
// is never replaced.
#include "app/glyphs.h"
#include "audio_files.h"
#include "radio_fixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace tavelo;

namespace {

using RadioRecording = RadioFixture;

// Seconds of sound in a file, as ffmpeg decodes it (Ogg through oggdec, which trims to granules).
double decodedSeconds(const QString& file) {
  tavelo::test::TempDir dir;
  const std::string wav = dir.file("decoded.wav");
  const std::string in = file.toStdString();
  const std::string command = file.endsWith(QLatin1String(".ogg"))
                                  ? "oggdec -Q -o '" + wav + "' '" + in + "'"
                                  : "ffmpeg -v error -y -i '" + in + "' -c:a pcm_s16le '" + wav + "'";
  if (!tavelo::test::run(command)) return -1;
  const tavelo::test::WavData data = tavelo::test::readWav(wav);
  return data.channels > 0 ? double(data.samples.size()) / data.channels / data.rate : -1;
}

TEST_F(RadioRecording, EachFormatLastsTheTimeRecorded) {
  const QByteArray audio = mp3(30);
  ScriptedHttpServer server({{"/mp3", {Send("HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\n\r\n"),
                                       Send(bytesAsText(audio)), Hold()}}});
  ASSERT_NO_FATAL_FAILURE(start({{"Enc FM", "http://" + server.Url("/mp3"), "none", true}}));
  click(1);
  ASSERT_TRUE(waitFor([this] { return form().radioMode().stream() != 0; })) << status().toStdString();
  const struct {
    int format;
    const char* extension;
  } formats[] = {{0, ".mp3"}, {1, ".aac"}, {2, ".ogg"}, {3, ".flac"}, {5, ".wv"}, {6, ".wav"}};
  const QDir station(folder.path() + QStringLiteral("Record/Enc FM"));
  for (const auto& f : formats) {
    SCOPED_TRACE(f.extension);
    form().Stored.radioFormat = f.format;
    form().BNetRadioRec->click();
    ASSERT_TRUE(form().radioMode().recordRunning()) << dialogs().messages.join('|').toStdString();
    QElapsedTimer recorded;
    recorded.start();
    QTest::qWait(2000);
    const double seconds = recorded.elapsed() / 1000.0;
    form().BNetRadioRec->click();
    EXPECT_FALSE(form().radioMode().recordRunning());
    const QString file = station.filePath(QStringLiteral("Track") + f.extension);
    ASSERT_TRUE(waitFor([&] { return QFile::exists(file); })) << station.entryList().join(' ').toStdString();
    EXPECT_NEAR(decodedSeconds(file), seconds, 0.5);
  }
  EXPECT_TRUE(station.entryList({QStringLiteral("*.part")}).isEmpty());
  EXPECT_TRUE(dialogs().messages.isEmpty()) << dialogs().messages.join('|').toStdString();
}

TEST_F(RadioRecording, ADyingEncoderEndsTheRecordingWithItsReason) {
  const QByteArray audio = mp3(10);
  ScriptedHttpServer server({{"/mp3", {Send("HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\n\r\n"),
                                       Send(bytesAsText(audio)), Hold()}}});
  ASSERT_NO_FATAL_FAILURE(start({{"Enc", "http://" + server.Url("/mp3"), "none", true}}));
  // A "lame" in the program folder comes before the system's: this one gives up after a moment.
  folder.write(QStringLiteral("lame"), "#!/bin/sh\nhead -c 20000 >/dev/null\necho 'lame: out of luck' >&2\nexit 1\n");
  QFile::setPermissions(folder.path() + QStringLiteral("lame"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  form().Stored.radioFormat = 0;
  click(1);
  ASSERT_TRUE(waitFor([this] { return form().radioMode().stream() != 0; }));
  form().BNetRadioRec->click();
  ASSERT_TRUE(form().radioMode().recordRunning());
  ASSERT_TRUE(waitFor([this] {
    tick();
    return !form().radioMode().recordRunning();
  }));
  EXPECT_FALSE(form().Label17->isVisible());
  EXPECT_EQ(glyphOf(form().BNetRadioRec), QStringLiteral("="));
  ASSERT_TRUE(waitFor([this] { return !dialogs().messages.isEmpty(); }));
  EXPECT_EQ(dialogs().messages, QStringList{"Recording stopped: exit status 1: lame: out of luck"});
  const QDir station(folder.path() + QStringLiteral("Record/Enc"));
  EXPECT_TRUE(station.entryList(QDir::Files).isEmpty()) << "an empty recording leaves no file";
}

TEST_F(RadioRecording, ANameTakenDuringTheRecordingGetsTheNextNumber) {
  const QByteArray audio = mp3(8);
  ScriptedHttpServer server({{"/mp3", {Send("HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\n\r\n"),
                                       Send(bytesAsText(audio)), Hold()}}});
  ASSERT_NO_FATAL_FAILURE(start({{"../../x", "http://" + server.Url("/mp3"), "none"}}));
  click(1);
  ASSERT_TRUE(waitFor([this] { return form().radioMode().stream() != 0; }));
  form().BNetRadioRec->click();  // raw: the stream is MP3
  ASSERT_TRUE(form().radioMode().recordRunning());
  const QDir station(folder.path() + QStringLiteral("Record/.._.._x"));
  ASSERT_TRUE(waitFor([&] { return QFileInfo(station.filePath("Track.mp3.part")).size() > 0; }));
  QFile other(station.filePath(QStringLiteral("Track.mp3")));
  ASSERT_TRUE(other.open(QIODevice::WriteOnly));
  other.write("someone else's");
  other.close();
  form().BNetRadioRec->click();
  EXPECT_FALSE(form().radioMode().recordRunning());
  EXPECT_EQ(folder.read(QStringLiteral("Record/.._.._x/Track.mp3")), QByteArray("someone else's"));
  EXPECT_GT(QFileInfo(station.filePath(QStringLiteral("Track001.mp3"))).size(), 0);
  EXPECT_FALSE(QFileInfo::exists(folder.path() + QStringLiteral("x"))) << "nothing outside the record folder";
}

// The raw recording is the station's sound as sent, without its ICY blocks, in one run across a
// title change; it is named after the title shown when it started.
TEST_F(RadioRecording, ARawRecordingIsOneRunOfTheSentSoundAcrossATitleChange) {
  constexpr int kMetaint = 8192;
  const QByteArray audio = mp3(16);
  QStringList meta(20);
  meta[0] = QStringLiteral("StreamTitle='AC/DC: One!';");
  meta << QStringLiteral("StreamTitle='Two';");
  ScriptedHttpServer server({{"/live", {Send(icyHead(kMetaint)), paced(audio, kMetaint, meta, 32000), Hold()}}});
  ASSERT_NO_FATAL_FAILURE(start({{"Live", "http://" + server.Url("/live"), "none"}}));
  click(1);
  ASSERT_TRUE(waitFor([this] { return form().Label4->text() == QStringLiteral("AC/DC: One!"); }));
  form().BNetRadioRec->click();
  ASSERT_TRUE(form().radioMode().recordRunning());
  ASSERT_TRUE(waitFor([this] { return form().Label4->text() == QStringLiteral("Two"); }, 20000));
  QTest::qWait(500);
  form().BNetRadioRec->click();
  QFile recorded(folder.path() + QStringLiteral("Record/Live/ACDC One.mp3"));
  ASSERT_TRUE(recorded.open(QIODevice::ReadOnly)) << QDir(folder.path() + "Record/Live").entryList().join(' ').toStdString();
  const QByteArray bytes = recorded.readAll();
  ASSERT_GT(bytes.size(), 20 * kMetaint / 2);
  const qsizetype from = audio.indexOf(bytes.first(4096));
  ASSERT_GE(from, 0) << "the recording starts with sent sound";
  EXPECT_EQ(audio.mid(from, bytes.size()), bytes) << "one contiguous run, no metadata inside";
}

}  // namespace
