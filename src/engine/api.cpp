// The engine's C entry points: handle tables, errors, configuration and the device.
#include "engine/engine.h"

#include "engine/addon_support.h"
#include "engine/builtin_formats.h"
#include "engine/channel.h"
#include "engine/devices.h"
#include "engine/mixer.h"
#include "engine/output.h"
#include "engine/plugin_host.h"
#include "engine/sync_dispatcher.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <list>
#include <map>
#include <mutex>

namespace tavelo::engine {
namespace {

constexpr BOOL kTrue = 1;
constexpr BOOL kFalse = 0;
constexpr DWORD kVersion = 0x02040000;
constexpr DWORD kChannelFlags = BASS_SAMPLE_FLOAT | BASS_STREAM_DECODE;
constexpr DWORD kDataLengthMask = 0x0FFFFFFF;
constexpr DWORD kDefaultRate = 44100;
constexpr DWORD kMinBufferMs = 10;
constexpr DWORD kMaxBufferMs = 5000;

thread_local int lastError = BASS_OK;

template <typename T>
T succeed(T value) {
  lastError = BASS_OK;
  return value;
}

template <typename T>
T fail(int code, T value) {
  lastError = code;
  return value;
}

struct Config {
  DWORD bufferMs = 500;
  DWORD netBufferMs = 5000;
  DWORD netPrebuf = 75;
  DWORD netPlaylist = 0;
  DWORD netTimeoutMs = 10000;
  DWORD netReadTimeoutMs = 10000;
  const std::string* agent = nullptr;  // null: the default agent
  const std::string* proxy = nullptr;  // null: no proxy, connect directly
};

struct Engine {
  SyncDispatcher syncs{"syncs"};  // first: it outlives the channels and the mixer that post to it
  SyncDispatcher reaper{"reaper"};  // finishes freed channels: joins decoders, closes sources
  PluginHost plugins;
  std::mutex mutex;
  Config config;
  int device = -1;  // the initialised device, -1 = none
  DWORD rate = kDefaultRate;
  std::unique_ptr<Mixer> mixer;
  std::map<DWORD, std::shared_ptr<Channel>> channels;
  DWORD nextChannel = 0x10000;
  HSYNC nextSync = 1;
  std::vector<Device> devices;
  std::list<std::string> names;  // texts handed out (device names, net texts) stay valid for the process's life

