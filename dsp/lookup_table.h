#pragma once

#include <cstdint>
#include <memory>

namespace kestrelon {

// A function tabulated at equal steps from x = 0 and read back with linear
// interpolation, so that a costly curve is evaluated only when it changes and
// never per sample. Subclasses supply the function through Evaluate.
class LUT {
public:
    // count entries (at least one); allocated here, all 0 until Build.
    explicit LUT(int32_t count);
    virtual ~LUT() = default;
    LUT(const LUT&) = delete;
    LUT& operator=(const LUT&) = delete;

    // The tabulated function; the base table is the identity.
    virtual double Evaluate(double x);

    // Fills entry i with Evaluate(i * step). Evaluates count times: call it
    // when the curve changes, not from the sample loop.
    void Build(double step);

    // What a lookup reads, as plain values: the engine's block loop copies it
    // into locals so that nothing is reloaded from the table object per
    // sample (stores to the output buffers could otherwise alias it).
    struct Reader {
        const double* table;
        const double* rises;
        double scale;
        double lastIndexValue;

        double Lookup(double x) const
        {
            double pos = x * scale;
            pos = pos > lastIndexValue ? lastIndexValue : pos;
            // NaN fails the comparison and reads entry 0 like a negative
            // position.
            pos = pos >= 0.0 ? pos : 0.0;
            const int32_t index = static_cast<int32_t>(pos);
            const double fraction = pos - index;
            // rises[index] holds upper - lower, computed once by Build with
            // the same subtraction, so the result is
            // lower + (upper - lower) * fraction to the bit.
            return table[index] + rises[index] * fraction;
        }
    };
    Reader GetReader() const { return {table.get(), rises.get(), scale, lastIndexValue}; }

    // Interpolated value at x. Positions below 0 read entry 0, positions past
    // the end read the last entry, and NaN reads entry 0, so any detector
    // value is safe to look up.
    double Lookup(double x) const { return GetReader().Lookup(x); }

    int32_t GetCount() const { return count; }
    double GetEntry(int32_t i) const { return table[i]; }
    double GetRange() const { return xRange; }
    double GetLastBuiltX() const { return lastBuiltX; }

private:
    std::unique_ptr<double[]> table;
    // Entry i + 1 minus entry i (the last entry minus itself, so the end of
    // the table interpolates towards itself and never reads past it).
    std::unique_ptr<double[]> rises;
    double xRange = 0.0;
    double scale = 0.0;
    double lastBuiltX = 0.0;
    // lastIndex as a double, so the clamp needs no conversion per lookup.
    double lastIndexValue = 0.0;
    int32_t lastIndex = 0;
    int32_t count = 0;
};

}  // namespace kestrelon
