// The equaliser panel (p_EQ): seven band sliders with their gain labels and the on/off box.
#pragma once

#include "app/side_panel.h"

#include <array>

class QCheckBox;
class QLabel;
class QSlider;

namespace tavelo {

class EqualizerPanel : public SidePanel {
  Q_OBJECT
 public:
  static constexpr int kBands = 7;
  static constexpr int kFlatPosition = 15;
  using Positions = std::array<int, kBands>;  // slider positions 0 (top, +15 dB) .. 30 (bottom)

  explicit EqualizerPanel(QWidget* parent);

  bool enabled() const;
  // Checks or clears "Enable EQ" as the user would: enabledToggled follows a change.
  void enable(bool on);
  Positions positions() const;
  // Moves the sliders as the user would: bandChanged follows each change.
  void setPositions(const Positions& positions);
  QSlider* bar(int band) const;

 signals:
  // band 0 (80 Hz) .. 6 (14000 Hz); gain in dB, +15 at the top of the slider.
  void bandChanged(int band, int gainDb);
  void enabledToggled(bool on);

 private:
  void createBand(int band);
  void showGain(int band, int position);

  std::array<QSlider*, kBands> bars_{};
  std::array<QLabel*, kBands> gainLabels_{};  // lab_f1 .. lab_f7
  QCheckBox* enableBox_ = nullptr;            // cbox_enEQ
};

// The gain a slider position stands for: 0 dB in the middle, +15 dB at the top.
constexpr int equalizerGainDb(int position) { return EqualizerPanel::kFlatPosition - position; }

}  // namespace tavelo
