// Process scheduling priority: "high" or "above normal" in desktop terms.
#pragma once

namespace tavelo {

// Returns false when the system refuses (an ordinary user may not raise priority).
bool setProcessPriority(bool high);

}  // namespace tavelo
