// Engine threads carry names of their own, so that tools listing a player's threads tell them apart.
#pragma once

#include <pthread.h>

namespace tavelo::engine {

// At most 15 characters.
inline void nameThisThread(const char* name) { pthread_setname_np(pthread_self(), name); }

}  // namespace tavelo::engine
