// Random event sequences on the effect's editor, without a window: mouse,
// wheel, keys, capture taken away, redraws of any region, size changes,
// parameters and state from the host and blocks feeding the meters, in any
// order. Any crash, sanitizer report or broken promise is a finding.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "framework/graphics/graphics.h"
#include "framework/vst/vst_effect.h"
#include "plugin/plugin_export.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_input.h"

namespace kestrelon {

namespace {

vst2::VstIntPtr VSTCALLBACK Host(vst2::AEffect*, vst2::VstInt32 opcode, vst2::VstInt32, vst2::VstIntPtr, void*, float)
{
    return opcode == vst2::audioMasterVersion ? 2400 : 0;
}

MouseModifiers Modifiers(std::uint8_t bits)
{
    return MouseModifiers{(bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0, (bits & 8) != 0, (bits & 16) != 0};
}

void CheckControls(const IGraphics& g)
{
    for (int i = 0; i < g.ControlCount(); ++i) {
        const double v = g.ControlAt(i)->Value();
        FUZZ_CHECK(std::isfinite(v), "a control value that is not a number", i);
    }
}

}  // namespace

}  // namespace kestrelon

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // The editor keeps its scale in the user's settings: a folder of the run's own.
    static const std::string folder = (std::filesystem::temp_directory_path() / "kestrelon-editor-fuzz").string();
    std::filesystem::create_directories(folder);
    setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kestrelon;
    vst2::AEffect* fx = VSTPluginMain(Host);
    FUZZ_CHECK(fx != nullptr, "VSTPluginMain gave no record", 0);
    fx->dispatcher(fx, vst2::effOpen, 0, 0, nullptr, 0.0f);
    fx->dispatcher(fx, vst2::effSetSampleRate, 0, 0, nullptr, 44100.0f);
    fx->dispatcher(fx, vst2::effSetBlockSize, 0, 256, nullptr, 0.0f);
    auto* base = static_cast<IEffectVST*>(fx->object);
    auto* g = dynamic_cast<IGraphics*>(base->Editor());
    FUZZ_CHECK(g != nullptr, "the effect has no graphics context", 0);

    std::vector<float> left(256), right(256);
    float* buffers[2] = {left.data(), right.data()};
    FuzzInput in(data, size);
    for (int step = 0; step < 400 && !in.Empty(); ++step) {
        const std::uint8_t op = in.Byte();
        const int x = static_cast<std::int16_t>(in.U16());
        const int y = static_cast<std::int16_t>(in.U16());
        const MouseModifiers mods = Modifiers(in.Byte());
        switch (op % 16) {
        case 0:
            g->RouteMouseDown(x, y, mods);
            break;
        case 1:
            g->RouteMouseUp(x, y, mods);
            break;
        case 2:
        case 3:
            g->RouteMouseDrag(x, y, mods);
            break;
        case 4:
            g->RouteDoubleClick(x, y, mods);
            break;
        case 5:
            g->RouteWheel(x, y, mods, static_cast<std::int8_t>(in.Byte()));
            break;
        case 6:
            g->RouteKeyDown(x, y, static_cast<KeyCode>(in.Byte() % 48));
            break;
        case 7:
            g->RouteMouseOver(x, y, mods);
            break;
        case 8:
            g->RouteMouseOut();
            g->ReleaseCapture();
            break;
        case 9: {
            Rect dirty;
            if (g->CollectDirtyRect(dirty))
                g->PaintRegion(dirty);
            break;
        }
        case 10:
            g->PaintRegion(Rect{x, y, x + in.Byte() * 4, y + in.Byte() * 4});
            break;
        case 11:
            // Sizes beyond the editor's own are a host's business, not ours:
            // kept to what a screen can show.
            g->ChangeEditorSize(1 + (x & 1023), 1 + (y & 1023));
            break;
        case 12:
            fx->setParameter(fx, in.Byte() % 6, in.Float());
            break;
        case 13:
            for (std::size_t i = 0; i < left.size(); ++i)
                left[i] = right[i] = static_cast<float>(std::sin(i * 0.05 * (1 + (x & 7))) * (1 + (y & 3)));
            fx->processReplacing(fx, buffers, buffers, 1 + (in.Byte() % 255));
            break;
        case 14: {
            char text[16] = {};
            for (int i = 0; i < 15; ++i)
                text[i] = static_cast<char>(in.Byte());
            if (IControl* control = g->ControlAt(in.Byte() % (g->ControlCount() + 1)))
                control->AcceptEnteredText(text);
            break;
        }
        default: {
            // A state from the host: the editor's own sizes and the values.
            std::vector<std::uint8_t> chunk = in.Bytes(in.Byte());
            fx->dispatcher(fx, vst2::effSetChunk, 1, static_cast<vst2::VstIntPtr>(chunk.size()), chunk.data(), 0.0f);
            break;
        }
        }
        CheckControls(*g);
        FUZZ_CHECK(g->Width() > 0 && g->Height() > 0, "an editor without size", g->Width());
    }
    fx->dispatcher(fx, vst2::effClose, 0, 0, nullptr, 0.0f);
    return 0;
}
