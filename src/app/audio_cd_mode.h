// The Audio CD mode: the tracks of a disc in a drive. Its transport arrives with CD playback;
// until then the CD buttons leave the player as it is, and Stop shows it stopped.
#pragma once

#include "app/playback_mode.h"

class QComboBox;

namespace tavelo {

class AudioCdMode : public PlaybackMode {
 public:
  AudioCdMode(ModeControls controls, ModeWindow& window, QComboBox* drives)
      : PlaybackMode(controls, window), drives_(drives) {}

  PlayMode kind() const override { return PlayMode::AudioCd; }
  // The drive chosen in CBCDdrives becomes the drive in use.
  void enter() override;
  // CBCDdrives' item index of the drive in use.
  int currentDrive() const { return currentDrive_; }

 private:
  QComboBox* drives_;
  int currentDrive_ = 0;
};

}  // namespace tavelo
