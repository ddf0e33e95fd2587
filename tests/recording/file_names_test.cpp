#include "recording/file_names.h"

#include <QSet>
#include <gtest/gtest.h>

using namespace tavelo;

namespace {

struct TextCase {
  const char* name;
  QString in;
  QString out;
};

TEST(SafeFileName, UnsafeCharactersAndFolderNamesBecomeUnderscores) {
  const TextCase cases[] = {
      {"the nine characters", "a\"b*c/d:e<f>g?h\\i|j", "a_b_c_d_e_f_g_h_i_j"},
      {"a time in a track name", "Track 03 (4:07)", "Track 03 (4_07)"},
      {"control characters", QString("a\tb\nc") + QChar(0x7f) + "d", "a_b_c_d"},
      {"a station that climbs out", "../../x", ".._.._x"},
      {"the folder itself", ".", "_"},
      {"its parent", "..", "_"},
      {"three dots are a name", "...", "..."},
      {"letters of any script stay", QString::fromUtf8("Café Ωmega 東京"), QString::fromUtf8("Café Ωmega 東京")},
  };
  for (const TextCase& c : cases) EXPECT_EQ(SafeFileName(c.in), c.out) << c.name;
}

TEST(FitFileName, LongNamesAreCutToTwoHundredFiftyFiveBytesKeepingTheExtension) {
  const QString ascii(300, QLatin1Char('a'));
  const QString twoByte(200, QChar(0xe9));             // é: two bytes each
  const QString fourByte = QString::fromUtf8("😀").repeated(80);  // surrogate pairs: four bytes each
  const struct {
    const char* name;
    QString stem;
    int bytes;
  } cases[] = {
      {"ASCII", ascii, 255},
      {"two-byte characters end whole", twoByte, 254},
      {"surrogate pairs are never split", fourByte, 252},
      {"short names stay", "Song", 8},
  };
  for (const auto& c : cases) {
    const QString fitted = fitFileName(c.stem, ".mp3");
    EXPECT_EQ(fitted.toUtf8().size(), c.bytes) << c.name;
    EXPECT_TRUE(fitted.endsWith(".mp3")) << c.name;
    EXPECT_TRUE(c.stem.startsWith(fitted.chopped(4))) << c.name;
    EXPECT_FALSE(fitted.toUtf8().contains("\xef\xbf\xbd")) << c.name << ": a broken character";
  }
}

TEST(RecFileName, TitlesKeepBlanksDashesDotsDigitsAndAsciiLetters) {
  const TextCase cases[] = {
      {"punctuation dropped", "AC/DC: Live!", "ACDC Live"},
      {"no title", "", "Track"},
      {"the no-title text", "No META Data", "Track"},
      {"nothing kept", "???", "Track"},
      {"accents dropped", QString::fromUtf8("Beyoncé - Halo"), "Beyonc - Halo"},
      {"slashes cannot climb", "../../etc/passwd", "....etcpasswd"},
  };
  for (const TextCase& c : cases) EXPECT_EQ(recordTitleStem(c.in), c.out) << c.name;
}

TEST(RecFileName, TakenNamesAreNumberedFromOne) {
  QSet<QString> taken;
  const auto exists = [&taken](const QString& path) { return taken.contains(path); };
  const QStringList expected = {"/r/Rock/Track.mp3", "/r/Rock/Track001.mp3", "/r/Rock/Track002.mp3"};
  for (const QString& name : expected) {
    const QString got = firstFreeName("/r/Rock", "Track", ".mp3", exists);
    EXPECT_EQ(got, name);
    taken.insert(got);
  }
  const QString longStem(300, QLatin1Char('x'));
  taken.insert("/r/" + fitFileName(longStem, ".mp3"));
  const QString numbered = firstFreeName("/r", longStem, ".mp3", exists);
  EXPECT_TRUE(numbered.endsWith("x001.mp3")) << numbered.toStdString();
  EXPECT_EQ(numbered.mid(3).toUtf8().size(), 255);
}

TEST(RipMarkers, MarkersAreAddedAndCutAtTheirFirstArrow) {
  EXPECT_EQ(ripMarker(0), "  --->  OK");
  EXPECT_EQ(ripMarker(3), "  --->  3 Errors");
  const TextCase cases[] = {
      {"a marked item", "Track 01 (3:00)  --->  OK", "Track 01 (3:00)"},
      {"an item with errors", "Track 02 (1:00)  --->  12 Errors", "Track 02 (1:00)"},
      {"marked twice", "A  --->  OK  --->  OK", "A"},
      {"no marker", "Track 03 (2:00)", "Track 03 (2:00)"},
      {"an arrow without both blanks", "A --->  OK", "A --->  OK"},
  };
  for (const TextCase& c : cases) EXPECT_EQ(withoutRipMarker(c.in), c.out) << c.name;
}

TEST(RipNames, TargetsFollowTheItemTheCueTitleOrTheSource) {
  const TextCase cases[] = {
      {"a CD track", ripFileName("Track 03 (4:07)", ".mp3"), "Track 03 (4_07).mp3"},
      {"a CDDB title", ripFileName("03.Title (4:07)", ".flac"), "03.Title (4_07).flac"},
      {"a CUE track", cueTrackFileName(1, "Why? Me: Now", ".flac"), "01. Why_ Me_ Now.flac"},
      {"a late CUE track", cueTrackFileName(12, "X", ".wav"), "12. X.wav"},
      {"a file", convertedFileName("/music/a.b/Song.final.flac", ".mp3"), "Song.final.mp3"},
      {"a file without extension", convertedFileName("/music/Song", ".ogg"), "Song.ogg"},
      {"a hidden file", convertedFileName("/music/.hidden", ".ogg"), ".hidden.ogg"},
  };
  for (const TextCase& c : cases) EXPECT_EQ(c.in, c.out) << c.name;
}

}  // namespace
