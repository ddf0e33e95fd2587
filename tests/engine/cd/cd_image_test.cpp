// CD images as drives: TOC and BIN/CUE of the same tones, streams, syncs, the virtual door and
// images that are refused. The engine runs on the "No sound" device; images are written by the test.
#include "cd_images.h"
#include "engine/cd/cd_source.h"
#include "engine/engine.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>
#include <thread>

using namespace tavelo::test;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr DWORD kBytesPerSector = 2352;

class CdImageTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(BASS_Init(0, 44100, 0, nullptr, nullptr)) << BASS_ErrorGetCode();
    char pattern[] = "/tmp/tavelo-cdimages-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
  }
  void TearDown() override {
    BASS_Free();
    fs::remove_all(folder_);
  }

  int addImage(const std::string& path) {
    const int drive = BASS_CD_AddImage(path.c_str());
    EXPECT_GE(drive, 0) << path << ": error " << BASS_ErrorGetCode();
    return drive;
  }

  // The whole track through a decode-only stream, as 16-bit samples.
  static std::vector<std::int16_t> readTrack(int drive, DWORD track) {
    const HSTREAM stream = BASS_CD_StreamCreate(drive, track, BASS_STREAM_DECODE);
    EXPECT_NE(stream, 0u) << BASS_ErrorGetCode();
    std::vector<std::int16_t> samples;
    std::int16_t buffer[4096];
    for (DWORD got; (got = BASS_ChannelGetData(stream, buffer, sizeof buffer)) != DWORD(-1) && got > 0;) {
      samples.insert(samples.end(), buffer, buffer + got / 2);
    }
    BASS_StreamFree(stream);
    return samples;
  }

  static std::vector<std::string> cdTexts(int drive) {
    std::vector<std::string> texts;
    const char* text = BASS_CD_GetID(drive, BASS_CDID_TEXT);
    for (; text != nullptr && *text != '\0'; text += std::strlen(text) + 1) {
      texts.emplace_back(text);
    }
    return texts;
  }

  std::string folder_;
};

TEST_F(CdImageTest, TocAndBinCueOfTheSameTonesAreTheSameDisc) {
  const CdImageSpec spec = threeSongDisc();
  CdImageSpec motorola = spec;
  motorola.motorola = true;
  const struct {
    const char* name;
    int drive;
  } images[] = {{"TOC", addImage(writeTocImage(folder_, "disc", spec))},
                {"BIN/CUE naming another file", addImage(writeCueImage(folder_, "sheet", "tones.bin", spec))},
                {"MOTOROLA BIN/CUE", addImage(writeCueImage(folder_, "big", "big.bin", motorola))}};
  const std::vector<std::string> titles = {"TITLE=Test Tones", "TITLE1=First Song", "TITLE2=Zweites Lied \xC3\xA9"};
  for (const auto& [name, drive] : images) {
    SCOPED_TRACE(name);
    ASSERT_GE(drive, 0);
    EXPECT_TRUE(BASS_CD_IsReady(drive));
    ASSERT_EQ(BASS_CD_GetTracks(drive), 3u);
    EXPECT_STREQ(BASS_CD_GetID(drive, BASS_CDID_CDDB), "11000903 3 150 450 675 11");
    EXPECT_EQ(cdTexts(drive), titles);
    for (DWORD track = 0; track < 3; ++track) {
      EXPECT_EQ(BASS_CD_GetTrackLength(drive, track), DWORD(spec.tracks[track].sectors) * kBytesPerSector);
      const std::vector<std::int16_t> read = readTrack(drive, track);
      const std::vector<std::int16_t> expected = tonePcm(spec.tracks[track]);
      ASSERT_EQ(read.size(), expected.size()) << "track " << track;
      const auto differs = std::mismatch(read.begin(), read.end(), expected.begin());
      EXPECT_TRUE(differs.first == read.end()) << "track " << track << " differs at sample " << differs.first - read.begin()
                                               << ": " << *differs.first << " for " << *differs.second;
    }
  }
}

