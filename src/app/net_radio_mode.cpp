#include "app/net_radio_mode.h"

#include "app/event_hook.h"
#include "app/glyphs.h"
#include "app/tags.h"
#include "radio/stream_texts.h"
#include "recording/file_names.h"
#include "recording/stream_recording.h"
#include "util/text_codec.h"

#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

namespace tavelo {

namespace {

constexpr auto kTickLength = std::chrono::milliseconds(200);
constexpr int kTicksPerSecond = 5;
const QString kNoTitle = QStringLiteral("No META Data");
const char* const kRecordExtensions[] = {".mp3", ".aac", ".ogg", ".flac", ".ape", ".wv", ".wav"};

// "<Record>" padded to 16 characters, then the caption.
QString recordNotice(const QString& caption) { return QStringLiteral("<Record>").leftJustified(16) + caption; }

// The radio's own encoded recording: the recording settings of the window, a failure told once
// the encoder has finished.
class EncoderRadioRecording : public EncodedRecording {
 public:
  EncoderRadioRecording(const RadioWindow& window, std::function<void(const QString&)> reportFailure)
      : window_(window), reportFailure_(std::move(reportFailure)) {}

  bool StartRecording(std::uint32_t stream, const QString& file) override {
    const QFileInfo target(file);
    const QString extension = QLatin1Char('.') + target.suffix();
    const StreamRecording::Target where{target.absolutePath(), target.fileName().chopped(extension.size()), extension};
    return recording_.start(stream, where, {window_.encoderFolder(), window_.radioRecordBitrate()}).isEmpty();
  }
  void StopRecording() override {
    recording_.stop([report = reportFailure_](const QString&, const QString& failure) {
      if (!failure.isEmpty()) report(failure);
    });
  }
  bool Active() const override { return recording_.active(); }

 private:
  const RadioWindow& window_;
  std::function<void(const QString&)> reportFailure_;
  StreamRecording recording_;
};

}  // namespace

void SetEngineProxy(const ProxySettings& proxy) {
  const std::optional<QByteArray> text = proxy.engineText();
  BASS_SetConfigPtr(BASS_CONFIG_NET_PROXY, text ? text->constData() : nullptr);
}

NetRadioMode::NetRadioMode(ModeControls controls, ModeWindow& window, RadioControls radio,
                           RadioWindow& radioWindow, EngineEvents& events)
    : PlaybackMode(controls, window), radio_(radio), radioWindow_(radioWindow), events_(events), feed_(events) {
  QObject::connect(&events_, &EngineEvents::radioInfo, &reconnectTimer_,
                   [this](const RadioInfo& info) { onRadioInfo(info); });
  ownRecording_ = std::make_unique<EncoderRadioRecording>(
      radioWindow_, [this](const QString& failure) { reportRecordingFailure(failure); });
  encoded_ = ownRecording_.get();
  reconnectTimer_.setSingleShot(true);
  QObject::connect(&reconnectTimer_, &QTimer::timeout, [this] { reconnect(); });
  label4Hook_ = new EventHook(radio_.Label4, [this](QObject*, QEvent* event) {
    switch (event->type()) {
      case QEvent::Enter: Label4MouseEnter(); break;
      case QEvent::Leave: Label4MouseLeave(); break;
      case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) Label4Click();
        break;
      default: break;
    }
    return false;
  });
  radio_.Label4->installEventFilter(label4Hook_);
}

NetRadioMode::~NetRadioMode() {
  delete label4Hook_;
  close();
}

// ---- Station buttons and connections ----

void NetRadioMode::NetRadioButtonClick(int station) {
  if (connecting_) {
    window_.dialogs().beep();
    return;
  }
  stopReconnecting();
  backoff_.reset();
  watchdog_.reset();
  connectStation(station);
}

void NetRadioMode::connectStation(int station) {
  endEncodedRecording();
  const StationChoice choice = stationChoice(radioWindow_.stationList(), station);
  station_ = station;
  stationName_ = choice.name;
  titleEncoding_ = choice.titleEncoding;
  showPauseButton(false);
  if (choice.refusedInStatusLine) {
    radio_.Label5->setText(choice.refusal);
  } else if (!choice.refusal.isEmpty()) {
    window_.dialogs().message(window_.dialogParent(), choice.refusal);
  } else {
    SetEngineProxy(ProxySettings::fromStationLine(choice.proxyLine));
    startConnection(choice.url);
  }
}

