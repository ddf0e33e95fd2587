#include "platform/audio_mixer.h"

#include "platform/pulse_volume.h"

#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/subscribe.h>
#include <pulse/thread-mainloop.h>
#include <unistd.h>

#include <QMetaObject>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace tavelo {

namespace {

constexpr auto kFirstAnswerTimeout = std::chrono::seconds(2);
constexpr auto kLastWritesTimeout = std::chrono::seconds(1);
constexpr auto kPoll = std::chrono::milliseconds(10);

// What a sink or a stream sounds like: the part of either that a line shows.
struct Sound {
  pa_cvolume volume{};
  pa_channel_map map{};
  bool mute = false;

  bool sameAs(const Sound& other) const {
    return pa_cvolume_equal(&volume, &other.volume) != 0 && mute == other.mute;
  }
};

struct Sink {
  std::uint32_t index = PA_INVALID_INDEX;
  std::string name;
  std::string description;
  Sound sound;
};

struct Stream {
  std::uint32_t index = PA_INVALID_INDEX;
  Sound sound;
};

// What the player last wrote to its stream; a stream of ours that appears later gets it too.
struct StreamWish {
  int left = TAudioMixer::kKeep;
  int right = TAudioMixer::kKeep;
  int mute = TAudioMixer::kKeep;
};

bool fromThisProcess(const pa_proplist* properties) {
  const char* pid = pa_proplist_gets(properties, PA_PROP_APPLICATION_PROCESS_ID);
  return pid != nullptr && std::to_string(getpid()) == pid;
}

void fillState(const Sound& sound, TAudioMixer::LineState& state) {
  const StereoLevels levels = readStereo(sound.volume, sound.map);
  state.left = levels.left;
  state.right = levels.right;
  state.mute = sound.mute ? 1 : 0;
  state.stereo = sound.map.channels >= 2;
  state.volumeDisabled = false;
  state.muteDisabled = false;
}

class LoopLock {
 public:
  explicit LoopLock(pa_threaded_mainloop* loop) : loop_(loop) { pa_threaded_mainloop_lock(loop_); }
  ~LoopLock() { pa_threaded_mainloop_unlock(loop_); }
  LoopLock(const LoopLock&) = delete;
  LoopLock& operator=(const LoopLock&) = delete;

 private:
  pa_threaded_mainloop* loop_;
};

}  // namespace

// Runs on the client's loop thread (its callbacks) and on the window thread (under the loop's
// lock). A write is kept at once. While one of our writes to a line is on its way, answers
// about that line describe the line before it and are not taken; the last write's completion is
// a change of its own (the window sees what it wrote settle) and asks again.
struct TAudioMixer::Client {
  explicit Client(TAudioMixer* mixer) : owner(mixer) {}

  TAudioMixer* owner;
  pa_threaded_mainloop* loop = nullptr;
  pa_context* context = nullptr;

  bool ready = false;  // the first answers are in
  bool gone = false;   // never connected, or the connection ended
  int firstAnswersPending = 3;
  std::string defaultSink;
  std::vector<Sink> sinks;  // in the server's order
  std::string chosen;       // the name of the sink chosen by number or name
  std::string followed;     // the name of the sink our stream plays on, while it plays
  std::optional<Stream> stream;
  StreamWish wantedStream;
  int sinkWrites = 0;
  int streamWrites = 0;
  std::atomic<bool> changePending{false};

  void start();
  void stop();

  // ---- the loop thread ----
  void announceChange() {
    if (changePending.exchange(true)) return;
    QMetaObject::invokeMethod(owner, [mixer = owner] { mixer->DeliverChange(); }, Qt::QueuedConnection);
  }

  std::vector<const Sink*> devices() const {
    std::vector<const Sink*> ordered;
    for (const Sink& sink : sinks) ordered.push_back(&sink);
    std::stable_partition(ordered.begin(), ordered.end(), [this](const Sink* s) { return s->name == defaultSink; });
    return ordered;
  }

  const std::string& destination() const { return followed.empty() ? chosen : followed; }

  Sink* destinationSink() {
    const auto found =
        std::find_if(sinks.begin(), sinks.end(), [this](const Sink& s) { return s.name == destination(); });
    return found == sinks.end() ? nullptr : &*found;
  }

  // True when our stream now plays on another sink than destination 0 was.
  bool follow(std::uint32_t sinkIndex) {
    const auto on = std::find_if(sinks.begin(), sinks.end(), [&](const Sink& s) { return s.index == sinkIndex; });
    if (on == sinks.end() || on->name == followed) return false;
    const bool moved = on->name != destination();
    followed = on->name;
    return moved;
  }

