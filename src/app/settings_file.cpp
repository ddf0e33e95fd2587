#include "app/settings_file.h"

#include "util/fields.h"
#include "app/mode_order.h"
#include "util/text_codec.h"

#include <QFile>
#include <QStringList>
#include <limits>

namespace tavelo {

namespace {

constexpr int kFormatCount = 7;      // MP3 .. WAVE
constexpr int kBitrateCount = 7;     // 64 .. 320 kbps
constexpr int kDefaultBitrate = 4;   // 192 kbps
constexpr int kMaxVolumeBar = 60;
constexpr int kMaxEqBar = 30;
constexpr int kDesignedEqBar = 15;
constexpr int kEqBarsMinLineLength = 13;  // shorter lines leave the bars as designed
constexpr int kWrittenLineCount = 21;
const QLatin1Char kCaret('^');

// The file's lines by 1-based number; a missing line is nothing, so damaged files keep defaults.
class SettingsLines {
 public:
  explicit SettingsLines(const QByteArray& text) : lines_(splitLines(decodeExternalText(text))) {}
  std::optional<QString> line(int number) const {
    if (number < 1 || number > lines_.size()) return std::nullopt;
    return lines_.at(number - 1);
  }
  QString text(int number) const { return line(number).value_or(QString()); }
  QString field(int number, int index) const { return GetField(text(number), index, 1, kCaret); }

