// The editor under torture: opened and closed on the host's interface thread
// while the effect goes through its lifecycles and while other threads
// process and automate it.
#include "tools/vsthost/editor_session.h"
#include "tools/vsthost/platform.h"
#include "tools/vsthost/torture_subject.h"

namespace kestrelon {

namespace vsthost::torture {

bool Subject::CanOpenEditor() const
{
    return (instance->Record().flags & vst2::effFlagsHasEditor) != 0 && HasDisplay();
}

void Subject::EditorRound(int milliseconds, const std::string& context)
{
    if (!CanOpenEditor())
        return;
    EditorHost host(*instance);
    std::string error;
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
    HostWindow* window = host.ExistingWindow();
    if (window && window->HasEditor())
        tally.Fault("the editor leaves its window behind",
                    context + ": a window is still inside the host's after effEditClose");
}

}  // namespace vsthost::torture

}  // namespace kestrelon
