#include "framework/graphics/graphics.h"

#include <algorithm>

#include "framework/editor_delegate.h"
#include "framework/graphics/image_cache.h"
#include "framework/graphics/resize_controller.h"
#include "framework/graphics/stock_controls.h"
#include "framework/parameter.h"
#include "raster/raster_bitmap.h"
#include "raster/raster_ops.h"

namespace kestrelon {

IGraphics::IGraphics(IEditorDelegate* owner, int w, int h, int fps)
    : plugin(owner), width(w), height(h), framesPerSecond(fps)
{}

IGraphics::~IGraphics()
{
    while (!controls.empty())
        controls.pop_back();
    drawSurface.reset();
    for (ImageRef* image : ownImages)
        UnregisterImage(image);
}

void IGraphics::PrepareForAttach()
{
    // The draw surface (660 kB at the design size) is made when the editor is
    // first painted: an instance whose editor is never shown does without.
    if (pendingResizeController) {
        pendingResizeController->AttachToEditor();
        AddControl(std::move(pendingResizeController));
    }
}

void IGraphics::SetResizeController(std::unique_ptr<IResizeController> controller)
{
    resizeController = controller.get();
    pendingResizeController = std::move(controller);
}

void IGraphics::WindowOpened()
{
    if (resizeController)
        resizeController->OnEditorOpen();
}

IParameter* IGraphics::StateValues()
{
    return resizeController ? resizeController->StateValues() : nullptr;
}

bool IGraphics::NearestSize(int& w, int& h) const
{
    if (!resizeController)
        return false;
    resizeController->SizeAtScale(resizeController->ScaleForSize(w, h), w, h);
    return true;
}

bool IGraphics::ScaleToSize(int w, int h)
{
    return resizeController && resizeController->ScaleTo(resizeController->ScaleForSize(w, h));
}

bool IGraphics::StartAtHostScale(double hostScale)
{
    return resizeController && resizeController->StartAtHostScale(hostScale);
}

bool IGraphics::Shape(int& w, int& h) const
{
    if (!resizeController)
        return false;
    w = static_cast<int>(resizeController->WindowWidth());
    h = static_cast<int>(resizeController->WindowHeight());
    return w > 0 && h > 0;
}

void IGraphics::AddControl(std::unique_ptr<IControl> control)
{
    if (!control)
        return;
    controls.push_back(std::move(control));
    for (std::size_t i = 0; i < controls.size(); ++i)
        controls[i]->SetListIndex(static_cast<int>(i));
}

void IGraphics::AddBackground()
{
    ImageRef* image = LoadImage(100, "resources/img/bg.png", 1);
    auto background = std::make_unique<IBitmapControl>(plugin, 0, 0, -1, image, BlendMethod::BlendMethodOpaque);
    controls.insert(controls.begin(), std::move(background));
    for (std::size_t i = 0; i < controls.size(); ++i)
        controls[i]->SetListIndex(static_cast<int>(i));
}

IControl* IGraphics::ControlAt(int index) const
{
    return index >= 0 && index < ControlCount() ? controls[static_cast<std::size_t>(index)].get() : nullptr;
}

void IGraphics::MarkAllControlsDirty()
{
    for (auto& control : controls)
        control->MarkDirty(false);
}

void IGraphics::CreateDrawSurfaces()
{
    drawSurface = std::make_unique<RasterSysBitmap>(width, height);
}

void IGraphics::ChangeEditorSize(int newWidth, int newHeight)
{
    width = newWidth;
    height = newHeight;
    const bool painted = drawSurface != nullptr;
    drawSurface.reset();
    if (painted)
        CreateDrawSurfaces();
    if (plugin)
        plugin->SetEditorSize(width, height);
}

void IGraphics::UpdateControlsFromPlugin(int paramIndex, double value, bool isNormalized)
{
    if (!isNormalized) {
        const IParameter* param = plugin ? plugin->ParamAt(paramIndex) : nullptr;
        if (!param)
            return;
        value = param->ToNormalized(value);
    }
    for (auto& control : controls) {
        if (control->ParamIndex() == paramIndex)
            control->SetValueFromPlugin(value);
        const auto& aux = control->AuxParams();
        for (std::size_t i = 0; i < aux.size(); ++i) {
            if (aux[i].paramIndex == paramIndex) {
                control->SetAuxValueFromPlugin(static_cast<int>(i), value);
                break;
            }
        }
    }
}

bool IGraphics::SetControlValueFromPlugin(int controlIndex, double value)
{
    IControl* control = ControlAt(controlIndex);
    if (!control)
        return false;
    control->SetValueFromPlugin(value);
    return true;
}

bool IGraphics::CollectDirtyRect(Rect& out)
{
    out = Rect{};
    bool any = false;
    if (!resizeController) {
        for (auto& control : controls) {
            if (!control->NeedsRedraw())
                continue;
            out = out.Union(control->GetRect());
            any = true;
        }
        return any;
    }
    // With a resize controller the union is taken at design scale and scaled
    // once, rounding outwards, so no scaled control loses a pixel.
    double united[4] = {};
    bool empty = true;
    for (auto& control : controls) {
        if (!control->NeedsRedraw())
            continue;
        any = true;
        const double* r = control->DesignRect();
        if (r[0] == 0.0 && r[1] == 0.0 && r[2] == 0.0 && r[3] == 0.0)
            continue;
        if (empty) {
            std::copy(r, r + 4, united);
            empty = false;
            continue;
        }
        united[0] = std::min(united[0], r[0]);
        united[1] = std::min(united[1], r[1]);
        united[2] = std::max(united[2], r[2]);
        united[3] = std::max(united[3], r[3]);
    }
    const double s = resizeController->GuiScale();
    out = Rect{static_cast<int>(united[0] * s), static_cast<int>(united[1] * s),
               static_cast<int>(united[2] * s + 0.9999999), static_cast<int>(united[3] * s + 0.9999999)};
    return any;
}

bool IGraphics::PaintRegion(const Rect& rect)
{
    if (!drawSurface)
        CreateDrawSurfaces();
    if (resizeController && resizeController->DrawsWholeEditor()) {
        // The reopen notice covers everything and is drawn whole.
        const Rect all{0, 0, width, height};
        drawRect = all;
        resizeController->Paint(*this);
        return Present(all);
    }
    if (controls.empty())
        return true;
    drawRect = rect;
    for (auto& control : controls) {
        if (!control->IsHidden() && rect.Intersects(control->GetRect()))
            control->Paint(*this);
        control->MarkClean();
    }
    return Present(rect);
}

bool IGraphics::DrawImage(const ImageRef& image, const Rect& dest, int srcX, int srcY, const BlendSpec* blend)
{
    const BlendSpec applied = blend ? *blend : BlendSpec{};
    const Rect c = dest.Intersection(drawRect);
    if (c.IsEmpty() || !drawSurface)
        return true;
    // A failed decode leaves nothing to draw; the window that shows it did
    // not open (see OpenWindow).
    if (!DecodeImagePixels(image))
        return true;
    const SourceRect source{srcX + c.left - dest.left, srcY + c.top - dest.top, srcX + c.right - dest.left,
                            srcY + c.bottom - dest.top};
    BlitBitmap(drawSurface.get(), image.bitmap, c.left, c.top, &source, applied.weight, applied.Mode());
    return true;
}

bool IGraphics::DrawImageFrame(const ImageRef& image, const Rect& dest, int frame, const BlendSpec* blend)
{
    int srcY = 0;
    if (image.frameCount >= 2 && frame >= 2)
        srcY = static_cast<int>(static_cast<double>(image.height) * (frame - 1) / image.frameCount + 0.5);
    return DrawImage(image, dest, 0, srcY, blend);
}

void IGraphics::FillRect(const Colour& colour, const Rect& rect)
{
    FillRectangle(drawSurface.get(), rect.left, rect.top, rect.Width(), rect.Height(), colour.Packed(), 1.0f,
                  BlendMode::ModeCopy | BlendMode::ModeUseSourceAlpha);
}

}  // namespace kestrelon
