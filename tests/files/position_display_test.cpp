#include "files_test_support.h"
#include "files/position_display.h"

using namespace tavelo;

namespace {

TEST(BarClickSeek, PositionAndSecond) {
  const struct {
    int x, width, length, cueStart;
    BarSeek expected;
  } cases[] = {
      {390, 391, 300, 0, {99, 297}},    // the last pixel of the bar
      {0, 391, 300, 0, {0, 0}},
      {196, 391, 300, 0, {50, 150}},
      {196, 391, 300, 195, {50, 345}},  // a CUE track starts 195 s into the file
      {500, 391, 300, 0, {100, 300}},   // released right of the bar
      {-20, 391, 300, 0, {0, 0}},       // released left of it
      {10, 0, 300, 0, {0, 0}},          // a bar not laid out yet
  };
  for (const auto& c : cases) {
    const BarSeek seek = barClickSeek(c.x, c.width, c.length, c.cueStart);
    EXPECT_EQ(seek.position, c.expected.position) << "x=" << c.x;
    EXPECT_EQ(seek.seconds, c.expected.seconds) << "x=" << c.x;
  }
}

TEST(BarHoverTime, TextAndLabelPlace) {
  const struct {
    int x;
    int expectedLeft;
    const char* expectedText;
  } cases[] = {{10, 14, "00:07"}, {358, 362, "04:34"}, {363, 362, "04:38"}, {390, 362, "04:59"}};
  for (const auto& c : cases) {
    const HoverTime hover = barHoverTime(c.x, 391, 300, 400);
    EXPECT_EQ(hover.labelLeft, c.expectedLeft) << "x=" << c.x;
    EXPECT_EQ(hover.text, QString::fromLatin1(c.expectedText)) << "x=" << c.x;
  }
}

TEST(TimeDisplay, Label1AndLabel9Texts) {
  EXPECT_EQ(timeDisplayText(3, 65, 300, TimeDisplay::Elapsed), QStringLiteral("03   01:05"));
  EXPECT_EQ(timeDisplayText(3, 65, 300, TimeDisplay::TrackLength), QStringLiteral("03   05:00"));
  EXPECT_EQ(timeDisplayText(123, 3725, 0, TimeDisplay::Elapsed), QStringLiteral("123   62:05"));
  EXPECT_EQ(stoppedTimeDisplayText(0), QStringLiteral("00   00:00"));
  EXPECT_EQ(stoppedTimeDisplayText(5), QStringLiteral("01   00:00"));
  EXPECT_EQ(toggledTimeDisplay(TimeDisplay::Elapsed), TimeDisplay::TrackLength);
  EXPECT_EQ(toggledTimeDisplay(TimeDisplay::TrackLength), TimeDisplay::Elapsed);
  EXPECT_EQ(shownTrackNumber(0, false), 1);
  EXPECT_EQ(shownTrackNumber(2, true), 2);
  EXPECT_EQ(timeScaleText(301), QStringLiteral("00:00") + QString(21, ' ') + "01:15" + QString(22, ' ') + "02:30" +
                                    QString(22, ' ') + "03:45" + QString(20, ' ') + "05:01");
}

TEST(Position, ElapsedAndBarValue) {
  EXPECT_EQ(elapsedSeconds(200.6, 195), 6);
  EXPECT_EQ(elapsedSeconds(12.4, 0), 12);
  EXPECT_EQ(roundedSeconds(-1), 0);
  EXPECT_EQ(roundedSeconds(std::nan("")), 0);
  EXPECT_EQ(positionBarValue(150, 300), 50);
  EXPECT_EQ(positionBarValue(1, 3), 33);
  EXPECT_EQ(positionBarValue(196, 195), 100);  // the tick before a CUE boundary is crossed
  EXPECT_EQ(positionBarValue(10, 0), std::nullopt);
}

quint32 levelWord(quint32 left, quint32 right) { return left | (right << 16); }

TEST(LevelMeter, PeakHoldAndFallOff) {
  LevelMeter meter;
  meter.update(true, levelWord(32768, 32768));
  EXPECT_EQ(meter.leftBar(), 100);
  EXPECT_EQ(meter.rightBar(), 100);

  meter.update(true, levelWord(0, 20000));  // both fall by 1500: neither level is louder
  EXPECT_EQ(meter.leftPeak(), 31268);
  EXPECT_EQ(meter.rightPeak(), 31268);
  meter.update(true, levelWord(31000, 0));
  EXPECT_EQ(meter.leftPeak(), 31000);
  EXPECT_EQ(meter.rightPeak(), 29768);

  meter.reset();
  meter.update(true, levelWord(1000, 0));
  meter.update(true, 0);
  EXPECT_EQ(meter.leftPeak(), 0);  // 1500 or less falls to 0

  meter.update(true, levelWord(16000, 16000));
  meter.update(false, levelWord(16000, 16000));  // stopped or paused
  EXPECT_EQ(meter.leftBar(), 0);
  EXPECT_EQ(meter.rightBar(), 0);

  meter.update(true, 0xFFFFFFFFu);  // the engine had no level
  EXPECT_EQ(meter.leftPeak(), 0);
  meter.update(true, levelWord(65535, 40000));
  EXPECT_EQ(meter.leftBar(), 100);
}

TEST(StreamInfoText, BitRateFromFileReadPosition) {
  BitRateMeter bitRate;
  const StreamInfo first{0, 2, 44100.7f, 100000};
  EXPECT_EQ(StreamInfoText(first, bitRate),
            QStringLiteral("Bits/Sample=16 Freq=44100 Hz\nChannels=2  BitRate=---- kbps"));
  const StreamInfo twoSecondsLater{0, 2, 44100.f, 132000};
  EXPECT_EQ(StreamInfoText(twoSecondsLater, bitRate),
            QStringLiteral("Bits/Sample=16 Freq=44100 Hz\nChannels=2  BitRate=125 kbps"));

  EXPECT_TRUE(StreamInfoText({0x100, 1, 48000.f, 10000}, bitRate).contains("Bits/Sample=32 Freq=48000 Hz"));
  EXPECT_TRUE(StreamInfoText({0x101, 6, 8000.f, 10000}, bitRate).startsWith("Bits/Sample=8 "));

  EXPECT_EQ(bitRate.kbps(9000), -1);  // a seek backwards
  EXPECT_EQ(bitRate.kbps(9000 + 2559999), -1);  // 10000 kbps or more cannot be right
  EXPECT_EQ(bitRate.kbps(9000 + 2559999 + 2559744), 9999);
  bitRate.restart();
  EXPECT_EQ(bitRate.kbps(9000000), -1);
  EXPECT_EQ(bitRate.kbps(9000000 + 64000), 250);
}

}  // namespace
