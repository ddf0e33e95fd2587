// Closing: the one place where the player's state goes back to disk and every resource is freed.
#include "app/equalizer_panel.h"
#include "app/form.h"
#include "app/settings_panel.h"

#include "engine/engine.h"
#include "radio/radio_list.h"
#include "remote/remote_commands.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QLoggingCategory>
#include <QSlider>
#include <QSystemTrayIcon>
#include <QTimer>

namespace tavelo {

Q_DECLARE_LOGGING_CATEGORY(lcStartup)

void TFormMyTavelo::FormClose() {
  if (closed_) return;
  closed_ = true;
  Timer1->stop();
  Timer2->stop();
  Closing = true;
  resize(width(), 0);
  setWindowTitle(QStringLiteral("Closing Tavelo ..."));
  QDir::setCurrent(ProgramDir);

  QStringList failures;
  const auto save = [&failures](const FileWriteResult& result) {
    if (!result.ok) failures << result.message;
  };
  if (SaveRadioListOnClose) save(saveRadioList(RadioListPath, RadioList));
  RadioList.clear();
  save(saveSettingsFile(ProgramDir, CollectSettings()));
  filesMode_->releaseEngine();
  radioMode_->close();
  cdMode_->close();
  BASS_Free();
  BASS_PluginFree(0);
  RestoreMixer();
  if (Stored.useIr) save(saveRemoteCommands(ProgramDir, IRCommands));
  IRCommands.clear();
  TrayIcon1->hide();
  RadioListFiles.clear();
  ReportSaveFailures(failures);
}

// One report for everything that could not be saved. While the system shuts down nobody can
// answer a dialog, so the report goes to the error output instead.
void TFormMyTavelo::ReportSaveFailures(const QStringList& failures) {
  if (failures.isEmpty()) return;
  const QString text = failures.join(QLatin1Char('\n'));
  if (SystemShutdown) qCCritical(lcStartup).noquote() << text;
  else dialogs_.message(this, text);
}

void TFormMyTavelo::SessionEnding() {
  SystemShutdown = true;
  close();
  QCoreApplication::quit();
}

SettingsData TFormMyTavelo::CollectSettings() const {
  SettingsData settings = Stored;
  settings.volumeBar = TrackBar1->value();
  settings.radioListPath = RadioListPath;
  settings.cdDriveText = CBCDdrives->currentText();
  settings.fullDir = CheckBoxFullDir->isChecked();
  settings.repeat = ChBoxRep->isChecked();
  settings.modeOrder = settingsPanel_->modeOrder();
  settings.modeOrderCode = modeOrderCode(settingsPanel_->orderInForce());
  settings.enableEq = eqPanel_->enabled();
  const GeneralOptions options = settingsPanel_->options();
  settings.sampleFloat = options.sampleFloat;
  settings.highPriority = options.highPriority;
  settings.alwaysOnTop = options.alwaysOnTop;
  settings.minToTray = options.minToTray;
  settings.eqBars = eqPanel_->positions();
  settings.cddbEmail = settingsPanel_->cddbEmail();
  return settings;
}

}  // namespace tavelo
