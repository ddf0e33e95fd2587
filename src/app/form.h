// The one window of the player. Its controls are both display and store of many settings;
// other subsystems read and write them by these names. Its handlers are the one entry for each
// user action and hand playback to the current mode (playback_mode.h), which owns its stream and
// state. Methods live in the .cpp file of their subject: form_controls.cpp and form_panels.cpp
// build the controls, form_startup.cpp starts the player, form_transport.cpp hands the transport
// to the modes, form_closing.cpp closes it.
#pragma once

#include "app/audio_cd_mode.h"
#include "app/audio_files_mode.h"
#include "app/dialogs.h"
#include "app/engine_events.h"
#include "app/net_radio_mode.h"
#include "app/playback_mode.h"
#include "app/settings_file.h"
#include "app/station_button.h"
#include "app/tick_timer.h"
#include "app/value_bar.h"
#include "files/playlist.h"
#include "files/position_display.h"
#include "files/key_commands.h"
#include "files/mode_switch.h"
#include "platform/audio_mixer.h"

#include <QList>
#include <QPixmap>
#include <QStringList>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class QCheckBox;
class QKeyEvent;
class QComboBox;
class QFrame;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;
class QSlider;
class QSystemTrayIcon;
class QToolButton;

namespace tavelo {

class EqualizerPanel;
class RecordSettingsPanel;
class SettingsPanel;
class SleepPanel;
class StationSettingsPanel;
class TagPanel;

class TFormMyTavelo : public QWidget, public ModeWindow, public RadioWindow, public CdWindow {
  Q_OBJECT
 public:
  // programDir: the folder of the executable, ending with '/'.
  TFormMyTavelo(Dialogs& dialogs, const QString& programDir, QWidget* parent = nullptr);
  ~TFormMyTavelo() override;

  // Start-up; false when the audio engine could not be brought up (the process then ends
  // without closing, so nothing is written). arguments: the command line after the program.
  bool FormCreate(const QStringList& arguments);
  // Stops everything and writes the settings files; runs once, whoever asks first.
  void FormClose();
  // The system or the session ends: closing runs with the system-shutdown flag set.
  void SessionEnding();
  // Another copy of the player handed a file over.
  void HandOverReceived(const QString& path);
  // message, a line break, "(error code: N)" with the engine's last error code.
  void ShowEngineError(const QString& message) override;

  Dialogs& dialogs() override { return dialogs_; }
  const QString& programDir() const { return ProgramDir; }

  static constexpr int kFilesClientHeight = 382;

  // Main area
  QCheckBox *CheckBoxFullDir, *ChBoxRep, *chb_decodeAll;
  QComboBox* CBCDdrives;
  QPushButton *ButtonOpen, *BLockUnlock, *ButtonPrev, *ButtonPlay, *ButtonPause, *ButtonStop, *ButtonNext;
  QToolButton* sb_decode;
  QSlider* TrackBar1;
  ValueBar *PBL, *PBR, *PB1;
  QLabel *Label12, *Label13, *Label14;
  QFrame* Panel2;
  QLabel *Label9, *Label30, *LabelOp;
  QFrame* p_info;
  QLabel *Label1, *Label2, *Label3, *Image1, *Label16, *Label23, *Label29, *Label32, *Label33, *Label15, *Label34;
  QListWidget* ListBox1;

  // Radio panel and station buttons
  QFrame *p_radio, *p_SelButtons;
  QLabel *Label4, *Label5, *Label6, *Label17, *Label22;
  QPushButton *BnetRadioPause, *BNetRadioStop, *BNetRadioRec, *btn_LoadRlst, *btn_SaveRlst;
  std::array<TMyButton*, 31> StationButtons{};  // 1..30

  // Side panels: p_radioSet, p_recSet, p_settings, p_EQ, p_sleep, p_ID3info
  StationSettingsPanel* stationSettingsPanel() const { return stationSettingsPanel_; }
  RecordSettingsPanel* recordSettingsPanel() const { return recordSettingsPanel_; }
  SettingsPanel* settingsPanel() const { return settingsPanel_; }
  EqualizerPanel* eqPanel() const { return eqPanel_; }
  SleepPanel* sleepPanel() const { return sleepPanel_; }
  TagPanel* tagPanel() const { return tagPanel_; }

  // Non-visual parts
  TickTimer *Timer1, *Timer2;
  FileDialogSettings OpenDialog1;
  FileDialogSettings SaveDialog1;
  QSystemTrayIcon* TrayIcon1;
  QList<QPixmap> IList1;  // mode pictures, 32 x 32, by mode
  QMenu *PUM1, *PM1;

