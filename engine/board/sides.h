// The two sides as data: each colour's piece codes, home cells, step orders,
// score direction and entry points in one constexpr table, BlackOrders and
// WhiteOrders. The routines of the board, the evaluation and the search that
// differ between the colours only in these data are written once as
// templates over a side's table and instantiated for both; everything in a
// table is a constant (the entry points included, so their calls are direct
// calls), and each instance compiles as if written out.
#pragma once

#include <array>
#include <bit>

#include "engine/board/board.h"

namespace corvane {

struct SideOrders {
    bool IsBlack;
    // The side's slot in the pairs of per-side items (EvalWork): 0 for Black.
    int Index;
    // Own piece codes (a kind's Black code + CodeOffset: White's are Black's
    // + 10), the enemy's king and pawn.
    int CodeOffset;
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

    // Scores. Black moves at odd plies and maximises, White at even plies
    // and minimises: WorstScore is where a node of the side starts before
    // any move, KingCapture the score (moved by the ply against the side,
    // see Loss) of a node whose parent's move left its own king attacked,
    // past every mate score.
    Word WorstScore;
    int KingCapture;
    // The evaluation's items of the side: its material signature and the
    // weights of the pieces around its king, and the cells around the king
    // (offsets) that weigh 4, reaching two rows toward the enemy.
    Word Engine::*Signature;
    Byte (Engine::*KingZoneWeight)[65];
    std::array<int, 9> OuterKingZone;

    // The side's entry points of the board subsystem (board.h).
    void (*Generate)(Engine&, Byte);
    void (*GenerateCaptures)(Engine&, Byte);
    void (*GenerateRecaptures)(Engine&, Byte, Byte);
    void (*OrderMoves)(Engine&, Byte, Byte);
    void (*OrderCaptures)(Engine&, Byte);
    void (*NextTactical)(Engine&);
    Byte (*AttacksFromCells)(const Engine&, Byte);  // the side's attacks, read from the cells alone
};

inline constexpr SideOrders BlackOrders{
    .IsBlack = true,
    .Index = 0,
    .CodeOffset = 0,
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
    .WorstScore = ScoreMinusInfinity,
    .KingCapture = ScorePlusInfinity + 1,
    .Signature = &Engine::BlackSignature,
    .KingZoneWeight = &Engine::BlackKingZoneWeight,
    .OuterKingZone = {-18, -14, -2, 2, 14, 18, 31, 32, 33},
    .Generate = GenerateBlack,
    .GenerateCaptures = GenerateBlackCaptures,
    .GenerateRecaptures = GenerateBlackRecaptures,
    .OrderMoves = OrderBlackMoves,
    .OrderCaptures = OrderBlackCaptures,
    .NextTactical = NextTacticalBlack,
    .AttacksFromCells = AttackedByBlack,
};

inline constexpr SideOrders WhiteOrders{
    .IsBlack = false,
    .Index = 1,
    .CodeOffset = 10,
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
    .WorstScore = ScorePlusInfinity,
    .KingCapture = ScoreMinusInfinity - 2,
    .Signature = &Engine::WhiteSignature,
    .KingZoneWeight = &Engine::WhiteKingZoneWeight,
    .OuterKingZone = {-33, -32, -31, -18, -14, -2, 2, 14, 18},
    .Generate = GenerateWhite,
    .GenerateCaptures = GenerateWhiteCaptures,
    .GenerateRecaptures = GenerateWhiteRecaptures,
    .OrderMoves = OrderWhiteMoves,
    .OrderCaptures = OrderWhiteCaptures,
    .NextTactical = NextTacticalWhite,
    .AttacksFromCells = AttackedByWhite,
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
// where its pawns promote; the same for a square (bit number of the piece
// lists); and the first cell of the side's row r.
template <const SideOrders& S>
constexpr int RelativeRow(int cell) {
    return S.IsBlack ? (cell >> 4) - 3 : 10 - (cell >> 4);
}
template <const SideOrders& S>
constexpr int RelativeSquareRow(int square) {
    return S.IsBlack ? square >> 3 : 7 - (square >> 3);
}
template <const SideOrders& S>
constexpr int RowStart(int r) {
    return S.FirstRow + r * S.RowStep;
}

// A cell as the side sees it: Black's as it is, White's on the board turned
// half round (the map is its own inverse). Rules written on Black's cells
// read a side's cells through it.
template <const SideOrders& S>
constexpr int SideCell(int cell) {
    return S.IsBlack ? cell : RotatedCell(cell);
}

// 1 when the side is to move at ply p (Black moves at odd plies), else 0.
template <const SideOrders& S>
constexpr int ToMove(int p) {
    return S.IsBlack ? p & 1 : 1 - (p & 1);
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

// The comparisons of scores for a side, used by the board, the evaluation
// and the search alike. Scores are Black's point of view (larger is better
// for Black), whether as plain integers or as the unsigned 16-bit words of
// the search: "a is better than b" for the side, "a is at least as good as
// b" (a reaches the threshold b), and how far a is ahead of b for it.
template <const SideOrders& S>
constexpr bool Better(int a, int b) {
    return S.IsBlack ? a > b : a < b;
}
template <const SideOrders& S>
constexpr bool AtLeast(int a, int b) {
    return S.IsBlack ? a >= b : a <= b;
}
template <const SideOrders& S>
constexpr int Margin(int a, int b) {
    return S.IsBlack ? a - b : b - a;
}
// A score moved by m in the side's favour (Gain) or against it (Loss), and
// a 16-bit score moved in the side's favour in place, wrapping modulo 65536.
template <const SideOrders& S>
constexpr int Gain(int value, int m) {
    return S.IsBlack ? value + m : value - m;
}
template <const SideOrders& S>
constexpr int Loss(int value, int m) {
    return S.IsBlack ? value - m : value + m;
}
template <const SideOrders& S>
constexpr void Favour(Word& s, int m) {
    s = static_cast<Word>(Gain<S>(s, m));
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
