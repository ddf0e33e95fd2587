#include "files_test_support.h"
#include "files/files_tick.h"

using namespace tavelo;

namespace {

const CueRecord kRecord{"/m/F.flac", {{"t1", 0}, {"t2", 195}, {"t3", 422}}};

FilesTick plainTick(double position, int index, int count) {
  FilesTick tick;
  tick.streamActive = true;
  tick.positionSeconds = position;
  tick.fileLengthSeconds = 300;
  tick.currentIndex = index;
  tick.itemCount = count;
  tick.trackLength = 300;
  return tick;
}

FilesTick cueTick(double position, int track, int trackLength) {
  FilesTick tick = plainTick(position, track, 4);
  tick.cue = &kRecord;
  tick.fileLengthSeconds = 500;
  tick.trackLength = trackLength;
  return tick;
}

TEST(FilesTick, PlainListDisplay) {
  FilesTickPlan plan = planFilesTick(plainTick(65.4, 2, 5));
  EXPECT_EQ(plan.elapsed, 65);
  EXPECT_EQ(plan.bar, 22);
  EXPECT_EQ(plan.timeText, QStringLiteral("03   01:05"));
  EXPECT_FALSE(plan.endOfStream);
  EXPECT_FALSE(plan.crossing);

  FilesTick lengthShown = plainTick(65.4, 2, 5);
  lengthShown.timeDisplay = TimeDisplay::TrackLength;
  EXPECT_EQ(planFilesTick(lengthShown).timeText, QStringLiteral("03   05:00"));
}

TEST(FilesTick, EndOfEntry) {
  const struct {
    const char* name;
    int index, count;
    bool repeat;
    bool playNext;
    int nextIndex;
  } cases[] = {
      {"next entry", 1, 3, false, true, 2},
      {"last entry stops", 2, 3, false, false, 0},
      {"last entry with repeat", 2, 3, true, true, 0},
      {"single entry with repeat", 0, 1, true, true, 0},
  };
  for (const auto& c : cases) {
    FilesTick tick = plainTick(300, c.index, c.count);
    tick.streamActive = false;
    tick.repeat = c.repeat;
    const FilesTickPlan plan = planFilesTick(tick);
    ASSERT_TRUE(plan.endOfStream) << c.name;
    EXPECT_EQ(plan.endOfStream->playNext, c.playNext) << c.name;
    EXPECT_EQ(plan.endOfStream->index, c.nextIndex) << c.name;
  }
}

TEST(FilesTick, CueElapsedCountsFromTheTrackStart) {
  const FilesTickPlan plan = planFilesTick(cueTick(200.2, 2, 227));
  EXPECT_EQ(plan.elapsed, 5);
  EXPECT_EQ(plan.timeText, QStringLiteral("02   00:05"));
  EXPECT_FALSE(plan.crossing);
}

TEST(FilesTick, CueEndWithRepeatStartsOverWithoutCrossing) {
  FilesTick tick = cueTick(500.4, 3, 78);
  tick.streamActive = false;
  tick.repeat = true;
  const FilesTickPlan plan = planFilesTick(tick);
  ASSERT_TRUE(plan.endOfStream);
  EXPECT_TRUE(plan.endOfStream->playNext);
  EXPECT_EQ(plan.endOfStream->index, 1);
  EXPECT_FALSE(plan.crossing);
}

// The file plays on through the boundary: ticks every 200 ms, the stream stays active, and
// the plan crosses into track 2 on the first tick whose elapsed time exceeds 195 s.
TEST(FilesTick, CueBoundaryCrossedOneTickAfterTheTrackEnds) {
  int track = 1;
  int trackLength = 195;
  std::vector<double> crossedAt;
  for (int step = 970; step <= 1000; ++step) {
    const double position = step * 0.2;
    const FilesTickPlan plan = planFilesTick(cueTick(position, track, trackLength));
    EXPECT_FALSE(plan.endOfStream);
    if (!plan.crossing) continue;
    crossedAt.push_back(position);
    track = plan.crossing->track;
    trackLength = plan.crossing->trackLength;
  }
  ASSERT_EQ(crossedAt.size(), 1u);
  EXPECT_DOUBLE_EQ(crossedAt[0], 195.6);
  EXPECT_EQ(track, 2);
  EXPECT_EQ(trackLength, 227);
}

}  // namespace
