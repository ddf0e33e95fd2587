#include "engine/cd/drives.h"

#include "engine/cd/image_sheet.h"
#include "engine/engine.h"

#include <cdio/cdio.h>
#include <cdio/logging.h>
#include <fcntl.h>
#include <linux/cdrom.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace tavelo::engine::cd {
namespace {

// Sheets are a few kilobytes; a bigger file is no sheet, and is not read whole to find that out.
constexpr std::uintmax_t kMaxSheetBytes = 1 << 20;
constexpr float kAudioKilobytesPerSpeed = 176.4f;  // 1x

std::string firstLineOf(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  const std::size_t end = line.find_last_not_of(" \t\r");
  return end == std::string::npos ? std::string() : line.substr(0, end + 1);
}

// libcdio reports what it cannot parse on stderr; the engine says it through its error codes.
void quietLibcdio() {
  static const bool quiet = [] {
    cdio_log_set_handler([](cdio_log_level_t, const char*) {});
    return true;
  }();
  (void)quiet;
}

// --- kernel devices ---

class FileDescriptor {
public:
  explicit FileDescriptor(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)) {}
  ~FileDescriptor() {
    if (fd_ >= 0) {
      ::close(fd_);
    }
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }

private:
  int fd_;
};

class KernelDrive final : public Drive {
public:
  explicit KernelDrive(const KernelDevice& device) : info_(device.info), path_("/dev/" + device.name) {}

  const DriveInfo& info() const override { return info_; }
  bool isReady() override { return status() == CDS_DISC_OK; }
  bool doorIsOpen() override { return status() == CDS_TRAY_OPEN; }
  bool doorIsLocked() override { return locked_.load(); }

  std::shared_ptr<const Disc> disc() override {
    std::lock_guard readLock(readMutex_);
    if (status() != CDS_DISC_OK || mediaChanged()) {
      forgetDisc();
      if (status() != CDS_DISC_OK) {
        return nullptr;
      }
    }
    if (auto known = cached()) {
      return known;
    }
    quietLibcdio();
    CdIo_t* cdio = cdio_open(path_.c_str(), DRIVER_LINUX);
    if (cdio == nullptr) {
      return nullptr;
    }
    auto read = std::make_shared<const Disc>(readDisc(cdio, {}));
    cdio_destroy(cdio);
    if (read->tracks.empty()) {
      return nullptr;
    }
    std::lock_guard lock(mutex_);
    disc_ = read;
    ++generation_;
    return read;
  }

  int door(std::uint32_t action) override {
    switch (action) {
      case BASS_CD_DOOR_OPEN: return cdio_eject_media_drive(path_.c_str()) == DRIVER_OP_SUCCESS ? BASS_OK : BASS_ERROR_NOTAVAIL;
      case BASS_CD_DOOR_CLOSE: return cdio_close_tray(path_.c_str(), nullptr) == DRIVER_OP_SUCCESS ? BASS_OK : BASS_ERROR_NOTAVAIL;
      case BASS_CD_DOOR_LOCK:
      case BASS_CD_DOOR_UNLOCK: return lockDoor(action == BASS_CD_DOOR_LOCK);
      default: return BASS_ERROR_ILLPARAM;
    }
  }

  int setSpeed(float kilobytesPerSecond) override {
    FileDescriptor fd(path_);
    // The kernel takes a multiple of 1x; 0 is the drive's fastest.
    const long speed = kilobytesPerSecond < 0 ? 0 : std::max(1L, std::lround(kilobytesPerSecond / kAudioKilobytesPerSpeed));
    return fd.get() >= 0 && ioctl(fd.get(), CDROM_SELECT_SPEED, speed) >= 0 ? BASS_OK : BASS_ERROR_NOTAVAIL;
  }

  // The drive holds no device open between calls; what was read of the disc stays.
  void release() override {}
  std::string readPath() const override { return path_; }
  int readDriver() const override { return DRIVER_LINUX; }
  bool isImage() const override { return false; }

private:
  int status() {
    FileDescriptor fd(path_);
    const int status = fd.get() >= 0 ? ioctl(fd.get(), CDROM_DRIVE_STATUS, CDSL_CURRENT) : CDS_NO_INFO;
    if (status != CDS_DISC_OK) {
      forgetDisc();
    }
    return status;
  }

  bool mediaChanged() {
    FileDescriptor fd(path_);
    return fd.get() >= 0 && ioctl(fd.get(), CDROM_MEDIA_CHANGED, CDSL_CURRENT) > 0;
  }

  // The kernel keeps the lock after the device is closed, until it is unlocked.
  int lockDoor(bool lock) {
    FileDescriptor fd(path_);
    if (fd.get() < 0 || ioctl(fd.get(), CDROM_LOCKDOOR, lock ? 1 : 0) < 0) {
      return BASS_ERROR_NOTAVAIL;
    }
    locked_ = lock;
    return BASS_OK;
  }

  std::shared_ptr<const Disc> cached() {
    std::lock_guard lock(mutex_);
    return disc_;
  }

