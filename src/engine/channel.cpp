#include "engine/channel.h"

#include "engine/output.h"
#include "engine/sync_dispatcher.h"
#include "engine/thread_name.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace tavelo::engine {
namespace {

// Frames the decoder adds per turn: small enough to keep seeks quick, large enough to be cheap.
constexpr std::size_t kDecodeChunk = 4096;

// The decoder keeps this far ahead of the device's whole queue at least: a mixer that fills the
// queue in one go must not find the channel dry and play silence.
constexpr std::uint32_t kDecodeAheadOfQueueMs = 250;

std::size_t ringFrames(const SourceFormat& format, std::uint32_t bufferMs) {
  const std::uint32_t aheadMs = std::max(bufferMs, kMaxQueuedMs + kDecodeAheadOfQueueMs);
  const std::size_t wanted = std::size_t{format.rate} * aheadMs / 1000;
  return std::max(wanted, 2 * kDecodeChunk);
}

// The longest a mix waits for a decoder that has fallen behind; past it, the channel stalls.
constexpr auto kDecoderWait = std::chrono::milliseconds(30);

// The level is the peak of this much of what was heard last.
constexpr std::int64_t kLevelWindowMs = 20;

constexpr DWORD kSyncFlags = BASS_SYNC_ONETIME | BASS_SYNC_MIXTIME;

DWORD levelWord(float peak) {
  return static_cast<DWORD>(std::lround(std::min(peak, 1.0f) * 32768.0f));
}

// Rounds to nearest and clips; four samples at a time where SSE2 is there (every x86-64).
void toInt16(const float* in, std::int16_t* out, std::size_t samples) {
  std::size_t i = 0;
#ifdef __SSE2__
  const __m128 scale = _mm_set1_ps(32768.0f);
  for (; i + 8 <= samples; i += 8) {
    const __m128i low = _mm_cvtps_epi32(_mm_mul_ps(_mm_loadu_ps(in + i), scale));
    const __m128i high = _mm_cvtps_epi32(_mm_mul_ps(_mm_loadu_ps(in + i + 4), scale));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packs_epi32(low, high));  // saturates
  }
#endif
  for (; i < samples; ++i) {
    const float scaled = std::min(std::max(in[i] * 32768.0f, -32768.0f), 32767.0f);
    out[i] = static_cast<std::int16_t>(std::lrint(scaled));
  }
}

}  // namespace

Channel::Channel(std::unique_ptr<Source> source, const Settings& settings, SyncDispatcher& syncs)
    : source_(std::move(source)),
      settings_(settings),
      format_(source_->format()),
      syncs_(syncs),
      ring_(decodeOnly() ? 0 : ringFrames(format_, settings.bufferMs), format_.channels) {
  facts_ = readFacts();
  status_ = source_->status();
  if (!decodeOnly() && (format_.rate != settings.outputRate || format_.channels != kOutputChannels)) {
    resampler_.emplace(format_.rate, format_.channels, settings.outputRate);
  }
  // What the stream opens with (a net stream's first Ogg comments) can be read at once: the
  // player shows the title before the first sample is heard.
  std::lock_guard lock(mutex_);
  source_->takeMarks(newMarks_);
  collectMarks();
  tellMarksUpTo(0);
}

Channel::~Channel() { shutdown(); }

void Channel::start() {
  if (!decodeOnly()) {
    decoder_ = std::thread([this] { decodeLoop(); });
  }
}

void Channel::beginShutdown() {
  {
    std::lock_guard lock(mutex_);
    if (quit_) {
      return;
    }
    quit_ = true;
    state_ = BASS_ACTIVE_STOPPED;
  }
  decoderWake_.notify_all();
  decoded_.notify_all();
  source_->interrupt();  // the source stays until finishShutdown, which comes after
}

void Channel::awaitSourceHalt() {
  if (const auto status = this->status()) {
    status->awaitHalt();
  }
}

std::shared_ptr<SourceStatus> Channel::status() const {
  std::lock_guard lock(mutex_);
  return status_;
}

