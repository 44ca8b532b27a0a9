// Single-move check: is (from, to, promotion) a pseudo-legal move of the side
// to move, without generating the move list? Used for moves stored in the
// hash table and for the predicted reply of pondering.
#include "engine/board/board.h"
#include "engine/board/sides.h"

namespace corvane {

namespace {

// Looks from f along step; true when the first cell that is not Empty is t.
// The to-cell is marked with 9 (a value no cell otherwise holds) for the walk,
// its old value kept in the scratch cell 6; both are restored.
bool LineTest(Engine& e, int f, int t, int step) {
    Byte* b = e.Board;
    const Byte scratch = b[ScratchCell];
    b[ScratchCell] = b[t];
    b[t] = 9;
    const bool reached = FirstOccupied(b, f, step) == t;
    b[t] = b[ScratchCell];
    b[ScratchCell] = scratch;
    return reached;
}

// Step of a queen's line from f toward t.
int QueenStep(int f, int t) {
    const int d = t > f ? t - f : f - t;
    const int k = (t & 15) + 128 - (f & 15);
    if (t > f) {
        if (d <= 8) return 1;
        return k < 128 ? 15 : (k == 128 ? 16 : 17);
    }
    if (d <= 8) return -1;
    return k < 128 ? -17 : (k == 128 ? -16 : -15);
}

int RookStep(int f, int t) {
    const int d = t > f ? t - f : f - t;
    if (t > f) return d <= 8 ? 1 : 16;
    return d <= 8 ? -1 : -16;
}

int BishopStep(int f, int t) {
    if (t > f) return (t & 15) > (f & 15) ? 17 : 15;
    return (t & 15) > (f & 15) ? -15 : -17;
}

// Own pieces of side S: Black's codes are below Empty, White's above.
template <const SideOrders& S>
constexpr bool IsOwn(Byte v) {
    return S.IsBlack ? v < Empty : v > Empty;
}

// Is f to t (with promotion q) a pseudo-legal move of side S?
template <const SideOrders& S>
Byte ValidateSide(Engine& e, int f, int t, Byte q, Byte ply) {
    const Byte* b = e.Board;
    const int d = t > f ? t - f : f - t;
    const Byte piece = b[f];
    const Byte target = b[t];
    if (!(IsOwn<S>(piece) && IsTarget<S>(target))) return 0;
    switch (piece) {
    case S.King:
        if (KingDistance(d)) return 1;
        // Two files along the home row from the king's unflipped or flipped cell.
        return (d == 2 && (f == S.HomeRow + 3 || f == S.HomeRow + 4)) ? 1 : 0;
    case S.Queen: return LineTest(e, f, t, QueenStep(f, t));
    case S.Rook: return LineTest(e, f, t, RookStep(f, t));
    case S.Bishop: return LineTest(e, f, t, BishopStep(f, t));
    case S.Knight: return KnightDistance(d) ? 1 : 0;
    case S.Pawn: {
        if (S.IsBlack ? t <= f : t >= f) return 0;
        bool ok = false;
        if (d == 15 || d == 17) {
            if (IsCapture<S>(target)) ok = true;
            else if (target == Empty && (t & 15) + 1 == (e.PlyFlags[ply] & 15) && f >= S.VictimRow &&
                     f < S.VictimRow + 8)
                ok = true;
        } else if (d == 16) {
            ok = target == Empty;
        } else if (d == 32) {
            ok = b[f + S.Forward] == Empty && target == Empty && RelativeRow<S>(f) == 1;
        }
        if (ok && RelativeRow<S>(t) == 7 && !(q >= S.Queen && q <= S.Knight)) ok = false;
        return ok ? 1 : 0;
    }
    default: return 0;
    }
}

}  // namespace

Byte ValidateMove(Engine& e, Byte f, Byte t, Byte q, Byte ply) {
    // A move runs between two squares; this also keeps stray values (a hash
    // entry of another position, the scratch cell) from being read as pieces.
    if (!IsSquareCell(f) || !IsSquareCell(t)) return 0;
    return ply & 1 ? ValidateSide<BlackOrders>(e, f, t, q, ply) : ValidateSide<WhiteOrders>(e, f, t, q, ply);
}

}  // namespace corvane