  void firstAnswerIn() {
    if (--firstAnswersPending > 0) return;
    const std::vector<const Sink*> ordered = devices();
    if (chosen.empty() && !ordered.empty()) chosen = ordered.front()->name;
    ready = true;
  }

  void takeServerInfo(const pa_server_info* info) {
    if (info != nullptr && info->default_sink_name != nullptr) defaultSink = info->default_sink_name;
  }

  void takeSink(const pa_sink_info* info) {
    Sink fresh{info->index, info->name, info->description != nullptr ? info->description : info->name,
               Sound{info->volume, info->channel_map, info->mute != 0}};
    auto kept = std::find_if(sinks.begin(), sinks.end(), [&](const Sink& s) { return s.index == info->index; });
    if (kept == sinks.end()) {
      kept = sinks.insert(std::upper_bound(sinks.begin(), sinks.end(), fresh.index,
                                           [](std::uint32_t index, const Sink& s) { return index < s.index; }),
                          fresh);
      if (kept->name == destination()) announceChange();
      return;
    }
    const bool isDestination = kept->name == destination();
    if (isDestination && sinkWrites > 0) return;
    const bool changed = !kept->sound.sameAs(fresh.sound);
    *kept = fresh;
    if (isDestination && changed) announceChange();
  }

  void dropSink(std::uint32_t index) {
    const auto gone = std::find_if(sinks.begin(), sinks.end(), [&](const Sink& s) { return s.index == index; });
    if (gone == sinks.end()) return;
    const bool wasDestination = gone->name == destination();
    sinks.erase(gone);
    if (wasDestination) announceChange();
  }

  void takeStream(const pa_sink_input_info* info) {
    if (!fromThisProcess(info->proplist)) return;
    if (stream && stream->index != info->index) return;  // one stream is ours: the first one seen
    const Sound fresh{info->volume, info->channel_map, info->mute != 0};
    const bool moved = follow(info->sink);
    if (!stream) {
      stream = Stream{info->index, fresh};
      applyWantedStream();
      announceChange();
      return;
    }
    if (streamWrites > 0) {
      if (moved) announceChange();
      return;
    }
    const bool changed = !stream->sound.sameAs(fresh);
    stream->sound = fresh;
    if (changed || moved) announceChange();
  }

  void dropStream(std::uint32_t index) {
    if (!stream || stream->index != index) return;
    stream.reset();
    streamWrites = 0;
    followed.clear();
    announceChange();
  }

  void connectionEnded() {
    gone = true;
    sinks.clear();
    stream.reset();
    sinkWrites = streamWrites = 0;
  }

  void askSink(std::uint32_t index) {
    pa_operation_unref(pa_context_get_sink_info_by_index(
        context, index,
        [](pa_context*, const pa_sink_info* info, int eol, void* user) {
          if (eol == 0 && info != nullptr) static_cast<Client*>(user)->takeSink(info);
        },
        this));
  }

  void askStream(std::uint32_t index) {
    pa_operation_unref(pa_context_get_sink_input_info(
        context, index,
        [](pa_context*, const pa_sink_input_info* info, int eol, void* user) {
          if (eol == 0 && info != nullptr) static_cast<Client*>(user)->takeStream(info);
        },
        this));
  }

  void askServer() {
    pa_operation_unref(pa_context_get_server_info(
        context, [](pa_context*, const pa_server_info* info, void* user) { static_cast<Client*>(user)->takeServerInfo(info); },
        this));
  }

  void askEverything() {
    pa_operation_unref(pa_context_get_server_info(
        context,
        [](pa_context*, const pa_server_info* info, void* user) {
          auto* client = static_cast<Client*>(user);
          client->takeServerInfo(info);
          client->firstAnswerIn();
        },
        this));
    pa_operation_unref(pa_context_get_sink_info_list(
        context,
        [](pa_context*, const pa_sink_info* info, int eol, void* user) {
          auto* client = static_cast<Client*>(user);
          if (eol != 0) client->firstAnswerIn();
          else if (info != nullptr) client->takeSink(info);
        },
        this));
    pa_operation_unref(pa_context_get_sink_input_info_list(
        context,
        [](pa_context*, const pa_sink_input_info* info, int eol, void* user) {
          auto* client = static_cast<Client*>(user);
          if (eol != 0) client->firstAnswerIn();
          else if (info != nullptr) client->takeStream(info);
        },
        this));
  }

