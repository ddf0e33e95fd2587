// A channel: a source of float frames and its syncs; effects and encoders hook in where the
// frames are handed on (processPlayed), so changes are heard at once, not a buffer later. A playback
// channel has a decoder thread that runs ahead of the mixer by the playback buffer's length;
// a decode-only channel is read by its caller instead.
//
// Threads. The window thread (or any caller of the C interface) plays, pauses, stops, seeks and
// asks; the mixer thread calls mixInto; the decoder thread alone reads and seeks a playback
// channel's source. Callers take mutex_ only for a moment and never wait for the source: a seek
// is a request the decoder carries out, and what the source last said (length, file position) is
// kept in a copy. A decode-only channel's source is read and sought by its caller under
// sourceMutex_, so those calls wait for the source as a read does.
#pragma once

#include "engine/engine.h"
#include "engine/resampler.h"
#include "engine/ring_buffer.h"
#include "engine/source.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace tavelo::engine {

class SyncDispatcher;

class Channel : public std::enable_shared_from_this<Channel> {
public:
  struct Settings {
    DWORD handle = 0;
    DWORD flags = 0;
    std::uint32_t bufferMs = 500;
    std::uint32_t outputRate = 44100;
    std::string path;
    HPLUGIN plugin = 0;  // the plug-in that opened the file, 0 for a built-in format
  };

  Channel(std::unique_ptr<Source> source, const Settings& settings, SyncDispatcher& syncs);
  ~Channel();
  Channel(const Channel&) = delete;
  Channel& operator=(const Channel&) = delete;

  // Starts the decoder of a playback channel; done once the channel is owned by a shared_ptr.
  void start();
  // Any thread, never blocks: the channel plays no more, its decoder is told to end and a source
  // that waits is interrupted.
  void beginShutdown();
  // Joins the decoder and closes the source; waits for a source that does not heed interrupt.
  // Run on the engine's reaper (or at BASS_Free), never on the window or mixer thread.
  void finishShutdown();
  void shutdown() {
    beginShutdown();
    finishShutdown();
  }
  // After beginShutdown, not on the reaper: waits until a source's background work (a download)
  // has ended and said so. Returns at once for sources with none.
  void awaitSourceHalt();

  DWORD handle() const { return settings_.handle; }
  DWORD flags() const { return settings_.flags; }
  const std::string& path() const { return settings_.path; }
  HPLUGIN plugin() const { return settings_.plugin; }
  bool decodeOnly() const { return (settings_.flags & BASS_STREAM_DECODE) != 0; }
  SourceFormat format() const { return format_; }
  std::uint32_t bytesPerFrame() const;

  // Errors come back as engine error codes (0 = done). None of these waits for the source.
  int play(bool restart);
  // `queued`: output frames the device holds, so that a paused channel stays where it was heard.
  int pause(std::size_t queued);
  void stop();
  DWORD activity() const;

  std::int64_t lengthFrames() const;
  // What is heard now: the frames played, less those the device still holds (`queued`, in
  // output frames), but never before the place the channel last started from.
  std::int64_t positionFrames(std::size_t queued = 0) const;
  std::int64_t heardPosition(std::size_t queued) const;
  // A playback channel is at `frame` at once (position, level and what plays next), the decoder
  // seeks its source when it is next free; a source that cannot reach the frame ends the sound
  // there, as a file damaged there would. A decode-only channel seeks its source now.
  int setPositionFrames(std::int64_t frame);
  std::uint64_t filePosition(DWORD mode) const;
  // The tag of that type as heard now (a title, a chained stream's comments), else as the source
  // tells it; nullopt when there is none.
  std::optional<std::string> tags(DWORD type) const;
  // Mixer thread, after each period: the device holds `queued` output frames not yet heard; the
  // changes reached by what is heard now are told.
  void noteHeard(std::size_t queued);
  // Peak of the last ~20 ms heard (the device holding `queued` output frames not yet heard),
  // left in the low word, right in the high word.
  DWORD level(std::size_t queued = 0) const;

  // Decode-only channels: fills `buffer` with up to `bytes` of 16-bit or float samples;
  // returns the bytes written, nullopt at the end.
  std::optional<DWORD> readData(void* buffer, DWORD bytes, bool asFloat);

