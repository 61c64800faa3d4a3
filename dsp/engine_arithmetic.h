#pragma once

#include <bit>
#include <cstdint>
#include <limits>

namespace kestrelon {

// Constants and helpers shared by the engine's per-frame and block loops,
// which must agree to the bit.
namespace engine_arithmetic {

// The look-ahead is 88 samples at 44100 Hz (about 2 ms) at every rate.
constexpr double kLookaheadAt44100 = 88.0;

// Boost fractions are scaled past the curve's limit of 1: at most +6.85 dB on
// attacks and +13.94 dB on sustain. Cuts use the fraction as it is, so they
// never invert the signal.
constexpr double kAttackBoostScale = 1.2;
constexpr double kSustainBoostScale = 3.98;

constexpr double kLargestFinite = std::numeric_limits<double>::max();

// NaN and +-infinity become 0. Only called once a sample has failed a cheap
// range test. Tests the exponent bits, so no floating-point exception is
// raised for a host that has unmasked them.
inline double FiniteOrSilence(double x)
{
    constexpr uint64_t kExponentMask = 0x7FF0000000000000ull;
    return (std::bit_cast<uint64_t>(x) & kExponentMask) != kExponentMask ? x : 0.0;
}

}  // namespace engine_arithmetic

}  // namespace kestrelon