void Channel::finishShutdown() {
  if (decoder_.joinable()) {
    decoder_.join();
  }
  std::lock_guard sourceLock(sourceMutex_);
  source_.reset();  // a plug-in's close, a decoder library's teardown
  std::shared_ptr<SourceStatus> status;
  {
    std::lock_guard lock(mutex_);
    status.swap(status_);
  }
}

std::uint32_t Channel::bytesPerFrame() const {
  const std::uint32_t sampleBytes = (settings_.flags & BASS_SAMPLE_FLOAT) != 0 ? 4 : 2;
  return sampleBytes * format_.channels;
}

void Channel::decodeLoop() {
  nameThisThread("decoder");
  std::vector<float> chunk(kDecodeChunk * format_.channels);
  std::unique_lock lock(mutex_);
  while (true) {
    decoderWake_.wait(lock, [this] {
      return quit_ || seekRequest_ || (!sourceEnded_ && ring_.freeFrames() >= kDecodeChunk);
    });
    if (quit_) {
      return;
    }
    if (seekRequest_) {
      carryOutSeek(lock);
    } else {
      decodeChunk(lock, chunk);
    }
  }
}

// The source is read with no lock held, so that a read that waits holds up nobody; what it gives
// is dropped when a seek was asked for meanwhile.
void Channel::decodeChunk(std::unique_lock<std::mutex>& lock, std::vector<float>& chunk) {
  const std::uint64_t generation = seekGeneration_;
  lock.unlock();
  const std::int64_t got = source_->read(chunk.data(), kDecodeChunk);
  const bool lost = got == 0 && source_->lost();
  const SourceFacts facts = readFacts();
  newMarks_.clear();
  source_->takeMarks(newMarks_);
  lock.lock();
  facts_ = facts;
  if (generation != seekGeneration_ || quit_) {
    return;
  }
  collectMarks();
  if (got > 0) {
    ring_.write(chunk.data(), static_cast<std::size_t>(got));
  } else {
    sourceEnded_ = true;
    lost_ = lost;
  }
  decoded_.notify_all();
}

void Channel::carryOutSeek(std::unique_lock<std::mutex>& lock) {
  const std::int64_t frame = *seekRequest_;
  const std::uint64_t generation = seekGeneration_;
  seekRequest_.reset();
  lock.unlock();
  const bool landed = source_->seek(frame);
  const bool lost = !landed && source_->lost();
  const SourceFacts facts = readFacts();
  lock.lock();
  facts_ = facts;
  if (!landed && generation == seekGeneration_) {
    sourceEnded_ = true;  // the sound ends where the source cannot go on
    lost_ = lost;
    decoded_.notify_all();
  }
}

int Channel::play(bool restart) {
  if (decodeOnly()) {
    return BASS_ERROR_DECODE;
  }
  std::lock_guard lock(mutex_);
  if (restart || ended_) {
    requestSeek(0);  // from the start: asked for, or the channel had played to its end
  }
  state_ = BASS_ACTIVE_PLAYING;
  return BASS_OK;
}

int Channel::pause(std::size_t queued) {
  std::lock_guard lock(mutex_);
  if (state_ != BASS_ACTIVE_PLAYING) {
    return state_ == BASS_ACTIVE_PAUSED ? BASS_ERROR_ALREADY : BASS_ERROR_NOPLAY;
  }
  state_ = BASS_ACTIVE_PAUSED;
  pausedAt_ = heardPosition(queued);
  return BASS_OK;
}

void Channel::stop() {
  std::lock_guard lock(mutex_);
  state_ = BASS_ACTIVE_STOPPED;
}

DWORD Channel::activity() const {
  std::lock_guard lock(mutex_);
  if (decodeOnly()) {
    return ended_ ? BASS_ACTIVE_STOPPED : BASS_ACTIVE_PLAYING;
  }
  if (state_ == BASS_ACTIVE_PLAYING && stalled_) {
    return BASS_ACTIVE_STALLED;
  }
  return state_;
}

std::int64_t Channel::lengthFrames() const {
  std::lock_guard lock(mutex_);
  return ended_ ? position_ : facts_.length;  // once ended: what really played
}

