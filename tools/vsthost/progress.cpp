#include "tools/vsthost/progress.h"

#include <cstdio>

namespace kestrelon {

namespace vsthost {
namespace {

// Renders shorter than this finish before a bar would be any help.
constexpr auto kShowAfter = std::chrono::seconds(2);
constexpr auto kRedrawEvery = std::chrono::milliseconds(100);
constexpr int kWidth = 40;

}  // namespace

ProgressBar::ProgressBar(bool enabled) : active(enabled), started(Clock::now()), lastDraw(started)
{}

ProgressBar::~ProgressBar()
{
    Clear();
}

void ProgressBar::Update(std::int64_t done, std::int64_t total)
{
    if (!active || total <= 0)
        return;
    const Clock::time_point now = Clock::now();
    if (now - started < kShowAfter || (shown && now - lastDraw < kRedrawEvery))
        return;
    lastDraw = now;
    shown = true;
    const double fraction = done >= total ? 1.0 : static_cast<double>(done) / static_cast<double>(total);
    const int filled = static_cast<int>(fraction * kWidth);
    char bar[kWidth + 1];
    for (int i = 0; i < kWidth; ++i)
        bar[i] = i < filled ? '#' : '-';
    bar[kWidth] = '\0';
    std::fprintf(stderr, "\r[%s] %3d%%", bar, static_cast<int>(fraction * 100.0));
    std::fflush(stderr);
}

void ProgressBar::Clear()
{
    if (!shown)
        return;
    std::fprintf(stderr, "\r%*s\r", kWidth + 8, "");
    std::fflush(stderr);
    shown = false;
}

}  // namespace vsthost

}  // namespace kestrelon
