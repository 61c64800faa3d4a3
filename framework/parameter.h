#pragma once

#include <cstdint>
#include <vector>

namespace kestrelon {

// What a parameter is; stored as a 32-bit integer.
enum class ParamKind : int32_t {
    KindUnset = 0,
    KindSwitch = 1,
    KindInteger = 2,
    KindChoice = 3,
    KindContinuous = 4,
};

// Size of every parameter text field and of the buffer GetDisplayText fills:
// 31 bytes of UTF-8 and the terminator.
constexpr int kParamTextSize = 32;

// A text shown instead of the number for one plain value.
struct DisplayText {
    int32_t value;
    char text[kParamTextSize];
};

// One plug-in parameter: its kind, range, step, curve, default, current
// value, name, unit label and optional texts for particular values. Plain
// values are in the parameter's own units; the host and the controls see
// normalised values 0..1, plain = min + normalised^shape * (max - min).
// No lock of its own: callers hold the plug-in's mutex.
class IParameter {
public:
    IParameter() = default;

    // Initialisation, once per parameter, in the plug-in's constructor.
    void DefineContinuous(const char* name, double defaultValue, double minValue, double maxValue, double step,
                          const char* label = "", double shape = 1.0);
    void DefineInteger(const char* name, int defaultValue, int minValue, int maxValue, const char* label = "");
    void DefineSwitch(const char* name, bool defaultOn, const char* label = "");
    void AddValueText(int value, const char* text);

    void Set(double v);
    double SetFromNormalized(double x);
    double ToNormalized(double v) const;
    bool GetBool() const { return value >= boolThreshold; }

    // Writes at most kParamTextSize bytes (terminator included) into buffer.
    void GetDisplayText(double v, bool isNormalised, char* buffer, bool useDisplayTexts) const;
    const char* GetDisplayLabel() const;
    const char* GetName() const { return name; }
    // The value of the first display text equal to text; false when none is.
    bool FindValueByText(const char* text, double* valueOut) const;
    int GetDisplayTextCount() const { return static_cast<int>(displayTexts.size()); }
    const char* GetDisplayTextFor(int n) const;

    ParamKind Type() const { return type; }
    double Value() const { return value; }
    double MinValue() const { return minValue; }
    double MaxValue() const { return maxValue; }
    double Step() const { return step; }
    double Shape() const { return shape; }
    double DefaultValue() const { return defaultValue; }
    int DisplayPrecision() const { return displayPrecision; }
    const char* Label() const { return label; }

private:
    // The first entry standing for trunc(v), or null.
    const DisplayText* FindDisplayText(double v) const;

    ParamKind type = ParamKind::KindUnset;
    double value = 0.0;
    double minValue = 0.0;
    double maxValue = 1.0;
    double step = 1.0;
    double shape = 1.0;
    double defaultValue = 0.0;
    double boolThreshold = 0.5;
    int32_t displayPrecision = 0;
    char name[kParamTextSize] = {};
    char label[kParamTextSize] = {};
    std::vector<DisplayText> displayTexts;
};

}  // namespace kestrelon
