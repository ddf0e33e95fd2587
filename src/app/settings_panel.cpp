#include "app/settings_panel.h"
#include "app/form_builders.h"
#include "files/sound_fonts.h"

#include "cd/cddb.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>

namespace tavelo {

using namespace form;

namespace {

constexpr int kSoundFontRowHeight = 18;
constexpr int kSoundFontPathColumn = 1;

const QStringList kModeNames{QStringLiteral("Audio Files"), QStringLiteral("Audio CD"), QStringLiteral("Net Radio")};

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

SettingsPanel::SettingsPanel(QWidget* parent) : SidePanel(parent, "p_settings", QRect(20, 200, 368, 176)) {
  auto* pages = place(new QTabWidget(this), "pc_settings", QRect(4, 22, 360, 150));
  pages->addTab(createGeneralPage(), QStringLiteral("General"));
  pages->addTab(createAudioPage(), QStringLiteral("Audio"));
  pages->addTab(createCddbPage(), QStringLiteral("CDDB"));
  pages->addTab(createRemotePage(), QStringLiteral("IR RC"));
  QPushButton* ok = button(this, "BordOk", QStringLiteral("Ok"), QRect(270, 2, 60, 20));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &SettingsPanel::okClicked);
  QPushButton* close = closeButton(this, "BordClose", QRect(336, 2, 26, 20));
  connect(close, &QPushButton::clicked, this, &SettingsPanel::restoreOrderInForce);
  closeOn(close);
}

QWidget* SettingsPanel::createGeneralPage() {
  QWidget* page = settingsPage("ts_general");
  auto* order = place(new QGroupBox(QStringLiteral("Order"), page), "gb_order", QRect(4, 4, 170, 110));
  const auto orderBox = [order](const char* name, const QString& text, int top) {
    QComboBox* box = dropDown(order, name, QRect(60, top, 102, 22), kModeNames);
    caption(box, text, QRect(8, top + 2, 50, 18));
    return box;
  };
  orderBoxes_ = {orderBox("CBfirst", QStringLiteral("First"), 20), orderBox("CBsecond", QStringLiteral("Second"), 48),
                 orderBox("CBthird", QStringLiteral("Third"), 76)};
  showModeOrder(kDefaultModeOrder);
  const auto option = [page](const char* name, const QString& text, int top) {
    return checkBox(page, name, text, QRect(186, top, 160, 20));
  };
  sampleFloat_ = option("cbox_en32", QStringLiteral("Sample Float"), 8);
  highPriority_ = option("cbox_priority", QStringLiteral("Hight Priority"), 32);
  alwaysOnTop_ = option("cbox_ontop", QStringLiteral("Always on Top"), 56);
  minToTray_ = option("cbox_stray", QStringLiteral("Min to SysTray"), 80);
  connect(highPriority_, &QCheckBox::toggled, this, &SettingsPanel::highPriorityToggled);
  connect(alwaysOnTop_, &QCheckBox::toggled, this, &SettingsPanel::alwaysOnTopToggled);
  connect(minToTray_, &QCheckBox::toggled, this, &SettingsPanel::minToTrayToggled);
  return page;
}

QWidget* SettingsPanel::createAudioPage() {
  QWidget* page = settingsPage("ts_audio");
  mixers_ = dropDown(page, "cb_audioMixer", QRect(90, 4, 256, 22));
  caption(mixers_, QStringLiteral("Audio Mixer"), QRect(4, 6, 84, 18));
  soundFonts_ = grid(page, "sg_SF2", QRect(4, 48, 342, 70), 2, 0);
  soundFonts_->horizontalHeader()->hide();
  soundFonts_->setColumnWidth(0, 24);
  soundFonts_->horizontalHeader()->setStretchLastSection(true);
  soundFonts_->verticalHeader()->setDefaultSectionSize(kSoundFontRowHeight);
  soundFonts_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  soundFonts_->setContextMenuPolicy(Qt::CustomContextMenu);
  caption(soundFonts_, QStringLiteral("Sound Fonts"), QRect(4, 30, 120, 16));
  return page;
}

QWidget* SettingsPanel::createCddbPage() {
  QWidget* page = settingsPage("ts_cddb");
  checkBox(page, "chb_useCDDB", QStringLiteral("Use CDDB"), QRect(4, 4, 88, 20));
  QComboBox* servers = dropDown(page, "cb_CDDBserver", QRect(140, 4, 206, 22), cddbServerItems());
  caption(servers, QStringLiteral("Server"), QRect(94, 6, 44, 18));
  // The CDDB server answers only a hello that carries the user's real address.
  cddbEmail_ = edit(page, "edt_cddbmail", QRect(50, 30, 296, 20));
  caption(cddbEmail_, QStringLiteral("E-mail"), QRect(4, 32, 44, 18));
  auto* proxy = place(new QGroupBox(QStringLiteral("Proxy Settings"), page), "gb_proxy", QRect(4, 54, 342, 68));
  const auto proxyEdit = [proxy](const char* name, const QString& text, const QRect& geometry, int captionWidth) {
    QLineEdit* created = edit(proxy, name, geometry);
    caption(created, text, QRect(geometry.left() - captionWidth, geometry.top() + 2, captionWidth - 2, 16));
    return created;
  };
  proxyEdit("edt_proxy", QStringLiteral("Proxy"), QRect(66, 18, 150, 20), 58);
  proxyEdit("edt_port", QStringLiteral("Port"), QRect(254, 18, 80, 20), 36);
  proxyEdit("edt_proxyuser", QStringLiteral("Username"), QRect(66, 42, 110, 20), 58);
  proxyEdit("edt_proxypass", QStringLiteral("Password"), QRect(244, 42, 90, 20), 64)->setEchoMode(QLineEdit::Password);
  return page;
}

QWidget* SettingsPanel::createRemotePage() {
  QWidget* page = settingsPage("ts_irrc");
  checkBox(page, "cb_useIRRC", QStringLiteral("Use IR RC"), QRect(4, 4, 90, 20));
  QComboBox* ports = dropDown(page, "cbox_comPort", QRect(130, 4, 90, 22));
  caption(ports, QStringLiteral("port"), QRect(100, 6, 28, 18));
  place(new QRadioButton(QStringLiteral("Tavelo"), page), "rb_tavelo", QRect(228, 4, 60, 20))->setChecked(true);
  place(new QRadioButton(QStringLiteral("Mplayer"), page), "rb_mplayer", QRect(288, 4, 62, 20));
  QTableWidget* commands = grid(page, "sg_rcComm", QRect(4, 30, 342, 90), 3, 30);
  commands->setHorizontalHeaderLabels({QStringLiteral("Command"), QStringLiteral("Status"), QStringLiteral("Rep.")});
  commands->horizontalHeader()->setStretchLastSection(true);
  return page;
}

ModeOrder SettingsPanel::modeOrder() const {
  ModeOrder order{};
  for (std::size_t box = 0; box < order.size(); ++box) order[box] = orderBoxes_[box]->currentIndex();
  return order;
}

void SettingsPanel::showModeOrder(const ModeOrder& order) {
  for (std::size_t box = 0; box < order.size(); ++box) orderBoxes_[box]->setCurrentIndex(order[box]);
}

QString SettingsPanel::cddbEmail() const { return cddbEmail_->text().trimmed(); }
void SettingsPanel::setCddbEmail(const QString& email) { cddbEmail_->setText(email); }

void SettingsPanel::restoreOrderInForce() { showModeOrder(orderInForce_); }

GeneralOptions SettingsPanel::options() const {
  return {sampleFloat_->isChecked(), highPriority_->isChecked(), alwaysOnTop_->isChecked(), minToTray_->isChecked()};
}

void SettingsPanel::setOptions(const GeneralOptions& options) {
  sampleFloat_->setChecked(options.sampleFloat);
  highPriority_->setChecked(options.highPriority);
  alwaysOnTop_->setChecked(options.alwaysOnTop);
  minToTray_->setChecked(options.minToTray);
}

void SettingsPanel::showSoundFonts(const QString& list) {
  const QStringList rows = soundFontRows(list);
  for (int row = 0; row < kSoundFontRows; ++row) setSoundFont(row, rows[row]);
}

QString SettingsPanel::soundFontList() const {
  QStringList rows;
  for (int row = 0; row < kSoundFontRows; ++row) {
    const QTableWidgetItem* cell = soundFonts_->item(row, kSoundFontPathColumn);
    rows << (cell ? cell->text() : QString());
  }
  return tavelo::soundFontList(rows);
}

void SettingsPanel::sg_SF2DblClick(Dialogs& dialogs, FileDialogSettings& openDialog, const QString& programDir) {
  const int row = soundFonts_->currentRow();
  if (row < 0) return;
  const FileDialogSettings remembered = openDialog;
  const QTableWidgetItem* cell = soundFonts_->item(row, kSoundFontPathColumn);
  openDialog.fileName = cell ? cell->text() : QString();
  openDialog.initialDir = programDir + QStringLiteral("SF2");
  openDialog.filter = QStringLiteral("Soundfonts (sf2/sf2pack)|*.sf2;*.sf2pack|Soundfonts (sf3)|*.sf3");
  openDialog.title = QStringLiteral("Open Sound Font File");
  openDialog.multiSelect = false;
  const QString chosen = dialogs.openFiles(this, openDialog).value(0);
  openDialog = remembered;
  if (chosen.isEmpty()) return;
  if (!soundFontPathFits(chosen)) {
    dialogs.message(this, soundFontPathRefusal(chosen));
    return;
  }
  setSoundFont(row, chosen);
}

void SettingsPanel::sg_SF2ContextPopup(const QPoint& position, Dialogs& dialogs) {
  const int row = soundFonts_->rowAt(position.y());
  if (row < 0) return;  // below the last row
  soundFonts_->selectRow(row);
  const QTableWidgetItem* cell = soundFonts_->item(row, kSoundFontPathColumn);
  if (dialogs.confirm(this, soundFontDeleteQuestion(cell ? cell->text() : QString()))) setSoundFont(row, {});
}

void SettingsPanel::setSoundFont(int row, const QString& path) {
  soundFonts_->setItem(row, kSoundFontPathColumn, new QTableWidgetItem(path));
}

}  // namespace tavelo
