// Single-move check: is (from, to, promotion) a pseudo-legal move of the side
// to move, without generating the move list? Used for moves stored in the
// hash table and for the predicted reply of pondering.
#include "engine/board/board.h"

namespace corvane {

namespace {

// Walks from f by step over Empty cells; true when the first other cell is t.
// The to-cell is marked with 9 (a value no cell otherwise holds) for the walk,
// its old value kept in the scratch cell 6; both are restored.
bool LineTest(Engine& e, int f, int t, int step) {
    Byte* b = e.Board;
    const Byte scratch = b[ScratchCell];
    b[ScratchCell] = b[t];
    b[t] = 9;
    int x = f + step;
    while (b[x] == Empty) x += step;
    const bool reached = x == t;
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

bool KingDistance(int d) {
    return d == 1 || d == 15 || d == 16 || d == 17;
}

bool KnightDistance(int d) {
    return d == 33 || d == 31 || d == 18 || d == 14;
}

}  // namespace

Byte ValidateMove(Engine& e, Byte f, Byte t, Byte q, Byte ply) {
    // A move runs between two squares; this also keeps stray values (a hash
    // entry of another position, the scratch cell) from being read as pieces.
    if (!IsSquareCell(f) || !IsSquareCell(t)) return 0;
    const Byte* b = e.Board;
    const int d = t > f ? t - f : f - t;
    const Byte piece = b[f];
    const Byte target = b[t];

    if (ply & 1) {  // Black
        if (!(piece < 8 && (target ^ 64) > 70)) return 0;
        switch (piece) {
        case BlackKing:
            if (KingDistance(d)) return 1;
            return (d == 2 && (f == 51 || f == 52)) ? 1 : 0;
        case BlackQueen: return LineTest(e, f, t, QueenStep(f, t));
        case BlackRook: return LineTest(e, f, t, RookStep(f, t));
        case BlackBishop: return LineTest(e, f, t, BishopStep(f, t));
        case BlackKnight: return KnightDistance(d) ? 1 : 0;
        case BlackPawn: {
            if (t <= f) return 0;
            bool ok = false;
            if (d == 15 || d == 17) {
                if ((target ^ 64) > 72) ok = true;
                else if (target == Empty && (t & 15) + 1 == (e.PlyFlags[ply] & 15) && f >= 112 && f <= 119)
                    ok = true;
            } else if (d == 16) {
                ok = target == Empty;
            } else if (d == 32) {
                ok = b[f + 16] == Empty && target == Empty && f >= 64 && f <= 71;
            }
            if (ok && t > 159 && !(q >= 2 && q <= 5)) ok = false;
            return ok ? 1 : 0;
        }
        default: return 0;
        }
    }

    // White
    if (!(piece > 8 && target < 10)) return 0;
    switch (piece) {
    case WhiteKing:
        if (KingDistance(d)) return 1;
        return (d == 2 && (f == 163 || f == 164)) ? 1 : 0;
    case WhiteQueen: return LineTest(e, f, t, QueenStep(f, t));
    case WhiteRook: return LineTest(e, f, t, RookStep(f, t));
    case WhiteBishop: return LineTest(e, f, t, BishopStep(f, t));
    case WhiteKnight: return KnightDistance(d) ? 1 : 0;
    case WhitePawn: {
        if (t >= f) return 0;
        bool ok = false;
        if (d == 15 || d == 17) {
            if (target < 8) ok = true;
            else if (target == Empty && (t & 15) + 1 == (e.PlyFlags[ply] & 15) && f >= 96 && f <= 103)
                ok = true;
        } else if (d == 16) {
            ok = target == Empty;
        } else if (d == 32) {
            ok = b[f - 16] == Empty && target == Empty && f >= 144 && f <= 151;
        }
        if (ok && t < 56 && !(q >= 12 && q <= 15)) ok = false;
        return ok ? 1 : 0;
    }
    default: return 0;
    }
}

}  // namespace corvane
