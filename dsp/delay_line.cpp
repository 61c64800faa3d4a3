#include "dsp/delay_line.h"

namespace kestrelon {

// Audio or UI thread (engine reset), plug-in mutex held.
void DelayLine::Restart(int32_t newLength)
{
    if (newLength < 1)
        newLength = 1;
    if (newLength > kCapacity)
        newLength = kCapacity;
    length = newLength;
    writeIndex = 0;
}

}  // namespace kestrelon