  const std::string* internText(const std::string& text) {
    auto it = std::find(names.begin(), names.end(), text);
    return it != names.end() ? &*it : &names.emplace_back(text);
  }
  const char* intern(const std::string& text) { return internText(text)->c_str(); }
};

Engine& engine() {
  static Engine instance;
  return instance;
}

}  // namespace

std::shared_ptr<Channel> findChannel(DWORD handle) {
  Engine& e = engine();
  std::lock_guard lock(e.mutex);
  const auto it = e.channels.find(handle);
  return it != e.channels.end() ? it->second : nullptr;
}

namespace {

void refreshDevices() {
  std::vector<Device> devices = listDevices();  // asks the server: no engine lock meanwhile
  Engine& e = engine();
  std::lock_guard lock(e.mutex);
  e.devices = std::move(devices);
}

std::unique_ptr<Output> openOutput(int device, DWORD rate, int* error) {
  if (device == 0) {
    return makeNullOutput(rate);
  }
  std::string sink;
  {
    Engine& e = engine();
    std::lock_guard lock(e.mutex);
    sink = e.devices[static_cast<std::size_t>(device)].driver;
  }
  return makePulseOutput(sink, rate, error);
}

// -1 picks the default sink (device 1); -1 is returned when there is none or `device` is unknown.
int resolveDevice(int device) {
  Engine& e = engine();
  std::lock_guard lock(e.mutex);
  const int count = static_cast<int>(e.devices.size());
  if (device == -1) {
    return count > 1 ? 1 : -1;
  }
  return device >= 0 && device < count ? device : -1;
}

bool isReadableFile(const char* path, int* error) {
  struct stat st{};
  if (path == nullptr || stat(path, &st) != 0 || !S_ISREG(st.st_mode)) {
    *error = BASS_ERROR_FILEOPEN;
    return false;
  }
  if (st.st_size == 0) {
    *error = BASS_ERROR_FILEFORM;
    return false;
  }
  return true;
}

std::unique_ptr<Source> openSource(const char* path, DWORD flags, HPLUGIN* plugin, int* error) {
  if (!isReadableFile(path, error)) {
    return nullptr;
  }
  SourceOpening builtIn = openBuiltInSource(path);
  if (builtIn.source || builtIn.error != BASS_ERROR_FILEFORM) {
    *error = builtIn.error;
    return std::move(builtIn.source);
  }
  return engine().plugins.open(path, flags, plugin, error);
}

// What the window thread may call any time; the answer is -1 with an error when not applicable.
template <typename F>
QWORD byteQuery(DWORD handle, DWORD mode, F frames) {
  auto channel = findChannel(handle);
  if (!channel) {
    return fail(BASS_ERROR_HANDLE, QWORD(-1));
  }
  if (mode != BASS_POS_BYTE) {
    return fail(BASS_ERROR_NOTAVAIL, QWORD(-1));
  }
  const std::int64_t value = frames(*channel);
  if (value < 0) {
    return fail(BASS_ERROR_NOTAVAIL, QWORD(-1));
  }
  return succeed(QWORD(value) * channel->bytesPerFrame());
}

// What the device holds that is not heard yet; positions and levels are of what is heard.
std::size_t queuedOutputFrames() {
  Engine& e = engine();
  std::lock_guard lock(e.mutex);
  return e.mixer ? e.mixer->queuedFrames() : 0;
}

// A playback channel whose sound goes to the device now.
bool sounding(const Channel& channel) {
  const DWORD activity = channel.activity();
  return !channel.decodeOnly() && (activity == BASS_ACTIVE_PLAYING || activity == BASS_ACTIVE_STALLED);
}

// A channel stops for good (stopped or freed): not a note more of what it queued, whether it was
// playing or the paused device still holds its sound. False when it had nothing queued. Needs
// the engine's mutex held.
bool silenceForGood(Mixer& mixer, const Channel& channel) {
  if (sounding(channel)) {
    mixer.halted(false);
    return true;
  }
  if (!channel.decodeOnly() && channel.activity() == BASS_ACTIVE_PAUSED) {
    mixer.dropQueued();
    return true;
  }
  return false;
}

// Once a channel's state has changed: the mixer may be waiting for room with sound from before.
void hurryMixer() {
  Engine& e = engine();
  std::lock_guard lock(e.mutex);
  if (e.mixer) {
    e.mixer->hurry();
  }
}

BOOL result(int error) { return error == BASS_OK ? succeed(kTrue) : fail(error, kFalse); }

}  // namespace

std::shared_ptr<void> pluginExtension(const char* name) { return engine().plugins.extension(name); }

void setLastError(int code) { lastError = code; }

std::unique_ptr<Source> openPluginStream(const TaveloByteStream& stream, const char* contentType, HPLUGIN* taker, int* error) {
  return engine().plugins.openStream(stream, contentType, 0, taker, error);
}

bool netConfig(NetConfig* config) {
  Engine& e = engine();
  std::lock_guard lock(e.mutex);
  if (!e.mixer) {
    return false;
  }
  config->bufferMs = e.config.netBufferMs;
  config->replyTimeoutMs = e.config.netTimeoutMs;
  config->readTimeoutMs = e.config.netReadTimeoutMs;
  config->playlists = e.config.netPlaylist == 1;
  config->agent = e.config.agent ? std::optional(*e.config.agent) : std::nullopt;
  config->proxy = e.config.proxy ? std::optional(*e.config.proxy) : std::nullopt;
  return true;
}

HSTREAM addStream(std::unique_ptr<Source> source, DWORD flags, const std::string& path, HPLUGIN plugin, int* error) {
  Engine& e = engine();
  std::lock_guard lock(e.mutex);
  if (!e.mixer) {
    *error = BASS_ERROR_INIT;  // freed while the source was being opened
    return 0;
  }
  Channel::Settings settings;
  settings.bufferMs = e.config.bufferMs;
  settings.outputRate = e.rate;
  settings.flags = flags & kChannelFlags;
  settings.path = path;
  settings.plugin = plugin;
  settings.handle = e.nextChannel++;
  auto channel = std::make_shared<Channel>(std::move(source), settings, e.syncs);
  channel->start();
  if (!channel->decodeOnly()) {
    e.mixer->add(channel);
  }
  e.channels.emplace(settings.handle, std::move(channel));
  return settings.handle;
}

}  // namespace tavelo::engine

