#include "app/record_settings_panel.h"

#include "app/dialogs.h"
#include "app/form_builders.h"

#include <QButtonGroup>
#include <QDir>
#include <QGroupBox>
#include <QRadioButton>

namespace tavelo {

using namespace form;

namespace {

constexpr int kFirstFormatWithoutBitrate = 3;  // FLAC, APE, WV and WAVE have no bitrate

}  // namespace

RecordSettingsPanel::RecordSettingsPanel(QWidget* parent)
    : SidePanel(parent, "p_recSet", QRect(16, 134, 376, 236)) {
  folder_ = edit(this, "ERecDir", QRect(8, 42, 318, 22));
  caption(folder_, QStringLiteral("Record Root Directory"), QRect(8, 22, 200, 18));
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
  for (QRadioButton* format : formats_)
    connect(format, &QRadioButton::clicked, this, &RecordSettingsPanel::RGRecFileFormatClick);
  bitrate_ = dropDown(this, "cb_bitrate", QRect(220, 88, 146, 22),
                      {QStringLiteral("64 kbps"), QStringLiteral("96 kbps"), QStringLiteral("128 kbps"),
                       QStringLiteral("160 kbps"), QStringLiteral("192 kbps"), QStringLiteral("256 kbps"),
                       QStringLiteral("320 kbps")});
  connect(button(this, "RecSetOk", QStringLiteral("Ok"), QRect(296, 206, 70, 22)), &QPushButton::clicked, this,
          &RecordSettingsPanel::okClicked);
  closeOn(closeButton(this, "BRecSetClose", QRect(346, 2, 22, 20)));
}

void RecordSettingsPanel::setAvailableFormats(const FormatAvailability& available) {
  for (std::size_t format = 0; format < formats_.size(); ++format) formats_[format]->setEnabled(available[format]);
}

void RecordSettingsPanel::open(RecordSettingsSet set, const RecordSettings& values) {
  set_ = set;
  move(48, set == RecordSettingsSet::Radio ? 140 : 220);
  folder_->setText(values.folder);
  if (values.format >= 0 && values.format < kRecordFormatCount) formats_[std::size_t(values.format)]->setChecked(true);
  bitrate_->setCurrentIndex(values.bitrate);
  RGRecFileFormatClick();
  show();
  raise();
}

RecordSettings RecordSettingsPanel::values() const {
  return {folder_->text(), checkedFormat(), bitrate_->currentIndex()};
}

void RecordSettingsPanel::BRecDirClick(Dialogs& dialogs) {
  const QString shown = folder_->text();
  const QString start = !shown.isEmpty() && QDir(shown).exists() ? shown : QString();
  const QString chosen =
      dialogs.pickFolder(window(), QStringLiteral("Select Directory to Save Recorded Tracks"), start);
  if (!chosen.isEmpty()) folder_->setText(chosen);
}

void RecordSettingsPanel::RGRecFileFormatClick() {
  const int format = checkedFormat();
  bitrate_->setEnabled(format >= 0 && format < kFirstFormatWithoutBitrate);
}

int RecordSettingsPanel::checkedFormat() const {
  for (std::size_t format = 0; format < formats_.size(); ++format)
    if (formats_[format]->isChecked()) return int(format);
  return -1;
}

}  // namespace tavelo
