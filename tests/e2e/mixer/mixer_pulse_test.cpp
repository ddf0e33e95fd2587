// The volume slider against a real sound server: what it writes, what it follows, what it leaves
// behind. pactl makes the outside changes and reads the server's own figures.
#include "audio_files.h"
#include "program_folder.h"
#include "pulse_control.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSlider>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <functional>

namespace {

constexpr int kRate = 44100;

// The first channel's dB as pactl prints it ("-6.00"), or the whole output when it has none.
QString decibelsIn(const QString& volumeLine) {
  const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("(-?[0-9.]+|-inf) dB")).match(volumeLine);
  return match.hasMatch() ? match.captured(1) : volumeLine;
}

QString sinkDecibels(const QString& sink) { return decibelsIn(pactl({"get-sink-volume", sink})); }
bool sinkMuted(const QString& sink) { return pactl({"get-sink-mute", sink}).contains(QStringLiteral("yes")); }

QString sinkIndex(const QString& sink) {
  for (const QString& line : pactl({"list", "short", "sinks"}).split(QLatin1Char('\n'))) {
    const QStringList fields = line.split(QLatin1Char('\t'));
    if (fields.size() > 1 && fields[1] == sink) return fields[0];
  }
  return {};
}

// This process's playback stream as the server lists it.
struct OwnStream {
  bool found = false;
  QString index;
  QString sink;
  QString decibels;
};

OwnStream ownStream(qint64 pid = getpid()) {
  const QString pidProperty = QStringLiteral("application.process.id = \"%1\"").arg(pid);
  for (const QString& block : pactl({"list", "sink-inputs"}).split(QStringLiteral("Sink Input #"))) {
    if (!block.contains(pidProperty)) continue;
    const QString sink = QRegularExpression(QStringLiteral("\\n\\s*Sink: (\\d+)")).match(block).captured(1);
    const QString volume = QRegularExpression(QStringLiteral("\\n\\s*Volume: ([^\\n]*)")).match(block).captured(1);
    return {true, block.section(QLatin1Char('\n'), 0, 0).trimmed(), sink, decibelsIn(volume)};
  }
  return {};
}

void runEventsFor(int ms) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

// What a pipe sink played, mono, from its loading to its unloading. The sink keeps real time
// and applies its volume like any other sink.
class PipeRecording {
 public:
  PipeRecording() {
    module_ = pactl({"load-module", "module-pipe-sink", "sink_name=pipesink", "file=" + fifo_.filePath("sink"),
                     "format=s16le", "rate=44100", "channels=1", "use_system_clock_for_timing=yes"})
                  .trimmed();
    reader_.start(QStringLiteral("cat"), {fifo_.filePath("sink")});
    reader_.waitForStarted();
  }
  ~PipeRecording() { stop(); }
  bool ready() const { return !module_.isEmpty(); }
  // Unloads the sink, which ends its pipe and with it the reader.
  std::vector<double> stop() {
    if (reader_.state() != QProcess::NotRunning) {
      pactl({"unload-module", module_});
      reader_.waitForFinished(5000);
      const QByteArray bytes = reader_.readAllStandardOutput();
      for (qsizetype i = 0; i + 1 < bytes.size(); i += 2)
        samples_.push_back(qint16(quint8(bytes[i]) | quint8(bytes[i + 1]) << 8) / 32768.0);
    }
    return samples_;
  }

 private:
  QTemporaryDir fifo_;
  QString module_;
  QProcess reader_;
  std::vector<double> samples_;
};

// The RMS of each 50 ms stretch that is not silent.
std::vector<double> soundingLevels(const std::vector<double>& samples) {
  constexpr std::size_t kBlock = kRate / 20;
  std::vector<double> levels;
  for (std::size_t at = 0; at + kBlock <= samples.size(); at += kBlock) {
    double sum = 0;
    for (std::size_t i = at; i < at + kBlock; ++i) sum += samples[i] * samples[i];
    const double rms = std::sqrt(sum / kBlock);
    if (rms > 1e-3) levels.push_back(rms);
  }
  return levels;
}

double median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::nth_element(values.begin(), values.begin() + std::ptrdiff_t(values.size() / 2), values.end());
  return values[values.size() / 2];
}

