#pragma once

namespace kestrelon {

// The leading decimal number of a typed text, independent of the process's C
// locale (a comma locale must not turn "3.5" into 3). Leading blanks and a
// '+' are skipped as a user would expect; no number, not-a-number or null
// reads 0; a number too large to hold is the infinity of its sign.
double ParseLeadingNumber(const char* text);

}  // namespace kestrelon
