// One CDDB lookup at a time over the HTTP client: the query, then the read of its match. Runs
// on the owning thread's events and never blocks; the end of each lookup is reported once.
#pragma once

#include "cd/cddb.h"
#include "net/http_cli.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

namespace tavelo {

// The CDDB page of the settings.
struct CddbSettings {
  bool use = false;
  int server = 0;  // item of cb_CDDBserver
  QString proxyHost, proxyPort, proxyUser, proxyPassword;
  QString email;   // the user's address for the hello; empty = anonymous
};

struct CddbOutcome {
  enum Kind { Entry, NotAnswered, SocketError } kind = NotAnswered;
  QString disc;          // the id text the lookup was for
  CddbEntry entry;       // Entry: the titles read
  std::uint16_t error = 0;  // SocketError: the client's error number
};

class CddbLookup {
 public:
  CddbLookup();
  CddbLookup(const CddbLookup&) = delete;
  CddbLookup& operator=(const CddbLookup&) = delete;

  std::function<void(const CddbOutcome&)> OnDone;

  // Asks host (the server item's, or "host:port") for the disc of discIdText (the engine's "id
  // count offsets seconds"); false while a lookup runs. Later requests of a disc carry the later
  // hello.
  bool start(const QString& host, const QString& discIdText, const CddbSettings& settings, bool firstQueryOfDisc);
  bool idle() const { return http_.RequestState() == httpReady; }
  THttpCli& client() { return http_; }

 private:
  enum Step { Query = 1, Read = 2 };
  void get(const QString& url, Step step);
  void requestDone(std::uint16_t error);
  bool readMatch(const QStringList& lines);

  std::unique_ptr<CddbAnswerBuffer> answer_;  // goes after the client that writes into it
  THttpCli http_;
  QString host_;
  CddbSettings settings_;
  QString disc_;
};

}  // namespace tavelo