TEST_F(CdImageTest, CdTextIsAbsentWithoutTitlesAndCleanWithOddOnes) {
  CdImageSpec untitled;
  untitled.tracks = {{75, 440, ""}, {75, 550, ""}};
  CdImageSpec odd;
  odd.albumTitle = "Start\x01" "of text";
  odd.tracks = {{75, 440, "Bell\x07 and \x1b[31mred"}, {75, 550, "  "}};
  const int plain = addImage(writeCueImage(folder_, "plain", "plain.bin", untitled));
  EXPECT_EQ(BASS_CD_GetID(plain, BASS_CDID_TEXT), nullptr);
  EXPECT_EQ(BASS_CD_GetTracks(plain), 2u);
  const int messy = addImage(writeTocImage(folder_, "messy", odd));
  EXPECT_EQ(cdTexts(messy), (std::vector<std::string>{"TITLE=Start of text", "TITLE1=Bell  and  [31mred"}));
}

// Drives read through paranoia; on an image it must give the very same samples.
TEST_F(CdImageTest, ParanoiaReadsBothByteOrdersExactly) {
  using namespace tavelo::engine::cd;
  const CdImageSpec spec = threeSongDisc();
  for (const std::string& path : {writeTocImage(folder_, "disc", spec), writeCueImage(folder_, "sheet", "tones.bin", spec)}) {
    int error = 0;
    std::shared_ptr<Drive> drive = openImageDrive(path, &error);
    ASSERT_TRUE(drive) << path;
    for (std::uint32_t track = 0; track < 3; ++track) {
      auto source = openCdSource(drive, std::make_shared<TrackSwitch>(0, track), ReadMethod::Paranoia, &error);
      ASSERT_TRUE(source) << error;
      const std::vector<std::int16_t> expected = tonePcm(spec.tracks[track]);
      std::vector<float> read(expected.size() + 2);
      ASSERT_EQ(source->read(read.data(), static_cast<std::int64_t>(read.size() / 2)), static_cast<std::int64_t>(expected.size() / 2));
      read.resize(expected.size());
      EXPECT_TRUE(std::equal(read.begin(), read.end(), expected.begin(),
                             [](float f, std::int16_t s) { return std::lround(f * 32768) == s; }))
          << path << " track " << track;
    }
  }
}

TEST_F(CdImageTest, ImagesDescribeThemselvesAsDrives) {
  const CdImageSpec spec = threeSongDisc();
  const struct {
    std::string path;
    const char* product;
  } cases[] = {{writeTocImage(folder_, "disc", spec), "TOC"}, {writeCueImage(folder_, "disc", "disc.bin", spec), "BIN/CUE"}};
  for (const auto& c : cases) {
    const int drive = addImage(c.path);
    BASS_CD_INFO info{};
    ASSERT_TRUE(BASS_CD_GetInfo(drive, &info));
    EXPECT_STREQ(info.name, fs::path(c.path).filename().c_str());
    EXPECT_STREQ(info.vendor, "Image");
    EXPECT_STREQ(info.product, c.product);
    EXPECT_TRUE(BASS_CD_Release(drive));
  }
  BASS_CD_INFO info{};
  EXPECT_FALSE(BASS_CD_GetInfo(10, &info));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DEVICE);
}

