// The record settings panel (p_recSet): the root folder, the file format and the bitrate of
// recordings and rips.
#pragma once

#include "app/side_panel.h"

#include "recording/encoders.h"

#include <array>

class QRadioButton;

namespace tavelo {

class RecordSettingsPanel : public SidePanel {
  Q_OBJECT
 public:
  explicit RecordSettingsPanel(QWidget* parent);

  // A format whose encoder is missing cannot be chosen.
  void setAvailableFormats(const FormatAvailability& available);

 signals:
  void okClicked();          // RecSetOk
  void chooseFolderClicked();  // BRecDir

 private:
  std::array<QRadioButton*, kRecordFormatCount> formats_{};  // RGRecFileFormat0 .. 6
};

}  // namespace tavelo