class MixerOnPulse : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(music_.isValid());
    pactl({"set-sink-volume", "nullsink", "100%"});
    pactl({"set-sink-mute", "nullsink", "0"});
  }

  // Settings.ini with the volume slider's position and the mixer number.
  void writeSettings(int position, int mixerId = 0) {
    folder_.write("Settings.ini",
                  crlfLines({"/rec", QString::number(position), folder_.path() + "RLists/Tavelo.rls", "", "1", "0", "",
                             "", QString::number(mixerId)}));
  }

  QString tone(double seconds = 8) {
    const QString path = music_.filePath(QStringLiteral("tone.wav"));
    tavelo::test::writeWav(path.toStdString(), kRate, 2, std::int64_t(seconds * kRate), tavelo::test::sine(440, kRate));
    return path;
  }

  void play(StartedForm& form, const QString& path) {
    form.dialogs.chosenFiles.enqueue({path});
    form->ButtonOpen->click();
  }

  ProgramFolder folder_;
  QTemporaryDir music_;
};

TEST_F(MixerOnPulse, TheSliderSetsTheSinkAndOurStreamSitsTwoDecibelsBelowIt) {
  writeSettings(48);
  StartedForm form(folder_);
  ASSERT_TRUE(form.create());
  EXPECT_EQ(form->AudioMixer1->MixerId(), 0);
  EXPECT_EQ(form->AudioMixer1->ProductName(), "NullSink");
  EXPECT_TRUE(waitFor([] { return sinkDecibels("nullsink") == "-12.00"; })) << sinkDecibels("nullsink").toStdString();
  EXPECT_EQ(form->Label16->text(), "-12 dB");
  play(form, tone());
  EXPECT_TRUE(waitFor([] { return ownStream().decibels == "-2.01"; })) << ownStream().decibels.toStdString();
  const struct {
    int position;
    const char* decibels;
  } cases[] = {{60, "0.00"}, {59, "-1.00"}, {54, "-6.00"}, {1, "-59.06"}, {0, "-inf"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.position);
    form->TrackBar1->setValue(c.position);
    EXPECT_TRUE(waitFor([&] { return sinkDecibels("nullsink") == c.decibels; })) << sinkDecibels("nullsink").toStdString();
    runEventsFor(200);  // the server's answer comes back and leaves the slider alone
    EXPECT_EQ(form->TrackBar1->value(), c.position);
  }
  EXPECT_EQ(ownStream().decibels, "-2.01");
}

// A tone played at 60, then at 48: what the sink played is 12 dB quieter in its second part.
TEST_F(MixerOnPulse, TwelveStepsDownAreHeardTwelveDecibelsQuieter) {
  PipeRecording recording;
  ASSERT_TRUE(recording.ready());
  pactl({"set-default-sink", "pipesink"});
  pactl({"set-sink-volume", "pipesink", "100%"});
  writeSettings(60);
  {
    StartedForm form(folder_);
    ASSERT_TRUE(form.create());
    ASSERT_EQ(form->AudioMixer1->ProductNameOf(0), form->AudioMixer1->ProductName());
    play(form, tone(6));
    runEventsFor(3000);
    form->TrackBar1->setValue(48);
    EXPECT_TRUE(waitFor([] { return sinkDecibels("pipesink") == "-12.00"; }));
    EXPECT_TRUE(waitFor([&] { return form->Stopped; }, 10000));
    runEventsFor(1000);  // what the server still held has played
  }
  pactl({"set-default-sink", "nullsink"});
  const std::vector<double> levels = soundingLevels(recording.stop());
  ASSERT_GT(levels.size(), 80u) << "about 6 s of sound";
  const std::size_t fifth = levels.size() / 5;
  const double loud = median({levels.begin() + std::ptrdiff_t(fifth), levels.begin() + std::ptrdiff_t(2 * fifth)});
  const double quiet = median({levels.end() - std::ptrdiff_t(2 * fifth), levels.end() - std::ptrdiff_t(fifth)});
  std::printf("heard: %.2f dB from 60 to 48, the stream at %.2f dB of the file\n", 20 * std::log10(quiet / loud),
              20 * std::log10(loud / (0.5 / std::sqrt(2.0))));
  EXPECT_NEAR(20 * std::log10(quiet / loud), -12.0, 0.5);
  EXPECT_NEAR(20 * std::log10(loud / (0.5 / std::sqrt(2.0))), -2.01, 0.3) << "our stream 2 dB below the sink";
}

