#include "framework/graphics/graphics_x11.h"
#include "framework/graphics/platform_graphics.h"

namespace kestrelon {

std::unique_ptr<IGraphics> MakePlatformGraphics(IEditorDelegate* plugin, void* module, int width, int height)
{
    return std::make_unique<IGraphicsX11>(plugin, module, width, height);
}

}  // namespace kestrelon
