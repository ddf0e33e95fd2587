// What a radio stream tells the listener, as texts for the radio panel: the server's header
// lines, the stream's type once buffered, and the current title from ICY metadata or Vorbis
// comments. Plain bytes in, texts out; nothing here reads the engine.
#pragma once

#include "radio/title_encoding.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QList>
#include <QString>
#include <optional>

namespace tavelo {

// The engine's tag lists: zero-terminated lines ending with an empty one. Null gives none.
QByteArrayList tagLines(const char* tags);

// One report of the server's headers: the station's name for the status line, or a bitrate text.
struct HeaderReport {
  enum class Target { StationName, Bitrate };
  Target target;
  QString text;
  bool operator==(const HeaderReport&) const = default;
};

// "icy-name:" gives the name, "icy-br:" gives "bitrate: V kbps" and, when V holds anything but
// blanks and digits, "bitrate: V" after it. Values are trimmed (a proxy may add a blank).
QList<HeaderReport> headerReports(const QByteArrayList& headerLines);

// The status line once buffering is over: the stream's type by its engine type code.
QString bufferedText(quint32 channelType);

// The title of an ICY metadata block: StreamTitle='…'; the title ends at the first "';" after
// its opening quote (a title may hold "'" and ";"), or at the block's end without one.
// Nothing when the block has no StreamTitle.
std::optional<QByteArray> streamTitle(const QByteArray& metadata);

// The title of Vorbis comments: "artist - title", or the one there is. Names in any case;
// a field counts only by its whole name ("albumartist" is not "artist").
std::optional<QByteArray> oggTitle(const QByteArrayList& comments);

// A title's bytes as text: Auto is UTF-8 when the bytes are valid UTF-8, else Windows-1252.
QString decodeTitle(const QByteArray& bytes, TitleEncoding encoding);

}  // namespace tavelo
