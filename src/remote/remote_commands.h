// "IRRCcomm.ini": 60 learned remote commands, each a code line and a repeat flag line ("1" or "0").
// Commands 0..29 drive the player, 30..59 the other media player.
#pragma once

#include "util/atomic_file.h"

#include <QString>
#include <QStringList>

namespace tavelo {

inline constexpr int kRemoteCommandCount = 60;
inline constexpr int kRemoteCommandLines = 2 * kRemoteCommandCount;  // 120

// 60 pairs of an empty code line and "0".
QStringList defaultRemoteCommands();

// Exactly 120 lines: missing lines take the defaults, lines past 120 are dropped.
QStringList normaliseRemoteCommands(QStringList lines);

// programDir + "IRRCcomm.ini" normalised, or the defaults when it is missing or unreadable.
QStringList loadRemoteCommands(const QString& programDir);

// Replaces programDir + "IRRCcomm.ini" atomically (CR LF line ends); on failure the old file stays.
FileWriteResult saveRemoteCommands(const QString& programDir, const QStringList& lines);

}  // namespace tavelo
