#include "engine/cd/cd_source.h"

#include "engine/cd/image_sheet.h"
#include "engine/engine.h"

#include <cdio/cdio.h>
#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>

#include <algorithm>
#include <cstring>

namespace tavelo::engine::cd {
namespace {

constexpr std::uint32_t kCdStreamType = 0x10200;
constexpr std::int64_t kFramesPerSector = kSectorBytes / 4;
// Tries at one sector before paranoia gives it up (a scratched disc must not stall for minutes).
constexpr int kSectorRetries = 3;
// Read errors are told as syncs through a mark of a tag no caller asks for.
constexpr std::uint32_t kNoTag = 0xFFFFFFFF;

// Paranoia's callback has no user pointer: it tells the reader on this thread.
thread_local bool sectorGivenUp = false;
void noteParanoia(long, paranoia_cb_mode_t mode) {
  if (mode == PARANOIA_CB_SKIP) {
    sectorGivenUp = true;
  }
}

// Reads sectors one after another from a place; a sector that cannot be read is silence.
class Reader {
public:
  virtual ~Reader() { cdio_destroy(cdio_); }
  Reader(const Reader&) = delete;
  Reader& operator=(const Reader&) = delete;

  virtual void seek(std::int32_t address) = 0;
  // The next sector into `out` (kSectorBytes); false when it was given up.
  virtual bool next(std::uint8_t* out) = 0;

protected:
  explicit Reader(CdIo_t* cdio) : cdio_(cdio) {}
  CdIo_t* const cdio_;
};

// A disc in a drive: paranoia's checked, overlapping reads, with a bounded number of retries.
class ParanoiaReader final : public Reader {
public:
  static std::unique_ptr<Reader> open(CdIo_t* cdio) {
    auto reader = std::unique_ptr<ParanoiaReader>(new ParanoiaReader(cdio));
    reader->drive_ = cdio_cddap_identify_cdio(cdio, CDDA_MESSAGE_FORGETIT, nullptr);
    if (reader->drive_ == nullptr) {
      return nullptr;
    }
    // Paranoia guesses the byte order from the sound and swaps what looks big-endian: quiet or
    // odd music could be turned into noise. A disc gives little-endian; an image's big-endian
    // tracks are swapped by us, from its sheet.
    reader->drive_->bigendianp = 0;
    if (cdio_cddap_open(reader->drive_) != 0) {
      return nullptr;
    }
    reader->paranoia_ = cdio_paranoia_init(reader->drive_);
    if (reader->paranoia_ == nullptr) {
      return nullptr;
    }
    cdio_paranoia_modeset(reader->paranoia_, PARANOIA_MODE_FULL ^ PARANOIA_MODE_NEVERSKIP);
    return reader;
  }
  ~ParanoiaReader() override {
    if (paranoia_ != nullptr) {
      cdio_paranoia_free(paranoia_);
    }
    if (drive_ != nullptr) {
      cdio_cddap_close_no_free_cdio(drive_);
    }
  }

  void seek(std::int32_t address) override { cdio_paranoia_seek(paranoia_, address - kLeadIn, SEEK_SET); }

  bool next(std::uint8_t* out) override {
    sectorGivenUp = false;
    const std::int16_t* sector = cdio_paranoia_read_limited(paranoia_, noteParanoia, kSectorRetries);
    if (sector == nullptr || sectorGivenUp) {
      std::memset(out, 0, kSectorBytes);
      return false;
    }
    std::memcpy(out, sector, kSectorBytes);
    return true;
  }

private:
  explicit ParanoiaReader(CdIo_t* cdio) : Reader(cdio) {}
  cdrom_drive_t* drive_ = nullptr;
  cdrom_paranoia_t* paranoia_ = nullptr;
};

// An image: its file holds the sound byte-exact, so a sector read fails for good or not at all.
// Sector by sector: a read of several that runs past the end of a cut file is taken as done.
class DirectReader final : public Reader {
public:
  static std::unique_ptr<Reader> open(CdIo_t* cdio) { return std::unique_ptr<Reader>(new DirectReader(cdio)); }

  void seek(std::int32_t address) override { next_ = address - kLeadIn; }

  bool next(std::uint8_t* out) override {
    if (cdio_read_audio_sector(cdio_, out, next_++) != DRIVER_OP_SUCCESS) {
      std::memset(out, 0, kSectorBytes);
      return false;
    }
    return true;
  }

private:
  explicit DirectReader(CdIo_t* cdio) : Reader(cdio) {}
  lsn_t next_ = 0;
};

std::unique_ptr<Reader> openReader(const Drive& drive, ReadMethod method) {
  CdIo_t* cdio = cdio_open(drive.readPath().c_str(), static_cast<driver_id_t>(drive.readDriver()));
  if (cdio == nullptr) {
    return nullptr;
  }
  return method == ReadMethod::Paranoia ? ParanoiaReader::open(cdio) : DirectReader::open(cdio);
}

class CdSource final : public Source {
public:
  CdSource(std::shared_ptr<Drive> drive, std::shared_ptr<const Disc> disc, std::shared_ptr<TrackSwitch> control,
           std::unique_ptr<Reader> reader)
      : drive_(std::move(drive)),
        disc_(std::move(disc)),
        control_(std::move(control)),
        reader_(std::move(reader)),
        generation_(drive_->discGeneration()) {
    enterTrack(control_->track.load());
  }