  void forgetDisc() {
    std::lock_guard lock(mutex_);
    if (disc_) {
      disc_.reset();
      ++generation_;
    }
  }

  const DriveInfo info_;
  const std::string path_;
  std::atomic<bool> locked_{false};
  std::mutex readMutex_;  // held while the disc is read
  std::mutex mutex_;      // disc_ alone, never held for long
  std::shared_ptr<const Disc> disc_;
};

// --- images ---

// A folder of this process's own for the normalised sheets, removed at exit.
class PrivateFolder {
public:
  PrivateFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/tavelo-cd-XXXXXX";
    if (mkdtemp(pattern.data()) != nullptr) {
      root_ = pattern;
    }
  }
  ~PrivateFolder() {
    std::error_code ignored;
    if (!root_.empty()) {
      fs::remove_all(root_, ignored);
    }
  }
  // A new empty folder for one image, or an empty path.
  fs::path newFolder() {
    std::lock_guard lock(mutex_);
    if (root_.empty()) {
      return {};
    }
    const fs::path folder = root_ / std::to_string(next_++);
    std::error_code error;
    return fs::create_directory(folder, error) ? folder : fs::path();
  }

private:
  std::mutex mutex_;
  fs::path root_;
  unsigned next_ = 0;
};

PrivateFolder& privateFolder() {
  static PrivateFolder folder;
  return folder;
}

std::optional<std::string> readSheet(const fs::path& path) {
  std::error_code error;
  const std::uintmax_t size = fs::file_size(path, error);
  if (error || size == 0 || size > kMaxSheetBytes || !fs::is_regular_file(path, error)) {
    return std::nullopt;
  }
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  std::string sheet = text.str();
  if (!in || sheet.find('\0') != std::string::npos) {
    return std::nullopt;  // unreadable, or binary
  }
  return sheet;
}

bool isDataFile(const std::string& path) {
  std::error_code error;
  return fs::is_regular_file(path, error) && fs::file_size(path, error) > 0 && !error;
}

bool writeText(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  out.close();
  return static_cast<bool>(out);
}

struct PreparedImage {
  std::string openPath;
  int driver = DRIVER_UNKNOWN;
  std::string kind;  // "TOC", "BIN/CUE"
  std::vector<bool> bigEndian;
};

std::string lowerExtension(const fs::path& path) {
  std::string ext = path.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext;
}

std::optional<PreparedImage> prepareToc(const fs::path& path, const std::string& sheet) {
  const auto toc = normaliseToc(sheet, path.parent_path().string());
  if (!toc || !std::all_of(toc->dataFiles.begin(), toc->dataFiles.end(), isDataFile)) {
    return std::nullopt;
  }
  const fs::path folder = privateFolder().newFolder();
  const fs::path copy = folder / path.filename();
  if (folder.empty() || !writeText(copy, toc->text)) {
    return std::nullopt;
  }
  return PreparedImage{copy.string(), DRIVER_CDRDAO, "TOC", toc->bigEndian};
}

// libcdio reads <sheet name>.bin beside the sheet: a sheet naming another file is opened as a
// copy beside a link of that name.
std::optional<PreparedImage> prepareCue(const fs::path& path, const std::string& sheet) {
  const auto cue = parseCueImage(sheet, path.parent_path().string());
  if (!cue || !isDataFile(cue->dataFile)) {
    return std::nullopt;
  }
  PreparedImage prepared{path.string(), DRIVER_BINCUE, "BIN/CUE", {}};
  prepared.bigEndian.assign(99, cue->bigEndian);
  fs::path expected = path;
  expected.replace_extension(".bin");
  std::error_code error;
  if (fs::equivalent(expected, cue->dataFile, error)) {
    return prepared;
  }
  const fs::path folder = privateFolder().newFolder();
  const fs::path copy = folder / path.filename();
  fs::path link = copy;
  link.replace_extension(".bin");
  if (folder.empty() || !writeText(copy, sheet)) {
    return std::nullopt;
  }
  fs::create_symlink(cue->dataFile, link, error);
  if (error) {
    return std::nullopt;
  }
  prepared.openPath = copy.string();
  return prepared;
}

std::optional<PreparedImage> prepareImage(const fs::path& path) {
  const std::string ext = lowerExtension(path);
  if (ext != ".toc" && ext != ".cue") {
    return std::nullopt;
  }
  const std::optional<std::string> sheet = readSheet(path);
  if (!sheet) {
    return std::nullopt;
  }
  return ext == ".toc" ? prepareToc(path, *sheet) : prepareCue(path, *sheet);
}

class ImageDrive final : public Drive {
public:
  ImageDrive(const fs::path& path, PreparedImage prepared, std::shared_ptr<const Disc> disc)
      : prepared_(std::move(prepared)), disc_(std::move(disc)) {
    info_.name = path.filename().string();
    info_.vendor = "Image";
    info_.product = prepared_.kind;
  }

