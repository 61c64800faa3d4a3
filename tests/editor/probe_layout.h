// The probe effect's editor, shared by the effect and its tests: where each
// control sits and which colours tell its state on a screenshot.
#pragma once

#include <cstdint>

#include "framework/graphics/graphics_types.h"

namespace kestrelon {

namespace probe {

enum Param : int { kGain = 0, kBypass, kAmount, kParamCount };

constexpr int kWidth = 240;
constexpr int kHeight = 160;
constexpr int kBackgroundImage = 3100;
constexpr int kKnobImage = 3101;
constexpr int kSwitchImage = 3102;

constexpr int kKnobX = 20, kKnobY = 20, kKnobSize = 64, kKnobFrames = 33;
constexpr int kSwitchX = 120, kSwitchY = 20, kSwitchSize = 32;
constexpr Rect kBar{120, 100, 220, 120};

constexpr std::uint32_t kBackgroundPixel = 0xFF203040u;
constexpr std::uint32_t kSwitchOff = 0xFF404040u;
constexpr std::uint32_t kSwitchOn = 0xFF20C040u;

// Each knob frame a grey of its own: frame f (0-based) is 0x10 + 6 f.
constexpr std::uint32_t KnobFramePixel(int frame)
{
    const std::uint32_t level = 0x10u + 6u * static_cast<std::uint32_t>(frame);
    return 0xFF000000u | (level << 16) | (level << 8) | level;
}

}  // namespace probe

}  // namespace kestrelon