  // State that start-up creates and closing writes back
  QString ProgramDir;
  QString InitialCaption;
  bool Stopped = true;
  int CurrentMode = 0;
  int ModeStep = 0;
  int FrameHeight = 0;  // heights set here are client heights; the window manager adds its frame
  bool Closing = false;
  bool SystemShutdown = false;
  SettingsData Stored;      // settings no control holds (record, proxy, CDDB, IR, mixer, fonts)
  QString RadioListPath;
  QStringList RadioList;
  bool SaveRadioListOnClose = true;  // false when the list file exists but could not be read
  QStringList IRCommands;
  QStringList RadioListFiles;
  QString ExtensionList;

  // ---- Transport, playlist and main timer: each action goes to the current mode ----
  void ButtonPlayClick();
  void ButtonPauseClick();
  void ButtonStopClick();
  void ListBox1DblClick();
  void Playtrack1Click();
  void ButtonOpenClick();
  void ButtonPrevClick();
  void ButtonNextClick();
  void BLockUnlockClick();
  void DeletetrackfromlistClick();
  void ListBox1ContextPopup(const QPoint& position);
  void ListBox1MouseDown();
  void Timer1Timer();
  void PB1MouseUp(int x);
  void PB1MouseMove(int x);
  void Label1Click();
  // The caption and the tray's tip, which every transport action sets together.
  void SetCaption(const QString& caption) override;
  // Tall enough for the list (at least the designed height), never past the screen's bottom;
  // a horizontal scroll bar when an item is wider than the list.
  void FitWindowToList() override;

  PlaybackMode& mode();
  AudioFilesMode& filesMode() { return *filesMode_; }
  AudioCdMode& cdMode() { return *cdMode_; }
  NetRadioMode& radioMode() { return *radioMode_; }

 private:
  void CreateModes();
  void ConnectTransport();
  ModeControls Controls();
  QWidget* dialogParent() override { return this; }
  bool IsStopped() const override { return Stopped; }
  void SetStopped(bool stopped) override { Stopped = stopped; }
  FileDialogSettings& OpenDialog() override { return OpenDialog1; }
  PlayableExtensions Playable() const override { return PlayableExtensions(ExtensionList); }
  QString SoundFontList() const override { return Stored.soundFonts; }
  bool SampleFloat() const override;
  void EqualizeNewStream(std::uint32_t stream) override;

  EngineEvents* engineEvents_ = nullptr;
  std::unique_ptr<AudioFilesMode> filesMode_;
  std::unique_ptr<AudioCdMode> cdMode_;
  std::unique_ptr<NetRadioMode> radioMode_;
  // ---- end of transport ----

  // ---- Modes, notices and single keys (form_modes.cpp, form_keys.cpp) ----
 public:
  // The mode switch (Image1's click): the window itself as sender enters the first mode of
  // the user's order, any other sender steps to the next one.
  void ButtonCdHdClick(QObject* sender);
  // Shows a text for a while at the bottom right of the screen.
  void Notice(const QString& text) override;
  // Every 100 ms: a new window caption becomes a notice; an old notice goes away.
  void Timer2Timer();
  // The window's size rule: fixed width, Net Radio's height limit, the list filling the rest.
  void FormCanResize(int newWidth, int newHeight);
  // Key preview: runs a typed character's command in the current mode.
  void FormKeyPress(const QString& typed);
  // True when a key-down is kept from the focused control.
  bool FormKeyDown() const;

  QLabel* NoticeWindow = nullptr;  // created with the first notice
  CaptionWatcher Captions;

 private:
  void ConnectModes();
  void InstallKeyPreview();
  std::array<int, 3> ModeOrder() const;
  void ResetModeDisplay();
  void ApplyModeLayout(const ModeLayout& layout);
  void ShowModePanels(const ModeLayout& layout);
  void ApplyModeButtons(const ModeLayout& layout);
  void ApplyModeList(const ModeLayout& layout);
  void ApplyModeTexts(const ModeLayout& layout);
  QLabel* CreateNoticeWindow();
  bool PreviewKey(QObject* receiver, QKeyEvent* key);
  void RunKeyCommand(KeyCommand command);
  // ---- end of modes, notices and single keys ----

  // ---- Station buttons, the station settings panel and radio lists (form_stations.cpp) ----
 public:
  // A right click on station button n opens the panel on that station; the paging position
  // leaves the panel where it is.
  static constexpr QPoint kPagingPosition{2, 2};
  void NetRadioButtonRClick(int station, const QPoint& position);
  void BnetOkClick();
  void btn_backClick();
  void btn_forClick();
  void Label22Click();
  void btn_LoadRlstClick();
  void btn_SaveRlstClick();
  // Asks for a station number and clicks that station's button.
  void SelectStationByNumber();
  // Reads the file into the station table and makes it the current list; false (after telling
  // the user) when it cannot be read, the table then unchanged.
  bool LoadRadioList(const QString& path);
  // Replaces the file with the station table; false (after telling the user) when it cannot.
  bool SaveRadioList(const QString& path);

