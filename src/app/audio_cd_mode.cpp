#include "app/audio_cd_mode.h"

#include <QComboBox>

void AudioCdMode::enter() { currentDrive_ = drives_->currentIndex(); }
