// A CDDB lookup's round trip on loopback: the player's lookup (query, then the read of its
// match, each over a new HTTP/1.0 connection, on an event loop) beside curl fetching the same
// two URLs, one process each. Prints the median and the spread of each.
// Usage: cd_lookup_bench [runs]   (needs python3 and curl)
#include "cd/cddb_lookup.h"
#include "cddb_fixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace tavelo;

namespace {

const QString kDisc = QStringLiteral("11000903 3 150 450 675 11");

struct Figures {
  double median, low, high;
};

Figures figuresOf(std::vector<double> ms) {
  std::sort(ms.begin(), ms.end());
  return {ms[ms.size() / 2], ms.front(), ms.back()};
}

double lookupMs(CddbLookup& lookup, const QString& host) {
  QEventLoop loop;
  bool entry = false;
  lookup.OnDone = [&](const CddbOutcome& outcome) {
    entry = outcome.kind == CddbOutcome::Entry;
    loop.quit();
  };
  QElapsedTimer timer;
  timer.start();
  lookup.start(host, kDisc, {}, true);
  loop.exec();
  const double ms = double(timer.nsecsElapsed()) / 1e6;
  if (!entry) std::fprintf(stderr, "lookup failed\n");
  return ms;
}

double curlMs(const QString& host) {
  const QString base = QStringLiteral("http://") + host + QStringLiteral("/~cddb/cddb.cgi?cmd=cddb+");
  const QString hello = QStringLiteral("&hello=anonymous+localhost+Tavelo+1.0.14&proto=6");
  QElapsedTimer timer;
  timer.start();
  for (const QString& command : {QStringLiteral("query+11000903+3+150+450+675+11"), QStringLiteral("read+rock+11000903")}) {
    QProcess curl;
    curl.start(QStringLiteral("curl"), {QStringLiteral("-s"), QStringLiteral("-0"), QStringLiteral("-o"),
                                        QStringLiteral("/dev/null"), base + command + hello});
    curl.waitForFinished();
  }
  return double(timer.nsecsElapsed()) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int runs = argc > 1 ? std::max(3, std::atoi(argv[1])) : 30;
  CddbFixture fixture;
  CddbLookup lookup;
  std::vector<double> player, curl;
  lookupMs(lookup, fixture.host());  // warm-up: the fixture's first thread, the loader
  curlMs(fixture.host());
  for (int run = 0; run < runs; ++run) {
    player.push_back(lookupMs(lookup, fixture.host()));
    curl.push_back(curlMs(fixture.host()));
  }
  const Figures p = figuresOf(player), c = figuresOf(curl);
  std::printf("CDDB lookup round trip on loopback, %d runs (median, min..max ms)\n", runs);
  std::printf("  player (query + read)   %7.2f  %7.2f..%7.2f\n", p.median, p.low, p.high);
  std::printf("  curl, two GETs          %7.2f  %7.2f..%7.2f\n", c.median, c.low, c.high);
  std::printf("  target: curl + 10 ms -> %s\n", p.median <= c.median + 10 ? "met" : "missed");
  return 0;
}
