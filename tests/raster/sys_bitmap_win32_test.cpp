// The system bitmap on a real GDI device context (run under wine64 in the Windows tree): GDI
// drawing and raster drawing must meet in the same pixels, top row first.

#include <windows.h>

#include <gtest/gtest.h>

#include "raster/raster_bitmap.h"
#include "raster/raster_ops.h"

namespace kestrelon {

namespace {

HDC Dc(const RasterSysBitmap& bitmap)
{
    return static_cast<HDC>(bitmap.DeviceContext());
}

// The bitmap GDI currently draws into through the context.
BITMAP SelectedBitmap(const RasterSysBitmap& bitmap)
{
    BITMAP info{};
    HGDIOBJ selected = GetCurrentObject(Dc(bitmap), OBJ_BITMAP);
    EXPECT_NE(selected, nullptr);
    EXPECT_EQ(GetObject(selected, sizeof(info), &info), static_cast<int>(sizeof(info)));
    return info;
}

TEST(RasterSysBitmapWin32, DibSectionIsSelectedIntoAMemoryContext)
{
    RasterSysBitmap bitmap(5, 3);
    ASSERT_NE(bitmap.DeviceContext(), nullptr);
    ASSERT_NE(bitmap.PixelData(), nullptr);
    BITMAP info = SelectedBitmap(bitmap);
    EXPECT_EQ(info.bmBits, bitmap.PixelData());
    EXPECT_EQ(info.bmWidth, 8);
    EXPECT_EQ(info.bmHeight, 3);
    EXPECT_EQ(info.bmBitsPixel, 32);

    // Shrinking keeps the section; growing selects a new one into the same context.
    HDC dc = Dc(bitmap);
    EXPECT_TRUE(bitmap.SetSize(2, 2));
    EXPECT_EQ(SelectedBitmap(bitmap).bmBits, bitmap.PixelData());
    EXPECT_EQ(bitmap.RowStride(), 8);
    EXPECT_TRUE(bitmap.SetSize(13, 7));
    EXPECT_EQ(Dc(bitmap), dc);
    info = SelectedBitmap(bitmap);
    EXPECT_EQ(info.bmBits, bitmap.PixelData());
    EXPECT_EQ(info.bmWidth, 16);
    EXPECT_EQ(info.bmHeight, 7);
    EXPECT_EQ(bitmap.RowStride(), 16);
}

TEST(RasterSysBitmapWin32, GdiAndRasterDrawingShareThePixels)
{
    RasterSysBitmap bitmap(6, 4);
    ClearBitmap(&bitmap);
    // GDI into the raster: (1, 2) counted from the top, as the raster counts.
    ASSERT_TRUE(SetPixelV(Dc(bitmap), 1, 2, RGB(0x12, 0x34, 0x56)));
    GdiFlush();
    EXPECT_EQ(bitmap.PixelData()[2 * bitmap.RowStride() + 1] & 0x00FFFFFFu, 0x00123456u);
    EXPECT_EQ(bitmap.PixelData()[1 * bitmap.RowStride() + 2], 0u);

    // Raster into GDI.
    FillRectangle(&bitmap, 4, 0, 1, 1, 0xFFABCDEFu, 1.0f, BlendMode::ModeCopy);
    EXPECT_EQ(GetPixel(Dc(bitmap), 4, 0), RGB(0xAB, 0xCD, 0xEF));

    // GDI fills reach the whole asked-for area, and survive a shrink that reuses the section.
    RECT box = {0, 0, 6, 4};
    HBRUSH brush = CreateSolidBrush(RGB(0x20, 0x40, 0x60));
    FillRect(Dc(bitmap), &box, brush);
    DeleteObject(brush);
    GdiFlush();
    EXPECT_TRUE(bitmap.SetSize(3, 3));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(bitmap.PixelData()[y * bitmap.RowStride() + x] & 0x00FFFFFFu, 0x00204060u);
}

TEST(RasterSysBitmapWin32, ManySurfacesComeAndGo)
{
    // Each bitmap owns a context and a section and gives both back; a leak would exhaust
    // GDI long before this loop ends on Windows.
    for (int i = 0; i < 2000; ++i) {
        RasterSysBitmap bitmap(64 + i % 7, 32);
        ASSERT_NE(bitmap.DeviceContext(), nullptr) << i;
        ASSERT_NE(bitmap.PixelData(), nullptr) << i;
        bitmap.SetSize(80, 40);
        ASSERT_NE(bitmap.PixelData(), nullptr) << i;
    }
}

}  // namespace

}  // namespace kestrelon
