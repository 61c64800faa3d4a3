#pragma once

#include "framework/graphics/graphics.h"

namespace kestrelon {

// A graphics context with no window: it paints into its draw surface and
// every platform service answers as a closed window's does. Where the
// platform has no editor window of its own, the plug-in gets this context;
// the tests and benchmarks drive the editor through it.
class WindowlessGraphics : public IGraphics {
public:
    using IGraphics::IGraphics;

    // The draw surface is the result: nothing to copy.
    bool Present(const Rect&) override { return true; }
    void CancelTextEntry() override {}
    int ShowMessage(const char*, const char*, int) override { return 0; }
    PopupMenu* ShowPopupMenu(PopupMenu&, const Rect&) override { return nullptr; }
    void OpenTextEntry(IControl*, const TextStyle&, const Rect&, const char*, const IParameter*) override {}
    std::string HostDirectory() override { return std::string(); }
    std::string PluginDirectory() override { return std::string(); }
    std::string DesktopDirectory() override { return std::string(); }
    std::string DocumentsDirectory() override { return std::string(); }
    std::string AppDataDirectory(bool) override { return std::string(); }
    std::string UserAppDataDirectory() override { return std::string(); }
    void AskForFile(std::string& file, int, std::string&, const char*) override { file.clear(); }
    bool AskForColour(Colour&, const char*) override { return false; }
    bool LaunchUrl(const char*, const char*, const char*, const char*) override { return false; }
    bool HasWindow() const override { return false; }
    void* OpenEditorWindow(void*) override { return nullptr; }
    void CloseEditorWindow() override {}
    void* NativeWindow() const override { return nullptr; }
    bool ClipboardText(std::string& out) override
    {
        out.clear();
        return false;
    }
};

}  // namespace kestrelon
