// Hash table allocation, sharing, clearing and ageing.
#include "engine/search/hash_table.h"

#include <new>

#include "engine/board/board.h"

namespace corvane {

namespace {

constexpr std::uint32_t SpareSlots = 256;

std::uint32_t SlotCount(Word units) {
    return static_cast<std::uint32_t>(units & 65535u) * HashSlotsPerUnit;
}

}  // namespace

bool HashAllocate(Engine& first, Word units, bool spareSlots) {
    first.HashCheckWords = nullptr;
    first.HashScoreWords = nullptr;
    first.HashInfoWords = nullptr;
    first.HashSlots = 0;
    return HashResize(first, units, spareSlots);
}

bool HashResize(Engine& first, Word units, bool spareSlots) {
    const std::uint32_t n = SlotCount(units);
    const std::size_t slots = 2u * static_cast<std::size_t>(n) + (spareSlots ? SpareSlots : 0);
    // Value-initialised: every word of every slot starts at 0.
    auto* check = new (std::nothrow) std::atomic<std::uint32_t>[slots]();
    auto* score = check ? new (std::nothrow) std::atomic<std::uint32_t>[slots]() : nullptr;
    auto* info = score ? new (std::nothrow) std::atomic<std::uint16_t>[slots]() : nullptr;
    if (info == nullptr) {
        delete[] score;
        delete[] check;
        return false;
    }
    HashRelease(first);
    first.HashCheckWords = check;
    first.HashScoreWords = score;
    first.HashInfoWords = info;
    first.HashSlots = n;
    first.HashReciprocal = HashReciprocalOf(n);
    if (spareSlots) {
        // The other copies take copy 1's random numbers from these words.
        for (int x = 0; x < BoardCells; ++x) {
            check[x].store(first.RandomA[x], std::memory_order_relaxed);
            check[BoardCells + x].store(first.RandomB[x], std::memory_order_relaxed);
        }
    }
    return true;
}

void HashRelease(Engine& first) {
    delete[] first.HashCheckWords;
    delete[] first.HashScoreWords;
    delete[] first.HashInfoWords;
    first.HashCheckWords = nullptr;
    first.HashScoreWords = nullptr;
    first.HashInfoWords = nullptr;
    first.HashSlots = 0;
}

void HashAttach(Engine& copy, const Engine& first, Word units) {
    copy.HashSlots = SlotCount(units);
    copy.HashReciprocal = HashReciprocalOf(copy.HashSlots);
    for (int x = 0; x < BoardCells; ++x) {
        copy.RandomA[x] = first.HashCheckWords[x].load(std::memory_order_relaxed);
        copy.RandomB[x] = first.HashCheckWords[BoardCells + x].load(std::memory_order_relaxed);
    }
    BuildKeyTables(copy);
    copy.HashCheckWords = first.HashCheckWords;
    copy.HashScoreWords = first.HashScoreWords;
    copy.HashInfoWords = first.HashInfoWords;
}

namespace {

// Mate scores are kept relative to the node that stores them.
inline Word MateToTable(Word v, int ply) {
    if (v < 3280) return static_cast<Word>(v - ply);
    if (v > 62256) return static_cast<Word>(v + ply);
    return v;
}

inline Word MateFromTable(Word v, int ply) {
    if (v < 3280) v = static_cast<Word>(v + ply);
    if (v > 62256) v = static_cast<Word>(v - ply);
    return v;
}

// May the entry with info word x and stored score s cut the node of ply p?
// Sets `value` to the score seen from the node.
bool CutoffTest(const Engine& e, int p, std::uint16_t x, Word s, Word required, Word& value) {
    if ((x >> 4) < required) return false;
    const Word v = MateFromTable(s, p);
    const int t = x & 3;
    bool pass;
    if (p & 1) {
        pass = (t == 0 && v <= e.PlyBound[p]) || (t == 1 && v >= e.PlyBound[p - 1]) || t == 2;
    } else {
        pass = (t == 0 && v >= e.PlyBound[p]) || (t == 1 && v <= e.PlyBound[p - 1]) || t == 2;
    }
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
    e.HashBound = 3;
    e.HashTo = 0;
    if (e.HashSlots == 0) return 0;
    const std::uint32_t n = e.HashSlots;
    const std::uint32_t i = HashBucket(e, e.KeyA[p]);
    Word required = 1;
    if (8 * p <= e.PlyDepth[p]) required = static_cast<Word>(e.PlyDepth[p] + 1 - 8 * p);
    const std::uint32_t check = e.KeyB[p] & 16777215u;
    Word value = 0;

    const std::uint32_t c1 = e.HashCheckWords[i].load(std::memory_order_relaxed);
    if ((c1 >> 8) == check) {
        const std::uint32_t s1 = e.HashScoreWords[i].load(std::memory_order_relaxed);
        const std::uint16_t x1 = e.HashInfoWords[i].load(std::memory_order_relaxed);
        e.HashFrom = static_cast<Byte>(s1 >> 8);
        e.HashTo = static_cast<Byte>(s1);
        e.HashPromo = static_cast<Byte>(c1);
        if (ValidateMove(e, e.HashFrom, e.HashTo, e.HashPromo, ply) == 0) {
            e.HashTo = 0;
        } else {
            r = 1;
            e.HashBound = static_cast<Byte>(x1 & 3);
            if (CutoffTest(e, p, x1, static_cast<Word>(s1 >> 16), required, value)) {
                e.PlyValue[p] = value;
                e.NoMoves = 1;
                return 2;
            }
        }
    }

    const std::uint32_t j = i + n;
    const std::uint32_t c2 = e.HashCheckWords[j].load(std::memory_order_relaxed);
    if ((c2 >> 8) == check) {
        const std::uint32_t s2 = e.HashScoreWords[j].load(std::memory_order_relaxed);
        const std::uint16_t x2 = e.HashInfoWords[j].load(std::memory_order_relaxed);
        const Byte from = static_cast<Byte>(s2 >> 8);
        const Byte to = static_cast<Byte>(s2);
        const Byte promo = static_cast<Byte>(c2);
        if (ValidateMove(e, from, to, promo, ply) != 0) {
            r = 1;
            const Byte t2 = static_cast<Byte>(x2 & 3);
            // An exact entry beats a lower bound, any bound beats an upper
            // bound, and a slot without a valid move is always replaced.
            if (((e.HashBound == 0 || e.HashBound == 3) && (e.HashTo == 0 || t2 != 0)) ||
                (e.HashBound == 1 && t2 == 2)) {
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
    int t = 2;
    if (p & 1) {
        if (e.PlyBound[p - 2] >= v) t = 0;
        if (e.PlyBound[p - 1] <= v) t = 1;
    } else {
        if (e.PlyBound[p - 2] <= v) t = 0;
        if (e.PlyBound[p - 1] >= v) t = 1;
    }
    v = MateToTable(v, p);
    std::uint32_t d = 0;
    if (8 * p <= e.PlyDepth[p] && v != ScoreDraw) d = e.PlyDepth[p] + 1u - 8u * p;

    const std::uint32_t n = e.HashSlots;
    std::uint32_t slot = HashBucket(e, e.KeyA[p]);
    const std::uint16_t x = e.HashInfoWords[slot].load(std::memory_order_relaxed);
    const std::uint32_t w = (x >> 4) + ((x & 3) == 2 ? 16u : 0u);
    const std::uint32_t u = d + (t == 2 ? 16u : 0u) + ((x & 4) ? 8u : 0u) + ((x & 8) ? 2048u : 0u);
    if (u < w) slot += n;

    const int b = e.BestIndex[p];
    e.HashCheckWords[slot].store(((e.KeyB[p] & 16777215u) << 8) + e.MoveExtra[p][b], std::memory_order_relaxed);
    e.HashScoreWords[slot].store((static_cast<std::uint32_t>(v) << 16) + (e.MoveFrom[p][b] << 8) + e.MoveTo[p][b],
                                 std::memory_order_relaxed);
    e.HashInfoWords[slot].store(static_cast<std::uint16_t>(d * 16 + t), std::memory_order_relaxed);
}

void HashClear(Engine& e) {
    std::atomic<std::uint16_t>* info = e.HashInfoWords;
    for (std::uint32_t i = 0; i < e.HashSlots; ++i) info[i].store(3, std::memory_order_relaxed);
}

void HashAge(Engine& e) {
    std::atomic<std::uint16_t>* info = e.HashInfoWords;
    for (std::uint32_t i = 0; i < e.HashSlots; ++i) {
        std::uint16_t x = info[i].load(std::memory_order_relaxed);
        if ((x & 4) == 0) x = static_cast<std::uint16_t>(x + 4);
        else x = static_cast<std::uint16_t>((x & ~12u) + 12);
        info[i].store(x, std::memory_order_relaxed);
    }
}

}  // namespace corvane
