#pragma once

// A bitmap over memory the test owns, for what the library's own bitmaps cannot show: rows
// stored bottom-up, a stride wider than the row, and a guard frame of known pixels around the
// image, so a test can prove that an operation wrote nothing outside its bitmap.

#include <cstdint>
#include <vector>

#include "raster/raster_bitmap.h"

namespace kestrelon {

class GuardedBitmap : public RasterBitmap {
public:
    static constexpr RasterPixel kGuard = 0xDEADBEEFu;

    GuardedBitmap(std::int32_t width, std::int32_t height, RasterPixel fill = 0, bool bottomUp = false)
        : width(width),
          height(height),
          stride(width + 2 * kMargin + 3),
          bottomUp(bottomUp),
          memory(static_cast<std::size_t>(stride) * (height + 2 * kMargin), kGuard)
    {
        for (std::int32_t y = 0; y < height; ++y)
            for (std::int32_t x = 0; x < width; ++x)
                At(x, y) = fill;
    }

    RasterPixel* PixelData() const override
    {
        return const_cast<RasterPixel*>(memory.data()) + kMargin * stride + kMargin;
    }
    std::int32_t PixelWidth() const override { return width; }
    std::int32_t PixelHeight() const override { return height; }
    std::int32_t RowStride() const override { return stride; }
    bool StoresBottomUp() const override { return bottomUp; }
    bool SetSize(std::int32_t, std::int32_t) override { return false; }

    // Pixel (x, y) as the operations address it: y counts from the top row either way.
    RasterPixel& At(std::int32_t x, std::int32_t y)
    {
        const std::int32_t stored = bottomUp ? height - 1 - y : y;
        return PixelData()[static_cast<std::ptrdiff_t>(stored) * stride + x];
    }

    // True while every pixel outside the image still holds the guard value.
    bool GuardIntact() const
    {
        for (std::int32_t row = 0; row < height + 2 * kMargin; ++row) {
            for (std::int32_t col = 0; col < stride; ++col) {
                const bool inside = row >= kMargin && row < kMargin + height && col >= kMargin && col < kMargin + width;
                if (!inside && memory[static_cast<std::size_t>(row) * stride + col] != kGuard)
                    return false;
            }
        }
        return true;
    }

    // Number of image pixels that differ from value.
    int CountNot(RasterPixel value)
    {
        int n = 0;
        for (std::int32_t y = 0; y < height; ++y)
            for (std::int32_t x = 0; x < width; ++x)
                n += At(x, y) != value;
        return n;
    }

private:
    static constexpr std::int32_t kMargin = 2;
    std::int32_t width;
    std::int32_t height;
    std::int32_t stride;
    bool bottomUp;
    std::vector<RasterPixel> memory;
};

}  // namespace kestrelon
