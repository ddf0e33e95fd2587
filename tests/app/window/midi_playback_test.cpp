// MIDI files in Audio Files mode: through the user's sound fonts, through the system's General
// MIDI font when none of them can be used (Pause does nothing then), and the fonts freed by a
// file of another kind.
#include "app/tags.h"
#include "engine/engine.h"
#include "files_fixture.h"
#include "midi_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>

using namespace tavelo;

namespace {

const QString kGmFont = QStringLiteral("/usr/share/sounds/sf2/default-GM.sf2");
constexpr int kFontSlots = 10;

#ifdef TAVELO_TEST_MIDI_PLUGIN

class MidiPlayback : public FilesWindow {
 protected:
  void SetUp() override {
    QDir().mkpath(program_.path() + "Plug-ins/midi");
    ASSERT_TRUE(QFile::copy(TAVELO_TEST_MIDI_PLUGIN, program_.path() + "Plug-ins/midi.so"));
    // The synthesiser module the plug-in loads from beside itself.
    const QString builtPlugins = QFileInfo(QStringLiteral(TAVELO_TEST_MIDI_PLUGIN)).path();
    ASSERT_TRUE(QFile::copy(builtPlugins + "/midi/synth.so", program_.path() + "Plug-ins/midi/synth.so"));
    FilesWindow::SetUp();
  }

  // Four seconds of notes, one every half second.
  QString tune(const QString& name) const {
    tavelo::test::SmfSpec spec;
    for (int i = 0; i < 8; ++i) spec.notes.push_back({double(i), 1, 60 + 2 * i});
    const QString path = music(name);
    tavelo::test::writeBytes(path.toStdString(), tavelo::test::makeSmf(spec));
    return path;
  }

  // The sound-font list as the settings keep it: ten caret-terminated fields.
  void setFontList(const QStringList& paths) {
    QString list;
    for (int row = 0; row < kFontSlots; ++row) list += paths.value(row) + '^';
    form->Stored.soundFonts = list;
  }

  int loadedFonts() {
    int loaded = 0;
    for (int slot = 0; slot < AudioFilesMode::kSoundFontSlots; ++slot) loaded += form->filesMode().soundFont(slot) != 0;
    return loaded;
  }

  // Waits into the file and reads the level of what is heard.
  DWORD heardLevel() {
    waitUntilPosition(0.3);
    const DWORD level = BASS_ChannelGetLevel(form->filesMode().stream());
    return std::max(level & 0xFFFF, level >> 16);
  }
};

TEST_F(MidiPlayback, PlaysThroughTheUsersSoundFontsPackedInListOrder) {
  setFontList({music("missing.sf2"), "", kGmFont});
  open(tune("tune.mid"));
  ASSERT_NE(form->filesMode().stream(), 0u);
  EXPECT_EQ(form->windowTitle(), "Play tune.mid");
  EXPECT_FALSE(form->filesMode().mciMidi());
  EXPECT_NE(form->filesMode().soundFont(0), 0u) << "the one font that opens takes the first slot";
  EXPECT_EQ(loadedFonts(), 1);
  EXPECT_EQ(form->filesMode().trackLength(), 4);
  EXPECT_GT(heardLevel(), 300u);

  form->ButtonPause->click();
  EXPECT_TRUE(form->filesMode().paused());
  EXPECT_EQ(form->windowTitle(), "Pause tune.mid");
  EXPECT_EQ(BASS_ChannelIsActive(form->filesMode().stream()), DWORD{BASS_ACTIVE_PAUSED});
}

TEST_F(MidiPlayback, WithoutUsableFontsPlaysThroughTheSystemFontAndPauseDoesNothing) {
  setFontList({music("missing.sf2"), garbage("broken.sf2")});
  open(tune("tune.mid"));
  ASSERT_NE(form->filesMode().stream(), 0u);
  EXPECT_TRUE(form->filesMode().mciMidi());
  EXPECT_EQ(loadedFonts(), 0);
  EXPECT_EQ(form->filesMode().trackLength(), 4) << "the length shows as for any file";
  EXPECT_GT(heardLevel(), 300u);

  form->ButtonPause->click();
  EXPECT_FALSE(form->filesMode().paused());
  EXPECT_EQ(form->windowTitle(), "Play tune.mid");
  EXPECT_EQ(BASS_ChannelIsActive(form->filesMode().stream()), DWORD{BASS_ACTIVE_PLAYING});

  form->ButtonStop->click();
  EXPECT_FALSE(form->filesMode().mciMidi());
  EXPECT_EQ(form->filesMode().stream(), 0u);
}

TEST_F(MidiPlayback, AFileOfAnotherKindFreesTheFontsAndTheNextMidiFileLoadsThemAgain) {
  setFontList({kGmFont, kGmFont});
  const QString midi = tune("tune.mid");
  const QString wave = tone("tone.wav", 2);
  open(midi);
  ASSERT_EQ(loadedFonts(), 2);
  const std::uint32_t first = form->filesMode().soundFont(0);

  open(wave);
  ASSERT_NE(form->filesMode().stream(), 0u);
  EXPECT_EQ(loadedFonts(), 0);
  EXPECT_FALSE(BASS_MIDI_FontFree(first)) << "the engine has let the font go";

  open(midi);
  EXPECT_EQ(loadedFonts(), 2);
  EXPECT_FALSE(form->filesMode().mciMidi());
  EXPECT_GT(heardLevel(), 300u);
}

TEST_F(MidiPlayback, ForcedReloadReplacesTheFontsOfThePlayingFile) {
  setFontList({kGmFont});
  open(tune("tune.mid"));
  const std::uint32_t before = form->filesMode().soundFont(0);
  ASSERT_NE(before, 0u);
  EXPECT_TRUE(form->filesMode().LoadSoundFonts(false)) << "fonts already loaded are kept";
  EXPECT_EQ(form->filesMode().soundFont(0), before);

  EXPECT_TRUE(form->filesMode().LoadSoundFonts(true));
  EXPECT_NE(form->filesMode().soundFont(0), 0u);
  EXPECT_NE(form->filesMode().soundFont(0), before);
  EXPECT_GT(heardLevel(), 300u);

  setFontList({});
  EXPECT_FALSE(form->filesMode().LoadSoundFonts(true)) << "an empty list is no success";
  EXPECT_EQ(loadedFonts(), 0);
}

#endif

}  // namespace

TEST_F(MidiPlayback, ClosingFreesTheFontsAndTheStreamWhileTheEngineIsUp) {
  setFontList({kGmFont});
  open(tune("tune.mid"));
  ASSERT_NE(form->filesMode().soundFont(0), 0u);
  form->FormClose();
  EXPECT_EQ(loadedFonts(), 0);
  EXPECT_EQ(form->filesMode().stream(), 0u);
}