using namespace tavelo::engine;

extern "C" {

DWORD BASS_GetVersion() { return succeed(kVersion); }

int BASS_ErrorGetCode() { return lastError; }

BOOL BASS_GetDeviceInfo(DWORD device, BASS_DEVICEINFO* info) {
  Engine& e = engine();
  bool known = false;
  {
    std::lock_guard lock(e.mutex);
    known = !e.devices.empty();
  }
  if (device <= 1 || !known) {
    refreshDevices();
  }
  std::lock_guard lock(e.mutex);
  if (device >= e.devices.size()) {
    return fail(BASS_ERROR_DEVICE, kFalse);
  }
  if (info == nullptr) {
    return fail(BASS_ERROR_ILLPARAM, kFalse);
  }
  const Device& d = e.devices[device];
  info->name = e.intern(d.name);
  info->driver = e.intern(d.driver);
  const DWORD defaultFlag = d.isDefault ? DWORD{BASS_DEVICE_DEFAULT} : 0;
  const DWORD initFlag = e.device == static_cast<int>(device) ? DWORD{BASS_DEVICE_INIT} : 0;
  info->flags = BASS_DEVICE_ENABLED | defaultFlag | initFlag;
  return succeed(kTrue);
}

BOOL BASS_Init(int device, DWORD freq, DWORD, void*, const void*) {
  Engine& e = engine();
  {
    std::lock_guard lock(e.mutex);
    if (e.mixer) {
      return fail(BASS_ERROR_ALREADY, kFalse);
    }
  }
  refreshDevices();
  const int chosen = resolveDevice(device);
  if (chosen < 0) {
    return fail(BASS_ERROR_DEVICE, kFalse);
  }
  const DWORD rate = freq >= 8000 && freq <= 192000 ? freq : kDefaultRate;
  int error = BASS_OK;
  auto output = openOutput(chosen, rate, &error);
  if (!output) {
    return fail(error, kFalse);
  }
  std::lock_guard lock(e.mutex);
  if (e.mixer) {
    return fail(BASS_ERROR_ALREADY, kFalse);  // another thread won the race
  }
  e.mixer = std::make_unique<Mixer>(std::move(output), rate);
  e.device = chosen;
  e.rate = rate;
  return succeed(kTrue);
}

// Waits for every channel's decoder and source to finish, so that nothing of the engine runs
// after it returns; interrupted first, a source that waits gives up at once.
BOOL BASS_Free() {
  Engine& e = engine();
  std::map<DWORD, std::shared_ptr<Channel>> channels;
  std::unique_ptr<Mixer> mixer;
  {
    std::lock_guard lock(e.mutex);
    if (!e.mixer) {
      return fail(BASS_ERROR_INIT, kFalse);
    }
    channels.swap(e.channels);
    mixer = std::move(e.mixer);
    e.device = -1;
  }
  for (auto& [handle, channel] : channels) {
    channel->beginShutdown();
  }
  for (auto& [handle, channel] : channels) {
    e.reaper.post([channel = std::move(channel)] { channel->finishShutdown(); });
  }
  e.reaper.drain();
  mixer.reset();
  return succeed(kTrue);
}

BOOL BASS_SetConfig(DWORD option, DWORD value) {
  Engine& e = engine();
  std::lock_guard lock(e.mutex);
  switch (option) {
    case BASS_CONFIG_BUFFER: e.config.bufferMs = std::clamp(value, kMinBufferMs, kMaxBufferMs); break;
    case BASS_CONFIG_NET_BUFFER: e.config.netBufferMs = value; break;
    case BASS_CONFIG_NET_PREBUF: e.config.netPrebuf = value; break;
    case BASS_CONFIG_NET_PLAYLIST: e.config.netPlaylist = value; break;
    case BASS_CONFIG_NET_TIMEOUT: e.config.netTimeoutMs = value; break;
    case BASS_CONFIG_NET_READTIMEOUT: e.config.netReadTimeoutMs = value; break;
    default: return fail(BASS_ERROR_ILLTYPE, kFalse);
  }
  return succeed(kTrue);
}

DWORD BASS_GetConfig(DWORD option) {
  Engine& e = engine();
  std::lock_guard lock(e.mutex);
  switch (option) {
    case BASS_CONFIG_BUFFER: return succeed(e.config.bufferMs);
    case BASS_CONFIG_NET_BUFFER: return succeed(e.config.netBufferMs);
    case BASS_CONFIG_NET_PREBUF: return succeed(e.config.netPrebuf);
    case BASS_CONFIG_NET_PLAYLIST: return succeed(e.config.netPlaylist);
    case BASS_CONFIG_NET_TIMEOUT: return succeed(e.config.netTimeoutMs);
    case BASS_CONFIG_NET_READTIMEOUT: return succeed(e.config.netReadTimeoutMs);
    default: return fail(BASS_ERROR_ILLTYPE, DWORD(-1));
  }
}

// The text is copied at the call: the caller may change or free its buffer afterwards.
BOOL BASS_SetConfigPtr(DWORD option, const void* value) {
  Engine& e = engine();
  std::lock_guard lock(e.mutex);
  const std::string* text = value != nullptr ? e.internText(static_cast<const char*>(value)) : nullptr;
  switch (option) {
    case BASS_CONFIG_NET_AGENT: e.config.agent = text; break;
    case BASS_CONFIG_NET_PROXY: e.config.proxy = text; break;
    default: return fail(BASS_ERROR_ILLTYPE, kFalse);
  }
  return succeed(kTrue);
}

// The engine's copy, which stays valid for the process's life.
const void* BASS_GetConfigPtr(DWORD option) {
  Engine& e = engine();
  std::lock_guard lock(e.mutex);
  const std::string* text = nullptr;
  switch (option) {
    case BASS_CONFIG_NET_AGENT: text = e.config.agent; break;
    case BASS_CONFIG_NET_PROXY: text = e.config.proxy; break;
    default: return fail(BASS_ERROR_ILLTYPE, static_cast<const void*>(nullptr));
  }
  return succeed(text != nullptr ? static_cast<const void*>(text->c_str()) : nullptr);
}

HPLUGIN BASS_PluginLoad(const char* file, DWORD) {
  int error = BASS_OK;
  const HPLUGIN handle = engine().plugins.load(file, &error);
  return handle != 0 ? succeed(handle) : fail(error, HPLUGIN{0});
}

BOOL BASS_PluginFree(HPLUGIN handle) {
  return engine().plugins.free(handle) ? succeed(kTrue) : fail(BASS_ERROR_HANDLE, kFalse);
}

const BASS_PLUGININFO* BASS_PluginGetInfo(HPLUGIN handle) {
  const BASS_PLUGININFO* info = engine().plugins.info(handle);
  return info != nullptr ? succeed(info) : fail(BASS_ERROR_HANDLE, info);
}

HSTREAM BASS_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags) {
  Engine& e = engine();
  {
    std::lock_guard lock(e.mutex);
    if (!e.mixer) {
      return fail(BASS_ERROR_INIT, HSTREAM{0});
    }
  }
  if (mem != kFalse || offset != 0 || length != 0) {
    return fail(BASS_ERROR_NOTAVAIL, HSTREAM{0});  // only whole files are played
  }
  const char* path = static_cast<const char*>(file);
  int error = BASS_OK;
  HPLUGIN plugin = 0;
  auto source = openSource(path, flags, &plugin, &error);
  if (!source) {
    return fail(error, HSTREAM{0});
  }
  const HSTREAM handle = addStream(std::move(source), flags, path, plugin, &error);
  return handle != 0 ? succeed(handle) : fail(error, HSTREAM{0});
}