 private:
  QStringList lines_;
};

std::optional<int> strictInt(const QString& text) {
  bool ok = false;
  const int value = text.toInt(&ok);
  return ok ? std::optional<int>(value) : std::nullopt;
}

// A number within [low, high], else the fallback.
int intInRange(const QString& text, int low, int high, int fallback) {
  const std::optional<int> value = strictInt(text);
  return value && *value >= low && *value <= high ? *value : fallback;
}

std::optional<int> volumeFromLine(const QString& line) {
  const std::optional<int> value = strictInt(line);
  if (value && *value >= 0 && *value <= kMaxVolumeBar) return value;
  return std::nullopt;
}

std::optional<std::array<int, 7>> eqBarsFromLine(const QString& line) {
  if (line.size() < kEqBarsMinLineLength) return std::nullopt;
  std::array<int, 7> bars{};
  for (int band = 0; band < 7; ++band) {
    const std::optional<int> value = strictInt(GetField(line, band + 1, 1, kCaret));
    if (!value || *value < 0 || *value > kMaxEqBar) return std::nullopt;
    bars[band] = *value;
  }
  return bars;
}

// A check box that is on unless its line is exactly "0"; a missing or empty line keeps the default.
bool onUnlessZero(const std::optional<QString>& line, bool fallback) {
  return line && !line->isEmpty() ? *line != QLatin1String("0") : fallback;
}

bool isOn(const QString& field) { return field == QLatin1String("1"); }

QString flag(bool on) { return on ? QStringLiteral("1") : QStringLiteral("0"); }

// Nothing escapes a caret inside a field, so one there would shift every later field of the line:
// it is written as "_" instead.
QString caretFields(QStringList fields) {
  for (QString& field : fields) field.replace(kCaret, QLatin1Char('_'));
  return fields.join(kCaret) + kCaret;
}

void readRecordSettings(const SettingsLines& file, SettingsData& s) {
  s.recordRoot = file.text(1).isEmpty() ? s.recordRoot : file.text(1);
  s.radioFormat = intInRange(file.field(7, 1), 0, kFormatCount - 1, 0);
  s.radioBitrate = intInRange(file.field(7, 2), 0, kBitrateCount - 1, kDefaultBitrate);
  const QString ripRoot = file.field(13, 1);
  s.ripRoot = ripRoot.isEmpty() ? s.recordRoot : ripRoot;
  s.ripFormat = intInRange(file.field(13, 2), 0, kFormatCount - 1, 0);
  s.ripBitrate = intInRange(file.field(13, 3), 0, kBitrateCount - 1, kDefaultBitrate);
}

void readPanelSettings(const SettingsLines& file, SettingsData& s) {
  s.mixerId = intInRange(file.text(9), 0, std::numeric_limits<int>::max(), 0);
  if (const std::optional<ModeOrder> order = parseModeOrderLine(file.text(10))) {
    s.modeOrder = *order;
    s.modeOrderCode = modeOrderCode(*order);
  }
  s.enableEq = isOn(file.field(11, 1));
  s.sampleFloat = isOn(file.field(11, 2));
  s.highPriority = isOn(file.field(11, 3));
  s.alwaysOnTop = isOn(file.field(11, 4));
  s.minToTray = isOn(file.field(11, 5));
  s.eqBars = eqBarsFromLine(file.text(12));
}

void readNetworkAndRemoteSettings(const SettingsLines& file, SettingsData& s) {
  s.proxyHost = file.field(14, 1);
  s.proxyPort = file.field(14, 2);
  s.proxyUser = file.field(14, 3);
  s.proxyPassword = file.field(14, 4);
  s.useCddb = isOn(file.field(14, 5));
  s.cddbServer = intInRange(file.field(14, 6), 0, std::numeric_limits<int>::max(), 0);
  s.cddbEmail = file.field(14, 7);
  s.useIr = isOn(file.field(15, 1));
  s.irPort = file.field(15, 2);
  s.powerState = file.field(15, 3);
}

QString settingsPath(const QString& programDir) { return programDir + QStringLiteral("Settings.ini"); }

}  // namespace

SettingsData defaultSettings(const QString& programDir) {
  SettingsData s;
  s.recordRoot = programDir + QStringLiteral("Record");
  s.ripRoot = s.recordRoot;
  s.radioListPath = programDir + QStringLiteral("RLists/Tavelo.rls");
  return s;
}

SettingsData parseSettings(const QByteArray& text, const QString& programDir) {
  const SettingsLines file(text);
  SettingsData s = defaultSettings(programDir);
  readRecordSettings(file, s);
  s.volumeBar = volumeFromLine(file.text(2));
  if (!file.text(3).isEmpty()) s.radioListPath = file.text(3);
  s.cdDriveText = file.line(4).value_or(s.cdDriveText);
  s.fullDir = onUnlessZero(file.line(5), s.fullDir);
  s.repeat = onUnlessZero(file.line(6), s.repeat);
  s.soundFonts = file.text(8);
  readPanelSettings(file, s);
  readNetworkAndRemoteSettings(file, s);
  return s;
}

QByteArray formatSettings(const SettingsData& s) {
  QStringList eqBars;
  for (int band = 0; band < 7; ++band)
    eqBars << QString::number(s.eqBars ? (*s.eqBars)[band] : kDesignedEqBar);
  QStringList lines{
      s.recordRoot,
      s.volumeBar ? QString::number(*s.volumeBar) : QString(),
      s.radioListPath,
      s.cdDriveText,
      flag(s.fullDir),
      flag(s.repeat),
      caretFields({QString::number(s.radioFormat), QString::number(s.radioBitrate)}),
      s.soundFonts,
      QString::number(s.mixerId),
      formatModeOrderCode(s.modeOrderCode),
      caretFields({flag(s.enableEq), flag(s.sampleFloat), flag(s.highPriority), flag(s.alwaysOnTop),
                   flag(s.minToTray)}),
      caretFields(eqBars),
      caretFields({s.ripRoot, QString::number(s.ripFormat), QString::number(s.ripBitrate)}),
      caretFields({s.proxyHost, s.proxyPort, s.proxyUser, s.proxyPassword, flag(s.useCddb),
                   QString::number(s.cddbServer), s.cddbEmail}),
      caretFields({flag(s.useIr), s.irPort, s.powerState}),
  };
  while (lines.size() < kWrittenLineCount) lines << QStringLiteral("0");
  return joinLinesCrLf(lines);
}

SettingsData loadSettingsFile(const QString& programDir) {
  QFile file(settingsPath(programDir));
  if (!file.open(QIODevice::ReadOnly)) return defaultSettings(programDir);
  return parseSettings(file.readAll(), programDir);
}

FileWriteResult saveSettingsFile(const QString& programDir, const SettingsData& settings) {
  return writeFileAtomically(settingsPath(programDir), formatSettings(settings));
}

}  // namespace tavelo
