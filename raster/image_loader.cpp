#include "raster/image_loader.h"

constinit ImageLoaderRecord* gImageLoaderList = nullptr;

void RegisterImageLoader(ImageLoaderRecord& record)
{
    record.next = gImageLoaderList;
    gImageLoaderList = &record;
}
