// Board and moves: the operations on an engine copy's board, per-ply tables
// and game position. Each colour-dependent operation has an entry point for
// Black (codes 1..6, odd plies) and one for White (codes 11..16, even
// plies); where the two differ only in data they share one template over the
// side's orders (sides.h).
#pragma once

#include <array>
#include <bit>
#include <cstring>

#include "engine/checks.h"
#include "engine/engine.h"

namespace corvane {

// The piece lists (Engine::PieceSquares ...): a square cell's bit number and
// the cell of a bit number, read from two constant tables (one load instead
// of four operations on the hot paths). Make and unmake read a cell's bit
// from the table CellBit, which holds 0 for every other cell.
inline constexpr auto kSquareOfCell = [] {
    std::array<Byte, BoardCells> table{};
    for (int cell = 0; cell < BoardCells; ++cell) table[cell] = static_cast<Byte>(((cell >> 4) - 3) * 8 + (cell & 7));
    return table;
}();
inline constexpr auto kCellOfSquare = [] {
    std::array<Byte, 64> table{};
    for (int square = 0; square < 64; ++square)
        table[square] = static_cast<Byte>(FirstRowCell + ((square >> 3) << 4) + (square & 7));
    return table;
}();
// For square cells only.
constexpr int SquareIndex(int cell) { return kSquareOfCell[cell]; }
constexpr int SquareCell(int square) { return kCellOfSquare[square]; }

// The cell step of line d of Engine::Rays: lines 0 to 3 run toward higher
// bits, 4 to 7 are the same lines turned round. Even lines run along rows and
// files, odd ones along diagonals.
constexpr int RayStep(int d) {
    constexpr int steps[8] = {1, 15, 16, 17, -1, -15, -16, -17};
    return steps[d];
}

// The cell steps of a knight, of the rows and files, and of the diagonals,
// for the tests that only count or look for what they find. The generators
// walk the same steps in each side's own orders (sides.h), which fix the
// order of the moves in their lists.
inline constexpr std::array<int, 8> KnightOffsets = {-33, -31, -18, -14, 14, 18, 31, 33};
inline constexpr std::array<int, 4> StraightOffsets = {-16, -1, 1, 16};
inline constexpr std::array<int, 4> DiagonalOffsets = {-17, -15, 15, 17};

// Is d (a cell distance, taken as a positive number) a king's or a knight's
// step?
constexpr bool KingDistance(int d) { return d == 1 || d == 15 || d == 16 || d == 17; }
constexpr bool KnightDistance(int d) {
    // Bits 14, 18, 31 and 33: one test and a shift instead of four compares.
    return static_cast<unsigned>(d) <= 33 && ((std::uint64_t{0x280044000} >> d) & 1) != 0;
}

// The first cell from `cell` along `step` that is not Empty: the first piece
// on the line, or the guard cell that ends it (guard cells are never Empty,
// so the walk stops on the board's edge).
[[gnu::always_inline]] constexpr int FirstOccupied(const Byte* board, int cell, int step) {
    int x = cell + step;
    while (board[x] == Empty) x += step;
    return x;
}

// Piece code v enters or leaves the lists on a square cell, or moves along
// them from one square cell to another. The board cells themselves are the
// caller's to write. The null move (cell 0 to cell 0, code Empty) changes
// nothing: cell 0 has no bit and Empty no value.
inline void ListAdd(Engine& e, Byte v, int cell) {
    const std::uint64_t bit = e.CellBit[cell];
    e.PieceSquares[v] |= bit;
    e.Occupied |= bit;
    ++e.PieceCount[v];
    e.ScanSum = static_cast<Word>(e.ScanSum + e.ScanValue[v][cell]);
}
inline void ListRemove(Engine& e, Byte v, int cell) {
    const std::uint64_t bit = e.CellBit[cell];
    e.PieceSquares[v] &= ~bit;
    e.Occupied &= ~bit;
    --e.PieceCount[v];
    e.ScanSum = static_cast<Word>(e.ScanSum - e.ScanValue[v][cell]);
}
inline void ListMove(Engine& e, Byte v, int from, int to) {
    const std::uint64_t bits = e.CellBit[from] | e.CellBit[to];
    e.PieceSquares[v] ^= bits;
    e.Occupied ^= bits;
    e.ScanSum = static_cast<Word>(e.ScanSum + e.ScanValue[v][to] - e.ScanValue[v][from]);
}

// Builds the piece lists afresh from Board. Every operation that writes
// Board whole (a new game, a game move, the flip, the start of a search,
// perft's start) ends with it; make, unmake and place keep the lists
// themselves.
void BuildPieceLists(Engine& e);
// Copies the 201 cells into Board and builds the piece lists.
void LoadBoard(Engine& e, const Byte* cells);
// Do the board's bookkeeping cells and lists agree with its squares? Cell 0
// is Empty, every guard cell holds OffBoard, each king cell names a square
// that holds that king, and the piece lists, counts and scan sum are those
// the squares give. The checked builds test it after every unmake.
bool BoardConsistent(const Engine& e);

// make_move.cpp: play a move of a ply's list and take it back; position keys.
void MakeMove(Engine& e, Byte slot, Byte ply);
void PlaceMove(Engine& e, Byte slot, Byte ply);
void UnmakeMove(Engine& e, Byte slot, Byte ply);
void ComputeKeys(Engine& e, Byte ply);

// attack.cpp: number of attack lines of a side on a cell, read from the
// cells alone, so that it also holds on a board written whole whose lists
// are not built yet (the set-up's check test). Everything that keeps the
// lists uses AttackedBy (sides.h), which counts the same from them.
Byte AttackedByWhite(const Engine& e, Byte cell);
Byte AttackedByBlack(const Engine& e, Byte cell);

// After MakeMove of slot `slot` at ply `ply`: can the mover's king be
// attacked? Only when the mover was in check (InCheck[ply]), its king moved,
// one of its pawns captured (en passant also clears the victim's cell) or the
// piece left a row, file or diagonal through the king. For any other move
// nothing can newly reach the king, and the attack test would find none.
inline bool MoveMayExposeKing(const Engine& e, Byte ply, Byte slot) {
    const bool blackMoved = ply & 1;
    const int k = e.Board[blackMoved ? BlackKingCell : WhiteKingCell];
    const int f = e.MoveFrom[ply][slot];
    const int t = e.MoveTo[ply][slot];
    if (e.InCheck[ply] != 0 || t == k) return true;
    if (e.Board[t] == (blackMoved ? BlackPawn : WhitePawn) && ((t - f) & 1)) return true;
    const int df = (f & 15) - (k & 15);
    const int dr = (f >> 4) - (k >> 4);
    return df == 0 || dr == 0 || df == dr || df == -dr;
}

// generate.cpp: every pseudo-legal move of the side to move at a ply.
void GenerateBlack(Engine& e, Byte ply);
void GenerateWhite(Engine& e, Byte ply);

// captures.cpp: the capture lists of the quiescence search.
void GenerateBlackCaptures(Engine& e, Byte ply);
void GenerateWhiteCaptures(Engine& e, Byte ply);
void GenerateBlackRecaptures(Engine& e, Byte target, Byte ply);
void GenerateWhiteRecaptures(Engine& e, Byte target, Byte ply);

// ordering.cpp: move ordering of full lists and capture lists.
void OrderBlackMoves(Engine& e, Byte ply, Byte full);
void OrderWhiteMoves(Engine& e, Byte ply, Byte full);
void OrderBlackCaptures(Engine& e, Byte ply);
void OrderWhiteCaptures(Engine& e, Byte ply);

// tactical.cpp: moves the cursor of CurrentPly to the next capture, push to
// the last two rows or checking move.
void NextTacticalBlack(Engine& e);
void NextTacticalWhite(Engine& e);

// validate.cpp: is one move pseudo-legal for the side to move at a ply?
Byte ValidateMove(Engine& e, Byte from, Byte to, Byte promotion, Byte ply);

// tables.cpp: the board's start-up tables (piece values, random key numbers,
// key tables) and the board flip. The start-up of a whole copy, with the
// evaluation's tables, is InitTables (engine/copy.h).
void InitBoardTables(Engine& e);          // copy 1: also draws the random key numbers
void InitBoardTablesAttached(Engine& e);  // copies 2..4: the cell bits and piece values only
void BuildKeyTables(Engine& e);           // KeyTableA/B from RandomA/B
void FlipPosition(Engine& e);

// game.cpp: the game position, game moves and the end of the game. NewGame
// and PlayBlackMove (engine/copy.h) add what they do to the shared table.
void NewGamePosition(Engine& e);
Byte PlayWhiteMove(Engine& e, Byte from, Byte to, Byte promotion);
// The engine's own game move on the board and in the game's lists.
Byte PlayBlackGameMove(Engine& e, Byte from, Byte to, Byte promotion);
// Would PlayBlackMove accept the move? Returns 1 or 0 and leaves the game
// position as it is (it uses the working board and the tables of ply 1).
Byte TestBlackMove(Engine& e, Byte from, Byte to, Byte promotion);
// Gives `to` the game position of `from` (board, rights, clock, key history,
// side to move, orientation), so that moves can be tried on it with the
// game operations without touching `from`.
void CopyGamePosition(Engine& to, const Engine& from);
Byte GameEndTest(Engine& e);
Byte PonderStart(Engine& e, Byte from, Byte to, Byte promotion);
void PonderEnd(Engine& e, Byte hit);

// The random-number draw behind the position keys: the high 32 bits of the
// product of a 32-bit generator output and 7,000,000 (0 to 6,999,999).
inline std::uint32_t KeyDraw(std::uint32_t output) {
    return static_cast<std::uint32_t>((static_cast<std::uint64_t>(output) * 7000000u) >> 32);
}

}  // namespace corvane
