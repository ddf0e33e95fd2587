// The CD drives: the kernel's CD devices in order, then the images added by the player.
//
// Threads. Any thread may ask. The status questions (ready, door, lock) answer from the device's
// drive status or the drive's own state and never read the disc; a drive's disc is read once per
// inserted disc, under that drive's read lock alone, so a slow disc holds up nobody but those
// who want that disc.
#pragma once

#include "engine/cd/disc.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace tavelo::engine::cd {

inline constexpr std::size_t kMaxDrives = 10;

struct DriveInfo {
  std::string vendor;
  std::string product;
  std::string rev;
  std::string name;  // "sr0", or the image's file name
  bool canOpen = true;
  bool canLock = true;
};

// A kernel CD device as sysfs describes it.
struct KernelDevice {
  std::string name;  // "sr0"
  DriveInfo info;
};
// The sr* devices under `classBlock` (normally /sys/class/block), by number; none is no error.
std::vector<KernelDevice> listKernelDevices(const std::string& classBlock);

class Drive {
public:
  virtual ~Drive() = default;
  virtual const DriveInfo& info() const = 0;
  virtual bool isReady() = 0;
  virtual bool doorIsOpen() = 0;
  virtual bool doorIsLocked() = 0;
  // Reads the disc when it has not been read since it was inserted; null without a readable disc.
  virtual std::shared_ptr<const Disc> disc() = 0;
  // Engine error codes, 0 = done.
  virtual int door(std::uint32_t action) = 0;
  virtual int setSpeed(float kilobytesPerSecond) = 0;
  virtual void release() = 0;
  // What a stream opens to read the disc, with the libcdio driver for it.
  virtual std::string readPath() const = 0;
  virtual int readDriver() const = 0;
  // An image's sound is a file's bytes, read as they are; a disc needs checked reading.
  virtual bool isImage() const = 0;
  // Counts the discs seen: a stream whose disc went away (or was changed) sees another number.
  std::uint64_t discGeneration() const { return generation_.load(); }

protected:
  std::atomic<std::uint64_t> generation_{0};
};

std::unique_ptr<Drive> makeKernelDrive(const KernelDevice& device);

// An image prepared for libcdio (see image_sheet.h); its door is virtual: open = no disc, a lock
// refuses opening, speed changes nothing. Null with *error set (BASS_ERROR_FILEOPEN) when the file
// is no image libcdio reads.
std::unique_ptr<Drive> openImageDrive(const std::string& path, int* error);

// The drive table: kernel devices found at first use, then the images in the order added.
std::shared_ptr<Drive> driveAt(std::uint32_t index);
// The new drive's number, or -1 with *error set.
int addImageDrive(const std::string& path, int* error);

}  // namespace tavelo::engine::cd
