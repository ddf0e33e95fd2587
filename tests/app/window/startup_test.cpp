// Start-up on prepared program folders: settings, radio list, station buttons, encoders, hand-over.
#include "app/equalizer_panel.h"
#include "app/record_settings_panel.h"
#include "app/settings_panel.h"
#include "app/tags.h"
#include "program_folder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QRadioButton>
#include <QSlider>
#include <QTableWidget>
#include <QTimer>
#include <gtest/gtest.h>

using namespace tavelo;

namespace {

QStringList radioListWith(const QStringList& names, const QString& flags) {
  QStringList lines;
  for (int station = 0; station < 30; ++station) lines << names.value(station) << QString() << QString();
  lines << flags;
  return lines;
}

TEST(Startup, EmptyProgramFolderStartsWithDefaults) {
  ProgramFolder folder;
  StartedForm form(folder);
  ASSERT_TRUE(form.create());
  EXPECT_TRUE(QDir(folder.path() + "RLists").exists());
  EXPECT_TRUE(form->Stopped);
  EXPECT_TRUE(form->CheckBoxFullDir->isChecked());
  EXPECT_FALSE(form->ChBoxRep->isChecked());
  EXPECT_EQ(form->settingsPanel()->orderInForce(), kDefaultModeOrder);
  EXPECT_EQ(form->RadioListPath, folder.path() + "RLists/Tavelo.rls");
  EXPECT_EQ(form->Label22->text(), "No Radio List");
  EXPECT_EQ(form->RadioList.size(), 91);
  EXPECT_EQ(form->RadioList.last(), QString(30, '0'));
  EXPECT_EQ(form->IRCommands.size(), 120);
  EXPECT_EQ(form->CBCDdrives->count(), 1);
  EXPECT_EQ(form->CBCDdrives->currentText(), "No CD drives found");
  EXPECT_TRUE(form->OpenDialog1.filter.startsWith("All Audio Files|"));
  EXPECT_TRUE(form->ExtensionList.contains("*.mp3;"));
  const QTableWidget* fonts = form->settingsPanel()->soundFontGrid();
  ASSERT_EQ(fonts->rowCount(), 10);
  EXPECT_EQ(fonts->item(9, 0)->text(), "10");
  EXPECT_FALSE(form->Image1->pixmap().isNull());
  EXPECT_TRUE(form->Timer2->isActive());
  EXPECT_FALSE(form->Timer1->isActive());
  EXPECT_EQ(QDir::currentPath() + '/', folder.path());
  EXPECT_TRUE(form.dialogs.messages.isEmpty());
}

TEST(Startup, SettingsFileReachesTheControls) {
  ProgramFolder folder;
  folder.write("Settings.ini", crlfLines({"/rec", "33", folder.path() + "RLists/Mine.rls", "x", "0", "1", "6^2^",
                                          "/f.sf2^", "0", "120", "0^1^0^0^0^", "1^2^3^4^5^6^7^", "^6^5^",
                                          "proxy^8080^user^pass^1^2^", "0^ttyS0^on^"}));
  StartedForm form(folder);
  ASSERT_TRUE(form.create());
  EXPECT_EQ(form->TrackBar1->value(), 33);
  EXPECT_EQ(form->RadioListPath, folder.path() + "RLists/Mine.rls");
  EXPECT_FALSE(form->CheckBoxFullDir->isChecked());
  EXPECT_TRUE(form->ChBoxRep->isChecked());
  EXPECT_EQ(form->settingsPanel()->modeOrder(), (ModeOrder{1, 2, 0}));
  EXPECT_EQ(form->settingsPanel()->orderInForce(), (ModeOrder{1, 2, 0}));
  EXPECT_FALSE(form->eqPanel()->enabled());
  EXPECT_TRUE(form->settingsPanel()->options().sampleFloat);
  EXPECT_FALSE(form->settingsPanel()->options().alwaysOnTop);
  EXPECT_EQ(form->eqPanel()->positions(), (EqualizerPanel::Positions{1, 2, 3, 4, 5, 6, 7}));
  for (int band = 0; band < EqualizerPanel::kBands; ++band) {  // each gain label shows 15 - position
    const auto* gain = form->findChild<QLabel*>(QStringLiteral("lab_f%1").arg(band + 1));
    EXPECT_EQ(gain->text(), QString::number(14 - band)) << band;
  }
  EXPECT_EQ(form->Stored.ripRoot, "/rec");
  EXPECT_EQ(form->Stored.radioBitrate, 2);
  EXPECT_EQ(form->Stored.proxyHost, "proxy");
  EXPECT_EQ(form->Stored.irPort, "ttyS0");
}

TEST(Startup, VolumeZeroStillReachesTheVolumeHandler) {
  ProgramFolder folder;
  folder.write("Settings.ini", crlfLines({"/rec", "0"}));
  StartedForm form(folder);
  QList<int> volumes;
  QObject::connect(form->TrackBar1, &QSlider::valueChanged, [&volumes](int value) { volumes << value; });
  ASSERT_TRUE(form.create());
  EXPECT_EQ(volumes, QList<int>{0});
}

TEST(Startup, StationButtonsFollowTheRadioList) {
  ProgramFolder folder;
  folder.write("RLists/Tavelo.rls", crlfLines(radioListWith({"Alpha", "Beta"}, "1" + QString(28, '0') + "1")));
  StartedForm form(folder);
  ASSERT_TRUE(form.create());
  EXPECT_EQ(form->Label22->text(), "Tavelo");
  struct ButtonCase {
    int station;
    QRect geometry;
    QString hint;
    bool forceEncode;
  };
  const ButtonCase cases[] = {
      {1, {8, 4, 22, 22}, "Alpha", true},
      {2, {30, 4, 22, 22}, "Beta", false},
      {11, {8, 30, 22, 22}, "", false},
      {30, {206, 56, 22, 22}, "", true},
  };
  for (const ButtonCase& expected : cases) {
    SCOPED_TRACE(expected.station);
    const TMyButton* button = form->StationButtons[static_cast<std::size_t>(expected.station)];
    EXPECT_EQ(button->parentWidget(), form->p_SelButtons);
    EXPECT_EQ(button->text(), QString::number(expected.station));
    EXPECT_EQ(tagOf(button), expected.station);
    EXPECT_EQ(button->geometry(), expected.geometry);
    EXPECT_EQ(button->toolTip(), expected.hint);
    EXPECT_EQ(button->ForceEncode, expected.forceEncode);
  }
}

TEST(Startup, LegacyRadioListReplacesTheDefaultOne) {
  ProgramFolder folder;
  folder.write("RLists/Tavelo.rls", crlfLines(radioListWith({"Current"}, QString(30, '0'))));
  folder.write("Tavelo.ini", crlfLines(radioListWith({"Legacy"}, QString(30, '0'))));
  StartedForm form(folder);
  ASSERT_TRUE(form.create());
  EXPECT_FALSE(folder.exists("Tavelo.ini"));
  EXPECT_EQ(form->StationButtons[1]->toolTip(), "Legacy");
  EXPECT_EQ(form->RadioListPath, folder.path() + "RLists/Tavelo.rls");
}

TEST(Startup, PluginFormatsJoinTheOpenFilterAndBrokenPluginsAreSkipped) {
#ifndef TAVELO_TEST_PLUGIN
  GTEST_SKIP() << "no format plug-in is built";
#else
  ProgramFolder folder;
  folder.write("Plug-ins/broken.so", "not a library");
  ASSERT_TRUE(QFile::copy(TAVELO_TEST_PLUGIN, folder.path() + "Plug-ins/ffmpeg.so"));
  StartedForm form(folder);
  ASSERT_TRUE(form.create());
  EXPECT_TRUE(form.dialogs.messages.isEmpty());
  EXPECT_TRUE(form->ExtensionList.startsWith("*.mp3;"));
  EXPECT_TRUE(form->ExtensionList.contains("*.flac;"));
  EXPECT_TRUE(form->ExtensionList.contains("*.aac;*.m4a;*.mp4;"));
  EXPECT_TRUE(form->OpenDialog1.filter.contains("|FLAC (*.flac)|*.flac"));
#endif
}

TEST(Startup, RadioListFileNamesAreCollected) {
  ProgramFolder folder;
  folder.write("RLists/Jazz.rls", "x\r\n");
  folder.write("RLists/notes.txt", "x\r\n");
  StartedForm form(folder);
  ASSERT_TRUE(form.create());
  EXPECT_EQ(form->RadioListFiles, QStringList({"Jazz.rls"}));
}

// Encoders are looked for in the program folder, then on PATH; an empty PATH leaves only the folder.
class EncoderAvailability : public ::testing::Test {
 protected:
  void SetUp() override {
    savedPath_ = qgetenv("PATH");
    qputenv("PATH", emptyDir_.path().toUtf8());
  }
  void TearDown() override { qputenv("PATH", savedPath_); }

