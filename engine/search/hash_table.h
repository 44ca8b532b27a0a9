// The hash table shared by all engine copies: 2N slots of three relaxed
// atomic words (check, score, info), allocated once by copy 1 at start-up.
// Slot i and slot i + N form bucket i and lie side by side in one cache line
// (three buckets to a line), so that a probe costs one memory access.
#pragma once

#include "engine/checks.h"
#include "engine/engine.h"

namespace corvane {

// Buckets per configured unit: 2 x 52000 slots of 10 bytes, which the
// cache-line layout holds in about 1.1 MB.
inline constexpr std::uint32_t HashSlotsPerUnit = 52000;

// Allocates the table in copy 1 for `units` megabyte units, on large pages
// where the system offers them. With `spareSlots` the table gets 256 spare
// slots at the end and the random key numbers are placed in the check words
// of slots 0 to 401 for the other copies to take. Returns false (and leaves
// the copy without a table) when the memory cannot be had.
bool HashAllocate(Engine& first, Word units, bool spareSlots);
void HashRelease(Engine& first);
// A table of another size for copy 1, allocated before the old one is
// released: on failure the old table stays as it was and false is returned.
// The other copies must be attached again (HashAttach) afterwards.
bool HashResize(Engine& first, Word units, bool spareSlots);

// Gives a further copy the table of copy 1 and copy 1's random key numbers
// (read from the table's first words), and builds its key tables.
void HashAttach(Engine& copy, const Engine& first, Word units);
// Leaves a copy without a table (it does not own the one it had).
void HashDetach(Engine& copy);

// The bucket of a position key: KeyA mod N. Where the compiler has 128-bit
// products the remainder comes from the stored reciprocal of N, which is
// exact for every 32-bit key; otherwise from a division.
inline std::uint32_t HashBucket(const Engine& e, std::uint32_t keyA) {
#if defined(__SIZEOF_INT128__)
    const std::uint64_t low = e.HashReciprocal * keyA;
    const auto bucket = static_cast<std::uint32_t>((static_cast<unsigned __int128>(low) * e.HashSlots) >> 64);
#else
    const std::uint32_t bucket = keyA % e.HashSlots;
#endif
    CORVANE_ASSERT(bucket < e.HashSlots);
    return bucket;
}

// 2^64 / n rounded up, for HashBucket.
inline std::uint64_t HashReciprocalOf(std::uint32_t n) {
    return n == 0 ? 0 : UINT64_C(0xFFFFFFFFFFFFFFFF) / n + 1;
}

// The words of slot `slot` (0 to 2N - 1): slot i and slot i + N are the two
// parts of bucket i, bucket b the entry b mod 3 of line b / 3.
struct HashSlotWords {
    std::atomic<std::uint32_t>& Check;
    std::atomic<std::uint32_t>& Score;
    std::atomic<std::uint16_t>& Info;
};
inline HashSlotWords HashSlot(const Engine& e, std::uint32_t slot) {
    CORVANE_ASSERT(e.HashLines != nullptr);
    const int part = slot >= e.HashSlots ? 1 : 0;
    const std::uint32_t bucket = part ? slot - e.HashSlots : slot;
    HashLine& line = e.HashLines[bucket / 3];
    const std::uint32_t k = bucket % 3;
    return {line.Check[k][part], line.Score[k][part], line.Info[k][part]};
}

// Starts loading the bucket of a position key into the cache, so that the
// probe that follows finds it there.
inline void HashPrefetchKey(const Engine& e, std::uint32_t keyA) {
#if defined(__GNUC__) || defined(__clang__)
    if (e.HashSlots == 0) return;
    __builtin_prefetch(&e.HashLines[HashBucket(e, keyA) / 3]);
#else
    (void)e;
    (void)keyA;
#endif
}

inline void HashPrefetch(const Engine& e, Byte ply) { HashPrefetchKey(e, e.KeyA[ply]); }

// Looks the position of ply p up: 0 nothing usable, 1 a checked move was
// found (HashFrom, HashTo, HashPromo, HashBound), 2 a cutoff (PlyValue[p] is
// set and NoMoves is 1).
Byte HashProbe(Engine& e, Byte ply);
// Stores the node of ply p as it closes.
void HashStore(Engine& e, Byte ply);

void HashClear(Engine& e);  // marks every depth-preferred slot empty
void HashAge(Engine& e);    // ages every depth-preferred slot by one engine move
// Empties the whole table of copy 1 (both slots of every bucket), as a
// freshly started program has it; `spareSlots` as for HashAllocate. Fast
// even for a large table: the memory goes back to the system zeroed.
void HashEmpty(Engine& first, bool spareSlots);
// Per mille of a sample of the depth-preferred slots that hold an entry
// stored during the current engine move (age 0).
int HashFullPerMille(const Engine& e);
// Writes every page of copy 1's table once, keeping its words: a table the
// system hands over zeroed gets its pages on first use, and a benchmark
// calls this before its clock starts so that it times the search alone.
void HashTouch(Engine& first);

}  // namespace corvane
