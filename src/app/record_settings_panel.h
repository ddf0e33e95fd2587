// The record settings panel (p_recSet): the root folder, the file format and the bitrate of
// radio recordings, or of rips and conversions. One panel edits either set; its tag says which.
#pragma once

#include "app/side_panel.h"

#include "recording/encoders.h"

#include <array>

class QComboBox;
class QLineEdit;
class QRadioButton;

namespace tavelo {

class Dialogs;

struct RecordSettings {
  QString folder;
  int format = 0;
  int bitrate = kDefaultBitrate;
};

enum class RecordSettingsSet { Radio = 0, Ripping = 1 };

class RecordSettingsPanel : public SidePanel {
  Q_OBJECT
 public:
  explicit RecordSettingsPanel(QWidget* parent);

  // A format whose encoder is missing cannot be chosen.
  void setAvailableFormats(const FormatAvailability& available);
  // Shows the panel on `values` of that set, placed where that set's button is.
  void open(RecordSettingsSet set, const RecordSettings& values);
  RecordSettingsSet set() const { return set_; }
  // What the panel shows now (no check is made: "Ok" stores it as it is).
  RecordSettings values() const;
  // ">>": the folder picker, starting at the folder shown when it exists.
  void BRecDirClick(Dialogs& dialogs);

 signals:
  // "Ok": the caller stores values() as set()'s settings and hides the panel.
  void okClicked();
  void chooseFolderClicked();  // BRecDir

 private:
  // The bitrate matters for MP3, AAC and OGG only.
  void RGRecFileFormatClick();
  int checkedFormat() const;

  QLineEdit* folder_ = nullptr;  // ERecDir
  std::array<QRadioButton*, kRecordFormatCount> formats_{};  // RGRecFileFormat0 .. 6
  QComboBox* bitrate_ = nullptr;  // cb_bitrate
  RecordSettingsSet set_ = RecordSettingsSet::Radio;
};

}  // namespace tavelo