  const DriveInfo& info() const override { return info_; }
  bool isReady() override { return !open_.load(); }
  bool doorIsOpen() override { return open_.load(); }
  bool doorIsLocked() override { return locked_.load(); }
  std::shared_ptr<const Disc> disc() override { return open_.load() ? nullptr : disc_; }

  int door(std::uint32_t action) override {
    std::lock_guard lock(mutex_);
    switch (action) {
      case BASS_CD_DOOR_OPEN:
        if (locked_) {
          return BASS_ERROR_NOTAVAIL;
        }
        if (!open_) {
          open_ = true;
          ++generation_;  // the disc is out: its streams end
        }
        return BASS_OK;
      case BASS_CD_DOOR_CLOSE: open_ = false; return BASS_OK;
      case BASS_CD_DOOR_LOCK: locked_ = true; return BASS_OK;
      case BASS_CD_DOOR_UNLOCK: locked_ = false; return BASS_OK;
      default: return BASS_ERROR_ILLPARAM;
    }
  }

  int setSpeed(float) override { return BASS_OK; }
  void release() override {}
  std::string readPath() const override { return prepared_.openPath; }
  int readDriver() const override { return prepared_.driver; }
  bool isImage() const override { return true; }

private:
  DriveInfo info_;
  const PreparedImage prepared_;
  const std::shared_ptr<const Disc> disc_;
  std::mutex mutex_;  // door changes
  std::atomic<bool> open_{false};
  std::atomic<bool> locked_{false};
};

// --- the table ---

struct DriveTable {
  std::mutex mutex;
  bool listed = false;
  std::vector<std::shared_ptr<Drive>> drives;

  // Needs mutex held.
  void listKernelDrives() {
    if (listed) {
      return;
    }
    listed = true;
    for (const KernelDevice& device : listKernelDevices("/sys/class/block")) {
      if (drives.size() < kMaxDrives) {
        drives.push_back(makeKernelDrive(device));
      }
    }
  }
};

DriveTable& driveTable() {
  static DriveTable table;
  return table;
}

}  // namespace

std::vector<KernelDevice> listKernelDevices(const std::string& classBlock) {
  std::vector<std::pair<unsigned long, KernelDevice>> found;
  std::error_code error;
  for (fs::directory_iterator it(classBlock, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (name.size() < 3 || name.size() > 8 || name.compare(0, 2, "sr") != 0 ||
        !std::all_of(name.begin() + 2, name.end(), [](unsigned char c) { return std::isdigit(c); })) {
      continue;
    }
    KernelDevice device;
    device.name = name;
    device.info.name = name;
    device.info.vendor = firstLineOf(it->path() / "device" / "vendor");
    device.info.product = firstLineOf(it->path() / "device" / "model");
    device.info.rev = firstLineOf(it->path() / "device" / "rev");
    found.emplace_back(std::stoul(name.substr(2)), std::move(device));
  }
  std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<KernelDevice> devices;
  for (auto& entry : found) {
    devices.push_back(std::move(entry.second));
  }
  return devices;
}

std::unique_ptr<Drive> makeKernelDrive(const KernelDevice& device) { return std::make_unique<KernelDrive>(device); }

std::unique_ptr<Drive> openImageDrive(const std::string& path, int* error) {
  *error = BASS_ERROR_FILEOPEN;
  std::optional<PreparedImage> prepared = prepareImage(path);
  if (!prepared) {
    return nullptr;
  }
  quietLibcdio();
  CdIo_t* cdio = cdio_open(prepared->openPath.c_str(), static_cast<driver_id_t>(prepared->driver));
  if (cdio == nullptr) {
    return nullptr;
  }
  auto disc = std::make_shared<const Disc>(readDisc(cdio, prepared->bigEndian));
  cdio_destroy(cdio);
  if (disc->tracks.empty()) {
    return nullptr;
  }
  *error = BASS_OK;
  return std::make_unique<ImageDrive>(path, std::move(*prepared), std::move(disc));
}

std::shared_ptr<Drive> driveAt(std::uint32_t index) {
  DriveTable& table = driveTable();
  std::lock_guard lock(table.mutex);
  table.listKernelDrives();
  return index < table.drives.size() ? table.drives[index] : nullptr;
}

int addImageDrive(const std::string& path, int* error) {
  {
    DriveTable& table = driveTable();
    std::lock_guard lock(table.mutex);
    table.listKernelDrives();
    if (table.drives.size() >= kMaxDrives) {
      *error = BASS_ERROR_NOTAVAIL;
      return -1;
    }
  }
  std::shared_ptr<Drive> drive = openImageDrive(path, error);  // reads the image: no table lock meanwhile
  if (!drive) {
    return -1;
  }
  DriveTable& table = driveTable();
  std::lock_guard lock(table.mutex);
  if (table.drives.size() >= kMaxDrives) {
    *error = BASS_ERROR_NOTAVAIL;
    return -1;
  }
  table.drives.push_back(std::move(drive));
  return static_cast<int>(table.drives.size() - 1);
}

}  // namespace tavelo::engine::cd
