// Pawn structure: islands, isolated and doubled pawn files, passed pawns with
// their rank bonus, connected and unstoppable passers, the boost of the pawn
// balance against a side with only king and pawns, and the square rule.
//
// Everything works on the per-file pawn masks of the scan: Black pawns advance
// toward higher bits, White pawns toward lower bits.
#include <cstdlib>

#include "engine/eval/eval_internal.h"

namespace corvane {

int PassedPawnBonus(int relativeRank) { return ((1 << (relativeRank - 1)) + 30) & 63; }

int DoubledPawnPenalty(int pawnsOnFile) { return 6 * (1 << pawnsOnFile) - 8; }

namespace {

// Square rule for a pawn of Black (BlackPawn true) or White on `cell`: the
// other side's king catches it when its file distance is within the pawn's
// rows to go, plus one when the defender is to move, and it stands no
// further behind the pawn than that one row.
template <bool BlackPawn>
bool KingInSquare(const Engine& e, int cell) {
    const int blackToMove = e.CurrentPly & 1;
    const int defenderToMove = BlackPawn ? 1 - blackToMove : blackToMove;
    const int rp = cell >> 4;
    const int fp = cell & 15;
    const int king = e.Board[BlackPawn ? WhiteKingCell : BlackKingCell];
    const int rk = king >> 4;
    const int fk = king & 15;
    const int toGo = BlackPawn ? 10 - rp : rp - 3;
    const int behind = BlackPawn ? rp - rk : rk - rp;
    return std::abs(fk - fp) <= toGo + defenderToMove && behind <= defenderToMove;
}

}  // namespace

bool WhiteKingInSquare(const Engine& e, int cell) { return KingInSquare<true>(e, cell); }
bool BlackKingInSquare(const Engine& e, int cell) { return KingInSquare<false>(e, cell); }

namespace {

// The most advanced Black pawn of file f: passed when no White pawn on this
// or a neighbouring file stands on a row beyond it.
void BlackPassedPawn(const Engine& e, const EvalWork& w, int f, int& lastPassed, Word& s) {
    const Byte* white = w.PawnFileMask[EvalWhite];
    const int rank = e.MaskTop[w.PawnFileMask[EvalBlack][f]];
    const int limit = 1 << rank;
    if (white[f] >= limit) return;
    if (f > 0 && white[f - 1] >= limit) return;
    if (f < 7 && white[f + 1] >= limit) return;

    s += PassedPawnBonus(rank);
    if (f > 0 && lastPassed == f - 1) s += 25;  // connected with the passer on the left
    lastPassed = f;
    if (e.WhiteSignature == 0 && !WhiteKingInSquare(e, 16 * (rank + 2) + f)) s += 180;
}

// The most advanced White pawn of file f: passed when no Black pawn on this
// or a neighbouring file stands on a row below it.
void WhitePassedPawn(const Engine& e, const EvalWork& w, int f, int& lastPassed, Word& s) {
    const Byte* black = w.PawnFileMask[EvalBlack];
    const int bit = e.MaskBottom[w.PawnFileMask[EvalWhite][f]];
    const int rank = 8 - bit;
    const int ahead = (1 << bit) - 1;
    if (black[f] & ahead) return;
    if (f > 0 && (black[f - 1] & ahead)) return;
    if (f < 7 && (black[f + 1] & ahead)) return;

    s -= PassedPawnBonus(rank);
    if (f > 0 && lastPassed == f - 1) s -= 25;  // connected with the passer on the left
    lastPassed = f;
    if (e.BlackSignature == 0 && !BlackKingInSquare(e, 16 * (bit + 3) + f)) s -= 180;
}

}  // namespace

// Islands and isolation count files, not pawns: one island is free, each
// further island costs 6 (file 7 alone is not counted as one), an isolated
// file costs 14 more (8 more on file 0).
void BlackPawnTerms(const Engine& e, const EvalWork& w, Word& s) {
    if (w.PawnCount[EvalBlack] == 0) return;
    const Byte* own = w.PawnFileMask[EvalBlack];
    int lastPassed = -1;
    s += 6;

    if (own[0] != 0) {
        s -= 6;
        BlackPassedPawn(e, w, 0, lastPassed, s);
        const int c = e.MaskCount[own[0]];
        if (c >= 2) s -= DoubledPawnPenalty(c);
        if (own[1] == 0) s -= 8;
    }
    for (int f = 1; f <= 6; ++f) {
        if (own[f] == 0) continue;
        if (own[f - 1] == 0) {
            s -= 6;
            if (own[f + 1] == 0) s -= 14;
        }
        BlackPassedPawn(e, w, f, lastPassed, s);
        const int c = e.MaskCount[own[f]];
        if (c >= 2) s -= DoubledPawnPenalty(c);
    }
    if (own[7] != 0) {
        BlackPassedPawn(e, w, 7, lastPassed, s);
        const int c = e.MaskCount[own[7]];
        if (c >= 2) s -= DoubledPawnPenalty(c);
        if (own[6] == 0) s -= 14;
    }
}

// White's terms use the same file order 0..7 and the same left-neighbour
// rule as Black's, with every amount taken off the score.
void WhitePawnTerms(const Engine& e, const EvalWork& w, Word& s) {
    if (w.PawnCount[EvalWhite] == 0) return;
    const Byte* own = w.PawnFileMask[EvalWhite];
    int lastPassed = -1;
    s -= 6;

    if (own[0] != 0) {
        s += 6;
        WhitePassedPawn(e, w, 0, lastPassed, s);
        const int c = e.MaskCount[own[0]];
        if (c >= 2) s += DoubledPawnPenalty(c);
        if (own[1] == 0) s += 8;
    }
    for (int f = 1; f <= 6; ++f) {
        if (own[f] == 0) continue;
        if (own[f - 1] == 0) {
            s += 6;
            if (own[f + 1] == 0) s += 14;
        }
        WhitePassedPawn(e, w, f, lastPassed, s);
        const int c = e.MaskCount[own[f]];
        if (c >= 2) s += DoubledPawnPenalty(c);
    }
    if (own[7] != 0) {
        WhitePassedPawn(e, w, 7, lastPassed, s);
        const int c = e.MaskCount[own[7]];
        if (c >= 2) s += DoubledPawnPenalty(c);
        if (own[6] == 0) s += 14;
    }
}

// Against a side with nothing but king and pawns, the change made by the pawn
// terms counts a quarter more.
void PawnStructureBoost(const Engine& e, const EvalWork& w, Word& s) {
    const Word s0 = w.LazyScore;
    if (e.BlackSignature == 0 && s < s0) s -= (s0 - s) / 4;
    if (e.WhiteSignature == 0 && s > s0) s += (s - s0) / 4;
}

}  // namespace corvane
