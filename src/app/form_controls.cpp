// The window itself and the controls of its main area.
#include "app/form.h"
#include "app/form_builders.h"
#include "app/glyphs.h"

#include "util/fields.h"
#include "files/position_display.h"

#include <QCloseEvent>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QSlider>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolButton>

namespace tavelo {

using namespace form;

namespace {

constexpr int kClientWidth = 408;

ValueBar* valueBar(QWidget* parent, const char* name, const QRect& geometry) {
  auto* bar = place(new ValueBar(parent), name, geometry);
  bar->setRange(0, 100);
  return bar;
}

void colour(QWidget* widget, const QColor& text, bool bold = false) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::WindowText, text);
  palette.setColor(QPalette::ButtonText, text);
  widget->setPalette(palette);
  if (bold) {
    QFont font = widget->font();
    font.setBold(true);
    widget->setFont(font);
  }
}

// The scale under the position bar, as wide as the bar: 00:00, the quarters and the length of the
// track. Its font is the largest up to 9 pixels that fits a scale of a track of 999:59 whole.
QLabel* positionScale(QWidget* parent, const QRect& geometry) {
  constexpr int kLongestScaledLength = 999 * 60 + 59;
  constexpr int kLargestPixels = 9;
  constexpr int kSmallestPixels = 6;
  QLabel* scale = label(parent, "Label9", FormatMinSec(0), geometry);
  const QString widest = timeScaleText(kLongestScaledLength);
  QFont font = scale->font();
  for (int pixels = kLargestPixels; pixels >= kSmallestPixels; --pixels) {
    font.setPixelSize(pixels);
    if (QFontMetrics(font).horizontalAdvance(widest) <= geometry.width()) break;
  }
  scale->setFont(font);
  return scale;
}

QPushButton* transportButton(QWidget* parent, const char* name, const QString& glyph, int left,
                             const QString& hint) {
  auto* created = button(parent, name, {}, QRect(left, 134, 30, 26), hint);
  setGlyph(created, glyph);
  created->setEnabled(false);
  return created;
}

// A simple picture per mode: a coloured disc with the mode's initial.
QPixmap modePicture(const QColor& fill, const QString& letter) {
  QPixmap picture(32, 32);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setBrush(fill);
  painter.setPen(Qt::NoPen);
  painter.drawEllipse(1, 1, 30, 30);
  painter.setPen(Qt::white);
  QFont font = painter.font();
  font.setBold(true);
  font.setPixelSize(16);
  painter.setFont(font);
  painter.drawText(QRect(0, 0, 32, 32), Qt::AlignCenter, letter);
  return picture;
}

}  // namespace

