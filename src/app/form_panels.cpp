// The side panels: radio, station settings and record settings built here; settings, equaliser,
// sleep and tags are panel classes of their own that the window creates and listens to.
#include "app/equalizer_panel.h"
#include "app/form.h"
#include "app/form_builders.h"
#include "app/settings_panel.h"
#include "app/sleep_panel.h"
#include "app/tag_panel.h"

#include <QGroupBox>
#include <QRadioButton>
#include <QSystemTrayIcon>

using namespace form;

namespace {

QPushButton* glyphButton(QWidget* parent, const char* name, const QString& glyph, const QRect& geometry,
                         const QString& hint) {
  auto* created = button(parent, name, {}, geometry, hint);
  setGlyph(created, glyph);
  return created;
}

template <std::size_t N>
std::array<QRadioButton*, N> radioItems(QGroupBox* group, const QStringList& captions, int top, int step) {
  std::array<QRadioButton*, N> items{};
  for (std::size_t i = 0; i < N; ++i) {
    items[i] = new QRadioButton(captions[static_cast<qsizetype>(i)], group);
    items[i]->setObjectName(group->objectName() + QString::number(i));
    items[i]->setGeometry(8, top + static_cast<int>(i) * step, group->width() - 16, step);
  }
  return items;
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

void TFormMyTavelo::CreateStationSettingsPanel() {
  p_radioSet = panel(this, "p_radioSet", QRect(16, 134, 376, 236));
  Label27 = label(p_radioSet, "Label27", {}, QRect(8, 4, 300, 16));
  Ename = edit(p_radioSet, "Ename", QRect(60, 24, 306, 22));
  caption(Ename, QStringLiteral("Name"), QRect(8, 26, 50, 18));
  Eurl = edit(p_radioSet, "Eurl", QRect(60, 50, 306, 22));
  caption(Eurl, QStringLiteral("URL"), QRect(8, 52, 50, 18));
  rg_ProxySet = place(new QGroupBox(QStringLiteral("Proxy Settings"), p_radioSet), "rg_ProxySet",
                      QRect(8, 76, 358, 82));
  ProxyChoices = radioItems<3>(rg_ProxySet,
                               {QStringLiteral("Use proxy [user:pass@]server:port"),
                                QStringLiteral("Use IE proxy settings"), QStringLiteral("Don't use a proxy")},
                               18, 20);
  Eproxy = edit(p_radioSet, "Eproxy", QRect(8, 162, 358, 22));
  ChBoxSetDefaultProxy = checkBox(p_radioSet, "ChBoxSetDefaultProxy", QStringLiteral("Set  Proxy for All Connections"),
                                  QRect(8, 186, 220, 20));
  ChBoxForceRec = checkBox(p_radioSet, "ChBoxForceRec", QStringLiteral("Force Encode "), QRect(236, 186, 130, 20));
  btn_back = button(p_radioSet, "btn_back", QStringLiteral("<"), QRect(8, 208, 30, 22));
  btn_for = button(p_radioSet, "btn_for", QStringLiteral(">"), QRect(42, 208, 30, 22));
  BnetOk = button(p_radioSet, "BnetOk", QStringLiteral("Ok"), QRect(250, 208, 70, 22));
  BNetSettingsClose = closeButton(p_radioSet, "BNetSettingsClose", QRect(346, 2, 22, 20));
}

void TFormMyTavelo::CreateRecordSettingsPanel() {
  p_recSet = panel(this, "p_recSet", QRect(16, 134, 376, 236));
  ERecDir = edit(p_recSet, "ERecDir", QRect(8, 42, 318, 22));
  caption(ERecDir, QStringLiteral("Record Root Directory"), QRect(8, 22, 200, 18));
  BRecDir = button(p_recSet, "BRecDir", QStringLiteral(">>"), QRect(330, 42, 36, 22));
  RGRecFileFormat = place(new QGroupBox(QStringLiteral("Record File Format"), p_recSet), "RGRecFileFormat",
                          QRect(8, 70, 200, 160));
  RecFormatChoices = radioItems<7>(RGRecFileFormat,
                                   {QStringLiteral("MP3 file"), QStringLiteral("AAC file"), QStringLiteral("OGG file"),
                                    QStringLiteral("FLAC file"), QStringLiteral("APE file"), QStringLiteral("WV file"),
                                    QStringLiteral("WAVE file")},
                                   18, 19);
  RecFormatChoices[0]->setChecked(true);
  cb_bitrate = dropDown(p_recSet, "cb_bitrate", QRect(220, 88, 146, 22),
                        {QStringLiteral("64 kbps"), QStringLiteral("96 kbps"), QStringLiteral("128 kbps"),
                         QStringLiteral("160 kbps"), QStringLiteral("192 kbps"), QStringLiteral("256 kbps"),
                         QStringLiteral("320 kbps")});
  RecSetOk = button(p_recSet, "RecSetOk", QStringLiteral("Ok"), QRect(296, 206, 70, 22));
  BRecSetClose = closeButton(p_recSet, "BRecSetClose", QRect(346, 2, 22, 20));
}

void TFormMyTavelo::CreateSidePanels() {
  settingsPanel_ = new SettingsPanel(this);
  eqPanel_ = new EqualizerPanel(this);
  sleepPanel_ = new SleepPanel(this);
  tagPanel_ = new TagPanel(this);
  connect(settingsPanel_, &SettingsPanel::highPriorityToggled, this, &TFormMyTavelo::ApplyProcessPriority);
  connect(settingsPanel_, &SettingsPanel::minToTrayToggled, this, [this](bool on) {
    TrayIcon1->setVisible(on && QSystemTrayIcon::isSystemTrayAvailable());
  });
}
