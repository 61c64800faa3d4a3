#pragma once

#include "dsp/lookup_table.h"

namespace kestrelon {

// The gain curve of a stage: 1 - (1 / (x + 1))^exponent, 0 at x = 0 and rising
// towards 1, which it reaches only by rounding (large exponents and detector
// values), so a cut never turns the signal over. With exponent 0 it is 0
// everywhere.
class LUtTransfer : public LUT {
public:
    explicit LUtTransfer(int32_t count) : LUT(count) {}

    double Evaluate(double x) override;

    // Takes effect at the next Build.
    void SetExponent(double e) { exponent = e; }
    double GetExponent() const { return exponent; }

private:
    double exponent = 0.0;
};

}  // namespace kestrelon
