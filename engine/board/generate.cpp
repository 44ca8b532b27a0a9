// Full move generation: every pseudo-legal move of the side to move, in a
// fixed order (en passant, pieces in board order with their step orders, the
// king, castling). Moves that leave the own king attacked are not filtered;
// the caller makes the move and tests the king.
#include "engine/board/board.h"
#include "engine/board/piece_moves.h"
#include "engine/board/sides.h"

namespace corvane {

namespace {

// Writes the list results of a full generator.
inline void FinishList(Engine& e, Byte ply, int n) {
    // AppendMove stops at the cap; the slots above it are the ordering's.
    CORVANE_ASSERT(n <= MaxListMoves);
    if (n > 0) {
        e.LastMove[ply] = static_cast<Byte>(n - 1);
        e.ListState[ply] = static_cast<Byte>(n);
        e.MoveCursor[ply] = 0;
    } else {
        e.LastMove[ply] = ListEmptyLast;
        e.ListState[ply] = 0;
        e.MoveCursor[ply] = CursorNone;
        e.NoMoves = 1;
    }
}

// Castling on the home row; the unflipped and the flipped position have the
// king on different files, so their empty and unattacked cells differ.
template <const SideOrders& S>
inline void Castlings(Engine& e, Byte ply, Byte* from, Byte* to, int& n) {
    const Byte* b = e.Board;
    auto attacked = [&](int cell) { return AttackedBy<EnemyOf<S>>(e, static_cast<Byte>(cell)) != 0; };
    // Stale rights (rook gone from its corner) are dropped first, with the
    // key of the ply kept equal to the corrected flags.
    int r = e.PlyFlags[ply] & (S.RightA | S.RightH);
    if (r == 0) return;
    if (b[S.CornerA] != S.Rook && (r & S.RightA)) {
        e.PlyFlags[ply] = static_cast<Byte>(e.PlyFlags[ply] - S.RightA);
        r -= S.RightA;
        e.KeyA[ply] -= S.RightA;
    }
    if (b[S.CornerH] != S.Rook && (r & S.RightH)) {
        e.PlyFlags[ply] = static_cast<Byte>(e.PlyFlags[ply] - S.RightH);
        r -= S.RightH;
        e.KeyA[ply] -= S.RightH;
    }
    if (e.InCheck[ply] != 0) return;
    const int h = S.HomeRow;
    if (e.Flipped == 0) {
        // King on file 4: the h-side crosses files 5 and 6, the a-side 3 and 2.
        if ((r & S.RightH) && b[h + 5] == Empty && b[h + 6] == Empty && !attacked(h + 5) && !attacked(h + 6))
            AppendMove(from, to, n, h + 4, h + 6);
        if ((r & S.RightA) && b[h + 3] == Empty && b[h + 2] == Empty && b[h + 1] == Empty && !attacked(h + 3) &&
            !attacked(h + 2))
            AppendMove(from, to, n, h + 4, h + 2);
    } else {
        // King on file 3: the h-side crosses files 4 and 5, the a-side 2 and 1.
        if ((r & S.RightH) && b[h + 4] == Empty && b[h + 5] == Empty && b[h + 6] == Empty && !attacked(h + 4) &&
            !attacked(h + 5))
            AppendMove(from, to, n, h + 3, h + 5);
        if ((r & S.RightA) && b[h + 2] == Empty && b[h + 1] == Empty && !attacked(h + 2) && !attacked(h + 1))
            AppendMove(from, to, n, h + 3, h + 1);
    }
}

// Every pseudo-legal move of side S, in the fixed order.
template <const SideOrders& S>
void Generate(Engine& e, Byte ply) {
    int n = 0;
    ListPieceMoves<S, false>(e, ply, n);
    Castlings<S>(e, ply, e.MoveFrom[ply], e.MoveTo[ply], n);
    FinishList(e, ply, n);
}

}  // namespace

void GenerateBlack(Engine& e, Byte ply) { Generate<BlackOrders>(e, ply); }
void GenerateWhite(Engine& e, Byte ply) { Generate<WhiteOrders>(e, ply); }

}  // namespace corvane
