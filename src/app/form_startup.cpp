// Start-up: from a fresh process to a window ready to play.
#include "app/equalizer_panel.h"
#include "app/form.h"
#include "app/mode_order.h"
#include "app/record_settings_panel.h"
#include "app/settings_panel.h"
#include "app/tags.h"

#include "recording/encoders.h"
#include "engine/engine.h"
#include "app/open_filter.h"
#include "platform/process_priority.h"
#include "net/proxy_settings.h"
#include "radio/radio_list.h"
#include "remote/remote_commands.h"

#include <QComboBox>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLoggingCategory>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QSystemTrayIcon>
#include <QTableWidget>
#include <QTimer>

namespace tavelo {

Q_LOGGING_CATEGORY(lcStartup, "tavelo.app", QtInfoMsg)

namespace {

constexpr DWORD kEngineMajorVersion = 0x0204;
constexpr DWORD kOutputFrequency = 44100;
constexpr int kDefaultDevice = -1;
constexpr int kNoSoundDevice = 0;
constexpr int kSoundFontRows = 10;
constexpr char kAgent[] = "Tavelo/1.0.14";

}  // namespace

bool TFormMyTavelo::FormCreate(const QStringList& arguments) {
  ConnectModes();
  InstallKeyPreview();
  InitialCaption = windowTitle();
  CentreOnScreen();
  FillMixerList();
  Stopped = true;
  ShowModePicture();
  QDir().mkpath(ProgramDir + QStringLiteral("RLists"));
  ApplySettings(loadSettingsFile(ProgramDir));
  LoadRadioList();
  CreateStationButtons();
  ConnectStations();
  ConnectRadio();
  if (!EngineVersionMatches() || !InitOutputDevice()) return false;
  ConfigureEngine();
  LoadPluginsAndFilter();
  FillCdDriveList(Stored.cdDriveText);
  if (arguments.isEmpty()) EnterFirstMode();
  else PlayCommandLineFile(arguments.constFirst());
  QDir::setCurrent(ProgramDir);
  ApplyProcessPriority();
  ColourPositionBar();
  RegisterHotKeys();
  ApplyEncoderAvailability();
  ApplyRemoteSettings();
  LoadRemoteCommands();
  PrepareSoundFontGrid();
  CollectRadioListFiles();
  Timer2->start();
  return true;
}

void TFormMyTavelo::CentreOnScreen() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect available = screen->geometry();
  move((available.width() - width()) / 2, (available.height() - height()) / 2);
}

void TFormMyTavelo::ShowModePicture() { Image1->setPixmap(IList1.value(CurrentMode)); }

// Controls take the values as if the user had set them, so their handlers run.
void TFormMyTavelo::ApplySettings(const SettingsData& settings) {
  Stored = settings;
  CaptureMixer();
  StartVolume(settings.volumeBar);
  RadioListPath = settings.radioListPath;
  CheckBoxFullDir->setChecked(settings.fullDir);
  ChBoxRep->setChecked(settings.repeat);
  settingsPanel_->showModeOrder(settings.modeOrder);
  settingsPanel_->setOrderInForce(settings.modeOrder);
  eqPanel_->enable(settings.enableEq);
  settingsPanel_->setOptions({settings.sampleFloat, settings.highPriority, settings.alwaysOnTop, settings.minToTray});
  if (settings.eqBars) eqPanel_->setPositions(*settings.eqBars);
  settingsPanel_->setCddbEmail(settings.cddbEmail);
}

void TFormMyTavelo::LoadRadioList() {
  StartupRadioList list = loadStartupRadioList(ProgramDir, RadioListPath);
  RadioListPath = list.path;
  RadioList = list.lines;
  SaveRadioListOnClose = list.saveOnClose;
  Label22->setText(list.title);
  if (!list.error.isEmpty()) dialogs_.message(this, list.error);
}

void TFormMyTavelo::CreateStationButtons() {
  for (int station = 1; station <= kStationCount; ++station) {
    auto* button = new TMyButton(QString::number(station), p_SelButtons);
    button->setObjectName(QStringLiteral("SelButton%1").arg(station));
    const int row = (station - 1) / 10;
    const int column = (station - 1) % 10 + 1;
    button->setGeometry(22 * column - 14, 4 + 26 * row, 22, 22);
    button->setFocusPolicy(Qt::NoFocus);
    button->setContextMenuPolicy(Qt::CustomContextMenu);
    setTag(button, station);
    StationButtons[static_cast<std::size_t>(station)] = button;
  }
  RefreshStationButtons();
}

bool TFormMyTavelo::EngineVersionMatches() {
  if (BASS_GetVersion() >> 16 == kEngineMajorVersion) return true;
  dialogs_.error(QStringLiteral("An incorrect version of libtavelo_engine was loaded"));
  return false;
}