  HSYNC addSync(HSYNC sync, DWORD type, QWORD param, SYNCPROC* proc, void* user);
  bool removeSync(HSYNC sync);

  // Mixer side: adds what the channel plays next to `out` (stereo, output rate). Returns false
  // when the channel is not playing.
  bool mixInto(float* out, std::size_t frames);

private:
  struct Sync {
    HSYNC handle;
    DWORD type;
    SYNCPROC* proc;
    void* user;
  };

  // What the source last said, copied so that callers never ask the source itself.
  struct SourceFacts {
    std::int64_t length = -1;
    std::uint64_t filePosition = 0;
    std::uint64_t fileSize = 0;
  };

  void decodeLoop();
  void decodeChunk(std::unique_lock<std::mutex>& lock, std::vector<float>& chunk);
  void carryOutSeek(std::unique_lock<std::mutex>& lock);
  int seekDecodeOnly(std::int64_t frame);
  bool reachable(std::int64_t frame) const;
  void requestSeek(std::int64_t frame);
  void jumpTo(std::int64_t frame);
  SourceFacts readFacts() const;
  std::shared_ptr<SourceStatus> status() const;
  bool awaitDecoder(std::unique_lock<std::mutex>& lock, std::size_t frames);
  void pullFrames(std::size_t wantedOutputFrames);
  void processPlayed(float* frames, std::size_t count, bool measureLevel);
  void reachEnd();
  void collectMarks();
  void tellMarksUpTo(std::int64_t frame);
  void postSyncs(DWORD type, DWORD data);
  void runSync(HSYNC sync, DWORD data);

  std::unique_ptr<Source> source_;
  const Settings settings_;
  const SourceFormat format_;
  SyncDispatcher& syncs_;

  // Lock order: sourceMutex_ before mutex_. Neither is held by the decoder while it reads.
  mutable std::mutex sourceMutex_;  // a decode-only channel's source, held by its reader or a seek
  mutable std::mutex mutex_;        // everything below
  std::condition_variable decoderWake_;
  std::condition_variable decoded_;  // the decoder added to the ring
  RingBuffer ring_;
  std::optional<Resampler> resampler_;
  std::vector<float> pulled_;       // source frames taken from the ring for one mix
  std::vector<float> converted_;    // output frames not yet mixed
  std::vector<float> scratch_;      // held with sourceMutex_: decoded floats before 16-bit
  std::vector<Sync> syncList_;
  std::vector<SourceMark> newMarks_;  // held by the source's reader: marks just taken from the source
  std::deque<SourceMark> marks_;      // changes decoded, not heard yet
  std::map<DWORD, std::string> heardTags_;
  // Let go with the source, on the reaper: a download is never ended on a thread of its own.
  std::shared_ptr<SourceStatus> status_;
  DWORD state_ = BASS_ACTIVE_STOPPED;
  bool stalled_ = false;
  bool sourceEnded_ = false;  // the decoder has read the last frame
  bool ended_ = false;        // and the last frame has been played (or read)
  bool lost_ = false;         // the source lost its sound: the end is no end to tell
  bool quit_ = false;
  std::optional<std::int64_t> seekRequest_;  // for the decoder to carry out
  std::uint64_t seekGeneration_ = 0;         // counts seek requests: a read begun before one is stale
  std::int64_t position_ = 0;
  std::int64_t startedFrom_ = 0;  // the position of the last seek
  std::int64_t pausedAt_ = 0;     // what had been heard when the channel paused
  SourceFacts facts_;
  // The peaks of the periods played lately, each with the position its last frame reached, so
  // that the level is that of what is heard, not of what the device has queued.
  struct PeakMark {
    std::int64_t end = 0;
    std::array<float, 2> peak{};
  };
  std::array<PeakMark, 256> peaks_{};  // 2.5 s of 10 ms periods: more than any device queue
  std::size_t nextPeak_ = 0;
  std::array<float, 2> periodPeak_{};  // of the frames played in the current period
  std::thread decoder_;
};

}  // namespace tavelo::engine
