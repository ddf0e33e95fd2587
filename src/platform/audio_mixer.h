// The system mixer on the sound server. Devices are the server's sinks in the audio engine's
// order (the default first), so device k is the engine's output device k + 1. Destination 0 is
// the chosen sink (volume and mute); its connection 0 is this process's own playback stream,
// absent before the engine opens it and after the engine lets it go. When that stream moves to
// another sink (headphones plugged in, a volume control's choice), destination 0 follows it.
//
// A client on a thread of its own keeps the chosen sink's and our stream's state current; every
// change of either reaches the window thread as one queued OnControlChange, never two pending.
// Reads return that state, writes are sent without waiting. Only construction waits, at most
// 2 s, for the server's first answer. Without a server there are no devices and MixerId is -1.
#pragma once

#include <QObject>
#include <QString>
#include <memory>

namespace tavelo {

class TAudioMixer : public QObject {
  Q_OBJECT
 public:
  static constexpr int kWholeLine = -1;  // the destination itself rather than one of its connections
  static constexpr int kKeep = -1;       // SetVolume: leave this value as it is

  struct LineState {
    int left = -1;
    int right = -1;
    int mute = -1;
    bool stereo = false;
    bool volumeDisabled = true;
    bool muteDisabled = true;
    bool muteIsSelect = false;  // selection lines do not exist here
  };

  explicit TAudioMixer(QObject* parent = nullptr);
  ~TAudioMixer() override;

  int MixerId() const;
  // Chooses device id; ignored unless 0 <= id < DeviceCount().
  void SetMixerId(int id);
  // The server's own name of destination 0's sink, and the choice of a sink by that name (its
  // device number may change as sinks come and go); a name not listed is ignored.
  QString DeviceName() const;
  void ChooseDevice(const QString& name);
  int DeviceCount() const;
  QString ProductNameOf(int id) const;
  QString ProductName() const { return ProductNameOf(MixerId()); }
  int NumberOfLine() const;  // destinations: 1 while a device is chosen

  // Fails for a missing destination or connection, leaving state preset (-1 levels, disabled).
  bool GetVolume(int destination, int connection, LineState& state) const;
  // left/mute kKeep leave them unchanged; right kKeep means the same as left. What is written to
  // our stream is also kept for any stream of ours that appears later (none before the engine
  // opens its output).
  bool SetVolume(int destination, int connection, int left, int right, int mute);

 signals:
  void OnControlChange();

 private:
  struct Client;
  void DeliverChange();
  std::unique_ptr<Client> client_;
};

}  // namespace tavelo
