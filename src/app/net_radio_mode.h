// The Net Radio mode: thirty station buttons and one stream. A click connects on a thread of its
// own (radio_feed.h); the reports come back as queued signals and are shown here. The mode owns
// the stream, the raw recording, the silence watchdog and the reconnection of a station whose
// download ended by itself.
#pragma once

#include "app/engine_handles.h"
#include "app/playback_mode.h"
#include "app/radio_feed.h"
#include "files/position_display.h"
#include "net/proxy_settings.h"
#include "radio/radio_timing.h"
#include "radio/station_choice.h"
#include "radio/title_encoding.h"

#include <QTimer>
#include <memory>
#include <vector>

class QLabel;
class QPushButton;

namespace tavelo {

// The engine copies the text at the call; a station's own proxy replaces it when it connects.
void SetEngineProxy(const ProxySettings& proxy);

// The radio panel's controls the mode uses.
struct RadioControls {
  QPushButton *BnetRadioPause, *BNetRadioStop, *BNetRadioRec;
  QLabel *Label4, *Label5, *Label6, *Label17;
};

// What the radio asks of the window beyond the other modes.
class RadioWindow {
 public:
  virtual ~RadioWindow() = default;
  // The radio list in memory: three lines per station, then the force-encode flags.
  virtual const QStringList& stationList() const = 0;
  // The station button's force-encode flag.
  virtual bool forcedToEncode(int station) const = 0;
  virtual void Notice(const QString& text) = 0;
  virtual QString caption() const = 0;
  virtual bool equalizerEnabled() const = 0;
  virtual void ApplyEqualizer(std::uint32_t stream) = 0;
  virtual void RemoveEqualizer(std::uint32_t stream) = 0;
  // The radio recording settings: root folder and format index (0 MP3 … 6 WAVE).
  virtual QString radioRecordFolder() const = 0;
  virtual int radioRecordFormat() const = 0;
  virtual int radioRecordBitrate() const = 0;
  // Where encoders are looked for before PATH: the program folder, ending with '/'.
  virtual QString encoderFolder() const = 0;
};

// A recording through an encoder (a stream that is not MP3, or a station forced to encode).
class EncodedRecording {
 public:
  virtual ~EncodedRecording() = default;
  // Attaches an encoder writing file to stream; false when it could not start.
  virtual bool StartRecording(std::uint32_t stream, const QString& file) = 0;
  // Ends the recording; the file is filed (and a failure told) once the encoder has finished.
  virtual void StopRecording() = 0;
  // False once the encoder has died or fallen behind: the recording is to be ended.
  virtual bool Active() const { return true; }
};

class NetRadioMode : public PlaybackMode {
 public:
  NetRadioMode(ModeControls controls, ModeWindow& window, RadioControls radio, RadioWindow& radioWindow,
               EngineEvents& events);
  ~NetRadioMode() override;

  PlayMode kind() const override { return PlayMode::NetRadio; }
  // Cancels a connection, ends a recording, stops the stream and shows the radio panel idle.
  void leave() override;
  void tick() override;
  // Closing: as leaving, and waits for the connection threads to end.
  void close();

  // A station button's click (the user's, the remote's, the station number prompt's).
  void NetRadioButtonClick(int station);
  void BnetRadioPauseClick();
  void BNetRadioStopClick();
  void BNetRadioRecClick();
  void Label4Click();
  void Label4MouseEnter();
  void Label4MouseLeave();

  std::uint32_t stream() const override { return stream_.get(); }
  // A stream opened elsewhere becomes the radio stream; the one before it is freed.
  void setStream(StreamHandle stream) {
    freeStream();
    stream_ = std::move(stream);
  }
  int station() const { return station_; }
  // A connection thread of this station is at work; a click now only beeps.
  bool connecting() const { return connecting_; }
  bool paused() const;
  // A radio recording runs: the mode cannot be left, and notices say "<Record>".
  bool recordRunning() const { return recordRunning_; }
  // Shows a recording running or ended, as the recordings do.
  void setRecordRunning(bool running) { showRecording(running); }
  // The encoder recording: a test's, or (null) the mode's own.
  void setEncodedRecording(EncodedRecording* recording) { encoded_ = recording ? recording : ownRecording_.get(); }

  // A free path for a new recording: the station's folder in the radio recording folder (made
  // when missing), named after the title shown, else "Track"; numbered when taken.
  QString RecFileName(const QString& extension) const;
  // The names of what later work fills in.
  void ApplyEqualizer(std::uint32_t stream);
  void RemoveEqualizer(std::uint32_t stream);
  void WebSearch(const QString& text);

 private:
  void connectStation(int station);
  void startConnection(const QString& url);
  void cancelConnection();
  void onRadioInfo(const RadioInfo& info);
  void showOpenFailed(int errorCode);
  void showStreamReady(HSTREAM stream);
  void showHeaders();
  void showTitle(const QByteArray& title);
  void onDownloadEnded(quint64 generation);
  void scheduleReconnect();
  void reconnect();
  void stopReconnecting();
  // Stop and leaving: no connection, recording or stream; the radio panel idle.
  void stopRadio();
  void watchSilence(bool silent);
  void showCaption();
  void showPauseButton(bool paused);
  void resetMeters();
  void showRecording(bool on);
  void toggleRawRecording();
  void toggleEncodedRecording();
  void endEncodedRecording();
  void reportRecordingFailure(const QString& failure);
  bool streamIsMp3() const;
  // Frees the stream; a raw recording of it ends first.
  void freeStream();

  RadioControls radio_;
  RadioWindow& radioWindow_;
  EngineEvents& events_;
  RadioFeed feed_;  // before the stream: its callbacks run until the stream is freed
  StreamHandle stream_;
  DownloadContext* context_ = nullptr;  // of the latest connection
  std::unique_ptr<RadioConnection> connection_;
  std::vector<std::unique_ptr<RadioConnection>> cancelled_;
  bool connecting_ = false;
  quint64 endedGeneration_ = 0;  // the latest connection whose download ended
  int station_ = 0;
  QString stationName_;
  TitleEncoding titleEncoding_ = TitleEncoding::Auto;
  LevelMeter meters_;
  SilenceWatchdog watchdog_;
  ReconnectBackoff backoff_;
  QTimer reconnectTimer_;
  bool reconnecting_ = false;
  bool recordRunning_ = false;
  bool encodedRunning_ = false;
  std::unique_ptr<EncodedRecording> ownRecording_;
  EncodedRecording* encoded_ = nullptr;
  QObject* label4Hook_ = nullptr;
};

}  // namespace tavelo