TEST_F(CdImageTest, ADataTrackIsListedButNotPlayed) {
  CdImageSpec spec = threeSongDisc();
  spec.tracks.pop_back();
  spec.tracks.push_back({188, 880, ""});
  spec.dataTrack = true;
  spec.dataSectors = 300;
  const int drive = addImage(writeCueImage(folder_, "mixed", "mixed.bin", spec));
  ASSERT_EQ(BASS_CD_GetTracks(drive), 4u);
  EXPECT_STREQ(BASS_CD_GetID(drive, BASS_CDID_CDDB), "13000d04 4 150 450 675 863 15");
  EXPECT_EQ(BASS_CD_GetTrackLength(drive, 3), DWORD(-1));
  EXPECT_EQ(BASS_CD_StreamCreate(drive, 3, 0), 0u);
  const HSTREAM stream = BASS_CD_StreamCreate(drive, 0, BASS_STREAM_DECODE);
  ASSERT_NE(stream, 0u);
  EXPECT_FALSE(BASS_CD_StreamSetTrack(stream, 3));
  EXPECT_FALSE(BASS_CD_StreamSetTrack(stream, 4));
  EXPECT_EQ(BASS_CD_StreamGetTrack(stream), DWORD(drive) << 16);
  BASS_StreamFree(stream);
}

TEST_F(CdImageTest, SeeksLandOnTheSampleAskedFor) {
  const CdImageSpec spec = threeSongDisc();
  const int drive = addImage(writeTocImage(folder_, "disc", spec));
  const std::vector<std::int16_t> expected = tonePcm(spec.tracks[1]);
  const HSTREAM stream = BASS_CD_StreamCreate(drive, 1, BASS_STREAM_DECODE);
  ASSERT_NE(stream, 0u);
  const QWORD length = BASS_ChannelGetLength(stream, BASS_POS_BYTE);
  ASSERT_EQ(length, expected.size() * 2);
  const struct {
    const char* name;
    QWORD position;
  } cases[] = {{"the start", 0}, {"a sector's start", 10 * kBytesPerSector}, {"within a sector", 10 * kBytesPerSector + 400},
               {"back before", 4}, {"the last frame", length - 4}};
  for (const auto& c : cases) {
    ASSERT_TRUE(BASS_ChannelSetPosition(stream, c.position, BASS_POS_BYTE)) << c.name;
    std::int16_t buffer[64];
    const DWORD got = BASS_ChannelGetData(stream, buffer, sizeof buffer);
    const QWORD wanted = std::min<QWORD>(sizeof buffer, length - c.position);
    ASSERT_EQ(got, wanted) << c.name;
    EXPECT_TRUE(std::equal(buffer, buffer + got / 2, expected.begin() + static_cast<std::ptrdiff_t>(c.position / 2))) << c.name;
  }
  EXPECT_FALSE(BASS_ChannelSetPosition(stream, length + 4, BASS_POS_BYTE));
  BASS_StreamFree(stream);
}

struct EndCounter {
  std::mutex mutex;
  std::vector<DWORD> tracksEnded;
  DWORD tracks = 0;
};

void onTrackEnd(HSYNC, DWORD stream, DWORD, void* user) {
  auto* counter = static_cast<EndCounter*>(user);
  const DWORD track = BASS_CD_StreamGetTrack(stream) & 0xFFFF;
  std::lock_guard lock(counter->mutex);
  counter->tracksEnded.push_back(track);
  if (track + 1 < counter->tracks) {
    BASS_CD_StreamSetTrack(stream, track + 1);
    BASS_ChannelPlay(stream, 0);
  }
}

TEST_F(CdImageTest, TheEndSyncFiresOnceAtEachTracksEndAndStaysAcrossSwitches) {
  CdImageSpec spec;
  spec.tracks = {{15, 440, "a"}, {20, 550, "b"}, {15, 660, "c"}};  // 0.2 to 0.27 s
  const int drive = addImage(writeTocImage(folder_, "short", spec));
  const HSTREAM stream = BASS_CD_StreamCreate(drive, 0, 0);
  ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
  EndCounter counter;
  counter.tracks = 3;
  ASSERT_NE(BASS_ChannelSetSync(stream, BASS_SYNC_END, 0, onTrackEnd, &counter), 0u);
  ASSERT_TRUE(BASS_ChannelPlay(stream, 0));
  const auto ended = [&counter] {
    std::lock_guard lock(counter.mutex);
    return counter.tracksEnded.size();
  };
  // Between a track's end and its sync's switch the stream is stopped: wait for the syncs instead.
  for (const auto deadline = Clock::now() + std::chrono::seconds(10); ended() < 3 && Clock::now() < deadline;) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(300));  // a late second sync would show now
  std::lock_guard lock(counter.mutex);
  EXPECT_EQ(counter.tracksEnded, (std::vector<DWORD>{0, 1, 2}));
  EXPECT_EQ(BASS_CD_StreamGetTrack(stream), 2u | (DWORD(drive) << 16));
  BASS_StreamFree(stream);
  EXPECT_EQ(BASS_CD_StreamGetTrack(stream), DWORD(-1));
}

