// The equaliser panel (p_EQ): seven band sliders with their gain labels and the on/off box, and
// the seven bands it keeps on the stream they were last attached to. The window's "EQ" label
// (Label23) shows the on/off state and opens the panel.
#pragma once

#include "app/side_panel.h"
#include "files/equalizer.h"

#include <array>
#include <cstdint>
#include <functional>

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

  // The window's "EQ" label and what gives the stream of the current mode.
  void attach(QLabel* eqLabel, std::function<std::uint32_t()> currentStream);
  // Attaches the seven bands to stream with the sliders' gains (when the equaliser is enabled,
  // by whoever creates a stream; by cbox_enEQClick).
  void ApplyEqualizer(std::uint32_t stream);
  void RemoveEqualizer(std::uint32_t stream);
  // Applies the equaliser to a stream just created, when it is enabled.
  void equalizeNewStream(std::uint32_t stream);
  void Label23Click();
  // Shows the panel below the display (radio: below the radio panel), the window grown to the
  // mode's height (frameHeight more) when lower; hides it when shown.
  void Label23ContextPopup(bool netRadio, int frameHeight);
  void btn_closeEQClick();

 signals:
  // band 0 (80 Hz) .. 6 (14000 Hz); gain in dB, +15 at the top of the slider.
  void bandChanged(int band, int gainDb);
  void enabledToggled(bool on);

 private:
  void createBand(int band);
  void showGain(int band, int position);
  void tbar_EQChange(int band, int position);
  void cbox_enEQClick(bool checked);
  void colourLabel(bool enabled);
  Equalizer::Gains gains() const;

  std::array<QSlider*, kBands> bars_{};
  std::array<QLabel*, kBands> gainLabels_{};  // lab_f1 .. lab_f7
  QCheckBox* enableBox_ = nullptr;            // cbox_enEQ
  QLabel* eqLabel_ = nullptr;                 // the window's Label23
  std::function<std::uint32_t()> currentStream_ = [] { return 0u; };
  Equalizer equalizer_;
};

// The gain a slider position stands for: 0 dB in the middle, +15 dB at the top.
constexpr int equalizerGainDb(int position) { return EqualizerPanel::kFlatPosition - position; }

}  // namespace tavelo