void NetRadioMode::startConnection(const QString& url) {
  cancelConnection();
  freeStream();
  context_ = feed_.newGeneration();
  connecting_ = true;
  connection_ = std::make_unique<RadioConnection>(context_, url.toUtf8());
}

// The thread may be waiting for a server: the engine abandons its creation, and the new
// generation keeps whatever it still reports or opens from the window.
void NetRadioMode::cancelConnection() {
  feed_.cancel();
  connecting_ = false;
  std::erase_if(cancelled_, [](const auto& connection) { return connection->finished(); });
  if (!connection_) return;
  if (!connection_->finished()) BASS_StreamAbortCreateURL();
  cancelled_.push_back(std::move(connection_));
}

void NetRadioMode::onRadioInfo(const RadioInfo& info) {
  switch (info.code) {
    case RadioInfo::RawRecordEnded: return showRecording(false);
    case RadioInfo::RecordWriteFailed:
      showRecording(false);
      return reportRecordingFailure(QString::fromLocal8Bit(info.text));
    default: break;
  }
  if (!feed_.current(info.generation)) {
    if (info.code == RadioInfo::StreamReady) BASS_StreamFree(HSTREAM(info.number));
    return;
  }
  switch (info.code) {
    case RadioInfo::Connecting:
      radio_.Label5->setText(QStringLiteral("connecting..."));
      radio_.Label4->clear();
      radio_.Label6->clear();
      break;
    case RadioInfo::OpenFailed: return showOpenFailed(int(info.number));
    case RadioInfo::Buffering:
      radio_.Label5->setText(QStringLiteral("buffering... %1%").arg(info.number));
      if (!controls_.Timer1->isActive()) controls_.Timer1->start();
      controls_.Timer1->setTag(0);
      break;
    case RadioInfo::Title: showTitle(info.text); break;
    case RadioInfo::ServerReply: radio_.Label6->setText(decodeExternalText(info.text)); break;
    case RadioInfo::StreamReady: return showStreamReady(HSTREAM(info.number));
    case RadioInfo::DownloadEnded: return onDownloadEnded(info.generation);
    default: break;
  }
}

void NetRadioMode::showOpenFailed(int errorCode) {
  connecting_ = false;
  radio_.Label5->setText(QStringLiteral("Not playing. Can't play the stream.\r\n(error code: %1)").arg(errorCode));
  window_.dialogs().beep();
  if (reconnecting_) scheduleReconnect();
}

void NetRadioMode::showStreamReady(HSTREAM stream) {
  connecting_ = false;
  stream_.reset(stream);
  bitRate_.restart();
  BASS_CHANNELINFO info{};
  BASS_ChannelGetInfo(stream, &info);
  radio_.Label5->setText(bufferedText(info.ctype));
  showHeaders();
  const std::optional<QByteArray> title = RadioFeed::currentTitle(stream);
  if (title) showTitle(*title);
  else radio_.Label4->setText(kNoTitle);
  feed_.watchTitles(stream, context_);
  if (radioWindow_.equalizerEnabled()) ApplyEqualizer(stream);
  BASS_ChannelPlay(stream, 0);
  // The download may have ended while the buffer filled.
  if (endedGeneration_ == context_->generation) onDownloadEnded(endedGeneration_);
}

void NetRadioMode::showHeaders() {
  const char* headers = BASS_ChannelGetTags(stream_.get(), BASS_TAG_ICY);
  if (!headers) headers = BASS_ChannelGetTags(stream_.get(), BASS_TAG_HTTP);
  for (const HeaderReport& report : headerReports(tagLines(headers))) {
    QLabel* label = report.target == HeaderReport::Target::StationName ? radio_.Label5 : radio_.Label6;
    label->setText(report.text);
  }
}

void NetRadioMode::showTitle(const QByteArray& title) { radio_.Label4->setText(decodeTitle(title, titleEncoding_)); }

// ---- Reconnecting a station whose download ended without the user ----

void NetRadioMode::onDownloadEnded(quint64 generation) {
  endedGeneration_ = generation;
  if (!stream_) return;  // still connecting: the connection reports the failure
  radio_.Label5->setText(QStringLiteral("reconnecting..."));
  scheduleReconnect();
}

void NetRadioMode::scheduleReconnect() {
  reconnecting_ = true;
  reconnectTimer_.start(backoff_.next());
}

