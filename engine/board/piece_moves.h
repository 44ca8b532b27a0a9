// The walk shared by the full and the capture generators: the en passant
// captures, the side's pieces row by row in its order with their step
// orders, and the king. The full generator lists every move to an Empty or
// enemy cell; the capture generator only captures, and the pushes of a pawn
// that promotes.
#pragma once

#include <bit>

#include "engine/board/board.h"
#include "engine/board/sides.h"

namespace corvane {

// Does a move to a cell of value v belong to the list?
template <const SideOrders& S, bool CapturesOnly>
constexpr bool Listed(Byte v) {
    return CapturesOnly ? IsCapture<S>(v) : IsTarget<S>(v);
}

// The line of Engine::Rays that runs along a cell step.
constexpr int RayOfStep(int step) {
    return step == 1 ? 0 : step == 15 ? 1 : step == 16 ? 2 : step == 17 ? 3 : step == -1 ? 4 : step == -15 ? 5 : step == -16 ? 6 : 7;
}

// A sliding piece on cell x along each step in turn: the full list takes every
// cell up to and with the first one that is not Empty, when it passes the
// target test; the capture list takes only that first cell, a piece found on
// the piece lists by a bit scan along the line.
template <const SideOrders& S, bool CapturesOnly, std::size_t N>
inline void Slides(const Engine& e, Byte* from, Byte* to, int& n, int x, const std::array<int, N>& steps) {
    const Byte* b = e.Board;
    [[maybe_unused]] const int square = SquareIndex(x);
#pragma GCC unroll 8
    for (const int step : steps) {
        if constexpr (CapturesOnly) {
            const std::uint64_t pieces = e.Rays[RayOfStep(step)][square] & e.Occupied;
            if (pieces == 0) continue;
            const int y = SquareCell(step > 0 ? std::countr_zero(pieces) : 63 - std::countl_zero(pieces));
            if (IsCapture<S>(b[y])) AppendMove(from, to, n, x, y);
        } else {
            for (int y = x + step;; y += step) {
                const Byte v = b[y];
                if (IsTarget<S>(v)) AppendMove(from, to, n, x, y);
                if (v != Empty) break;
            }
        }
    }
}

// One step from cell x along each step in turn (knight, king, pawn captures).
template <const SideOrders& S, bool CapturesOnly, std::size_t N>
inline void Steps(const Byte* b, Byte* from, Byte* to, int& n, int x, const std::array<int, N>& steps) {
    const Byte* near = b + x;  // the cells around x, at fixed offsets
#pragma GCC unroll 8
    for (const int step : steps)
        if (Listed<S, CapturesOnly>(near[step])) AppendMove(from, to, n, x, x + step);
}

// The moves of a pawn on cell x: captures, then the push and, in the full
// list, the double step. Every move of a pawn on the row before the last
// reaches the last row and marks the list as one that holds a promotion; the
// capture list then takes the push too.
template <const SideOrders& S, bool CapturesOnly>
inline void PawnMoves(Engine& e, Byte ply, Byte* from, Byte* to, int& n, int x) {
    const Byte* b = e.Board;
    const Byte* near = b + x;
    const int f = S.Forward;
    const bool promotes = RelativeRow<S>(x) == 6;
    if (CapturesOnly && !promotes) {
        Steps<S, true>(b, from, to, n, x, S.PawnCaptures);
        return;
    }
    const bool left = IsCapture<S>(near[S.PawnCaptures[0]]);
    const bool right = IsCapture<S>(near[S.PawnCaptures[1]]);
    const bool push = near[f] == Empty;
    if (left) AppendMove(from, to, n, x, x + S.PawnCaptures[0]);
    if (right) AppendMove(from, to, n, x, x + S.PawnCaptures[1]);
    if (push) {
        AppendMove(from, to, n, x, x + f);
        if (!CapturesOnly && RelativeRow<S>(x) == 1 && near[2 * f] == Empty) AppendMove(from, to, n, x, x + 2 * f);
    }
    if (promotes && (left || right || push)) e.MoveExtra[ply][0] = 1;
}

// Lists the moves of side S at a ply from slot n on: en passant, the pieces
// other than the king in the side's row order, then the king's steps.
// Always part of its generator, as a walk written out in each would be.
template <const SideOrders& S, bool CapturesOnly>
[[gnu::always_inline]] inline void ListPieceMoves(Engine& e, Byte ply, int& n) {
    const Byte* b = e.Board;
    Byte* from = e.MoveFrom[ply];
    Byte* to = e.MoveTo[ply];
    e.MoveExtra[ply][0] = 0;

    // En passant: x is the cell left of the enemy pawn that just double-stepped.
    const int ep = e.PlyFlags[ply] & 15;
    if (ep != 0) {
        const int x = S.EnPassantBase + ep;
        const int t = x + 1 + S.Forward;
        if (b[x] == S.Pawn) AppendMove(from, to, n, x, t);
        if (b[x + 2] == S.Pawn) AppendMove(from, to, n, x + 2, t);
    }

    // The side's pieces other than the king, from the piece lists. Bits
    // ascend in cell order, which is Black's row order; White walks the rows
    // from the last down, each row's files ascending.
    auto piece = [&](int x) {
        switch (b[x]) {
        case S.Queen: Slides<S, CapturesOnly>(e, from, to, n, x, S.QueenSteps); break;
        case S.Rook: Slides<S, CapturesOnly>(e, from, to, n, x, S.RookSteps); break;
        case S.Bishop: Slides<S, CapturesOnly>(e, from, to, n, x, S.BishopSteps); break;
        case S.Knight: Steps<S, CapturesOnly>(b, from, to, n, x, S.KnightSteps); break;
        case S.Pawn: PawnMoves<S, CapturesOnly>(e, ply, from, to, n, x); break;
        default: break;
        }
    };
    const std::uint64_t pieces = e.PieceSquares[S.Queen] | e.PieceSquares[S.Rook] | e.PieceSquares[S.Bishop] |
                                 e.PieceSquares[S.Knight] | e.PieceSquares[S.Pawn];
    if constexpr (S.IsBlack) {
        for (std::uint64_t m = pieces; m != 0; m &= m - 1) piece(SquareCell(std::countr_zero(m)));
    } else {
        for (std::uint64_t m = pieces; m != 0;) {
            const int shift = (63 - std::countl_zero(m)) & ~7;  // the last row that holds one
            for (unsigned row = static_cast<unsigned>(m >> shift); row != 0; row &= row - 1)
                piece(SquareCell(shift + std::countr_zero(row)));
            m &= ~(std::uint64_t{0xFF} << shift);
        }
    }
    Steps<S, CapturesOnly>(b, from, to, n, b[S.OwnKingCell], S.KingSteps);
}

}  // namespace corvane
