// Net Radio's window side: the station buttons and the radio panel's buttons reach the mode.
#include "app/equalizer_panel.h"
#include "app/form.h"
#include "radio/radio_list.h"

#include <QPushButton>

namespace tavelo {

void TFormMyTavelo::ConnectRadio() {
  for (int station = 1; station <= kStationCount; ++station)
    connect(StationButtons[std::size_t(station)], &QPushButton::clicked, this,
            [this, station] { radioMode_->NetRadioButtonClick(station); });
  connect(BnetRadioPause, &QPushButton::clicked, this, [this] { radioMode_->BnetRadioPauseClick(); });
  connect(BNetRadioStop, &QPushButton::clicked, this, [this] { radioMode_->BNetRadioStopClick(); });
  connect(BNetRadioRec, &QPushButton::clicked, this, [this] { radioMode_->BNetRadioRecClick(); });
}

bool TFormMyTavelo::forcedToEncode(int station) const {
  return station >= 1 && station <= kStationCount && StationButtons[std::size_t(station)]->ForceEncode;
}

bool TFormMyTavelo::equalizerEnabled() const { return eqPanel_->enabled(); }
void TFormMyTavelo::ApplyEqualizer(std::uint32_t stream) { eqPanel_->ApplyEqualizer(stream); }
void TFormMyTavelo::RemoveEqualizer(std::uint32_t stream) { eqPanel_->RemoveEqualizer(stream); }

}  // namespace tavelo
