// The host window on X11 (not yet: the Linux editor window is still to come).
#include <ctime>

#include "tools/vsthost/host_window.h"

namespace kestrelon {

namespace vsthost {

std::unique_ptr<HostWindow> HostWindow::Create(int, int, std::string& error)
{
    error = "this build of vsthost has no X11 host window";
    return nullptr;
}

const char* KeyNames()
{
    return "";
}

double ProcessCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

}  // namespace vsthost

}  // namespace kestrelon
