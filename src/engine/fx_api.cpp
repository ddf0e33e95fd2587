// Channel effects: the parametric equaliser's bands on a stream.
#include "engine/engine.h"

#include "engine/addon_support.h"
#include "engine/channel.h"

#include <map>
#include <mutex>

namespace tavelo::engine {
namespace {

// Which stream each effect is on. Handles count up and are never handed out twice in a run, so a
// kept handle of a removed effect can never reach a newer one.
struct Owner {
  DWORD stream;
  std::weak_ptr<Channel> channel;  // to forget the effects of streams long gone
};
struct EffectOwners {
  std::mutex mutex;
  std::map<HFX, Owner> streams;
  HFX next = 1;
};

EffectOwners& owners() {
  static EffectOwners instance;
  return instance;
}

HFX registerEffect(DWORD stream, const std::shared_ptr<Channel>& channel) {
  EffectOwners& o = owners();
  std::lock_guard lock(o.mutex);
  std::erase_if(o.streams, [](const auto& entry) { return entry.second.channel.expired(); });
  const HFX fx = o.next++;
  o.streams[fx] = {stream, channel};
  return fx;
}

// The channel an effect is on; null (and the entry dropped) when the stream was freed.
std::shared_ptr<Channel> channelOf(HFX fx) {
  EffectOwners& o = owners();
  std::lock_guard lock(o.mutex);
  const auto it = o.streams.find(fx);
  if (it == o.streams.end()) {
    return nullptr;
  }
  auto channel = findChannel(it->second.stream);
  if (!channel) {
    o.streams.erase(it);
  }
  return channel;
}

void forgetEffect(HFX fx) {
  EffectOwners& o = owners();
  std::lock_guard lock(o.mutex);
  o.streams.erase(fx);
}

BOOL outcome(int error) {
  setLastError(error);
  return error == BASS_OK ? 1 : 0;
}

// Runs `use` on the effect's band under its channel's lock: BASS_ERROR_HANDLE when the effect or
// its stream is gone.
template <typename F>
BOOL withBand(HFX fx, F&& use) {
  const auto channel = channelOf(fx);
  if (!channel) {
    return outcome(BASS_ERROR_HANDLE);
  }
  return outcome(channel->withEffects([&](EffectChain& chain) {
    PeakingBand* band = chain.find(fx);
    return band != nullptr ? use(*band) : BASS_ERROR_HANDLE;
  }));
}

}  // namespace
}  // namespace tavelo::engine

using namespace tavelo::engine;

extern "C" {

HFX BASS_ChannelSetFX(DWORD handle, DWORD type, int priority) {
  const auto channel = findChannel(handle);
  if (!channel) {
    return setLastError(BASS_ERROR_HANDLE), 0u;
  }
  if (type != BASS_FX_DX8_PARAMEQ) {
    return setLastError(BASS_ERROR_ILLTYPE), 0u;
  }
  const HFX fx = registerEffect(handle, channel);
  channel->withEffects([&](EffectChain& chain) { chain.add(fx, priority); });
  setLastError(BASS_OK);
  return fx;
}

BOOL BASS_ChannelRemoveFX(DWORD handle, HFX fx) {
  const auto channel = findChannel(handle);
  if (!channel || !channel->withEffects([fx](EffectChain& chain) { return chain.remove(fx); })) {
    return outcome(BASS_ERROR_HANDLE);
  }
  forgetEffect(fx);
  return outcome(BASS_OK);
}

BOOL BASS_FXSetParameters(HFX fx, const void* params) {
  if (params == nullptr) {
    return outcome(BASS_ERROR_ILLPARAM);
  }
  return withBand(fx, [params](PeakingBand& band) {
    return band.setParameters(*static_cast<const BASS_DX8_PARAMEQ*>(params)) ? BASS_OK : BASS_ERROR_ILLPARAM;
  });
}

BOOL BASS_FXGetParameters(HFX fx, void* params) {
  if (params == nullptr) {
    return outcome(BASS_ERROR_ILLPARAM);
  }
  return withBand(fx, [params](PeakingBand& band) {
    *static_cast<BASS_DX8_PARAMEQ*>(params) = band.parameters();
    return BASS_OK;
  });
}
}
