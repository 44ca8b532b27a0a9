// Pawn structure: islands, isolated and doubled pawn files, passed pawns with
// their rank bonus, connected and unstoppable passers, the boost of the pawn
// balance against a side with only king and pawns, and the square rule.
//
// Everything works on the board's pawn lists, a bit per square: Black pawns
// advance toward higher rows, White pawns toward lower ones.
#include <cstdlib>

#include "engine/eval/eval_internal.h"

namespace corvane {

int PassedPawnBonus(int relativeRank) { return ((1 << (relativeRank - 1)) + 30) & 63; }

int DoubledPawnPenalty(int pawnsOnFile) { return 6 * (1 << pawnsOnFile) - 8; }

bool WhiteKingInSquare(const Engine& e, int cell) { return KingInSquare<BlackOrders>(e, cell); }
bool BlackKingInSquare(const Engine& e, int cell) { return KingInSquare<WhiteOrders>(e, cell); }

namespace {

constexpr std::uint64_t kFile0 = FileSquares(0);
constexpr std::uint64_t kFile7 = FileSquares(7);

// The squares on the files beside each piece of a set, same row.
inline std::uint64_t Beside(std::uint64_t squares) {
    return ((squares & ~kFile7) << 1) | ((squares & ~kFile0) >> 1);
}

// Every square of the set and all squares of lower (FillDown) or higher
// (FillUp) rows on the same file.
inline std::uint64_t FillDown(std::uint64_t x) {
    x |= x >> 8;
    x |= x >> 16;
    return x | x >> 32;
}
inline std::uint64_t FillUp(std::uint64_t x) {
    x |= x << 8;
    x |= x << 16;
    return x | x << 32;
}

// Every square behind a piece of the set on its file, as side S's pawns
// advance (Black's toward higher rows, White's toward lower ones).
template <const SideOrders& S>
inline std::uint64_t Behind(std::uint64_t x) {
    return S.Forward > 0 ? FillDown(x >> 8) : FillUp(x << 8);
}

// The pawn terms of side S, worked on the pawn sets at once, as the amount
// they move the score in the side's favour. With `bare` the square rule runs
// for the passers (the other side has only king and pawns).
template <const SideOrders& S>
int PawnTerms(const Engine& e, bool bare) {
    const std::uint64_t own = e.PieceSquares[S.Pawn];
    if (own == 0) return 0;
    const std::uint64_t enemy = e.PieceSquares[S.EnemyPawn];
    const unsigned files = FilesOf(own);
    int v = 6;

    // Every island that starts on files 0 to 6 costs 6 (one is paid back by
    // the 6 above); an isolated file 14, on file 0 only 8.
    v -= 6 * e.MaskCount[files & ~(files << 1) & 0x7F];
    const unsigned isolated = files & ~(files << 1) & ~(files >> 1);
    v -= 8 * static_cast<int>(isolated & 1) + 14 * e.MaskCount[isolated & 0xFE];

    // Doubled: the files where a pawn has another one ahead.
    const std::uint64_t behind = own & Behind<S>(own);
    for (unsigned d = FilesOf(behind); d != 0; d &= d - 1)
        v -= DoubledPawnPenalty(e.MaskCount[FileRows(own, std::countr_zero(d))]);

    // Passed: the most advanced pawn of a file with no enemy pawn ahead of
    // it on its own or a neighbouring file.
    const std::uint64_t stops = enemy | Beside(enemy);
    const std::uint64_t passed = own & ~Behind<S>(own) & ~Behind<S>(stops);
    if (passed == 0) return v;
    const unsigned passedFiles = FilesOf(passed);
    for (std::uint64_t p = passed; p != 0; p &= p - 1) {
        const int square = std::countr_zero(p);
        const int f = square & 7;
        v += PassedPawnBonus(RelativeSquareRow<S>(square) + 1);
        if (f > 0 && ((passedFiles >> (f - 1)) & 1)) v += 25;  // connected with the passer on the left
        if (bare && !KingInSquare<S>(e, SquareCell(square))) v += 180;
    }
    return v;
}

// The side's pawn terms worked out afresh, the square rule running when the
// other side has only king and pawns.
template <const SideOrders& S>
void FreshPawnTerms(const Engine& e, Word& s) {
    Favour<S>(s, PawnTerms<S>(e, e.*EnemyOf<S>.Signature == 0));
}

}  // namespace

// Islands and isolation count files, not pawns: one island is free, each
// further island costs 6 (file 7 alone is not counted as one), an isolated
// file costs 14 more (8 more on file 0). White's terms use the same file
// order and the same left-neighbour rule as Black's.
void BlackPawnTerms(const Engine& e, const EvalWork&, Word& s) { FreshPawnTerms<BlackOrders>(e, s); }
void WhitePawnTerms(const Engine& e, const EvalWork&, Word& s) { FreshPawnTerms<WhiteOrders>(e, s); }

void PawnTermsOfBoth(Engine& e, Word& s) {
    // The square rule reads the kings and the side to move: positions where
    // it runs are worked out afresh.
    if (e.WhiteSignature == 0 || e.BlackSignature == 0) {
        FreshPawnTerms<BlackOrders>(e, s);
        FreshPawnTerms<WhiteOrders>(e, s);
        return;
    }
    const std::uint64_t black = e.PieceSquares[BlackPawn];
    const std::uint64_t white = e.PieceSquares[WhitePawn];
    PawnEntry& entry = e.PawnCache[PawnCacheIndex(black, white)];
    if (entry.BlackPawns != black || entry.WhitePawns != white) {
        entry.BlackPawns = black;
        entry.WhitePawns = white;
        entry.BlackTerms = static_cast<std::int16_t>(PawnTerms<BlackOrders>(e, false));
        entry.WhiteTerms = static_cast<std::int16_t>(PawnTerms<WhiteOrders>(e, false));
    }
    Favour<BlackOrders>(s, entry.BlackTerms);
    Favour<WhiteOrders>(s, entry.WhiteTerms);
}

namespace {

// Against an enemy with nothing but king and pawns, a change from s0 in the
// side's favour counts a quarter more.
template <const SideOrders& S>
void BoostAgainstBare(const Engine& e, Word s0, Word& s) {
    if (e.*EnemyOf<S>.Signature == 0 && Better<S>(s, s0)) Favour<S>(s, Margin<S>(s, s0) / 4);
}

}  // namespace

// Against a side with nothing but king and pawns, the change made by the pawn
// terms counts a quarter more.
void PawnStructureBoost(const Engine& e, const EvalWork& w, Word& s) {
    BoostAgainstBare<WhiteOrders>(e, w.LazyScore, s);
    BoostAgainstBare<BlackOrders>(e, w.LazyScore, s);
}

}  // namespace corvane