std::int64_t Channel::positionFrames(std::size_t queued) const {
  std::lock_guard lock(mutex_);
  if (state_ == BASS_ACTIVE_PAUSED) {
    return pausedAt_;
  }
  return decodeOnly() || ended_ ? position_ : heardPosition(queued);
}

// Needs mutex_ held.
std::int64_t Channel::heardPosition(std::size_t queued) const {
  const auto unheard = static_cast<std::int64_t>(queued * format_.rate / settings_.outputRate);
  return std::max(position_ - unheard, startedFrom_);
}

int Channel::setPositionFrames(std::int64_t frame) {
  if (decodeOnly()) {
    return seekDecodeOnly(frame);
  }
  std::lock_guard lock(mutex_);
  if (!reachable(frame)) {
    return BASS_ERROR_POSITION;
  }
  requestSeek(frame);
  return BASS_OK;
}

int Channel::seekDecodeOnly(std::int64_t frame) {
  std::lock_guard sourceLock(sourceMutex_);
  {
    std::lock_guard lock(mutex_);
    if (!reachable(frame) || !source_) {
      return BASS_ERROR_POSITION;
    }
  }
  if (!source_->seek(frame)) {
    return BASS_ERROR_POSITION;
  }
  const SourceFacts facts = readFacts();
  std::lock_guard lock(mutex_);
  facts_ = facts;
  jumpTo(frame);
  return BASS_OK;
}

// Needs mutex_ held. Within the sound as far as it is known.
bool Channel::reachable(std::int64_t frame) const {
  const std::int64_t length = ended_ ? position_ : facts_.length;
  return frame >= 0 && (length < 0 || frame <= length);
}

// Needs mutex_ held.
void Channel::requestSeek(std::int64_t frame) {
  seekRequest_ = frame;
  ++seekGeneration_;
  jumpTo(frame);
  decoderWake_.notify_all();
}

// Needs mutex_ held: from here on the channel plays from `frame`; nothing decoded before is heard.
void Channel::jumpTo(std::int64_t frame) {
  ring_.clear();
  converted_.clear();
  if (resampler_) {
    resampler_->reset();
  }
  position_ = frame;
  startedFrom_ = frame;
  pausedAt_ = frame;
  peaks_ = {};
  sourceEnded_ = false;
  ended_ = false;
  lost_ = false;
  stalled_ = false;
}

std::uint64_t Channel::filePosition(DWORD mode) const {
  if (const auto status = this->status(); status && mode != BASS_FILEPOS_CURRENT) {
    return status->position(mode);
  }
  std::lock_guard lock(mutex_);
  switch (mode) {
    case BASS_FILEPOS_CURRENT: return facts_.filePosition;
    case BASS_FILEPOS_DOWNLOAD:
    case BASS_FILEPOS_END: return facts_.fileSize;
    default: return kNoFilePosition;
  }
}

// By whoever drives the source (the decoder, or a decode-only channel's reader).
Channel::SourceFacts Channel::readFacts() const {
  return {source_->lengthFrames(), source_->filePosition(BASS_FILEPOS_CURRENT), source_->filePosition(BASS_FILEPOS_END)};
}

DWORD Channel::level(std::size_t queued) const {
  std::lock_guard lock(mutex_);
  if (state_ != BASS_ACTIVE_PLAYING) {
    return 0;
  }
  const std::int64_t heard = heardPosition(queued);
  const std::int64_t window = std::int64_t{format_.rate} * kLevelWindowMs / 1000;
  std::array<float, 2> peak{};
  for (const PeakMark& mark : peaks_) {
    if (mark.end > heard - window && mark.end <= heard + window / 2) {
      peak[0] = std::max(peak[0], mark.peak[0]);
      peak[1] = std::max(peak[1], mark.peak[1]);
    }
  }
  return levelWord(peak[0]) | (levelWord(peak[1]) << 16);
}