// The output device whose name is the mixer's, else the default; without any sound server
// the engine's silent device keeps the player usable.
bool TFormMyTavelo::InitOutputDevice() {
  const QString mixerName = settingsPanel_->mixerList()->itemText(Stored.mixerId);
  int device = 1;
  BASS_DEVICEINFO info{};
  while (!mixerName.isEmpty() && BASS_GetDeviceInfo(static_cast<DWORD>(device), &info) &&
         QString::fromUtf8(info.name) != mixerName) {
    ++device;
  }
  QList<int> candidates{kDefaultDevice, kNoSoundDevice};
  if (!mixerName.isEmpty()) candidates.prepend(device);
  void* window = reinterpret_cast<void*>(winId());
  for (const int candidate : candidates) {
    if (BASS_Init(candidate, kOutputFrequency, 0, window, nullptr)) {
      qCDebug(lcStartup) << "output device" << candidate;
      return true;
    }
  }
  ShowEngineError(QStringLiteral("Can't initialize device"));
  return false;
}

void TFormMyTavelo::ConfigureEngine() {
  BASS_SetConfig(BASS_CONFIG_NET_PLAYLIST, 1);
  BASS_SetConfig(BASS_CONFIG_NET_PREBUF, 0);
  BASS_SetConfig(BASS_CONFIG_BUFFER, 2000);
  BASS_SetConfig(BASS_CONFIG_NET_BUFFER, 3000);
  SetEngineProxy(ProxySettings());
  BASS_SetConfigPtr(BASS_CONFIG_NET_AGENT, kAgent);
}

void TFormMyTavelo::LoadPluginsAndFilter() {
  QList<PluginFormat> formats;
  for (const QString& library : pluginLibraries(ProgramDir + QStringLiteral("Plug-ins"))) {
    const HPLUGIN plugin = BASS_PluginLoad(QFile::encodeName(library).constData(), 0);
    const BASS_PLUGININFO* info = plugin ? BASS_PluginGetInfo(plugin) : nullptr;
    for (DWORD i = 0; info && i < info->formatc; ++i) {
      formats.append({QString::fromUtf8(info->formats[i].name), QString::fromUtf8(info->formats[i].exts)});
    }
  }
  const OpenDialogFilter filter = buildOpenDialogFilter(formats);
  OpenDialog1.filter = filter.filter;
  ExtensionList = filter.extensionList;
}

void TFormMyTavelo::FillCdDriveList(const QString& savedDriveText) {
  cdMode_->EnumerateDrives(ProgramDir + QStringLiteral("CD Images"), savedDriveText);
}

void TFormMyTavelo::EnterFirstMode() { ButtonCdHdClick(this); }

void TFormMyTavelo::PlayCommandLineFile(const QString& path) {
  ModeStep = modeStepOf(ModeOrder(), 0);
  filesMode_->openGivenFile(path);
  if (height() < kFilesClientHeight) resize(width(), kFilesClientHeight);
}

void TFormMyTavelo::ColourPositionBar() {
  QPalette green = PB1->palette();
  green.setColor(QPalette::Highlight, QColor(0, 128, 0));
  PB1->setPalette(green);
}

void TFormMyTavelo::ApplyProcessPriority() { setProcessPriority(settingsPanel_->options().highPriority); }

// A format whose encoder is missing cannot be chosen; stored choices of it become WAVE.
void TFormMyTavelo::ApplyEncoderAvailability() {
  const FormatAvailability available = availableRecordFormats(ProgramDir);
  recordSettingsPanel_->setAvailableFormats(available);
  Stored.radioFormat = usableRecordFormat(Stored.radioFormat, available);
  Stored.ripFormat = usableRecordFormat(Stored.ripFormat, available);
}

void TFormMyTavelo::LoadRemoteCommands() {
  IRCommands = loadRemoteCommands(ProgramDir);
  FillRemoteGrid();
}

void TFormMyTavelo::PrepareSoundFontGrid() {
  QTableWidget* grid = settingsPanel_->soundFontGrid();
  grid->setRowCount(kSoundFontRows);
  for (int row = 0; row < kSoundFontRows; ++row) grid->setItem(row, 0, new QTableWidgetItem(QString::number(row + 1)));
}

void TFormMyTavelo::CollectRadioListFiles() { RadioListFiles = radioListFileNames(ProgramDir); }

// Seams the hot keys and the remote control fill in.
void TFormMyTavelo::RegisterHotKeys() {}
void TFormMyTavelo::ApplyRemoteSettings() {}
void TFormMyTavelo::FillRemoteGrid() {}

void TFormMyTavelo::ShowEngineError(const QString& message) {
  dialogs_.message(this, message + QStringLiteral("\n(error code: %1)").arg(BASS_ErrorGetCode()));
}

void TFormMyTavelo::HandOverReceived(const QString& path) {
  qCDebug(lcStartup) << "hand-over received:" << path;
  if (path.isEmpty() || CurrentMode != 0) return;
  filesMode_->openGivenFile(path.trimmed());
  if (!isVisible()) return;
  setWindowState(windowState() & ~Qt::WindowMinimized);
  raise();
  activateWindow();
}

}  // namespace tavelo
