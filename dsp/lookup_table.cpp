#include "dsp/lookup_table.h"

namespace kestrelon {

LUT::LUT(int32_t entryCount) : count(entryCount < 1 ? 1 : entryCount)
{
    // Value-initialised: a lookup before the first Build reads zeros, not
    // garbage. If the second allocation fails the first is released.
    table = std::make_unique<double[]>(count);
    rises = std::make_unique<double[]>(count);
    lastIndex = count - 1;
    lastIndexValue = lastIndex;
}

double LUT::Evaluate(double x)
{
    return x;
}

// UI or audio thread (parameter change), plug-in mutex held.
void LUT::Build(double step)
{
    lastIndex = count - 1;
    lastIndexValue = lastIndex;
    scale = 1.0 / step;
    xRange = count * step;
    for (int32_t i = 0; i < count; ++i) {
        lastBuiltX = i * step;
        table[i] = Evaluate(lastBuiltX);
    }
    for (int32_t i = 0; i < count; ++i) {
        const double upper = table[i < lastIndex ? i + 1 : i];
        rises[i] = upper - table[i];
    }
}

}  // namespace kestrelon
