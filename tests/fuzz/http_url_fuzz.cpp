// URLs and Location headers: any text splits, resolves and plans a request or is refused; a
// planned request names a host and a port.
#include "net/http_message.h"
#include "net/http_url.h"

#include <cstdlib>

using namespace tavelo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
  const qsizetype newline = text.indexOf(QLatin1Char('\n'));
  const QString url = newline < 0 ? text : text.left(newline);
  const QString location = newline < 0 ? QString() : text.mid(newline + 1);
  const THttpUrl split = SplitUrl(url);
  LookupName(split.Host);
  PortNumber(split.Port, 80);
  for (const THttpUrl& target : {split, ResolveLocation(split, location)}) {
    for (const QString& proxy : {QString(), QStringLiteral("proxy.example")}) {
      const std::optional<THttpTarget> planned = PlanRequest(target, proxy, QStringLiteral("8080"));
      if (!planned) continue;
      if (planned->ConnectHost.isEmpty() || planned->ConnectPort == 0) std::abort();
      BuildGetRequest(*planned, {QStringLiteral("*/*"), QStringLiteral("agent"), true, QStringLiteral("u"),
                                 QStringLiteral("p")});
    }
  }
  return 0;
}
