#pragma once

#include <mutex>

namespace kestrelon {

// The plug-in's lock. Recursive because the effect's handlers run inside
// dispatcher calls that already hold it. std::recursive_mutex maps onto
// pthreads on Linux and onto winpthreads in the mingw-w64 posix build.
using RecursiveMutex = std::recursive_mutex;
using MutexLock = std::lock_guard<RecursiveMutex>;

}  // namespace kestrelon
