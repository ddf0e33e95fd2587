// The pure parts of the CD side: disc ids, CD-TEXT, image sheets, the sysfs drive list.
#include "engine/cd/cd_text.h"
#include "engine/cd/disc_id.h"
#include "engine/cd/drives.h"
#include "engine/cd/image_sheet.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace tavelo::engine::cd;
namespace fs = std::filesystem;

namespace {

TEST(CddbQuery, IdAndArgumentsFromStartsAndLeadOut) {
  const struct {
    const char* name;
    std::vector<std::int32_t> starts;
    std::int32_t leadOut;
    const char* expected;
  } cases[] = {
      {"three tracks of 300, 225 and 188 sectors", {150, 450, 675}, 863, "11000903 3 150 450 675 11"},
      {"a nine-track album", {150, 21834, 43363, 63436, 89772, 115596, 138570, 167224, 190210}, 211473,
       "820b0109 9 150 21834 43363 63436 89772 115596 138570 167224 190210 2819"},
      {"digit sums past 255 wrap by modulo, not by mask",
       {150, 13442, 14042, 14117, 14717, 14792, 19442, 20192, 20792, 20867, 21467, 21542, 22142, 22217, 26192, 26942,
        27542, 27617, 28217, 28292},
       434800,
       "3d16a314 20 150 13442 14042 14117 14717 14792 19442 20192 20792 20867 21467 21542 22142 22217 26192 26942 "
       "27542 27617 28217 28292 5797"},
      {"a data track counts as a track", {150, 450, 675, 863}, 1163, "13000d04 4 150 450 675 863 15"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(cddbQueryText(c.starts, c.leadOut), c.expected) << c.name;
  }
}

TEST(CdText, TextsAreCleanedForShowing) {
  const struct {
    const char* name;
    std::string given;
    std::string shown;
  } cases[] = {
      {"plain text stays", "First Song", "First Song"},
      {"UTF-8 read as Latin-1 is taken back", "Zweites Lied \xC3\x83\xC2\xA9", "Zweites Lied \xC3\xA9"},
      {"Latin-1 read as Latin-1 stays", "Zweites Lied \xC3\xA9", "Zweites Lied \xC3\xA9"},
      {"a Latin-1 pair that is no UTF-8 stays", "\xC3\xA9\xC3\xA9", "\xC3\xA9\xC3\xA9"},
      {"control characters become blanks", "A\tB\x01" "C\x7F" "D", "A B C D"},
      {"C1 controls too", "A\xC2\x85" "B", "A B"},
      {"bytes that are no UTF-8 are Latin-1", "\xFF" "abc", "\xC3\xBF" "abc"},
      {"a cut sequence is Latin-1, its C1 byte a blank", "abc\xE2\x82" "d", "abc\xC3\xA2 d"},
      {"blanks at the ends go", "  Song \r\n", "Song"},
      {"nothing but controls is empty", "\x01\x02", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(cleanCdText(c.given), c.shown) << c.name;
  }
}

TEST(CdText, BlockHoldsKeyValueTextsClosedByAnEmptyOne) {
  const std::vector<CdTextEntry> entries = {
      {"TITLE", 0, "Album"}, {"TITLE", 1, "One"}, {"PERFORMER", 1, " \x01 "}, {"TITLE", 12, "Twelve"}};
  EXPECT_EQ(cdTextBlock(entries), std::string("TITLE=Album\0TITLE1=One\0TITLE12=Twelve\0\0", 39));
  EXPECT_EQ(cdTextBlock({}), "");
  EXPECT_EQ(cdTextBlock({{"TITLE", 1, "\t"}}), "");
}

TEST(ImageSheets, TocIsRewrittenAsLibcdioReadsIt) {
  const std::string toc =
      "CD_DA\r\n"
      "CD_TEXT {\n  LANGUAGE_MAP {\n    0 : EN\n  }\n  LANGUAGE 0 {\n    TITLE \"A\"\n  }\n}\n"
      "TRACK AUDIO\nSWAP\nFILE \"a.bin\" 0 00:04:00\n"
      "TRACK AUDIO\nAUDIOFILE \"/abs/b.bin\" 00:00:00 00:03:00\n"
      "TRACK MODE1_RAW\nDATAFILE \"sub dir/c.bin\"\n";
  const auto normalised = normaliseToc(toc, "/images");
  ASSERT_TRUE(normalised);
  EXPECT_NE(normalised->text.find("LANGUAGE_MAP { 0 : EN }\n"), std::string::npos) << normalised->text;
  EXPECT_EQ(normalised->text.find("SWAP"), std::string::npos);
  EXPECT_NE(normalised->text.find("FILE \"/images/a.bin\" 0 00:04:00\n"), std::string::npos);
  EXPECT_NE(normalised->text.find("AUDIOFILE \"/abs/b.bin\" 00:00:00 00:03:00\n"), std::string::npos);
  EXPECT_NE(normalised->text.find("DATAFILE \"/images/sub dir/c.bin\"\n"), std::string::npos);
  EXPECT_NE(normalised->text.find("TITLE \"A\""), std::string::npos);
  EXPECT_EQ(normalised->bigEndian, (std::vector<bool>{false, true, false}));
  EXPECT_EQ(normalised->dataFiles, (std::vector<std::string>{"/images/a.bin", "/abs/b.bin", "/images/sub dir/c.bin"}));
}

TEST(ImageSheets, TextsThatAreNoTocAreRefused) {
  const struct {
    const char* name;
    const char* text;
  } cases[] = {
      {"no track", "CD_DA\n"},
      {"a track without its file", "TRACK AUDIO\nTRACK AUDIO\nFILE \"a.bin\" 0\n"},
      {"the last track without its file", "TRACK AUDIO\nFILE \"a.bin\" 0\nTRACK AUDIO\n"},
      {"a file before any track", "FILE \"a.bin\" 0\nTRACK AUDIO\n"},
      {"standard input", "TRACK AUDIO\nFILE \"-\" 0\n"},
      {"an unclosed name", "TRACK AUDIO\nFILE \"a.bin 0\n"},
      {"random text", "\x89PNG\r\n\x1a\n"},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(normaliseToc(c.text, "/images")) << c.name;
  }
}

TEST(ImageSheets, OnlyOneFileBinarySheetsAreImages) {
  const struct {
    const char* name;
    const char* text;
    bool image;
    const char* dataFile;
    bool bigEndian;
  } cases[] = {
      {"binary", "FILE \"disc.bin\" BINARY\n  TRACK 01 AUDIO\n", true, "/images/disc.bin", false},
      {"motorola is big-endian", "file \"disc.bin\" motorola\r\n", true, "/images/disc.bin", true},
      {"an unquoted absolute name", "FILE /x/disc.img BINARY\n", true, "/x/disc.img", false},
      {"a wave file is a playlist", "FILE \"a.wav\" WAVE\n", false, "", false},
      {"two files are a playlist", "FILE \"a.bin\" BINARY\nFILE \"b.bin\" BINARY\n", false, "", false},
      {"no file", "TITLE \"x\"\n", false, "", false},
  };
  for (const auto& c : cases) {
    const auto image = parseCueImage(c.text, "/images");
    ASSERT_EQ(image.has_value(), c.image) << c.name;
    if (image) {
      EXPECT_EQ(image->dataFile, c.dataFile) << c.name;
      EXPECT_EQ(image->bigEndian, c.bigEndian) << c.name;
    }
  }
}

TEST(ImageSheets, SwapTurnsEachSampleAround) {
  std::uint8_t bytes[] = {0x12, 0x34, 0xAB, 0xCD, 0x7F};
  swapSampleBytes(bytes, sizeof bytes);
  EXPECT_EQ(std::vector<std::uint8_t>(bytes, bytes + 5), (std::vector<std::uint8_t>{0x34, 0x12, 0xCD, 0xAB, 0x7F}));
}

class FakeSysfs : public ::testing::Test {
protected:
  void SetUp() override {
    char pattern[] = "/tmp/tavelo-sysfs-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
  }
  void TearDown() override { fs::remove_all(root_); }
  void addDevice(const std::string& name, const std::string& vendor, const std::string& model) {
    fs::create_directories(root_ / name / "device");
    std::ofstream(root_ / name / "device" / "vendor") << vendor;
    std::ofstream(root_ / name / "device" / "model") << model;
  }
  fs::path root_;
};

TEST_F(FakeSysfs, CdDevicesAreListedByNumberWithTheirNames) {
  addDevice("sr10", "HL-DT-ST", "DVDRAM GH24NSD1 \n");
  addDevice("sr1", "ASUS    ", "DRW-24D5MT      \n");
  addDevice("sda", "ATA", "Disk");
  addDevice("sr0", "TSSTcorp\n", "CDDVDW SH-224DB\n");
  fs::create_directories(root_ / "srx");
  const std::vector<KernelDevice> devices = listKernelDevices(root_.string());
  ASSERT_EQ(devices.size(), 3u);
  const struct {
    const char* name;
    const char* vendor;
    const char* product;
  } expected[] = {{"sr0", "TSSTcorp", "CDDVDW SH-224DB"}, {"sr1", "ASUS", "DRW-24D5MT"}, {"sr10", "HL-DT-ST", "DVDRAM GH24NSD1"}};
  for (std::size_t i = 0; i < devices.size(); ++i) {
    EXPECT_EQ(devices[i].name, expected[i].name);
    EXPECT_EQ(devices[i].info.name, expected[i].name);
    EXPECT_EQ(devices[i].info.vendor, expected[i].vendor);
    EXPECT_EQ(devices[i].info.product, expected[i].product);
  }
}

TEST_F(FakeSysfs, NoDevicesOrNoFolderIsAnEmptyList) {
  EXPECT_TRUE(listKernelDevices(root_.string()).empty());
  EXPECT_TRUE(listKernelDevices((root_ / "missing").string()).empty());
}

}  // namespace
