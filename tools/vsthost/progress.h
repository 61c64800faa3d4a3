// The progress bar on stderr: only on a terminal, and only once a render has
// run long enough for a user to wonder whether it is still going.
#pragma once

#include <chrono>
#include <cstdint>

namespace kestrelon {

namespace vsthost {

class ProgressBar {
public:
    // `total` frames expected (0 or less when unknown: no bar is drawn).
    ProgressBar(std::int64_t total, bool enabled);
    ~ProgressBar();
    void Update(std::int64_t done);

private:
    using Clock = std::chrono::steady_clock;
    void Clear();
    std::int64_t totalFrames;
    bool active;
    bool shown = false;
    Clock::time_point started;
    Clock::time_point lastDraw;
};

}  // namespace vsthost

}  // namespace kestrelon
