#include "app/equalizer_panel.h"
#include "app/form_builders.h"

#include <QAbstractButton>
#include <QLabel>
#include <QSlider>

namespace tavelo {

using namespace form;

namespace {

constexpr const char* kBarNames[] = {"tbar_80", "tbar_190", "tbar_440", "tbar_1000", "tbar_2400", "tbar_5600", "tbar_14000"};
constexpr const char* kGainLabelNames[] = {"lab_f1", "lab_f2", "lab_f3", "lab_f4", "lab_f5", "lab_f6", "lab_f7"};
constexpr int kBarMaximum = 30;
const QColor kEnabledColour(255, 0, 0);
const QColor kDisabledColour(0x80, 0x80, 0x80);

struct PanelPlace {
  int top;
  int windowHeight;  // above the frame
};
constexpr PanelPlace kBelowDisplay{193, 382};
constexpr PanelPlace kBelowRadio{130, 309};
constexpr int kPanelLeft = 12;

}  // namespace

EqualizerPanel::EqualizerPanel(QWidget* parent) : SidePanel(parent, "p_EQ", QRect(12, 193, 384, 180)) {
  for (int band = 0; band < kBands; ++band) createBand(band);
  label(this, "lab_scale", QStringLiteral("80       190       440     1000     2400     5600    14000"),
        QRect(12, 136, 320, 16));
  enableBox_ = checkBox(this, "cbox_enEQ", QStringLiteral("Enable EQ"), QRect(12, 156, 120, 20));
  connect(enableBox_, &QCheckBox::toggled, this, &EqualizerPanel::cbox_enEQClick);
  connect(button(this, "btn_closeEQ", QStringLiteral("x"), QRect(356, 2, 22, 20)), &QAbstractButton::clicked, this,
          &EqualizerPanel::btn_closeEQClick);
}

void EqualizerPanel::createBand(int band) {
  const int left = 12 + band * 44;
  QSlider* bar = place(new QSlider(Qt::Vertical, this), kBarNames[band], QRect(left, 24, 30, 110));
  bar->setRange(0, kBarMaximum);
  bar->setValue(kFlatPosition);
  bar->setInvertedAppearance(true);
  bars_[static_cast<std::size_t>(band)] = bar;
  gainLabels_[static_cast<std::size_t>(band)] = label(this, kGainLabelNames[band], QStringLiteral("0"),
                                                      QRect(left, 6, 34, 16));
  connect(bar, &QSlider::valueChanged, this, [this, band](int position) { tbar_EQChange(band, position); });
}

void EqualizerPanel::tbar_EQChange(int band, int position) {
  if (enabled()) equalizer_.setGain(band, equalizerGainDb(position));
  showGain(band, position);
  emit bandChanged(band, equalizerGainDb(position));
}

void EqualizerPanel::cbox_enEQClick(bool checked) {
  colourLabel(checked);
  if (checked) ApplyEqualizer(currentStream_());
  else RemoveEqualizer(currentStream_());
  emit enabledToggled(checked);
}

void EqualizerPanel::attach(QLabel* eqLabel, std::function<std::uint32_t()> currentStream) {
  eqLabel_ = eqLabel;
  currentStream_ = std::move(currentStream);
  colourLabel(enabled());
}

void EqualizerPanel::colourLabel(bool enabled) {
  if (!eqLabel_) return;
  QPalette palette = eqLabel_->palette();
  palette.setColor(QPalette::WindowText, enabled ? kEnabledColour : kDisabledColour);
  eqLabel_->setPalette(palette);
}

void EqualizerPanel::ApplyEqualizer(std::uint32_t stream) { equalizer_.apply(stream, gains()); }

void EqualizerPanel::RemoveEqualizer(std::uint32_t stream) { equalizer_.remove(stream); }

void EqualizerPanel::equalizeNewStream(std::uint32_t stream) {
  if (enabled()) ApplyEqualizer(stream);
}

void EqualizerPanel::Label23Click() { enable(!enabled()); }

void EqualizerPanel::Label23ContextPopup(bool netRadio, int frameHeight) {
  if (isVisibleTo(parentWidget())) {
    hide();
    return;
  }
  const PanelPlace place = netRadio ? kBelowRadio : kBelowDisplay;
  showAt(QPoint(kPanelLeft, place.top), frameHeight + place.windowHeight);
  bars_[0]->setFocus();
}

void EqualizerPanel::btn_closeEQClick() { closeByButton(); }

Equalizer::Gains EqualizerPanel::gains() const {
  Equalizer::Gains gains{};
  for (std::size_t band = 0; band < gains.size(); ++band) gains[band] = equalizerGainDb(bars_[band]->value());
  return gains;
}

void EqualizerPanel::showGain(int band, int position) {
  gainLabels_[static_cast<std::size_t>(band)]->setText(QString::number(equalizerGainDb(position)));
}

bool EqualizerPanel::enabled() const { return enableBox_->isChecked(); }

void EqualizerPanel::enable(bool on) { enableBox_->setChecked(on); }

EqualizerPanel::Positions EqualizerPanel::positions() const {
  Positions positions{};
  for (std::size_t band = 0; band < positions.size(); ++band) positions[band] = bars_[band]->value();
  return positions;
}

void EqualizerPanel::setPositions(const Positions& positions) {
  for (std::size_t band = 0; band < positions.size(); ++band) bars_[band]->setValue(positions[band]);
}

QSlider* EqualizerPanel::bar(int band) const { return bars_.at(static_cast<std::size_t>(band)); }

}  // namespace tavelo
