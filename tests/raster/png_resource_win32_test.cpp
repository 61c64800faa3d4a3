#include "tests/raster/png_resource_module.h"

#include <windows.h>

namespace kestrelon {

// The PNG resources are linked into the test program from png_resource_test.rc.
void* ResourceTestModule()
{
    return GetModuleHandleA(nullptr);
}

// A system DLL with no resources of type "PNG".
void* OtherTestModule()
{
    return GetModuleHandleA("kernel32.dll");
}

}  // namespace kestrelon
