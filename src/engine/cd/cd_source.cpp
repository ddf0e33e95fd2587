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
  if (mode == PARANOIA_CB_SKIP || mode == PARANOIA_CB_READERR) {
    sectorGivenUp = true;
  }
}

class Reader {
public:
  Reader(CdIo_t* cdio, cdrom_drive_t* drive, cdrom_paranoia_t* paranoia) : cdio_(cdio), drive_(drive), paranoia_(paranoia) {}
  ~Reader() {
    if (paranoia_ != nullptr) {
      cdio_paranoia_free(paranoia_);
    }
    if (drive_ != nullptr) {
      cdio_cddap_close_no_free_cdio(drive_);
    }
    cdio_destroy(cdio_);
  }
  Reader(const Reader&) = delete;
  Reader& operator=(const Reader&) = delete;

  static std::unique_ptr<Reader> open(const Drive& drive) {
    CdIo_t* cdio = cdio_open(drive.readPath().c_str(), static_cast<driver_id_t>(drive.readDriver()));
    if (cdio == nullptr) {
      return nullptr;
    }
    cdrom_drive_t* cdda = cdio_cddap_identify_cdio(cdio, CDDA_MESSAGE_FORGETIT, nullptr);
    auto reader = std::make_unique<Reader>(cdio, cdda, nullptr);
    if (cdda == nullptr) {
      return nullptr;
    }
    // Paranoia guesses the byte order from the sound and swaps what looks big-endian: quiet or
    // odd music could be turned into noise. What a disc gives is little-endian; an image's
    // big-endian tracks are swapped by us, from its sheet.
    cdda->bigendianp = 0;
    if (cdio_cddap_open(cdda) != 0) {
      return nullptr;
    }
    reader->paranoia_ = cdio_paranoia_init(cdda);
    if (reader->paranoia_ == nullptr) {
      return nullptr;
    }
    cdio_paranoia_modeset(reader->paranoia_, PARANOIA_MODE_FULL ^ PARANOIA_MODE_NEVERSKIP);
    return reader;
  }

  void seek(std::int32_t address) { cdio_paranoia_seek(paranoia_, address - kLeadIn, SEEK_SET); }

  // The next sector into `out` (kSectorBytes); false when it was given up (then it is silence).
  bool next(std::uint8_t* out) {
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
  CdIo_t* cdio_;
  cdrom_drive_t* drive_;
  cdrom_paranoia_t* paranoia_;
};

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

std::unique_ptr<Source> openCdSource(std::shared_ptr<Drive> drive, std::shared_ptr<TrackSwitch> control, int* error) {
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
  auto reader = Reader::open(*drive);
  if (!reader) {
    *error = BASS_ERROR_FILEOPEN;
    return nullptr;
  }
  return std::make_unique<CdSource>(std::move(drive), std::move(disc), std::move(control), std::move(reader));
}

}  // namespace tavelo::engine::cd