TEST_F(MixerOnPulse, AnOutsideChangeMovesTheSliderAndOneWriteBackSettlesIt) {
  writeSettings(60);
  StartedForm form(folder_);
  ASSERT_TRUE(form.create());
  ASSERT_TRUE(waitFor([&] { return form->Label16->text() == " 0 dB"; }));
  runEventsFor(300);
  QProcess events;
  events.start(QStringLiteral("pactl"), {"subscribe"});
  ASSERT_TRUE(events.waitForStarted());
  runEventsFor(300);
  const QString nullsink = sinkIndex("nullsink");

  pactl({"set-sink-volume", "nullsink", "-6.79dB"});
  EXPECT_TRUE(waitFor([&] { return form->TrackBar1->value() == 54 && form->Label16->text() == "-6 dB"; }))
      << form->Label16->text().toStdString();
  runEventsFor(500);
  EXPECT_EQ(form->TrackBar1->value(), 54);
  EXPECT_EQ(sinkDecibels("nullsink"), "-6.00");
  events.kill();
  events.waitForFinished();
  const QString seen = QString::fromUtf8(events.readAllStandardOutput());
  EXPECT_EQ(seen.count(QStringLiteral("'change' on sink #%1\n").arg(nullsink)), 2) << seen.toStdString();
}

TEST_F(MixerOnPulse, AWriteBackLeavesTheMuteButTheUsersOwnMoveUnmutes) {
  writeSettings(60);
  StartedForm form(folder_);
  ASSERT_TRUE(form.create());
  ASSERT_TRUE(waitFor([&] { return form->Label16->text() == " 0 dB"; }));
  pactl({"set-sink-mute", "nullsink", "1"});
  pactl({"set-sink-volume", "nullsink", "-6.79dB"});
  ASSERT_TRUE(waitFor([&] { return form->TrackBar1->value() == 54 && sinkDecibels("nullsink") == "-6.00"; }));
  runEventsFor(300);
  EXPECT_TRUE(sinkMuted("nullsink")) << "the write-back un-muted the sink";

  form->TrackBar1->setValue(48);
  EXPECT_TRUE(waitFor([] { return !sinkMuted("nullsink") && sinkDecibels("nullsink") == "-12.00"; }));
}

TEST_F(MixerOnPulse, TheSecondSinkFromTheSettingsGetsTheSoundAndTheVolume) {
  const QString module =
      pactl({"load-module", "module-null-sink", "sink_name=second", "sink_properties=device.description=Second"})
          .trimmed();
  ASSERT_FALSE(module.isEmpty());
  pactl({"set-sink-volume", "second", "100%"});
  writeSettings(48, 1);
  {
    StartedForm form(folder_);
    ASSERT_TRUE(form.create());
    EXPECT_EQ(form->AudioMixer1->MixerId(), 1);
    EXPECT_EQ(form->AudioMixer1->ProductName(), "Second");
    play(form, tone());
    const QString second = sinkIndex("second");
    EXPECT_TRUE(waitFor([&] { return ownStream().sink == second; })) << ownStream().sink.toStdString();
    EXPECT_TRUE(waitFor([] { return sinkDecibels("second") == "-12.00"; }));
    EXPECT_EQ(sinkDecibels("nullsink"), "0.00");
  }
  EXPECT_EQ(sinkDecibels("second"), "0.00") << "put back at closing";
  pactl({"unload-module", module});
}

TEST_F(MixerOnPulse, AMixerNumberBeyondTheListTakesTheDefaultSink) {
  writeSettings(48, 7);
  StartedForm form(folder_);
  ASSERT_TRUE(form.create());
  EXPECT_EQ(form->AudioMixer1->MixerId(), 0);
  EXPECT_EQ(form->AudioMixer1->ProductName(), "NullSink");
  EXPECT_TRUE(waitFor([] { return sinkDecibels("nullsink") == "-12.00"; }));
}

// The sink unloaded while the player runs on it: our stream goes to the default sink and the
// slider with it; closing leaves that sink as the user set it, not with the lost sink's values.
TEST_F(MixerOnPulse, TheChosenSinkUnloadedHandsTheSliderToTheDefaultSink) {
  const QString module =
      pactl({"load-module", "module-null-sink", "sink_name=second", "sink_properties=device.description=Second"})
          .trimmed();
  ASSERT_FALSE(module.isEmpty());
  pactl({"set-sink-volume", "second", "-3.00dB"});
  writeSettings(48, 1);
  auto form = std::make_unique<StartedForm>(folder_);
  ASSERT_TRUE(form->create());
  play(*form, tone());
  ASSERT_TRUE(waitFor([] { return ownStream().found && sinkDecibels("second") == "-12.00"; }));
  pactl({"unload-module", module});
  EXPECT_TRUE(waitFor([&] { return (*form)->TrackBar1->value() == 60; })) << (*form)->TrackBar1->value();
  (*form)->TrackBar1->setValue(54);
  EXPECT_EQ((*form)->Label16->text(), "-6 dB");
  EXPECT_TRUE(waitFor([] { return sinkDecibels("nullsink") == "-6.00"; }));
  QElapsedTimer clock;
  clock.start();
  form.reset();
  EXPECT_LT(clock.elapsed(), 2000);
  EXPECT_EQ(sinkDecibels("nullsink"), "-6.00");
}

