// The record settings panel on a real window: a right click on either record button opens its
// set, the bitrate follows the format, ">>" asks for a folder, "Ok" stores into that set alone.
#include "app/record_settings_panel.h"
#include "program_folder.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace tavelo;

namespace {

class RecordSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form.show();
    form.Stored.recordRoot = "/radio/rec";
    form.Stored.radioFormat = 2;
    form.Stored.radioBitrate = 1;
    form.Stored.ripRoot = "/rips";
    form.Stored.ripFormat = 3;
    form.Stored.ripBitrate = 6;
  }
  template <class Widget>
  Widget* find(const QString& name) {
    auto* found = form.findChild<Widget*>(name);
    EXPECT_NE(found, nullptr) << name.toStdString();
    return found;
  }
  void rightClick(QWidget* control) { QTest::mouseClick(control, Qt::RightButton); }
  QRadioButton* formatItem(int format) { return find<QRadioButton>(QStringLiteral("RGRecFileFormat%1").arg(format)); }

  ProgramFolder folder;
  RecordingDialogs dialogs;
  TFormMyTavelo form{dialogs, folder.path()};
};

TEST_F(RecordSettingsTest, EachRecordButtonOpensItsOwnSet) {
  const struct {
    const char* button;
    const char* folder;
    int format, bitrate;
    bool bitrateEnabled;
    int top;
  } cases[] = {
      {"BNetRadioRec", "/radio/rec", 2, 1, true, 140},
      {"sb_decode", "/rips", 3, 6, false, 220},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.button);
    auto* panel = find<QWidget>("p_recSet");
    panel->hide();
    rightClick(find<QWidget>(c.button));
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->pos(), QPoint(48, c.top));
    EXPECT_EQ(find<QLineEdit>("ERecDir")->text(), c.folder);
    EXPECT_TRUE(formatItem(c.format)->isChecked());
    EXPECT_EQ(find<QComboBox>("cb_bitrate")->currentIndex(), c.bitrate);
    EXPECT_EQ(find<QComboBox>("cb_bitrate")->isEnabled(), c.bitrateEnabled);
  }
}

TEST_F(RecordSettingsTest, TheBitrateIsChosenOnlyForMp3AacAndOgg) {
  rightClick(find<QWidget>("BNetRadioRec"));
  for (int format = 0; format < kRecordFormatCount; ++format) {
    formatItem(format)->click();
    EXPECT_EQ(find<QComboBox>("cb_bitrate")->isEnabled(), format < 3) << format;
  }
}

TEST_F(RecordSettingsTest, OkStoresIntoTheSetThatWasOpenedAndKeepsTheOther) {
  rightClick(find<QWidget>("sb_decode"));
  dialogs.chosenFolders.enqueue("/chosen");
  find<QPushButton>("BRecDir")->click();
  EXPECT_EQ(find<QLineEdit>("ERecDir")->text(), "/chosen");
  dialogs.chosenFolders.clear();
  find<QPushButton>("BRecDir")->click();  // cancelled: the folder stays
  EXPECT_EQ(find<QLineEdit>("ERecDir")->text(), "/chosen");
  formatItem(6)->click();
  find<QPushButton>("RecSetOk")->click();
  EXPECT_FALSE(find<QWidget>("p_recSet")->isVisible());
  EXPECT_EQ(form.Stored.ripRoot, "/chosen");
  EXPECT_EQ(form.Stored.ripFormat, 6);
  EXPECT_EQ(form.Stored.ripBitrate, 6) << "kept though it does not apply";
  EXPECT_EQ(form.Stored.recordRoot, "/radio/rec");
  EXPECT_EQ(form.Stored.radioFormat, 2);
  EXPECT_EQ(form.Stored.radioBitrate, 1);
}

TEST_F(RecordSettingsTest, ALeftClickOpensNothing) {
  QTest::mouseClick(find<QWidget>("sb_decode"), Qt::LeftButton);
  EXPECT_FALSE(find<QWidget>("p_recSet")->isVisible());
}

}  // namespace
