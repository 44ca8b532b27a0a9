// Full move generation: every pseudo-legal move of the side to move, in a
// fixed order (en passant, pieces in board order with their step orders, the
// king, castling). Moves that leave the own king attacked are not filtered;
// the caller makes the move and tests the king.
#include "engine/board/board.h"

namespace corvane {

namespace {

// Target tests on a cell value v (see the piece coding of the board).
inline bool BlackTarget(Byte v) { return (v ^ 64) > 70; }   // Empty or a White piece
inline bool BlackCapture(Byte v) { return (v ^ 64) > 72; }  // a White piece
inline bool WhiteTarget(Byte v) { return v < 10; }          // Empty or a Black piece
inline bool WhiteCapture(Byte v) { return v < 8; }          // a Black piece

// Appends a move at slot n. A real chess position never comes near the cap;
// it only keeps absurd set-up positions (a dozen queens) from overrunning the
// list and its sentinel values.
inline void Append(Byte* from, Byte* to, int& n, int f, int t) {
    if (n < MaxListMoves) {
        from[n] = static_cast<Byte>(f);
        to[n] = static_cast<Byte>(t);
        ++n;
    }
}

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

}  // namespace

// Slides a piece from cell x by a step, appending every cell that passes the
// target test and stopping at the first cell that is not Empty.
#define CORVANE_SLIDE(TARGET, step)                                   \
    for (int y = x + (step);; y += (step)) {                          \
        const Byte v = b[y];                                          \
        if (TARGET(v)) Append(from, to, n, x, y);                     \
        if (v != Empty) break;                                        \
    }

#define CORVANE_STEP(TARGET, step) \
    if (TARGET(b[x + (step)])) Append(from, to, n, x, x + (step));

void GenerateBlack(Engine& e, Byte ply) {
    Byte* b = e.Board;
    Byte* from = e.MoveFrom[ply];
    Byte* to = e.MoveTo[ply];
    int n = 0;
    e.MoveExtra[ply][0] = 0;

    // En passant: x is the cell left of the White pawn that just double-stepped.
    const int ep = e.PlyFlags[ply] & 15;
    if (ep != 0) {
        const int x = 110 + ep;
        if (b[x] == BlackPawn) Append(from, to, n, x, x + 17);
        if (b[x + 2] == BlackPawn) Append(from, to, n, x + 2, x + 17);
    }

    for (int row = 48; row <= 160; row += 16) {
        // Only the cells of Black's pieces other than the king.
        for (std::uint64_t m = RowCodesBetween(b, row, BlackQueen, BlackPawn); m != 0; m &= m - 1) {
            const int x = row + (std::countr_zero(m) >> 3);
            const Byte piece = b[x];
            switch (piece) {
            case BlackQueen:
                CORVANE_SLIDE(BlackTarget, 17)
                CORVANE_SLIDE(BlackTarget, 15)
                CORVANE_SLIDE(BlackTarget, -17)
                CORVANE_SLIDE(BlackTarget, -15)
                CORVANE_SLIDE(BlackTarget, 16)
                CORVANE_SLIDE(BlackTarget, 1)
                CORVANE_SLIDE(BlackTarget, -16)
                CORVANE_SLIDE(BlackTarget, -1)
                break;
            case BlackRook:
                CORVANE_SLIDE(BlackTarget, 16)
                CORVANE_SLIDE(BlackTarget, 1)
                CORVANE_SLIDE(BlackTarget, -16)
                CORVANE_SLIDE(BlackTarget, -1)
                break;
            case BlackBishop:
                CORVANE_SLIDE(BlackTarget, 17)
                CORVANE_SLIDE(BlackTarget, 15)
                CORVANE_SLIDE(BlackTarget, -17)
                CORVANE_SLIDE(BlackTarget, -15)
                break;
            case BlackKnight:
                CORVANE_STEP(BlackTarget, 33)
                CORVANE_STEP(BlackTarget, 31)
                CORVANE_STEP(BlackTarget, 18)
                CORVANE_STEP(BlackTarget, 14)
                CORVANE_STEP(BlackTarget, -33)
                CORVANE_STEP(BlackTarget, -31)
                CORVANE_STEP(BlackTarget, -18)
                CORVANE_STEP(BlackTarget, -14)
                break;
            case BlackPawn:
                if (x < 136) {
                    if (BlackCapture(b[x + 15])) Append(from, to, n, x, x + 15);
                    if (BlackCapture(b[x + 17])) Append(from, to, n, x, x + 17);
                    if (b[x + 16] == Empty) {
                        Append(from, to, n, x, x + 16);
                        if ((x >> 4) == 4 && b[x + 32] == Empty) Append(from, to, n, x, x + 32);
                    }
                } else {
                    // Every move of a pawn on row 144 reaches the last row.
                    if (BlackCapture(b[x + 15])) {
                        Append(from, to, n, x, x + 15);
                        e.MoveExtra[ply][0] = 1;
                    }
                    if (BlackCapture(b[x + 17])) {
                        Append(from, to, n, x, x + 17);
                        e.MoveExtra[ply][0] = 1;
                    }
                    if (b[x + 16] == Empty) {
                        Append(from, to, n, x, x + 16);
                        e.MoveExtra[ply][0] = 1;
                    }
                }
                break;
            default:
                break;
            }
        }
    }

    {
        const int x = b[BlackKingCell];
        CORVANE_STEP(BlackTarget, 1)
        CORVANE_STEP(BlackTarget, -1)
        CORVANE_STEP(BlackTarget, -15)
        CORVANE_STEP(BlackTarget, -16)
        CORVANE_STEP(BlackTarget, -17)
        CORVANE_STEP(BlackTarget, 15)
        CORVANE_STEP(BlackTarget, 16)
        CORVANE_STEP(BlackTarget, 17)
    }

    // Castling; stale rights (rook gone from its corner) are dropped first,
    // with the key of the ply kept equal to the corrected flags.
    int r = e.PlyFlags[ply] & 48;
    if (r != 0) {
        if (b[48] != BlackRook && (r & 16)) {
            e.PlyFlags[ply] = static_cast<Byte>(e.PlyFlags[ply] - 16);
            r -= 16;
            e.KeyA[ply] -= 16;
        }
        if (b[55] != BlackRook && (r & 32)) {
            e.PlyFlags[ply] = static_cast<Byte>(e.PlyFlags[ply] - 32);
            r -= 32;
            e.KeyA[ply] -= 32;
        }
        if (e.InCheck[ply] == 0) {
            if (e.Flipped == 0) {
                if ((r & 32) && b[53] == Empty && b[54] == Empty && AttackedByWhite(e, 53) == 0 &&
                    AttackedByWhite(e, 54) == 0)
                    Append(from, to, n, 52, 54);
                if ((r & 16) && b[51] == Empty && b[50] == Empty && b[49] == Empty &&
                    AttackedByWhite(e, 51) == 0 && AttackedByWhite(e, 50) == 0)
                    Append(from, to, n, 52, 50);
            } else {
                if ((r & 32) && b[52] == Empty && b[53] == Empty && b[54] == Empty &&
                    AttackedByWhite(e, 52) == 0 && AttackedByWhite(e, 53) == 0)
                    Append(from, to, n, 51, 53);
                if ((r & 16) && b[50] == Empty && b[49] == Empty && AttackedByWhite(e, 50) == 0 &&
                    AttackedByWhite(e, 49) == 0)
                    Append(from, to, n, 51, 49);
            }
        }
    }

    FinishList(e, ply, n);
}

void GenerateWhite(Engine& e, Byte ply) {
    Byte* b = e.Board;
    Byte* from = e.MoveFrom[ply];
    Byte* to = e.MoveTo[ply];
    int n = 0;
    e.MoveExtra[ply][0] = 0;

    // En passant: x is the cell left of the Black pawn that just double-stepped.
    const int ep = e.PlyFlags[ply] & 15;
    if (ep != 0) {
        const int x = 94 + ep;
        if (b[x] == WhitePawn) Append(from, to, n, x, x - 15);
        if (b[x + 2] == WhitePawn) Append(from, to, n, x + 2, x - 15);
    }

    for (int row = 160; row >= 48; row -= 16) {
        // Only the cells of White's pieces other than the king.
        for (std::uint64_t m = RowCodesBetween(b, row, WhiteQueen, WhitePawn); m != 0; m &= m - 1) {
            const int x = row + (std::countr_zero(m) >> 3);
            const Byte piece = b[x];
            switch (piece) {
            case WhiteQueen:
                CORVANE_SLIDE(WhiteTarget, -17)
                CORVANE_SLIDE(WhiteTarget, -15)
                CORVANE_SLIDE(WhiteTarget, 17)
                CORVANE_SLIDE(WhiteTarget, 15)
                CORVANE_SLIDE(WhiteTarget, -16)
                CORVANE_SLIDE(WhiteTarget, -1)
                CORVANE_SLIDE(WhiteTarget, 16)
                CORVANE_SLIDE(WhiteTarget, 1)
                break;
            case WhiteRook:
                CORVANE_SLIDE(WhiteTarget, -16)
                CORVANE_SLIDE(WhiteTarget, -1)
                CORVANE_SLIDE(WhiteTarget, 16)
                CORVANE_SLIDE(WhiteTarget, 1)
                break;
            case WhiteBishop:
                CORVANE_SLIDE(WhiteTarget, -17)
                CORVANE_SLIDE(WhiteTarget, -15)
                CORVANE_SLIDE(WhiteTarget, 17)
                CORVANE_SLIDE(WhiteTarget, 15)
                break;
            case WhiteKnight:
                CORVANE_STEP(WhiteTarget, -33)
                CORVANE_STEP(WhiteTarget, -31)
                CORVANE_STEP(WhiteTarget, -18)
                CORVANE_STEP(WhiteTarget, -14)
                CORVANE_STEP(WhiteTarget, 33)
                CORVANE_STEP(WhiteTarget, 31)
                CORVANE_STEP(WhiteTarget, 18)
                CORVANE_STEP(WhiteTarget, 14)
                break;
            case WhitePawn:
                if (x > 79) {
                    if (WhiteCapture(b[x - 15])) Append(from, to, n, x, x - 15);
                    if (WhiteCapture(b[x - 17])) Append(from, to, n, x, x - 17);
                    if (b[x - 16] == Empty) {
                        Append(from, to, n, x, x - 16);
                        if ((x >> 4) == 9 && b[x - 32] == Empty) Append(from, to, n, x, x - 32);
                    }
                } else {
                    // Every move of a pawn on row 64 reaches the last row.
                    if (WhiteCapture(b[x - 15])) {
                        Append(from, to, n, x, x - 15);
                        e.MoveExtra[ply][0] = 1;
                    }
                    if (WhiteCapture(b[x - 17])) {
                        Append(from, to, n, x, x - 17);
                        e.MoveExtra[ply][0] = 1;
                    }
                    if (b[x - 16] == Empty) {
                        Append(from, to, n, x, x - 16);
                        e.MoveExtra[ply][0] = 1;
                    }
                }
                break;
            default:
                break;
            }
        }
    }

    {
        const int x = b[WhiteKingCell];
        CORVANE_STEP(WhiteTarget, 1)
        CORVANE_STEP(WhiteTarget, -1)
        CORVANE_STEP(WhiteTarget, 15)
        CORVANE_STEP(WhiteTarget, 16)
        CORVANE_STEP(WhiteTarget, 17)
        CORVANE_STEP(WhiteTarget, -15)
        CORVANE_STEP(WhiteTarget, -16)
        CORVANE_STEP(WhiteTarget, -17)
    }

    int r = e.PlyFlags[ply] & 192;
    if (r != 0) {
        if (b[160] != WhiteRook && (r & 64)) {
            e.PlyFlags[ply] = static_cast<Byte>(e.PlyFlags[ply] - 64);
            r -= 64;
            e.KeyA[ply] -= 64;
        }
        if (b[167] != WhiteRook && (r & 128)) {
            e.PlyFlags[ply] = static_cast<Byte>(e.PlyFlags[ply] - 128);
            r -= 128;
            e.KeyA[ply] -= 128;
        }
        if (e.InCheck[ply] == 0) {
            if (e.Flipped == 0) {
                if ((r & 128) && b[165] == Empty && b[166] == Empty && AttackedByBlack(e, 165) == 0 &&
                    AttackedByBlack(e, 166) == 0)
                    Append(from, to, n, 164, 166);
                if ((r & 64) && b[163] == Empty && b[162] == Empty && b[161] == Empty &&
                    AttackedByBlack(e, 163) == 0 && AttackedByBlack(e, 162) == 0)
                    Append(from, to, n, 164, 162);
            } else {
                if ((r & 128) && b[164] == Empty && b[165] == Empty && b[166] == Empty &&
                    AttackedByBlack(e, 164) == 0 && AttackedByBlack(e, 165) == 0)
                    Append(from, to, n, 163, 165);
                if ((r & 64) && b[162] == Empty && b[161] == Empty && AttackedByBlack(e, 162) == 0 &&
                    AttackedByBlack(e, 161) == 0)
                    Append(from, to, n, 163, 161);
            }
        }
    }

    FinishList(e, ply, n);
}

#undef CORVANE_SLIDE
#undef CORVANE_STEP

}  // namespace corvane
