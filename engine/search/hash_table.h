// The hash table shared by all engine copies: three parallel arrays of
// relaxed atomic words, allocated once by copy 1 at start-up.
#pragma once

#include "engine/engine.h"

namespace corvane {

// Bytes one configured unit costs: 2 x 52000 slots of 10 bytes.
inline constexpr std::uint32_t HashSlotsPerUnit = 52000;

// Allocates the three arrays in copy 1 for `units` megabyte units. With
// `spareSlots` the arrays get 256 spare slots at the end and the random key
// numbers are placed in the first 402 check words for the other copies to
// take. Returns false (and leaves the copy without a table) when the memory
// cannot be had.
bool HashAllocate(Engine& first, Word units, bool spareSlots);
void HashRelease(Engine& first);
// A table of another size for copy 1, allocated before the old one is
// released: on failure the old table stays as it was and false is returned.
// The other copies must be attached again (HashAttach) afterwards.
bool HashResize(Engine& first, Word units, bool spareSlots);

// Gives a further copy the table of copy 1 and copy 1's random key numbers
// (read from the table's first words), and builds its key tables.
void HashAttach(Engine& copy, const Engine& first, Word units);

// The bucket of a position key: KeyA mod N. Where the compiler has 128-bit
// products the remainder comes from the stored reciprocal of N, which is
// exact for every 32-bit key; otherwise from a division.
inline std::uint32_t HashBucket(const Engine& e, std::uint32_t keyA) {
#if defined(__SIZEOF_INT128__)
    const std::uint64_t low = e.HashReciprocal * keyA;
    return static_cast<std::uint32_t>((static_cast<unsigned __int128>(low) * e.HashSlots) >> 64);
#else
    return keyA % e.HashSlots;
#endif
}

// 2^64 / n rounded up, for HashBucket.
inline std::uint64_t HashReciprocalOf(std::uint32_t n) {
    return n == 0 ? 0 : UINT64_C(0xFFFFFFFFFFFFFFFF) / n + 1;
}

// Starts loading the bucket of a position key into the cache, so that the
// probe that follows finds it there.
inline void HashPrefetchKey(const Engine& e, std::uint32_t keyA) {
#if defined(__GNUC__) || defined(__clang__)
    if (e.HashSlots == 0) return;
    const std::uint32_t i = HashBucket(e, keyA);
    __builtin_prefetch(&e.HashCheckWords[i]);
    __builtin_prefetch(&e.HashScoreWords[i]);
    __builtin_prefetch(&e.HashInfoWords[i]);
    __builtin_prefetch(&e.HashCheckWords[i + e.HashSlots]);
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

}  // namespace corvane
