// The radio panel and the station buttons' frame are built here; station settings, record
// settings, settings, equaliser, sleep and tags are panel classes that the window creates and
// listens to.
#include "app/equalizer_panel.h"
#include "app/form.h"
#include "app/audio_cd_mode.h"
#include "app/audio_files_mode.h"
#include "app/form_builders.h"
#include "app/record_settings_panel.h"
#include "app/settings_panel.h"
#include "app/sleep_panel.h"
#include "app/station_settings_panel.h"
#include "app/tag_panel.h"

#include <QAction>
#include <QDir>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QSystemTrayIcon>
#include <QTableWidget>
#include <QToolButton>

namespace tavelo {

using namespace form;

namespace {

QPushButton* glyphButton(QWidget* parent, const char* name, const QString& glyph, const QRect& geometry,
                         const QString& hint) {
  auto* created = button(parent, name, {}, geometry, hint);
  setGlyph(created, glyph);
  return created;
}

}  // namespace

void TFormMyTavelo::CreateRadioPanels() {
  p_SelButtons = place(new QFrame(this), "p_SelButtons", QRect(2, 2, 404, 84));
  p_SelButtons->setAutoFillBackground(true);
  p_SelButtons->hide();

  p_radio = panel(this, "p_radio", QRect(2, 130, 404, 100));
  Label4 = label(p_radio, "Label4", {}, QRect(8, 4, 388, 18));
  Label5 = label(p_radio, "Label5", QStringLiteral("not playing"), QRect(8, 24, 388, 30));
  Label5->setWordWrap(true);
  Label6 = label(p_radio, "Label6", {}, QRect(8, 56, 200, 16));
  Label17 = label(p_radio, "Label17", QStringLiteral("Record"), QRect(214, 56, 50, 16));
  Label17->hide();
  Label22 = label(p_radio, "Label22", {}, QRect(270, 56, 126, 16));
  BnetRadioPause = glyphButton(p_radio, "BnetRadioPause", QStringLiteral(";"), QRect(8, 74, 34, 22),
                               QStringLiteral("Pause Current Radio (Space)"));
  BNetRadioStop = glyphButton(p_radio, "BNetRadioStop", QStringLiteral("<"), QRect(46, 74, 34, 22),
                              QStringLiteral("Stop Current Radio (S)"));
  BNetRadioRec = glyphButton(p_radio, "BNetRadioRec", QStringLiteral("="), QRect(84, 74, 34, 22),
                             QStringLiteral("Start Record"));
  btn_LoadRlst = button(p_radio, "btn_LoadRlst", QStringLiteral("Load Radio List"), QRect(140, 74, 120, 22));
  btn_SaveRlst = button(p_radio, "btn_SaveRlst", QStringLiteral("Save Radio List"), QRect(266, 74, 120, 22));
  btn_LoadRlst->hide();
  btn_SaveRlst->hide();
}

// Created in the order the window has always stacked them.
void TFormMyTavelo::CreateSidePanels() {
  stationSettingsPanel_ = new StationSettingsPanel(this);
  recordSettingsPanel_ = new RecordSettingsPanel(this);
  settingsPanel_ = new SettingsPanel(this);
  eqPanel_ = new EqualizerPanel(this);
  sleepPanel_ = new SleepPanel(this);
  tagPanel_ = new TagPanel(this);
  ConnectRecordSettings();
  connect(settingsPanel_, &SettingsPanel::highPriorityToggled, this, &TFormMyTavelo::ApplyProcessPriority);
  connect(settingsPanel_, &SettingsPanel::minToTrayToggled, this, [this](bool on) {
    TrayIcon1->setVisible(on && QSystemTrayIcon::isSystemTrayAvailable());
  });
}

// "EQ" switches the equaliser with a left click and shows its panel with a right click.
void TFormMyTavelo::ConnectEqualizer() {
  eqPanel_->attach(Label23, [this] { return mode().stream(); });
  AddClickHook(Label23, [this] { eqPanel_->Label23Click(); });
  connect(Label23, &QWidget::customContextMenuRequested, this,
          [this] { eqPanel_->Label23ContextPopup(CurrentMode == int(PlayMode::NetRadio), FrameHeight); });
}

// "Read ID3 info" reads the entry under the list's last right click; a CUE list has no paths.
void TFormMyTavelo::ConnectTags() {
  connect(PM1->findChild<QAction*>(QStringLiteral("ReadID3info")), &QAction::triggered, this, [this] {
    filesMode_->menuClosed();
    const int item = filesMode_->contextItem();
    const QStringList& paths = filesMode_->pathList();
    if (item >= 0 && item < paths.size()) tagPanel_->ReadID3infoClick(paths[item], FrameHeight);
  });
}

void TFormMyTavelo::ConnectSoundFonts() {
  QTableWidget* grid = settingsPanel_->soundFontGrid();
  connect(grid, &QTableWidget::cellDoubleClicked, this,
          [this] { settingsPanel_->sg_SF2DblClick(dialogs_, OpenDialog1, ProgramDir); });
  connect(grid, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& position) { settingsPanel_->sg_SF2ContextPopup(position, dialogs_); });
}

