#include "app/station_settings_panel.h"
#include "app/form_builders.h"
#include "app/tags.h"

#include <QButtonGroup>
#include <QGroupBox>

namespace tavelo {

using namespace form;

namespace {

constexpr QPoint kHome(16, 134);

// The encodings in the order of TitleEncoding.
QStringList titleEncodingNames() {
  return {QStringLiteral("Auto"), QStringLiteral("UTF-8"), QStringLiteral("Windows-1252"),
          QStringLiteral("Windows-1251")};
}

}  // namespace

StationSettingsPanel::StationSettingsPanel(QWidget* parent)
    : SidePanel(parent, "p_radioSet", QRect(kHome, QSize(376, 236))) {
  title_ = label(this, "Label27", {}, QRect(8, 4, 300, 16));
  name_ = edit(this, "Ename", QRect(60, 24, 306, 22));
  caption(name_, QStringLiteral("Name"), QRect(8, 26, 50, 18));
  url_ = edit(this, "Eurl", QRect(60, 50, 306, 22));
  caption(url_, QStringLiteral("URL"), QRect(8, 52, 50, 18));
  auto* proxyGroup = place(new QGroupBox(QStringLiteral("Proxy Settings"), this), "rg_ProxySet", QRect(8, 76, 358, 82));
  const auto items = radioItems<3>(proxyGroup,
                                   {QStringLiteral("Use proxy [user:pass@]server:port"),
                                    QStringLiteral("Use IE proxy settings"), QStringLiteral("Don't use a proxy")},
                                   18, 20);
  proxyChoice_ = new QButtonGroup(this);
  for (int choice = 0; choice < 3; ++choice) proxyChoice_->addButton(items[static_cast<std::size_t>(choice)], choice);
  proxy_ = edit(this, "Eproxy", QRect(8, 162, 358, 22));
  proxy_->setMaxLength(kProxyTextLimit);
  proxyForAll_ = checkBox(this, "ChBoxSetDefaultProxy", QStringLiteral("Set  Proxy for All Connections"),
                          QRect(8, 186, 220, 20));
  forceEncode_ = checkBox(this, "ChBoxForceRec", QStringLiteral("Force Encode "), QRect(236, 186, 130, 20));
  titleEncoding_ = dropDown(this, "cb_titleEncoding", QRect(120, 208, 150, 22), titleEncodingNames());
  caption(titleEncoding_, QStringLiteral("Titles"), QRect(82, 210, 36, 18));
  titleEncoding_->setToolTip(QStringLiteral("How this station's titles are read"));
  titleEncoding_->setFocusPolicy(Qt::NoFocus);  // keys stay the window's, as on the panel's buttons
  connect(button(this, "btn_back", QStringLiteral("<"), QRect(8, 208, 30, 22)), &QPushButton::clicked, this,
          &StationSettingsPanel::previousClicked);
  connect(button(this, "btn_for", QStringLiteral(">"), QRect(42, 208, 30, 22)), &QPushButton::clicked, this,
          &StationSettingsPanel::nextClicked);
  connect(button(this, "BnetOk", QStringLiteral("Ok"), QRect(296, 208, 70, 22)), &QPushButton::clicked, this,
          &StationSettingsPanel::okClicked);
  closeOn(closeButton(this, "BNetSettingsClose", QRect(346, 2, 22, 20)));  // the edits are dropped

  connect(proxyChoice_, &QButtonGroup::idToggled, this, [this](int choice, bool checked) {
    if (checked) rg_ProxySetClick(choice);
  });
  for (QLineEdit* edited : {name_, url_, proxy_}) {
    connect(edited, &QLineEdit::textChanged, this, &StationSettingsPanel::EnameChange);
  }
  connect(forceEncode_, &QCheckBox::toggled, this, &StationSettingsPanel::EnameChange);
  connect(titleEncoding_, &QComboBox::currentIndexChanged, this, &StationSettingsPanel::EnameChange);
}

void StationSettingsPanel::fill(int station, const StationEdit& edit) {
  setTag(this, station);
  name_->setText(edit.name);
  url_->setText(edit.url);
  title_->setText(QStringLiteral("Settings for Button %1").arg(station));
  showProxyChoice(edit.proxy);
  if (edit.proxy == ProxyChoice::Explicit) proxy_->setText(edit.proxyText);
  forceEncode_->setChecked(edit.forceEncode);
  titleEncoding_->setCurrentIndex(static_cast<int>(edit.titleEncoding));
  setModified(false);
}

StationEdit StationSettingsPanel::stationEdit() const {
  StationEdit edit{name_->text(), url_->text(), std::nullopt, proxy_->text(), forceEncode_->isChecked(),
                   static_cast<TitleEncoding>(titleEncoding_->currentIndex())};
  if (proxyChoice_->checkedId() >= 0) edit.proxy = static_cast<ProxyChoice>(proxyChoice_->checkedId());
  return edit;
}

int StationSettingsPanel::station() const { return tagOf(this); }
bool StationSettingsPanel::modified() const { return tagOf(name_) == 1; }
QString StationSettingsPanel::title() const { return title_->text(); }
bool StationSettingsPanel::proxyForAll() const { return proxyForAll_->isChecked(); }
void StationSettingsPanel::clearProxyForAll() { proxyForAll_->setChecked(false); }
void StationSettingsPanel::moveHome() { move(kHome); }

void StationSettingsPanel::rg_ProxySetClick(int choice) {
  setModified(true);
  showProxyChoice(static_cast<ProxyChoice>(choice));
}

void StationSettingsPanel::EnameChange() { setModified(true); }

// Only an explicit proxy takes text; the other choices empty the field and lock it.
void StationSettingsPanel::showProxyChoice(std::optional<ProxyChoice> choice) {
  if (choice) proxyChoice_->button(static_cast<int>(*choice))->setChecked(true);
  const bool explicitProxy = choice == ProxyChoice::Explicit;
  if (!explicitProxy) proxy_->clear();
  proxy_->setEnabled(explicitProxy);
}

void StationSettingsPanel::setModified(bool modified) { setTag(name_, modified ? 1 : 0); }

}  // namespace tavelo