TEST_F(CdImageTest, SwitchingTrackGivesTheNewTracksLengthAndSound) {
  const CdImageSpec spec = threeSongDisc();
  const int drive = addImage(writeCueImage(folder_, "disc", "disc.bin", spec));
  const HSTREAM stream = BASS_CD_StreamCreate(drive, 0, BASS_STREAM_DECODE);
  ASSERT_NE(stream, 0u);
  std::int16_t buffer[1000];
  BASS_ChannelGetData(stream, buffer, sizeof buffer);
  ASSERT_TRUE(BASS_CD_StreamSetTrack(stream, 2));
  EXPECT_EQ(BASS_CD_StreamGetTrack(stream), 2u | (DWORD(drive) << 16));
  EXPECT_EQ(BASS_ChannelGetLength(stream, BASS_POS_BYTE), DWORD(spec.tracks[2].sectors) * kBytesPerSector);
  ASSERT_EQ(BASS_ChannelGetData(stream, buffer, sizeof buffer), sizeof buffer);
  const std::vector<std::int16_t> expected = tonePcm(spec.tracks[2]);
  EXPECT_TRUE(std::equal(buffer, buffer + 1000, expected.begin()));
  BASS_StreamFree(stream);
}

TEST_F(CdImageTest, TheVirtualDoorOpensClosesAndLocks) {
  const int drive = addImage(writeTocImage(folder_, "disc", threeSongDisc()));
  const struct {
    const char* name;
    DWORD action;
    bool accepted, open, locked;
  } steps[] = {
      {"open", BASS_CD_DOOR_OPEN, true, true, false},
      {"open again", BASS_CD_DOOR_OPEN, true, true, false},
      {"close", BASS_CD_DOOR_CLOSE, true, false, false},
      {"lock", BASS_CD_DOOR_LOCK, true, false, true},
      {"a locked door does not open", BASS_CD_DOOR_OPEN, false, false, true},
      {"unlock", BASS_CD_DOOR_UNLOCK, true, false, false},
      {"open once unlocked", BASS_CD_DOOR_OPEN, true, true, false},
      {"close to end", BASS_CD_DOOR_CLOSE, true, false, false},
      {"no such action", 7, false, false, false},
  };
  for (const auto& step : steps) {
    EXPECT_EQ(BASS_CD_Door(drive, step.action) != 0, step.accepted) << step.name;
    EXPECT_EQ(BASS_CD_DoorIsOpen(drive) != 0, step.open) << step.name;
    EXPECT_EQ(BASS_CD_DoorIsLocked(drive) != 0, step.locked) << step.name;
    EXPECT_EQ(BASS_CD_IsReady(drive) != 0, !step.open) << step.name;
    EXPECT_EQ(BASS_CD_GetTracks(drive), step.open ? DWORD(-1) : 3u) << step.name;
  }
  for (const float speed : {600.0f, -1.0f}) {
    EXPECT_TRUE(BASS_CD_SetSpeed(drive, speed));
  }
}

void countCall(HSYNC, DWORD, DWORD, void* user) { ++*static_cast<std::atomic<int>*>(user); }

