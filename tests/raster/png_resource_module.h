#pragma once

namespace kestrelon {

// The module whose PNG resources the resource tests read, supplied per platform: the test
// program itself on Windows, a registered tag elsewhere.

void* ResourceTestModule();
// A module that holds none of those resources.
void* OtherTestModule();

}  // namespace kestrelon
