// The Net Radio mode: thirty station buttons and one stream. Connecting and recording arrive
// with the radio; this holds the stream and what leaving the mode resets.
#pragma once

#include "app/engine_handles.h"
#include "app/playback_mode.h"

class QLabel;
class QPushButton;

namespace tavelo {

// The radio panel's controls the mode uses.
struct RadioControls {
  QPushButton *BnetRadioPause, *BNetRadioRec;
  QLabel *Label4, *Label5, *Label6;
};

class NetRadioMode : public PlaybackMode {
 public:
  NetRadioMode(ModeControls controls, ModeWindow& window, RadioControls radio)
      : PlaybackMode(controls, window), radio_(radio) {}

  PlayMode kind() const override { return PlayMode::NetRadio; }
  // Stops the stream and shows the radio panel idle.
  void leave() override;

  // The stream a station's connection opened; the one before it is freed.
  void setStream(StreamHandle stream) { stream_ = std::move(stream); }
  std::uint32_t stream() const { return stream_.get(); }
  // A radio recording runs: the mode cannot be left, and notices say "<Record>".
  bool recordRunning() const { return recordRunning_; }
  void setRecordRunning(bool running);

 private:
  RadioControls radio_;
  StreamHandle stream_;
  bool recordRunning_ = false;
};

}  // namespace tavelo