TFormMyTavelo::TFormMyTavelo(Dialogs& dialogs, const QString& programDir, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      ProgramDir(programDir),
      dialogs_(dialogs) {
  setObjectName(QStringLiteral("FormMyTavelo"));
  setWindowTitle(QStringLiteral("Loading Tavelo ..."));
  resize(kClientWidth, kFilesClientHeight);
  CreateMainArea();
  CreateInfoPanel();
  CreateRadioPanels();
  CreateSidePanels();
  CreateNonVisualParts();
  CreateMenus();
  CreateModes();
  ConnectEqualizer();
  ConnectTags();
  ConnectSoundFonts();
}

// The modes and every hook that calls into the window go while the window and its controls are
// whole: controls send events while they are destroyed, after this body has run.
TFormMyTavelo::~TFormMyTavelo() {
  filesMode_.reset();
  cdMode_.reset();
  radioMode_.reset();
  qDeleteAll(hooks_);
}

void TFormMyTavelo::closeEvent(QCloseEvent* event) {
  FormClose();
  event->accept();
}

void TFormMyTavelo::CreateMainArea() {
  TrackBar1 = place(new QSlider(Qt::Horizontal, this), "TrackBar1", QRect(8, 166, 392, 24));
  TrackBar1->setRange(0, 60);
  TrackBar1->setTickInterval(2);
  TrackBar1->setTickPosition(QSlider::TicksBelow);

  Label13 = label(this, "Label13", QStringLiteral("L"), QRect(8, 66, 12, 12));
  Label14 = label(this, "Label14", QStringLiteral("R"), QRect(8, 78, 12, 12));
  colour(Label13, Qt::red, true);
  colour(Label14, Qt::red, true);
  PBL = valueBar(this, "PBL", QRect(22, 68, 378, 8));
  PBR = valueBar(this, "PBR", QRect(22, 80, 378, 8));
  Label12 = label(this, "Label12",
                  QStringLiteral("- 40       - 20     - 12              - 6             - 3             - 1           0"
                                 "         +1               +3  dB"),
                  QRect(22, 89, 378, 12));
  QFont small = Label12->font();
  small.setPixelSize(8);
  Label12->setFont(small);

  Panel2 = place(new QFrame(this), "Panel2", QRect(8, 103, 392, 30));
  Panel2->setFrameShape(QFrame::StyledPanel);
  PB1 = valueBar(Panel2, "PB1", QRect(4, 4, 384, 10));
  PB1->setEnabled(false);
  Label9 = positionScale(Panel2, QRect(4, 15, 384, 13));
  Label30 = label(Panel2, "Label30", {}, QRect(50, 4, 40, 16));
  LabelOp = label(Panel2, "LabelOp", {}, QRect(354, 4, 34, 16));
  Label30->hide();
  LabelOp->hide();

  ButtonOpen = button(this, "ButtonOpen", QStringLiteral("Open"), QRect(8, 134, 64, 26));
  BLockUnlock = button(this, "BLockUnlock", {}, QRect(76, 134, 26, 26));
  setGlyph(BLockUnlock, QStringLiteral("\u041F"));
  BLockUnlock->hide();
  ButtonPrev = transportButton(this, "ButtonPrev", QStringLiteral("9"), 108, QStringLiteral("Back (B)"));
  ButtonPlay = transportButton(this, "ButtonPlay", QStringLiteral("4"), 140, QStringLiteral("Play (P)"));
  ButtonPause = transportButton(this, "ButtonPause", QStringLiteral(";"), 172, QStringLiteral("Pause (Space)"));
  ButtonStop = transportButton(this, "ButtonStop", QStringLiteral("<"), 204, QStringLiteral("Stop (S)"));
  ButtonNext = transportButton(this, "ButtonNext", QStringLiteral(":"), 236, QStringLiteral("Next (N)"));
  sb_decode = place(new QToolButton(this), "sb_decode", QRect(300, 134, 30, 26));
  sb_decode->setAutoRaise(true);
  sb_decode->setToolTip(QStringLiteral("Record"));
  setGlyph(sb_decode, QStringLiteral(" ="));
  colour(sb_decode, Qt::red);
  chb_decodeAll = checkBox(this, "chb_decodeAll", {}, QRect(334, 138, 20, 20));
  chb_decodeAll->setToolTip(QStringLiteral("All Tracks"));

  CheckBoxFullDir = checkBox(this, "CheckBoxFullDir", QStringLiteral("Play Full Dir"), QRect(8, 194, 110, 20), true);
  ChBoxRep = checkBox(this, "ChBoxRep", QStringLiteral("Repeat"), QRect(124, 194, 80, 20));
  CBCDdrives = dropDown(this, "CBCDdrives", QRect(8, 192, 260, 22));
  CBCDdrives->hide();

  ListBox1 = place(new QListWidget(this), "ListBox1", QRect(8, 218, 392, 156));
  ListBox1->setContextMenuPolicy(Qt::CustomContextMenu);
}

void TFormMyTavelo::CreateInfoPanel() {
  p_info = place(new QFrame(this), "p_info", QRect(8, 6, 392, 55));
  p_info->setAutoFillBackground(true);
  QPalette dark = p_info->palette();
  dark.setColor(QPalette::Window, Qt::black);
  dark.setColor(QPalette::WindowText, QColor(0, 220, 0));
  p_info->setPalette(dark);

  Label1 = label(p_info, "Label1", QStringLiteral("00   00:00"), QRect(8, 2, 150, 28));
  QFont big = Label1->font();
  big.setPixelSize(22);
  big.setBold(true);
  Label1->setFont(big);
  Label2 = label(p_info, "Label2", QStringLiteral("Audio Files"), QRect(176, 4, 110, 16));
  Label3 = label(p_info, "Label3", QStringLiteral("Track    Min   Sec"), QRect(8, 32, 150, 16));
  Label15 = label(p_info, "Label15", {}, QRect(176, 20, 110, 14));
  Image1 = label(p_info, "Image1", {}, QRect(352, 12, 32, 32));
  Image1->setToolTip(QStringLiteral("Mode"));
  Image1->setContextMenuPolicy(Qt::CustomContextMenu);
  Label16 = label(p_info, "Label16", QStringLiteral("0 dB"), QRect(296, 4, 50, 16));
  Label23 = label(p_info, "Label23", QStringLiteral("EQ"), QRect(176, 36, 24, 16));
  Label23->setToolTip(QStringLiteral("EQ on/off"));
  Label23->setContextMenuPolicy(Qt::CustomContextMenu);
  Label29 = label(p_info, "Label29", QStringLiteral("sleep"), QRect(206, 36, 40, 16));
  Label29->setToolTip(QStringLiteral("Sleep mode on/off"));
  Label29->setContextMenuPolicy(Qt::CustomContextMenu);
  Label32 = label(p_info, "Label32", {}, QRect(252, 36, 20, 16));
  setGlyph(Label32, QStringLiteral("="));
  Label32->setToolTip(QStringLiteral("Power On/Off"));
  Label32->hide();
  Label33 = label(p_info, "Label33", {}, QRect(278, 36, 20, 16));
  setGlyph(Label33, QStringLiteral("i"));
  Label34 = label(p_info, "Label34", {}, QRect(8, 58, 376, 20));
  Label34->hide();
}

void TFormMyTavelo::CreateNonVisualParts() {
  Timer1 = new TickTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(200);
  Timer2 = new TickTimer(this);
  Timer2->setObjectName(QStringLiteral("Timer2"));
  Timer2->setInterval(100);
  CreateMixer();

  OpenDialog1.title = QStringLiteral("Open Audio File");
  OpenDialog1.fileMustExist = true;
  SaveDialog1.filter = QStringLiteral("Radio List Files (*.rls)|*.rls");
  SaveDialog1.defaultSuffix = QStringLiteral("rls");
  SaveDialog1.confirmOverwrite = true;

  IList1 = {modePicture(QColor(0, 120, 215), QStringLiteral("F")), modePicture(QColor(200, 120, 0), QStringLiteral("C")),
            modePicture(QColor(0, 150, 60), QStringLiteral("R"))};
  setWindowIcon(IList1[0]);

  TrayIcon1 = new QSystemTrayIcon(windowIcon(), this);
  TrayIcon1->setObjectName(QStringLiteral("TrayIcon1"));
  TrayIcon1->setToolTip(QStringLiteral("Kolt Tavelo"));
}

void TFormMyTavelo::CreateMenus() {
  PUM1 = new QMenu(this);
  PUM1->setObjectName(QStringLiteral("PUM1"));
  const auto item = [](QMenu* menu, const char* name, const QString& text) {
    QAction* action = menu->addAction(text);
    action->setObjectName(QLatin1String(name));
    return action;
  };
  item(PUM1, "Pause", QStringLiteral("Pause"));
  item(PUM1, "Play", QStringLiteral("Play"));
  item(PUM1, "Stop", QStringLiteral("Stop"));
  PUM1->addSeparator()->setObjectName(QStringLiteral("N1"));
  item(PUM1, "SearchWithTunatic", QStringLiteral("Search with Tunatic"));
  item(PUM1, "SearchCaptioninGoogle", QStringLiteral("Search Caption in Google"));
  item(PUM1, "CopyToClipboard", QStringLiteral("Copy Caption ot Clipboard"));
  PUM1->addSeparator()->setObjectName(QStringLiteral("N2"));
  PUM1->setDefaultAction(item(PUM1, "RestoreTavelo", QStringLiteral("Restore Tavelo")));
  item(PUM1, "HelpApp", QStringLiteral("Help"));
  connect(item(PUM1, "CloseApp", QStringLiteral("Close Tavelo")), &QAction::triggered, this, &QWidget::close);
  connect(item(PUM1, "CancelOperation", QStringLiteral("Cancel Operation")), &QAction::triggered, this,
          [this] {
            filesMode_->cancelConversion();
            cdMode_->cancelRip();
          });
  TrayIcon1->setContextMenu(PUM1);

  PM1 = new QMenu(this);
  PM1->setObjectName(QStringLiteral("PM1"));
  item(PM1, "Playtrack1", QStringLiteral("Play track"));
  item(PM1, "ReadID3info", QStringLiteral("Read ID3 info"));
  item(PM1, "Deletetrackfromlist", QStringLiteral("Delete track from list"));
}

}  // namespace tavelo