BOOL BASS_StreamFree(HSTREAM handle) {
  Engine& e = engine();
  std::shared_ptr<Channel> channel;
  {
    std::lock_guard lock(e.mutex);
    const auto it = e.channels.find(handle);
    if (it == e.channels.end()) {
      return fail(BASS_ERROR_HANDLE, kFalse);
    }
    channel = std::move(it->second);
    e.channels.erase(it);
    if (e.mixer) {
      e.mixer->remove(channel.get());
      if (silenceForGood(*e.mixer, *channel)) {
        e.mixer->hurry();
      }
    }
  }
  channel->beginShutdown();
  channel->awaitSourceHalt();  // a download's end is told before the free returns
  e.reaper.post([channel = std::move(channel)] { channel->finishShutdown(); });
  return succeed(kTrue);
}

QWORD BASS_StreamGetFilePosition(HSTREAM handle, DWORD mode) {
  auto channel = findChannel(handle);
  if (!channel) {
    return fail(BASS_ERROR_HANDLE, QWORD(-1));
  }
  const std::uint64_t position = channel->filePosition(mode);
  return position != kNoFilePosition ? succeed(QWORD(position)) : fail(BASS_ERROR_NOTFILE, QWORD(-1));
}

BOOL BASS_ChannelPlay(DWORD handle, BOOL restart) {
  auto channel = findChannel(handle);
  if (!channel) {
    return fail(BASS_ERROR_HANDLE, kFalse);
  }
  const int error = channel->play(restart != kFalse);
  if (error == BASS_OK) {
    Engine& e = engine();
    std::lock_guard lock(e.mutex);
    if (e.mixer) {
      e.mixer->wake();
    }
  }
  return result(error);
}

