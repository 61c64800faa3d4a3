#include "framework/graphics/resize_controller.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "framework/editor_delegate.h"
#include "framework/graphics/graphics.h"
#include "framework/graphics/settings_file.h"
#include "framework/parameter.h"
#include "raster/raster_bitmap.h"
#include "raster/raster_ops.h"
#include "text/leading_number.h"

namespace kestrelon {

namespace {

// Shared by every editor of the process, touched only on UI threads.
double lastAppliedScale = 1.0;
bool scaleChangedByDrag = false;
bool imagesScaledOnce = false;
// The scale the shared images were last resampled to; a release that
// changed nothing need not resample them again.
double imagesScale = -1.0;
ViewLayout defaultLayout;

constexpr char kSection[] = "gui";
constexpr char kKey[] = "guiscale";
constexpr double kScaleEpsilon = 1e-10;
constexpr char kNoticeFirstLine[] = "  Reopen plugin interface";
constexpr char kNoticeSecondLine[] = "  to get new size...";

LayoutEntry EntryOf(const IControl& control)
{
    LayoutEntry entry;
    const Rect& r = control.GetRect();
    const Rect& t = control.TargetRect();
    const double rect[4] = {double(r.left), double(r.top), double(r.right), double(r.bottom)};
    const double target[4] = {double(t.left), double(t.top), double(t.right), double(t.bottom)};
    std::copy(rect, rect + 4, entry.rect);
    std::copy(target, target + 4, entry.target);
    entry.hidden = control.IsHidden();
    return entry;
}

Rect Scaled(const double r[4], double scale)
{
    return Rect{static_cast<int>(r[0] * scale), static_cast<int>(r[1] * scale), static_cast<int>(r[2] * scale),
                static_cast<int>(r[3] * scale)};
}

void RescaleSharedImages(IGraphics& editor, double scale)
{
    if (std::fabs(imagesScale - scale) < kScaleEpsilon)
        return;
    editor.RescaleImages(scale);
    imagesScale = scale;
}

}  // namespace

double IResizeController::LastAppliedScale()
{
    return lastAppliedScale;
}

IResizeController::IResizeController(IEditorDelegate* owner, IGraphics& graphics)
    : IControl(owner, Rect{}, -1), editor(graphics)
{
    designWidth = editor.Width();
    designHeight = editor.Height();
    viewModes.push_back(ViewMode{0, designWidth, designHeight});
    windowWidth = designWidth;
    windowHeight = designHeight;
    editor.SetTrackMouseOver(true);
    const Rect corner{designWidth - kCornerSize, designHeight - kCornerSize, designWidth, designHeight};
    SetRects(corner, corner);
    const double design[4] = {double(corner.left), double(corner.top), double(corner.right), double(corner.bottom)};
    SetDesignRect(design);
    pixelWidth = designWidth;
    pixelHeight = designHeight;

    // Documents/Lumen Pathway/Kestrelon/Settings.ini; without a folder to
    // keep it in, the scale lives in memory only.
    const std::string folder = SettingsFolder(editor);
    if (!folder.empty() && owner) {
        const std::string maker = folder + "/" + owner->MakerName();
        const std::string product = maker + "/" + owner->EffectName();
        MakeFolder(maker);
        MakeFolder(product);
        settingsPath = product + "/Settings.ini";
    }
    const double stored = ReadScale(-1.0);
    if (stored < 0.0) {
        guiScale = 1.0;
        WriteScale(1.0);
    } else {
        guiScale = stored;
    }

    // -1 in each means "not set": the editor keeps its configured size.
    stateValues[0].DefineInteger("", -1, -1, 1000000, "");
    stateValues[1].DefineContinuous("", -1.0, -1.0, 1000000.0, 1.0, "", 1.0);
    stateValues[2].DefineContinuous("", -1.0, -1.0, 1000000.0, 1.0, "", 1.0);
}

IResizeController::~IResizeController() = default;

double IResizeController::ReadScale(double fallback) const
{
    if (settingsPath.empty())
        return fallback;
    const std::string text = ReadSetting(settingsPath, kSection, kKey, "-1.0");
    const double value = ParseLeadingNumber(text.c_str());
    // A damaged value (not a number, or an infinity) reads as the design size.
    if (!std::isfinite(value))
        return 1.0;
    return value;
}

void IResizeController::WriteScale(double scale)
{
    if (settingsPath.empty())
        return;
    char text[64];
    std::snprintf(text, sizeof text, "%.15f", scale);
    // A file that cannot be written leaves the scale in memory.
    WriteSetting(settingsPath, kSection, kKey, text);
}

void IResizeController::SetScaleLimits(double minimum, double maximum)
{
    minScale = minimum;
    maxScale = maximum;
    guiScale = std::clamp(guiScale, minScale, maxScale);
}

void IResizeController::SetViewLimits(int index, double minWidth, double minHeight, double maxWidth, double maxHeight)
{
    if (index < 0 || index >= static_cast<int>(viewModes.size()))
        return;
    ViewMode& mode = viewModes[static_cast<std::size_t>(index)];
    mode.minWidth = minWidth;
    mode.minHeight = minHeight;
    mode.maxWidth = maxWidth;
    mode.maxHeight = maxHeight;
    if (index == viewMode)
        ClampWindowSize();
}

void IResizeController::SelectViewMode(int id)
{
    viewMode = 0;
    for (std::size_t i = 0; i < viewModes.size(); ++i)
        if (viewModes[i].id == id)
            viewMode = static_cast<int>(i);
    windowWidth = viewModes[static_cast<std::size_t>(viewMode)].defaultWidth;
    windowHeight = viewModes[static_cast<std::size_t>(viewMode)].defaultHeight;
    ClampWindowSize();
}

void IResizeController::ClampWindowSize()
{
    const ViewMode& mode = viewModes[static_cast<std::size_t>(viewMode)];
    windowWidth = std::clamp(windowWidth, mode.minWidth, std::max(mode.minWidth, mode.maxWidth));
    windowHeight = std::clamp(windowHeight, mode.minHeight, std::max(mode.minHeight, mode.maxHeight));
}

void IResizeController::RecomputePixelSize()
{
    pixelWidth = static_cast<int>(windowWidth * guiScale);
    pixelHeight = static_cast<int>(windowHeight * guiScale);
}

void IResizeController::ForEachControl(void (*action)(IControl&, double), double argument)
{
    for (int i = 0; i < editor.ControlCount(); ++i)
        action(*editor.ControlAt(i), argument);
}

void IResizeController::AttachToEditor()
{
    auto vertical = std::make_unique<VerticalResizeHandle>(plugin, editor, *this);
    auto horizontal = std::make_unique<HorizontalResizeHandle>(plugin, editor, *this);
    IControl* handles[2] = {vertical.get(), horizontal.get()};
    editor.AddControl(std::move(vertical));
    editor.AddControl(std::move(horizontal));
    if (!edgeHandles)
        for (IControl* handle : handles)
            handle->SetHidden(true);

    // The first editor of the process lays out every later one: they are
    // built alike, and their controls stand where its controls stood.
    if (defaultLayout.empty()) {
        for (int i = 0; i < editor.ControlCount(); ++i)
            defaultLayout.push_back(EntryOf(*editor.ControlAt(i)));
        defaultLayout.push_back(EntryOf(*this));
    }
    ViewLayout own;
    for (int i = 0; i <= editor.ControlCount(); ++i) {
        const IControl& control = i < editor.ControlCount() ? *editor.ControlAt(i) : *this;
        own.push_back(i < static_cast<int>(defaultLayout.size()) ? defaultLayout[static_cast<std::size_t>(i)]
                                                                 : EntryOf(control));
    }
    layouts.assign(viewModes.size(), own);

    if (!imagesScaledOnce) {
        // Images as decoded are already at the design size: at scale 1.0 the
        // first editor's attaching (the start of the first instance) need not
        // resample them.
        if (std::fabs(guiScale - 1.0) < kScaleEpsilon && editor.ImageResolution() < 2)
            imagesScale = 1.0;
        else
            RescaleSharedImages(editor, guiScale);
        imagesScaledOnce = true;
    }
    freshAttach = true;
    ForEachControl([](IControl& c, double s) { c.OnScaleChanged(s); }, guiScale);
    OnScaleChanged(guiScale);
    ForEachControl([](IControl& c, double) { c.MarkDirty(false); }, 0.0);
    attached = true;
}

void IResizeController::LayOut()
{
    if (layouts.empty())
        return;
    ViewLayout& layout = layouts[static_cast<std::size_t>(std::clamp(viewMode, 0, int(layouts.size()) - 1))];
    LayoutEntry& mine = layout.back();
    // The grip sits in the corner of the editor at its new size, kept whole
    // pixels, halves away from zero.
    const double w = mine.rect[2] - mine.rect[0];
    const double h = mine.rect[3] - mine.rect[1];
    const double left = std::round(pixelWidth / guiScale - kCornerSize);
    const double top = std::round(pixelHeight / guiScale - kCornerSize);
    const double corner[4] = {left, top, left + w, top + h};
    std::copy(corner, corner + 4, mine.rect);
    std::copy(corner, corner + 4, mine.target);

    const int count = editor.ControlCount();
    for (int i = 0; i <= count && i < static_cast<int>(layout.size()); ++i) {
        IControl& control = i < count ? *editor.ControlAt(i) : *this;
        if (i == 0) {
            const double whole[4] = {0.0, 0.0, windowWidth, windowHeight};
            control.SetDesignRect(whole);
            const Rect pixels{0, 0, static_cast<int>(windowWidth * guiScale),
                              static_cast<int>(windowHeight * guiScale)};
            control.SetRects(pixels, pixels);
            continue;
        }
        const LayoutEntry& entry = layout[static_cast<std::size_t>(i)];
        control.SetDesignRect(entry.rect);
        control.SetRects(Scaled(entry.rect, guiScale), Scaled(entry.target, guiScale));
        if (control.IsHidden() != entry.hidden)
            control.SetHidden(entry.hidden);
    }
    // The grip is square, anchored at the corner, and never smaller than 8.
    Rect r = GetRect();
    const int side = std::max(std::min(r.Width(), r.Height()), kMinCornerSize);
    r = Rect{r.right - side, r.bottom - side, r.right, r.bottom};
    SetRects(r, r);
}

void IResizeController::OnEditorOpen()
{
    if (!stateValuesApplied) {
        stateValuesApplied = true;
        const double mode = stateValues[0].Value();
        if (mode > -0.5)
            // A view mode the table does not have falls back to the first.
            viewMode = mode < static_cast<double>(viewModes.size()) ? static_cast<int>(mode) : 0;
        if (stateValues[1].Value() > -0.5)
            windowWidth = stateValues[1].Value();
        if (stateValues[2].Value() > -0.5)
            windowHeight = stateValues[2].Value();
        // The sizes come from a project the host kept, which may be damaged:
        // within the view's limits the grip stays reachable and the host's
        // window sane.
        ClampWindowSize();
    }
    // Another editor of the process may have changed the scale since.
    guiScale = std::clamp(ReadScale(guiScale), minScale, maxScale);
    editor.SetScale(guiScale);
    const int oldWidth = editor.Width();
    const int oldHeight = editor.Height();
    RecomputePixelSize();
    LayOut();
    if (plugin)
        plugin->EditorLayoutChanged(viewMode, windowWidth, windowHeight);
    if (pixelWidth == oldWidth && pixelHeight == oldHeight) {
        // The scale is the one this editor was laid out at; the notice, if
        // another editor's scaling raised it, goes with the reopening.
        if (needsReopen) {
            needsReopen = false;
            if (liveResize)
                RescaleSharedImages(editor, guiScale);
            ForEachControl([](IControl& c, double s) { c.OnScaleChanged(s); }, guiScale);
            editor.MarkAllControlsDirty();
        }
        lastAppliedScale = guiScale;
        return;
    }
    if (liveResize && !freshAttach && std::fabs(guiScale - lastAppliedScale) >= kScaleEpsilon)
        RescaleSharedImages(editor, guiScale);
    freshAttach = false;
    editor.ChangeEditorSize(pixelWidth, pixelHeight);
    ForEachControl([](IControl& c, double s) { c.OnScaleChanged(s); }, guiScale);
    scaleChangedByDrag = false;
    needsReopen = false;
    lastAppliedScale = guiScale;
}

void IResizeController::ApplyEditorSize()
{
    if (std::fabs(ReadScale(-1.0) - guiScale) >= kScaleEpsilon)
        WriteScale(guiScale);
    editor.SetScale(guiScale);
    stateValues[0].Set(std::clamp(viewMode, 0, static_cast<int>(viewModes.size()) - 1));
    stateValues[1].Set(windowWidth);
    stateValues[2].Set(windowHeight);
    RecomputePixelSize();
    LayOut();
    if (plugin)
        plugin->EditorLayoutChanged(viewMode, windowWidth, windowHeight);
    if (liveResize && deferImageRescale) {
        editor.ChangeEditorSize(pixelWidth, pixelHeight);
        if (!dragging)
            ForEachControl([](IControl& c, double s) { c.OnScaleChanged(s); }, guiScale);
        scaleChangedByDrag = true;
    } else {
        if (liveResize)
            RescaleSharedImages(editor, guiScale);
        editor.ChangeEditorSize(pixelWidth, pixelHeight);
        ForEachControl([](IControl& c, double s) { c.OnScaleChanged(s); }, guiScale);
    }
    ForEachControl([](IControl& c, double) { c.MarkDirty(false); }, 0.0);
}

void IResizeController::SetRectsToWholeEditor()
{
    const Rect all{0, 0, pixelWidth, pixelHeight};
    SetRects(all, all);
    const double design[4] = {0.0, 0.0, pixelWidth / guiScale, pixelHeight / guiScale};
    SetDesignRect(design);
}

void IResizeController::HandleMouseOver(int, int, const MouseModifiers&)
{
    if (!needsReopen)
        editor.SetMouseCursor(MouseCursor::SizeNWSE);
}

void IResizeController::HandleMouseOut()
{
    editor.SetMouseCursor(MouseCursor::Arrow);
}

void IResizeController::HandleMouseDown(int, int, const MouseModifiers& mods)
{
    if (!needsReopen)
        editor.SetMouseCursor(MouseCursor::SizeNWSE);
    if (mods.left && liveResize && deferImageRescale && scaleByDrag && !needsReopen) {
        dragging = true;
        // The drag keeps reaching the controller wherever the pointer goes.
        const Rect all{0, 0, pixelWidth, pixelHeight};
        SetRects(all, all);
    } else if (mods.right) {
        HandleRightClick(0, 0);
    }
}

void IResizeController::HandleMouseDrag(int x, int y, int, int, const MouseModifiers& mods)
{
    if (needsReopen)
        return;
    editor.SetMouseCursor(MouseCursor::SizeNWSE);
    const bool scaling = scaleByDrag || (controlKeyScales && mods.control);
    if (scaling) {
        guiScale = std::clamp((x + y) / (windowWidth + windowHeight), minScale, maxScale);
        lastAppliedScale = guiScale;
        RecomputePixelSize();
    } else {
        windowWidth = x / guiScale;
        windowHeight = y / guiScale;
        ClampWindowSize();
    }
    if (scaling && liveResize && deferImageRescale) {
        const Rect all{0, 0, pixelWidth, pixelHeight};
        SetRects(all, all);
    } else {
        const int side = std::max(static_cast<int>(kCornerSize * guiScale), kMinCornerSize);
        const Rect corner{x - side, y - side, x, y};
        SetRects(corner, corner);
    }
    ApplyEditorSize();
    moved = true;
}

void IResizeController::HandleMouseUp(int, int, const MouseModifiers&)
{
    editor.SetMouseCursor(MouseCursor::Arrow);
    if (!(liveResize && deferImageRescale) || needsReopen)
        return;
    FinishScaling();
}

void IResizeController::FinishScaling()
{
    RescaleSharedImages(editor, guiScale);
    LayOut();
    ForEachControl([](IControl& c, double s) { c.OnScaleChanged(s); }, guiScale);
    lastAppliedScale = guiScale;
    dragging = false;
    editor.MarkAllControlsDirty();
}

void IResizeController::HandleDoubleClick(int, int, const MouseModifiers&)
{
    // The notice asks for a reopening, and a rescale here would pull the
    // shared images from under the editors at the new scale.
    if (needsReopen)
        return;
    guiScale = 1.0;
    ApplyEditorSize();
    // A double click is a whole scaling: it finishes as a drag's release does,
    // or this editor would show its images at the old scale and then the
    // notice. Its own release lands outside the smaller editor.
    if (liveResize && deferImageRescale)
        FinishScaling();
}

double IResizeController::ScaleForSize(int width, int height) const
{
    if (windowWidth <= 0.0 || windowHeight <= 0.0)
        return guiScale;
    // The larger ratio, so that a size this editor gave (its pixel sizes are
    // truncated) comes back to the same scale; the nudge keeps a ratio that
    // is exact in decimals from landing a hair under it in binary.
    const double scale = std::max(width / windowWidth, height / windowHeight) * (1.0 + 1e-12);
    return std::clamp(scale, minScale, std::max(minScale, maxScale));
}

void IResizeController::SizeAtScale(double scale, int& width, int& height) const
{
    width = static_cast<int>(windowWidth * scale);
    height = static_cast<int>(windowHeight * scale);
}

bool IResizeController::ScaleTo(double scale)
{
    if (needsReopen || !std::isfinite(scale))
        return false;
    guiScale = std::clamp(scale, minScale, std::max(minScale, maxScale));
    ApplyEditorSize();
    // A whole scaling, finished as a drag's release finishes it.
    if (liveResize && deferImageRescale)
        FinishScaling();
    return true;
}

bool IResizeController::StartAtHostScale(double scale)
{
    if (!std::isfinite(scale) || scale <= 0.0)
        return false;
    guiScale = std::clamp(ReadScale(guiScale), minScale, maxScale);
    if (std::fabs(guiScale - 1.0) >= kScaleEpsilon || std::fabs(scale - 1.0) < kScaleEpsilon)
        return true;
    return ScaleTo(scale);
}

void IResizeController::ResizeWidth(double newWidth)
{
    windowWidth = newWidth / guiScale;
    ClampWindowSize();
    ApplyEditorSize();
}

void IResizeController::ResizeHeight(double newHeight)
{
    windowHeight = newHeight / guiScale;
    ClampWindowSize();
    ApplyEditorSize();
}

bool IResizeController::NeedsRedraw()
{
    if (liveResize && scaleChangedByDrag && !needsReopen && !dragging) {
        needsReopen = std::fabs(lastAppliedScale - guiScale) >= kScaleEpsilon;
        if (needsReopen)
            SetRectsToWholeEditor();
    }
    return needsReopen;
}

bool IResizeController::Paint(IGraphics& graphics)
{
    if (needsReopen) {
        SetRectsToWholeEditor();
        PaintReopenNotice(graphics);
    } else {
        PaintCornerGrip(graphics);
    }
    return true;
}

void IResizeController::PaintBackdrop(IGraphics& graphics)
{
    graphics.FillRect(Colour{255, 0x19, 0x19, 0x19}, GetRect());
}

void IResizeController::PaintReopenNotice(IGraphics& graphics)
{
    PaintBackdrop(graphics);
    TextStyle style;
    std::snprintf(style.face, sizeof style.face, "%s", "Arial");
    style.style = FontStyle::StyleItalic;
    style.align = TextAlign::AlignLeft;
    style.colour = Colour{255, 255, 255, 255};
    const int w = graphics.Width();
    const int h = graphics.Height();
    style.size = NoticeTextSize(graphics, style, w);
    int top = h / 2 - style.size;
    const int correction = top < 0 ? -top : 0;
    top += correction;
    Rect first{GetRect().left, top, GetRect().right, GetRect().bottom};
    graphics.DrawTextInRect(style, kNoticeFirstLine, first);
    Rect second{GetRect().left, h / 2 + correction, GetRect().right, GetRect().bottom};
    graphics.DrawTextInRect(style, kNoticeSecondLine, second);
}

int IResizeController::NoticeTextSize(IGraphics& graphics, TextStyle style, int editorWidth) const
{
    // At width x 77 / design width the lines run far off the right edge: the
    // notice takes the largest size up to that at which both lines fit.
    int size = designWidth > 0 ? editorWidth * 77 / designWidth : 77;
    while (size > 1) {
        style.size = size;
        style.cachedFont = nullptr;
        int widest = 0;
        for (const char* line : {kNoticeFirstLine, kNoticeSecondLine}) {
            Rect box{0, 0, editorWidth, size};
            if (!graphics.DrawTextInRect(style, line, box, true))
                return size;  // no font: nothing is drawn at any size
            widest = std::max(widest, box.Width());
        }
        if (widest <= editorWidth)
            break;
        // Text grows about in step with its size; the step down is at least one.
        size = std::min(size - 1, static_cast<int>(static_cast<long long>(size) * editorWidth / widest));
    }
    return std::max(size, 1);
}

void IResizeController::PaintCornerGrip(IGraphics& graphics)
{
    // Drawn in the corner square even while a drag stretches the control
    // over the whole editor.
    const int side = std::max(static_cast<int>(kCornerSize * guiScale), kMinCornerSize);
    const Rect r{graphics.Width() - side, graphics.Height() - side, graphics.Width(), graphics.Height()};
    const int w = r.Width();
    for (int i = 0; i < w; ++i) {
        const double remaining = static_cast<double>(w - i) / w;
        const float opacity = static_cast<float>(1.0 - remaining * remaining * remaining);
        DrawLine(graphics.DrawSurface(), r.left + i, r.bottom, r.right, r.top + i, 0xFFFFFFFFu, opacity,
                 BlendMode::ModeCopy);
    }
}

HorizontalResizeHandle::HorizontalResizeHandle(IEditorDelegate* plugin, IGraphics& graphics, IResizeController& resize,
                                               int handleWidth)
    : IControl(plugin,
               handleWidth > 0 ? Rect{graphics.Width() - handleWidth, 0, graphics.Width(), graphics.Height()} : Rect{},
               -1),
      editor(graphics),
      controller(resize)
{}

void HorizontalResizeHandle::HandleMouseOver(int, int, const MouseModifiers&)
{
    editor.SetMouseCursor(MouseCursor::SizeWE);
}

void HorizontalResizeHandle::HandleMouseOut()
{
    editor.SetMouseCursor(MouseCursor::Arrow);
}

void HorizontalResizeHandle::HandleMouseDrag(int x, int, int, int, const MouseModifiers&)
{
    controller.ResizeWidth(x);
}

VerticalResizeHandle::VerticalResizeHandle(IEditorDelegate* plugin, IGraphics& graphics, IResizeController& resize,
                                           int handleHeight)
    : IControl(plugin,
               handleHeight > 0 ? Rect{0, graphics.Height() - handleHeight, graphics.Width(), graphics.Height()}
                                : Rect{},
               -1),
      editor(graphics),
      controller(resize)
{}

void VerticalResizeHandle::HandleMouseOver(int, int, const MouseModifiers&)
{
    editor.SetMouseCursor(MouseCursor::SizeNS);
}

void VerticalResizeHandle::HandleMouseOut()
{
    editor.SetMouseCursor(MouseCursor::Arrow);
}

void VerticalResizeHandle::HandleMouseDrag(int, int y, int, int, const MouseModifiers&)
{
    controller.ResizeHeight(y);
}

}  // namespace kestrelon
