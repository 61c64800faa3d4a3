#include "framework/graphics/platform_graphics.h"
#include "framework/graphics/windowless_graphics.h"

namespace kestrelon {

std::unique_ptr<IGraphics> MakePlatformGraphics(IEffectBase* plugin, void*, int width, int height)
{
    return std::make_unique<WindowlessGraphics>(plugin, width, height);
}

}  // namespace kestrelon
