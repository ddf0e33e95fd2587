#include "platform/process_priority.h"

#include <sys/resource.h>

namespace tavelo {

bool setProcessPriority(bool high) {
  constexpr int highNice = -10;
  constexpr int aboveNormalNice = -5;
  return setpriority(PRIO_PROCESS, 0, high ? highNice : aboveNormalNice) == 0;
}

}  // namespace tavelo
