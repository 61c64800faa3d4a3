// Counts heap allocations while counting is on: every form of operator new
// and, where the C library lets a program replace them (glibc without a
// sanitizer), malloc, calloc, realloc and the aligned allocators too.
#pragma once

namespace kestrelon {

namespace allocation_counter {

void Start();
// Allocations since Start, of any thread.
long long Stop();
// Whether C allocations are counted as well as operator new.
bool CountsMalloc();

}  // namespace allocation_counter

}  // namespace kestrelon
