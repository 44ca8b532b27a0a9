// Hash table allocation, sharing, clearing and ageing.
#include "engine/search/hash_table.h"

#include <new>
#include <type_traits>

#include "engine/board/board.h"
#include "engine/board/sides.h"
#include "engine/platform.h"

namespace corvane {

namespace {

constexpr std::uint32_t SpareBuckets = 128;  // 256 spare slots

std::uint32_t SlotCount(Word units) {
    return static_cast<std::uint32_t>(units & 65535u) * HashSlotsPerUnit;
}

// The other copies take copy 1's random numbers from these words.
void PlaceRandomNumbers(Engine& first) {
    for (int x = 0; x < BoardCells; ++x) {
        HashSlot(first, x).Check.store(first.RandomA[x], std::memory_order_relaxed);
        HashSlot(first, BoardCells + x).Check.store(first.RandomB[x], std::memory_order_relaxed);
    }
}

}  // namespace

bool HashAllocate(Engine& first, Word units, bool spareSlots) {
    first.HashLines = nullptr;
    first.HashSlots = 0;
    first.HashBytes = 0;
    return HashResize(first, units, spareSlots);
}

bool HashResize(Engine& first, Word units, bool spareSlots) {
    const std::uint32_t n = SlotCount(units);
    const std::size_t buckets = static_cast<std::size_t>(n) + (spareSlots ? SpareBuckets : 0);
    const std::size_t lines = (buckets + 2) / 3;
    const std::size_t bytes = lines * sizeof(HashLine);
    // The block comes zeroed, and a zero word is what every word of a new
    // table holds: the memory is not touched here, so that even a large
    // table is had at once.
    static_assert(std::is_trivially_destructible_v<HashLine> && sizeof(std::atomic<std::uint32_t>) == 4 &&
                  sizeof(std::atomic<std::uint16_t>) == 2);
    void* block = TableMemoryAllocate(bytes, true);
    if (block == nullptr) return false;
    HashRelease(first);
    first.HashLines = static_cast<HashLine*>(block);
    first.HashSlots = n;
    first.HashReciprocal = HashReciprocalOf(n);
    first.HashBytes = bytes;
    if (spareSlots) PlaceRandomNumbers(first);
    return true;
}

void HashEmpty(Engine& first, bool spareSlots) {
    if (first.HashLines == nullptr) return;
    TableMemoryZero(first.HashLines, first.HashBytes);
    if (spareSlots) PlaceRandomNumbers(first);
}

void HashTouch(Engine& first) {
    constexpr std::size_t LinesPerPage = 4096 / sizeof(HashLine);
    const std::size_t lines = first.HashBytes / sizeof(HashLine);
    for (std::size_t i = 0; i < lines; i += LinesPerPage)
        first.HashLines[i].Check[0][0].fetch_or(0, std::memory_order_relaxed);
}

void HashRelease(Engine& first) {
    // The words are atomics of trivial destruction: the memory goes as it is.
    static_assert(std::is_trivially_destructible_v<HashLine>);
    TableMemoryRelease(first.HashLines, first.HashBytes);
    HashDetach(first);
}

void HashDetach(Engine& copy) {
    copy.HashLines = nullptr;
    copy.HashSlots = 0;
    copy.HashBytes = 0;
}

void HashAttach(Engine& copy, const Engine& first, Word units) {
    copy.HashSlots = SlotCount(units);
    copy.HashReciprocal = HashReciprocalOf(copy.HashSlots);
    copy.HashLines = first.HashLines;
    copy.HashBytes = 0;
    for (int x = 0; x < BoardCells; ++x) {
        copy.RandomA[x] = HashSlot(first, x).Check.load(std::memory_order_relaxed);
        copy.RandomB[x] = HashSlot(first, BoardCells + x).Check.load(std::memory_order_relaxed);
    }
    BuildKeyTables(copy);
}

namespace {

// Mate scores are kept relative to the node that stores them.
inline Word MateToTable(Word v, int ply) {
    if (v < MatedBelow) return static_cast<Word>(v - ply);
    if (v > MatesAbove) return static_cast<Word>(v + ply);
    return v;
}

inline Word MateFromTable(Word v, int ply) {
    if (v < MatedBelow) v = static_cast<Word>(v + ply);
    if (v > MatesAbove) v = static_cast<Word>(v - ply);
    return v;
}

// Does a stored score v of bound kind t settle the node of ply p, side S to
// move: a score the side cannot exceed that does not reach its own bound, a
// score it reaches at least that reaches the parent's, or an exact score?
template <const SideOrders& S>
bool BoundSettles(const Engine& e, int p, int t, Word v) {
    return (t == BoundAtMost && AtLeast<S>(e.PlyBound[p], v)) || (t == BoundAtLeast && AtLeast<S>(v, e.PlyBound[p - 1])) ||
           t == BoundExact;
}

// The bound kind of the score v that closes the node of ply p, side S to
// move: exact, unless it did not beat the side's own bound (upper) or
// reached the parent's (lower).
template <const SideOrders& S>
int BoundKind(const Engine& e, int p, Word v) {
    int t = BoundExact;
    if (AtLeast<S>(e.PlyBound[p - 2], v)) t = BoundAtMost;
    if (AtLeast<S>(v, e.PlyBound[p - 1])) t = BoundAtLeast;
    return t;
}

// May the entry with info word x and stored score s cut the node of ply p?
// Sets `value` to the score seen from the node.
bool CutoffTest(const Engine& e, int p, std::uint16_t x, Word s, Word required, Word& value) {
    if ((x >> 4) < required) return false;
    const Word v = MateFromTable(s, p);
    const int t = x & BoundBits;
    const bool pass = (p & 1) ? BoundSettles<BlackOrders>(e, p, t, v) : BoundSettles<WhiteOrders>(e, p, t, v);
    if (!pass) return false;
    const int h = e.HalfMoveClock[p];
    // A position that occurred in the game within the fifty-move window may
    // be a repetition the stored value does not know of.
    if (h > 3 && (h & 254) + 2 > p) {
        const int start = p / 2 > 2 ? p / 2 : 2;
        for (int i = start; i <= h / 2; ++i) {
            const int k = 2 * i + 1 - p;
            if (k >= GameKeyCapacity) break;
            if (e.KeyA[p] == e.GameKeyA[k] && e.KeyB[p] == e.GameKeyB[k]) return false;
        }
    }
    // A deep stored search may have looked past the fifty-move limit.
    if (h >= 70 && (x >> 7) >= 100 - h) return false;
    value = v;
    return true;
}

}  // namespace

Byte HashProbe(Engine& e, Byte ply) {
    const int p = ply;
    Byte r = 0;
    e.HashBound = BoundNone;
    e.HashTo = 0;
    if (e.HashSlots == 0) return 0;
    const std::uint32_t i = HashBucket(e, e.KeyA[p]);
    Word required = 1;
    if (8 * p <= e.PlyDepth[p]) required = static_cast<Word>(e.PlyDepth[p] + 1 - 8 * p);
    const std::uint32_t check = e.KeyB[p] & 16777215u;
    Word value = 0;

    HashLine& line = e.HashLines[i / 3];
    const std::uint32_t k = i % 3;
    const std::uint32_t c1 = line.Check[k][0].load(std::memory_order_relaxed);
    if ((c1 >> 8) == check) {
        const std::uint32_t s1 = line.Score[k][0].load(std::memory_order_relaxed);
        const std::uint16_t x1 = line.Info[k][0].load(std::memory_order_relaxed);
        e.HashFrom = static_cast<Byte>(s1 >> 8);
        e.HashTo = static_cast<Byte>(s1);
        e.HashPromo = static_cast<Byte>(c1);
        if (ValidateMove(e, e.HashFrom, e.HashTo, e.HashPromo, ply) == 0) {
            e.HashTo = 0;
        } else {
            r = 1;
            e.HashBound = static_cast<Byte>(x1 & BoundBits);
            if (CutoffTest(e, p, x1, static_cast<Word>(s1 >> 16), required, value)) {
                e.PlyValue[p] = value;
                e.NoMoves = 1;
                return 2;
            }
        }
    }

    const std::uint32_t c2 = line.Check[k][1].load(std::memory_order_relaxed);
    if ((c2 >> 8) == check) {
        const std::uint32_t s2 = line.Score[k][1].load(std::memory_order_relaxed);
        const std::uint16_t x2 = line.Info[k][1].load(std::memory_order_relaxed);
        const Byte from = static_cast<Byte>(s2 >> 8);
        const Byte to = static_cast<Byte>(s2);
        const Byte promo = static_cast<Byte>(c2);
        if (ValidateMove(e, from, to, promo, ply) != 0) {
            r = 1;
            const Byte t2 = static_cast<Byte>(x2 & BoundBits);
            // An exact entry beats a lower bound, any bound beats an upper
            // bound, and a slot without a valid move is always replaced.
            if (((e.HashBound == BoundAtMost || e.HashBound == BoundNone) && (e.HashTo == 0 || t2 != BoundAtMost)) ||
                (e.HashBound == BoundAtLeast && t2 == BoundExact)) {
                e.HashFrom = from;
                e.HashTo = to;
                e.HashPromo = promo;
                e.HashBound = t2;
            }
            if (CutoffTest(e, p, x2, static_cast<Word>(s2 >> 16), required, value)) {
                e.PlyValue[p] = value;
                e.NoMoves = 1;
                r = 2;
            }
        }
    }
    return r;
}

void HashStore(Engine& e, Byte ply) {
    if (e.HashSlots == 0) return;
    const int p = ply;
    Word v = e.PlyValue[p];
    const int t = (p & 1) ? BoundKind<BlackOrders>(e, p, v) : BoundKind<WhiteOrders>(e, p, v);
    v = MateToTable(v, p);
    std::uint32_t d = 0;
    if (8 * p <= e.PlyDepth[p] && v != ScoreDraw) d = e.PlyDepth[p] + 1u - 8u * p;

    const std::uint32_t i = HashBucket(e, e.KeyA[p]);
    HashLine& line = e.HashLines[i / 3];
    const std::uint32_t k = i % 3;
    const std::uint16_t x = line.Info[k][0].load(std::memory_order_relaxed);
    const std::uint32_t w = (x >> 4) + ((x & BoundBits) == BoundExact ? 16u : 0u);
    const std::uint32_t u = d + (t == BoundExact ? 16u : 0u) + ((x & 4) ? 8u : 0u) + ((x & 8) ? 2048u : 0u);
    const int part = u < w ? 1 : 0;  // slot i, or slot i + N

    const int b = e.BestIndex[p];
    line.Check[k][part].store(((e.KeyB[p] & 16777215u) << 8) + e.MoveExtra[p][b], std::memory_order_relaxed);
    line.Score[k][part].store((static_cast<std::uint32_t>(v) << 16) + (e.MoveFrom[p][b] << 8) + e.MoveTo[p][b],
                              std::memory_order_relaxed);
    line.Info[k][part].store(static_cast<std::uint16_t>(d * 16 + t), std::memory_order_relaxed);
}

// Calls `visit` with the info word of every depth-preferred slot 0 to N - 1.
template <typename Visit>
void ForEachDepthPreferredInfo(Engine& e, Visit visit) {
    const std::uint32_t n = e.HashSlots;
    for (std::uint32_t b = 0; b < n; b += 3) {
        HashLine& line = e.HashLines[b / 3];
        for (std::uint32_t k = 0; k < 3 && b + k < n; ++k) visit(line.Info[k][0]);
    }
}

void HashClear(Engine& e) {
    ForEachDepthPreferredInfo(e, [](std::atomic<std::uint16_t>& info) { info.store(BoundNone, std::memory_order_relaxed); });
}

int HashFullPerMille(const Engine& e) {
    const std::uint32_t sample = e.HashSlots < 1000 ? e.HashSlots : 1000;
    if (sample == 0) return 0;
    std::uint32_t used = 0;
    for (std::uint32_t b = 0; b < sample; ++b) {
        const HashSlotWords slot = HashSlot(e, b);
        const std::uint16_t info = slot.Info.load(std::memory_order_relaxed);
        // A stored score is never 0, so a zero score word is a slot never
        // written since the table was made or emptied.
        if ((info & BoundBits) != BoundNone && (info & 12) == 0 && slot.Score.load(std::memory_order_relaxed) != 0) ++used;
    }
    return static_cast<int>(used * 1000 / sample);
}

void HashAge(Engine& e) {
    ForEachDepthPreferredInfo(e, [](std::atomic<std::uint16_t>& info) {
        std::uint16_t x = info.load(std::memory_order_relaxed);
        if ((x & 4) == 0) x = static_cast<std::uint16_t>(x + 4);
        else x = static_cast<std::uint16_t>((x & ~12u) + 12);
        info.store(x, std::memory_order_relaxed);
    });
}

}  // namespace corvane
