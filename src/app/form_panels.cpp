// The side panels: radio, station settings, record settings, settings, equaliser, sleep, tags.
#include "app/form.h"
#include "app/form_builders.h"
#include "app/glyphs.h"
#include "app/tags.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QTableWidget>

using namespace form;

namespace {

const QStringList kModeNames{QStringLiteral("Audio Files"), QStringLiteral("Audio CD"), QStringLiteral("Net Radio")};

QPushButton* closeButton(QWidget* parent, const char* name, const QRect& geometry) {
  auto* created = button(parent, name, {}, geometry);
  setGlyph(created, QStringLiteral("r"));
  return created;
}

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

QTableWidget* grid(QWidget* parent, const char* name, const QRect& geometry, int columns, int rows) {
  auto* created = place(new QTableWidget(rows, columns, parent), name, geometry);
  created->verticalHeader()->hide();
  created->setSelectionBehavior(QAbstractItemView::SelectRows);
  return created;
}

QWidget* settingsPage(const char* name) {
  auto* page = new QWidget;
  page->setObjectName(QLatin1String(name));
  return page;
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

void TFormMyTavelo::CreateSettingsPanel() {
  p_settings = panel(this, "p_settings", QRect(20, 200, 368, 176));
  pc_settings = place(new QTabWidget(p_settings), "pc_settings", QRect(4, 22, 360, 150));
  pc_settings->addTab(CreateGeneralPage(), QStringLiteral("General"));
  pc_settings->addTab(CreateAudioPage(), QStringLiteral("Audio"));
  pc_settings->addTab(CreateCddbPage(), QStringLiteral("CDDB"));
  pc_settings->addTab(CreateRemotePage(), QStringLiteral("IR RC"));
  BordOk = button(p_settings, "BordOk", QStringLiteral("Ok"), QRect(270, 2, 60, 20));
  BordOk->setDefault(true);
  BordClose = closeButton(p_settings, "BordClose", QRect(336, 2, 26, 20));
}

QWidget* TFormMyTavelo::CreateGeneralPage() {
  QWidget* page = settingsPage("ts_general");
  auto* order = place(new QGroupBox(QStringLiteral("Order"), page), "gb_order", QRect(4, 4, 170, 110));
  const auto orderBox = [order](const char* name, const QString& text, int top, int tag) {
    QComboBox* box = dropDown(order, name, QRect(60, top, 102, 22), kModeNames);
    setTag(box, tag);
    caption(box, text, QRect(8, top + 2, 50, 18));
    return box;
  };
  CBfirst = orderBox("CBfirst", QStringLiteral("First"), 20, 0);
  CBsecond = orderBox("CBsecond", QStringLiteral("Second"), 48, 1);
  CBthird = orderBox("CBthird", QStringLiteral("Third"), 76, 2);
  CBsecond->setCurrentIndex(1);
  CBthird->setCurrentIndex(2);
  cbox_en32 = checkBox(page, "cbox_en32", QStringLiteral("Sample Float"), QRect(186, 8, 160, 20));
  cbox_priority = checkBox(page, "cbox_priority", QStringLiteral("Hight Priority"), QRect(186, 32, 160, 20));
  cbox_ontop = checkBox(page, "cbox_ontop", QStringLiteral("Always on Top"), QRect(186, 56, 160, 20));
  cbox_stray = checkBox(page, "cbox_stray", QStringLiteral("Min to SysTray"), QRect(186, 80, 160, 20));
  return page;
}

QWidget* TFormMyTavelo::CreateAudioPage() {
  QWidget* page = settingsPage("ts_audio");
  cb_audioMixer = dropDown(page, "cb_audioMixer", QRect(90, 4, 256, 22));
  caption(cb_audioMixer, QStringLiteral("Audio Mixer"), QRect(4, 6, 84, 18));
  sg_SF2 = grid(page, "sg_SF2", QRect(4, 48, 342, 70), 2, 0);
  sg_SF2->horizontalHeader()->hide();
  sg_SF2->setColumnWidth(0, 24);
  sg_SF2->horizontalHeader()->setStretchLastSection(true);
  caption(sg_SF2, QStringLiteral("Sound Fonts"), QRect(4, 30, 120, 16));
  return page;
}

QWidget* TFormMyTavelo::CreateCddbPage() {
  QWidget* page = settingsPage("ts_cddb");
  chb_useCDDB = checkBox(page, "chb_useCDDB", QStringLiteral("Use CDDB"), QRect(4, 4, 100, 20));
  cb_CDDBserver = dropDown(page, "cb_CDDBserver", QRect(170, 4, 176, 22));
  caption(cb_CDDBserver, QStringLiteral("Server"), QRect(116, 6, 50, 18));
  auto* proxy = place(new QGroupBox(QStringLiteral("Proxy Settings"), page), "gb_proxy", QRect(4, 30, 342, 102));
  const auto proxyEdit = [proxy](const char* name, const QString& text, const QRect& geometry) {
    QLineEdit* created = edit(proxy, name, geometry);
    caption(created, text, QRect(geometry.left(), geometry.top() - 16, geometry.width(), 16));
    return created;
  };
  edt_proxy = proxyEdit("edt_proxy", QStringLiteral("Proxy"), QRect(8, 34, 200, 20));
  edt_port = proxyEdit("edt_port", QStringLiteral("Port"), QRect(216, 34, 118, 20));
  edt_proxyuser = proxyEdit("edt_proxyuser", QStringLiteral("Username"), QRect(8, 74, 160, 20));
  edt_proxypass = proxyEdit("edt_proxypass", QStringLiteral("Password"), QRect(176, 74, 158, 20));
  edt_proxypass->setEchoMode(QLineEdit::Password);
  return page;
}

QWidget* TFormMyTavelo::CreateRemotePage() {
  QWidget* page = settingsPage("ts_irrc");
  cb_useIRRC = checkBox(page, "cb_useIRRC", QStringLiteral("Use IR RC"), QRect(4, 4, 90, 20));
  cbox_comPort = dropDown(page, "cbox_comPort", QRect(130, 4, 90, 22));
  caption(cbox_comPort, QStringLiteral("port"), QRect(100, 6, 28, 18));
  rb_tavelo = place(new QRadioButton(QStringLiteral("Tavelo"), page), "rb_tavelo", QRect(228, 4, 60, 20));
  rb_mplayer = place(new QRadioButton(QStringLiteral("Mplayer"), page), "rb_mplayer", QRect(288, 4, 62, 20));
  rb_tavelo->setChecked(true);
  sg_rcComm = grid(page, "sg_rcComm", QRect(4, 30, 342, 90), 3, 30);
  sg_rcComm->setHorizontalHeaderLabels({QStringLiteral("Command"), QStringLiteral("Status"), QStringLiteral("Rep.")});
  sg_rcComm->horizontalHeader()->setStretchLastSection(true);
  return page;
}

void TFormMyTavelo::CreateEqualizerPanel() {
  p_EQ = panel(this, "p_EQ", QRect(12, 193, 384, 180));
  static constexpr const char* bars[] = {"tbar_80", "tbar_190", "tbar_440", "tbar_1000",
                                         "tbar_2400", "tbar_5600", "tbar_14000"};
  static constexpr const char* valueLabels[] = {"lab_f1", "lab_f2", "lab_f3", "lab_f4", "lab_f5", "lab_f6", "lab_f7"};
  for (int band = 0; band < 7; ++band) {
    const int left = 12 + band * 44;
    QSlider* bar = place(new QSlider(Qt::Vertical, p_EQ), bars[band], QRect(left, 24, 30, 110));
    bar->setRange(0, 30);
    bar->setValue(15);
    bar->setInvertedAppearance(true);
    setTag(bar, band);
    EqBars[static_cast<std::size_t>(band)] = bar;
    EqValueLabels[static_cast<std::size_t>(band)] = label(p_EQ, valueLabels[band], QStringLiteral("0"),
                                                          QRect(left, 6, 34, 16));
  }
  label(p_EQ, "lab_scale", QStringLiteral("80       190       440     1000     2400     5600    14000"),
        QRect(12, 136, 320, 16));
  cbox_enEQ = checkBox(p_EQ, "cbox_enEQ", QStringLiteral("Enable EQ"), QRect(12, 156, 120, 20));
  btn_closeEQ = button(p_EQ, "btn_closeEQ", QStringLiteral("x"), QRect(356, 2, 22, 20));
}

void TFormMyTavelo::CreateSleepPanel() {
  p_sleep = panel(this, "p_sleep", QRect(60, 200, 288, 110));
  auto* group = place(new QGroupBox(QStringLiteral("Sleep mode settings"), p_sleep), "gb_sleep",
                      QRect(4, 4, 250, 100));
  ed_sleep = edit(group, "ed_sleep", QRect(8, 22, 50, 22), QStringLiteral("20"));
  caption(ed_sleep, QStringLiteral("Minutes"), QRect(64, 24, 60, 18));
  cb_powerOff = checkBox(group, "cb_powerOff", QStringLiteral("Power Off"), QRect(8, 50, 110, 20), true);
  cb_powerOff->setEnabled(false);
  cb_shutdown = checkBox(group, "cb_shutdown", QStringLiteral("Shutdown PC"), QRect(124, 50, 118, 20));
  btn_sleep = button(group, "btn_sleep", QStringLiteral("Start"), QRect(8, 74, 80, 22));
  Button1 = closeButton(p_sleep, "Button1", QRect(260, 4, 22, 20));
}

void TFormMyTavelo::CreateTagPanel() {
  p_ID3info = panel(this, "p_ID3info", QRect(16, 134, 376, 236));
  const auto tagEdit = [this](const char* name, const QString& text, int row) {
    QLineEdit* created = edit(p_ID3info, name, QRect(90, 8 + row * 28, 276, 22));
    caption(created, text, QRect(8, 10 + row * 28, 80, 18));
    return created;
  };
  ed_TrackNr = tagEdit("ed_TrackNr", QStringLiteral("Track Nr"), 0);
  ed_Title = tagEdit("ed_Title", QStringLiteral("Title"), 1);
  ed_Artist = tagEdit("ed_Artist", QStringLiteral("Artist"), 2);
  ed_Album = tagEdit("ed_Album", QStringLiteral("Album"), 3);
  ed_Genre = tagEdit("ed_Genre", QStringLiteral("Genre"), 4);
  ed_Year = tagEdit("ed_Year", QStringLiteral("Year"), 5);
  ed_Comments = tagEdit("ed_Comments", QStringLiteral("Comments"), 6);
  btn_ID3infoClose = button(p_ID3info, "btn_ID3infoClose", QStringLiteral("x"), QRect(346, 206, 22, 22));
}