  void onEvent(pa_subscription_event_type_t event, std::uint32_t index) {
    const auto facility = event & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
    const bool removed = (event & PA_SUBSCRIPTION_EVENT_TYPE_MASK) == PA_SUBSCRIPTION_EVENT_REMOVE;
    if (facility == PA_SUBSCRIPTION_EVENT_SINK) removed ? dropSink(index) : askSink(index);
    else if (facility == PA_SUBSCRIPTION_EVENT_SINK_INPUT) removed ? dropStream(index) : askStream(index);
    else if (facility == PA_SUBSCRIPTION_EVENT_SERVER) askServer();
  }

  void onStateChange() {
    switch (pa_context_get_state(context)) {
      case PA_CONTEXT_READY:
        pa_context_set_subscribe_callback(
            context,
            [](pa_context*, pa_subscription_event_type_t event, std::uint32_t index, void* user) {
              static_cast<Client*>(user)->onEvent(event, index);
            },
            this);
        pa_operation_unref(pa_context_subscribe(
            context,
            static_cast<pa_subscription_mask_t>(PA_SUBSCRIPTION_MASK_SINK | PA_SUBSCRIPTION_MASK_SINK_INPUT |
                                                PA_SUBSCRIPTION_MASK_SERVER),
            nullptr, nullptr));
        askEverything();
        break;
      case PA_CONTEXT_FAILED:
      case PA_CONTEXT_TERMINATED:
        connectionEnded();
        break;
      default:
        break;
    }
  }

  // ---- writes: the window thread under the lock, or the loop thread ----
  void writeSink(Sink& sink, int left, int right, int mute) {
    const auto written = [](pa_context*, int, void* user) {
      auto* client = static_cast<Client*>(user);
      if (--client->sinkWrites > 0) return;
      client->announceChange();
      if (const Sink* sink = client->destinationSink()) client->askSink(sink->index);
    };
    if (left != kKeep) {
      sink.sound.volume = writeStereo(sink.sound.map, {left, right == kKeep ? left : right});
      sinkWrites += track(pa_context_set_sink_volume_by_index(context, sink.index, &sink.sound.volume, written, this));
    }
    if (mute != kKeep) {
      sink.sound.mute = mute != 0;
      sinkWrites += track(pa_context_set_sink_mute_by_index(context, sink.index, mute != 0, written, this));
    }
  }

  void writeStream(int left, int right, int mute) {
    const auto written = [](pa_context*, int, void* user) {
      auto* client = static_cast<Client*>(user);
      if (--client->streamWrites > 0) return;
      client->announceChange();
      if (client->stream) client->askStream(client->stream->index);
    };
    Sound& sound = stream->sound;
    if (left != kKeep) {
      sound.volume = writeStereo(sound.map, {left, right == kKeep ? left : right});
      streamWrites += track(pa_context_set_sink_input_volume(context, stream->index, &sound.volume, written, this));
    }
    if (mute != kKeep) {
      sound.mute = mute != 0;
      streamWrites += track(pa_context_set_sink_input_mute(context, stream->index, mute != 0, written, this));
    }
  }

  void rememberStreamWrite(int left, int right, int mute) {
    if (left != kKeep) {
      wantedStream.left = left;
      wantedStream.right = right == kKeep ? left : right;
    }
    if (mute != kKeep) wantedStream.mute = mute;
  }

  void applyWantedStream() {
    if (wantedStream.left != kKeep || wantedStream.mute != kKeep)
      writeStream(wantedStream.left, wantedStream.right, wantedStream.mute);
  }

  // 1 when the operation is on its way (its completion will be counted off), else 0.
  static int track(pa_operation* operation) {
    if (operation == nullptr) return 0;
    pa_operation_unref(operation);
    return 1;
  }
};

void TAudioMixer::Client::start() {
  loop = pa_threaded_mainloop_new();
  if (loop == nullptr) {
    gone = true;
    return;
  }
  context = pa_context_new(pa_threaded_mainloop_get_api(loop), "Tavelo");
  if (context == nullptr) {
    gone = true;
    return;
  }
  pa_context_set_state_callback(
      context, [](pa_context*, void* user) { static_cast<Client*>(user)->onStateChange(); }, this);
  if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 ||
      pa_threaded_mainloop_start(loop) < 0) {
    gone = true;
    return;
  }
  const auto deadline = std::chrono::steady_clock::now() + kFirstAnswerTimeout;
  for (;;) {
    {
      LoopLock lock(loop);
      if (ready || gone) return;
    }
    if (std::chrono::steady_clock::now() > deadline) return;
    std::this_thread::sleep_for(kPoll);
  }
}

