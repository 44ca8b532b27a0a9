// Move ordering: captures first, most valuable victim and least valuable
// attacker first; then, in full lists, the killer moves, the hash move in
// front of everything, and the extra underpromotion entries.
#include "engine/board/board.h"
#include "engine/board/sides.h"

namespace corvane {

namespace {

// Highest slot a promotion copy may take: the null move of the search still
// needs one slot after the list, the legal-move count must stay below the
// stage values 252 to 255, and slot 255 is never written.
constexpr int kLastSlotForCopies = 249;

inline void SwapCells(Byte* from, Byte* to, int i, int j) {
    const Byte f = from[i];
    const Byte t = to[i];
    from[i] = from[j];
    to[i] = to[j];
    from[j] = f;
    to[j] = t;
}

// Capture key of a mover of side S: the victim's kind times 16 less the
// attacker's (kinds 1 king to 6 pawn); smaller is searched first.
template <const SideOrders& S>
inline Byte CaptureKey(Byte victim, Byte attacker) {
    return static_cast<Byte>((victim - EnemyOf<S>.CodeOffset) * 16 - (attacker - S.CodeOffset));
}

template <const SideOrders& S>
int CaptureSort(Engine& e, Byte ply) {
    const Byte* b = e.Board;
    Byte* from = e.MoveFrom[ply];
    Byte* to = e.MoveTo[ply];
    Byte key[Slots];
    const int last = e.LastMove[ply];
    int q = 0;
    for (int i = 0; i <= last; ++i) {
        if (b[to[i]] != Empty) {
            SwapCells(from, to, q, i);
            key[q] = CaptureKey<S>(b[to[q]], b[from[q]]);
            ++q;
        }
    }
    if (q > 1) {
        for (int i = 0; i <= q - 2; ++i) {
            for (int j = i + 1; j <= q - 1; ++j) {
                if (key[j] < key[i]) {
                    SwapCells(from, to, i, j);
                    const Byte k = key[i];
                    key[i] = key[j];
                    key[j] = k;
                }
            }
        }
    }
    return q;
}

template <const SideOrders& S>
void OrderMoves(Engine& e, Byte ply, Byte full) {
    if (e.LastMove[ply] == ListEmptyLast) return;
    constexpr Byte pawn = S.Pawn;
    constexpr Byte queen = S.Queen;
    const Byte* b = e.Board;
    Byte* from = e.MoveFrom[ply];
    Byte* to = e.MoveTo[ply];
    Byte* extra = e.MoveExtra[ply];

    int q = CaptureSort<S>(e, ply);

    if (full == 1 && e.LastMove[ply] > q) {
        const int last = e.LastMove[ply];
        for (int i = q; i <= last; ++i) {
            for (int k = 0; k < 4; ++k) {
                if (from[i] == e.KillerFrom[k][ply] && to[i] == e.KillerTo[k][ply]) {
                    SwapCells(from, to, i, q);
                    ++q;
                }
            }
        }
    }
    if (full != 1 && e.HashBound == BoundAtMost) e.HashTo = 0;

    if (e.HashTo != 0) {
        const int last = e.LastMove[ply];
        for (int i = 0; i <= last; ++i) {
            if (to[i] == e.HashTo && from[i] == e.HashFrom) {
                if (i > 0) {
                    for (int j = i; j > 0; --j) {
                        from[j] = from[j - 1];
                        to[j] = to[j - 1];
                    }
                    from[0] = e.HashFrom;
                    to[0] = e.HashTo;
                    if (i >= q) ++q;
                }
                break;
            }
        }
    }

    const int lastGenerated = e.LastMove[ply];
    if (extra[0] == 1) {
        for (int i = 0; i <= lastGenerated; ++i) {
            if (RelativeRow<S>(to[i]) != 7 || b[from[i]] != pawn) continue;
            extra[i] = queen;
            if (full == 1 && e.LastMove[ply] + 3 <= kLastSlotForCopies) {
                static constexpr Byte kCopies[3] = {S.Knight, S.Rook, S.Bishop};
                for (Byte c : kCopies) {
                    const int s = e.LastMove[ply] + 1;
                    from[s] = from[i];
                    to[s] = to[i];
                    extra[s] = c;
                    e.LastMove[ply] = static_cast<Byte>(s);
                }
                e.ListState[ply] = static_cast<Byte>(e.LastMove[ply] + 1);
            }
        }
    }

    // A stored underpromotion is tried first in slot 0; its copy among the
    // appended entries takes the queen instead, so no piece is tried twice.
    if (e.HashTo != 0 && RelativeRow<S>(e.HashTo) == 7 && b[e.HashFrom] == pawn && e.HashPromo != queen && full == 1) {
        extra[0] = e.HashPromo;
        const int last = e.LastMove[ply];
        for (int s = lastGenerated + 1; s <= last; ++s) {
            if (from[s] == e.HashFrom && to[s] == e.HashTo && extra[s] == e.HashPromo) {
                extra[s] = queen;
                break;
            }
        }
    }
    e.QuietIndex[ply] = static_cast<Byte>(q);
}

template <const SideOrders& S>
void OrderCaptures(Engine& e, Byte ply) {
    if (e.LastMove[ply] == ListEmptyLast) return;
    if (e.LastMove[ply] != 0) CaptureSort<S>(e, ply);
    if (e.MoveExtra[ply][0] == 1) {
        for (int i = 0; i <= e.LastMove[ply]; ++i) e.MoveExtra[ply][i] = S.Queen;
    }
}

}  // namespace

void OrderBlackMoves(Engine& e, Byte ply, Byte full) { OrderMoves<BlackOrders>(e, ply, full); }
void OrderWhiteMoves(Engine& e, Byte ply, Byte full) { OrderMoves<WhiteOrders>(e, ply, full); }
void OrderBlackCaptures(Engine& e, Byte ply) { OrderCaptures<BlackOrders>(e, ply); }
void OrderWhiteCaptures(Engine& e, Byte ply) { OrderCaptures<WhiteOrders>(e, ply); }

}  // namespace corvane
