// Attack tests: how many attack lines a side has on a cell. They read the
// board and the two king cells only. The walks stop at guard cells because
// those are neither Empty nor any piece.
#include "engine/board/board.h"
#include "engine/board/sides.h"

namespace corvane {

namespace {

// The attack lines of side A on cell s: its king, pawns, knights and the
// first piece along each row, file and diagonal.
template <const SideOrders& A>
Byte Attacked(const Engine& e, Byte s) {
    const Byte* b = e.Board;
    const Byte* near = b + s;  // the cells around s, at fixed offsets
    int count = 0;
    const int k = b[A.OwnKingCell];
    count += KingDistance(s > k ? s - k : k - s);
    count += near[-A.PawnCaptures[0]] == A.Pawn;
    count += near[-A.PawnCaptures[1]] == A.Pawn;
#pragma GCC unroll 8
    for (const int d : KnightOffsets) count += near[d] == A.Knight;
    // With Black's codes lifted by 10 to White's, a queen or rook reads 12 or
    // 13 (masked: 12) and a queen or bishop 12 or 14 (masked: 12).
    constexpr int lift = A.IsBlack ? 10 : 0;
#pragma GCC unroll 4
    for (const int d : StraightOffsets) count += ((b[FirstOccupied(b, s, d)] + lift) & 254) == 12;
#pragma GCC unroll 4
    for (const int d : DiagonalOffsets) count += ((b[FirstOccupied(b, s, d)] + lift) & 253) == 12;
    return static_cast<Byte>(count);
}

}  // namespace

Byte AttackedByWhite(const Engine& e, Byte s) { return Attacked<WhiteOrders>(e, s); }
Byte AttackedByBlack(const Engine& e, Byte s) { return Attacked<BlackOrders>(e, s); }

}  // namespace corvane
