#include "framework/module_instance.h"

#include <atomic>

namespace kestrelon {

namespace {
// Written by the loader thread, read by whichever thread creates an effect.
std::atomic<void*> moduleInstance{nullptr};
}  // namespace

void SetModuleInstance(void* handle)
{
    moduleInstance.store(handle, std::memory_order_release);
}

void* ModuleInstance()
{
    return moduleInstance.load(std::memory_order_acquire);
}

}  // namespace kestrelon
