#include "engine/output.h"

#include <chrono>
#include <thread>

namespace tavelo::engine {
namespace {

using Clock = std::chrono::steady_clock;

// Falling further behind than this (a stalled machine) restarts the clock instead of racing.
constexpr auto kMaxLag = std::chrono::milliseconds(200);

class NullOutput final : public Output {
public:
  explicit NullOutput(std::uint32_t rate) : rate_(rate) {}

  void write(const float*, std::size_t count) override {
    const auto now = Clock::now();
    if (now - deadline_ > kMaxLag) {
      deadline_ = now;
    }
    deadline_ += std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(double(count) / rate_));
    std::this_thread::sleep_until(deadline_);
  }

  void resume() override { deadline_ = Clock::now(); }

private:
  std::uint32_t rate_;
  Clock::time_point deadline_ = Clock::now();
};

}  // namespace

std::unique_ptr<Output> makeNullOutput(std::uint32_t rate) { return std::make_unique<NullOutput>(rate); }

}  // namespace tavelo::engine