void NetRadioMode::reconnect() {
  if (!connecting_) connectStation(station_);
}

void NetRadioMode::stopReconnecting() {
  reconnectTimer_.stop();
  reconnecting_ = false;
}

// ---- Main timer ----

void NetRadioMode::tick() {
  if (encodedRunning_ && !encoded_->Active()) endEncodedRecording();  // it tells why once it has finished
  if (paused()) return;
  const HSTREAM stream = stream_.get();
  const bool active = BASS_ChannelIsActive(stream) != BASS_ACTIVE_STOPPED;
  meters_.update(active, active ? BASS_ChannelGetLevel(stream) : 0);
  controls_.PBL->setValue(meters_.leftBar());
  controls_.PBR->setValue(meters_.rightBar());
  showCaption();
  const int seconds = controls_.Timer1->tag() / kTicksPerSecond;
  controls_.Label1->setText(QStringLiteral("%1   %2:%3")
                                .arg(station_, 2, 10, QLatin1Char('0'))
                                .arg(seconds / 60, 2, 10, QLatin1Char('0'))
                                .arg(seconds % 60, 2, 10, QLatin1Char('0')));
  showStreamInfo(stream);
  watchSilence(meters_.leftBar() == 0 && meters_.rightBar() == 0);
}

void NetRadioMode::showCaption() {
  const QString title = radio_.Label4->text();
  QString caption;
  if (!title.isEmpty() && title != kNoTitle) caption = title;
  else if (station_ != 0) caption = QStringLiteral("Radio Station - ") + stationName_;
  if (!caption.isNull() && caption != radioWindow_.caption()) window_.SetCaption(caption);
}

void NetRadioMode::watchSilence(bool silent) {
  if (silent) backoff_.silence();
  else backoff_.heard(kTickLength);
  switch (watchdog_.tick(silent)) {
    case SilenceWatchdog::Action::Restart:
      if (!connecting_) connectStation(station_);
      break;
    case SilenceWatchdog::Action::Stop: BNetRadioStopClick(); break;
    case SilenceWatchdog::Action::None: break;
  }
}

// ---- Radio panel ----

bool NetRadioMode::paused() const { return tagOf(radio_.BnetRadioPause) == 1; }

void NetRadioMode::showPauseButton(bool paused) {
  setTag(radio_.BnetRadioPause, paused ? 1 : 0);
  setGlyph(radio_.BnetRadioPause, QLatin1String(paused ? "4" : ";"));
  radio_.BnetRadioPause->setToolTip(paused ? QStringLiteral("Play Current Radio (Space)")
                                           : QStringLiteral("Pause Current Radio (Space)"));
}

void NetRadioMode::resetMeters() {
  meters_.reset();
  controls_.PBL->setValue(0);
  controls_.PBR->setValue(0);
}

void NetRadioMode::BnetRadioPauseClick() {
  if (!paused() && glyphOf(radio_.BNetRadioRec) == QLatin1String("<")) {
    window_.dialogs().message(window_.dialogParent(),
                              QStringLiteral("Record is started. Operation \"Pause\" is not allowed."));
    return;
  }
  if (paused()) {
    if (BASS_ChannelPlay(stream_.get(), 0)) showPauseButton(false);
  } else if (BASS_ChannelPause(stream_.get())) {
    showPauseButton(true);
  }
  resetMeters();
}

void NetRadioMode::BNetRadioStopClick() {
  stopRadio();
  if (station_ != 0) window_.SetCaption(QStringLiteral("NR - Stop ") + stationName_.trimmed());
  controls_.Label1->setText(QStringLiteral("00   00:00"));
}

void NetRadioMode::leave() { stopRadio(); }

void NetRadioMode::stopRadio() {
  stopReconnecting();
  controls_.Timer1->stop();
  endEncodedRecording();
  cancelConnection();
  freeStream();
  showPauseButton(false);
  resetMeters();
  radio_.Label4->clear();
  radio_.Label5->setText(QStringLiteral("Not playing"));
  radio_.Label6->clear();
}

void NetRadioMode::close() {
  stopReconnecting();
  endEncodedRecording();
  cancelConnection();
  freeStream();
  cancelled_.clear();  // each thread ends soon after the abort
}

void NetRadioMode::freeStream() {
  if (feed_.recorder().stop()) showRecording(false);
  stream_.reset();
}

