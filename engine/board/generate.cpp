// Full move generation: every pseudo-legal move of the side to move, in a
// fixed order (en passant, pieces in board order with their step orders, the
// king, castling). Moves that leave the own king attacked are not filtered;
// the caller makes the move and tests the king.
#include "engine/board/board.h"
#include "engine/board/sides.h"

namespace corvane {

namespace {

// Writes the list results of a full generator.
inline void FinishList(Engine& e, Byte ply, int n) {
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

// Slides a piece from cell x along each step in turn, appending every cell
// that passes the target test and stopping at the first cell that is not
// Empty.
template <const SideOrders& S, std::size_t N>
inline void Slides(const Byte* b, Byte* from, Byte* to, int& n, int x, const std::array<int, N>& steps) {
#pragma GCC unroll 8
    for (const int step : steps) {
        for (int y = x + step;; y += step) {
            const Byte v = b[y];
            if (IsTarget<S>(v)) AppendMove(from, to, n, x, y);
            if (v != Empty) break;
        }
    }
}

// One step from cell x along each step in turn (knight, king).
template <const SideOrders& S>
inline void Steps(const Byte* b, Byte* from, Byte* to, int& n, int x, const std::array<int, 8>& steps) {
#pragma GCC unroll 8
    for (const int step : steps)
        if (IsTarget<S>(b[x + step])) AppendMove(from, to, n, x, x + step);
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

// The moves of a pawn on cell x: captures, then the push and double step.
// Every move of a pawn on the row before the last reaches the last row, and
// marks the list as one that holds a promotion.
template <const SideOrders& S>
inline void Pawn(Engine& e, Byte ply, Byte* from, Byte* to, int& n, int x) {
    const Byte* b = e.Board;
    const int f = S.Forward;
    const bool left = IsCapture<S>(b[x + S.PawnCaptures[0]]);
    const bool right = IsCapture<S>(b[x + S.PawnCaptures[1]]);
    const bool push = b[x + f] == Empty;
    if (left) AppendMove(from, to, n, x, x + S.PawnCaptures[0]);
    if (right) AppendMove(from, to, n, x, x + S.PawnCaptures[1]);
    if (push) {
        AppendMove(from, to, n, x, x + f);
        if (RelativeRow<S>(x) == 1 && b[x + 2 * f] == Empty) AppendMove(from, to, n, x, x + 2 * f);
    }
    if (RelativeRow<S>(x) == 6 && (left || right || push)) e.MoveExtra[ply][0] = 1;
}

// Every pseudo-legal move of side S, in the fixed order.
template <const SideOrders& S>
void Generate(Engine& e, Byte ply) {
    Byte* b = e.Board;
    Byte* from = e.MoveFrom[ply];
    Byte* to = e.MoveTo[ply];
    int n = 0;
    e.MoveExtra[ply][0] = 0;

    // En passant: x is the cell left of the enemy pawn that just double-stepped.
    const int ep = e.PlyFlags[ply] & 15;
    if (ep != 0) {
        const int x = S.EnPassantBase + ep;
        const int t = x + 1 + S.Forward;
        if (b[x] == S.Pawn) AppendMove(from, to, n, x, t);
        if (b[x + 2] == S.Pawn) AppendMove(from, to, n, x + 2, t);
    }

    for (int i = 0, row = S.FirstRow; i < 8; ++i, row += S.RowStep) {
        // Only the cells of the side's pieces other than the king.
        for (std::uint64_t m = RowCodesBetween(b, row, S.Queen, S.Pawn); m != 0; m &= m - 1) {
            const int x = row + (std::countr_zero(m) >> 3);
            switch (b[x]) {
            case S.Queen:
                Slides<S>(b, from, to, n, x, S.QueenSteps);
                break;
            case S.Rook:
                Slides<S>(b, from, to, n, x, S.RookSteps);
                break;
            case S.Bishop:
                Slides<S>(b, from, to, n, x, S.BishopSteps);
                break;
            case S.Knight:
                Steps<S>(b, from, to, n, x, S.KnightSteps);
                break;
            case S.Pawn:
                Pawn<S>(e, ply, from, to, n, x);
                break;
            default:
                break;
            }
        }
    }

    Steps<S>(b, from, to, n, b[S.OwnKingCell], S.KingSteps);
    Castlings<S>(e, ply, from, to, n);
    FinishList(e, ply, n);
}

}  // namespace

void GenerateBlack(Engine& e, Byte ply) { Generate<BlackOrders>(e, ply); }
void GenerateWhite(Engine& e, Byte ply) { Generate<WhiteOrders>(e, ply); }

}  // namespace corvane