std::optional<DWORD> Channel::readData(void* buffer, DWORD bytes, bool asFloat) {
  const std::uint32_t frameBytes = (asFloat ? 4u : 2u) * format_.channels;
  const std::size_t frames = bytes / frameBytes;
  std::lock_guard sourceLock(sourceMutex_);
  if (!source_) {
    return std::nullopt;  // freed meanwhile
  }
  // Float goes straight into the caller's buffer; 16-bit through a buffer kept between calls.
  float* decoded = static_cast<float*>(buffer);
  if (!asFloat) {
    scratch_.resize(std::max(scratch_.size(), frames * format_.channels));
    decoded = scratch_.data();
  }
  const auto got = static_cast<std::size_t>(std::max<std::int64_t>(source_->read(decoded, static_cast<std::int64_t>(frames)), 0));
  const SourceFacts facts = readFacts();
  newMarks_.clear();
  source_->takeMarks(newMarks_);
  std::lock_guard lock(mutex_);
  facts_ = facts;
  collectMarks();
  tellMarksUpTo(position_ + static_cast<std::int64_t>(got));
  if (got == 0 && frames > 0) {
    lost_ = source_->lost();
    reachEnd();
    return std::nullopt;
  }
  processPlayed(decoded, got, false);
  position_ += static_cast<std::int64_t>(got);
  if (!asFloat) {
    toInt16(decoded, static_cast<std::int16_t*>(buffer), got * format_.channels);
  }
  return static_cast<DWORD>(got * frameBytes);
}

bool Channel::mixInto(float* out, std::size_t frames) {
  std::unique_lock lock(mutex_);
  if (state_ != BASS_ACTIVE_PLAYING) {
    return false;
  }
  periodPeak_ = {};
  pullFrames(frames);
  if (awaitDecoder(lock, frames)) {
    pullFrames(frames);
  }
  if (state_ != BASS_ACTIVE_PLAYING) {
    return false;  // paused or stopped while waiting; what was pulled stays for later
  }
  peaks_[nextPeak_] = {position_, periodPeak_};
  nextPeak_ = (nextPeak_ + 1) % peaks_.size();
  const std::size_t available = converted_.size() / kOutputChannels;
  const std::size_t mixed = std::min(frames, available);
  for (std::size_t i = 0; i < mixed * kOutputChannels; ++i) {
    out[i] += converted_[i];
  }
  converted_.erase(converted_.begin(), converted_.begin() + static_cast<std::ptrdiff_t>(mixed * kOutputChannels));
  stalled_ = mixed < frames && !sourceEnded_;
  if (mixed < frames && sourceEnded_ && ring_.usedFrames() == 0) {
    reachEnd();
  }
  return true;
}

// Right after a start or a seek the ring is still filling: waiting a moment for the decoder beats
// mixing silence into the device's queue. A channel already stalled is not waited for again, or
// a source that stalls for long would hold up the other channels' sound. True when the decoder
// added something.
bool Channel::awaitDecoder(std::unique_lock<std::mutex>& lock, std::size_t frames) {
  const std::size_t have = converted_.size() / kOutputChannels;
  if (have >= frames || sourceEnded_ || stalled_) {
    return false;
  }
  const std::size_t needed = (frames - have) * format_.rate / settings_.outputRate + 1;
  return decoded_.wait_for(lock, kDecoderWait, [this, needed] {
    return quit_ || sourceEnded_ || state_ != BASS_ACTIVE_PLAYING || ring_.usedFrames() >= needed;
  });
}

// Takes source frames from the ring until `wanted` output frames are ready (or the ring is dry).
void Channel::pullFrames(std::size_t wanted) {
  while (converted_.size() / kOutputChannels < wanted && ring_.usedFrames() > 0) {
    const std::size_t missing = wanted - converted_.size() / kOutputChannels;
    const std::size_t sourceFrames = missing * format_.rate / settings_.outputRate + 1;
    pulled_.resize(sourceFrames * format_.channels);
    const std::size_t got = ring_.read(pulled_.data(), sourceFrames);
    processPlayed(pulled_.data(), got, true);
    position_ += static_cast<std::int64_t>(got);
    if (resampler_) {
      resampler_->convert(pulled_.data(), got, converted_);
    } else {
      converted_.insert(converted_.end(), pulled_.begin(), pulled_.begin() + static_cast<std::ptrdiff_t>(got * kOutputChannels));
    }
  }
  if (resampler_ && sourceEnded_ && ring_.usedFrames() == 0) {
    resampler_->drain(converted_);  // the filter's tail: the sound's last milliseconds
  }
  if (ring_.freeFrames() >= kDecodeChunk) {
    decoderWake_.notify_one();  // only when the decoder has room to go on
  }
}

