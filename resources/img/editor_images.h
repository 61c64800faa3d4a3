#pragma once

// The editor's eight pictures: PNG resources of type "PNG" in Kestrelon.dll, and on Linux the same
// bytes compiled into the binary and registered under the same ids (module null). They are drawn
// by tools/artwork, which the build runs; this table is what the drawing, the resource script and
// the effect's LoadImage calls agree on.

#include <cstdint>

namespace kestrelon {

struct EditorImage {
    std::uint16_t id;
    const char* name;  // the name LoadImage is given, also the file's path in the build tree
    std::int32_t width;
    std::int32_t height;  // of the whole strip: frames stacked vertically
    std::int32_t frames;
};

inline constexpr std::uint16_t kBackgroundImage = 100;
inline constexpr std::uint16_t kAttackKnobImage = 101;
inline constexpr std::uint16_t kSustainKnobImage = 102;
inline constexpr std::uint16_t kSensitivityKnobImage = 103;
inline constexpr std::uint16_t kOutputKnobImage = 104;
inline constexpr std::uint16_t kClipLightImage = 105;
inline constexpr std::uint16_t kCreditsImage = 106;
inline constexpr std::uint16_t kClipButtonImage = 107;

inline constexpr int kEditorImageCount = 8;

inline constexpr EditorImage kEditorImages[kEditorImageCount] = {
    {kBackgroundImage, "resources/img/bg.png", 340, 484, 1},
    {kAttackKnobImage, "resources/img/knob_1.png", 134, 134 * 101, 101},
    {kSustainKnobImage, "resources/img/knob_2.png", 134, 134 * 101, 101},
    {kSensitivityKnobImage, "resources/img/knob_3.png", 134, 134 * 101, 101},
    {kOutputKnobImage, "resources/img/knob_4.png", 134, 134 * 101, 101},
    {kClipLightImage, "resources/img/clip.png", 24, 24 * 10, 10},
    {kCreditsImage, "resources/img/credits.png", 340, 484, 1},
    {kClipButtonImage, "resources/img/clipbutton.png", 22, 22 * 2, 2},
};

// [any host thread] Makes the eight images loadable with LoadPngFromResource(ModuleInstance(), id):
// on Linux it registers the compiled-in bytes once per process (later calls only report), on
// Windows the images are in the module's resources already. True when all eight are available.
// The effect calls it before building its editor; calling it is also what keeps the image data
// in a statically linked binary.
bool RegisterEditorImages();

}  // namespace kestrelon
