// Working data of one call of Evaluate and the stage operations that it runs
// in order. Used only inside engine/eval (and by the evaluation's tests).
//
// The running score s is an unsigned 16-bit value, 32768 = level, larger is
// better for Black (codes 1..6). Every addition and subtraction on it wraps
// modulo 65536; divisions work on non-negative differences only.
#pragma once

#include <bit>
#include <cstdlib>

#include "engine/board/board.h"
#include "engine/board/sides.h"
#include "engine/engine.h"

namespace corvane {

// Per-call data, written by the scan and the rook terms and read by the later
// stages. It lives on the stack of Evaluate; nothing survives the call. The
// pieces themselves are read from the lists the board keeps
// (Engine::PieceSquares, a bit per square, bit 8 x (row - 3) + file).
struct EvalWork {
    Word LazyScore;            // score at the end of the scan
    Byte RookShutIn[2];        // by side Index: set by the rook terms, read by the king-safety blocks
};

// The squares of file f, and the rows counted from row 3 (bit 8 x row).
constexpr std::uint64_t FileSquares(int f) { return UINT64_C(0x0101010101010101) << f; }
constexpr std::uint64_t RowSquares(int row) { return UINT64_C(0xFF) << (8 * row); }
// The squares of the side's row r, counted from its own back row.
template <const SideOrders& S>
constexpr std::uint64_t SideRowSquares(int r) { return RowSquares((RowStart<S>(r) - FirstRowCell) / RowCells); }

// The first and the last cell of a non-empty set in cell order, and the
// cell of the piece of a set that stands furthest along the side's pawn
// direction.
inline int FirstCell(std::uint64_t squares) { return SquareCell(std::countr_zero(squares)); }
inline int LastCell(std::uint64_t squares) { return SquareCell(63 - std::countl_zero(squares)); }
template <const SideOrders& S>
inline int MostAdvancedCell(std::uint64_t squares) { return S.Forward > 0 ? LastCell(squares) : FirstCell(squares); }

// The rows of the pieces of a set on file f, bit (row - 3): the eight bits of
// the file gathered into a byte by one product (no two partial products
// meet in the top byte, none carries into it).
inline Byte FileRows(std::uint64_t squares, int f) {
    return static_cast<Byte>((((squares >> f) & FileSquares(0)) * UINT64_C(0x0102040810204080)) >> 56);
}

// The files that hold a piece of the set, bit f for file f.
inline unsigned FilesOf(std::uint64_t squares) {
    squares |= squares >> 32;
    squares |= squares >> 16;
    squares |= squares >> 8;
    return static_cast<unsigned>(squares & 255);
}

// The rook bonus by file: Black's relative-rank-2 row of PawnTable (cells 64
// to 71), read unmirrored for the rooks of both colours.
inline int RookFileBonus(const Engine& e, int file) { return e.PawnTable[64 + file]; }

// Square colour used by the bishop rules: cells 48 and 167 have colour 1,
// cells 55 and 160 colour 0.
constexpr int CellColour(int cell) { return ((cell >> 4) + cell) & 1; }

// evaluate.cpp
// The scan: material and placement (the board's kept sum), both signatures
// and LazyScore. Returns the score at the end of the scan.
Word ScanBoard(Engine& e, EvalWork& w);
// True when the positional stage runs for the scan score `lazy`.
bool PositionalStageRuns(const Engine& e, Word lazy);

// pawns.cpp
void BlackPawnTerms(const Engine& e, const EvalWork& w, Word& s);
void WhitePawnTerms(const Engine& e, const EvalWork& w, Word& s);
// Both sides' pawn terms, as BlackPawnTerms and then WhitePawnTerms make
// them; where no square rule runs, from the copy's pawn cache (PawnCache).
void PawnTermsOfBoth(Engine& e, Word& s);
// The cache entry of a pair of pawn sets.
inline std::uint32_t PawnCacheIndex(std::uint64_t black, std::uint64_t white) {
    return static_cast<std::uint32_t>((black * UINT64_C(0x9E3779B97F4A7C15) ^ white * UINT64_C(0xC2B2AE3D27D4EB4F)) >>
                                      (64 - PawnCacheBits));
}
void PawnStructureBoost(const Engine& e, const EvalWork& w, Word& s);
// Square rule for a pawn of side S on `cell`: the other side's king catches
// it when its file distance is within the pawn's rows to go, plus one when
// the defender is to move, and it stands no further behind the pawn than
// that one row.
template <const SideOrders& S>
bool KingInSquare(const Engine& e, int cell) {
    const int defenderToMove = ToMove<EnemyOf<S>>(e.CurrentPly);
    const int king = e.Board[S.EnemyKingCell];
    const int toGo = 7 - RelativeRow<S>(cell);
    const int behind = RelativeRow<S>(cell) - RelativeRow<S>(king);
    return std::abs((king & 15) - (cell & 15)) <= toGo + defenderToMove && behind <= defenderToMove;
}
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