TEST_F(CdImageTest, APlayingStreamWhoseDiscIsTakenOutStopsWithoutItsEndSync) {
  const int drive = addImage(writeTocImage(folder_, "disc", threeSongDisc()));
  const HSTREAM stream = BASS_CD_StreamCreate(drive, 0, 0);
  ASSERT_NE(stream, 0u);
  std::atomic<int> ends{0};
  ASSERT_NE(BASS_ChannelSetSync(stream, BASS_SYNC_END, 0, countCall, &ends), 0u);
  ASSERT_TRUE(BASS_ChannelPlay(stream, 0));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  ASSERT_TRUE(BASS_CD_Door(drive, BASS_CD_DOOR_OPEN));
  for (const auto deadline = Clock::now() + std::chrono::seconds(3);
       BASS_ChannelIsActive(stream) != BASS_ACTIVE_STOPPED && Clock::now() < deadline;) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_EQ(BASS_ChannelIsActive(stream), DWORD{BASS_ACTIVE_STOPPED});
  EXPECT_LT(BASS_ChannelGetPosition(stream, BASS_POS_BYTE), QWORD{300} * kBytesPerSector);  // stopped early
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(ends.load(), 0);
  EXPECT_FALSE(BASS_CD_StreamSetTrack(stream, 1));  // no disc to switch on
  BASS_StreamFree(stream);
}

TEST_F(CdImageTest, OpeningTheDoorEndsTheDiscsStreams) {
  const int drive = addImage(writeTocImage(folder_, "disc", threeSongDisc()));
  const HSTREAM stream = BASS_CD_StreamCreate(drive, 0, BASS_STREAM_DECODE);
  ASSERT_NE(stream, 0u);
  std::int16_t buffer[1000];
  ASSERT_EQ(BASS_ChannelGetData(stream, buffer, sizeof buffer), sizeof buffer);
  ASSERT_TRUE(BASS_CD_Door(drive, BASS_CD_DOOR_OPEN));
  EXPECT_EQ(BASS_ChannelGetData(stream, buffer, sizeof buffer), DWORD(-1));
  EXPECT_EQ(BASS_CD_StreamCreate(drive, 0, BASS_STREAM_DECODE), 0u);
  ASSERT_TRUE(BASS_CD_Door(drive, BASS_CD_DOOR_CLOSE));
  const HSTREAM again = BASS_CD_StreamCreate(drive, 0, BASS_STREAM_DECODE);
  EXPECT_NE(again, 0u);
  BASS_StreamFree(again);
  BASS_StreamFree(stream);
}

TEST_F(CdImageTest, ATocWithAShortBinReadsToItsLengthWithReadErrors) {
  CdImageSpec spec = threeSongDisc();
  spec.binBytes = (300 + 100) * kBytesPerSector;  // track 2 is cut after 100 of its 225 sectors
  const int drive = addImage(writeTocImage(folder_, "cut", spec));
  ASSERT_EQ(BASS_CD_GetTracks(drive), 3u);
  const HSTREAM stream = BASS_CD_StreamCreate(drive, 1, BASS_STREAM_DECODE);
  ASSERT_NE(stream, 0u);
  std::atomic<int> errors{0};
  ASSERT_NE(BASS_ChannelSetSync(stream, BASS_SYNC_CD_ERROR, 0, countCall, &errors), 0u);
  const auto start = Clock::now();
  std::vector<std::int16_t> samples;
  std::int16_t buffer[4096];
  for (DWORD got; (got = BASS_ChannelGetData(stream, buffer, sizeof buffer)) != DWORD(-1) && got > 0;) {
    samples.insert(samples.end(), buffer, buffer + got / 2);
  }
  const auto took = Clock::now() - start;
  EXPECT_LT(took, std::chrono::seconds(10));
  ASSERT_EQ(samples.size(), 225u * 588 * 2);
  const std::vector<std::int16_t> expected = tonePcm(spec.tracks[1]);
  EXPECT_TRUE(std::equal(samples.begin(), samples.begin() + 100 * 588 * 2, expected.begin()));
  const auto loud = std::find_if(samples.begin() + 100 * 588 * 2, samples.end(), [](std::int16_t s) { return s != 0; });
  EXPECT_TRUE(loud == samples.end()) << "sound at sample " << (loud - samples.begin()) / 1176.0;
  for (auto wait = Clock::now() + std::chrono::seconds(2); errors.load() < 125 && Clock::now() < wait;) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(errors.load(), 125);
  BASS_StreamFree(stream);
}

