#include "engine/devices.h"

#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/mainloop.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>

namespace tavelo::engine {
namespace {

// A server that does not answer within this time is taken as absent.
constexpr auto kServerTimeout = std::chrono::seconds(2);

struct MainloopFreer {
  void operator()(pa_mainloop* m) const { pa_mainloop_free(m); }
};
struct ContextFreer {
  void operator()(pa_context* c) const {
    pa_context_disconnect(c);
    pa_context_unref(c);
  }
};

struct Query {
  std::string defaultSink;
  std::vector<Device> sinks;
  int pending = 0;
};

// Runs the loop until `done` holds; false on timeout or when the connection fails.
bool iterateUntil(pa_mainloop* loop, pa_context* context, const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + kServerTimeout;
  while (!done()) {
    const pa_context_state_t state = pa_context_get_state(context);
    if (!PA_CONTEXT_IS_GOOD(state) || std::chrono::steady_clock::now() > deadline) {
      return false;
    }
    if (pa_mainloop_prepare(loop, 50 * 1000) < 0 || pa_mainloop_poll(loop) < 0 || pa_mainloop_dispatch(loop) < 0) {
      return false;
    }
  }
  return true;
}

void onServerInfo(pa_context*, const pa_server_info* info, void* user) {
  auto* query = static_cast<Query*>(user);
  if (info != nullptr && info->default_sink_name != nullptr) {
    query->defaultSink = info->default_sink_name;
  }
  --query->pending;
}

void onSinkInfo(pa_context*, const pa_sink_info* info, int eol, void* user) {
  auto* query = static_cast<Query*>(user);
  if (eol != 0) {
    --query->pending;
    return;
  }
  if (info != nullptr) {
    const std::string description = info->description != nullptr ? info->description : info->name;
    query->sinks.push_back({description, info->name, false});
  }
}

std::vector<Device> querySinks() {
  std::unique_ptr<pa_mainloop, MainloopFreer> loop(pa_mainloop_new());
  if (!loop) {
    return {};
  }
  std::unique_ptr<pa_context, ContextFreer> context(pa_context_new(pa_mainloop_get_api(loop.get()), "Tavelo"));
  if (!context || pa_context_connect(context.get(), nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
    return {};
  }
  pa_context* ctx = context.get();
  if (!iterateUntil(loop.get(), ctx, [ctx] { return pa_context_get_state(ctx) == PA_CONTEXT_READY; })) {
    return {};
  }
  Query query;
  query.pending = 2;
  pa_operation_unref(pa_context_get_server_info(ctx, onServerInfo, &query));
  pa_operation_unref(pa_context_get_sink_info_list(ctx, onSinkInfo, &query));
  if (!iterateUntil(loop.get(), ctx, [&query] { return query.pending == 0; })) {
    return {};
  }
  auto isDefault = [&query](const Device& d) { return d.driver == query.defaultSink; };
  std::stable_partition(query.sinks.begin(), query.sinks.end(), isDefault);
  for (Device& sink : query.sinks) {
    sink.isDefault = isDefault(sink);
  }
  return query.sinks;
}

}  // namespace

std::vector<Device> listDevices() {
  std::vector<Device> devices{{kNoSoundName, "", false}};
  for (Device& sink : querySinks()) {
    devices.push_back(std::move(sink));
  }
  return devices;
}

}  // namespace tavelo::engine
