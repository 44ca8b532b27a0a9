// The two sides as data: each colour's piece codes, home cells and step
// orders in one constexpr table, BlackOrders and WhiteOrders. The routines
// that differ between the colours only in these data are written once as
// templates over a side's table and instantiated for both; everything in a
// table is a constant, so each instance compiles as if written out.
#pragma once

#include <array>
#include <bit>

#include "engine/board/board.h"

namespace corvane {

struct SideOrders {
    bool IsBlack;
    // Own piece codes (White's are Black's + 10), the enemy's king and pawn.
    Byte King, Queen, Rook, Bishop, Knight, Pawn;
    Byte EnemyKing, EnemyPawn;
    int OwnKingCell, EnemyKingCell;  // the board cells that hold the kings' cells
    // Rows in the order the generators walk them: own back row first.
    int FirstRow, RowStep;
    // Castling: the home row's first cell (the a-side rook's corner), the
    // h-side corner, and the two rights' PlyFlags bits.
    int HomeRow, CornerA, CornerH;
    Byte RightA, RightH;
    // Pawns: one step forward and the two capture steps in generation order.
    // An enemy pawn that has just double-stepped stands on the row that
    // starts at VictimRow; the cell left of it is EnPassantBase + the
    // PlyFlags en passant value (file + 1).
    int Forward;
    std::array<int, 2> PawnCaptures;
    int VictimRow, EnPassantBase;
    // Step orders of the full and capture generators.
    std::array<int, 8> QueenSteps;
    std::array<int, 4> RookSteps;
    std::array<int, 4> BishopSteps;
    std::array<int, 8> KnightSteps;
    std::array<int, 8> KingSteps;
    // Step orders of the recapture generator, looking out from the target.
    std::array<int, 8> RecaptureKnight;
    std::array<int, 4> RecaptureDiagonal;
    std::array<int, 4> RecaptureStraight;
};

inline constexpr SideOrders BlackOrders{
    .IsBlack = true,
    .King = BlackKing, .Queen = BlackQueen, .Rook = BlackRook, .Bishop = BlackBishop,
    .Knight = BlackKnight, .Pawn = BlackPawn,
    .EnemyKing = WhiteKing, .EnemyPawn = WhitePawn,
    .OwnKingCell = BlackKingCell, .EnemyKingCell = WhiteKingCell,
    .FirstRow = FirstRowCell, .RowStep = RowCells,
    .HomeRow = FirstRowCell, .CornerA = BlackCornerA8, .CornerH = BlackCornerH8,
    .RightA = CastleBlackA8, .RightH = CastleBlackH8,
    .Forward = 16,
    .PawnCaptures = {15, 17},
    .VictimRow = 112, .EnPassantBase = 110,
    .QueenSteps = {17, 15, -17, -15, 16, 1, -16, -1},
    .RookSteps = {16, 1, -16, -1},
    .BishopSteps = {17, 15, -17, -15},
    .KnightSteps = {33, 31, 18, 14, -33, -31, -18, -14},
    .KingSteps = {1, -1, -15, -16, -17, 15, 16, 17},
    .RecaptureKnight = {-33, -31, -18, -14, 14, 18, 31, 33},
    .RecaptureDiagonal = {-17, -15, 15, 17},
    .RecaptureStraight = {-16, -1, 1, 16},
};

inline constexpr SideOrders WhiteOrders{
    .IsBlack = false,
    .King = WhiteKing, .Queen = WhiteQueen, .Rook = WhiteRook, .Bishop = WhiteBishop,
    .Knight = WhiteKnight, .Pawn = WhitePawn,
    .EnemyKing = BlackKing, .EnemyPawn = BlackPawn,
    .OwnKingCell = WhiteKingCell, .EnemyKingCell = BlackKingCell,
    .FirstRow = LastRowCell, .RowStep = -RowCells,
    .HomeRow = LastRowCell, .CornerA = WhiteCornerA1, .CornerH = WhiteCornerH1,
    .RightA = CastleWhiteA1, .RightH = CastleWhiteH1,
    .Forward = -16,
    .PawnCaptures = {-15, -17},
    .VictimRow = 96, .EnPassantBase = 94,
    .QueenSteps = {-17, -15, 17, 15, -16, -1, 16, 1},
    .RookSteps = {-16, -1, 16, 1},
    .BishopSteps = {-17, -15, 17, 15},
    .KnightSteps = {-33, -31, -18, -14, 33, 31, 18, 14},
    .KingSteps = {1, -1, 15, 16, 17, -15, -16, -17},
    .RecaptureKnight = {33, 31, 18, 14, -14, -18, -31, -33},
    .RecaptureDiagonal = {17, 15, -15, -17},
    .RecaptureStraight = {16, 1, -1, -16},
};

// The other side's table.
template <const SideOrders& S>
inline constexpr const SideOrders& EnemyOf = S.IsBlack ? WhiteOrders : BlackOrders;

// Is the first piece along line d from a square one of `sliders`? The line
// is only looked along when it holds one of them, so it holds a piece.
template <int D>
inline int SliderOnLine(const Engine& e, int square, std::uint64_t sliders) {
    const std::uint64_t ray = e.Rays[D][square];
    if ((ray & sliders) == 0) return 0;
    const std::uint64_t pieces = ray & e.Occupied;
    const int first = D < 4 ? std::countr_zero(pieces) : 63 - std::countl_zero(pieces);
    return static_cast<int>((sliders >> first) & 1);
}

// The attack test of side S's pieces on a square cell, from the piece lists:
// the number of attack lines (king, pawns, knights, the first piece along
// each row, file and diagonal), the count AttackedByBlack and
// AttackedByWhite find on the cells. Lines that hold no slider of the side
// are not looked along.
template <const SideOrders& S>
inline Byte AttackedBy(const Engine& e, Byte cell) {
    const Byte* near = e.Board + cell;  // the cells around the target
    const int square = SquareIndex(cell);
    // The king one step away: a distance of 1, 15, 16 or 17 cells (bits of 0x38002).
    const int d = cell - e.Board[S.OwnKingCell];
    const unsigned distance = static_cast<unsigned>(d < 0 ? -d : d);
    int count = distance <= 17 && ((0x38002u >> distance) & 1) != 0;
    count += near[-S.PawnCaptures[0]] == S.Pawn;
    count += near[-S.PawnCaptures[1]] == S.Pawn;
    for (std::uint64_t n = e.KnightReach[square] & e.PieceSquares[S.Knight]; n != 0; n &= n - 1) ++count;
    const std::uint64_t queens = e.PieceSquares[S.Queen];
    const std::uint64_t straight = queens | e.PieceSquares[S.Rook];
    if ((e.StraightLines[square] & straight) != 0)
        count += SliderOnLine<0>(e, square, straight) + SliderOnLine<2>(e, square, straight) +
                 SliderOnLine<4>(e, square, straight) + SliderOnLine<6>(e, square, straight);
    const std::uint64_t diagonal = queens | e.PieceSquares[S.Bishop];
    if ((e.DiagonalLines[square] & diagonal) != 0)
        count += SliderOnLine<1>(e, square, diagonal) + SliderOnLine<3>(e, square, diagonal) +
                 SliderOnLine<5>(e, square, diagonal) + SliderOnLine<7>(e, square, diagonal);
    return static_cast<Byte>(count);
}

// A cell's row counted from the side's own back row: 0 there, 7 on the row
// where its pawns promote.
template <const SideOrders& S>
constexpr int RelativeRow(int cell) {
    return S.IsBlack ? (cell >> 4) - 3 : 10 - (cell >> 4);
}

// Target tests on a cell value v: "target" is Empty or an enemy piece,
// "capture" an enemy piece (guard cells are neither).
template <const SideOrders& S>
constexpr bool IsTarget(Byte v) {
    return S.IsBlack ? (v ^ 64) > 70 : v < 10;
}
template <const SideOrders& S>
constexpr bool IsCapture(Byte v) {
    return S.IsBlack ? (v ^ 64) > 72 : v < 8;
}

// Scores are Black's point of view: "a is better than b" for the side, and a
// score moved by m in the side's favour.
template <const SideOrders& S>
constexpr bool Better(int a, int b) {
    return S.IsBlack ? a > b : a < b;
}
template <const SideOrders& S>
constexpr int Gain(int value, int m) {
    return S.IsBlack ? value + m : value - m;
}

// Appends a move at slot n. A real chess position never comes near the cap;
// it only keeps absurd set-up positions (a dozen queens) from overrunning the
// list and its sentinel values.
inline void AppendMove(Byte* from, Byte* to, int& n, int f, int t) {
    if (n < MaxListMoves) {
        from[n] = static_cast<Byte>(f);
        to[n] = static_cast<Byte>(t);
        ++n;
    }
}

}  // namespace corvane
