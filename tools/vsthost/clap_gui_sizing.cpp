// The sizes a CLAP editor is told and asks for beyond its first: the scale
// the host gives it, the host's own resizes of it (the user dragging the
// host window's frame), and its requests made off the main thread.
#include <cstdio>

#include "tools/vsthost/clap_instance.h"

namespace kestrelon {

namespace vsthost {

void ClapInstance::ScaleGui()
{
    const bool accepted = gui->set_scale && gui->set_scale(plugin, guiScale);
    char line[80];
    std::snprintf(line, sizeof line, "gui.set_scale %g %s", guiScale, accepted ? "accepted" : "refused");
    Report(line);
}

ClapInstance::GuiResize ClapInstance::ResizeGui(std::uint32_t width, std::uint32_t height)
{
    GuiResize answer;
    answer.width = width;
    answer.height = height;
    if (!guiCreated || !gui->can_resize || !gui->adjust_size || !gui->set_size || !gui->can_resize(plugin))
        return answer;
    answer.resizable = true;
    answer.adjusted = gui->adjust_size(plugin, &answer.width, &answer.height);
    // A size no window can have is not passed on: the editor keeps its own.
    answer.setCalled =
        answer.adjusted && answer.width > 0 && answer.height > 0 && answer.width <= 16384 && answer.height <= 16384;
    if (answer.setCalled)
        answer.set = gui->set_size(plugin, answer.width, answer.height);
    return answer;
}

ClapInstance::GuiHints ClapInstance::ResizeHints()
{
    GuiHints answer;
    if (!guiCreated || !gui->can_resize)
        return answer;
    answer.canResize = gui->can_resize(plugin);
    answer.hinted = answer.canResize && gui->get_resize_hints && gui->get_resize_hints(plugin, &answer.hints);
    return answer;
}

void ClapInstance::ResizeAsRequested()
{
    const std::uint64_t size = requestedSize.exchange(0);
    EditorHostEvents* events = editorHost.load();
    if (size != 0 && events)
        events->SizeWindow(static_cast<int>(size >> 32), static_cast<int>(size & 0xFFFFFFFFu));
}

}  // namespace vsthost

}  // namespace kestrelon
