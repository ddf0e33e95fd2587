// The station settings panel (p_radioSet): name, address, proxy, force-encode flag and title
// encoding of one station button, stepped through the stations with the arrows.
// The panel's tag holds the station it shows (1..30); Ename's tag is the modified mark, 1 after
// any edit and 0 right after the panel was filled.
#pragma once

#include "app/side_panel.h"

#include "radio/station_settings.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace tavelo {

class StationSettingsPanel : public SidePanel {
  Q_OBJECT
 public:
  explicit StationSettingsPanel(QWidget* parent);

  // Shows station n's values and clears the modified mark.
  void fill(int station, const StationEdit& edit);
  StationEdit stationEdit() const;
  int station() const;
  bool modified() const;
  QString title() const;  // Label27: "Settings for Button n"
  // "Set  Proxy for All Connections": Ok gives every station this station's proxy, then clears it.
  bool proxyForAll() const;
  void clearProxyForAll();
  // The panel's own place, where opening it from a station button puts it.
  void moveHome();

 signals:
  void okClicked();        // BnetOk
  void previousClicked();  // btn_back
  void nextClicked();      // btn_for

 private:
  void rg_ProxySetClick(int choice);
  void EnameChange();
  void showProxyChoice(std::optional<ProxyChoice> choice);
  void setModified(bool modified);

  QLabel* title_ = nullptr;                 // Label27
  QLineEdit *name_ = nullptr, *url_ = nullptr, *proxy_ = nullptr;  // Ename, Eurl, Eproxy
  QButtonGroup* proxyChoice_ = nullptr;     // rg_ProxySet
  QCheckBox *proxyForAll_ = nullptr, *forceEncode_ = nullptr;  // ChBoxSetDefaultProxy, ChBoxForceRec
  QComboBox* titleEncoding_ = nullptr;      // cb_titleEncoding
};

}  // namespace tavelo
