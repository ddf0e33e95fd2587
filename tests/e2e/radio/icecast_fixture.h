// A real icecast2 server on 127.0.0.1 with a live source on each mount (icecast_fixture.py),
// for the tests of the engine's net streams and of the radio window. Plain POSIX, no Qt.
#pragma once

#include <functional>
#include <string>
#include <sys/types.h>

namespace tavelo::test {

enum class Mount {
  Mp3,     // MP3 at 128 kb/s by ezstream, named kMp3StationName, title set by setTitle()
  Ogg,     // Ogg Vorbis by ices2: two 5 s songs, kOggSongs, their first comment "encoder=..."
  Aac,     // AAC (ADTS) by ffmpeg
  Tone,    // a 1 kHz tone at half scale, MP3 at 128 kb/s
  Silent,  // digital silence, MP3 at 128 kb/s: connected, never heard
};

inline constexpr const char* kMp3StationName = "Tavelo Test Radio";
inline constexpr const char* kMp3FirstTitle = "Test Artist - First Song";  // until setTitle()
inline constexpr const char* kAdminUser = "admin";
inline constexpr const char* kAdminPassword = "tavelo-admin";
struct OggSong {
  const char* artist;
  const char* title;
};
inline constexpr OggSong kOggSongs[] = {{"Band 1", "Song 1"}, {"Band 2", "Song 2"}};

// The head of an HTTP reply and the first bytes of its body.
struct HttpReply {
  std::string statusLine;  // "HTTP/1.0 200 OK", empty when nothing came
  std::string headers;     // the header lines, each ending in "\r\n"
  std::string body;
  // The value of a header (name in any case), trimmed; empty when absent.
  std::string header(const std::string& name) const;
};

// GET on 127.0.0.1:port with the extra header lines given (each ending in "\r\n"); reads the
// reply's head and up to bodyBytes of its body, giving up after timeoutMs in all.
HttpReply httpGet(int port, const std::string& target, const std::string& extraHeaders = {},
                  std::size_t bodyBytes = 0, int timeoutMs = 5000);
// The same, reading the body until `enough` says so (or the time-out).
HttpReply httpGetUntil(int port, const std::string& target, const std::string& extraHeaders,
                       const std::function<bool(const std::string& body)>& enough, int timeoutMs);

class IcecastFixture {
public:
  // Starts the server and its sources and returns once every mount is live (a few seconds);
  // throws std::runtime_error when that fails (the fixture's reasons are on standard error).
  IcecastFixture();
  ~IcecastFixture();
  IcecastFixture(const IcecastFixture&) = delete;
  IcecastFixture& operator=(const IcecastFixture&) = delete;

  int port() const { return port_; }
  const std::string& path(Mount mount) const { return paths_[static_cast<int>(mount)]; }
  // "http://127.0.0.1:<port>/radio.mp3" and so on
  std::string url(Mount mount) const;
  // Sets the MP3 mount's title through the admin interface; true when icecast took it.
  bool setTitle(const std::string& title) const;

private:
  void stop();

  pid_t pid_ = -1;
  int toFixture_ = -1;  // closing it stops the fixture
  int port_ = 0;
  std::string paths_[5];
};

}  // namespace tavelo::test
