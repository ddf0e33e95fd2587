#include "cd/cddb_lookup.h"

namespace tavelo {

namespace {

constexpr int kHttpOk = 200;

}  // namespace

CddbLookup::CddbLookup() {
  http_.OnRequestDone = [this](THttpCli*, THttpRequest, std::uint16_t error) { requestDone(error); };
}

bool CddbLookup::start(const QString& host, const QString& discIdText, const CddbSettings& settings,
                       bool firstQueryOfDisc) {
  if (!idle()) return false;
  host_ = host;
  settings_ = settings;
  disc_ = discIdText;
  http_.Proxy = settings.proxyHost;
  http_.ProxyPort = settings.proxyPort.isEmpty() ? QStringLiteral("80") : settings.proxyPort;
  http_.ProxyUsername = settings.proxyUser;
  http_.ProxyPassword = settings.proxyPassword;
  const QString hello = cddbHelloArguments(settings.email, firstQueryOfDisc);
  get(cddbQueryUrl(host, discIdText, hello), Query);
  return true;
}

void CddbLookup::get(const QString& url, Step step) {
  answer_ = std::make_unique<CddbAnswerBuffer>();
  http_.ReceiveStream = answer_.get();
  http_.RequestUrl = url;
  http_.Tag = step;
  http_.StartGet();
}

void CddbLookup::requestDone(std::uint16_t error) {
  // An HTTP error page, or an answer cut short by us or by the server, is no answer, whatever
  // its lines say: a cut query answer could name another disc.
  const bool whole = answer_ && !answer_->tooLong() && http_.StatusCode() == kHttpOk &&
                     answer_->body().size() >= http_.ContentLength();
  const QStringList lines = whole ? cddbAnswerLines(answer_->body()) : QStringList();
  http_.ReceiveStream = nullptr;
  answer_.reset();
  CddbOutcome outcome;
  outcome.disc = disc_;
  if (error != 0) {
    outcome.kind = CddbOutcome::SocketError;
    outcome.error = error;
  } else if (http_.Tag == Query) {
    if (readMatch(lines)) return;
  } else {
    outcome.entry = parseCddbReadAnswer(lines);
    if (!outcome.entry.tracks.isEmpty()) outcome.kind = CddbOutcome::Entry;
  }
  if (OnDone) OnDone(outcome);
}

// A query answer with a match asks for its entry.
bool CddbLookup::readMatch(const QStringList& lines) {
  const std::optional<CddbMatch> match = parseCddbQueryAnswer(lines);
  if (!match) return false;
  const QString hello = cddbHelloArguments(settings_.email, false);
  const std::optional<QString> url = cddbReadUrl(host_, match->category, match->discId, hello);
  if (!url) return false;
  get(*url, Read);
  return true;
}

}  // namespace tavelo
