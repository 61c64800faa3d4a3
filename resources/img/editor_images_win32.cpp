#include "resources/img/editor_images.h"

namespace kestrelon {

// The resource compiler put the images into the module's resource section at link time.
bool RegisterEditorImages()
{
    return true;
}

}  // namespace kestrelon
