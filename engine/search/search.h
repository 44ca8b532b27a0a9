// The resumable search of one engine copy: an iterative-deepening alpha-beta
// search without recursion whose whole state lives in the per-ply tables, so
// that it can stop after any finished descent and go on at the next call.
#pragma once

#include "engine/engine.h"

namespace corvane {

// Node budget of one call of copy 1 and of the other copies (while the engine
// is to move; a quarter of it while pondering).
inline constexpr std::uint32_t StepBudgetFirst = 150000;
inline constexpr std::uint32_t StepBudgetOthers = 75000;

// Deepest ply a node of the tree may stand on; a node there is scored by the
// evaluation and gets no move list, so no line reaches the scratch plies
// 253 to 255 of the best-line report.
inline constexpr int DeepestTreePly = 250;

// RemainingCode of a node: the full plies left before the horizon (its
// depth / 8 less its ply) + RemainingAtHorizon, so that the code of a
// quiescence node below the horizon stays positive. PliesLeft(n) is the
// code of a node n plies before the horizon (n < 0: below it).
inline constexpr int RemainingAtHorizon = 256;
constexpr int PliesLeft(int plies) { return RemainingAtHorizon + plies; }

// Flags of a best-line entry (its low byte): another piece of the kind
// reaches the to-cell, capture, en passant, promotion, the root move failing
// low or high, check; 255 marks the mate entry.
inline constexpr std::uint32_t LineFlagName = 2;
inline constexpr std::uint32_t LineFlagCapture = 4;
inline constexpr std::uint32_t LineFlagEnPassant = 8;
inline constexpr std::uint32_t LineFlagPromotion = 16;
inline constexpr std::uint32_t LineFlagFailLow = 32;
inline constexpr std::uint32_t LineFlagFailHigh = 64;
inline constexpr std::uint32_t LineFlagCheck = 128;
inline constexpr std::uint32_t LineMateEntry = 255;

// Advances the search by about one node budget and returns. A copy whose
// NodeCount is 0 starts a new search on its game position first. Copies 2 to
// 4 pass a start depth: when it is not 0, every call searches the root at
// that depth (forced depth).
void SearchStep(Engine& e, Byte startDepth = 0);

// SearchStep with a given node budget for the call (the budget is tested
// when a descent ends; the search does not depend on where calls end).
void RunSearchStep(Engine& e, Byte startDepth, std::uint32_t budget);

// Starts a new search on the game position at once (what the first step
// after a reset of the node count does), so that the root list can be
// narrowed before the first step.
void BeginSearch(Engine& e);

struct RootMove;
// Keeps in the root list only the moves named (from, to and promotion code;
// a promotion code of 0 stands for any), unless that would leave none.
void KeepRootMoves(Engine& e, const RootMove* moves, int count);

// Results read by the front end.
Byte CurrentDepth(const Engine& e);  // the iteration in progress (the next one right after an iteration ended)

struct RootMove {
    Byte From;
    Byte To;
    Byte Promotion;  // 0 unless a pawn reaches the last row
};
RootMove RootBestMove(Engine& e);

// 32768 plus the material of the engine's pieces on GameBoard minus that of
// the opponent's.
Word MaterialBalance(const Engine& e);

// Reads entry i of the best line. While NewVariation is set, the read clears
// it and yields 1 instead of the entry: a read of entry 0 that yields 1 says a
// new best line is ready.
std::uint32_t ReadVariation(Engine& e, int i);

// Internals shared by the search files.
void DescentStep(Engine& e);
// Aspiration rules on a new root value; true when the same root move is to be
// searched again with a widened window.
bool RootAspiration(Engine& e);
void ReportBestLine(Engine& e);
// The best-line entry of root slot `slot`, without the check flag, on the
// root position (the board between search steps).
std::uint32_t RootMoveEntry(const Engine& e, int slot);
Byte LineEndTest(Engine& e, Byte ply, int k);
int SameKindReach(const Engine& e, Byte piece, Byte target);
void QuietOrder(Engine& e, Byte ply);
// Moves slot b of a ply's list to slot 0, shifting slots 0..b-1 up by one
// (from-cell, to-cell and extra byte).
void MoveSlotToFront(Engine& e, int ply, int b);
// Repetition or fifty-move draw at ply p of the tree.
bool DrawTest(const Engine& e, int ply);

}  // namespace corvane
