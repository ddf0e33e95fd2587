// Volume: the slider drives a line of the system mixer, and the mixer's changes come back to it.
#include "app/form.h"
#include "app/settings_panel.h"
#include "app/tags.h"

#include "files/volume_scale.h"

#include <QComboBox>
#include <QLabel>
#include <QSlider>

namespace tavelo {

namespace {

// Our own stream's level while the slider drives the whole sink (-2 dB).
constexpr int kOwnStreamLevel = 52000;

}  // namespace

void TFormMyTavelo::CreateMixer() {
  AudioMixer1 = new TAudioMixer(this);
  AudioMixer1->setObjectName(QStringLiteral("AudioMixer1"));
  connect(AudioMixer1, &TAudioMixer::OnControlChange, this, &TFormMyTavelo::AudioMixer1ControlChange);
  connect(TrackBar1, &QSlider::valueChanged, this, &TFormMyTavelo::TrackBar1Change);
}

void TFormMyTavelo::FillMixerList() {
  QComboBox* list = settingsPanel_->mixerList();
  const QString shown = list->currentText();
  list->clear();
  for (int id = 0; id < AudioMixer1->DeviceCount(); ++id) list->addItem(AudioMixer1->ProductNameOf(id));
  list->setCurrentIndex(list->findText(shown, Qt::MatchExactly));
}

// The mixer as found, put back at closing; the slider then drives the whole sink and our stream
// keeps a fixed share of it. A number beyond the list leaves the default sink chosen.
void TFormMyTavelo::CaptureMixer() {
  AudioMixer1->SetMixerId(Stored.mixerId);
  SavedDevice = AudioMixer1->DeviceName();
  AudioMixer1->GetVolume(0, 0, SavedSource);
  AudioMixer1->GetVolume(0, TAudioMixer::kWholeLine, SavedMaster);
  const int volumeLine = SavedMaster.volumeDisabled ? 0 : TAudioMixer::kWholeLine;
  setTag(AudioMixer1, volumeLine);
  if (volumeLine == TAudioMixer::kWholeLine) AudioMixer1->SetVolume(0, 0, kOwnStreamLevel, kOwnStreamLevel, 0);
}

// The stored position, or on a first start the system volume as found. The handler runs even
// when the slider is already there: the mixer must get the level either way.
void TFormMyTavelo::StartVolume(const std::optional<int>& storedPosition) {
  const int position = storedPosition.value_or(firstStartPosition(SavedMaster.left));
  if (TrackBar1->value() == position) emit TrackBar1->valueChanged(position);
  else TrackBar1->setValue(position);
}

void TFormMyTavelo::TrackBar1Change(int position) {
  if (Closing) return;
  Label16->setText(volumeLabel(position));
  const int level = levelOfPosition(position);
  // Writing back an outside change leaves the mute to whoever set it; the user's own moves un-mute.
  const int mute = FollowingMixer ? TAudioMixer::kKeep : 0;
  AudioMixer1->SetVolume(0, tagOf(AudioMixer1), level, level, mute);
  Notice(volumeNotice(Label16->text(), radioMode_->recordRunning(), Captions.lastSeen()));
}

// The slider follows the mixer; its handler writes the whole decibel back, which settles after
// one round. The label shows the mixer's own value. A line that cannot be read (no server, the
// sink unloaded) leaves the slider where it is, so the stored volume is not lost.
void TFormMyTavelo::AudioMixer1ControlChange() {
  if (Closing) return;
  TAudioMixer::LineState line;
  if (!AudioMixer1->GetVolume(0, tagOf(AudioMixer1), line)) return;
  const VolumeReading reading = readingOfLevels(line.left, line.right);
  FollowingMixer = true;
  TrackBar1->setValue(reading.position);
  FollowingMixer = false;
  Label16->setText(reading.label);
}

// Back to the sink captured at start-up, wherever our stream went meanwhile; a sink that is gone
// has nothing to put back, and its values are not another sink's.
void TFormMyTavelo::RestoreMixer() {
  AudioMixer1->ChooseDevice(SavedDevice);
  if (AudioMixer1->DeviceName() == SavedDevice)
    AudioMixer1->SetVolume(0, TAudioMixer::kWholeLine, SavedMaster.left, SavedMaster.right, SavedMaster.mute);
  AudioMixer1->SetVolume(0, 0, SavedSource.left, SavedSource.right, SavedSource.mute);
}

}  // namespace tavelo
