// Move ordering: captures first, most valuable victim and least valuable
// attacker first; then, in full lists, the killer moves, the hash move in
// front of everything, and the extra underpromotion entries.
#include "engine/board/board.h"

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

// Capture key of a Black mover (smaller is searched first).
inline Byte BlackCaptureKey(Byte victim, Byte attacker) {
    return static_cast<Byte>((victim - 10) * 16 - attacker);
}

// Capture key of a White mover.
inline Byte WhiteCaptureKey(Byte victim, Byte attacker) {
    return static_cast<Byte>(victim * 16 - (attacker - 10));
}

// Brings the captures of slots 0..LastMove to the front and sorts them by
// their keys. Returns the number of captures.
template <bool Black>
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
            key[q] = Black ? BlackCaptureKey(b[to[q]], b[from[q]]) : WhiteCaptureKey(b[to[q]], b[from[q]]);
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

template <bool Black>
void OrderMoves(Engine& e, Byte ply, Byte full) {
    if (e.LastMove[ply] == ListEmptyLast) return;
    constexpr Byte pawn = Black ? BlackPawn : WhitePawn;
    constexpr Byte queen = Black ? BlackQueen : WhiteQueen;
    const Byte* b = e.Board;
    Byte* from = e.MoveFrom[ply];
    Byte* to = e.MoveTo[ply];
    Byte* extra = e.MoveExtra[ply];

    int q = CaptureSort<Black>(e, ply);

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
    if (full != 1 && e.HashBound == 0) e.HashTo = 0;

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
            const bool promotes = Black ? OnLastRow(to[i]) : OnFirstRow(to[i]);
            if (!promotes || b[from[i]] != pawn) continue;
            extra[i] = queen;
            if (full == 1 && e.LastMove[ply] + 3 <= kLastSlotForCopies) {
                static constexpr Byte kCopies[3] = {5, 3, 4};  // knight, rook, bishop
                for (Byte c : kCopies) {
                    const int s = e.LastMove[ply] + 1;
                    from[s] = from[i];
                    to[s] = to[i];
                    extra[s] = Black ? c : static_cast<Byte>(c + 10);
                    e.LastMove[ply] = static_cast<Byte>(s);
                }
                e.ListState[ply] = static_cast<Byte>(e.LastMove[ply] + 1);
            }
        }
    }

    // A stored underpromotion is tried first in slot 0; its copy among the
    // appended entries takes the queen instead, so no piece is tried twice.
    const bool hashPromotes = Black ? OnLastRow(e.HashTo) : OnFirstRow(e.HashTo);
    if (e.HashTo != 0 && hashPromotes && b[e.HashFrom] == pawn && e.HashPromo != queen && full == 1) {
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

template <bool Black>
void OrderCaptures(Engine& e, Byte ply) {
    if (e.LastMove[ply] == ListEmptyLast) return;
    if (e.LastMove[ply] != 0) CaptureSort<Black>(e, ply);
    if (e.MoveExtra[ply][0] == 1) {
        const Byte queen = Black ? BlackQueen : WhiteQueen;
        for (int i = 0; i <= e.LastMove[ply]; ++i) e.MoveExtra[ply][i] = queen;
    }
}

}  // namespace

void OrderBlackMoves(Engine& e, Byte ply, Byte full) { OrderMoves<true>(e, ply, full); }
void OrderWhiteMoves(Engine& e, Byte ply, Byte full) { OrderMoves<false>(e, ply, full); }
void OrderBlackCaptures(Engine& e, Byte ply) { OrderCaptures<true>(e, ply); }
void OrderWhiteCaptures(Engine& e, Byte ply) { OrderCaptures<false>(e, ply); }

}  // namespace corvane
