// Tactical move selection: the forcing parts of the search walk a full list
// but try only captures, pawn moves to the last two rows and checking moves.
// Checks are found without making the move: the piece is lifted or set down
// for a moment and the lines through the enemy king are looked along.
#include "engine/board/board.h"
#include "engine/board/sides.h"

namespace corvane {

namespace {

// Walks from cell k by step over Empty cells; returns the first other value.
inline Byte FirstValue(const Byte* b, int k, int step) {
    int y = k + step;
    while (b[y] == Empty) y += step;
    return b[y];
}

// Is there a slider of the moving side on the line from the king K through x,
// with nothing between it and K? Rows and files look for its queen or rook,
// diagonals for its queen or bishop.
inline bool LineTest(const Byte* b, int K, int x, Byte queen, Byte rook, Byte bishop) {
    int d;
    int sign;
    if (x > K) {
        d = x - K;
        sign = 1;
    } else {
        d = K - x;
        sign = -1;
    }
    bool check = false;
    if (d < 8) {
        const Byte v = FirstValue(b, K, sign);
        if (v == queen || v == rook) check = true;
    }
    int e = d & 15;
    if (e > 7) e = 16 - e;
    if (e == 0) {
        const Byte v = FirstValue(b, K, 16 * sign);
        if (v == queen || v == rook) check = true;
    }
    if (((d + 7) >> 4) == e) {
        const int step = (d & 15) > 7 ? 15 : 17;
        const Byte v = FirstValue(b, K, step * sign);
        if (v == queen || v == bishop) check = true;
    }
    return check;
}

inline bool KnightDistance(int t, int K) {
    const int d = t > K ? t - K : K - t;
    return d == 14 || d == 18 || d == 31 || d == 33;
}

// The next tactical move of side S at CurrentPly.
template <const SideOrders& S>
void NextTactical(Engine& e) {
    const int p = e.CurrentPly;
    Byte* b = e.Board;
    const int K = b[S.EnemyKingCell];
    // Does a queen, rook or bishop of the side see the enemy king through x?
    auto line = [&](int x) { return LineTest(b, K, x, S.Queen, S.Rook, S.Bishop); };
    // The same through f with the piece set down on t for the look.
    auto lifted = [&](int f, int t, Byte piece) {
        b[t] = piece;
        b[f] = Empty;
        const bool seen = line(f);
        b[f] = piece;
        b[t] = Empty;
        return seen;
    };
    int i = e.MoveCursor[p];
    for (;; ++i) {
        if (i > e.LastMove[p]) {
            if (e.BestIndex[p] == 255) e.NoMoves = 1;
            break;
        }
        const int f = e.MoveFrom[p][i];
        const int t = e.MoveTo[p][i];
        if (b[t] != Empty) break;  // a capture
        const Byte piece = b[f];
        if (piece == S.Pawn) {
            if (RelativeRow<S>(t) >= 6) break;  // a push to the last two rows
            if ((t - f) & 1) break;             // en passant
        }
        bool check = false;
        switch (piece) {
        case S.King:
            if (t == f + 2 || t == f - 2) {
                PlaceMove(e, static_cast<Byte>(i), static_cast<Byte>(p));
                check = AttackedBy<S>(e, static_cast<Byte>(K)) != 0;
                UnmakeMove(e, static_cast<Byte>(i), static_cast<Byte>(p));
            } else {
                check = lifted(f, t, piece);
            }
            break;
        case S.Queen:
        case S.Rook:
        case S.Bishop:
            b[t] = piece;
            b[f] = Empty;
            check = line(f) || line(t);
            b[f] = piece;
            b[t] = Empty;
            break;
        case S.Knight:
            if (KnightDistance(t, K)) {
                check = true;
            } else {
                b[f] = Empty;
                check = line(f);
                b[f] = piece;
            }
            break;
        case S.Pawn:
            if (b[t + S.PawnCaptures[1]] == S.EnemyKing || b[t + S.PawnCaptures[0]] == S.EnemyKing) {
                check = true;
            } else {
                check = lifted(f, t, piece);
            }
            break;
        default:
            break;
        }
        if (check) break;
    }
    e.MoveCursor[p] = static_cast<Byte>(i);
}

}  // namespace

void NextTacticalBlack(Engine& e) { NextTactical<BlackOrders>(e); }
void NextTacticalWhite(Engine& e) { NextTactical<WhiteOrders>(e); }

}  // namespace corvane
