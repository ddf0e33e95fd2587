// The Audio Files mode driven without the form: its controls on a bare widget, a small window
// stand-in, real WAVE files played on the engine's silent device.
#include "app/audio_files_mode.h"
#include "recording_dialogs.h"
#include "audio_files.h"
#include "engine/engine.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QThread>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

using namespace tavelo;

namespace {

class WindowStandIn : public ModeWindow {
 public:
  void SetCaption(const QString& text) override { caption = text; }
  void FitWindowToList() override {}
  Dialogs& dialogs() override { return recorded; }
  QWidget* dialogParent() override { return nullptr; }
  bool IsStopped() const override { return stopped; }
  void SetStopped(bool value) override { stopped = value; }
  FileDialogSettings& OpenDialog() override { return openDialog; }
  PlayableExtensions Playable() const override { return PlayableExtensions(QStringLiteral("*.wav;")); }
  QString SoundFontList() const override { return {}; }
  bool SampleFloat() const override { return false; }

  QString caption;
  bool stopped = true;
  RecordingDialogs recorded;
  FileDialogSettings openDialog;
};

class AudioFilesModeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(BASS_Init(0, 44100, 0, nullptr, nullptr));
    for (const char* name : {"a.wav", "b.wav", "c.wav"}) {
      const std::string path = media_.file(name);
      tavelo::test::writeWav(path, 8000, 1, 8000 * kSeconds, tavelo::test::sine(440, 8000));
      paths_ << QString::fromStdString(path);
    }
    controls_ = {new QListWidget(&root_), new ValueBar(&root_), new ValueBar(&root_), new ValueBar(&root_),
                 new QLabel(&root_),      new QLabel(&root_),   new QLabel(&root_),   new QLabel(&root_),
                 new QFrame(&root_),      new QPushButton(&root_), new QPushButton(&root_), new QPushButton(&root_),
                 new QPushButton(&root_), new QPushButton(&root_), new QPushButton(&root_), new QPushButton(&root_),
                 new QCheckBox(&root_),   new QCheckBox(&root_), new QMenu(&root_),
                 new TickTimer(&root_)};
    controls_.PB1->resize(400, 10);
    mode_ = std::make_unique<AudioFilesMode>(controls_, window_, events_);
    mode_->enter();
    mode_->openDroppedFiles(paths_);
    ASSERT_NE(mode_->stream(), 0u);
  }
  void TearDown() override {
    mode_.reset();
    BASS_Free();
  }

  double positionSeconds() const {
    return BASS_ChannelBytes2Seconds(mode_->stream(), BASS_ChannelGetPosition(mode_->stream(), BASS_POS_BYTE));
  }

  static constexpr int kSeconds = 4;
  tavelo::test::TempDir media_;
  QStringList paths_;
  QWidget root_;
  ModeControls controls_{};
  WindowStandIn window_;
  EngineEvents events_;
  std::unique_ptr<AudioFilesMode> mode_;
};

enum class Step { Play, Pause, Stop, Next, Prev };

struct TransportCase {
  const char* name;
  std::vector<Step> steps;
  int track;
  DWORD state;  // BASS_ChannelIsActive of the mode's stream
  bool paused;
  const char* caption;
};

const TransportCase kTransportCases[] = {
    {"OpeningPlaysTheChosenFile", {}, 0, BASS_ACTIVE_PLAYING, false, "Play a.wav"},
    {"PauseHoldsTheStream", {Step::Pause}, 0, BASS_ACTIVE_PAUSED, true, "Pause a.wav"},
    {"PauseAgainResumes", {Step::Pause, Step::Pause}, 0, BASS_ACTIVE_PLAYING, false, "Play a.wav"},
    {"PlayResumesAPause", {Step::Pause, Step::Play}, 0, BASS_ACTIVE_PLAYING, false, "Play a.wav"},
    {"StopFreesTheStream", {Step::Stop}, 0, BASS_ACTIVE_STOPPED, false, "AF - Stop a.wav"},
    {"PlayAfterStopStartsTheSelectedEntry", {Step::Stop, Step::Play}, 0, BASS_ACTIVE_PLAYING, false, "Play a.wav"},
    {"NextPlaysTheFollowingEntry", {Step::Next}, 1, BASS_ACTIVE_PLAYING, false, "Play b.wav"},
    {"PrevAtTheFirstEntryStartsItAgain", {Step::Prev}, 0, BASS_ACTIVE_PLAYING, false, "Play a.wav"},
    {"NextAtTheLastEntryStartsItAgain", {Step::Next, Step::Next, Step::Next}, 2, BASS_ACTIVE_PLAYING, false,
     "Play c.wav"},
    {"PrevFromTheLastEntryPlaysTheOneBefore", {Step::Next, Step::Next, Step::Prev}, 1, BASS_ACTIVE_PLAYING, false,
     "Play b.wav"},
    {"NextWhilePausedPlaysTheFollowingEntry", {Step::Pause, Step::Next}, 1, BASS_ACTIVE_PLAYING, false,
     "Play b.wav"},
};

class ModeTransport : public AudioFilesModeTest, public ::testing::WithParamInterface<TransportCase> {};

TEST_P(ModeTransport, StepsLeaveTheModeInItsState) {
  const TransportCase& c = GetParam();
  for (const Step step : c.steps) {
    switch (step) {
      case Step::Play: mode_->play(); break;
      case Step::Pause: mode_->pause(); break;
      case Step::Stop: mode_->stop(); break;
      case Step::Next: mode_->next(); break;
      case Step::Prev: mode_->prev(); break;
    }
  }
  EXPECT_EQ(mode_->currentTrack(), c.track);
  EXPECT_EQ(controls_.ListBox1->currentRow(), c.track);
  EXPECT_EQ(BASS_ChannelIsActive(mode_->stream()), c.state);
  EXPECT_EQ(mode_->paused(), c.paused);
  EXPECT_EQ(window_.stopped, c.state == BASS_ACTIVE_STOPPED);
  EXPECT_EQ(window_.caption, QString::fromLatin1(c.caption));
}

INSTANTIATE_TEST_SUITE_P(AudioFilesMode, ModeTransport, ::testing::ValuesIn(kTransportCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(AudioFilesModeTest, SeekLandsWhereTheBarWasClicked) {
  mode_->seek(300);  // three quarters of a 400-pixel bar
  EXPECT_NEAR(positionSeconds(), 0.75 * kSeconds, 0.1);
  EXPECT_EQ(controls_.PB1->value(), 75);
  mode_->seek(1000);  // past the bar's end: its end
  EXPECT_NEAR(positionSeconds(), kSeconds, 0.1);
}

TEST_F(AudioFilesModeTest, EndOfAFileReachesTheWindowThreadAndTheNextEntryPlays) {
  const DWORD first = mode_->stream();
  Qt::HANDLE reportedOn = nullptr;
  QObject::connect(&events_, &EngineEvents::streamEnded, [&](DWORD channel) {
    if (channel == first) reportedOn = QThread::currentThreadId();
  });
  mode_->seek(399);
  QElapsedTimer clock;
  clock.start();
  while (mode_->currentTrack() == 0 && clock.elapsed() < 10000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  EXPECT_EQ(reportedOn, QThread::currentThreadId());
  EXPECT_EQ(mode_->currentTrack(), 1);
  EXPECT_NE(mode_->stream(), first);
  EXPECT_EQ(window_.caption, "Play b.wav");
}

}  // namespace
