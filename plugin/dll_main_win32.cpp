#include <windows.h>

#include "framework/module_instance.h"

// Loader thread, loader lock held: store the handle and do nothing else, on
// every call and for every reason.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD /*reason*/, LPVOID /*reserved*/)
{
    kestrelon::SetModuleInstance(instance);
    return TRUE;
}
