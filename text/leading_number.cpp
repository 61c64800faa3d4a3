#include "text/leading_number.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <system_error>

namespace kestrelon {

double ParseLeadingNumber(const char* text)
{
    if (!text)
        return 0.0;
    while (*text == ' ' || *text == '\t')
        ++text;
    if (*text == '+' && text[1] != '-')
        ++text;
    double value = 0.0;
    const char* end = text + std::strlen(text);
    const std::from_chars_result result = std::from_chars(text, end, value);
    if (result.ec == std::errc::result_out_of_range) {
        // Too small to hold is zero; too large is the infinity of its sign,
        // which the parameter's range then limits.
        const char* exponent = std::find_if(text, result.ptr, [](char c) { return c == 'e' || c == 'E'; });
        if (exponent + 1 < result.ptr && exponent[1] == '-')
            return 0.0;
        return text[0] == '-' ? -HUGE_VAL : HUGE_VAL;
    }
    if (result.ec != std::errc() || std::isnan(value))
        return 0.0;
    return value;
}

}  // namespace kestrelon
