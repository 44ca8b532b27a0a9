// Working data of one call of Evaluate and the stage operations that it runs
// in order. Used only inside engine/eval (and by the evaluation's tests).
//
// The running score s is an unsigned 16-bit value, 32768 = level, larger is
// better for Black (codes 1..6). Every addition and subtraction on it wraps
// modulo 65536; divisions work on non-negative differences only.
#pragma once

#include "engine/engine.h"

namespace corvane {

// Side index of the per-side items of EvalWork.
inline constexpr int EvalBlack = 0;
inline constexpr int EvalWhite = 1;

// Per-call data, built by the board scan and read by the later stages. It
// lives on the stack of Evaluate; nothing survives the call. The piece lists
// hold 64 cells, one per square, so no position can overrun them.
struct EvalWork {
    Byte QueenCell[2];         // cell of the side's queen met last in scan order, 0 for none
    Byte RookCells[2][64];     // rook cells in scan order
    Byte BishopCells[2][64];   // bishop cells in scan order
    Byte RookCount[2];
    Byte BishopCount[2];
    Byte KnightCount[2];
    Byte PawnCount[2];
    Byte PawnFileMask[2][8];   // per file: bit (row - 3) set for every pawn of the side
    Word LazyScore;            // score at the end of the scan
    Byte RookShutIn[2];        // set by the rook terms, read by the king-safety blocks
};

// Moves the score by v in the favour of Black (Black true) or of White.
template <bool Black>
inline void Favour(Word& s, int v) {
    s = static_cast<Word>(Black ? s + v : s - v);
}

// The rook bonus by file: Black's relative-rank-2 row of PawnTable (cells 64
// to 71), read unmirrored for the rooks of both colours.
inline int RookFileBonus(const Engine& e, int file) { return e.PawnTable[64 + file]; }

// Square colour used by the bishop rules: cells 48 and 167 have colour 1,
// cells 55 and 160 colour 0.
inline int CellColour(int cell) { return ((cell >> 4) + cell) & 1; }

// evaluate.cpp
// Board scan: material and placement, lists, pawn masks, both signatures and
// LazyScore. Returns the score at the end of the scan.
Word ScanBoard(Engine& e, EvalWork& w);
// True when the positional stage runs for the scan score `lazy`.
bool PositionalStageRuns(const Engine& e, Word lazy);

// pawns.cpp
void BlackPawnTerms(const Engine& e, const EvalWork& w, Word& s);
void WhitePawnTerms(const Engine& e, const EvalWork& w, Word& s);
void PawnStructureBoost(const Engine& e, const EvalWork& w, Word& s);
// Square rule: can the White king still catch the Black pawn on `cell`?
bool WhiteKingInSquare(const Engine& e, int cell);
// Square rule: can the Black king still catch the White pawn on `cell`?
bool BlackKingInSquare(const Engine& e, int cell);
// Passed-pawn bonus by relative rank and doubled-pawn penalty by pawn count.
int PassedPawnBonus(int relativeRank);
int DoubledPawnPenalty(int pawnsOnFile);

// pieces.cpp
void BlackRookTerms(const Engine& e, EvalWork& w, Word& s);
void WhiteRookTerms(const Engine& e, EvalWork& w, Word& s);
void BlackKingTerms(const Engine& e, const EvalWork& w, Word& s);
void WhiteKingTerms(const Engine& e, const EvalWork& w, Word& s);
void BlackBishopTerms(const Engine& e, const EvalWork& w, Word& s);
void WhiteBishopTerms(const Engine& e, const EvalWork& w, Word& s);
// Value of one bishop's four diagonal runs, before the 16 every bishop pays.
int BishopMobility(const Engine& e, int cell);

// endgame.cpp
void EndgameStage(const Engine& e, const EvalWork& w, Word& s);
// Divisor of the trade-down term for an opponent with signature `signature`
// and `pawns` pawns (at least 5).
int TradeDownDivisor(Word signature, int pawns);

}  // namespace corvane
