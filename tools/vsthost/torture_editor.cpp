// The editor under torture: opened and closed on the host's interface thread
// while the effect goes through its lifecycles and while other threads
// process and automate it.
#include "tools/vsthost/editor_session.h"
#include "tools/vsthost/platform.h"
#include "tools/vsthost/torture_subject.h"

namespace kestrelon {

namespace vsthost::torture {
namespace {

// Each host thread keeps its window from round to round and destroys it as
// the thread ends, on that thread, as window systems want.
HostWindow* ThisThreadsWindow(std::string& error)
{
    thread_local std::unique_ptr<HostWindow> window;
    if (!window || !window->Alive())
        window = HostWindow::Create(64, 64, error);
    return window.get();
}

}  // namespace

bool Subject::CanOpenEditor() const
{
    return (instance->Record().flags & vst2::effFlagsHasEditor) != 0 && HasDisplay();
}

void Subject::EditorRound(int milliseconds, const std::string& context)
{
    if (!CanOpenEditor())
        return;
    std::string error;
    HostWindow* window = ThisThreadsWindow(error);
    if (!window) {
        tally.Note("no host window for the editor", context + ": " + error);
        return;
    }
    EditorHost host(*instance, *window);
    bool opened = false;
    {
        const CallInProgress call(tally, "effEditOpen");
        opened = host.Open(error);
    }
    if (!opened)
        tally.Fault("the editor does not open", context + ": " + error);
    {
        // The window's messages reach the editor's window procedure here.
        const CallInProgress call(tally, "effEditIdle and the editor's window messages");
        host.Wait(milliseconds);
    }
    {
        const CallInProgress call(tally, "effEditClose");
        host.Close();
    }
    if (window->HasEditor())
        tally.Fault("the editor leaves its window behind",
                    context + ": a window is still inside the host's after effEditClose");
}

}  // namespace vsthost::torture

}  // namespace kestrelon
