#include "app/audio_cd_mode.h"

#include <QComboBox>

namespace tavelo {

void AudioCdMode::enter() { currentDrive_ = drives_->currentIndex(); }

}  // namespace tavelo
