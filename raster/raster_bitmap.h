#pragma once

// 32-bit bitmaps that the editor draws into. Pixels are straight-alpha 0xAARRGGBB, stored
// little-endian (bytes blue, green, red, alpha); rows are RowStride() pixels apart.

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <utility>

namespace kestrelon {

using RasterPixel = std::uint32_t;

// Platform device context (an HDC on Windows); opaque so this header stays portable.
using RasterDeviceContext = void*;

// How source and destination combine: a mode word of which the blend operations read the low
// byte (the operation) and bit 16 (the source-alpha flag).
enum class BlendMode : std::int32_t {
    ModeCopy = 0,
    ModeAdd = 1,
    ModeDodge = 2,
    ModeMultiply = 3,
    ModeOverlay = 4,
    ModeHsvAdjust = 5,
    // 0xF0..0xFF, blits only: copy source byte (mode & 3) into destination byte ((mode >> 2) & 3).
    ModeChannelCopy = 0xF0,
    // Flag: each source pixel's own alpha also scales its weight.
    ModeUseSourceAlpha = 0x10000,
};

constexpr BlendMode operator|(BlendMode a, BlendMode b)
{
    return static_cast<BlendMode>(static_cast<std::int32_t>(a) | static_cast<std::int32_t>(b));
}

// The mode word as the blend formulas read it.
constexpr std::int32_t ModeBits(BlendMode mode)
{
    return static_cast<std::int32_t>(mode);
}

class RasterBitmap {
public:
    virtual ~RasterBitmap() = default;

    // Null while the bitmap has no pixels.
    virtual RasterPixel* PixelData() const = 0;
    virtual std::int32_t PixelWidth() const = 0;
    virtual std::int32_t PixelHeight() const = 0;
    // In pixels, at least PixelWidth().
    virtual std::int32_t RowStride() const = 0;
    virtual bool StoresBottomUp() const { return false; }
    // True when the size changed. Pixel contents afterwards are undefined.
    virtual bool SetSize(std::int32_t width, std::int32_t height) = 0;
    virtual RasterDeviceContext DeviceContext() const { return nullptr; }
    // No extension is supported; 0 means "not supported" to every caller.
    virtual std::intptr_t QueryExtension(std::uint32_t id, void* data)
    {
        (void)id;
        (void)data;
        return 0;
    }
};

// Pixels on the heap: rows padded to 4 pixels, first row on a 64-byte boundary, memory that
// grows by a quarter more than needed and never shrinks, so the scratch bitmap that is resized
// over and over stops reallocating.
class RasterMemBitmap : public RasterBitmap {
public:
    RasterMemBitmap() = default;
    RasterMemBitmap(std::int32_t width, std::int32_t height);
    RasterMemBitmap(const RasterMemBitmap&) = delete;
    RasterMemBitmap& operator=(const RasterMemBitmap&) = delete;

    RasterPixel* PixelData() const override;
    std::int32_t PixelWidth() const override { return width; }
    std::int32_t PixelHeight() const override { return height; }
    std::int32_t RowStride() const override { return (width + strideMask) & ~strideMask; }
    bool SetSize(std::int32_t width, std::int32_t height) override;

    // Exchanges pixels and sizes with other: a bitmap that others point at can hand its pixels
    // over without a copy.
    void Swap(RasterMemBitmap& other) noexcept
    {
        std::swap(buffer, other.buffer);
        std::swap(width, other.width);
        std::swap(height, other.height);
        std::swap(capacity, other.capacity);
        std::swap(strideMask, other.strideMask);
    }

    // Usable bytes behind PixelData(); exposed so callers and tests can see the reuse.
    std::int32_t Capacity() const { return capacity; }

private:
    struct FreeBlock {
        void operator()(void* block) const { std::free(block); }
    };

    std::unique_ptr<unsigned char, FreeBlock> buffer;  // capacity + 63 bytes, unaligned
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t capacity = 0;
    std::int32_t strideMask = 3;
};

// Pixels that the platform can draw into as well: on Windows a top-down 32-bit DIB section
// selected into a memory device context for its whole life. Its width is rounded up to 4
// pixels and a smaller size reuses the current pixels. Elsewhere there is no device context:
// the same size, stride and reuse rules apply to memory of its own and DeviceContext() is null.
class RasterSysBitmap : public RasterBitmap {
public:
    RasterSysBitmap(std::int32_t width = 0, std::int32_t height = 0);
    ~RasterSysBitmap() override;
    RasterSysBitmap(const RasterSysBitmap&) = delete;
    RasterSysBitmap& operator=(const RasterSysBitmap&) = delete;

    RasterPixel* PixelData() const override { return pixels; }
    std::int32_t PixelWidth() const override { return width; }
    std::int32_t PixelHeight() const override { return height; }
    std::int32_t RowStride() const override { return allocatedWidth; }
    bool SetSize(std::int32_t width, std::int32_t height) override;
    RasterDeviceContext DeviceContext() const override { return dc; }

private:
    void ReleaseSurface();

    std::int32_t width = 0;  // the size asked for
    std::int32_t height = 0;
    RasterDeviceContext dc = nullptr;  // owned
    RasterPixel* pixels = nullptr;
    std::int32_t allocatedWidth = 0;  // the size of the current surface
    std::int32_t allocatedHeight = 0;
    void* dib = nullptr;  // owned: HBITMAP on Windows, the pixel block elsewhere
    void* previousBitmap = nullptr;  // selected back into dc before dib is deleted
};

}  // namespace kestrelon
