#include "app/record_settings_panel.h"
#include "app/form_builders.h"

#include <QGroupBox>
#include <QRadioButton>

namespace tavelo {

using namespace form;

RecordSettingsPanel::RecordSettingsPanel(QWidget* parent)
    : SidePanel(parent, "p_recSet", QRect(16, 134, 376, 236)) {
  QLineEdit* folder = edit(this, "ERecDir", QRect(8, 42, 318, 22));
  caption(folder, QStringLiteral("Record Root Directory"), QRect(8, 22, 200, 18));
  connect(button(this, "BRecDir", QStringLiteral(">>"), QRect(330, 42, 36, 22)), &QPushButton::clicked, this,
          &RecordSettingsPanel::chooseFolderClicked);
  auto* group = place(new QGroupBox(QStringLiteral("Record File Format"), this), "RGRecFileFormat",
                      QRect(8, 70, 200, 160));
  formats_ = radioItems<kRecordFormatCount>(
      group,
      {QStringLiteral("MP3 file"), QStringLiteral("AAC file"), QStringLiteral("OGG file"), QStringLiteral("FLAC file"),
       QStringLiteral("APE file"), QStringLiteral("WV file"), QStringLiteral("WAVE file")},
      18, 19);
  formats_[0]->setChecked(true);
  dropDown(this, "cb_bitrate", QRect(220, 88, 146, 22),
           {QStringLiteral("64 kbps"), QStringLiteral("96 kbps"), QStringLiteral("128 kbps"), QStringLiteral("160 kbps"),
            QStringLiteral("192 kbps"), QStringLiteral("256 kbps"), QStringLiteral("320 kbps")});
  connect(button(this, "RecSetOk", QStringLiteral("Ok"), QRect(296, 206, 70, 22)), &QPushButton::clicked, this,
          &RecordSettingsPanel::okClicked);
  closeOn(closeButton(this, "BRecSetClose", QRect(346, 2, 22, 20)));
}

void RecordSettingsPanel::setAvailableFormats(const FormatAvailability& available) {
  for (std::size_t format = 0; format < formats_.size(); ++format) formats_[format]->setEnabled(available[format]);
}

}  // namespace tavelo