// Headphones plugged in or a volume control's choice: the slider goes with our stream, and
// closing still puts back the sink it found at start-up.
TEST_F(MixerOnPulse, TheSliderFollowsOurStreamToAnotherSink) {
  const QString module =
      pactl({"load-module", "module-null-sink", "sink_name=second", "sink_properties=device.description=Second"})
          .trimmed();
  ASSERT_FALSE(module.isEmpty());
  pactl({"set-sink-volume", "second", "-3.00dB"});
  pactl({"set-sink-volume", "nullsink", "-20.00dB"});
  writeSettings(48);
  {
    StartedForm form(folder_);
    ASSERT_TRUE(form.create());
    play(form, tone());
    ASSERT_TRUE(waitFor([] { return ownStream().found && sinkDecibels("nullsink") == "-12.00"; }));
    pactl({"move-sink-input", ownStream().index, "second"});
    EXPECT_TRUE(waitFor([&] { return form->TrackBar1->value() == 57; })) << form->TrackBar1->value();
    EXPECT_EQ(form->AudioMixer1->ProductName(), "Second");
    form->TrackBar1->setValue(54);
    EXPECT_TRUE(waitFor([] { return sinkDecibels("second") == "-6.00"; })) << sinkDecibels("second").toStdString();
    EXPECT_EQ(sinkDecibels("nullsink"), "-12.00");
  }
  EXPECT_EQ(sinkDecibels("nullsink"), "-20.00") << "put back at closing";
  pactl({"unload-module", module});
}

TEST_F(MixerOnPulse, NoStoredSettingsKeepTheSystemVolumeWithinADecibel) {
  pactl({"set-sink-volume", "nullsink", "-6.79dB"});
  StartedForm form(folder_);
  ASSERT_TRUE(form.create());
  EXPECT_EQ(form->TrackBar1->value(), 54);
  EXPECT_TRUE(waitFor([] { return sinkDecibels("nullsink") == "-6.00"; }));
}

// The real player, ended by SIGTERM as a session ends it: the sink is put back as it was found.
TEST_F(MixerOnPulse, TheSinkIsPutBackWhenThePlayerIsTerminated) {
  pactl({"set-sink-volume", "nullsink", "-20.00dB"});
  pactl({"set-sink-mute", "nullsink", "1"});
  const QString found = sinkDecibels("nullsink");
  writeSettings(48);
  ASSERT_TRUE(QFile::copy(QStringLiteral(TAVELO_EXECUTABLE), folder_.path() + "tavelo"));
  QFile::setPermissions(folder_.path() + "tavelo", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  QProcess player;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  player.setProcessEnvironment(environment);
  player.start(folder_.path() + "tavelo", {});
  ASSERT_TRUE(player.waitForStarted());
  EXPECT_TRUE(waitFor([] { return sinkDecibels("nullsink") == "-12.00"; }, 10000));
  EXPECT_FALSE(sinkMuted("nullsink"));
  ::kill(pid_t(player.processId()), SIGTERM);
  ASSERT_TRUE(player.waitForFinished(10000));
  EXPECT_EQ(sinkDecibels("nullsink"), found);
  EXPECT_TRUE(sinkMuted("nullsink"));
}

TEST(MixerServerGone, TheSliderStillMovesAndClosingStaysFast) {
  ProgramFolder folder;
  folder.write("Settings.ini", crlfLines({"/rec", "48"}));
  auto form = std::make_unique<StartedForm>(folder);
  ASSERT_TRUE(form->create());
  ASSERT_EQ((*form)->AudioMixer1->MixerId(), 0);
  QProcess::execute(QStringLiteral("pulseaudio"), {"--kill"});
  runEventsFor(1000);
  (*form)->TrackBar1->setValue(30);
  EXPECT_EQ((*form)->Label16->text(), "-30 dB");
  runEventsFor(300);
  EXPECT_EQ((*form)->TrackBar1->value(), 30);
  QElapsedTimer clock;
  clock.start();
  form.reset();
  EXPECT_LT(clock.elapsed(), 2000);
}

}  // namespace
