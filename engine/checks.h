// Run-time checks of the invariants the comments state (a cell on the
// board, a ply or slot inside its table, a list below its capacity, a hash
// slot inside the table, the kings where the king cells say). The sanitizer
// and fuzz builds turn them on (CORVANE_CHECKS); there a failed check names
// itself and where it stands and ends the program. Every other build
// compiles them out, so that the Release build is as fast as without them.
#pragma once

#if defined(CORVANE_CHECKS)
#include <cstdio>
#include <cstdlib>

namespace corvane {

[[noreturn]] inline void CheckFailed(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, condition);
    std::abort();
}

}  // namespace corvane

#define CORVANE_ASSERT(condition) ((condition) ? static_cast<void>(0) : ::corvane::CheckFailed(#condition, __FILE__, __LINE__))
#else
// Not evaluated, but still compiled: a check cannot go stale unnoticed.
#define CORVANE_ASSERT(condition) static_cast<void>(sizeof((condition) ? 1 : 0))
#endif
