// Capture generation for the quiescence search: every capture of the side to
// move behind futility margins, or only the captures of the piece on one cell
// in least-valuable-attacker order. Scores are Black's point of view, so the
// White versions reverse every comparison on them.
#include "engine/board/board.h"

namespace corvane {

namespace {

inline bool BlackCapture(Byte v) { return (v ^ 64) > 72; }  // a White piece
inline bool WhiteCapture(Byte v) { return v < 8; }          // a Black piece

inline void Append(Byte* from, Byte* to, int& n, int f, int t) {
    if (n < MaxListMoves) {
        from[n] = static_cast<Byte>(f);
        to[n] = static_cast<Byte>(t);
        ++n;
    }
}

// List results of the capture generators: like the full generators, but the
// list state is that of a capture list and NoMoves is left alone.
inline void FinishCaptureList(Engine& e, Byte ply, int n) {
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

}  // namespace

// A sliding piece walks over Empty cells and takes the first other cell when
// it passes the capture test.
#define CORVANE_SLIDE_CAPTURE(CAPTURE, step)              \
    {                                                     \
        int y = x + (step);                               \
        while (b[y] == Empty) y += (step);                \
        if (CAPTURE(b[y])) Append(from, to, n, x, y);     \
    }

#define CORVANE_STEP_CAPTURE(CAPTURE, step) \
    if (CAPTURE(b[x + (step)])) Append(from, to, n, x, x + (step));

void GenerateBlackCaptures(Engine& e, Byte ply) {
    const int value = e.PlyValue[ply];
    const int bound = e.PlyBound[ply];
    int n = 0;
    if (value + 2112 > bound) {
        Byte* b = e.Board;
        Byte* from = e.MoveFrom[ply];
        Byte* to = e.MoveTo[ply];
        e.MoveExtra[ply][0] = 0;

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
                    CORVANE_SLIDE_CAPTURE(BlackCapture, 17)
                    CORVANE_SLIDE_CAPTURE(BlackCapture, 15)
                    CORVANE_SLIDE_CAPTURE(BlackCapture, -17)
                    CORVANE_SLIDE_CAPTURE(BlackCapture, -15)
                    CORVANE_SLIDE_CAPTURE(BlackCapture, 16)
                    CORVANE_SLIDE_CAPTURE(BlackCapture, 1)
                    CORVANE_SLIDE_CAPTURE(BlackCapture, -16)
                    CORVANE_SLIDE_CAPTURE(BlackCapture, -1)
                    break;
                case BlackRook:
                    CORVANE_SLIDE_CAPTURE(BlackCapture, 16)
                    CORVANE_SLIDE_CAPTURE(BlackCapture, 1)
                    CORVANE_SLIDE_CAPTURE(BlackCapture, -16)
                    CORVANE_SLIDE_CAPTURE(BlackCapture, -1)
                    break;
                case BlackBishop:
                    CORVANE_SLIDE_CAPTURE(BlackCapture, 17)
                    CORVANE_SLIDE_CAPTURE(BlackCapture, 15)
                    CORVANE_SLIDE_CAPTURE(BlackCapture, -17)
                    CORVANE_SLIDE_CAPTURE(BlackCapture, -15)
                    break;
                case BlackKnight:
                    CORVANE_STEP_CAPTURE(BlackCapture, 33)
                    CORVANE_STEP_CAPTURE(BlackCapture, 31)
                    CORVANE_STEP_CAPTURE(BlackCapture, 18)
                    CORVANE_STEP_CAPTURE(BlackCapture, 14)
                    CORVANE_STEP_CAPTURE(BlackCapture, -33)
                    CORVANE_STEP_CAPTURE(BlackCapture, -31)
                    CORVANE_STEP_CAPTURE(BlackCapture, -18)
                    CORVANE_STEP_CAPTURE(BlackCapture, -14)
                    break;
                case BlackPawn:
                    if (x < 136) {
                        CORVANE_STEP_CAPTURE(BlackCapture, 15)
                        CORVANE_STEP_CAPTURE(BlackCapture, 17)
                    } else {
                        // Every move of a pawn on row 144 promotes: the push counts too.
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
            CORVANE_STEP_CAPTURE(BlackCapture, 1)
            CORVANE_STEP_CAPTURE(BlackCapture, -1)
            CORVANE_STEP_CAPTURE(BlackCapture, -15)
            CORVANE_STEP_CAPTURE(BlackCapture, -16)
            CORVANE_STEP_CAPTURE(BlackCapture, -17)
            CORVANE_STEP_CAPTURE(BlackCapture, 15)
            CORVANE_STEP_CAPTURE(BlackCapture, 16)
            CORVANE_STEP_CAPTURE(BlackCapture, 17)
        }

        // Futility: a capture that cannot lift the score to the bound even
        // with a margin is dropped.
        if (n > 0 && value + 290 < bound) {
            for (int i = 0; i < n;) {
                int margin = 200;
                const int t = to[i];
                if (b[from[i]] == BlackPawn) {
                    if (t >= 152) margin += 910;
                    else if (b[t] == Empty) margin += 90;
                }
                if (e.PieceValue[b[t]] + value + margin < bound) DropSlot(from, to, n, i);
                else ++i;
            }
        }
    }
    FinishCaptureList(e, ply, n);
}

void GenerateWhiteCaptures(Engine& e, Byte ply) {
    const int value = e.PlyValue[ply];
    const int bound = e.PlyBound[ply];
    int n = 0;
    if (value - 2112 < bound) {
        Byte* b = e.Board;
        Byte* from = e.MoveFrom[ply];
        Byte* to = e.MoveTo[ply];
        e.MoveExtra[ply][0] = 0;

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
                    CORVANE_SLIDE_CAPTURE(WhiteCapture, -17)
                    CORVANE_SLIDE_CAPTURE(WhiteCapture, -15)
                    CORVANE_SLIDE_CAPTURE(WhiteCapture, 17)
                    CORVANE_SLIDE_CAPTURE(WhiteCapture, 15)
                    CORVANE_SLIDE_CAPTURE(WhiteCapture, -16)
                    CORVANE_SLIDE_CAPTURE(WhiteCapture, -1)
                    CORVANE_SLIDE_CAPTURE(WhiteCapture, 16)
                    CORVANE_SLIDE_CAPTURE(WhiteCapture, 1)
                    break;
                case WhiteRook:
                    CORVANE_SLIDE_CAPTURE(WhiteCapture, -16)
                    CORVANE_SLIDE_CAPTURE(WhiteCapture, -1)
                    CORVANE_SLIDE_CAPTURE(WhiteCapture, 16)
                    CORVANE_SLIDE_CAPTURE(WhiteCapture, 1)
                    break;
                case WhiteBishop:
                    CORVANE_SLIDE_CAPTURE(WhiteCapture, -17)
                    CORVANE_SLIDE_CAPTURE(WhiteCapture, -15)
                    CORVANE_SLIDE_CAPTURE(WhiteCapture, 17)
                    CORVANE_SLIDE_CAPTURE(WhiteCapture, 15)
                    break;
                case WhiteKnight:
                    CORVANE_STEP_CAPTURE(WhiteCapture, -33)
                    CORVANE_STEP_CAPTURE(WhiteCapture, -31)
                    CORVANE_STEP_CAPTURE(WhiteCapture, -18)
                    CORVANE_STEP_CAPTURE(WhiteCapture, -14)
                    CORVANE_STEP_CAPTURE(WhiteCapture, 33)
                    CORVANE_STEP_CAPTURE(WhiteCapture, 31)
                    CORVANE_STEP_CAPTURE(WhiteCapture, 18)
                    CORVANE_STEP_CAPTURE(WhiteCapture, 14)
                    break;
                case WhitePawn:
                    if (x > 79) {
                        CORVANE_STEP_CAPTURE(WhiteCapture, -15)
                        CORVANE_STEP_CAPTURE(WhiteCapture, -17)
                    } else {
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
            CORVANE_STEP_CAPTURE(WhiteCapture, 1)
            CORVANE_STEP_CAPTURE(WhiteCapture, -1)
            CORVANE_STEP_CAPTURE(WhiteCapture, 15)
            CORVANE_STEP_CAPTURE(WhiteCapture, 16)
            CORVANE_STEP_CAPTURE(WhiteCapture, 17)
            CORVANE_STEP_CAPTURE(WhiteCapture, -15)
            CORVANE_STEP_CAPTURE(WhiteCapture, -16)
            CORVANE_STEP_CAPTURE(WhiteCapture, -17)
        }

        if (n > 0 && value - 290 > bound) {
            for (int i = 0; i < n;) {
                int margin = 200;
                const int t = to[i];
                if (b[from[i]] == WhitePawn) {
                    if (t <= 63) margin += 910;
                    else if (b[t] == Empty) margin += 90;
                }
                if (value - (e.PieceValue[b[t]] + margin) > bound) DropSlot(from, to, n, i);
                else ++i;
            }
        }
    }
    FinishCaptureList(e, ply, n);
}

#undef CORVANE_SLIDE_CAPTURE
#undef CORVANE_STEP_CAPTURE

// The first piece met from cell t along a step, over Empty cells.
static inline int FirstPiece(const Byte* b, int t, int step) {
    int y = t + step;
    while (b[y] == Empty) y += step;
    return y;
}

void GenerateBlackRecaptures(Engine& e, Byte target, Byte ply) {
    const Byte* b = e.Board;
    Byte* from = e.MoveFrom[ply];
    Byte* to = e.MoveTo[ply];
    const int t = target;
    const int bound = e.PlyBound[ply];
    int n = 0;
    const int w = static_cast<Word>(e.PlyValue[ply] + 150 + e.PieceValue[b[t]]);

    if (w > bound || (t > 159 && w + 910 > bound)) {
        // Pawns first; on the last row their captures promote.
        if (b[t - 15] == BlackPawn) {
            e.MoveExtra[ply][n] = BlackQueen;
            Append(from, to, n, t - 15, t);
        }
        if (b[t - 17] == BlackPawn) {
            e.MoveExtra[ply][n] = BlackQueen;
            Append(from, to, n, t - 17, t);
        }
        // Only the pawn captures can reach the bound otherwise.
        if (bound < w) {
            static constexpr int kKnight[8] = {-33, -31, -18, -14, 14, 18, 31, 33};
            for (int d : kKnight)
                if (b[t + d] == BlackKnight) Append(from, to, n, t + d, t);

            const int m = n;
            static constexpr int kDiagonal[4] = {-17, -15, 15, 17};
            for (int d : kDiagonal) {
                const int y = FirstPiece(b, t, d);
                if (b[y] == BlackQueen || b[y] == BlackBishop) Append(from, to, n, y, t);
            }
            static constexpr int kStraight[4] = {-16, -1, 1, 16};
            for (int d : kStraight) {
                const int y = FirstPiece(b, t, d);
                if (b[y] == BlackQueen || b[y] == BlackRook) Append(from, to, n, y, t);
            }
            // Queens go behind the bishops and rooks.
            if (n > m + 1) {
                const int last = n - 2;
                for (int i = m; i <= last; ++i) {
                    if (b[from[i]] == BlackQueen) {
                        const Byte q = from[i];
                        for (int j = i; j < n - 1; ++j) from[j] = from[j + 1];
                        from[n - 1] = q;
                    }
                }
            }
            const int k = b[BlackKingCell];
            const int d = t > k ? t - k : k - t;
            if (d == 1 || d == 15 || d == 16 || d == 17) Append(from, to, n, k, t);
        }
    }
    FinishCaptureList(e, ply, n);
}

void GenerateWhiteRecaptures(Engine& e, Byte target, Byte ply) {
    const Byte* b = e.Board;
    Byte* from = e.MoveFrom[ply];
    Byte* to = e.MoveTo[ply];
    const int t = target;
    const int bound = e.PlyBound[ply];
    int n = 0;
    const int w = static_cast<Word>(e.PlyValue[ply] - (e.PieceValue[b[t]] + 150));

    if (w < bound || (t < 56 && w - 910 < bound)) {
        if (b[t + 15] == WhitePawn) {
            e.MoveExtra[ply][n] = WhiteQueen;
            Append(from, to, n, t + 15, t);
        }
        if (b[t + 17] == WhitePawn) {
            e.MoveExtra[ply][n] = WhiteQueen;
            Append(from, to, n, t + 17, t);
        }
        if (bound > w) {
            static constexpr int kKnight[8] = {33, 31, 18, 14, -14, -18, -31, -33};
            for (int d : kKnight)
                if (b[t + d] == WhiteKnight) Append(from, to, n, t + d, t);

            const int m = n;
            static constexpr int kDiagonal[4] = {17, 15, -15, -17};
            for (int d : kDiagonal) {
                const int y = FirstPiece(b, t, d);
                if (b[y] == WhiteQueen || b[y] == WhiteBishop) Append(from, to, n, y, t);
            }
            static constexpr int kStraight[4] = {16, 1, -1, -16};
            for (int d : kStraight) {
                const int y = FirstPiece(b, t, d);
                if (b[y] == WhiteQueen || b[y] == WhiteRook) Append(from, to, n, y, t);
            }
            if (n > m + 1) {
                const int last = n - 2;
                for (int i = m; i <= last; ++i) {
                    if (b[from[i]] == WhiteQueen) {
                        const Byte q = from[i];
                        for (int j = i; j < n - 1; ++j) from[j] = from[j + 1];
                        from[n - 1] = q;
                    }
                }
            }
            const int k = b[WhiteKingCell];
            const int d = t > k ? t - k : k - t;
            if (d == 1 || d == 15 || d == 16 || d == 17) Append(from, to, n, k, t);
        }
    }
    FinishCaptureList(e, ply, n);
}

}  // namespace corvane
