#include "raster/image_loader.h"

namespace kestrelon {

constinit ImageLoaderRecord* gImageLoaderList = nullptr;

void RegisterImageLoader(ImageLoaderRecord& record)
{
    record.next = gImageLoaderList;
    gImageLoaderList = &record;
}

}  // namespace kestrelon