void TFormMyTavelo::EqualizeNewStream(std::uint32_t stream) { eqPanel_->equalizeNewStream(stream); }

void TFormMyTavelo::ConnectRecordSettings() {
  connect(recordSettingsPanel_, &RecordSettingsPanel::chooseFolderClicked, this,
          [this] { recordSettingsPanel_->BRecDirClick(dialogs_); });
  connect(recordSettingsPanel_, &RecordSettingsPanel::okClicked, this, &TFormMyTavelo::RecSetOkClick);
  connect(sb_decode, &QToolButton::clicked, this, &TFormMyTavelo::sb_decodeClick);
  for (QWidget* control : {static_cast<QWidget*>(BNetRadioRec), static_cast<QWidget*>(sb_decode)}) {
    AddHook(control, control, [this](QObject* watched, QEvent* event) {
      if (event->type() != QEvent::MouseButtonRelease || static_cast<QMouseEvent*>(event)->button() != Qt::RightButton)
        return false;
      BNetRadioRecMouseUp(watched);
      return true;
    });
  }
}

void TFormMyTavelo::BNetRadioRecMouseUp(QObject* sender) {
  if (sender == BNetRadioRec)
    recordSettingsPanel_->open(RecordSettingsSet::Radio, {Stored.recordRoot, Stored.radioFormat, Stored.radioBitrate});
  else
    recordSettingsPanel_->open(RecordSettingsSet::Ripping, {Stored.ripRoot, Stored.ripFormat, Stored.ripBitrate});
}

void TFormMyTavelo::RecSetOkClick() {
  recordSettingsPanel_->hide();
  const RecordSettings values = recordSettingsPanel_->values();
  if (recordSettingsPanel_->set() == RecordSettingsSet::Ripping) {
    Stored.ripRoot = values.folder;
    Stored.ripFormat = values.format;
    Stored.ripBitrate = values.bitrate;
  } else {
    Stored.recordRoot = values.folder;
    Stored.radioFormat = values.format;
    Stored.radioBitrate = values.bitrate;
  }
}

void TFormMyTavelo::sb_decodeClick() {
  const PlayMode kind = mode().kind();
  if (ListBox1->count() == 0 || kind == PlayMode::NetRadio) return;
  QDir().mkpath(Stored.ripRoot);
  const QString caption = windowTitle();
  const auto format = std::size_t(usableRecordFormat(Stored.ripFormat, availableRecordFormats(ProgramDir)));
  const auto& extension = kRecordFormats[format].extension;
  const auto finished = [this, caption] {
    Notice(caption);
    sb_decode->setEnabled(true);
    chb_decodeAll->setEnabled(true);
    chb_decodeAll->setChecked(false);
    LabelOp->hide();
  };
  Notice(QStringLiteral("<Record>").leftJustified(16) + caption);
  sb_decode->setEnabled(false);
  chb_decodeAll->setEnabled(false);
  LabelOp->show();
  const bool all = chb_decodeAll->isChecked();
  const ConversionSettings settings{ProgramDir, Stored.ripBitrate};
  const QString suffix = QString::fromLatin1(extension.data(), extension.size());
  const bool started = kind == PlayMode::AudioCd
                           ? cdMode_->startRip(all, settings, Stored.ripRoot, suffix, LabelOp, finished)
                           : filesMode_->startConversion(all, settings, Stored.ripRoot, suffix, LabelOp, finished);
  if (!started) finished();
}

}  // namespace tavelo