void NetRadioMode::Label4Click() {
  const QString title = radio_.Label4->text();
  if (title.isEmpty()) return;
  QGuiApplication::clipboard()->setText(title);
  WebSearch(title);
}

void NetRadioMode::Label4MouseEnter() {
  const bool hasText = !radio_.Label4->text().isEmpty();
  radio_.Label4->setCursor(hasText ? Qt::PointingHandCursor : Qt::ArrowCursor);
  if (hasText) radio_.Label4->setStyleSheet(QStringLiteral("color: blue"));
}

void NetRadioMode::Label4MouseLeave() { radio_.Label4->setStyleSheet(QStringLiteral("color: black")); }

// ---- Recording ----

void NetRadioMode::showRecording(bool on) {
  recordRunning_ = on;
  radio_.Label17->setVisible(on);
  setGlyph(radio_.BNetRadioRec, QLatin1String(on ? "<" : "="));
  radio_.BNetRadioRec->setToolTip(on ? QStringLiteral("Stop Record") : QStringLiteral("Start Record"));
  if (!on) showPauseButton(false);
}

bool NetRadioMode::streamIsMp3() const {
  BASS_CHANNELINFO info{};
  return BASS_ChannelGetInfo(stream_.get(), &info) && info.ctype == BASS_CTYPE_STREAM_MP3;
}

void NetRadioMode::BNetRadioRecClick() {
  if (!controls_.Timer1->isActive() || !stream_) return;
  if (encodedRunning_ || !streamIsMp3() || radioWindow_.forcedToEncode(station_)) toggleEncodedRecording();
  else toggleRawRecording();
}

void NetRadioMode::toggleRawRecording() {
  if (feed_.recorder().stop()) {
    showRecording(false);
    radioWindow_.Notice(radioWindow_.caption());
    return;
  }
  const QString file = RecFileName(QStringLiteral(".mp3"));
  if (!feed_.recorder().start(file, context_->generation)) {
    window_.dialogs().message(window_.dialogParent(), QStringLiteral("Couldn't create ") + file);
    return;
  }
  showRecording(true);
  radioWindow_.Notice(recordNotice(radioWindow_.caption()));
}

void NetRadioMode::toggleEncodedRecording() {
  if (encodedRunning_) {
    endEncodedRecording();
    if (radioWindow_.equalizerEnabled()) ApplyEqualizer(stream_.get());
    radioWindow_.Notice(radioWindow_.caption());
    return;
  }
  if (radioWindow_.equalizerEnabled()) RemoveEqualizer(stream_.get());
  const int format = std::clamp(radioWindow_.radioRecordFormat(), 0, int(std::size(kRecordExtensions)) - 1);
  const QString file = RecFileName(QLatin1String(kRecordExtensions[format]));
  if (!encoded_->StartRecording(stream_.get(), file)) {
    window_.dialogs().message(window_.dialogParent(), encoderStartFailure(file.endsWith(QLatin1String(".wav"))));
    if (radioWindow_.equalizerEnabled()) ApplyEqualizer(stream_.get());
    return;
  }
  encodedRunning_ = true;
  showRecording(true);
  radioWindow_.Notice(recordNotice(radioWindow_.caption()));
}

void NetRadioMode::endEncodedRecording() {
  if (!encodedRunning_) return;
  encodedRunning_ = false;
  encoded_->StopRecording();
  showRecording(false);
}

void NetRadioMode::reportRecordingFailure(const QString& failure) {
  window_.dialogs().message(window_.dialogParent(), QStringLiteral("Recording stopped: ") + failure);
}

QString NetRadioMode::RecFileName(const QString& extension) const {
  const QString folder = QDir(radioWindow_.radioRecordFolder()).filePath(fitFileName(SafeFileName(stationName_.trimmed()), QString()));
  QDir().mkpath(folder);
  return firstFreeName(folder, recordTitleStem(radio_.Label4->text()), extension,
                       [](const QString& path) { return QFileInfo::exists(path) || QFileInfo::exists(path + ".part"); });
}

void NetRadioMode::ApplyEqualizer(std::uint32_t stream) { radioWindow_.ApplyEqualizer(stream); }
void NetRadioMode::RemoveEqualizer(std::uint32_t stream) { radioWindow_.RemoveEqualizer(stream); }
// The browser search of a text arrives with the window commands.
void NetRadioMode::WebSearch(const QString& /*text*/) {}

}  // namespace tavelo