namespace {

// The mixer hears of the halt first, so that it is known when the mixer next finds nothing playing.
BOOL haltChannel(DWORD handle, bool pause) {
  auto channel = findChannel(handle);
  if (!channel) {
    return fail(BASS_ERROR_HANDLE, kFalse);
  }
  {
    Engine& e = engine();
    std::lock_guard lock(e.mutex);
    if (e.mixer && pause && sounding(*channel)) {
      e.mixer->halted(true);
    } else if (e.mixer && !pause) {
      silenceForGood(*e.mixer, *channel);
    }
  }
  const int error = pause ? channel->pause(queuedOutputFrames()) : (channel->stop(), BASS_OK);
  hurryMixer();
  return result(error);
}

}  // namespace

BOOL BASS_ChannelPause(DWORD handle) { return haltChannel(handle, true); }

BOOL BASS_ChannelStop(DWORD handle) { return haltChannel(handle, false); }

DWORD BASS_ChannelIsActive(DWORD handle) {
  auto channel = findChannel(handle);
  return channel ? succeed(channel->activity()) : fail(BASS_ERROR_HANDLE, DWORD{BASS_ACTIVE_STOPPED});
}

QWORD BASS_ChannelGetLength(DWORD handle, DWORD mode) {
  return byteQuery(handle, mode, [](const Channel& c) { return c.lengthFrames(); });
}

QWORD BASS_ChannelGetPosition(DWORD handle, DWORD mode) {
  const std::size_t queued = queuedOutputFrames();
  return byteQuery(handle, mode, [queued](const Channel& c) { return c.positionFrames(queued); });
}

BOOL BASS_ChannelSetPosition(DWORD handle, QWORD pos, DWORD mode) {
  auto channel = findChannel(handle);
  if (!channel) {
    return fail(BASS_ERROR_HANDLE, kFalse);
  }
  if (mode != BASS_POS_BYTE) {
    return fail(BASS_ERROR_NOTAVAIL, kFalse);
  }
  const int error = channel->setPositionFrames(static_cast<std::int64_t>(pos / channel->bytesPerFrame()));
  if (error == BASS_OK && channel->activity() != BASS_ACTIVE_STOPPED && !channel->decodeOnly()) {
    Engine& e = engine();
    std::lock_guard lock(e.mutex);
    if (e.mixer) {
      e.mixer->dropQueued();
      e.mixer->hurry();
    }
  }
  return result(error);
}

double BASS_ChannelBytes2Seconds(DWORD handle, QWORD pos) {
  auto channel = findChannel(handle);
  if (!channel) {
    return fail(BASS_ERROR_HANDLE, -1.0);
  }
  const double bytesPerSecond = double(channel->bytesPerFrame()) * channel->format().rate;
  return succeed(double(pos) / bytesPerSecond);
}

QWORD BASS_ChannelSeconds2Bytes(DWORD handle, double pos) {
  auto channel = findChannel(handle);
  if (!channel) {
    return fail(BASS_ERROR_HANDLE, QWORD(-1));
  }
  if (!(pos >= 0.0)) {
    return fail(BASS_ERROR_ILLPARAM, QWORD(-1));
  }
  const auto frames = static_cast<QWORD>(std::floor(pos * channel->format().rate));
  return succeed(frames * channel->bytesPerFrame());
}

