// A CD image played by the real window to a real sound server: the first track's tone, then the
// second's, each under its own caption, as a pipe sink that keeps real time heard them.
#include "cd_images.h"
#include "live_monitor.h"
#include "program_folder.h"

#include <QComboBox>
#include <QDir>
#include <QListWidget>

#include <algorithm>
#include <cmath>

namespace {

constexpr std::size_t kRate = 44100;
constexpr std::size_t kBlock = kRate / 100;  // 10 ms

// The first sample of the first 10 ms block louder than a tenth of full scale.
std::size_t firstSound(const std::vector<double>& samples) {
  for (std::size_t at = 0; at + kBlock <= samples.size(); at += kBlock) {
    double sum = 0;
    for (std::size_t i = at; i < at + kBlock; ++i) sum += samples[i] * samples[i];
    if (std::sqrt(sum / double(kBlock)) > 0.1) return at;
  }
  return samples.size();
}

// The three-song disc (440 Hz for 4 s, 660 Hz for 3 s, 880 Hz for 2 s) in "CD Images", the
// player starting in Audio CD mode at full volume.
void prepare(ProgramFolder& program) {
  const QString images = program.path() + QStringLiteral("CD Images");
  QDir().mkpath(images);
  tavelo::test::writeTocImage(images.toStdString(), "disc", tavelo::test::threeSongDisc());
  program.write("Settings.ini", crlfLines({program.path() + "Record", "60", "", " ", "1", "0", "0^4^", "", "0", "102",
                                           "0^0^0^0^0^", "15^15^15^15^15^15^15^", "/rip^0^4^", "^^^^0^0^^", "0^^^"}));
}

TEST(CdOnPulse, ATocImagePlaysItsFirstTrackThenTheSecondUnderTheirCaptions) {
  ProgramFolder program;
  prepare(program);
  LiveMonitor monitor;
  StartedForm form(program);
  ASSERT_TRUE(form.create());
  const int drive = form->CBCDdrives->findText(QStringLiteral("disc.toc"), Qt::MatchStartsWith);
  ASSERT_GE(drive, 0);
  form->CBCDdrives->setCurrentIndex(drive);
  form->cdMode().CBCDdrivesChange();
  QElapsedTimer clock;
  clock.start();
  while (form->ListBox1->count() == 0 && clock.elapsed() < 5000) LiveMonitor::runEventsFor(50);
  ASSERT_EQ(form->ListBox1->count(), 3) << "the disc's tracks listed";

  form->ButtonPlayClick();
  QStringList captions{form->windowTitle()};
  clock.restart();
  while (clock.elapsed() < 6000) {
    LiveMonitor::runEventsFor(20);
    if (form->windowTitle() != captions.last()) captions << form->windowTitle();
  }
  form->ButtonStopClick();
  LiveMonitor::runEventsFor(500);
  monitor.stop();

  EXPECT_EQ(captions.mid(0, 2), (QStringList{QStringLiteral("Play First Song (0:04)"),
                                             QStringLiteral("Play Zweites Lied \u00e9 (0:03)")}))
      << captions.join(QStringLiteral(" | ")).toStdString();
  const std::vector<double>& heard = monitor.samples();
  const std::size_t first = firstSound(heard);
  ASSERT_LT(first + 5 * kRate, heard.size()) << "five seconds of sound heard";
  EXPECT_NEAR(frequencyBetween(heard, first + kRate, first + 2 * kRate), 440, 5) << "the first track";
  EXPECT_NEAR(frequencyBetween(heard, first + 4 * kRate + kRate / 4, first + 5 * kRate), 660, 5) << "then the second";
}

}  // namespace
