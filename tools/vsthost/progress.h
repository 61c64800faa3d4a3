// The progress bar on stderr: only on a terminal, and only once a render has
// run long enough for a user to wonder whether it is still going. One thread
// draws it.
#pragma once

#include <chrono>
#include <cstdint>

namespace kestrelon {

namespace vsthost {

class ProgressBar {
public:
    explicit ProgressBar(bool enabled);
    // Takes the bar off the terminal.
    ~ProgressBar();
    // `done` of `total` (nothing is drawn while the total is unknown, 0 or less).
    void Update(std::int64_t done, std::int64_t total);
    // Takes the bar off the line so that a message can be printed; the next
    // Update draws it again.
    void Clear();

private:
    using Clock = std::chrono::steady_clock;
    bool active;
    bool shown = false;
    Clock::time_point started;
    Clock::time_point lastDraw;
};

}  // namespace vsthost

}  // namespace kestrelon