 private:
  void ConnectStations();
  void RefreshStationButtons();
  void PageStation(int step);
  void ShowRadioListTitle();
  void HideRadioListButtons();
  // ---- end of station buttons ----

  // ---- Net Radio's window side (form_radio.cpp) ----
 private:
  void ConnectRadio();
  const QStringList& stationList() const override { return RadioList; }
  bool forcedToEncode(int station) const override;
  QString caption() const override { return windowTitle(); }
  bool equalizerEnabled() const override;
  void ApplyEqualizer(std::uint32_t stream) override;
  void RemoveEqualizer(std::uint32_t stream) override;
  QString radioRecordFolder() const override { return Stored.recordRoot; }
  int radioRecordFormat() const override { return Stored.radioFormat; }
  int radioRecordBitrate() const override { return Stored.radioBitrate; }
  QString encoderFolder() const override { return ProgramDir; }
  // ---- end of Net Radio ----

  // ---- Volume and the system mixer (form_mixer.cpp) ----
 public:
  TAudioMixer* AudioMixer1 = nullptr;  // its tag: the line the slider drives, kWholeLine or 0
  TAudioMixer::LineState SavedMaster;  // the sink as found at start-up, put back at closing
  TAudioMixer::LineState SavedSource;  // our stream as found at start-up
  QString SavedDevice;                 // the sink those were read from
  void TrackBar1Change(int position);
  void AudioMixer1ControlChange();

 private:
  void CreateMixer();
  void StartVolume(const std::optional<int>& storedPosition);
  void RestoreMixer();
  bool FollowingMixer = false;  // the slider is moving to a value the mixer reported
  // ---- end of volume ----

  // ---- Audio CD's window side (form_cd.cpp) ----
 public:
  CddbSettings cddbSettings() const override;

 private:
  void ConnectCd();
  // ---- end of Audio CD ----


 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // Controls (form_controls.cpp, form_panels.cpp)
  void CreateMainArea();
  void CreateInfoPanel();
  void CreateRadioPanels();
  void CreateSidePanels();
  void ConnectEqualizer();
  void ConnectTags();
  void ConnectSoundFonts();
  void ConnectRecordSettings();
  // A right click on the radio's record button or on sb_decode opens that set's settings.
  void BNetRadioRecMouseUp(QObject* sender);
  void RecSetOkClick();
  // The red record button: converts the list (or its selected item) into the ripping format.
  void sb_decodeClick();
  StationSettingsPanel* stationSettingsPanel_ = nullptr;
  RecordSettingsPanel* recordSettingsPanel_ = nullptr;
  SettingsPanel* settingsPanel_ = nullptr;
  EqualizerPanel* eqPanel_ = nullptr;
  SleepPanel* sleepPanel_ = nullptr;
  TagPanel* tagPanel_ = nullptr;
  void CreateNonVisualParts();
  void CreateMenus();

  // Start-up steps (form_startup.cpp)
  void CentreOnScreen();
  void ShowModePicture();
  void ApplySettings(const SettingsData& settings);
  void LoadRadioList();
  void CreateStationButtons();
  bool EngineVersionMatches();
  bool InitOutputDevice();
  void ConfigureEngine();
  void LoadPluginsAndFilter();
  void FillCdDriveList(const QString& savedDriveText);
  void ApplyEncoderAvailability();
  void LoadRemoteCommands();
  void PrepareSoundFontGrid();
  void CollectRadioListFiles();
  void EnterFirstMode();
  void PlayCommandLineFile(const QString& path);
  void FillMixerList();
  void CaptureMixer();
  void RegisterHotKeys();
  void ApplyRemoteSettings();
  void FillRemoteGrid();
  void ApplyProcessPriority();
  void ColourPositionBar();

  // Closing steps (form_closing.cpp)
  SettingsData CollectSettings() const;
  void ReportSaveFailures(const QStringList& failures);

  // Installs a hook that calls into the window; the window removes it before its controls go.
  void AddHook(QObject* watched, QObject* owner, std::function<bool(QObject*, QEvent*)> handler);
  // Runs click on a left click of a control that has no click of its own (a label, a picture).
  void AddClickHook(QWidget* control, std::function<void()> click);

  Dialogs& dialogs_;
  bool closed_ = false;
  QList<QObject*> hooks_;
};

}  // namespace tavelo
