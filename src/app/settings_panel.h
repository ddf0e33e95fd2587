// The settings panel (p_settings) with its pages General, Audio, CDDB and IR RC (pc_settings).
// It holds the mode order twice: as the three boxes show it while the user edits, and as the
// order in force, which closing stores and the close button puts back into the boxes.
#pragma once

#include "app/dialogs.h"
#include "app/mode_order.h"
#include "app/side_panel.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QTableWidget;

namespace tavelo {

// The check boxes of the General page.
struct GeneralOptions {
  bool sampleFloat = false;   // cbox_en32
  bool highPriority = false;  // cbox_priority
  bool alwaysOnTop = false;   // cbox_ontop
  bool minToTray = false;     // cbox_stray
};

class SettingsPanel : public SidePanel {
  Q_OBJECT
 public:
  explicit SettingsPanel(QWidget* parent);

  // The order CBfirst, CBsecond and CBthird select now.
  ModeOrder modeOrder() const;
  void showModeOrder(const ModeOrder& order);
  ModeOrder orderInForce() const { return orderInForce_; }
  void setOrderInForce(const ModeOrder& order) { orderInForce_ = order; }

  GeneralOptions options() const;
  // Sets the boxes as the user would: the toggled signals follow each change.
  void setOptions(const GeneralOptions& options);

  // edt_cddbmail: the address the CDDB hello carries (empty: anonymous).
  QString cddbEmail() const;
  void setCddbEmail(const QString& email);

  QComboBox* mixerList() const { return mixers_; }           // cb_audioMixer
  QTableWidget* soundFontGrid() const { return soundFonts_; }  // sg_SF2

  // The grid from the sound-font list (on opening) and the list from the grid (on "Ok").
  void showSoundFonts(const QString& list);
  QString soundFontList() const;
  // A double click: the open dialog (shared with the playlist, and restored afterwards) picks a
  // font for the selected row; a path the list cannot hold is refused with a message.
  void sg_SF2DblClick(Dialogs& dialogs, FileDialogSettings& openDialog, const QString& programDir);
  // A right click at position (in the grid's view): the row under it, after a Yes, is emptied.
  void sg_SF2ContextPopup(const QPoint& position, Dialogs& dialogs);

 signals:
  void okClicked();  // BordOk
  void highPriorityToggled(bool on);
  void alwaysOnTopToggled(bool on);
  void minToTrayToggled(bool on);

 private:
  QWidget* createGeneralPage();
  QWidget* createAudioPage();
  QWidget* createCddbPage();
  QWidget* createRemotePage();
  void restoreOrderInForce();
  void setSoundFont(int row, const QString& path);

  ModeOrder orderInForce_ = kDefaultModeOrder;
  std::array<QComboBox*, 3> orderBoxes_{};  // CBfirst, CBsecond, CBthird
  QCheckBox *sampleFloat_ = nullptr, *highPriority_ = nullptr, *alwaysOnTop_ = nullptr, *minToTray_ = nullptr;
  QComboBox* mixers_ = nullptr;
  QTableWidget* soundFonts_ = nullptr;
  QLineEdit* cddbEmail_ = nullptr;
};

}  // namespace tavelo
