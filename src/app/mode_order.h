// The user's order of the three playback modes (Audio Files 0, Audio CD 1, Net Radio 2).
#pragma once

#include <QString>
#include <array>
#include <optional>

namespace tavelo {

using ModeOrder = std::array<int, 3>;  // selections of CBfirst, CBsecond, CBthird

inline constexpr ModeOrder kDefaultModeOrder{0, 1, 2};

// Each mode exactly once.
bool isValidModeOrder(const ModeOrder& order);

// first * 100 + second * 10 + third: 12 for the default order, 120 for CD, Radio, Files.
int modeOrderCode(const ModeOrder& order);

// The order a code stands for (the digits of the code, hundreds first).
ModeOrder modeOrderFromCode(int code);

// A settings line of exactly three digits naming each mode once, else nothing.
std::optional<ModeOrder> parseModeOrderLine(const QString& line);

// The line as written: the code with at least three digits ("012").
QString formatModeOrderCode(int code);

// The position (0..2) of the last box that selects mode; 0 when none does.
int modeStepOf(const ModeOrder& order, int mode);

}  // namespace tavelo
