// The Audio CD mode's window side: the drive box and the CDDB settings it reads.
#include "app/form.h"
#include "app/settings_panel.h"

#include <QComboBox>

namespace tavelo {

void TFormMyTavelo::ConnectCd() {
  // Only the user's choice changes the drive; start-up selects the saved drive itself.
  connect(CBCDdrives, &QComboBox::activated, this, [this] { cdMode_->CBCDdrivesChange(); });
}

CddbSettings TFormMyTavelo::cddbSettings() const {
  return {Stored.useCddb,   Stored.cddbServer,    Stored.proxyHost, Stored.proxyPort,
          Stored.proxyUser, Stored.proxyPassword, settingsPanel_->cddbEmail()};
}

}  // namespace tavelo
