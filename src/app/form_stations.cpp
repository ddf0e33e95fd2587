// Station buttons and radio lists: the station settings panel opened from a button's right
// click, paging through the stations, loading and saving lists, and picking a station by number.
#include "app/form.h"
#include "app/station_settings_panel.h"

#include "radio/radio_list.h"
#include "radio/station_settings.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>

namespace tavelo {

namespace {

const QString kRadioListFilter = QStringLiteral("Radio List Files (*.rls)|*.rls");

int radioClientHeight() { return modeLayout(PlayMode::NetRadio).heightAboveFrame; }

}  // namespace

void TFormMyTavelo::ConnectStations() {
  for (int station = 1; station <= kStationCount; ++station) {
    connect(StationButtons[static_cast<std::size_t>(station)], &QWidget::customContextMenuRequested, this,
            [this, station](const QPoint& position) { NetRadioButtonRClick(station, position); });
  }
  connect(stationSettingsPanel_, &StationSettingsPanel::okClicked, this, &TFormMyTavelo::BnetOkClick);
  connect(stationSettingsPanel_, &StationSettingsPanel::previousClicked, this, &TFormMyTavelo::btn_backClick);
  connect(stationSettingsPanel_, &StationSettingsPanel::nextClicked, this, &TFormMyTavelo::btn_forClick);
  connect(btn_LoadRlst, &QPushButton::clicked, this, &TFormMyTavelo::btn_LoadRlstClick);
  connect(btn_SaveRlst, &QPushButton::clicked, this, &TFormMyTavelo::btn_SaveRlstClick);
  AddClickHook(Label22, [this] { Label22Click(); });
}

// Each button shows its station's name as its hint and mirrors its force-encode flag.
void TFormMyTavelo::RefreshStationButtons() {
  for (int station = 1; station <= kStationCount; ++station) {
    TMyButton* button = StationButtons[static_cast<std::size_t>(station)];
    button->setToolTip(stationName(RadioList, station));
    button->ForceEncode = stationForceEncode(RadioList, station);
  }
}

void TFormMyTavelo::NetRadioButtonRClick(int station, const QPoint& position) {
  if (height() < radioClientHeight()) resize(width(), radioClientHeight());
  stationSettingsPanel_->fill(station, stationEditOf(RadioList, station));
  if (position != kPagingPosition) stationSettingsPanel_->moveHome();
  stationSettingsPanel_->show();
  stationSettingsPanel_->raise();
}

// The file is written later: on loading another list, on saving, and on closing.
void TFormMyTavelo::BnetOkClick() {
  StationSettingsPanel* panel = stationSettingsPanel_;
  applyStationEdit(RadioList, panel->station(), panel->stationEdit(), panel->proxyForAll());
  RefreshStationButtons();
  panel->clearProxyForAll();
  panel->hide();
}

void TFormMyTavelo::btn_backClick() { PageStation(-1); }
void TFormMyTavelo::btn_forClick() { PageStation(+1); }

// Both arrows offer to keep the edits first; at either end the panel stays on its station
// (closed by Ok when the edits were kept).
void TFormMyTavelo::PageStation(int step) {
  StationSettingsPanel* panel = stationSettingsPanel_;
  const int next = panel->station() + step;
  if (panel->modified() && dialogs_.confirm(this, QStringLiteral("Save ") + panel->title())) BnetOkClick();
  if (next >= 1 && next <= kStationCount) NetRadioButtonRClick(next, kPagingPosition);
}

void TFormMyTavelo::Label22Click() {
  btn_LoadRlst->setVisible(btn_LoadRlst->isHidden());
  btn_SaveRlst->setVisible(btn_SaveRlst->isHidden());
}

bool TFormMyTavelo::LoadRadioList(const QString& path) {
  std::optional<QStringList> lines = readRadioListFile(path);
  if (!lines) {
    dialogs_.message(this, radioListReadError(path));
    return false;
  }
  normaliseRadioList(*lines);
  RadioList = *lines;
  RadioListPath = path;
  SaveRadioListOnClose = true;
  ShowRadioListTitle();
  OpenDialog1.fileName.clear();
  // The panel would otherwise write the old list's station into the new list on Ok.
  stationSettingsPanel_->hide();
  RefreshStationButtons();
  return true;
}

bool TFormMyTavelo::SaveRadioList(const QString& path) {
  const FileWriteResult result = saveRadioList(path, RadioList);
  if (!result.ok) dialogs_.message(this, result.message);
  return result.ok;
}

// The current list is kept first; a list that could not be kept is not replaced by another.
// A list file that exists but could not be read at start-up is never overwritten.
void TFormMyTavelo::btn_LoadRlstClick() {
  if (!SaveRadioListOnClose || SaveRadioList(RadioListPath)) {
    FileDialogSettings dialog = OpenDialog1;
    dialog.fileName.clear();
    dialog.filter = kRadioListFilter;
    dialog.title = QStringLiteral("Open Radio List File");
    dialog.initialDir = ProgramDir + QStringLiteral("RLists");
    dialog.fileMustExist = true;
    dialog.multiSelect = false;
    OpenDialog1.fileName.clear();
    const QStringList chosen = dialogs_.openFiles(this, dialog);
    if (!chosen.isEmpty()) LoadRadioList(chosen.constFirst());
  }
  HideRadioListButtons();
  QDir::setCurrent(ProgramDir);
}

void TFormMyTavelo::btn_SaveRlstClick() {
  SaveDialog1.filter = kRadioListFilter;
  SaveDialog1.defaultSuffix = QStringLiteral("rls");
  SaveDialog1.confirmOverwrite = true;
  SaveDialog1.initialDir = ProgramDir + QStringLiteral("RLists");
  const QString chosen = dialogs_.saveFile(this, SaveDialog1);
  if (!chosen.isEmpty() && SaveRadioList(chosen)) {
    RadioListPath = chosen;
    SaveRadioListOnClose = true;
    SaveDialog1.fileName.clear();
    ShowRadioListTitle();
  }
  HideRadioListButtons();
  QDir::setCurrent(ProgramDir);
}

void TFormMyTavelo::ShowRadioListTitle() { Label22->setText(radioListTitle(RadioListPath)); }

void TFormMyTavelo::HideRadioListButtons() {
  btn_LoadRlst->hide();
  btn_SaveRlst->hide();
}

void TFormMyTavelo::SelectStationByNumber() {
  const std::optional<QString> typed =
      dialogs_.inputText(this, QStringLiteral("Choice radio station"),
                         QStringLiteral("Enter number of radio station button"), false, QString());
  if (!typed) return;
  const std::optional<int> station = stationNumberOf(*typed);
  if (!station) {
    dialogs_.message(this, QStringLiteral("Invalid Input!"));
    return;
  }
  StationButtons[static_cast<std::size_t>(*station)]->click();
}

}  // namespace tavelo
