#include <windows.h>

#include "framework/module_instance.h"

// Loader thread, loader lock held: the editor's window class and images need
// the module's handle, and nothing else may happen here.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD, LPVOID)
{
    kestrelon::SetModuleInstance(instance);
    return TRUE;
}