  QTemporaryDir emptyDir_;
  QByteArray savedPath_;
};

TEST_F(EncoderAvailability, MissingEncoderDisablesItsFormatAndStoredChoiceBecomesWave) {
  struct Case {
    bool lamePresent;
    int expectedRadioFormat;
  };
  for (const Case& c : {Case{false, 6}, Case{true, 0}}) {
    SCOPED_TRACE(c.lamePresent);
    ProgramFolder folder;
    folder.write("Settings.ini", crlfLines({"/rec", "10", "", " ", "1", "0", "0^4^", "", "0", "012", "0^0^0^0^0^",
                                            "", "^0^4^"}));
    if (c.lamePresent) {
      folder.write("lame", "#!/bin/sh\n");
      QFile::setPermissions(folder.path() + "lame", QFile::ReadOwner | QFile::ExeOwner);
    }
    StartedForm form(folder);
    ASSERT_TRUE(form.create());
    const auto format = [&form](int index) {
      return form->recordSettingsPanel()->findChild<QRadioButton*>(QStringLiteral("RGRecFileFormat%1").arg(index));
    };
    EXPECT_EQ(format(0)->isEnabled(), c.lamePresent);
    EXPECT_FALSE(format(2)->isEnabled());  // no oggenc anywhere
    EXPECT_TRUE(format(6)->isEnabled());
    EXPECT_EQ(form->Stored.radioFormat, c.expectedRadioFormat);
    EXPECT_EQ(form->Stored.ripFormat, c.expectedRadioFormat);
  }
}

TEST(Startup, CommandLineFileIsOpenedWithoutAsking) {
  ProgramFolder folder;
  folder.write("Settings.ini", crlfLines({"/rec", "10", "", " ", "1", "0", "0^4^", "", "0", "201"}));
  StartedForm form(folder);
  ASSERT_TRUE(form.create({"/music/song.mp3"}));
  EXPECT_TRUE(form.dialogs.fileDialogs.isEmpty());
  EXPECT_EQ(form->OpenDialog1.fileName, "/music/song.mp3");
  EXPECT_EQ(form->windowTitle(), "Unsupported File Format.");  // no such file here
  EXPECT_EQ(form->ModeStep, 1);  // order Net Radio, Audio Files, Audio CD
  EXPECT_EQ(form->CurrentMode, 0);
}

TEST(Startup, HandedOverFileOpensOnlyInAudioFilesMode) {
  ProgramFolder folder;
  StartedForm form(folder);
  ASSERT_TRUE(form.create());

  form->HandOverReceived("  /music/a b.mp3 ");
  EXPECT_EQ(form->OpenDialog1.fileName, "/music/a b.mp3");
  EXPECT_EQ(form->windowTitle(), "Unsupported File Format.");  // no such file here

  form->CurrentMode = 2;
  form->HandOverReceived("/music/other.mp3");
  EXPECT_EQ(form->OpenDialog1.fileName, "/music/a b.mp3");
  EXPECT_TRUE(form.dialogs.fileDialogs.isEmpty());
  form->CurrentMode = 0;
}

TEST(Startup, EngineErrorShowsTheEngineErrorCode) {
  ProgramFolder folder;
  StartedForm form(folder);
  form->ShowEngineError("Can't initialize device");
  ASSERT_EQ(form.dialogs.messages.size(), 1);
  EXPECT_TRUE(form.dialogs.messages[0].startsWith("Can't initialize device\n(error code: "));
  EXPECT_TRUE(form.dialogs.messages[0].endsWith(")"));
}

}  // namespace
