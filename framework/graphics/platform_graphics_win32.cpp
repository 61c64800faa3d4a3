#include "framework/graphics/graphics_win32.h"
#include "framework/graphics/platform_graphics.h"

namespace kestrelon {

std::unique_ptr<IGraphics> MakePlatformGraphics(IEditorDelegate* plugin, void* module, int width, int height)
{
    return std::make_unique<IGraphicsWin>(plugin, module, width, height);
}

}  // namespace kestrelon
