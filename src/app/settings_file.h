// "Settings.ini": the positional settings file, read at start-up and written at closing.
// Pure data and text; the form copies these values into and out of its controls.
#pragma once

#include "util/atomic_file.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <optional>

namespace tavelo {

struct SettingsData {
  QString recordRoot;                   // line 1
  std::optional<int> volumeBar;         // line 2; nullopt = take the mixer's master volume
  QString radioListPath;                // line 3
  QString cdDriveText = " ";            // line 4
  bool fullDir = true;                  // line 5
  bool repeat = false;                  // line 6
  int radioFormat = 0;                  // line 7 field 1
  int radioBitrate = 4;                 // line 7 field 2
  QString soundFonts;                   // line 8, caret-terminated paths
  int mixerId = 0;                      // line 9
  std::array<int, 3> modeOrder{0, 1, 2};  // line 10 digits: CBfirst, CBsecond, CBthird
  int modeOrderCode = 12;               // line 10 as a number
  bool enableEq = false;                // line 11 flags in file order
  bool sampleFloat = false;
  bool highPriority = false;
  bool alwaysOnTop = false;
  bool minToTray = false;
  std::optional<std::array<int, 7>> eqBars;  // line 12; nullopt = bars stay as designed
  QString ripRoot;                      // line 13
  int ripFormat = 0;
  int ripBitrate = 4;
  QString proxyHost, proxyPort, proxyUser, proxyPassword;  // line 14
  bool useCddb = false;
  int cddbServer = 0;
  QString cddbEmail;                    // line 14 field 7: the CDDB hello's address; older files lack it
  bool useIr = false;                   // line 15
  QString irPort;
  QString powerState;

  bool operator==(const SettingsData&) const = default;
};

// Defaults when there is no file; programDir ends with '/'.
SettingsData defaultSettings(const QString& programDir);

// Reads the file's text; damaged or missing lines take their defaults, never throws.
SettingsData parseSettings(const QByteArray& text, const QString& programDir);

// The 21 lines as closing writes them, CR LF line ends, UTF-8. A line break inside a value becomes
// a space and a caret inside a value of a caret-separated line (13 to 15) an "_", so no value
// can shift the lines or fields after it.
// An unset volume is written as an empty line (read back as unset), unset bars as 15 each.
QByteArray formatSettings(const SettingsData& settings);

// programDir + "Settings.ini" parsed, or the defaults when it is missing or unreadable.
SettingsData loadSettingsFile(const QString& programDir);

// Replaces programDir + "Settings.ini" atomically; on failure the old file stays.
FileWriteResult saveSettingsFile(const QString& programDir, const SettingsData& settings);

}  // namespace tavelo
