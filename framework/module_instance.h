#pragma once

namespace kestrelon {

// The library's own module handle (an HINSTANCE on Windows), stored by the
// library's entry procedure when it is loaded. The editor window needs it for
// its resources and window class. Null where the platform has no such handle.
void SetModuleInstance(void* handle);
void* ModuleInstance();

}  // namespace kestrelon
