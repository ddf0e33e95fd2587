// Every control of the window exists under its name with its designed caption, hint and state.
#include "app/equalizer_panel.h"
#include "app/glyphs.h"
#include "app/settings_panel.h"
#include "app/sleep_panel.h"
#include "program_folder.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QRadioButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSlider>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <gtest/gtest.h>

using namespace tavelo;

namespace {

struct ControlCase {
  const char* name;
  QString caption;  // text, group title, glyph code, or the caption beside an edit, list or grid
  QString hint;
};

QString captionOf(const QWidget* widget) {
  if (const QString glyph = glyphOf(widget); !glyph.isEmpty()) return glyph;
  if (auto* button = qobject_cast<const QAbstractButton*>(widget)) return button->text();
  if (auto* label = qobject_cast<const QLabel*>(widget)) return label->text();
  if (auto* group = qobject_cast<const QGroupBox*>(widget)) return group->title();
  return widget->accessibleName();
}

class ControlsTest : public ::testing::Test {
 protected:
  ProgramFolder folder;
  RecordingDialogs dialogs;
  TFormMyTavelo form{dialogs, folder.path()};

  QWidget* find(const char* name) { return form.findChild<QWidget*>(QLatin1String(name)); }
  template <class Widget>
  Widget* findAs(const char* name) {
    auto* found = form.findChild<Widget*>(QLatin1String(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
  }
};

const ControlCase kControls[] = {
    {"CheckBoxFullDir", "Play Full Dir", ""},
    {"ChBoxRep", "Repeat", ""},
    {"CBCDdrives", "", ""},
    {"ButtonOpen", "Open", ""},
    {"BLockUnlock", u"\u041F"_qs, ""},
    {"ButtonPrev", "9", "Back (B)"},
    {"ButtonPlay", "4", "Play (P)"},
    {"ButtonPause", ";", "Pause (Space)"},
    {"ButtonStop", "<", "Stop (S)"},
    {"ButtonNext", ":", "Next (N)"},
    {"sb_decode", " =", "Record"},
    {"chb_decodeAll", "", "All Tracks"},
    {"TrackBar1", "", ""},
    {"PBL", "", ""},
    {"PBR", "", ""},
    {"Label13", "L", ""},
    {"Label14", "R", ""},
    {"Label12",
     "- 40       - 20     - 12              - 6             - 3             - 1           0         +1               +3  dB",
     ""},
    {"Panel2", "", ""},
    {"Label9", "00:00", ""},
    {"Label30", "", ""},
    {"LabelOp", "", ""},
    {"PB1", "", ""},
    {"p_info", "", ""},
    {"Label1", "00   00:00", ""},
    {"Label2", "Audio Files", ""},
    {"Label3", "Track    Min   Sec", ""},
    {"Image1", "", "Mode"},
    {"Label16", "0 dB", ""},
    {"Label23", "EQ", "EQ on/off"},
    {"Label29", "sleep", "Sleep mode on/off"},
    {"Label32", "=", "Power On/Off"},
    {"Label33", "i", ""},
    {"Label15", "", ""},
    {"Label34", "", ""},
    {"ListBox1", "", ""},
    // Radio panel and station buttons
    {"p_radio", "", ""},
    {"Label4", "", ""},
    {"Label5", "not playing", ""},
    {"Label6", "", ""},
    {"Label17", "Record", ""},
    {"Label22", "", ""},
    {"BnetRadioPause", ";", "Pause Current Radio (Space)"},
    {"BNetRadioStop", "<", "Stop Current Radio (S)"},
    {"BNetRadioRec", "=", "Start Record"},
    {"btn_LoadRlst", "Load Radio List", ""},
    {"btn_SaveRlst", "Save Radio List", ""},
    {"p_SelButtons", "", ""},
    // Station settings
    {"p_radioSet", "", ""},
    {"Ename", "Name", ""},
    {"Eurl", "URL", ""},
    {"rg_ProxySet", "Proxy Settings", ""},
    {"rg_ProxySet0", "Use proxy [user:pass@]server:port", ""},
    {"rg_ProxySet1", "Use IE proxy settings", ""},
    {"rg_ProxySet2", "Don't use a proxy", ""},
    {"Eproxy", "", ""},
    {"ChBoxSetDefaultProxy", "Set  Proxy for All Connections", ""},
    {"ChBoxForceRec", "Force Encode ", ""},
    {"btn_back", "<", ""},
    {"btn_for", ">", ""},
    {"BnetOk", "Ok", ""},
    {"BNetSettingsClose", "r", ""},
    {"Label27", "", ""},
    // Record settings
    {"p_recSet", "", ""},
    {"ERecDir", "Record Root Directory", ""},
    {"BRecDir", ">>", ""},
    {"RGRecFileFormat", "Record File Format", ""},
    {"RGRecFileFormat0", "MP3 file", ""},
    {"RGRecFileFormat1", "AAC file", ""},
    {"RGRecFileFormat2", "OGG file", ""},
    {"RGRecFileFormat3", "FLAC file", ""},
    {"RGRecFileFormat4", "APE file", ""},
    {"RGRecFileFormat5", "WV file", ""},
    {"RGRecFileFormat6", "WAVE file", ""},
    {"cb_bitrate", "", ""},
    {"RecSetOk", "Ok", ""},
    {"BRecSetClose", "r", ""},
    // Settings
    {"p_settings", "", ""},
    {"pc_settings", "", ""},
    {"BordOk", "Ok", ""},
    {"BordClose", "r", ""},
    {"CBfirst", "First", ""},
    {"CBsecond", "Second", ""},
    {"CBthird", "Third", ""},
    {"cbox_en32", "Sample Float", ""},
    {"cbox_priority", "Hight Priority", ""},
    {"cbox_ontop", "Always on Top", ""},
    {"cbox_stray", "Min to SysTray", ""},
    {"cb_audioMixer", "Audio Mixer", ""},
    {"sg_SF2", "Sound Fonts", ""},
    {"chb_useCDDB", "Use CDDB", ""},
    {"cb_CDDBserver", "Server", ""},
    {"edt_cddbmail", "E-mail", ""},
    {"edt_proxy", "Proxy", ""},
    {"edt_port", "Port", ""},
    {"edt_proxyuser", "Username", ""},
    {"edt_proxypass", "Password", ""},
    {"cb_useIRRC", "Use IR RC", ""},
    {"cbox_comPort", "port", ""},
    {"rb_tavelo", "Tavelo", ""},
    {"rb_mplayer", "Mplayer", ""},
    {"sg_rcComm", "", ""},
    // Equaliser
    {"p_EQ", "", ""},
    {"tbar_80", "", ""},
    {"tbar_190", "", ""},
    {"tbar_440", "", ""},
    {"tbar_1000", "", ""},
    {"tbar_2400", "", ""},
    {"tbar_5600", "", ""},
    {"tbar_14000", "", ""},
    {"lab_f1", "0", ""},
    {"lab_f2", "0", ""},
    {"lab_f3", "0", ""},
    {"lab_f4", "0", ""},
    {"lab_f5", "0", ""},
    {"lab_f6", "0", ""},
    {"lab_f7", "0", ""},
    {"lab_scale", "80       190       440     1000     2400     5600    14000", ""},
    {"cbox_enEQ", "Enable EQ", ""},
    {"btn_closeEQ", "x", ""},
    // Sleep
    {"p_sleep", "", ""},
    {"gb_sleep", "Sleep mode settings", ""},
    {"ed_sleep", "Minutes", ""},
    {"cb_powerOff", "Power Off", ""},
    {"cb_shutdown", "Shutdown PC", ""},
    {"btn_sleep", "Start", ""},
    {"Button1", "r", ""},
    // Tags
    {"p_ID3info", "", ""},
    {"ed_TrackNr", "Track Nr", ""},
    {"ed_Title", "Title", ""},
    {"ed_Artist", "Artist", ""},
    {"ed_Album", "Album", ""},
    {"ed_Genre", "Genre", ""},
    {"ed_Year", "Year", ""},
    {"ed_Comments", "Comments", ""},
    {"btn_ID3infoClose", "x", ""},
};

TEST_F(ControlsTest, EveryControlHasItsNameCaptionAndHint) {
  for (const ControlCase& control : kControls) {
    SCOPED_TRACE(control.name);
    const QWidget* widget = find(control.name);
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(captionOf(widget), control.caption);
    EXPECT_EQ(widget->toolTip(), control.hint);
  }
}

TEST_F(ControlsTest, WindowStartsAsDesigned) {
  EXPECT_EQ(form.objectName(), "FormMyTavelo");
  EXPECT_EQ(form.windowTitle(), "Loading Tavelo ...");
  EXPECT_FALSE(form.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(form.windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_STREQ(form.metaObject()->className(), "tavelo::TFormMyTavelo");
}

TEST_F(ControlsTest, HiddenAndDisabledAsDesigned) {
  for (const char* name : {"CBCDdrives", "BLockUnlock", "Label30", "LabelOp", "Label32", "Label34", "p_radio",
                           "p_SelButtons", "p_radioSet", "p_recSet", "p_settings", "p_EQ", "p_sleep", "p_ID3info",
                           "Label17", "btn_LoadRlst", "btn_SaveRlst"}) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(find(name)->isHidden());
  }
  for (const char* name : {"ButtonPrev", "ButtonPlay", "ButtonPause", "ButtonStop", "ButtonNext", "PB1", "cb_powerOff"}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(find(name)->isEnabled());
  }
}

TEST_F(ControlsTest, InitialValuesAndRanges) {
  EXPECT_TRUE(form.CheckBoxFullDir->isChecked());
  EXPECT_FALSE(form.ChBoxRep->isChecked());
  EXPECT_EQ(form.TrackBar1->minimum(), 0);
  EXPECT_EQ(form.TrackBar1->maximum(), 60);
  EXPECT_EQ(form.TrackBar1->tickInterval(), 2);
  for (const ValueBar* bar : {form.PBL, form.PBR, form.PB1}) {
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 100);
  }
  for (int band = 0; band < EqualizerPanel::kBands; ++band) {
    const QSlider* bar = form.eqPanel()->bar(band);
    EXPECT_EQ(bar->orientation(), Qt::Vertical);
    EXPECT_EQ(bar->maximum(), 30);
    EXPECT_EQ(bar->value(), 15);
  }
  EXPECT_TRUE(findAs<QRadioButton>("RGRecFileFormat0")->isChecked());
  const auto* bitrates = findAs<QComboBox>("cb_bitrate");
  EXPECT_EQ(bitrates->count(), 7);
  EXPECT_EQ(bitrates->itemText(4), "192 kbps");
  EXPECT_EQ(form.sleepPanel()->minutesEdit()->text(), "20");
  EXPECT_TRUE(findAs<QCheckBox>("cb_powerOff")->isChecked());
  EXPECT_TRUE(findAs<QRadioButton>("rb_tavelo")->isChecked());
  EXPECT_EQ(findAs<QLineEdit>("edt_proxypass")->echoMode(), QLineEdit::Password);
  const QStringList modes{"Audio Files", "Audio CD", "Net Radio"};
  for (const char* name : {"CBfirst", "CBsecond", "CBthird"}) {
    const auto* box = findAs<QComboBox>(name);
    QStringList items;
    for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
    EXPECT_EQ(items, modes);
  }
  EXPECT_EQ(form.settingsPanel()->modeOrder(), kDefaultModeOrder);
  EXPECT_EQ(form.settingsPanel()->orderInForce(), kDefaultModeOrder);
}

TEST_F(ControlsTest, SettingsPagesAndGrids) {
  const auto* tabs = findAs<QTabWidget>("pc_settings");
  QStringList pages;
  for (int i = 0; i < tabs->count(); ++i) pages << tabs->tabText(i);
  EXPECT_EQ(pages, QStringList({"General", "Audio", "CDDB", "IR RC"}));
  EXPECT_EQ(form.settingsPanel()->soundFontGrid()->columnCount(), 2);
  const auto* commands = findAs<QTableWidget>("sg_rcComm");
  EXPECT_EQ(commands->columnCount(), 3);
  EXPECT_EQ(commands->rowCount(), 30);  // plus the header row
  EXPECT_EQ(commands->horizontalHeaderItem(2)->text(), "Rep.");
}

TEST_F(ControlsTest, NonVisualParts) {
  EXPECT_EQ(form.Timer1->interval(), 200);
  EXPECT_EQ(form.Timer2->interval(), 100);
  EXPECT_FALSE(form.Timer1->isActive());
  EXPECT_FALSE(form.Timer2->isActive());
  EXPECT_EQ(form.OpenDialog1.title, "Open Audio File");
  EXPECT_TRUE(form.OpenDialog1.fileMustExist);
  EXPECT_EQ(form.SaveDialog1.filter, "Radio List Files (*.rls)|*.rls");
  EXPECT_EQ(form.SaveDialog1.defaultSuffix, "rls");
  EXPECT_TRUE(form.SaveDialog1.confirmOverwrite);
  EXPECT_EQ(form.TrayIcon1->toolTip(), "Kolt Tavelo");
  ASSERT_EQ(form.IList1.size(), 3);
  EXPECT_EQ(form.IList1[2].size(), QSize(32, 32));
}

struct MenuCase {
  const char* menu;
  QStringList items;  // captions; "-" for a separator
};

TEST_F(ControlsTest, MenusListTheirItemsInOrder) {
  const MenuCase menus[] = {
      {"PUM1",
       {"Pause", "Play", "Stop", "-", "Search with Tunatic", "Search Caption in Google", "Copy Caption ot Clipboard", "-",
        "Restore Tavelo", "Help", "Close Tavelo", "Cancel Operation"}},
      {"PM1", {"Play track", "Read ID3 info", "Delete track from list"}},
  };
  for (const MenuCase& menu : menus) {
    SCOPED_TRACE(menu.menu);
    const auto* found = form.findChild<QMenu*>(QLatin1String(menu.menu));
    ASSERT_NE(found, nullptr);
    QStringList items;
    for (const QAction* action : found->actions()) items << (action->isSeparator() ? "-" : action->text());
    EXPECT_EQ(items, menu.items);
  }
  EXPECT_EQ(form.PUM1->defaultAction()->objectName(), "RestoreTavelo");
}

}  // namespace
