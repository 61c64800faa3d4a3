#pragma once

namespace kestrelon {

class RasterBitmap;

// Area-averaging resampling built from bilinear samples: every destination
// pixel averages a box of bilinear samples as large as the scale-down
// factor, so strong reductions stay smooth and enlargements interpolate.
// With frameCount >= 2 the images are film strips: each frame is resampled
// into its own band, the destination is cleared first and the spare row
// under each band stays clear, so no frame bleeds into the next.
void ResampleInto(const RasterBitmap& source, RasterBitmap& destination, int frameCount);

}  // namespace kestrelon