// Every frame the channel hands on passes here: the place for effects and encoders.
void Channel::processPlayed(float* frames, std::size_t count, bool measureLevel) {
  if (!measureLevel) {
    return;
  }
  const std::uint32_t channels = format_.channels;
  for (std::size_t i = 0; i < count; ++i) {
    const float* frame = frames + i * channels;
    periodPeak_[0] = std::max(periodPeak_[0], std::fabs(frame[0]));
    periodPeak_[1] = std::max(periodPeak_[1], std::fabs(frame[channels > 1 ? 1 : 0]));
  }
}

std::optional<std::string> Channel::tags(DWORD type) const {
  {
    std::lock_guard lock(mutex_);
    const auto heard = heardTags_.find(type);
    if (heard != heardTags_.end()) {
      return heard->second;
    }
  }
  const auto status = this->status();
  return status ? status->tags(type) : std::nullopt;
}

void Channel::noteHeard(std::size_t queued) {
  std::lock_guard lock(mutex_);
  if (!marks_.empty() && state_ == BASS_ACTIVE_PLAYING) {
    tellMarksUpTo(heardPosition(queued));
  }
}

// Needs mutex_ held: the marks the source reader took join those waiting to be heard.
void Channel::collectMarks() {
  marks_.insert(marks_.end(), std::make_move_iterator(newMarks_.begin()), std::make_move_iterator(newMarks_.end()));
  newMarks_.clear();
}

// Needs mutex_ held.
void Channel::tellMarksUpTo(std::int64_t frame) {
  while (!marks_.empty() && marks_.front().frame <= frame) {
    SourceMark& mark = marks_.front();
    heardTags_[mark.tag] = std::move(mark.text);
    if (mark.sync != 0) {
      postSyncs(mark.sync, 0);
    }
    marks_.pop_front();
  }
}

// Needs mutex_ held.
void Channel::reachEnd() {
  if (ended_) {
    return;
  }
  ended_ = true;
  if (!decodeOnly()) {
    state_ = BASS_ACTIVE_STOPPED;
  }
  if (!lost_) {
    postSyncs(BASS_SYNC_END, 0);
  }
}

// Needs mutex_ held.
void Channel::postSyncs(DWORD type, DWORD data) {
  std::weak_ptr<Channel> self = weak_from_this();
  for (const Sync& sync : syncList_) {
    if ((sync.type & ~kSyncFlags) == type) {
      syncs_.post([self, handle = sync.handle, data] {
        if (auto channel = self.lock()) {
          channel->runSync(handle, data);
        }
      });
    }
  }
}

HSYNC Channel::addSync(HSYNC sync, DWORD type, QWORD, SYNCPROC* proc, void* user) {
  std::lock_guard lock(mutex_);
  syncList_.push_back({sync, type, proc, user});
  return sync;
}

bool Channel::removeSync(HSYNC sync) {
  std::lock_guard lock(mutex_);
  const auto removed = std::erase_if(syncList_, [sync](const Sync& s) { return s.handle == sync; });
  return removed > 0;
}

// Runs on the sync thread; the callback is called with no lock held, so it may use the engine.
void Channel::runSync(HSYNC sync, DWORD data) {
  SYNCPROC* proc = nullptr;
  void* user = nullptr;
  bool once = false;
  {
    std::lock_guard lock(mutex_);
    const auto it = std::find_if(syncList_.begin(), syncList_.end(), [sync](const Sync& s) { return s.handle == sync; });
    if (it == syncList_.end() || quit_) {
      return;
    }
    proc = it->proc;
    user = it->user;
    once = (it->type & BASS_SYNC_ONETIME) != 0;
    if (once) {
      syncList_.erase(it);
    }
  }
  proc(sync, settings_.handle, data, user);
}

}  // namespace tavelo::engine