DWORD BASS_ChannelGetLevel(DWORD handle) {
  auto channel = findChannel(handle);
  if (!channel) {
    return fail(BASS_ERROR_HANDLE, DWORD(-1));
  }
  if (channel->decodeOnly()) {
    return fail(BASS_ERROR_NOTAVAIL, DWORD(-1));
  }
  if (channel->activity() != BASS_ACTIVE_PLAYING) {
    return fail(BASS_ERROR_NOPLAY, DWORD{0});
  }
  return succeed(channel->level(queuedOutputFrames()));
}

DWORD BASS_ChannelGetData(DWORD handle, void* buffer, DWORD length) {
  auto channel = findChannel(handle);
  if (!channel) {
    return fail(BASS_ERROR_HANDLE, DWORD(-1));
  }
  const DWORD flags = length & ~kDataLengthMask;
  if (!channel->decodeOnly() || (flags & ~BASS_DATA_FLOAT) != 0) {
    return fail(BASS_ERROR_NOTAVAIL, DWORD(-1));
  }
  if (buffer == nullptr) {
    return fail(BASS_ERROR_ILLPARAM, DWORD(-1));
  }
  const bool asFloat = (flags & BASS_DATA_FLOAT) != 0 || (channel->flags() & BASS_SAMPLE_FLOAT) != 0;
  const auto got = channel->readData(buffer, length & kDataLengthMask, asFloat);
  return got ? succeed(*got) : fail(BASS_ERROR_ENDED, DWORD(-1));
}

BOOL BASS_ChannelGetInfo(DWORD handle, BASS_CHANNELINFO* info) {
  auto channel = findChannel(handle);
  if (!channel) {
    return fail(BASS_ERROR_HANDLE, kFalse);
  }
  if (info == nullptr) {
    return fail(BASS_ERROR_ILLPARAM, kFalse);
  }
  const SourceFormat format = channel->format();
  *info = {format.rate, format.channels, channel->flags(), format.ctype, format.origres, channel->plugin(),
           channel->path().c_str()};
  return succeed(kTrue);
}

// Kept per thread, so that one thread's next call does not change the text another still reads.
const char* BASS_ChannelGetTags(DWORD handle, DWORD tags) {
  thread_local std::string text;
  auto channel = findChannel(handle);
  if (!channel) {
    return fail(BASS_ERROR_HANDLE, static_cast<const char*>(nullptr));
  }
  std::optional<std::string> found = channel->tags(tags);
  if (!found) {
    return fail(BASS_ERROR_NOTAVAIL, static_cast<const char*>(nullptr));
  }
  text = std::move(*found);
  return succeed(text.c_str());
}

BOOL BASS_ChannelGetAttribute(DWORD handle, DWORD attrib, float* value) {
  auto channel = findChannel(handle);
  if (!channel) {
    return fail(BASS_ERROR_HANDLE, kFalse);
  }
  if (attrib != BASS_ATTRIB_FREQ || value == nullptr) {
    return fail(BASS_ERROR_ILLTYPE, kFalse);
  }
  *value = static_cast<float>(channel->format().rate);
  return succeed(kTrue);
}

HSYNC BASS_ChannelSetSync(DWORD handle, DWORD type, QWORD param, SYNCPROC* proc, void* user) {
  auto channel = findChannel(handle);
  if (!channel) {
    return fail(BASS_ERROR_HANDLE, HSYNC{0});
  }
  if (proc == nullptr) {
    return fail(BASS_ERROR_ILLPARAM, HSYNC{0});
  }
  HSYNC sync = 0;
  {
    Engine& e = engine();
    std::lock_guard lock(e.mutex);
    sync = e.nextSync++;
  }
  return succeed(channel->addSync(sync, type, param, proc, user));
}

BOOL BASS_ChannelRemoveSync(DWORD handle, HSYNC sync) {
  auto channel = findChannel(handle);
  if (!channel) {
    return fail(BASS_ERROR_HANDLE, kFalse);
  }
  return channel->removeSync(sync) ? succeed(kTrue) : fail(BASS_ERROR_HANDLE, kFalse);
}

}  // extern "C"
