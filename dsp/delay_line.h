#pragma once

#include <cstdint>

namespace kestrelon {

// Fixed-capacity delay that gives the engine its look-ahead. The capacity is
// allocated with the object, so changing the length never allocates and is
// safe on the audio thread.
class DelayLine {
public:
    static constexpr int32_t kCapacity = 1001;

    // Restarts writing at slot 0 with a new length (limited to 1..kCapacity).
    // The stored samples are kept: after a rate change up to one look-ahead of
    // earlier audio is played again rather than a gap of silence.
    void Restart(int32_t newLength);

    // Stores x and returns the sample pushed length - 1 calls earlier (x itself
    // when length is 1, and also before the first Restart).
    double Push(double x)
    {
        samples[writeIndex] = x;
        const int32_t next = writeIndex + 1;
        writeIndex = next >= length ? 0 : next;
        return samples[writeIndex];
    }

    // Push for two lines that are always restarted and pushed together (the
    // engine's two channels), so they share length and write position; the
    // position is stepped once for both. x and y come back delayed.
    static void PushPair(DelayLine& a, DelayLine& b, double& x, double& y)
    {
        const int32_t at = a.writeIndex;
        a.samples[at] = x;
        b.samples[at] = y;
        const int32_t next = at + 1 >= a.length ? 0 : at + 1;
        a.writeIndex = next;
        b.writeIndex = next;
        x = a.samples[next];
        y = b.samples[next];
    }

    int32_t GetLength() const { return length; }

    // For the engine's block loop, which keeps the write position in a
    // register for a whole block and stores it back at the end.
    double* Samples() { return samples; }
    int32_t GetWriteIndex() const { return writeIndex; }
    void SetWriteIndex(int32_t index) { writeIndex = index; }

private:
    int32_t writeIndex = 0;
    int32_t length = 0;
    double samples[kCapacity] = {};
};

}  // namespace kestrelon
