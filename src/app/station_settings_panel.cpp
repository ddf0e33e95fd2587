#include "app/station_settings_panel.h"
#include "app/form_builders.h"

#include <QGroupBox>

namespace tavelo {

using namespace form;

StationSettingsPanel::StationSettingsPanel(QWidget* parent)
    : SidePanel(parent, "p_radioSet", QRect(16, 134, 376, 236)) {
  label(this, "Label27", {}, QRect(8, 4, 300, 16));
  caption(edit(this, "Ename", QRect(60, 24, 306, 22)), QStringLiteral("Name"), QRect(8, 26, 50, 18));
  caption(edit(this, "Eurl", QRect(60, 50, 306, 22)), QStringLiteral("URL"), QRect(8, 52, 50, 18));
  auto* proxy = place(new QGroupBox(QStringLiteral("Proxy Settings"), this), "rg_ProxySet", QRect(8, 76, 358, 82));
  radioItems<3>(proxy,
                {QStringLiteral("Use proxy [user:pass@]server:port"), QStringLiteral("Use IE proxy settings"),
                 QStringLiteral("Don't use a proxy")},
                18, 20);
  edit(this, "Eproxy", QRect(8, 162, 358, 22));
  checkBox(this, "ChBoxSetDefaultProxy", QStringLiteral("Set  Proxy for All Connections"), QRect(8, 186, 220, 20));
  checkBox(this, "ChBoxForceRec", QStringLiteral("Force Encode "), QRect(236, 186, 130, 20));
  connect(button(this, "btn_back", QStringLiteral("<"), QRect(8, 208, 30, 22)), &QPushButton::clicked, this,
          &StationSettingsPanel::previousClicked);
  connect(button(this, "btn_for", QStringLiteral(">"), QRect(42, 208, 30, 22)), &QPushButton::clicked, this,
          &StationSettingsPanel::nextClicked);
  connect(button(this, "BnetOk", QStringLiteral("Ok"), QRect(250, 208, 70, 22)), &QPushButton::clicked, this,
          &StationSettingsPanel::okClicked);
  closeOn(closeButton(this, "BNetSettingsClose", QRect(346, 2, 22, 20)));
}

}  // namespace tavelo