// Writes still on their way (the restore at closing) reach the server first, unless it is gone.
void TAudioMixer::Client::stop() {
  const auto deadline = std::chrono::steady_clock::now() + kLastWritesTimeout;
  while (loop != nullptr && std::chrono::steady_clock::now() < deadline) {
    {
      LoopLock lock(loop);
      if (gone || sinkWrites + streamWrites == 0) break;
    }
    std::this_thread::sleep_for(kPoll);
  }
  if (loop != nullptr) pa_threaded_mainloop_stop(loop);
  if (context != nullptr) {
    pa_context_disconnect(context);
    pa_context_unref(context);
  }
  if (loop != nullptr) pa_threaded_mainloop_free(loop);
}

TAudioMixer::TAudioMixer(QObject* parent) : QObject(parent), client_(std::make_unique<Client>(this)) {
  client_->start();
}

TAudioMixer::~TAudioMixer() { client_->stop(); }

void TAudioMixer::DeliverChange() {
  client_->changePending = false;
  emit OnControlChange();
}

int TAudioMixer::MixerId() const {
  if (client_->loop == nullptr) return -1;
  LoopLock lock(client_->loop);
  if (!client_->ready || client_->gone) return -1;
  const std::vector<const Sink*> devices = client_->devices();
  const auto chosen = std::find_if(devices.begin(), devices.end(),
                                   [this](const Sink* s) { return s->name == client_->destination(); });
  return chosen == devices.end() ? -1 : int(chosen - devices.begin());
}

void TAudioMixer::SetMixerId(int id) {
  if (client_->loop == nullptr) return;
  LoopLock lock(client_->loop);
  const std::vector<const Sink*> devices = client_->devices();
  if (id < 0 || id >= int(devices.size())) return;
  client_->chosen = devices[std::size_t(id)]->name;
  client_->followed.clear();
}

QString TAudioMixer::DeviceName() const {
  if (client_->loop == nullptr) return {};
  LoopLock lock(client_->loop);
  return QString::fromStdString(client_->destination());
}

void TAudioMixer::ChooseDevice(const QString& name) {
  if (client_->loop == nullptr) return;
  LoopLock lock(client_->loop);
  const std::string wanted = name.toStdString();
  const auto& sinks = client_->sinks;
  if (std::none_of(sinks.begin(), sinks.end(), [&](const Sink& s) { return s.name == wanted; })) return;
  client_->chosen = wanted;
  client_->followed.clear();
}

int TAudioMixer::DeviceCount() const {
  if (client_->loop == nullptr) return 0;
  LoopLock lock(client_->loop);
  return client_->ready ? int(client_->sinks.size()) : 0;
}

QString TAudioMixer::ProductNameOf(int id) const {
  if (client_->loop == nullptr) return {};
  LoopLock lock(client_->loop);
  const std::vector<const Sink*> devices = client_->devices();
  if (!client_->ready || id < 0 || id >= int(devices.size())) return {};
  return QString::fromStdString(devices[std::size_t(id)]->description);
}

int TAudioMixer::NumberOfLine() const { return MixerId() < 0 ? 0 : 1; }

bool TAudioMixer::GetVolume(int destination, int connection, LineState& state) const {
  state = LineState{};
  if (client_->loop == nullptr || destination != 0) return false;
  LoopLock lock(client_->loop);
  if (connection == kWholeLine) {
    const Sink* sink = client_->destinationSink();
    if (sink == nullptr) return false;
    fillState(sink->sound, state);
    return true;
  }
  if (connection != 0 || !client_->stream) return false;
  fillState(client_->stream->sound, state);
  return true;
}

bool TAudioMixer::SetVolume(int destination, int connection, int left, int right, int mute) {
  if (client_->loop == nullptr || destination != 0) return false;
  LoopLock lock(client_->loop);
  if (client_->gone) return false;
  if (connection == kWholeLine) {
    Sink* sink = client_->destinationSink();
    if (sink == nullptr) return false;
    client_->writeSink(*sink, left, right, mute);
    return true;
  }
  if (connection != 0) return false;
  client_->rememberStreamWrite(left, right, mute);
  if (client_->stream) client_->writeStream(left, right, mute);
  return true;
}

}  // namespace tavelo