TEST_F(CdImageTest, ABinCueWithAShortBinEndsEarly) {
  CdImageSpec spec = threeSongDisc();
  spec.binBytes = (300 + 225 + 50) * kBytesPerSector;  // the last track is cut after 50 of its 150 sectors
  const int drive = addImage(writeCueImage(folder_, "cut", "cut.bin", spec));
  ASSERT_GE(drive, 0);
  ASSERT_EQ(BASS_CD_GetTracks(drive), 3u);
  EXPECT_EQ(BASS_CD_GetTrackLength(drive, 2), 50u * kBytesPerSector);
  EXPECT_EQ(readTrack(drive, 2).size(), 50u * 588 * 2);
}

TEST_F(CdImageTest, FilesThatAreNoImagesAreRefusedQuickly) {
  const CdImageSpec spec = threeSongDisc();
  writeTocImage(folder_, "good", spec);
  std::mt19937 random(11);
  std::string noise(64 * 1024, '\0');
  for (char& c : noise) {
    c = static_cast<char>(random());
  }
  const auto write = [&](const std::string& name, const std::string& text) {
    std::ofstream(folder_ + "/" + name, std::ios::binary) << text;
    return folder_ + "/" + name;
  };
  const std::string huge = folder_ + "/huge.toc";
  std::ofstream(huge).close();
  ASSERT_EQ(truncate(huge.c_str(), 50 << 20), 0);
  const struct {
    const char* name;
    std::string path;
  } cases[] = {
      {"missing", folder_ + "/none.toc"},
      {"empty", write("empty.toc", "")},
      {"random bytes", write("random.cue", noise)},
      {"random text", write("random.toc", "TRACK AUDIO\nFILE \"good.bin\" 0 xx:yy\n%%%%\n")},
      {"50 MB", huge},
      {"its data file missing", write("lost.toc", "CD_DA\nTRACK AUDIO\nFILE \"lost.bin\" 0 00:04:00\n")},
      {"a sheet of its data file missing", write("lost.cue", "FILE \"lost.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n")},
      {"a sheet of wave files", write("waves.cue", "FILE \"a.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n")},
      {"another kind of file", folder_ + "/good.bin"},
      {"a folder", folder_},
  };
  for (const auto& c : cases) {
    const auto start = Clock::now();
    EXPECT_EQ(BASS_CD_AddImage(c.path.c_str()), -1) << c.name;
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEOPEN) << c.name;
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(200)) << c.name;
  }
  EXPECT_EQ(BASS_CD_AddImage(nullptr), -1);
}

TEST_F(CdImageTest, TenDrivesAtMost) {
  const std::string toc = writeTocImage(folder_, "disc", threeSongDisc());
  int drives = 0;
  while (BASS_CD_AddImage(toc.c_str()) >= 0) {
    ++drives;
  }
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOTAVAIL);
  BASS_CD_INFO info{};
  EXPECT_TRUE(BASS_CD_GetInfo(9, &info));
  EXPECT_FALSE(BASS_CD_GetInfo(10, &info));
  EXPECT_LE(drives, 10);
}

TEST_F(CdImageTest, ATocOpensWhateverTheCurrentFolder) {
  const std::string toc = writeTocImage(folder_, "disc", threeSongDisc());
  const fs::path before = fs::current_path();
  fs::current_path("/");
  const int drive = BASS_CD_AddImage(toc.c_str());
  fs::current_path(before);
  ASSERT_GE(drive, 0);
  EXPECT_EQ(BASS_CD_GetTracks(drive), 3u);
}

}  // namespace
