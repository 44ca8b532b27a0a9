// The stopwatch of the search control. It reads a time of day (hours,
// minutes, seconds, centiseconds) from a monotonic clock, so that a change of
// the system clock or of daylight saving time never shows as thinking time.
#include <chrono>

#include "frontend/frontend.h"

namespace corvane {

namespace {

Stopwatch TimeOfDay() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    const auto ms = static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
    Stopwatch w;
    w.Hour = static_cast<Word>((ms / 3600000u) % 24u);
    w.Minute = static_cast<Word>((ms / 60000u) % 60u);
    w.Second = static_cast<Word>((ms / 1000u) % 60u);
    w.Centisecond = static_cast<Word>((ms % 1000u) / 10u);
    return w;
}

}  // namespace

void StartStopwatch(FrontEnd& fe) {
    fe.Elapsed = 0;
    fe.Watch = TimeOfDay();
}

void ReadStopwatch(FrontEnd& fe) {
    const Stopwatch now = TimeOfDay();
    std::int64_t hours = now.Hour;
    if (hours < fe.Watch.Hour) hours += 24;
    const std::int64_t elapsed = (hours - fe.Watch.Hour) * 360000 + (now.Minute - fe.Watch.Minute) * 6000 +
                                 (now.Second - fe.Watch.Second) * 100 + (now.Centisecond - fe.Watch.Centisecond);
    fe.Elapsed = static_cast<std::uint32_t>(elapsed);
}

}  // namespace corvane
