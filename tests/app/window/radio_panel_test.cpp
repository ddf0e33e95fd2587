// The radio panel's own controls on a real window: pause and resume, the play time and caption
// of the main timer's radio duty, and the title label's click and hover.
#include "app/glyphs.h"
#include "app/tags.h"
#include "audio_files.h"
#include "engine/engine.h"
#include "radio_fixture.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTest>

using namespace tavelo;

namespace {

// A station chosen (its open fails: nobody listens) and a local tone playing as its stream.
class RadioPanel : public RadioFixture {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(start({{}, {}, {"Three", "http://127.0.0.1:" + QString::number(ClosedPort()) + "/", "none"}}));
    click(3);
    ASSERT_TRUE(waitFor([this] { return status().startsWith(QStringLiteral("Not playing.")); }));
    const std::string wav = media_.file("station.wav");
    tavelo::test::writeWav(wav, 44100, 2, 44100 * 20, tavelo::test::sine(440, 44100));
    form().radioMode().setStream(StreamHandle(BASS_StreamCreateFile(0, wav.c_str(), 0, 0, 0)));
    ASSERT_TRUE(BASS_ChannelPlay(form().radioMode().stream(), 0));
    form().Timer1->setTag(0);
  }

  void hover(QEvent::Type type) {
    QEvent event(type);
    QCoreApplication::sendEvent(form().Label4, &event);
  }

  tavelo::test::TempDir media_;
};

TEST_F(RadioPanel, PauseAndResumeSwitchTheButtonAndHoldTheDisplay) {
  form().BnetRadioPause->click();
  EXPECT_EQ(tagOf(form().BnetRadioPause), 1);
  EXPECT_EQ(glyphOf(form().BnetRadioPause), QStringLiteral("4"));
  EXPECT_EQ(form().BnetRadioPause->toolTip(), QStringLiteral("Play Current Radio (Space)"));
  EXPECT_EQ(BASS_ChannelIsActive(form().radioMode().stream()), DWORD(BASS_ACTIVE_PAUSED));
  form().Label1->setText(QStringLiteral("held"));
  tick(10);
  EXPECT_EQ(form().Label1->text(), QStringLiteral("held")) << "the radio duty waits while paused";

  form().BnetRadioPause->click();
  EXPECT_EQ(tagOf(form().BnetRadioPause), 0);
  EXPECT_EQ(glyphOf(form().BnetRadioPause), QStringLiteral(";"));
  EXPECT_EQ(form().BnetRadioPause->toolTip(), QStringLiteral("Pause Current Radio (Space)"));
  EXPECT_EQ(BASS_ChannelIsActive(form().radioMode().stream()), DWORD(BASS_ACTIVE_PLAYING));
}

TEST_F(RadioPanel, TimerShowsPlayTimeCaptionAndInformationLine) {
  const struct {
    int ticks;
    const char* title;
    const char* time;
    const char* caption;
  } cases[] = {
      {0, "", "03   00:00", "Radio Station - Three"},
      {300, "No META Data", "03   01:00", "Radio Station - Three"},
      {5 * 61, "Artist - Song", "03   01:01", "Artist - Song"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.time);
    form().Timer1->setTag(c.ticks - 1);
    form().Label4->setText(QLatin1String(c.title));
    tick();
    EXPECT_EQ(form().Label1->text(), QLatin1String(c.time));
    EXPECT_EQ(form().windowTitle(), QLatin1String(c.caption));
    EXPECT_EQ(form().TrayIcon1->toolTip(), QLatin1String(c.caption));
  }
  form().Label34->show();
  form().Timer1->setTag(19);
  tick();
  EXPECT_EQ(form().Label34->text(), QStringLiteral("Bits/Sample=16 Freq=44100 Hz\nChannels=2  BitRate=---- kbps"))
      << "every 10 ticks while shown";
}

TEST_F(RadioPanel, TitleClickCopiesItAndHoverMarksIt) {
  QGuiApplication::clipboard()->setText(QStringLiteral("before"));
  form().Label4->clear();
  QTest::mouseClick(form().Label4, Qt::LeftButton);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("before")) << "an empty title copies nothing";
  hover(QEvent::Enter);
  EXPECT_EQ(form().Label4->cursor().shape(), Qt::ArrowCursor);

  form().Label4->setText(QStringLiteral("Artist - Song"));
  QTest::mouseClick(form().Label4, Qt::LeftButton);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("Artist - Song"));
  hover(QEvent::Enter);
  EXPECT_EQ(form().Label4->cursor().shape(), Qt::PointingHandCursor);
  EXPECT_TRUE(form().Label4->styleSheet().contains(QStringLiteral("blue")));
  hover(QEvent::Leave);
  EXPECT_TRUE(form().Label4->styleSheet().contains(QStringLiteral("black")));
}

}  // namespace