  SourceFormat format() const override { return {44100, 2, kCdStreamType, 16}; }
  std::int64_t lengthFrames() const override { return track_.sectors * kFramesPerSector; }

  std::int64_t read(float* out, std::int64_t frames) override {
    std::int64_t done = 0;
    while (done < frames && position_ < lengthFrames() && stillThere()) {
      if (sectorFrame_ == kFramesPerSector) {
        readSector();
      }
      const std::int64_t take = std::min({frames - done, kFramesPerSector - sectorFrame_, lengthFrames() - position_});
      const auto* samples = reinterpret_cast<const std::int16_t*>(sector_) + sectorFrame_ * 2;
      for (std::int64_t i = 0; i < take * 2; ++i) {
        out[done * 2 + i] = static_cast<float>(samples[i]) * (1.0f / 32768.0f);
      }
      sectorFrame_ += take;
      position_ += take;
      done += take;
    }
    return done;
  }

  bool seek(std::int64_t frame) override {
    if (control_->pending.exchange(false)) {
      enterTrack(control_->track.load());
    }
    if (frame < 0 || frame > lengthFrames() || !stillThere()) {
      return false;
    }
    position_ = frame;
    reader_->seek(track_.start + static_cast<std::int32_t>(frame / kFramesPerSector));
    sectorFrame_ = kFramesPerSector;
    const std::int64_t within = frame % kFramesPerSector;
    if (within > 0 && position_ < lengthFrames()) {
      readSector();
      sectorFrame_ = within;
    }
    return true;
  }

  std::uint64_t filePosition(std::uint32_t mode) const override {
    switch (mode) {
      case BASS_FILEPOS_CURRENT: return static_cast<std::uint64_t>(position_) * 4;
      case BASS_FILEPOS_END: return static_cast<std::uint64_t>(track_.sectors) * kSectorBytes;
      default: return kNoFilePosition;
    }
  }

  void interrupt() override { interrupted_ = true; }
  bool lost() const override { return drive_->discGeneration() != generation_; }

  void takeMarks(std::vector<SourceMark>& out) override {
    out.insert(out.end(), marks_.begin(), marks_.end());
    marks_.clear();
  }

private:
  void enterTrack(std::uint32_t index) {
    track_ = disc_->tracks[index];
    position_ = 0;
    sectorFrame_ = kFramesPerSector;
    reader_->seek(track_.start);
  }

  // False once the stream is being freed, or its disc has gone (ejected, changed).
  bool stillThere() const { return !interrupted_.load() && drive_->discGeneration() == generation_; }

  void readSector() {
    if (!reader_->next(sector_)) {
      marks_.push_back({position_, kNoTag, {}, BASS_SYNC_CD_ERROR});
    } else if (track_.bigEndian) {
      swapSampleBytes(sector_, kSectorBytes);
    }
    sectorFrame_ = 0;
  }

  const std::shared_ptr<Drive> drive_;
  const std::shared_ptr<const Disc> disc_;
  const std::shared_ptr<TrackSwitch> control_;
  const std::unique_ptr<Reader> reader_;
  const std::uint64_t generation_;
  std::atomic<bool> interrupted_{false};
  Track track_;
  std::int64_t position_ = 0;  // frames into the track
  std::uint8_t sector_[kSectorBytes] = {};
  std::int64_t sectorFrame_ = kFramesPerSector;  // frames of sector_ already handed on
  std::vector<SourceMark> marks_;
};

}  // namespace

std::unique_ptr<Source> openCdSource(std::shared_ptr<Drive> drive, std::shared_ptr<TrackSwitch> control, ReadMethod method,
                                     int* error) {
  std::shared_ptr<const Disc> disc = drive->disc();
  if (!disc) {
    *error = BASS_ERROR_DEVICE;
    return nullptr;
  }
  const std::uint32_t track = control->track.load();
  if (track >= disc->tracks.size()) {
    *error = BASS_ERROR_POSITION;
    return nullptr;
  }
  if (!disc->tracks[track].audio) {
    *error = BASS_ERROR_NOTAVAIL;
    return nullptr;
  }
  auto reader = openReader(*drive, method);
  if (!reader) {
    *error = BASS_ERROR_FILEOPEN;
    return nullptr;
  }
  return std::make_unique<CdSource>(std::move(drive), std::move(disc), std::move(control), std::move(reader));
}

}  // namespace tavelo::engine::cd
