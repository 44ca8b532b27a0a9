// What the standard library cannot reach: memory for the hash table on large
// pages where the system offers them, and 1 ms sleeps that last 1 ms on
// Windows. Every function has a plain fallback, so the same source builds on
// any system.
#pragma once

#include <cstddef>

namespace corvane {

// Alignment of every block TableMemoryAllocate returns (a cache line).
inline constexpr std::size_t TableMemoryAlignment = 64;

// A block of `bytes` bytes, aligned to TableMemoryAlignment, or nullptr when
// the memory cannot be had. With `largePages` the block asks the system for
// large pages (on Linux: transparent huge pages, which these systems often
// give only on request); without, or where the system has none, it is plain
// memory. Every byte of it is 0. A mapped block comes from the system
// already zeroed and is not touched here, so that even a large block is had
// at once: its pages are filled in as the search reaches them.
void* TableMemoryAllocate(std::size_t bytes, bool largePages);
// Frees a block of TableMemoryAllocate; `bytes` is the size asked for.
void TableMemoryRelease(void* block, std::size_t bytes);
// Sets every byte of a block of TableMemoryAllocate to 0. A mapped block is
// handed back to the system, which gives zeroed pages again when they are
// next touched: a large block is emptied at once.
void TableMemoryZero(void* block, std::size_t bytes);

// Called once at program start. On Windows it sets the system timer to 1 ms,
// without which a 1 ms sleep lasts a whole timer period (often 15.6 ms);
// elsewhere it does nothing.
void PlatformStart();

}  // namespace corvane
