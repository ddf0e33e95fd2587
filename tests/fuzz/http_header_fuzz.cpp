// The HTTP answer's header: any bytes, fed in two pieces split where the first byte says, end
// the header, ask for more or are refused, and never keep more than the header's bounds.
#include "net/http_message.h"

#include <cstdlib>

using namespace tavelo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const QByteArray bytes(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
  const qsizetype split = qsizetype(data[0]) * bytes.size() / 256;
  THttpHeaderParser parser;
  THttpHeaderParser::TProgress progress = parser.Feed(bytes.left(split));
  if (progress == THttpHeaderParser::TProgress::NeedMore) progress = parser.Feed(bytes.mid(split));
  if (parser.HeaderLines().size() > THttpHeaderParser::MaxHeaderLines) std::abort();
  if (progress == THttpHeaderParser::TProgress::Complete) parser.TakeBodyStart();
  return 0;
}
