// Capture generation for the quiescence search: every capture of the side to
// move behind futility margins, or only the captures of the piece on one cell
// in least-valuable-attacker order. Scores are Black's point of view, so the
// White versions reverse every comparison on them.
#include "engine/board/board.h"
#include "engine/board/piece_moves.h"
#include "engine/board/sides.h"

namespace corvane {

namespace {

// List results of the capture generators: like the full generators, but the
// list state is that of a capture list and NoMoves is left alone.
inline void FinishCaptureList(Engine& e, Byte ply, int n) {
    CORVANE_ASSERT(n <= MaxListMoves);
    e.ListState[ply] = ListIdle;
    if (n > 0) {
        e.LastMove[ply] = static_cast<Byte>(n - 1);
        e.MoveCursor[ply] = 0;
    } else {
        e.LastMove[ply] = ListEmptyLast;
        e.MoveCursor[ply] = CursorNone;
    }
}

// Drops slot i by moving the last slot into it.
inline void DropSlot(Byte* from, Byte* to, int& n, int i) {
    --n;
    if (n > i) {
        from[i] = from[n];
        to[i] = to[n];
    }
}

// Every capture of side S behind the futility margins.
// The capture generators stay functions of their own: inlined into the
// search's step they made it slower (measured with the benchmark).
template <const SideOrders& S>
[[gnu::noinline]] void GenerateCaptures(Engine& e, Byte ply) {
    const int value = e.PlyValue[ply];
    const int bound = e.PlyBound[ply];
    int n = 0;
    if (Better<S>(Gain<S>(value, 2112), bound)) {
        Byte* b = e.Board;
        Byte* from = e.MoveFrom[ply];
        Byte* to = e.MoveTo[ply];
        ListPieceMoves<S, true>(e, ply, n);

        // Futility: a capture that cannot lift the score to the bound even
        // with a margin is dropped.
        if (n > 0 && Better<S>(bound, Gain<S>(value, 290))) {
            for (int i = 0; i < n;) {
                int margin = 200;
                const int t = to[i];
                if (b[from[i]] == S.Pawn) {
                    if (RelativeRow<S>(t) == 7) margin += 910;
                    else if (b[t] == Empty) margin += 90;
                }
                if (Better<S>(bound, Gain<S>(value, e.PieceValue[b[t]] + margin))) DropSlot(from, to, n, i);
                else ++i;
            }
        }
    }
    FinishCaptureList(e, ply, n);
}

// The captures of the piece on cell `target` by side S, least valuable
// attacker first.
template <const SideOrders& S>
[[gnu::noinline]] void GenerateRecaptures(Engine& e, Byte target, Byte ply) {
    const Byte* b = e.Board;
    Byte* from = e.MoveFrom[ply];
    Byte* to = e.MoveTo[ply];
    const int t = target;
    const int bound = e.PlyBound[ply];
    int n = 0;
    const int w = static_cast<Word>(Gain<S>(e.PlyValue[ply], e.PieceValue[b[t]] + 150));

    if (Better<S>(w, bound) || (RelativeRow<S>(t) == 7 && Better<S>(Gain<S>(w, 910), bound))) {
        // Pawns first; on the last row their captures promote.
        for (const int step : S.PawnCaptures) {
            if (b[t - step] == S.Pawn) {
                e.MoveExtra[ply][n] = S.Queen;
                AppendMove(from, to, n, t - step, t);
            }
        }
        // Only the pawn captures can reach the bound otherwise.
        if (Better<S>(w, bound)) {
            for (const int d : S.RecaptureKnight)
                if (b[t + d] == S.Knight) AppendMove(from, to, n, t + d, t);

            const int m = n;
            for (const int d : S.RecaptureDiagonal) {
                const int y = FirstOccupied(b, t, d);
                if (b[y] == S.Queen || b[y] == S.Bishop) AppendMove(from, to, n, y, t);
            }
            for (const int d : S.RecaptureStraight) {
                const int y = FirstOccupied(b, t, d);
                if (b[y] == S.Queen || b[y] == S.Rook) AppendMove(from, to, n, y, t);
            }
            // Queens go behind the bishops and rooks.
            if (n > m + 1) {
                const int last = n - 2;
                for (int i = m; i <= last; ++i) {
                    if (b[from[i]] == S.Queen) {
                        const Byte q = from[i];
                        for (int j = i; j < n - 1; ++j) from[j] = from[j + 1];
                        from[n - 1] = q;
                    }
                }
            }
            const int k = b[S.OwnKingCell];
            const int d = t > k ? t - k : k - t;
            if (KingDistance(d)) AppendMove(from, to, n, k, t);
        }
    }
    FinishCaptureList(e, ply, n);
}

}  // namespace

void GenerateBlackCaptures(Engine& e, Byte ply) { GenerateCaptures<BlackOrders>(e, ply); }
void GenerateWhiteCaptures(Engine& e, Byte ply) { GenerateCaptures<WhiteOrders>(e, ply); }
void GenerateBlackRecaptures(Engine& e, Byte target, Byte ply) { GenerateRecaptures<BlackOrders>(e, target, ply); }
void GenerateWhiteRecaptures(Engine& e, Byte target, Byte ply) { GenerateRecaptures<WhiteOrders>(e, target, ply); }

}  // namespace corvane
