#include "framework/parameter.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "text/text_copy.h"

namespace kestrelon {

namespace {

// Formats like printf's "%.*f" / "%d" in the C locale. to_chars never looks
// at the process locale, so a host that switched to a comma-decimal locale
// still gets "2.4", and its rounding is printf's (exact binary value).
void FormatNumber(double v, int precision, char* buffer)
{
    char text[400];  // the longest double in fixed notation with 6 decimals fits
    std::to_chars_result r;
    if (precision > 0) {
        r = std::to_chars(text, text + sizeof(text), v, std::chars_format::fixed, precision);
    } else {
        const double whole = std::trunc(v);
        if (whole > -2147483649.0 && whole < 2147483648.0)
            r = std::to_chars(text, text + sizeof(text), static_cast<int32_t>(whole));
        else  // no int holds it; print the truncated value itself rather than overflow
            r = std::to_chars(text, text + sizeof(text), whole, std::chars_format::fixed, 0);
    }
    const std::size_t length = r.ec == std::errc() ? static_cast<std::size_t>(r.ptr - text) : 0;
    CopyTextTruncated(buffer, kParamTextSize, text, length);
}

}  // namespace

void IParameter::DefineContinuous(const char* newName, double newDefault, double newMin, double newMax, double newStep,
                                  const char* newLabel, double newShape)
{
    if (type == ParamKind::KindUnset)
        type = ParamKind::KindContinuous;
    CopyTextTruncated(name, sizeof(name), newName);
    CopyTextTruncated(label, sizeof(label), newLabel);
    minValue = newMin;
    value = newDefault;
    step = newStep;
    defaultValue = newDefault;
    maxValue = std::max(newMin + newStep, newMax);  // the range is never empty

    // One decimal per power of ten the step needs to become whole.
    displayPrecision = 0;
    for (double x = newStep; x != std::floor(x) && displayPrecision < 6; x *= 10.0)
        ++displayPrecision;

    if (newShape != 0.0)
        shape = newShape;
}

void IParameter::DefineInteger(const char* newName, int newDefault, int newMin, int newMax, const char* newLabel)
{
    if (type == ParamKind::KindUnset)
        type = ParamKind::KindInteger;
    DefineContinuous(newName, newDefault, newMin, newMax, 1.0, newLabel, 1.0);
}

void IParameter::DefineSwitch(const char* newName, bool defaultOn, const char* newLabel)
{
    if (type == ParamKind::KindUnset)
        type = ParamKind::KindSwitch;
    DefineContinuous(newName, defaultOn ? 1.0 : 0.0, 0.0, 1.0, 1.0, newLabel, 1.0);
    AddValueText(0, "off");
    AddValueText(1, "on");
}

void IParameter::AddValueText(int newValue, const char* text)
{
    DisplayText entry{};
    entry.value = newValue;
    CopyTextTruncated(entry.text, sizeof(entry.text), text);
    displayTexts.push_back(entry);
}

void IParameter::Set(double v)
{
    if (std::isnan(v))
        return;  // NaN has no place in the range; a garbled chunk or text keeps the old value
    value = v < minValue ? minValue : std::min(v, maxValue);
}

double IParameter::SetFromNormalized(double x)
{
    double v = std::pow(x, shape) * (maxValue - minValue) + minValue;
    if (std::isnan(v))
        return value;  // as in Set: a NaN from the host keeps the old value
    // Stepped kinds land on a step, halves rounding upwards; continuous ones
    // keep every value the host or a control sends.
    if (type != ParamKind::KindContinuous)
        v = std::floor(v / step + 0.5) * step;
    v = std::min(v, maxValue);
    value = v;
    return v;
}

double IParameter::ToNormalized(double v) const
{
    const double c = v < minValue ? minValue : std::min(v, maxValue);
    return std::pow((c - minValue) / (maxValue - minValue), 1.0 / shape);
}

const DisplayText* IParameter::FindDisplayText(double v) const
{
    // Texts stand for whole numbers; 1.7 shows the text of 1.
    const double whole = std::trunc(v);
    for (const DisplayText& entry : displayTexts)
        if (static_cast<double>(entry.value) == whole)
            return &entry;
    return nullptr;
}

void IParameter::GetDisplayText(double v, bool isNormalised, char* buffer, bool useDisplayTexts) const
{
    if (!buffer)
        return;
    if (isNormalised)
        v = std::pow(v, shape) * (maxValue - minValue) + minValue;
    if (useDisplayTexts && !displayTexts.empty()) {
        const DisplayText* entry = FindDisplayText(v);
        if (entry && entry->text[0] != '\0') {
            CopyTextTruncated(buffer, kParamTextSize, entry->text);
            return;
        }
    }
    FormatNumber(v, displayPrecision, buffer);
}

const char* IParameter::GetDisplayLabel() const
{
    const DisplayText* entry = FindDisplayText(value);
    return entry && entry->text[0] != '\0' ? "" : label;
}

bool IParameter::FindValueByText(const char* text, double* valueOut) const
{
    if (!text)
        return false;
    for (const DisplayText& entry : displayTexts) {
        if (std::strcmp(entry.text, text) == 0) {
            if (valueOut)
                *valueOut = entry.value;
            return true;
        }
    }
    return false;
}

const char* IParameter::GetDisplayTextFor(int n) const
{
    for (const DisplayText& entry : displayTexts)
        if (entry.value == n)
            return entry.text;
    return "";
}

}  // namespace kestrelon
