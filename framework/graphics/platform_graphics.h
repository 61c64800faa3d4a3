#pragma once

#include <memory>

#include "framework/graphics/graphics.h"

namespace kestrelon {

// The graphics context with this platform's editor window, for the plug-in
// built from module (its instance handle, for the window class and the image
// resources): the Windows window on Windows, a windowless context where the
// platform has no editor window of ours.
std::unique_ptr<IGraphics> MakePlatformGraphics(IEditorDelegate* plugin, void* module, int width, int height);

}  // namespace kestrelon
